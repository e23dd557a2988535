#pragma once

#include "repository/Repository.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class TLangFileProject;
class TLocItem;
class TPrompt;

// What adding does when the repository has other translations of the text.
enum TRepRefreshExisting { reAppend = 0, reSkip = 1, reAsk = 2 };

// The repository options of the settings ("Rep..." values).
struct TRepositoryOptions {
    bool TranslateAll = false;                   // "RepTranslateAll": also overwrite translated values
    bool AutoTranslate = false;                  // "RepAutoTranslate": translate a language being created
    bool AutoRefreshByCell = false;              // "RepAutoRefreshByCell": add every edited cell
    TRepRefreshExisting RefreshExisting = reAsk; // "RepRefreshExisting"
    bool AskTranslating = true;                  // "RepAskTranslating": let the user choose among several
    bool AddTheSame = false;                     // "RepAddTheSame": add translations equal to their native text
    bool Smart = true;                           // "RepSmart": work on the core of texts
    bool IndicateInGrid = true;                  // "RepIndicateInGrid": availability marks in the grid

    static TRepositoryOptions Read(); // from the program's settings
    void Write() const;
};

// The answer for all items of one run (the modal result of the dialogs).
enum TRepAnswer { raNone, raYes, raNo, raYesToAll, raNoToAll, raCancel };

// The refresh dialog's question: adding a pair whose native text has other
// translations, or choosing among several translations of a text.
struct TRefreshQuestion {
    bool Translating = false; // false: adding
    QString NativeText;
    QString Translation; // the new text (adding) or the current value (translating)
    QStringList Found;   // the translations already in the repository
    int NativeLocale = 0;
    int TargetLocale = 0;
    bool Plural = false; // offer the answers for all items
};
struct TRefreshReply {
    TRepAnswer Answer = raCancel;
    bool Update = false; // adding: edit the record of the selected translation
    int Selected = 0;    // index into Found
};

// The choice of repository languages for a project's language pair: each
// list holds the project's locale and, when the repository has no field for
// it, the repository's languages of the same primary language.
struct TLanguageChoice {
    QList<int> Search; // for the native locale
    QList<int> Target; // for the language
    int SearchLocale = 0;
    int TargetLocale = 0;
    bool Plural = false; // no "Don't ask me next time"
    bool DontAskAgain = false;
};

// The repository's questions to the user; the editor answers with dialogs.
class TRepositoryPrompt {
public:
    virtual ~TRepositoryPrompt() = default;
    virtual TRefreshReply AskRefresh(const TRefreshQuestion& Question) = 0;
    // Fills SearchLocale/TargetLocale (and DontAskAgain); false = cancelled.
    virtual bool AskLanguages(TLanguageChoice& Choice) = 0;
};

// No window: questions take the first entry; nothing is cancelled.
class TSilentRepositoryPrompt : public TRepositoryPrompt {
public:
    TRefreshReply AskRefresh(const TRefreshQuestion&) override { return {raYes, false, 0}; }
    bool AskLanguages(TLanguageChoice& Choice) override;
};

// Whether the repository can fill an untranslated cell: exactly (red mark)
// or through the core of the native text (yellow mark).
enum TRepAvailability { avNone, avExact, avSmart };

struct TLookupResult {
    bool Stop = false;
    QString Translation;
};

// The flows between an open project and the repository. Messages and
// progress go to Prompt, the two repository dialogs to Ask.
class TRepositoryFlows {
public:
    TRepositoryFlows(TRepository& Repository, const TRepositoryOptions& Options, TPrompt& Prompt,
                     TRepositoryPrompt& Ask);

    TRepository& Repository() const { return FRep; }
    const TRepositoryOptions& Options() const { return FOptions; }

