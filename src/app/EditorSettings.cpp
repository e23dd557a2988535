#include "app/EditorSettings.h"

#include "core/UiStrings.h"

#include "core/FileNames.h"
#include "storage/Locales.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <limits>

namespace {

const QString kCommon = QStringLiteral("Common");
const QString kLanguages = QStringLiteral("Languages");
const QString kFilter = QStringLiteral("Filter");
const QString kSort = QStringLiteral("Sort");
const QString kReopen = QStringLiteral("Reopen");
const QString kGridFont = QStringLiteral("GridFont");

constexpr int MaxImeMode = 11; // the IME dialog's mode list

// An integer of at least Min; anything else gives Default (a negative
// width would break the grid's layout).
int ReadAtLeast(const TIniFile& Ini, const QString& Section, const char* Key, int Min, int Default)
{
    const int v = Ini.ReadInteger(Section, QLatin1String(Key), Default);
    return v >= Min ? v : Default;
}

QString WithTrailingSeparator(const QString& Folder)
{
    if (Folder.isEmpty() || Folder.endsWith(QDir::separator())) return Folder;
    return Folder + QDir::separator();
}

// Paths of recent projects: the file system decides whether case matters.
bool SamePath(const QString& A, const QString& B)
{
#ifdef Q_OS_WIN
    constexpr Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    return QDir::toNativeSeparators(A).compare(QDir::toNativeSeparators(B), cs) == 0;
}

// The last extension of a file name, with its dot.
QString Extension(const QString& FileName) { return FileName.mid(WithoutLastExt(FileName).size()); }

// Entries of "Reopen" in the order of their numbers ("2" before "10"), also
// while they carry the temporary prefix "__"; other names after them.
QStringList RecentEntries(const TSettingsKey& Reopen)
{
    QStringList names = Reopen.SubKeys();
    const auto number = [](QString name) {
        while (name.startsWith(QLatin1Char('_'))) name.remove(0, 1);
        bool ok = false;
        const uint n = name.toUInt(&ok);
        return ok ? n : std::numeric_limits<uint>::max();
    };
    std::stable_sort(names.begin(), names.end(),
                     [&](const QString& a, const QString& b) { return number(a) < number(b); });
    return names;
}

} // namespace

// ---------------------------------------------------------------- reading and writing the settings

