#include "repository/RepositoryExchange.h"

#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "exchange/Exchange.h"
#include "exchange/ExchangeXml.h"
#include "platform/AtomicFile.h"
#include "repository/Repository.h"
#include "repository/RepositoryFlows.h"
#include "storage/Locales.h"

#include <QDate>
#include <QFile>
#include <QHash>

namespace {

const QString kCreationTool = QStringLiteral("Oxvel Vocabrix - Phrase Desk");
const QString kAuthor = QStringLiteral("www.oxvel.com - Vocabrix Phrase Desk");

QString Dec(int Code) { return QString::number(Code); }

// A text's line breaks as the repository keeps them: CR LF.
QString CrLf(QString Text)
{
    Text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    Text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return Text;
}

// The walk over every record shared by both writers: Record is called for
// each with its texts of the base and the other languages (false: the record
// is left out). The document goes to the file as it is produced, so memory
// stays flat whatever the size of the repository; the file replaces the old
// one only at the end (also after a cancel, with what was walked until then).
template <class Writer>
bool WalkAndWrite(TRepository& Rep, const TRepExportOptions& Options, const QString& Head, const QString& Tail,
                  TPrompt& Prompt, qint64* Written, Writer Record)
{
    TAtomicFileWriter file(Options.FileName);
    file.Write(QByteArray("\xEF\xBB\xBF") + Head.toUtf8());
    qint64 written = 0;
    bool completed = true;
    {
        TProgressRun progress(Prompt, UiString(usExportingRepository), Rep.RecordCount());
        QString chunk;
        qint64 position = 0;
        completed =
            Rep.ForEachRecord(QList<int>{Options.BaseLocale} + Options.Locales, [&](qint32, const QStringList& Texts) {
                if (Record(chunk, Texts)) ++written;
                if (chunk.size() > 65536) {
                    file.Write(chunk.toUtf8());
                    chunk.clear();
                }
                return Prompt.ProgressStep(++position);
            });
        file.Write(chunk.toUtf8());
    }
    file.Write(Tail.toUtf8());
    file.Commit();
    if (Written) *Written = written;
    if (!completed) Prompt.Message(mkInformation, UiString(usExportTerminated), mbOK, mrOk);
    return completed;
}

QString ImportErrorLine(const QString& Text)
{
    return QStringLiteral("Error during import. The line\n< %1 >\ncould not be imported. Process aborted.").arg(Text);
}

// The languages of a file's codes, each code looked up and (when unknown)
// asked about once.
class TCodeLocales {
public:
    TCodeLocales(TRepository& Rep, TPrompt& Prompt, int (*Lookup)(const QString&))
        : FRep(Rep), FPrompt(Prompt), FLookup(Lookup)
    {
    }
    // The language of Code: > 0 known, 0 ignored; -1 when the user stopped.
    // First: the code of an entry's native text (unknown is then an error).
    int Locale(const QString& Code, bool First, bool AddToRepository)
    {
        const QString key = Code.trimmed().toLower();
        const auto it = FKnown.constFind(key);
        if (it != FKnown.constEnd()) return *it;
        const int locale = FLookup(Code.trimmed());
        if (locale == 0) {
            if (First) {
                FPrompt.Message(mkError, UiString(usUnsupportedNativeLocale, {Code}), mbOK, mrOk);
                return -1;
            }
            const TMsgResult answer =
                FPrompt.Message(mkConfirmation, UiString(usUnsupportedLocale, {Code}), mbYesCancel, mrCancel);
            if (answer != mrOk && answer != mrYes) return -1;
        } else if (AddToRepository && !FRep.HasLocale(locale)) {
            FRep.AddLocales({locale});
        }
        FKnown.insert(key, locale);
        return locale;
    }

private:
    TRepository& FRep;
    TPrompt& FPrompt;
    int (*FLookup)(const QString&);
    QHash<QString, int> FKnown;
};

// What a first pass learns of a file: its kind and the number of entries.
struct TFileShape {
    bool Tmx = false;
    qint64 Entries = 0;
};

TFileShape Shape(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EExchangeError(QStringLiteral("Cannot open file \"%1\": %2").arg(FileName, file.errorString()));
    exchange::TXmlReader xml(&file);
    if (!xml.NextStart()) throw EExchangeError(QStringLiteral("The file has no root element"));
    TFileShape shape;
    shape.Tmx = xml.Is("tmx");
    bool part = false; // body (TMX) or HEAD (XML table)
    while (xml.NextStart()) {
        if (shape.Tmx) {
            if (xml.Depth() == 2 && xml.Is("body")) part = true;
            if (xml.Depth() == 3 && part && xml.Is("tu")) ++shape.Entries;
        } else if (xml.Depth() == 2) {
            if (xml.Is("HEAD")) part = true;
            if (xml.Is("PACKAGE")) ++shape.Entries;
        }
    }
    if (!part)
        throw EExchangeError(shape.Tmx ? QStringLiteral("The TMX file has no body")
                                       : QStringLiteral("The file is neither TMX nor an XML table"));
    return shape;
}

class TImport {
public:
    TImport(TRepositoryFlows& Flows, TPrompt& Prompt) : FFlows(Flows), FRep(Flows.Repository()), FPrompt(Prompt) {}

