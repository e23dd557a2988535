#include "exchange/MtProviders.h"

#include "exchange/WebTranslator.h"
#include "storage/Locales.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <unicode/uloc.h>

namespace {

std::optional<QJsonDocument> ParseJson(const QByteArray& Body)
{
    QJsonParseError error;
    QJsonDocument doc = QJsonDocument::fromJson(Body, &error);
    if (error.error != QJsonParseError::NoError) return std::nullopt;
    return doc;
}

std::optional<QString> StringAt(const QJsonValue& Value)
{
    return Value.isString() ? std::optional<QString>(Value.toString()) : std::nullopt;
}

// Each element's string under Name; none when the array is not such a list.
std::optional<QStringList> StringsOf(const QJsonValue& Array, const QString& Name)
{
    if (!Array.isArray()) return std::nullopt;
    QStringList out;
    for (const QJsonValue& v : Array.toArray()) {
        const QJsonValue s = v.toObject().value(Name);
        if (!s.isString()) return std::nullopt;
        out << s.toString();
    }
    return out;
}

QString Iso639(int Locale) { return GetLocaleInfoText(Locale, LOCALE_SISO639LANGNAME); }

QByteArray FormValue(const QString& Text) { return QUrl::toPercentEncoding(Text); }

class TGoogleProvider : public TMtProvider {
public:
    TMtProviderKind Kind() const override { return mpGoogle; }
    QString Name() const override { return QStringLiteral("Google"); }
    QString DefaultHost(const QString&) const override { return DefaultWebTranslateHost; }
    int MaxLength() const override { return 1800; }
    QString LanguageCode(int Locale, bool) const override { return Iso639(Locale); }

    TMtHttpRequest TranslateRequest(const QString& Text, const QString& Source, const QString& Target,
                                    const QString& Key) const override
    {
        // The key is encoded only where it would otherwise change the query.
        return {QStringLiteral("/language/translate/v2"),
                "key=" + QUrl::toPercentEncoding(Key) + "&format=text&q=" + WebQueryEncode(Text) +
                    "&source=" + WebQueryEncode(Source) + "&target=" + WebQueryEncode(Target),
                {},
                {},
                {}};
    }
    std::optional<QString> ReadTranslation(const QByteArray& Body) const override
    {
        const auto doc = ParseJson(Body);
        if (!doc) return std::nullopt;
        return StringAt(doc->object()
                            .value(QLatin1String("data"))
                            .toObject()
                            .value(QLatin1String("translations"))
                            .toArray()
                            .at(0)
                            .toObject()
                            .value(QLatin1String("translatedText")));
    }
    TMtHttpRequest LanguagesRequest(const QString& Key) const override
    {
        return {QStringLiteral("/language/translate/v2/languages"), "key=" + QUrl::toPercentEncoding(Key), {}, {}, {}};
    }
    std::optional<QStringList> ReadLanguages(const QByteArray& Body) const override
    {
        const auto doc = ParseJson(Body);
        if (!doc) return std::nullopt;
        return StringsOf(doc->object().value(QLatin1String("data")).toObject().value(QLatin1String("languages")),
                         QStringLiteral("language"));
    }
};

// Apertium's HTTP server (APy): no key, ISO 639-3 codes, pairs listed by /listPairs.
class TApertiumProvider : public TMtProvider {
public:
    TMtProviderKind Kind() const override { return mpApertium; }
    QString Name() const override { return QStringLiteral("Apertium"); }
    QString DefaultHost(const QString&) const override { return QStringLiteral("localhost:2737"); }
    bool PlainHttpByDefault() const override { return true; }
    bool NeedsKey() const override { return false; }
    int MaxLength() const override { return 1800; }
    QString LanguageCode(int Locale, bool) const override
    {
        const QByteArray two = Iso639(Locale).toLatin1();
        const char* three = uloc_getISO3Language(two.constData());
        return three ? QString::fromLatin1(three) : QString();
    }