TEditorSettings LoadEditorSettings(const QString& RepositoryPath, const QString& WebKey)
{
    TEditorSettings s;
    const QString program = WithTrailingSeparator(QDir::toNativeSeparators(ProgramFolder()));
    s.RootDir = TSettingsKey(QString(), TSettingsKey::rtMachine).ReadString(QStringLiteral("RootDir"), program);

    const TSettingsKey key;
    s.WorkDir = key.ReadString(QStringLiteral("WorkDir"), program);

    s.RepositoryPath = RepositoryPath;
    if (s.RepositoryPath.isEmpty()) s.RepositoryPath = key.ReadString(QStringLiteral("RepositoryPath"), QString());
    if (s.RepositoryPath.isEmpty()) s.RepositoryPath = key.ReadString(QStringLiteral("Repository"), QString());
    if (s.RepositoryPath.isEmpty()) {
        // The default is needed only now, so an unknown documents folder
        // matters only to a user without a stored repository.
        const QString documents = DocumentsFolder();
        if (documents.isEmpty()) throw ESettingsError(UiString(usNoDocumentsFolder));
        s.RepositoryPath =
            QDir::toNativeSeparators(QDir(documents).filePath(QStringLiteral("OxvelVocabrix/Repository/default.lr")));
    }
    QDir().mkpath(QFileInfo(QDir::fromNativeSeparators(s.RepositoryPath)).absolutePath());

    const auto readBool = [&](const char* name, bool& value) { value = key.ReadBool(QLatin1String(name), value); };
    const auto readColor = [&](const char* name, TWinColor& value) {
        value = TWinColor(key.ReadInteger(QLatin1String(name), int(value)));
    };
    readBool("AutoTransl", s.AutoTransl);
    readBool("UseReplaceTb", s.UseReplaceTb);
    readBool("CellEditDialog", s.CellEditDialog);
    readBool("ShowUntranslatable", s.ShowUntranslatable);
    readBool("MoveCursorDown", s.MoveCursorDown);
    readBool("RefreshOnClose", s.RefreshOnClose);
    readBool("RightToLeft4ME", s.RightToLeft4ME);
    readBool("WarnFormatMismatch", s.WarnFormatMismatch);
    s.GoogleAPIKey = WebKey.isEmpty() ? key.ReadString(QStringLiteral("GoogleAPIKey"), QString()) : WebKey;
    s.GoogleAPIKeyForSession = !WebKey.isEmpty();
    s.GoogleAPIHost = key.ReadString(QStringLiteral("GoogleAPIHost"), s.GoogleAPIHost);
    readBool("RepTranslateAll", s.RepTranslateAll);
    readBool("RepAutoTranslate", s.RepAutoTranslate);
    readBool("RepAutoRefreshByCell", s.RepAutoRefreshByCell);
    const int refresh = key.ReadInteger(QStringLiteral("RepRefreshExisting"), reAsk);
    s.RepRefreshExisting = refresh >= reAppend && refresh <= reAsk ? TRepRefreshExisting(refresh) : reAsk;
    readBool("RepAskTranslating", s.RepAskTranslating);
    readBool("RepAddTheSame", s.RepAddTheSame);
    readBool("RepSmart", s.RepSmart);
    readBool("RepIndicateInGrid", s.RepIndicateInGrid);
    s.RepFuzzyThreshold = std::clamp(key.ReadInteger(QStringLiteral("FuzzyThreshold"), s.RepFuzzyThreshold), 1, 100);
    s.RepFuzzyCount = std::clamp(key.ReadInteger(QStringLiteral("FuzzyCount"), s.RepFuzzyCount), 1, 9);
    readColor("ActiveRowColor", s.ActiveRowColor);
    readColor("UntranslatableColor", s.UntranslatableColor);
    readColor("VerifiedColor", s.VerifiedColor);
    readColor("HiddenColor", s.HiddenColor);
    readBool("FullNameCompare", s.FullNameCompare);
    readBool("NativeValueForm", s.NativeValueForm);
    s.LibraryPath = key.ReadString(QStringLiteral("LibraryPath"), QString());

    const TSettingsKey font(kGridFont);
    s.GridFont.Name = font.ReadString(QStringLiteral("Name"));
    s.GridFont.Size = font.ReadInteger(QStringLiteral("Size"));
    s.GridFont.Charset = font.ReadInteger(QStringLiteral("Charset"));
    if (const auto style = font.ReadInteger(QStringLiteral("Style"))) s.GridFont.Style = *style & FontStyleMask;
    return s;
}

void ChangeToWorkDir(TEditorSettings& Settings)
{
    const QString dir = QDir::fromNativeSeparators(Settings.WorkDir);
    if (dir.isEmpty() || !QDir(dir).exists() || !QDir::setCurrent(dir))
        Settings.WorkDir = WithTrailingSeparator(QDir::toNativeSeparators(QDir::currentPath()));
}