    // Adds an entry's translations; false stops the import (already reported).
    bool Add(int LocNat, const QString& Native, const QList<TRepositoryFlows::TTranslation>& Translations)
    {
        if (Translations.isEmpty()) return true;
        try {
            return FFlows.RepositoryAddWords(LocNat, Native, Translations, FAnswer, true, {});
        } catch (const EVocabrixError&) {
            FPrompt.Message(mkError, ImportErrorLine(Native), mbOK, mrOk);
            return false;
        }
    }
    bool Step()
    {
        if (FPrompt.ProgressStep(++FEntries)) return true;
        FPrompt.Message(mkInformation, UiString(usImportTerminated), mbOK, mrOk);
        return false;
    }

    TRepositoryFlows& FFlows;
    TRepository& FRep;
    TPrompt& FPrompt;
    TRepAnswer FAnswer = raNone;
    qint64 FEntries = 0;
};

struct TTuv {
    QString Code;
    QString Text;
};

bool ImportTmx(TImport& Im, exchange::TXmlReader& Xml)
{
    TCodeLocales codes(Im.FRep, Im.FPrompt, LocaleByLanguageCountryCode);
    QList<TTuv> tu;
    bool inTu = false;
    // One entry: the first usable tuv gives the native text, the others the pairs.
    auto flush = [&]() {
        if (!inTu) return true;
        inTu = false;
        int native = 0;
        QString nativeText;
        QList<TRepositoryFlows::TTranslation> translations;
        for (int i = 0; i < tu.size(); ++i) {
            const int locale = codes.Locale(tu[i].Code, i == 0, true);
            if (locale < 0) return false;
            if (locale == 0) continue;
            if (native == 0) {
                native = locale;
                nativeText = CrLf(tu[i].Text);
            } else {
                translations.append({locale, CrLf(tu[i].Text)});
            }
        }
        return Im.Add(native, nativeText, translations) && Im.Step();
    };
    bool inBody = false;
    while (Xml.NextStart()) {
        const int depth = Xml.Depth();
        if (depth <= 3 && !flush()) return false;
        if (depth == 2) {
            inBody = Xml.Is("body");
        } else if (depth == 3 && inBody && Xml.Is("tu")) {
            inTu = true;
            tu.clear();
        } else if (depth == 4 && inTu && Xml.Is("tuv")) {
            // TMX 1.1 names the language "lang".
            QString code = Xml.AttrNS("http://www.w3.org/XML/1998/namespace", "lang");
            if (code.isEmpty()) code = Xml.Attr("lang");
            tu.append({code, QString()});
        } else if (depth == 5 && inTu && Xml.Is("seg") && !tu.isEmpty()) {
            tu.last().Text = Xml.ReadText();
        }
    }
    return flush();
}

bool ImportXmlTable(TImport& Im, exchange::TXmlReader& Xml)
{
    TCodeLocales codes(Im.FRep, Im.FPrompt, LocaleByCountryLanguageCode);
    QList<int> languages; // 0 for an ignored one
    bool headDone = false;
    bool inHead = false, inPackage = false, firstChild = false, usable = false;
    QStringList texts; // ORIGINAL, then the TRANSLATIONs

    auto endHead = [&]() {
        if (headDone) return true;
        headDone = true;
        if (languages.isEmpty()) {
            Im.FPrompt.Message(mkError, UiString(usNoLocalesToImport), mbOK, mrOk);
            return false;
        }
        QList<int> known;
        for (int l : languages)
            if (l > 0) known << l;
        Im.FRep.AddLocales(known);
        return true;
    };
    auto decode = [](const QString& Text) {
        return CrLf(Text.startsWith(QLatin1Char('"')) ? DecodeCString(Text) : DecodeDelphiString(Text));
    };
    auto flush = [&]() {
        if (!inPackage) return true;
        inPackage = false;
        if (!usable || texts.isEmpty()) return Im.Step();
        QString original;
        try {
            original = decode(texts[0]);
        } catch (const ERepExchangeError&) {
            Im.FPrompt.Message(mkError, ImportErrorLine(texts[0]), mbOK, mrOk);
            return false;
        }
        QList<TRepositoryFlows::TTranslation> translations;
        for (int i = 1; i < texts.size() && i < languages.size(); ++i) {
            if (languages[0] <= 0 || languages[i] <= 0) continue;
            try {
                translations.append({languages[i], decode(texts[i])});
            } catch (const ERepExchangeError&) {
                Im.FPrompt.Message(mkError, ImportErrorLine(texts[i]), mbOK, mrOk);
                return false;
            }
        }
        return Im.Add(languages[0], original, translations) && Im.Step();
    };

    while (Xml.NextStart()) {
        const int depth = Xml.Depth();
        if (depth <= 2 && !flush()) return false;
        if (depth == 2) {
            inHead = Xml.Is("HEAD") && !headDone;
            if (Xml.Is("PACKAGE")) {
                if (!endHead()) return false;
                inPackage = true;
                firstChild = true;
                usable = false;
                texts.clear();
            }
        } else if (depth == 3 && inHead && (Xml.Is("BASE-LOCALE") || Xml.Is("TARGET-LOCALE"))) {
            const int locale = codes.Locale(Xml.ReadText(), false, false);
            if (locale < 0) return false;
            languages << locale;
        } else if (depth == 3 && inPackage) {
            usable = firstChild && Xml.Is("STRING");
            firstChild = false;
        } else if (depth == 4 && inPackage && usable) {
            if (Xml.Is("ORIGINAL") && texts.isEmpty())
                texts << Xml.ReadText();
            else if (Xml.Is("TRANSLATION") && !texts.isEmpty())
                texts << Xml.ReadText();
        }
    }
    return flush() && endHead();
}

} // namespace

