#pragma once

// XML of the exchange formats: escaping for the writers and a reader that
// never resolves external entities, never fetches a DTD and refuses entity
// declarations (the way to an expansion bomb).

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

namespace exchange {

// What a writer escapes: markup only (& < >); element content (also CR, as a
// parser would turn a raw CR LF into LF); a double-quoted attribute value
// (also the quote, tab and line breaks).
enum TXmlEscape { xeMarkup, xeText, xeAttribute };
void AppendXmlEscaped(QString& Out, QStringView Text, TXmlEscape Mode);
// Appends Text as element content.
void AppendXmlText(QString& Out, QStringView Text);
// Appends Text as a double-quoted attribute value's content.
void AppendXmlAttr(QString& Out, QStringView Text);
// Whether XML 1.0 can hold the character at Text[i] (a valid surrogate pair
// counts as one); Length receives its length in UTF-16 units.
bool IsXmlChar(QStringView Text, qsizetype i, int& Length);

// Limits of every exchange reader: the characters of one imported value,
// the attributes of one element (Qt's reader slows down with the square of
// their number), and the bytes of one run of text, comment or attribute
// value (the reader holds each run in memory at once).
constexpr qsizetype kMaxValueLength = qsizetype(1) << 20;
constexpr int kMaxAttributes = 256;
constexpr qint64 kMaxTextRun = qint64(8) << 20;

// A pull reader over a whole document. Errors throw EExchangeError with
// Context's name.
class TXmlReader {
public:
    explicit TXmlReader(const QByteArray& Data);
    // Reads the device as it goes (memory stays flat on large files).
    explicit TXmlReader(QIODevice* Device);

    // Moves to the next start element at any depth; false at the end of the
    // document.
    bool NextStart();
    // Depth of the current start element (the root is 1).
    int Depth() const { return FDepth; }
    QStringView Name() const { return FReader.name(); }
    bool Is(const char* LocalName) const { return FReader.name() == QLatin1String(LocalName); }
    QString Attr(const char* Name) const;
    bool HasAttr(const char* Name) const;
    // An attribute of a namespace, whatever prefix the document gives it.
    QString AttrNS(const char* NamespaceUri, const char* Name) const;
    // The text of the current element and of every element inside it (the
    // text of inline codes); consumes the element. Elements named
    // "cp" with a "hex" attribute stand for the character they name.
    QString ReadText();
    // Skips the rest of the current element.
    void Skip();

private:
    void Check();
    // Refuses a document beyond the limits above before Qt's reader sees it.
    static void Screen(const char* Data, qint64 Size);
    static void Screen(QIODevice* Device);
    QXmlStreamReader FReader;
    int FDepth = 0;
};

} // namespace exchange
