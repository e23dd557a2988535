#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// The machine translation engines the client can ask. The client around them
// (line splitting, protection of "&", "%" and decoration, the lower-case
// retry, cancel, timeout, status rules) is one; a provider only says how to
// ask and how to read the answer.
enum TMtProviderKind { mpGoogle, mpApertium, mpDeepL, mpLibreTranslate };
constexpr int kMtProviderCount = 4;

// One HTTP request as a provider wants it: a GET when Body is empty.
struct TMtHttpRequest {
    QString Path;
    QByteArray Query; // already encoded, without "?"
    QByteArray Body;
    QByteArray ContentType;
    QList<QPair<QByteArray, QByteArray>> Headers;
};

class TMtProvider {
public:
    virtual ~TMtProvider() = default;

    virtual TMtProviderKind Kind() const = 0;
    // The name the commands show ("Translate All by Apertium") and the
    // settings and -mtprovider: use.
    virtual QString Name() const = 0;
    // Where the engine is when the settings name no host.
    virtual QString DefaultHost(const QString& Key) const = 0;
    // An in-house engine speaks plain HTTP unless the host says https://.
    virtual bool PlainHttpByDefault() const { return false; }
    virtual bool NeedsKey() const { return true; }
    // The longest core sent in one request; a longer line stays as it is.
    virtual int MaxLength() const = 0;

    // The engine's code of a language identifier, empty when it has none.
    virtual QString LanguageCode(int Locale, bool Target) const = 0;

    virtual TMtHttpRequest TranslateRequest(const QString& Text, const QString& Source, const QString& Target,
                                            const QString& Key) const = 0;
    // The translation in an answer with status 200; none when the answer is
    // not the engine's JSON or holds no translation.
    virtual std::optional<QString> ReadTranslation(const QByteArray& Body) const = 0;

    // The languages the engine serves ("Test connection"); Apertium lists
    // its pairs ("eng|spa").
    virtual TMtHttpRequest LanguagesRequest(const QString& Key) const = 0;
    // None when the answer is not the engine's JSON.
    virtual std::optional<QStringList> ReadLanguages(const QByteArray& Body) const = 0;
    // Whether a list read by ReadLanguages lets Source be translated to Target.
    virtual bool Serves(const QStringList& Languages, const QString& Source, const QString& Target) const;
};

// The provider of a kind; a process-wide object that lives as long as the program.
const TMtProvider& MtProvider(TMtProviderKind Kind);
// The provider named Name (any case), none for an unknown name.
std::optional<TMtProviderKind> MtProviderByName(const QString& Name);
// Every provider's name, for messages and the options page.
QStringList MtProviderNames();

// The message an engine gives in the JSON body of a refusal (400 and above),
// empty when it gives none.
QString MtErrorMessage(const QByteArray& Body);