bool ExportToXML(TRepository& Repository, const TRepExportOptions& Options, TPrompt& Prompt, qint64* Written)
{
    auto encode = Options.Format == sfCStyle ? EncodeCString : EncodeDelphiString;
    QString head = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><TTABLE><HEAD><BASE-LOCALE>");
    exchange::AppendXmlEscaped(head, LocaleCountryLanguageCode(Options.BaseLocale), exchange::xeMarkup);
    head += QLatin1String("</BASE-LOCALE>");
    for (int l : Options.Locales) {
        head += QLatin1String("<TARGET-LOCALE>");
        exchange::AppendXmlEscaped(head, LocaleCountryLanguageCode(l), exchange::xeMarkup);
        head += QLatin1String("</TARGET-LOCALE>");
    }
    const QDate today = QDate::currentDate();
    head += QStringLiteral("<REVISION>1.0</REVISION><DATE FMT=\"y.m.d\">%1.%2.%3</DATE><AUTHOR>")
                .arg(today.year())
                .arg(today.month())
                .arg(today.day());
    exchange::AppendXmlEscaped(head, kAuthor, exchange::xeMarkup);
    head += QLatin1String("</AUTHOR></HEAD>");
    return WalkAndWrite(Repository, Options, head, QStringLiteral("</TTABLE>"), Prompt, Written,
                        [&](QString& Out, const QStringList& Texts) {
                            Out += QLatin1String("<PACKAGE><STRING><ORIGINAL>");
                            exchange::AppendXmlEscaped(Out, encode(Texts[0]), exchange::xeMarkup);
                            Out += QLatin1String("</ORIGINAL>");
                            for (qsizetype i = 1; i < Texts.size(); ++i) {
                                Out += QLatin1String("<TRANSLATION>");
                                exchange::AppendXmlEscaped(Out, encode(Texts[i]), exchange::xeMarkup);
                                Out += QLatin1String("</TRANSLATION>");
                            }
                            Out += QLatin1String("</STRING></PACKAGE>");
                            return true;
                        });
}

