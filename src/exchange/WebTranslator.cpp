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
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTimer>
#include <QUrl>

namespace {

const QString kPath = QStringLiteral("/language/translate/v2");
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

TWebTranslator::TWebTranslator(TWebTranslatorOptions Options) : FOptions(std::move(Options))
{
    // Only a host (and port) is taken, so the key can go nowhere but to it,
    // over HTTPS, on the service's path.
    const QUrl url(QStringLiteral("https://") + FOptions.Host, QUrl::StrictMode);
    if (FOptions.Host.trimmed().isEmpty() || !url.isValid() || url.host().isEmpty() || !url.path().isEmpty() ||
        url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty())
        throw EWebTranslateError(UiString(usWebNoHost, {FOptions.Host}));
    FHostPart = url.host();
    FPort = url.port();
    FNetwork = std::make_unique<QNetworkAccessManager>();
}

TWebTranslator::~TWebTranslator() = default;

TWebTranslation TWebTranslator::Request(const QString& Query, const QString& Source, const QString& Target)
{
    // The key is encoded only where it would otherwise change the query.
    const QByteArray query = "key=" + QUrl::toPercentEncoding(FOptions.Key) +
                             "&format=text&q=" + WebQueryEncode(Query) + "&source=" + WebQueryEncode(Source) +
                             "&target=" + WebQueryEncode(Target);
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(FHostPart);
    url.setPort(FPort);
    url.setPath(kPath);
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, kUserAgent);
    request.setRawHeader("Referer", kReferer);
    // A redirect is an answer like any other: the key is never sent on.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);

    QNetworkReply* reply = FNetwork->get(request);
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
    bool cancelled = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!cancelled && FCancelled && FCancelled()) {
            cancelled = true;
            loop.quit();
        }
    });
    if (!reply->isFinished()) {
        deadline.start(FOptions.TimeoutMs);
        if (FCancelled) poll.start();
        loop.exec();
    }
    if (cancelled) return {{}, {}, true};
    if (!reply->isFinished())
        throw EWebTranslateError(UiString(usWebTimeout, {QString::number((FOptions.TimeoutMs + 999) / 1000)}));

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        // Qt's error texts may quote the whole URL; the key stays out of messages.
        QString reason = reply->errorString();
        for (const QString& form : {url.toString(), url.toDisplayString(), QString::fromLatin1(url.toEncoded())})
            reason.replace(form, QStringLiteral("https://%1%2").arg(url.authority(), kPath));
        if (!FOptions.Key.isEmpty()) reason.replace(FOptions.Key, QStringLiteral("(key)"));
        throw EWebTranslateError(UiString(usWebUnreachable, {reason}));
    }
    const int code = status.toInt();
    if (code >= 400) throw EWebTranslateError(StatusLine(*reply, code));
    if (code != 200) return {StatusLine(*reply, code), {}};

    // The answer is JSON: its escapes are decoded, and anything else is no translation.
    QJsonParseError error;
    const QJsonDocument answer = QJsonDocument::fromJson(reply->readAll(), &error);
    const QJsonValue text = answer.object()
                                .value(QLatin1String("data"))
                                .toObject()
                                .value(QLatin1String("translations"))
                                .toArray()
                                .at(0)
                                .toObject()
                                .value(QLatin1String("translatedText"));
    if (error.error != QJsonParseError::NoError || !text.isString())
        return {QStringLiteral("The web translation service gave an answer without a translation"), {}};
    return {{}, text.toString()};
}

TWebTranslation TWebTranslator::TranslateLine(const QString& Line, const QString& Source, const QString& Target)
{
    // Decoration and format specifiers around the core stay out of the
    // request; a "%" inside goes as "[[[", which the service leaves alone.
    const TCoreBounds bounds = FindCoreBounds(Line);
    QString core = bounds.Empty() ? QString() : Line.mid(bounds.Start - 1, bounds.End - bounds.Start + 1);
    core.remove(QLatin1Char('&'));
    core.replace(QLatin1Char('%'), QLatin1String("[[["));
    if (core.isEmpty() || core.size() > 1800) return {{}, Line};

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
    const QString source = GetLocaleInfoText(SourceLocale, LOCALE_SISO639LANGNAME);
    const QString target = GetLocaleInfoText(TargetLocale, LOCALE_SISO639LANGNAME);
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

TWebTranslateAllResult WebTranslateAll(TLangFileProject& Project, int LangIndex, TWebTranslator& Translator,
                                       TPrompt& Prompt)
{
    const int locNat = Project.LangFiles()[0]->Locale(), locCur = Project.LangFiles()[LangIndex]->Locale();
    TWebTranslateAllResult result;
    {
        const TProgressRun progress(Prompt, UiString(usTranslatingByGoogle),
                                    PropertyCount(Project) + ConstantCount(Project) + ExtItemCount(Project));
        qint64 position = 0;
        Translator.SetCancelCheck([&] { return !Prompt.ProgressStep(position); });
        const auto restore = qScopeGuard([&] { Translator.SetCancelCheck({}); });
        const auto translate = [&](TLocItem& item) {
            if (result.Cancelled) return;
            // Non-textual values (numbers, sets, names of identifiers) are no phrases to translate.
            if (!SkippedByTranslateAll(item, LangIndex, false)) {
                const TWebTranslation r = Translator.WebTranslate(item.MainValue()->Value(), locNat, locCur);
                result.Cancelled = r.Cancelled;
                if (r.Ok() && !r.ResultText.isEmpty() && ApplyTranslation(Project, LangIndex, item, r.ResultText))
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
