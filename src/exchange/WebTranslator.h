#pragma once

#include "core/VocabrixError.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class TLangFileProject;
class TPrompt;

// A request the web translation service refused (status 400 or higher), a
// transport or TLS failure, a request without answer in time, or a host
// setting that is no host. Ends the whole run.
VOCABRIX_ERROR(EWebTranslateError, EVocabrixError);

// The real service's host; the "GoogleAPIHost" setting may name a compatible
// self-hosted one (host or host:port, always reached over HTTPS).
inline const QString DefaultWebTranslateHost = QStringLiteral("translation.googleapis.com");
constexpr int DefaultWebTranslateTimeoutMs = 30000;

struct TWebTranslatorOptions {
    QString Key;
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

// The client of the Google Translate v2 REST interface. A request waits in a
// local event loop, so windows keep painting and a Cancel button answers;
// Cancelled is asked every few tens of milliseconds while it waits.
class TWebTranslator {
public:
    explicit TWebTranslator(TWebTranslatorOptions Options);
    ~TWebTranslator();
    TWebTranslator(const TWebTranslator&) = delete;
    TWebTranslator& operator=(const TWebTranslator&) = delete;

    const TWebTranslatorOptions& Options() const { return FOptions; }
    void SetCancelCheck(std::function<bool()> Cancelled) { FCancelled = std::move(Cancelled); }

    // Translates Text line by line from SourceLocale to TargetLocale (language
    // identifiers; only their ISO 639 languages are sent). Throws
    // EWebTranslateError as described above.
    TWebTranslation WebTranslate(const QString& Text, int SourceLocale, int TargetLocale);

private:
    // One request for the text of one line's core; ErrorText or ResultText.
    TWebTranslation Request(const QString& Query, const QString& Source, const QString& Target);
    TWebTranslation TranslateLine(const QString& Line, const QString& Source, const QString& Target);

    TWebTranslatorOptions FOptions;
    QString FHostPart; // the checked host (and port) of the URLs
    int FPort = -1;
    std::function<bool()> FCancelled;
    std::unique_ptr<QNetworkAccessManager> FNetwork;
};

// "Translate All by Google" over column LangIndex: properties, constants and
// external items whose value is neither verified nor untranslatable nor
// translated get the native value's translation, stamped as an edit. Progress
// goes to Prompt ("Translating by Google"), whose Cancel ends the run with
// "Translation has been terminated by user". Returns how many values changed.
struct TWebTranslateAllResult {
    int Changed = 0;
    bool Cancelled = false;
};
TWebTranslateAllResult WebTranslateAll(TLangFileProject& Project, int LangIndex, TWebTranslator& Translator,
                                       TPrompt& Prompt);