bool ExportToTMX(TRepository& Repository, const TRepExportOptions& Options, TPrompt& Prompt, qint64* Written)
{
    // Every attribute the TMX 1.4 DTD requires on the header.
    QString head = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                                  "<!DOCTYPE tmx SYSTEM \"tmx14.dtd\">\r\n"
                                  "<tmx version=\"1.4\">\r\n"
                                  "<header creationtool=\"");
    exchange::AppendXmlAttr(head, kCreationTool);
    head += QStringLiteral("\" creationtoolversion=\"%1\" segtype=\"sentence\" o-tmf=\"Vocabrix\" "
                           "adminlang=\"en-US\" srclang=\"")
                .arg(QStringLiteral(PHRASEDESK_VERSION));
    const QString baseCode = LocaleLanguageCountryCode(Options.BaseLocale);
    exchange::AppendXmlAttr(head, baseCode);
    head += QLatin1String("\" datatype=\"plaintext\"/>\r\n<body>");

    QList<QString> codes;
    for (int l : Options.Locales) codes << LocaleLanguageCountryCode(l);
    auto tuv = [](QString& Out, const QString& Code, const QString& Text) {
        Out += QLatin1String("<tuv xml:lang=\"");
        exchange::AppendXmlAttr(Out, Code);
        Out += QLatin1String("\"><seg>");
        // TMX has no way to write the characters XML cannot hold (most
        // control characters): they are left out, so the file stays readable.
        QString text;
        for (qsizetype i = 0; i < Text.size();) {
            int n = 1;
            if (exchange::IsXmlChar(Text, i, n)) text += QStringView(Text).mid(i, n);
            i += n;
        }
        exchange::AppendXmlEscaped(Out, text, exchange::xeMarkup);
        Out += QLatin1String("</seg></tuv>");
    };
    return WalkAndWrite(Repository, Options, head, QStringLiteral("</body></tmx>"), Prompt, Written,
                        [&](QString& Out, const QStringList& Texts) {
                            if (Texts[0].isEmpty()) return false;
                            Out += QLatin1String("<tu>");
                            tuv(Out, baseCode, Texts[0]);
                            for (int i = 0; i < Options.Locales.size(); ++i) {
                                const QString& text = Texts[i + 1];
                                if (!text.isEmpty()) tuv(Out, codes[i], text);
                            }
                            Out += QLatin1String("</tu>");
                            return true;
                        });
}

bool ImportRepositoryFile(TRepositoryFlows& Flows, const QString& FileName, TPrompt& Prompt, qint64* Entries)
{
    // A first pass checks the whole document (nothing is added from a file
    // that is not well-formed or declares entities) and counts the entries.
    const TFileShape shape = Shape(FileName);
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EExchangeError(QStringLiteral("Cannot open file \"%1\": %2").arg(FileName, file.errorString()));
    exchange::TXmlReader xml(&file);
    xml.NextStart(); // the root
    TImport import(Flows, Prompt);
    bool completed = false;
    {
        TProgressRun progress(Prompt, UiString(usImportingRepositoryXml), shape.Entries);
        completed = shape.Tmx ? ImportTmx(import, xml) : ImportXmlTable(import, xml);
    }
    if (Entries) *Entries = import.FEntries;
    return completed;
}

