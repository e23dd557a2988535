#include "exchange/WebTranslator.h"

#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LangFile.h"
#include "langfile/LangFileProject.h"
#include "repository/ProjectItems.h"
#include "repository/RepositoryFlows.h"
#include "repository/SmartCore.h"
#include "storage/Locales.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTimer>
#include <QUrl>

namespace {

const QByteArray kUserAgent = QByteArrayLiteral("PhraseDesk/" PHRASEDESK_VERSION);
const QByteArray kReferer = QByteArrayLiteral("https://phrasedesk.invalid/");
constexpr int kCancelPollMs = 50;

bool KeptInQuery(uchar c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '*' || c == '-' || c == '.' || c == '/' ||
           c == ':' || c == '=' || c == '?' || c == '@' || c == '_';
}

// The status line of an answer: Qt hands over code and reason, not the
// protocol text; HTTP/2 answers carry no reason.
QString StatusLine(const QNetworkReply& Reply, int Status)
{
    const bool http2 = Reply.attribute(QNetworkRequest::Http2WasUsedAttribute).toBool();
    const QString reason = Reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    return QStringLiteral("%1 %2 %3")
        .arg(http2 ? QStringLiteral("HTTP/2") : QStringLiteral("HTTP/1.1"))
        .arg(Status)
        .arg(reason)
        .trimmed();
}

bool IsLoopback(const QString& Host)
{
    const QHostAddress address(Host);
    return Host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           (!address.isNull() && address.isLoopback());
}

} // namespace

QByteArray WebQueryEncode(const QString& Text)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char ch : Text.toUtf8()) {
        const auto c = uchar(ch);
        if (KeptInQuery(c)) {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

TWebTranslator::TWebTranslator(TWebTranslatorOptions Options)
    : FOptions(std::move(Options)), FProvider(MtProvider(FOptions.Provider))
{
    // Only a scheme and a host (and port) are taken, so the key can go
    // nowhere but to it, on the engine's path.
    QString host = FOptions.Host.trimmed();
    FScheme = FProvider.PlainHttpByDefault() ? QStringLiteral("http") : QStringLiteral("https");
    for (const QString& scheme : {QStringLiteral("http"), QStringLiteral("https")}) {
        const QString prefix = scheme + QLatin1String("://");
        if (host.startsWith(prefix, Qt::CaseInsensitive)) {
            FScheme = scheme;
            host = host.mid(prefix.size());
        }
    }
    const QUrl url(FScheme + QLatin1String("://") + host, QUrl::StrictMode);
    if (host.isEmpty() || !url.isValid() || url.host().isEmpty() || !url.path().isEmpty() || url.hasQuery() ||
        url.hasFragment() || !url.userInfo().isEmpty())
        throw EWebTranslateError(UiString(usWebNoHost, {FOptions.Host}));
    FHostPart = url.host();
    FPort = url.port();
    // Plain HTTP is for an engine on this machine or one that wants no key:
    // a key would cross the network readable by anyone on the way.
    if (FScheme == QLatin1String("http") && !FOptions.Key.isEmpty() && !IsLoopback(FHostPart))
        throw EWebTranslateError(UiString(usMtKeyOverHttp, {FOptions.Host}));
    FNetwork = std::make_unique<QNetworkAccessManager>();
}

TWebTranslator::~TWebTranslator() = default;

TWebTranslator::TAnswer TWebTranslator::Send(const TMtHttpRequest& Ask)
{
    QUrl url;
    url.setScheme(FScheme);
    url.setHost(FHostPart);
    url.setPort(FPort);
    url.setPath(Ask.Path);
    if (!Ask.Query.isEmpty()) url.setQuery(QString::fromLatin1(Ask.Query), QUrl::StrictMode);

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, kUserAgent);
    request.setRawHeader("Referer", kReferer);
    for (const auto& [name, value] : Ask.Headers) request.setRawHeader(name, value);
    // A redirect is an answer like any other: the key is never sent on.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = nullptr;
    if (Ask.Body.isEmpty()) {
        reply = FNetwork->get(request);
    } else {
        request.setHeader(QNetworkRequest::ContentTypeHeader, Ask.ContentType);
        reply = FNetwork->post(request, Ask.Body);
    }
    const auto release = qScopeGuard([reply] {
        if (!reply->isFinished()) reply->abort();
        delete reply;
    });

    // Wait without blocking the event loop: windows paint, Cancel answers.
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer poll;
    poll.setInterval(kCancelPollMs);
    TAnswer answer;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!answer.Cancelled && FCancelled && FCancelled()) {
            answer.Cancelled = true;
            loop.quit();
        }
    });
    if (!reply->isFinished()) {
        deadline.start(FOptions.TimeoutMs);
        if (FCancelled) poll.start();
        loop.exec();
    }
    if (answer.Cancelled) return answer;
    if (!reply->isFinished())
        throw EWebTranslateError(UiString(usWebTimeout, {QString::number((FOptions.TimeoutMs + 999) / 1000)}));

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        // Qt's error texts may quote the whole URL; the key stays out of messages.
        QString reason = reply->errorString();
        for (const QString& form : {url.toString(), url.toDisplayString(), QString::fromLatin1(url.toEncoded())})
            reason.replace(form, QStringLiteral("%1://%2%3").arg(FScheme, url.authority(), Ask.Path));
        if (!FOptions.Key.isEmpty()) reason.replace(FOptions.Key, QStringLiteral("(key)"));
        throw EWebTranslateError(UiString(usWebUnreachable, {reason}));
    }
    answer.Status = status.toInt();
    answer.StatusLine = StatusLine(*reply, answer.Status);
    answer.Body = reply->readAll();
    if (answer.Status >= 400) {
        // The engine's own words say what is wrong (a key, a quota, a pair).
        const QString message = MtErrorMessage(answer.Body);
        throw EWebTranslateError(message.isEmpty() ? answer.StatusLine
                                                   : answer.StatusLine + QLatin1String(": ") + message);
    }
    return answer;
}

