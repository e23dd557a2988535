#include "exchange/ExchangeXml.h"

#include "core/UiStrings.h"

#include "exchange/Exchange.h"

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

TXmlReader::TXmlReader(const QByteArray& Data) : FReader(Data)
{
    // Nothing outside the document is ever read.
    FReader.setEntityResolver(nullptr);
}

TXmlReader::TXmlReader(QIODevice* Device) : FReader(Device) { FReader.setEntityResolver(nullptr); }

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