QString EncodeCString(QStringView Text)
{
    static const char* const kControls = "abtnvfr"; // 7 to 13
    QString out;
    out.reserve(Text.size() + 2);
    out += QLatin1Char('"');
    for (QChar c : Text) {
        const ushort u = c.unicode();
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (u >= 7 && u <= 13) {
            out += QLatin1Char('\\');
            out += QLatin1Char(kControls[u - 7]);
        } else if (u < 32) {
            out += QLatin1String("\\x") + QString::number(u, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString EncodeDelphiString(QStringView Text)
{
    // Quotes and control characters become '#n' parts; the empty parts this
    // leaves ('') are then dropped. Every control character is coded, as XML
    // cannot hold most of them as they are.
    QString out;
    out.reserve(Text.size() + 2);
    out += QLatin1Char('\'');
    for (QChar c : Text) {
        if (c == QLatin1Char('\'') || c.unicode() < 32)
            out += QLatin1String("'#") + Dec(c.unicode()) + QLatin1Char('\'');
        else
            out += c;
    }
    out += QLatin1Char('\'');
    out.replace(QLatin1String("''"), QString());
    return out.isEmpty() ? QStringLiteral("''") : out;
}

QString DecodeCString(QStringView Text)
{
    if (!Text.startsWith(QLatin1Char('"'))) throw ERepExchangeError(QStringLiteral("C-string expected!"));
    QString out;
    qsizetype i = 1;
    for (;;) {
        if (i >= Text.size()) throw ERepExchangeError(QStringLiteral("Trailing quote missing!"));
        const QChar c = Text[i++];
        if (c == QLatin1Char('"')) break;
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (i >= Text.size()) throw ERepExchangeError(QStringLiteral("Trailing quote missing!"));
        const QChar e = Text[i++];
        static const QString kEscapes = QStringLiteral("abtnvfr");
        const qsizetype control = kEscapes.indexOf(e);
        if (control >= 0) {
            out += QChar(char16_t(7 + control));
        } else if (e == QLatin1Char('x')) {
            bool ok = false;
            const ushort code = Text.mid(i, 2).toUShort(&ok, 16);
            if (!ok || i + 2 > Text.size())
                throw ERepExchangeError(QStringLiteral("c-syntax error: ") + Text.mid(i - 2).toString());
            out += QChar(char16_t(code));
            i += 2;
        } else {
            out += e; // \" \\ and any other character stand for themselves
        }
    }
    if (i < Text.size()) throw ERepExchangeError(QStringLiteral("c-syntax error: ") + Text.mid(i).toString());
    return out;
}

QString DecodeDelphiString(QStringView Text)
{
    QString out;
    qsizetype i = 0;
    auto skipSpaces = [&]() {
        while (i < Text.size() && Text[i].isSpace()) ++i;
    };
    skipSpaces();
    if (i >= Text.size()) return out; // an empty element
    if (Text[i] != QLatin1Char('\'') && Text[i] != QLatin1Char('#'))
        throw ERepExchangeError(QStringLiteral("Dfn-string expected!"));
    while (i < Text.size()) {
        if (Text[i] == QLatin1Char('\'')) {
            ++i;
            for (;;) {
                if (i >= Text.size()) throw ERepExchangeError(QStringLiteral("Trailing quote missing!"));
                if (Text[i] == QLatin1Char('\'')) {
                    // '' inside a part is a quote
                    if (i + 1 < Text.size() && Text[i + 1] == QLatin1Char('\'')) {
                        out += QLatin1Char('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += Text[i++];
            }
        } else if (Text[i] == QLatin1Char('#')) {
            ++i;
            const bool hex = i < Text.size() && Text[i] == QLatin1Char('$');
            if (hex) ++i;
            const qsizetype start = i;
            while (i < Text.size() && (hex ? isxdigit(Text[i].unicode()) : Text[i].isDigit()) &&
                   Text[i].unicode() < 128)
                ++i;
            bool ok = false;
            const uint code = Text.mid(start, i - start).toUInt(&ok, hex ? 16 : 10);
            if (!ok || code > 0x10FFFF) throw ERepExchangeError(QStringLiteral("Hash without trailing number!"));
            const char32_t c = code;
            out += QString::fromUcs4(&c, 1);
        } else {
            throw ERepExchangeError(QStringLiteral("dfn-syntax error: ") + Text.mid(i).toString());
        }
        skipSpaces();
    }
    return out;
}