    // Adds one pair; false when the user cancelled.
    bool RepositoryAddWord(int LocNat, int LocCur, TRepAnswer& MR, bool Plural, TQLocateOptions Options,
                           QString WordCur, QString WordNat);
    // Adds a native text's translations into several languages, each decided
    // as RepositoryAddWord decides it; the translations that go to one record
    // are written to it at once (an import entry becomes one record write,
    // not one per language). False when the user cancelled; the translations
    // decided before the cancel are still added.
    struct TTranslation {
        int Locale = 0;
        QString Text;
    };
    bool RepositoryAddWords(int LocNat, QString WordNat, const QList<TTranslation>& Translations, TRepAnswer& MR,
                            bool Plural, TQLocateOptions Options);
    // Adds an item's native text and its text in column LangIndex.
    bool RepAddWord(int LocNative, int LocCurrent, TRepAnswer& MR, bool Plural, TQLocateOptions Options,
                    const TLocItem& Item, int LangIndex);
    // The repository's translation of an item's native text into TargetLocale;
    // the current value is read from column LangIndex.
    TLookupResult LookupTranslation(int NativeLocale, int TargetLocale, const TLocItem& Item, int LangIndex,
                                    bool Plural, TRepAnswer& MR);

    // The fuzzy matches of a native text (see TRepository::FuzzyLookup)
    // in the repository's languages serving the two locales.
    static QList<TFuzzyMatch> FuzzyMatches(TRepository& Repository, int NativeLocale, int TargetLocale,
                                           const QString& Native, int Threshold, int MaxCount);

    // "Add Cell" for the given items of column LangIndex, top to bottom.
    void AddCells(TLangFileProject& Project, int LangIndex, const QList<TLocItem*>& Items);
    // "Refresh by Language": every translated string property and constant.
    void RefreshByLanguage(TLangFileProject& Project, int LangIndex);
    // "Translate Cell" for the given (writable) items; returns how many changed.
    int TranslateCells(TLangFileProject& Project, int LangIndex, const QList<TLocItem*>& Items);
    // "Translate All"; returns how many values changed. Cancelled, when
    // given, tells whether the user stopped the run.
    int TranslateAll(TLangFileProject& Project, int LangIndex, bool* Cancelled = nullptr);

    // The availability of a translation for an untranslated cell. Asks only
    // the memory index: until it is built the answer is avNone.
    static TRepAvailability Availability(TRepository& Repository, int SearchLocale, int CellLocale,
                                         const QString& NativeValue, bool Smart);

private:
    bool SameLocaleWarning(int LocNat, int LocCur);
    // Where a translation goes: a record's bookmark, 0 for a new record,
    // nothing when it is not added. Cancelled is set when the user cancelled.
    std::optional<qint32> TargetRecord(int LocNat, const QString& WordNat, const TTranslation& Translation,
                                       TRepAnswer& MR, bool Plural, TQLocateOptions Options, bool& Cancelled);

    TRepository& FRep;
    TRepositoryOptions FOptions;
    TPrompt& FPrompt;
    TRepositoryPrompt& FAsk;
};

// Whether Translate All leaves an item's value in column LangIndex alone: not
// a text, untranslatable, verified, or (unless TranslateAll) translated.
bool SkippedByTranslateAll(const TLocItem& Item, int LangIndex, bool TranslateAll);
// Whether an item's value in column LangIndex is still to be translated: a
// translatable text that is not translated.
bool CountsAsUntranslated(const TLocItem& Item, int LangIndex);
// What Translate All tells at its end, in the words of "-translate:"
// ("deu: 31 translated, 13 untranslated", Code naming the language); when it
// translated nothing, also why: a language the repository has no texts in,
// or translated values kept by the TranslateAll option.
QString TranslateAllSummary(TRepository& Repository, TLangFileProject& Project, int LangIndex, const QString& Code,
                            int Translated, bool TranslateAll);
// Sets a translation into column LangIndex as the user's edit would: value,
// time, version (translated) and the file modified. False when nothing changed.
bool ApplyTranslation(TLangFileProject& Project, int LangIndex, TLocItem& Item, const QString& Translation);
// Sets a fuzzy match's translation into column LangIndex as a draft: the value
// and its score change, it stays untranslated. False when nothing changed.
bool ApplyFuzzyMatch(TLangFileProject& Project, int LangIndex, TLocItem& Item, const TFuzzyMatch& Match);
