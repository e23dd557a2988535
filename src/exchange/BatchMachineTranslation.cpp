#include "exchange/BatchMachineTranslation.h"

#include "core/Prompt.h"
#include "langfile/LangFile.h"
#include "langfile/LangFileProject.h"
#include "platform/Settings.h"
#include "core/UiStrings.h"

#include <QDir>
#include <QFileInfo>

QString MtKeySetting(TMtProviderKind Provider) { return MtProvider(Provider).Name() + QLatin1String("APIKey"); }

QString MtHostSetting(TMtProviderKind Provider) { return MtProvider(Provider).Name() + QLatin1String("APIHost"); }

TMtProviderKind MtProviderOfSettings(const TSettingsKey& Key)
{
    return MtProviderByName(Key.ReadString(MtProviderSetting, QString())).value_or(mpGoogle);
}

TWebTranslatorOptions MtOptionsOfSettings(const TSettingsKey& Key, TMtProviderKind Provider)
{
    TWebTranslatorOptions options;
    options.Provider = Provider;
    options.Key = Key.ReadString(MtKeySetting(Provider), QString());
    options.Host = Key.ReadString(MtHostSetting(Provider), QString()).trimmed();
    if (options.Host.isEmpty()) options.Host = MtProvider(Provider).DefaultHost(options.Key);
    return options;
}

QList<TBatchMachineTranslationLine> RunBatchMachineTranslation(const TBatchMachineTranslation& Job, TPrompt& Prompt)
{
    const TSettingsKey settings;
    TMtProviderKind provider = MtProviderOfSettings(settings);
    if (!Job.Provider.isEmpty()) {
        const auto named = MtProviderByName(Job.Provider);
        if (!named)
            throw EWebTranslateError(QStringLiteral("Unknown machine translation engine \"%1\" (known: %2)")
                                         .arg(Job.Provider, MtProviderNames().join(QLatin1String(", "))));
        provider = *named;
    }
    TWebTranslatorOptions options = MtOptionsOfSettings(settings, provider);
    if (!Job.Key.isEmpty()) options.Key = Job.Key;
    if (!Job.Host.isEmpty())
        options.Host = Job.Host;
    else if (settings.ReadString(MtHostSetting(provider), QString()).trimmed().isEmpty())
        options.Host = MtProvider(provider).DefaultHost(options.Key); // a free key given now has its own host
    TWebTranslator translator(options);

    const QStringList files = BatchLanguageFiles(Job.ProjectFile, Job.Codes, false);
    TLangFileProject project;
    project.Open(Job.ProjectFile, false, true);
    QList<int> indexes;
    for (const QString& file : files) {
        const QString name = QFileInfo(file).fileName();
        int index = project.GetLangIndex(name);
        if (index < 0) {
            project.OpenLanguage(file, false);
            index = project.LangFiles().Count() - 1;
        }
        if (project.LangFiles()[index]->ReadOnly())
            throw ELangFileError(QStringLiteral("\"%1\" is opened by another program and cannot be saved")
                                     .arg(QDir::toNativeSeparators(file)));
        const QString missing =
            translator.CheckServes(project.LangFiles()[0]->Locale(), project.LangFiles()[index]->Locale());
        if (!missing.isEmpty()) throw EWebTranslateError(missing);
        indexes << index;
    }

    QList<TBatchMachineTranslationLine> lines;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const TWebTranslateAllResult r = WebTranslateAll(project, indexes[i], translator, Prompt, msDraft);
        if (r.Cancelled) throw EVocabrixError(UiString(usTranslationTerminated));
        if (project.LangFiles()[indexes[i]]->Modified()) project.SaveLanguage(indexes[i]);
        // app.deu.lng gives deu.
        const QString code = QFileInfo(QFileInfo(files[i]).completeBaseName()).suffix();
        lines << TBatchMachineTranslationLine{code, r.Changed, r.Failed};
    }
    project.Close(false);
    return lines;
}
