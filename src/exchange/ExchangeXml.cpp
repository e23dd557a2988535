#include "exchange/ExchangeXml.h"

#include "core/UiStrings.h"

#include "exchange/Exchange.h"

#include <QIODevice>

namespace exchange {

void AppendXmlEscaped(QString& Out, QStringView Text, TXmlEscape Mode)
{
    for (const QChar ch : Text) {
        const char* entity = nullptr;
        switch (ch.unicode()) {
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '"':
            entity = Mode == xeAttribute ? "&quot;" : nullptr;
            break;
        case '\t':
            entity = Mode == xeAttribute ? "&#9;" : nullptr;
            break;
        case '\n':
            entity = Mode == xeAttribute ? "&#10;" : nullptr;
            break;
        case '\r':
            entity = Mode == xeMarkup ? nullptr : "&#13;";
            break;
        default:
            break;
        }
        if (entity)
            Out += QLatin1String(entity);
        else
            Out += ch;
    }
}

void AppendXmlText(QString& Out, QStringView Text) { AppendXmlEscaped(Out, Text, xeText); }

void AppendXmlAttr(QString& Out, QStringView Text) { AppendXmlEscaped(Out, Text, xeAttribute); }

bool IsXmlChar(QStringView Text, qsizetype i, int& Length)
{
    const QChar ch = Text[i];
    Length = 1;
    if (ch.isHighSurrogate()) {
        if (i + 1 < Text.size() && Text[i + 1].isLowSurrogate()) {
            Length = 2;
            return true;
        }
        return false;
    }
    if (ch.isLowSurrogate()) return false;
    const char16_t u = ch.unicode();
    if (u < 0x20) return u == '\t' || u == '\n' || u == '\r';
    return u != 0xFFFE && u != 0xFFFF;
}

namespace {

// Walks the bytes of a document once, with just enough of XML's syntax to
// see tags, quoted values and the text between them.
class TShapeScreen {
public:
    void Feed(const char* Data, qint64 Size)
    {
        for (qint64 i = 0; i < Size; ++i) {
            const char c = Data[i];
            if (c == '\n') ++FLine;
            switch (FState) {
            case sText:
                if (c == '<')
                    FState = sTagStart, FRun = 0;
                else
                    Grow();
                break;
            case sTagStart:
                FState = c == '!' || c == '?' ? sOther : sTag;
                FAttributes = 0;
                if (c == '>') FState = sText;
                break;
            case sTag:
                if (c == '"' || c == '\'') {
                    FQuote = c, FState = sQuoted, FRun = 0;
                } else if (c == '=') {
                    if (++FAttributes > kMaxAttributes)
                        throw EExchangeError(
                            QStringLiteral("An element at line %1 has more than %2 attributes; the file is refused")
                                .arg(FLine)
                                .arg(kMaxAttributes));
                } else if (c == '>') {
                    FState = sText, FRun = 0;
                }
                break;
            case sQuoted:
                if (c == FQuote)
                    FState = sTag;
                else
                    Grow();
                break;
            case sOther:
                if (c == '>')
                    FState = sText, FRun = 0;
                else
                    Grow();
                break;
            }
        }
    }

private:
    enum { sText, sTagStart, sTag, sQuoted, sOther } FState = sText;
    void Grow()
    {
        if (++FRun > kMaxTextRun)
            throw EExchangeError(QStringLiteral("A text at line %1 is longer than %2 MB; the file is refused")
                                     .arg(FLine)
                                     .arg(kMaxTextRun >> 20));
    }
    qint64 FRun = 0;
    qint64 FLine = 1;
    int FAttributes = 0;
    char FQuote = 0;
};

} // namespace

void TXmlReader::Screen(const char* Data, qint64 Size) { TShapeScreen().Feed(Data, Size); }

void TXmlReader::Screen(QIODevice* Device)
{
    // A file is screened in a first pass; a stream that cannot go back is
    // left to the value limit of ReadText.
    if (!Device || Device->isSequential()) return;
    const qint64 start = Device->pos();
    TShapeScreen screen;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (qint64 n; (n = Device->read(chunk.data(), chunk.size())) > 0;) screen.Feed(chunk.constData(), n);
    Device->seek(start);
}

TXmlReader::TXmlReader(const QByteArray& Data) : FReader(Data)
{
    Screen(Data.constData(), Data.size());
    // Nothing outside the document is ever read.
    FReader.setEntityResolver(nullptr);
}

TXmlReader::TXmlReader(QIODevice* Device) : FReader(Device)
{
    Screen(Device);
    FReader.setEntityResolver(nullptr);
}

void TXmlReader::Check()
{
    if (FReader.hasError())
        throw EExchangeError(UiString(usXmlError, {QString::number(FReader.lineNumber()), FReader.errorString()}));
    if (FReader.tokenType() == QXmlStreamReader::DTD) {
        if (!FReader.entityDeclarations().isEmpty()) throw EExchangeError(UiString(usXmlDeclaresEntities));
    }
    if (FReader.tokenType() == QXmlStreamReader::EntityReference)
        throw EExchangeError(UiString(usXmlUndefinedEntity, {FReader.name().toString()}));
}

bool TXmlReader::NextStart()
{
    while (!FReader.atEnd()) {
        const QXmlStreamReader::TokenType t = FReader.readNext();
        Check();
        if (t == QXmlStreamReader::StartElement) {
            ++FDepth;
            return true;
        }
        if (t == QXmlStreamReader::EndElement) --FDepth;
    }
    Check();
    return false;
}

QString TXmlReader::Attr(const char* Name) const { return FReader.attributes().value(QLatin1String(Name)).toString(); }

QString TXmlReader::AttrNS(const char* NamespaceUri, const char* Name) const
{
    return FReader.attributes().value(QLatin1String(NamespaceUri), QLatin1String(Name)).toString();
}

bool TXmlReader::HasAttr(const char* Name) const { return FReader.attributes().hasAttribute(QLatin1String(Name)); }

QString TXmlReader::ReadText()
{
    QString text;
    int depth = 1;
    while (depth > 0) {
        if (FReader.atEnd()) throw EExchangeError(UiString(usXmlUnexpectedEnd));
        const QXmlStreamReader::TokenType t = FReader.readNext();
        Check();
        if (t == QXmlStreamReader::Characters) {
            text += FReader.text();
            if (text.size() > kMaxValueLength)
                throw EExchangeError(
                    QStringLiteral("A text at line %1 is longer than %2 characters; the file is refused")
                        .arg(FReader.lineNumber())
                        .arg(kMaxValueLength));
        } else if (t == QXmlStreamReader::StartElement) {
            ++depth;
            if (FReader.name() == QLatin1String("cp") && FReader.attributes().hasAttribute(QLatin1String("hex"))) {
                bool ok = false;
                const uint code = FReader.attributes().value(QLatin1String("hex")).toUInt(&ok, 16);
                if (ok && code <= 0x10FFFF) {
                    if (code > 0xFFFF)
                        text += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
                    else
                        text += QChar(char16_t(code));
                }
            }
        } else if (t == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    --FDepth;
    return text;
}

void TXmlReader::Skip()
{
    FReader.skipCurrentElement();
    Check();
    --FDepth;
}

} // namespace exchange