bool SaveOptions(const TEditorSettings& s)
{
    TSettingsKey key;
    const auto writeBool = [&](const char* name, bool value) { key.WriteBool(QLatin1String(name), value); };
    writeBool("AutoTransl", s.AutoTransl);
    writeBool("UseReplaceTb", s.UseReplaceTb);
    writeBool("CellEditDialog", s.CellEditDialog);
    writeBool("ShowUntranslatable", s.ShowUntranslatable);
    writeBool("MoveCursorDown", s.MoveCursorDown);
    writeBool("RefreshOnClose", s.RefreshOnClose);
    writeBool("RightToLeft4ME", s.RightToLeft4ME);
    writeBool("WarnFormatMismatch", s.WarnFormatMismatch);
    writeBool("RepTranslateAll", s.RepTranslateAll);
    key.WriteInteger(QStringLiteral("RepRefreshExisting"), s.RepRefreshExisting);
    writeBool("RepAutoTranslate", s.RepAutoTranslate);
    writeBool("RepAutoRefreshByCell", s.RepAutoRefreshByCell);
    writeBool("RepAskTranslating", s.RepAskTranslating);
    writeBool("RepAddTheSame", s.RepAddTheSame);
    writeBool("RepSmart", s.RepSmart);
    writeBool("RepIndicateInGrid", s.RepIndicateInGrid);
    key.WriteInteger(QStringLiteral("FuzzyThreshold"), s.RepFuzzyThreshold);
    key.WriteInteger(QStringLiteral("FuzzyCount"), s.RepFuzzyCount);
    key.WriteInteger(QStringLiteral("ActiveRowColor"), int(s.ActiveRowColor));
    key.WriteInteger(QStringLiteral("UntranslatableColor"), int(s.UntranslatableColor));
    key.WriteInteger(QStringLiteral("HiddenColor"), int(s.HiddenColor));
    key.WriteInteger(QStringLiteral("VerifiedColor"), int(s.VerifiedColor));
    writeBool("FullNameCompare", s.FullNameCompare);
    if (!s.GoogleAPIKeyForSession) key.WriteString(QStringLiteral("GoogleAPIKey"), s.GoogleAPIKey);
    key.WriteString(QStringLiteral("GoogleAPIHost"), s.GoogleAPIHost);
    return key.Flush();
}

bool SaveRepositoryPath(const QString& Path)
{
    TSettingsKey key;
    key.WriteString(QStringLiteral("RepositoryPath"), Path);
    key.DeleteValue(QStringLiteral("Repository"));
    return key.Flush();
}

bool SaveLibraryPath(const QString& Path)
{
    TSettingsKey key;
    key.WriteString(QStringLiteral("LibraryPath"), Path);
    return key.Flush();
}

bool SaveGridFont(const TGridFontSettings& Font)
{
    TSettingsKey key(kGridFont);
    if (Font.Name) key.WriteString(QStringLiteral("Name"), *Font.Name);
    if (Font.Size) key.WriteInteger(QStringLiteral("Size"), *Font.Size);
    if (Font.Charset) key.WriteInteger(QStringLiteral("Charset"), *Font.Charset);
    if (Font.Style) key.WriteInteger(QStringLiteral("Style"), *Font.Style & FontStyleMask);
    return key.Flush();
}

bool SaveExitSettings(const TEditorSettings& Settings)
{
    TSettingsKey key;
    key.WriteString(QStringLiteral("WorkDir"), WithTrailingSeparator(Settings.WorkDir));
    key.WriteBool(QStringLiteral("NativeValueForm"), Settings.NativeValueForm);
    return key.Flush();
}

// ---------------------------------------------------------------- window positions

std::optional<TWindowPosition> LoadWindowPosition(const QString& Window)
{
    const QStringList parts =
        TSettingsKey(Window).ReadString(QStringLiteral("Position"), QString()).split(QLatin1Char(','));
    if (parts.size() != 4) return std::nullopt;
    int n[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        n[i] = parts[i].trimmed().toInt(&ok);
        if (!ok) return std::nullopt;
    }
    // A window without area could not be seen or reached again.
    if (n[2] <= 0 || n[3] <= 0) return std::nullopt;
    return TWindowPosition{n[0], n[1], n[2], n[3]};
}

bool SaveWindowPosition(const QString& Window, const TWindowPosition& P)
{
    TSettingsKey key(Window);
    key.WriteString(QStringLiteral("Position"),
                    QStringLiteral("%1,%2,%3,%4").arg(P.Left).arg(P.Top).arg(P.Width).arg(P.Height));
    return key.Flush();
}

// ---------------------------------------------------------------- recent projects

QList<TRecentProject> LoadRecentProjects(const QString& OpenProject)
{
    QList<TRecentProject> entries;
    const TSettingsKey reopen(kReopen);
    for (const QString& name : RecentEntries(reopen)) {
        const QString file = QDir::toNativeSeparators(reopen.ReadString(name + QStringLiteral("/File"), QString()));
        if (file.isEmpty() || (!OpenProject.isEmpty() && SamePath(file, OpenProject))) continue;
        entries.append({file, reopen.ReadBool(name + QStringLiteral("/Library"), false), name.toInt()});
    }
    return entries;
}

