#include "langfile/LangCreation.h"

#include "core/UiStrings.h"

#include "langfile/LangFileProject.h"
#include "storage/Locales.h"

#include <memory>

TNewLanguage NewLanguageOfLocale(uint16_t Locale)
{
    TNewLanguage lang;
    lang.Locale = Locale;
    lang.EnglishName = LocaleEnglishName(Locale);
    lang.LocalizedName = GetLocaleInfoText(Locale, LOCALE_SNATIVELANGNAME);
    return lang;
}

uint16_t LocaleOfLanguageCode(const QString& Code)
{
    const int locale = LocaleByAbbreviation(Code);
    if (locale == 0) throw ELangFileError(UiString(usUnknownLanguageCode, {Code}));
    return uint16_t(locale);
}

int CreateLanguageFile(TLangFileProject& Project, const QString& FileName, const TNewLanguage& Lang)
{
    TLangFileList& files = Project.LangFiles();
    if (files.Count() == 0) throw ELangFileError(UiString(usNoProjectOpen));
    if (Lang.BaseIndex < 0 || Lang.BaseIndex >= files.Count()) throw ELangFileError(QStringLiteral("Invalid index"));
    const TLangFile* native = files.Items(0);

    // Built in memory rather than from the path: a file being replaced lends
    // nothing (build counter, attributes) to the new one, and a damaged one
    // does not stand in the way. The atomic write still refuses to replace a
    // file that another process holds open.
    auto file = std::make_unique<TLangFile>();
    file->SetFileName(FileName);
    file->SetLocale(Lang.Locale);
    file->SetKeyboardLayout(Lang.Locale);
    file->SetLangEnglishName(Lang.EnglishName);
    file->SetLangLocalizedName(Lang.LocalizedName);
    file->SetVersion(native->Version());
    file->SetFormatVersion(native->FormatVersion());
    // Older formats have no external section; writing one would lose those items.
    if (Project.ExtGroups().Count() > 0 && file->FormatVersion() < kLangFileFormatVersion) file->UpdateFormatVersion();
    file->SetAttribute(lfaUseUntranslated, Lang.UseUntranslated);
    file->SetCompressed(native->Compressed());
    file->SetBasedOnLangID(files.Items(Lang.BaseIndex)->Locale());

    const int index = Project.AddLanguage(Lang.BaseIndex, Lang.Locale);
    TLangFile* f = file.get();
    f->SetLangIndex(index);
    files.Add(std::move(file));
    try {
        f->Save(&Project, index, false);
        f->Lock();
    } catch (...) {
        files.Erase(index);
        Project.RemoveLanguage(index);
        throw;
    }
    return index;
}