TWebTranslation TWebTranslator::Request(const QString& Query, const QString& Source, const QString& Target)
{
    const TAnswer answer = Send(FProvider.TranslateRequest(Query, Source, Target, FOptions.Key));
    if (answer.Cancelled) return {{}, {}, true};
    if (answer.Status != 200) return {answer.StatusLine, {}};
    // The answer is JSON: its escapes are decoded, and anything else is no translation.
    const std::optional<QString> text = FProvider.ReadTranslation(answer.Body);
    if (!text) return {UiString(usMtNoTranslation, {FProvider.Name()}), {}};
    return {{}, *text};
}

const QStringList& TWebTranslator::Languages()
{
    if (!FLanguages) {
        const TAnswer answer = Send(FProvider.LanguagesRequest(FOptions.Key));
        if (answer.Cancelled) throw EWebTranslateError(UiString(usTranslationTerminated));
        if (answer.Status != 200) throw EWebTranslateError(answer.StatusLine);
        FLanguages = FProvider.ReadLanguages(answer.Body);
        if (!FLanguages) throw EWebTranslateError(UiString(usMtNoLanguageList, {FProvider.Name()}));
    }
    return *FLanguages;
}

QString TWebTranslator::CheckServes(int SourceLocale, int TargetLocale)
{
    const QString source = FProvider.LanguageCode(SourceLocale, false);
    const QString target = FProvider.LanguageCode(TargetLocale, true);
    if (!source.isEmpty() && !target.isEmpty() && FProvider.Serves(Languages(), source, target)) return {};
    return UiString(usMtPairMissing,
                    {FProvider.Name(), LocaleEnglishName(SourceLocale), LocaleEnglishName(TargetLocale)});
}