bool RecordRecentProject(const QString& NativeFile, bool Library)
{
    TSettingsKey reopen(kReopen);
    // Older entries step aside under temporary names; an entry of the same
    // file goes, since it becomes the latest.
    for (const QString& name : reopen.SubKeys()) {
        if (SamePath(reopen.ReadString(name + QStringLiteral("/File"), QString()), NativeFile))
            reopen.DeleteKey(name);
        else
            reopen.RenameKey(name, QStringLiteral("__") + name);
    }
    const QStringList older = RecentEntries(reopen);
    for (int i = 0; i < older.size(); ++i) {
        if (i < MaxRecentProjects - 1)
            reopen.RenameKey(older[i], QString::number(i + 2));
        else
            reopen.DeleteKey(older[i]);
    }
    reopen.WriteString(QStringLiteral("1/File"), QDir::toNativeSeparators(NativeFile));
    reopen.WriteBool(QStringLiteral("1/Library"), Library);
    return reopen.Flush();
}

QString RecentProjectCaption(const TRecentProject& Entry)
{
    if (!Entry.Library) return Entry.File;
    return QStringLiteral("\"%1\" library")
        .arg(LibraryDisplayName(QFileInfo(QDir::fromNativeSeparators(Entry.File)).absolutePath()));
}

// ---------------------------------------------------------------- the project desktop file

QString ProjectDesktopFileName(const QString& NativeFileName)
{
    return WithoutLastExt(WithoutLastExt(NativeFileName)) + QStringLiteral(".leo");
}

QString LanguageExtension(const QString& LangFileName)
{
    return Extension(WithoutLastExt(QFileInfo(LangFileName).fileName()));
}

QString LanguageFileOfExtension(const QString& NativeFileName, const QString& Extension)
{
    return WithoutLastExt(WithoutLastExt(NativeFileName)) + Extension + QStringLiteral(".lng");
}

TColumnSettings DefaultColumnSettings(int Locale, const QString& GridFontName, int GridFontSize)
{
    TColumnSettings c;
    c.FontName = GridFontName;
    c.FontSize = GridFontSize;
    c.FontCharSet = LocaleCharset(Locale);
    c.KbLayout = quint32(Locale);
    c.RepLocale = quint32(Locale);
    return c;
}

void TProjectDesktop::LanguageFailed(int Column)
{
    if (FilterLangIndex == Column) {
        FilterLangIndex = 0;
        ShowTranslated = ShowUntranslated = true;
    } else if (FilterLangIndex > Column) {
        --FilterLangIndex;
    }
    if (SortLangIndex == Column) {
        SortLangIndex = 0;
        SortOrder = soNone;
    } else if (SortLangIndex > Column) {
        --SortLangIndex;
    }
}

TProjectDesktopFile::TProjectDesktopFile(const QString& NativeFileName)
    : FFileName(ProjectDesktopFileName(NativeFileName))
{
    if (!QFileInfo(FFileName).isFile()) return;
    try {
        FIni = TIniFile::Load(FFileName);
        FExists = true;
    } catch (const ESettingsError&) {
        // Unreadable: the project opens as if it had none, and the next
        // save replaces it.
    }
}