    TMtHttpRequest TranslateRequest(const QString& Text, const QString& Source, const QString& Target,
                                    const QString&) const override
    {
        // Unknown words come back as they are, without the engine's "*" marks.
        return {QStringLiteral("/translate"),
                "langpair=" + WebQueryEncode(Source + QLatin1Char('|') + Target) + "&q=" + WebQueryEncode(Text) +
                    "&markUnknown=no",
                {},
                {},
                {}};
    }
    std::optional<QString> ReadTranslation(const QByteArray& Body) const override
    {
        const auto doc = ParseJson(Body);
        if (!doc) return std::nullopt;
        return StringAt(
            doc->object().value(QLatin1String("responseData")).toObject().value(QLatin1String("translatedText")));
    }
    TMtHttpRequest LanguagesRequest(const QString&) const override
    {
        return {QStringLiteral("/listPairs"), {}, {}, {}, {}};
    }
    std::optional<QStringList> ReadLanguages(const QByteArray& Body) const override
    {
        const auto doc = ParseJson(Body);
        if (!doc) return std::nullopt;
        const auto sources = StringsOf(doc->object().value(QLatin1String("responseData")), "sourceLanguage");
        const auto targets = StringsOf(doc->object().value(QLatin1String("responseData")), "targetLanguage");
        if (!sources || !targets) return std::nullopt;
        QStringList pairs;
        for (qsizetype i = 0; i < sources->size(); ++i) pairs << sources->at(i) + QLatin1Char('|') + targets->at(i);
        return pairs;
    }
    bool Serves(const QStringList& Languages, const QString& Source, const QString& Target) const override
    {
        return Languages.contains(Source + QLatin1Char('|') + Target);
    }
};

// DeepL's API v2: the key in a header, form-encoded requests.
class TDeepLProvider : public TMtProvider {
public:
    TMtProviderKind Kind() const override { return mpDeepL; }
    QString Name() const override { return QStringLiteral("DeepL"); }
    // Free keys end in ":fx" and are served by a host of their own.
    QString DefaultHost(const QString& Key) const override
    {
        return Key.endsWith(QLatin1String(":fx")) ? QStringLiteral("api-free.deepl.com")
                                                  : QStringLiteral("api.deepl.com");
    }
    int MaxLength() const override { return 5000; }
    QString LanguageCode(int Locale, bool Target) const override
    {
        QString code = Iso639(Locale).toUpper();
        // As a target, English and Portuguese name their variant.
        if (Target && code == QLatin1String("EN")) code = Locale == 0x0409 ? "EN-US" : "EN-GB";
        if (Target && code == QLatin1String("PT")) code = Locale == 0x0416 ? "PT-BR" : "PT-PT";
        return code;
    }

    TMtHttpRequest TranslateRequest(const QString& Text, const QString& Source, const QString& Target,
                                    const QString& Key) const override
    {
        return {QStringLiteral("/v2/translate"),
                {},
                "text=" + FormValue(Text) + "&source_lang=" + FormValue(Source) + "&target_lang=" + FormValue(Target),
                "application/x-www-form-urlencoded",
                {{"Authorization", "DeepL-Auth-Key " + Key.toUtf8()}}};
    }
    std::optional<QString> ReadTranslation(const QByteArray& Body) const override
    {
        const auto doc = ParseJson(Body);
        if (!doc) return std::nullopt;
        return StringAt(
            doc->object().value(QLatin1String("translations")).toArray().at(0).toObject().value(QLatin1String("text")));
    }
    TMtHttpRequest LanguagesRequest(const QString& Key) const override
    {
        return {QStringLiteral("/v2/languages"),
                "type=target",
                {},
                {},
                {{"Authorization", "DeepL-Auth-Key " + Key.toUtf8()}}};
    }
    std::optional<QStringList> ReadLanguages(const QByteArray& Body) const override
    {
        const auto doc = ParseJson(Body);
        if (!doc) return std::nullopt;
        return StringsOf(doc->array(), QStringLiteral("language"));
    }
    bool Serves(const QStringList& Languages, const QString&, const QString& Target) const override
    {
        return Languages.contains(Target, Qt::CaseInsensitive);
    }
};

// LibreTranslate's API: JSON requests, the key (when the server wants one) in the body.
class TLibreTranslateProvider : public TMtProvider {
public:
    TMtProviderKind Kind() const override { return mpLibreTranslate; }
    QString Name() const override { return QStringLiteral("LibreTranslate"); }
    QString DefaultHost(const QString&) const override { return QStringLiteral("libretranslate.com"); }
    bool NeedsKey() const override { return false; }
    int MaxLength() const override { return 5000; }
    QString LanguageCode(int Locale, bool) const override { return Iso639(Locale); }

