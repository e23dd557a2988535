#pragma once

#include "core/VocabrixError.h"
#include "storage/LocStorage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

VOCABRIX_ERROR(ELocFormProcessorError, EVocabrixError);

class TResProcessor;

// Value codes of the binary component stream ("TPF0"); named apart from the
// grid's cell value types, which share a program with them.
enum TStreamValue : uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
    vaDouble = 21,
};

// Appends values in the component stream format to a byte buffer.
class TQWriter {
public:
    explicit TQWriter(QByteArray& Dest) : FDest(Dest) {}

    void WriteValue(TStreamValue Value) { FDest.append(char(Value)); }
    void WriteBytes(const char* Data, qsizetype Size) { FDest.append(Data, Size); }
    // A short string: 1-byte length and the bytes (names, identifiers).
    void WriteStr(const QByteArray& Bytes);
    // The smallest of vaInt8/16/32 that holds the value; vaInt64 beyond 32 bits.
    void WriteInteger(int64_t Value);
    // An identifier; a text of decimal digits only is written as an integer.
    void WriteIdent(const QByteArray& Ident);
    // vaUTF8String when the UTF-8 form is shorter than twice the length and
    // not plain ASCII, vaString/vaLString when it is ASCII, else vaWString.
    void WriteUnicodeString(const QString& Text);
    // The text in the ANSI code page of Locale: vaLString from 256 bytes on, else vaString.
    void WriteAnsiString(const QString& WS, int Locale);
    void WriteExtended(double Value);
    void WriteSingle(float Value);
    void WriteDouble(double Value);
    void WriteCurrency(int64_t Scaled); // the value times 10000

private:
    // vaString up to 255 bytes, vaLString beyond.
    void WriteByteString(const QByteArray& Bytes);
    template <class T> void Put(T v)
    {
        FDest.append(reinterpret_cast<const char*>(&v), sizeof(T)); // host is little-endian
    }

    QByteArray& FDest;
};

// 80-bit extended floats as the stream stores them.
double ExtendedToDouble(const char* Bytes);
void DoubleToExtended(double Value, char* Bytes);

// One property of a form stream as read, named as the translation looks it up.
struct TFormProperty {
    QString ComponentName; // storage name of the component; empty for the form itself
    QString ClassName;     // class of the object; for a collection item, of the object holding the collection
    QString Name;          // as in the stream, dotted for nested objects ("Font.Size", "Items.Strings")
    TLocValueType Type = ptString;
    QString Value; // the value as text; the lines joined by CR LF for a string list
};
using TFormPropertyVisitor = std::function<void(const TFormProperty& Property)>;

// One object of a form stream as the reading walk enters it.
struct TFormObjectInfo {
    QString ClassName;     // as in the stream, without a position
    QString Name;          // as in the stream; empty for an unnamed object
    QString ComponentName; // storage name of the component; empty for the form itself
    bool Inline = false;   // a frame placed on its parent
};

// What a reading walk reports: each object is entered, its properties are
// visited, its children entered and left, then it is left itself.
struct TFormReadHooks {
    TFormPropertyVisitor Property;
    std::function<void(const TFormObjectInfo& Object)> EnterObject;
    std::function<void()> LeaveObject;
};

class TLocFormProcessor;
using TLocBeforeProcessingEvent =
    std::function<void(TLocFormProcessor* Sender, const QString& FormName, bool& Process)>;
using TLocAfterProcessingEvent = std::function<void(TLocFormProcessor* Sender, const QString& FormName)>;

// Rewrites binary form resources with the property values of one language
// column of a storage. The output equals the source byte for byte except for
// replaced values, added properties, re-encoded integers and strings, and the
// character set and reading direction adapted to the target language.
class TLocFormProcessor {
public:
    TLocFormProcessor() = default;

    TLocStorage* LocStorage() const { return FLocStorage; }
    void SetLocStorage(TLocStorage* v) { FLocStorage = v; }
    int LangIndex() const { return FLangIndex; }
    void SetLangIndex(int v) { FLangIndex = v; }
    uint16_t LangLocale() const { return FLangLocale; }
    void SetLangLocale(uint16_t v) { FLangLocale = v; }
    const QStringList& PrjForms() const { return FPrjForms; }
    void SetPrjForms(const QStringList& v) { FPrjForms = v; }
    bool Updating() const { return FUpdating; }
    bool ProcessCharset() const { return FProcessCharset; }
    void SetProcessCharset(bool v) { FProcessCharset = v; }
    bool ProcessBiDiMode() const { return FProcessBiDiMode; }
    void SetProcessBiDiMode(bool v) { FProcessBiDiMode = v; }
    bool UnicodeProject() const { return FUnicodeProject; }
    // A Unicode project writes strings as Unicode and keeps font character sets.
    void SetUnicodeProject(bool v)
    {
        FUnicodeProject = v;
        FProcessCharset = !v;
    }
    bool ShowUntranslatedAsIs() const { return FShowUntranslatedAsIs; }
    void SetShowUntranslatedAsIs(bool v) { FShowUntranslatedAsIs = v; }
    bool ProcessFRComponents() const { return FProcessFRComponents; }
    void SetProcessFRComponents(bool v) { FProcessFRComponents = v; }
    void SetBeforeFormProcessing(TLocBeforeProcessingEvent e) { FBeforeFormProcessing = std::move(e); }
    void SetAfterFormProcessing(TLocAfterProcessingEvent e) { FAfterFormProcessing = std::move(e); }

    // Translates, inside RP, the resource of every form named in PrjForms.
    void UpdateFormsByResource(TResProcessor& RP);
    // The same for one form: the RCDATA item "T" + the name in capitals, else
    // "TME" + the name; a form without either is skipped. On an error the
    // item keeps its content.
    void UpdateFormByResource(TResProcessor& RP, const QString& FormName);
    // Translates one form stream into Dest. Returns false (Dest untouched)
    // when BeforeFormProcessing declined the form.
    bool UpdateBinStream(const QByteArray& Src, QByteArray& Dest);
    // Reads one form stream without translating it and hands every property
    // (collection items included) to Visit, with the component names the
    // translation uses; 8-bit strings are read in the code page of Locale.
    // Returns the form's name. Raises like the translation.
    static QString ReadFormProperties(const QByteArray& Src, uint16_t Locale, const TFormPropertyVisitor& Visit);
    // The same walk with the objects reported as well.
    static QString ReadForm(const QByteArray& Src, uint16_t Locale, const TFormReadHooks& Hooks);

private:
    struct TObjectHeader;
    class TWalk;
    friend class TWalk;

    void PrepareLanguage();
    // FFormName names the form in messages until the stream gives its name.
    bool Translate(const QByteArray& Src, QByteArray& Dest);

    TLocStorage* FLocStorage = nullptr;
    int FLangIndex = 0;
    uint16_t FLangLocale = 0;
    QStringList FPrjForms;
    bool FUpdating = false;
    bool FProcessCharset = false;
    bool FProcessBiDiMode = true;
    bool FUnicodeProject = true;
    bool FShowUntranslatedAsIs = true;
    bool FProcessFRComponents = true;
    QByteArray FLangCharsetValue;
    bool FLangIsMiddleEast = false;
    int FSourceCodePage = 0; // code page of the stream's 8-bit strings (the native language's)
    QString FFormName;
    TLocBeforeProcessingEvent FBeforeFormProcessing;
    TLocAfterProcessingEvent FAfterFormProcessing;
    TFormReadHooks FHooks;    // set while ReadForm runs
    uint16_t FReadLocale = 0; // language of the stream's 8-bit strings there
};
