#include "app/ProgramResources.h"

#include "core/UiStrings.h"
#include "langfile/LangFile.h"
#include "resources/DllBuilder.h"
#include "resources/ResProcessor.h"
#include "runtime/VocabrixOnFly.h"
#include "storage/LocStorage.h"
#include "storage/Locales.h"

#include <QDir>
#include <QFile>

namespace {

const QString kProjectName = QStringLiteral("phrasedesk");

TLocItem* FindItem(TLocStorage& S, const QStringList& Key)
{
    if (Key.size() != 3) return nullptr;
    if (Key[0].startsWith(QLatin1Char('@'))) return S.FindConstant(Key[0].mid(1), Key[1]);
    return S.FindProperty(Key[0], Key[1], Key[2]);
}

void LoadTranslations(const QString& FileName, TLocStorage& S, int Column)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).chopped(1);
        if (line.startsWith(QLatin1Char('#'))) continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 3 || fields[2].isEmpty()) continue;
        TLocItem* item = FindItem(S, fields[0].split(QLatin1Char('|')));
        if (!item) continue;
        const QString native = item->MainValue()->Value();
        if (InterfaceTableText(native) != fields[1]) continue;
        // The translation breaks its lines as the native text does (a
        // string list and most messages with "\r\n", a few messages with "\n").
        const bool bare = native.contains(QLatin1Char('\n')) && !native.contains(QLatin1String("\r\n"));
        TLocValue* value = item->Values().Items(Column);
        value->SetValue(
            QString(fields[2]).replace(QStringLiteral("\\n"), bare ? QStringLiteral("\n") : QStringLiteral("\r\n")));
        value->SetValueVersion(item->MainValue()->ValueVersion());
    }
}

TSettingsRecord EnglishRecord(const QByteArray& Magic)
{
    TSettingsRecord r;
    r.Magic = Magic;
    r.Version = kInterfaceVersion;
    r.Locale = InterfaceLocales().first();
    r.EnglishName = LocaleEnglishName(r.Locale);
    r.LocalizedName = GetLocaleInfoText(r.Locale, LOCALE_SNATIVELANGNAME);
    r.Build = 1;
    return r;
}

} // namespace

QString InterfaceTableText(QString Value)
{
    return Value.replace(QLatin1String("\r\n"), QLatin1String("\\n")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

const QList<uint16_t>& InterfaceLocales()
{
    // English, Arabic (Saudi Arabia), Chinese (PRC), German, Spanish
    // (International Sort), Finnish, French, Hebrew, Hungarian, Italian,
    // Latvian, Dutch, Polish, Russian.
    static const QList<uint16_t> locales = {0x0409, 0x0401, 0x0804, 0x0407, 0x0C0A, 0x040B, 0x040C,
                                            0x040D, 0x040E, 0x0410, 0x0426, 0x0413, 0x0415, 0x0419};
    return locales;
}

void AddUiStringUnit(TLocStorage& Storage)
{
    TLocUnit* unit = Storage.Units().Add(UiStringUnit());
    for (const TUiStringDef& def : UiStringTable()) {
        TLocConstant* c = unit->Constants().Add(-1, QString::fromLatin1(def.Name), def.Id);
        c->MainValue()->SetValue(QString::fromUtf8(def.Text));
        c->MainValue()->SetValueVersion(1);
    }
}

void LoadInterfaceProject(const QString& LangDir, TLocStorage& Storage)
{
    const QString native = QDir(LangDir).filePath(kProjectName + QStringLiteral(".ntv.lng"));
    if (QFile::exists(native)) {
        TLangFile(native, true).Load(&Storage, -1, 0);
    } else {
        Storage.SetMainLangID(InterfaceLocales().first());
        AddUiStringUnit(Storage);
    }
    for (int i = 1; i < InterfaceLocales().size(); ++i) {
        const uint16_t locale = InterfaceLocales()[i];
        const int column = Storage.AddLanguage(0, locale);
        LoadTranslations(QDir(LangDir).filePath(kProjectName + QLatin1Char('.') + LocaleAbbreviation(locale).toLower() +
                                                QStringLiteral(".txt")),
                         Storage, column);
    }
}

QByteArray InterfaceLanguageImage(TLocStorage& Storage, int Column)
{
    const uint16_t locale = Storage.Locales(Column);
    TLangFile lf;
    lf.SetLocale(locale);
    lf.SetLangEnglishName(LocaleEnglishName(locale));
    lf.SetLangLocalizedName(GetLocaleInfoText(locale, LOCALE_SNATIVELANGNAME));
    lf.SetIsNative(Column == 0);
    lf.SetVersion(kInterfaceVersion);
    lf.SetBuild(1);
    // The native language's right-to-left bit has forms of right-to-left
    // languages laid out from the right.
    lf.SetAttributes(lfaUnicode | (Column == 0 || IsRightToLeftLocale(locale) ? lfaRightToLeft : 0));
    return lf.SaveToBytes(&Storage, Column, false);
}

QByteArray BuildProgramResourceImage(const QString& LangDir)
{
    TLocStorage storage;
    LoadInterfaceProject(LangDir, storage);
    QList<TLocLangsEntry> entries;
    for (int column = 0; column < storage.LangCount(); ++column) {
        const uint16_t locale = storage.Locales(column);
        entries << TLocLangsEntry{locale,
                                  LocaleEnglishName(locale),
                                  GetLocaleInfoText(locale, LOCALE_SNATIVELANGNAME),
                                  kInterfaceVersion,
                                  1,
                                  InterfaceLanguageImage(storage, column)};
    }
    TResProcessor rp;
    auto strings = std::make_unique<TResString>(&rp);
    for (const TUiStringDef& def : UiStringTable()) strings->Add(def.Id, QString::fromUtf8(def.Text));
    rp.AddBlock(std::move(strings));
    auto rcdata = std::make_unique<TResRCData>(&rp);
    rcdata->Add(kLibSettingsName, false)->Buffer() = WriteSettingsRecord(EnglishRecord("LDLL"));
    rcdata->Add(kExeSettingsName, false)->Buffer() = WriteSettingsRecord(EnglishRecord("QEXE"));
    rcdata->Add(kLocLangsName, false)->Buffer() = WriteLocLangsResource(entries, kInterfaceVersion, 1);
    rp.AddBlock(std::move(rcdata));
    QByteArray image;
    rp.CreateDLLStream(image);
    return image;
}
