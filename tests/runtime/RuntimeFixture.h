#pragma once

// A program of the tests' own: an executable resource image with a string
// table, its settings records and the language data of English (native),
// German and French, registered as the process's executable.

#include "langfile/LangFile.h"
#include "resources/DllBuilder.h"
#include "resources/ModuleTable.h"
#include "resources/ResProcessor.h"
#include "runtime/VocabrixOnFly.h"
#include "storage/LocStorage.h"

#include <QDir>
#include <QTemporaryDir>

struct TLanguageText {
    uint16_t Locale;
    const char* English;
    const char* Localized;
    const char* Hello;   // string 1
    const char* Options; // form dlgOptions, its windowTitle
};

inline const TLanguageText kEnglish{0x0409, "English (United States)", "English", "Hello", "Options"};
inline const TLanguageText kGerman{0x0407, "German (Germany)", "Deutsch", "Hallo", "Optionen"};
inline const TLanguageText kFrench{0x040C, "French (France)",
                                   "fran\xc3\xa7"
                                   "ais",
                                   "Bonjour", "Options (fr)"};

// The project: one constant (string 1) and the form dlgOptions.
inline void FillProject(TLocStorage& S, const QList<TLanguageText>& Languages)
{
    S.SetMainLangID(Languages[0].Locale);
    TLocConstant* hello = S.Units().Add("Strings")->Constants().Add(-1, "SHello", 1);
    TLocProperty* title = S.Forms().Add("dlgOptions")->Properties().Add(-1, "windowTitle", ptString);
    for (int i = 0; i < Languages.size(); ++i) {
        if (i > 0) S.AddLanguage(0, Languages[i].Locale);
        hello->Values().Items(i)->SetValue(QString::fromUtf8(Languages[i].Hello));
        hello->Values().Items(i)->SetValueVersion(1);
        title->Values().Items(i)->SetValue(QString::fromUtf8(Languages[i].Options));
        title->Values().Items(i)->SetValueVersion(1);
    }
}

// The language file image of one column.
inline QByteArray LanguageImage(TLocStorage& S, int Column, const TLanguageText& L, int32_t Version = 506,
                                uint32_t Build = 1)
{
    TLangFile lf;
    lf.SetLocale(L.Locale);
    lf.SetLangEnglishName(QString::fromUtf8(L.English));
    lf.SetLangLocalizedName(QString::fromUtf8(L.Localized));
    lf.SetIsNative(Column == 0);
    lf.SetVersion(Version);
    lf.SetBuild(Build);
    return lf.SaveToBytes(&S, Column, false);
}

inline QByteArray SettingsRecord(const QByteArray& Magic, int32_t Version, const TLanguageText& L, uint32_t Build = 1)
{
    TSettingsRecord r;
    r.Magic = Magic;
    r.Version = Version;
    r.Locale = L.Locale;
    r.EnglishName = QString::fromUtf8(L.English);
    r.LocalizedName = QString::fromUtf8(L.Localized);
    r.Build = Build;
    return WriteSettingsRecord(r);
}

// A resource image with string 1, the given RCDATA items, as a PE file.
inline QByteArray ResourceImage(const QString& Hello, const QList<QPair<QString, QByteArray>>& Items)
{
    TResProcessor rp;
    auto strings = std::make_unique<TResString>(&rp);
    strings->Add(1, Hello);
    rp.AddBlock(std::move(strings));
    auto rcdata = std::make_unique<TResRCData>(&rp);
    for (const auto& item : Items) rcdata->Add(item.first, false)->Buffer() = item.second;
    rp.AddBlock(std::move(rcdata));
    QByteArray image;
    rp.CreateDLLStream(image);
    return image;
}

struct TRuntimeFixture {
    QTemporaryDir Dir;
    QString Exe; // <dir>/app.exe, registered with the module table
    TLocStorage Project;

    explicit TRuntimeFixture(uint16_t Format = 5, const QString& Folder = {})
    {
        FillProject(Project, {kEnglish, kGerman, kFrench});
        QDir().mkpath(Dir.filePath(Folder));
        Exe = QDir(Dir.filePath(Folder)).filePath("app.exe");
        RegisterExecutable(LocLangs(Format));
    }

    QByteArray LocLangs(uint16_t Format = 5)
    {
        QList<TLocLangsEntry> entries;
        const TLanguageText* langs[] = {&kEnglish, &kGerman, &kFrench};
        for (int i = 0; i < 3; ++i)
            entries << TLocLangsEntry{langs[i]->Locale,
                                      QString::fromUtf8(langs[i]->English),
                                      QString::fromUtf8(langs[i]->Localized),
                                      506,
                                      1,
                                      LanguageImage(Project, i, *langs[i])};
        return WriteLocLangsResource(entries, 506, 1, Format);
    }

    void RegisterExecutable(const QByteArray& LocLangsData)
    {
        TModuleTable::Instance().RegisterExecutable(
            Exe, ResourceImage("Hello", {{kLibSettingsName, SettingsRecord("LDLL", 506, kEnglish)},
                                         {kExeSettingsName, SettingsRecord("QEXE", 506, kEnglish)},
                                         {kLocLangsName, LocLangsData}}));
    }

    // A language DLL of the given version.
    QString WriteDll(const QString& Name, const QString& Hello, int32_t Version, const TLanguageText& L)
    {
        const QString path = Dir.filePath(Name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(ResourceImage(Hello, {{kLibSettingsName, SettingsRecord("LDLL", Version, L)}}));
        return path;
    }
};