TProjectDesktop TProjectDesktopFile::Read(const std::optional<QStringList>& OpenList) const
{
    TProjectDesktop d;
    d.ShowNative = FIni.ReadBool(kCommon, QStringLiteral("ShowNative"), d.ShowNative);
    d.FixedWidth = ReadAtLeast(FIni, kCommon, "FixedWidth", 0, d.FixedWidth);
    d.RowHeight = ReadAtLeast(FIni, kCommon, "RowHeight", 1, d.RowHeight);
    d.PEFileName = FIni.ReadString(kCommon, QStringLiteral("PEFileName"), QString());
    d.NativeGridIndex = FIni.ReadInteger(NativeExtension, QStringLiteral("GridIndex"));

    if (OpenList) {
        for (const QString& code : *OpenList) d.Languages << QLatin1Char('.') + code;
    } else {
        for (const QString& key : FIni.ReadSection(kLanguages))
            if (key.startsWith(QLatin1Char('.'))) d.Languages << key;
    }
    const int listed = int(d.Languages.size());

    const QString state = FIni.ReadString(kFilter, QStringLiteral("Value"), QStringLiteral("B"));
    d.ShowTranslated = state != QLatin1String("U");
    d.ShowUntranslated = state != QLatin1String("T");
    d.FilterLangIndex = FIni.ReadInteger(kFilter, QStringLiteral("LangIndex"), 0);
    if (d.FilterLangIndex < 0 || d.FilterLangIndex > listed) d.FilterLangIndex = 0;
    d.RegExp = FIni.ReadString(kFilter, QStringLiteral("RegExp"), QString());
    d.Section = FIni.ReadString(kFilter, QStringLiteral("TC"), d.Section);
    d.ShowHidden = true;
    d.UntranslatableOnly = FIni.ReadBool(kFilter, QStringLiteral("UntrOnly"), false);
    d.ShowTextual = FIni.ReadBool(kFilter, QStringLiteral("ShowTextual"), true);
    d.ShowNontextual = FIni.ReadBool(kFilter, QStringLiteral("ShowNontextual"), true);
    if (!d.ShowTextual && !d.ShowNontextual) d.ShowTextual = true;

    const int order = FIni.ReadInteger(kSort, QStringLiteral("Order"), soNone);
    d.SortOrder = order >= soNone && order <= soDsc ? TSortOrder(order) : soNone;
    d.SortLangIndex = FIni.ReadInteger(kSort, QStringLiteral("LangIndex"), 0);
    if (d.SortLangIndex < 0 || d.SortLangIndex > listed) {
        d.SortOrder = soNone;
        d.SortLangIndex = 0;
    }
    d.SortLocale = FIni.ReadInteger(kSort, QStringLiteral("Locale"), 0);
    return d;
}

TColumnSettings TProjectDesktopFile::ReadColumn(const QString& Extension, const TColumnSettings& Defaults) const
{
    TColumnSettings c = Defaults;
    if (!FExists) return c;
    c.Width = ReadAtLeast(FIni, Extension, "Width", 0, c.Width);
    c.FontName = FIni.ReadString(Extension, QStringLiteral("Font.Name"), c.FontName);
    if (Extension.compare(NativeExtension, Qt::CaseInsensitive) != 0) {
        const int charset = FIni.ReadInteger(Extension, QStringLiteral("Font.CharSet"), c.FontCharSet);
        if (charset >= 0 && charset <= 255) c.FontCharSet = charset;
    }
    c.FontSize = ReadAtLeast(FIni, Extension, "Font.Size", 1, c.FontSize);
    c.FontStyle = FIni.ReadInteger(Extension, QStringLiteral("Font.Style"), c.FontStyle);
    if (c.FontStyle != -1) c.FontStyle &= FontStyleMask;
    c.KbLayout = quint32(FIni.ReadInteger(Extension, QStringLiteral("KbLayout"), int(c.KbLayout)));
    c.ImeName = FIni.ReadString(Extension, QStringLiteral("ImeName"), c.ImeName);
    c.ImeMode = FIni.ReadInteger(Extension, QStringLiteral("ImeMode"), c.ImeMode);
    if (c.ImeMode < 0 || c.ImeMode > MaxImeMode) c.ImeMode = Defaults.ImeMode;
    c.RepLocale = quint32(FIni.ReadInteger(Extension, QStringLiteral("RepLocale"), int(c.RepLocale)));
    c.AskRepLocale = FIni.ReadBool(Extension, QStringLiteral("AskRepLocale"), c.AskRepLocale);
    return c;
}

