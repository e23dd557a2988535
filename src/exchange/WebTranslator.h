#pragma once

#include "core/VocabrixError.h"
#include "exchange/MtProviders.h"
#include "storage/LocStorage.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class TLangFileProject;
class TLocItem;
class TPrompt;

// A request the web translation service refused (status 400 or higher), a
// transport or TLS failure, a request without answer in time, or a host
// setting that is no host. Ends the whole run.
VOCABRIX_ERROR(EWebTranslateError, EVocabrixError);

// The real Google service's host; the "GoogleAPIHost" setting may name a
// compatible self-hosted one.
inline const QString DefaultWebTranslateHost = QStringLiteral("translation.googleapis.com");
constexpr int DefaultWebTranslateTimeoutMs = 30000;

struct TWebTranslatorOptions {
    TMtProviderKind Provider = mpGoogle;
    QString Key;
    // host or host:port, reached over HTTPS (Apertium: plain HTTP); "http://"
    // or "https://" in front chooses. A key never goes over plain HTTP to
    // another machine.
    QString Host = DefaultWebTranslateHost;
    int TimeoutMs = DefaultWebTranslateTimeoutMs; // for each request, from sending to the whole answer
};

// The answer for one text. An error text (an answer the service gave with
// another status than 200, or one that is not its JSON) leaves the text
// untranslated and lets a run go on.
struct TWebTranslation {
    QString ErrorText;
    QString ResultText;     // the translation when ErrorText is empty
    bool Cancelled = false; // the user stopped the run while a request waited
    bool Ok() const { return !Cancelled && ErrorText.isEmpty(); }
};

// The query's percent-encoding of a text: UTF-8, keeping only ASCII letters
// and * - . / : = ? @ _ as they are, every other byte as %XX.
QByteArray WebQueryEncode(const QString& Text);

// The machine translation client, asking the engine of Options.Provider. A
// request waits in a local event loop, so windows keep painting and a Cancel
// button answers; Cancelled is asked every few tens of milliseconds while it
// waits.
class TWebTranslator {
public:
    explicit TWebTranslator(TWebTranslatorOptions Options);
    ~TWebTranslator();
    TWebTranslator(const TWebTranslator&) = delete;
    TWebTranslator& operator=(const TWebTranslator&) = delete;

    const TWebTranslatorOptions& Options() const { return FOptions; }
    const TMtProvider& Provider() const { return FProvider; }
    void SetCancelCheck(std::function<bool()> Cancelled) { FCancelled = std::move(Cancelled); }

    // Translates Text line by line from SourceLocale to TargetLocale (language
    // identifiers; only their ISO 639 languages are sent). Throws
    // EWebTranslateError as described above.
    TWebTranslation WebTranslate(const QString& Text, int SourceLocale, int TargetLocale);

    // The languages (Apertium: the pairs) the engine serves, asked once per
    // client. Throws EWebTranslateError when the engine cannot tell.
    const QStringList& Languages();
    // Whether the engine serves this direction; an empty text when it does,
    // else the message saying which pair it lacks. Asks Languages().
    QString CheckServes(int SourceLocale, int TargetLocale);

private:
    struct TAnswer {
        bool Cancelled = false;
        int Status = 0;
        QString StatusLine;
        QByteArray Body;
    };
    // Sends a request and waits; throws on transport failures, timeouts and
    // statuses of 400 and above.
    TAnswer Send(const TMtHttpRequest& Request);
    // One request for the text of one line's core; ErrorText or ResultText.
    TWebTranslation Request(const QString& Query, const QString& Source, const QString& Target);
    TWebTranslation TranslateLine(const QString& Line, const QString& Source, const QString& Target);

    TWebTranslatorOptions FOptions;
    const TMtProvider& FProvider;
    QString FScheme;
    QString FHostPart; // the checked host (and port) of the URLs
    int FPort = -1;
    std::optional<QStringList> FLanguages;
    std::function<bool()> FCancelled;
    std::unique_ptr<QNetworkAccessManager> FNetwork;
};

// Machine output is a draft unless the user wants it stored as translated:
// the draft mark of the fuzzy fills with the one score no fill takes, the
// value left untranslated, so statistics and checks still show the work.
enum TMtStore { msDraft, msTranslated };
constexpr int kMachineDraftScore = kLowestFuzzyFillScore;
inline bool IsMachineDraft(int FuzzyScore) { return FuzzyScore == kMachineDraftScore; }
// Sets machine output into column LangIndex as Store says. False when nothing changed.
bool ApplyMachineTranslation(TLangFileProject& Project, int LangIndex, TLocItem& Item, const QString& Translation,
                             TMtStore Store);

// "Translate All by <provider>" over column LangIndex: properties, constants
// and external items whose value is neither verified nor untranslatable nor
// translated nor a draft already get the native value's translation. Progress
// goes to Prompt ("Translating by <provider>"), whose Cancel ends the run
// with "Translation has been terminated by user". Failed counts the texts the
// engine gave no translation for.
struct TWebTranslateAllResult {
    int Changed = 0;
    int Failed = 0;
    bool Cancelled = false;
};
TWebTranslateAllResult WebTranslateAll(TLangFileProject& Project, int LangIndex, TWebTranslator& Translator,
                                       TPrompt& Prompt, TMtStore Store = msDraft);
