#pragma once

#include "exchange/WebTranslator.h"

#include <QList>
#include <QString>
#include <QStringList>

class TPrompt;
class TSettingsKey;

// The machine translation settings: "MTProvider" names the engine (Google
// when missing, so older settings go on as they were), "<Name>APIKey" and
// "<Name>APIHost" its key and host (Google's are the older "GoogleAPIKey"
// and "GoogleAPIHost").
inline const QString MtProviderSetting = QStringLiteral("MTProvider");
QString MtKeySetting(TMtProviderKind Provider);
QString MtHostSetting(TMtProviderKind Provider);
// The provider the settings name; Google for a missing or unknown name.
TMtProviderKind MtProviderOfSettings(const TSettingsKey& Key);
// The options of Provider from the settings, an empty host giving the
// provider's own.
TWebTranslatorOptions MtOptionsOfSettings(const TSettingsKey& Key, TMtProviderKind Provider);

// The run of "-mt:": fills the untranslated textual values of the listed
// language files with machine drafts and saves them. Provider, Host and Key
// take the place of the settings when given; a key given here is never stored.
struct TBatchMachineTranslation {
    QString ProjectFile;
    QStringList Codes; // "ALL": every language file but the native one
    QString Provider;  // a name of MtProviderNames(); empty: the settings'
    QString Host;
    QString Key;
};

struct TBatchMachineTranslationLine {
    QString Code;
    int Drafted = 0;
    int Failed = 0; // texts the engine gave no translation for
};

// Asks the engine first whether it serves every listed language, so an
// unreachable engine or a missing pair changes no file. Throws on the first
// error (a cancel included); files saved before stay saved, the file being
// worked on is left as it was.
QList<TBatchMachineTranslationLine> RunBatchMachineTranslation(const TBatchMachineTranslation& Job, TPrompt& Prompt);