void TProjectDesktopFile::Write(const TProjectDesktop& d)
{
    FIni.WriteBool(kCommon, QStringLiteral("ShowNative"), d.ShowNative);
    FIni.WriteInteger(kCommon, QStringLiteral("FixedWidth"), d.FixedWidth);
    FIni.WriteInteger(kCommon, QStringLiteral("RowHeight"), d.RowHeight);
    FIni.WriteString(kCommon, QStringLiteral("PEFileName"), d.PEFileName);
    FIni.EraseSection(kLanguages);
    for (const QString& ext : d.Languages) FIni.WriteString(kLanguages, ext, QString());
    if (d.NativeGridIndex) FIni.WriteInteger(NativeExtension, QStringLiteral("GridIndex"), *d.NativeGridIndex);

    const QString state = d.ShowTranslated && d.ShowUntranslated ? QStringLiteral("B")
                          : d.ShowTranslated                     ? QStringLiteral("T")
                                                                 : QStringLiteral("U");
    FIni.WriteString(kFilter, QStringLiteral("Value"), state);
    FIni.WriteInteger(kFilter, QStringLiteral("LangIndex"), d.FilterLangIndex);
    FIni.WriteString(kFilter, QStringLiteral("RegExp"), d.RegExp);
    FIni.WriteString(kFilter, QStringLiteral("TC"), d.Section.section(QLatin1Char(' '), 0, 0));
    FIni.WriteBool(kFilter, QStringLiteral("ShowHidden"), d.ShowHidden);
    FIni.WriteBool(kFilter, QStringLiteral("UntrOnly"), d.UntranslatableOnly);
    FIni.WriteBool(kFilter, QStringLiteral("ShowTextual"), d.ShowTextual);
    FIni.WriteBool(kFilter, QStringLiteral("ShowNontextual"), d.ShowNontextual);

    FIni.WriteInteger(kSort, QStringLiteral("Order"), d.SortOrder);
    FIni.WriteInteger(kSort, QStringLiteral("LangIndex"), d.SortLangIndex);
    FIni.WriteInteger(kSort, QStringLiteral("Locale"), d.SortLocale);
}

void TProjectDesktopFile::WriteColumn(const QString& Extension, const TColumnSettings& c)
{
    FIni.WriteInteger(Extension, QStringLiteral("Width"), c.Width);
    FIni.WriteString(Extension, QStringLiteral("Font.Name"), c.FontName);
    FIni.WriteInteger(Extension, QStringLiteral("Font.CharSet"), c.FontCharSet);
    FIni.WriteInteger(Extension, QStringLiteral("Font.Size"), c.FontSize);
    FIni.WriteInteger(Extension, QStringLiteral("Font.Style"), c.FontStyle);
    FIni.WriteInteger(Extension, QStringLiteral("KbLayout"), int(c.KbLayout));
    FIni.WriteString(Extension, QStringLiteral("ImeName"), c.ImeName);
    FIni.WriteInteger(Extension, QStringLiteral("ImeMode"), c.ImeMode);
    FIni.WriteInteger(Extension, QStringLiteral("RepLocale"), int(c.RepLocale));
    FIni.WriteBool(Extension, QStringLiteral("AskRepLocale"), c.AskRepLocale);
}

bool TProjectDesktopFile::Save()
{
    try {
        FIni.Save(FFileName);
        FExists = true;
        return true;
    } catch (const EVocabrixError&) {
        return false;
    }
}

// ---------------------------------------------------------------- applying the desktop

TSectionChoice ResolveSectionChoice(const QString& SectionText, bool UnitsHaveChildren, bool ExternalHasChildren)
{
    TSectionChoice choice;
    if (SectionText.startsWith(QLatin1String("Units")) && UnitsHaveChildren)
        choice.Section = ssUnits;
    else if (SectionText.startsWith(QLatin1String("External")) && ExternalHasChildren)
        choice.Section = ssExternal;
    if (const qsizetype dot = SectionText.indexOf(QLatin1Char('.')); dot >= 0)
        choice.Child = SectionText.mid(dot + 1).trimmed();
    return choice;
}

bool SectionNodeMatches(const QString& NodeText, const QString& Child)
{
    return NodeText.section(QLatin1Char(' '), 0, 0).compare(Child, Qt::CaseInsensitive) == 0;
}

QString ResolvePEFileName(const QString& ProjectPEFile, const QString& DesktopPEFile, const QString& NativeFileName)
{
    for (const QString& candidate : {ProjectPEFile, DesktopPEFile, WithoutLastExt(NativeFileName)})
        if (!candidate.isEmpty() && QFileInfo(candidate).isFile()) return candidate;
    return WithoutLastExt(WithoutLastExt(NativeFileName)) + QStringLiteral(".exe");
}
