#include "langfile/LanguageNaming.h"

#include "langfile/LangCreation.h"
#include "langfile/LangFileProject.h"
#include "storage/Locales.h"

#include <QFileInfo>

#include <unicode/ucnv.h>

QString LanguageFileAbbreviation(const QString& FileName)
{
    const QString name = QFileInfo(FileName).fileName();
    const qsizetype last = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype before = last > 0 ? name.lastIndexOf(QLatin1Char('.'), last - 1) : -1;
    if (before < 0) return {};
    return name.mid(before + 1, std::min<qsizetype>(last - before - 1, 3));
}

QString NewLanguageFileName(const QString& NativeFileName, const QString& Abbreviation)
{
    const qsizetype nameStart = NativeFileName.lastIndexOf(QLatin1Char('/')) + 1;
    QString stem = NativeFileName.mid(nameStart);
    // Twice: app.ntv.lng loses ".lng" and then its language part; app.lng only ".lng".
    for (int i = 0; i < 2; ++i)
        if (const qsizetype dot = stem.lastIndexOf(QLatin1Char('.')); dot >= 0) stem.truncate(dot);
    return NativeFileName.left(nameStart) + stem + QLatin1Char('.') + Abbreviation + QStringLiteral(".lng");
}

bool AbbreviationInUse(const TLangFileList& Files, const QString& Abbreviation, int ExceptIndex)
{
    for (int i = 0; i < Files.Count(); ++i)
        if (i != ExceptIndex &&
            LanguageFileAbbreviation(Files.Items(i)->FileName()).compare(Abbreviation, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool LocaleHasCodePage(int Locale)
{
    int codePage = 0;
    try {
        codePage = GetLocaleInfoText(Locale, LOCALE_IDEFAULTANSICODEPAGE).toInt();
    } catch (const ELocalesError&) {
        return false;
    }
    if (codePage <= 0) return false;
    UErrorCode err = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(("windows-" + QByteArray::number(codePage)).constData(), &err);
    const bool valid = U_SUCCESS(err) && converter && ucnv_getMinCharSize(converter) == 1;
    if (converter) ucnv_close(converter);
    return valid;
}

TProposedNames ProposedLanguageNames(int Locale, bool IsGroup)
{
    TProposedNames names;
    // Each name on its own: a locale the catalogue lacks one name of still gets the others.
    try {
        names.EnglishName = LocaleEnglishName(Locale);
        if (IsGroup) names.EnglishName = names.EnglishName.section(QLatin1Char('('), 0, 0).trimmed();
    } catch (const ELocalesError&) {
    }
    try {
        names.LocalizedName = GetLocaleInfoText(Locale, LOCALE_SNATIVELANGNAME);
    } catch (const ELocalesError&) {
    }
    try {
        names.Abbreviation = GetLocaleInfoText(Locale, LOCALE_SABBREVLANGNAME).toUpper();
        if (IsGroup) names.Abbreviation.truncate(2);
    } catch (const ELocalesError&) {
    }
    return names;
}

bool ApplyLanguageProperties(TLangFileProject& Project, int Index, const TNewLanguage& Lang,
                             const QString& Abbreviation)
{
    TLangFileList& files = Project.LangFiles();
    if (Index < 0 || Index >= files.Count()) throw ELangFileError(QStringLiteral("Invalid index"));
    TLangFile* file = files.Items(Index);
    const bool localeChanged = file->Locale() != Lang.Locale;
    const bool changed = localeChanged || file->LangEnglishName() != Lang.EnglishName ||
                         file->LangLocalizedName() != Lang.LocalizedName ||
                         LanguageFileAbbreviation(file->FileName()) != Abbreviation ||
                         file->Attribute(lfaUseUntranslated) != Lang.UseUntranslated;
    file->SetLocale(Lang.Locale);
    file->SetLangEnglishName(Lang.EnglishName);
    file->SetLangLocalizedName(Lang.LocalizedName);
    file->SetAttribute(lfaUseUntranslated, Lang.UseUntranslated);
    if (localeChanged) {
        // Column 0 is the storage's main language.
        if (Index == 0)
            Project.SetMainLangID(Lang.Locale);
        else
            Project.SetLanguageLangID(Index, Lang.Locale);
    }
    if (changed) file->SetModified(true);
    return changed;
}