TWebTranslation TWebTranslator::TranslateLine(const QString& Line, const QString& Source, const QString& Target)
{
    // Decoration and format specifiers around the core stay out of the
    // request; a "%" inside goes as "[[[", which the service leaves alone.
    const TCoreBounds bounds = FindCoreBounds(Line);
    QString core = bounds.Empty() ? QString() : Line.mid(bounds.Start - 1, bounds.End - bounds.Start + 1);
    core.remove(QLatin1Char('&'));
    core.replace(QLatin1Char('%'), QLatin1String("[[["));
    if (core.isEmpty() || core.size() > FProvider.MaxLength()) return {{}, Line};

    TWebTranslation result = Request(core, Source, Target);
    if (!result.Ok()) return result;
    const QString lower = core.toLower();
    if (result.ResultText == core && lower != core) {
        // The service tends to keep capitalised words it takes for names.
        const TWebTranslation retry = Request(lower, Source, Target);
        if (!retry.Ok()) return retry;
        if (retry.ResultText != lower) result.ResultText = retry.ResultText;
    }
    result.ResultText.replace(QLatin1String("[[["), QLatin1String("%"));
    result.ResultText = WrapInDecoration(Line, bounds, result.ResultText);
    return result;
}

TWebTranslation TWebTranslator::WebTranslate(const QString& Text, int SourceLocale, int TargetLocale)
{
    const QString source = FProvider.LanguageCode(SourceLocale, false);
    const QString target = FProvider.LanguageCode(TargetLocale, true);
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = Text.split(lineBreak);
    for (QString& line : lines) {
        if (line.isEmpty()) continue;
        const TWebTranslation r = TranslateLine(line, source, target);
        if (!r.Ok()) return r;
        line = r.ResultText;
    }
    return {{}, lines.join(QLatin1String("\r\n"))};
}

bool ApplyMachineTranslation(TLangFileProject& Project, int LangIndex, TLocItem& Item, const QString& Translation,
                             TMtStore Store)
{
    if (Store == msTranslated) return ApplyTranslation(Project, LangIndex, Item, Translation);
    TFuzzyMatch draft;
    draft.Score = kMachineDraftScore;
    draft.Translation = Translation;
    return ApplyFuzzyMatch(Project, LangIndex, Item, draft);
}

TWebTranslateAllResult WebTranslateAll(TLangFileProject& Project, int LangIndex, TWebTranslator& Translator,
                                       TPrompt& Prompt, TMtStore Store)
{
    const int locNat = Project.LangFiles()[0]->Locale(), locCur = Project.LangFiles()[LangIndex]->Locale();
    TWebTranslateAllResult result;
    {
        const TProgressRun progress(Prompt, UiString(usTranslatingBy, {Translator.Provider().Name()}),
                                    PropertyCount(Project) + ConstantCount(Project) + ExtItemCount(Project));
        qint64 position = 0;
        Translator.SetCancelCheck([&] { return !Prompt.ProgressStep(position); });
        const auto restore = qScopeGuard([&] { Translator.SetCancelCheck({}); });
        const auto translate = [&](TLocItem& item) {
            if (result.Cancelled) return;
            // Non-textual values (numbers, sets, names of identifiers) are no
            // phrases to translate; a draft (from the memory or an earlier
            // run) waits for its reviewer.
            if (!SkippedByTranslateAll(item, LangIndex, false) && item.Values().Items(LangIndex)->FuzzyScore() == 0 &&
                !item.MainValue()->Value().isEmpty()) {
                const TWebTranslation r = Translator.WebTranslate(item.MainValue()->Value(), locNat, locCur);
                result.Cancelled = r.Cancelled;
                if (!r.Cancelled && (!r.Ok() || r.ResultText.isEmpty()))
                    ++result.Failed;
                else if (r.Ok() && ApplyMachineTranslation(Project, LangIndex, item, r.ResultText, Store))
                    ++result.Changed;
            }
            result.Cancelled = result.Cancelled || !Prompt.ProgressStep(++position);
        };
        ForEachProperty(Project, translate);
        ForEachConstant(Project, translate);
        ForEachExtItem(Project, translate);
    }
    if (result.Cancelled) Prompt.Message(mkInformation, UiString(usTranslationTerminated), mbOK, mrOk);
    return result;
}