    TMtHttpRequest TranslateRequest(const QString& Text, const QString& Source, const QString& Target,
                                    const QString& Key) const override
    {
        QJsonObject body{{"q", Text}, {"source", Source}, {"target", Target}, {"format", "text"}};
        if (!Key.isEmpty()) body.insert(QStringLiteral("api_key"), Key);
        return {QStringLiteral("/translate"),
                {},
                QJsonDocument(body).toJson(QJsonDocument::Compact),
                "application/json",
                {}};
    }
    std::optional<QString> ReadTranslation(const QByteArray& Body) const override
    {
        const auto doc = ParseJson(Body);
        if (!doc) return std::nullopt;
        return StringAt(doc->object().value(QLatin1String("translatedText")));
    }
    TMtHttpRequest LanguagesRequest(const QString&) const override
    {
        return {QStringLiteral("/languages"), {}, {}, {}, {}};
    }
    std::optional<QStringList> ReadLanguages(const QByteArray& Body) const override
    {
        const auto doc = ParseJson(Body);
        if (!doc) return std::nullopt;
        return StringsOf(doc->array(), QStringLiteral("code"));
    }
};

} // namespace

bool TMtProvider::Serves(const QStringList& Languages, const QString& Source, const QString& Target) const
{
    return Languages.contains(Source, Qt::CaseInsensitive) && Languages.contains(Target, Qt::CaseInsensitive);
}

const TMtProvider& MtProvider(TMtProviderKind Kind)
{
    static const TGoogleProvider google;
    static const TApertiumProvider apertium;
    static const TDeepLProvider deepl;
    static const TLibreTranslateProvider libre;
    static const TMtProvider* const providers[kMtProviderCount] = {&google, &apertium, &deepl, &libre};
    return *providers[Kind];
}

std::optional<TMtProviderKind> MtProviderByName(const QString& Name)
{
    for (int i = 0; i < kMtProviderCount; ++i)
        if (MtProvider(TMtProviderKind(i)).Name().compare(Name.trimmed(), Qt::CaseInsensitive) == 0)
            return TMtProviderKind(i);
    return std::nullopt;
}

QStringList MtProviderNames()
{
    QStringList names;
    for (int i = 0; i < kMtProviderCount; ++i) names << MtProvider(TMtProviderKind(i)).Name();
    return names;
}

QString MtErrorMessage(const QByteArray& Body)
{
    // Google: {"error": {"message"}}; LibreTranslate: {"error"}; DeepL:
    // {"message"}; APy: {"message", "explanation"}, the explanation the useful part.
    const auto doc = ParseJson(Body);
    if (!doc) return {};
    const QJsonObject o = doc->object();
    const QJsonValue error = o.value(QLatin1String("error"));
    for (const QJsonValue& v : {o.value(QLatin1String("explanation")), error, error.toObject().value("message"),
                                o.value(QLatin1String("message"))})
        if (v.isString() && !v.toString().trimmed().isEmpty()) return v.toString().trimmed().left(500);
    return {};
}
