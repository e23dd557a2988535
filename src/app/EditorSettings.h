#pragma once

#include "exchange/WebTranslator.h"
#include "langfile/LEProject.h"
#include "platform/Settings.h"
#include "repository/RepositoryFlows.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Windows colour values (TColor): red in the low byte; 0xFF0000nn is the
// system colour with index nn.
using TWinColor = quint32;
constexpr TWinColor clInfoBk = 0xFF000018; // tool-tip background

// Font style bits as the grid font and the column fonts store them.
enum TFontStyleBits { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
constexpr int FontStyleMask = fsBold | fsItalic | fsUnderline | fsStrikeOut;

// The grid font of the settings; a property that was not stored (or could
// not be read) stays at the grid's built-in font.
struct TGridFontSettings {
    std::optional<QString> Name;
    std::optional<int> Size; // points
    std::optional<int> Charset;
    std::optional<int> Style; // TFontStyleBits
    bool operator==(const TGridFontSettings&) const = default;
};

// Every setting of the editor with its default. Values of features that have
// no user interface yet are read and written back unchanged.
struct TEditorSettings {
    QString RootDir;        // the toolkit's root folder
    QString WorkDir;        // folder of the open-project dialogs, with a trailing separator
    QString RepositoryPath; // the repository database (*.lr)

    bool AutoTransl = true;
    bool UseReplaceTb = false;
    bool CellEditDialog = true;
    bool ShowUntranslatable = true;
    bool MoveCursorDown = false;
    bool RefreshOnClose = true;
    bool RightToLeft4ME = true;
    bool WarnFormatMismatch = true;
    QString GoogleAPIKey;
    bool GoogleAPIKeyForSession = false; // given with -gkey:, used for this run only and never stored
    QString GoogleAPIHost = DefaultWebTranslateHost;
    bool RepTranslateAll = false;
    bool RepAutoTranslate = false;
    bool RepAutoRefreshByCell = false;
    TRepRefreshExisting RepRefreshExisting = reAsk;
    bool RepAskTranslating = true;
    bool RepAddTheSame = false;
    bool RepSmart = true;
    bool RepIndicateInGrid = true;
    // The Suggestions panel: the lowest score it shows and how many matches
    // (Ctrl+1 ... Ctrl+9 take them).
    int RepFuzzyThreshold = TRepository::DefaultFuzzyThreshold;
    int RepFuzzyCount = TRepository::DefaultFuzzyCount;
    TWinColor ActiveRowColor = clInfoBk;
    TWinColor UntranslatableColor = 0xE0E0E0;
    TWinColor VerifiedColor = 0xEEDD80;
    TWinColor HiddenColor = 0xFEEBDA;
    bool FullNameCompare = true;
    bool NativeValueForm = false;
    QString LibraryPath; // folders separated by ";"
    // Quality checks switched off, identifiers separated by commas ("codepage,length").
    QString ChecksDisabled;
    // The memory the undo steps of the open project may hold; the oldest go first.
    int UndoLimitMB = 64;

    TGridFontSettings GridFont;

    bool operator==(const TEditorSettings&) const = default;
};

// ---------------------------------------------------------------- reading and writing the settings

// Reads every setting at start. RepositoryPath and WebKey come from the
// command line and take the place of the stored values when not empty (a
// key from the command line is never written back). The
// repository's folder is created. Throws ESettingsError "Could not find
// MyDocuments folder location." when the default repository path is needed
// and the documents folder is unknown.
TEditorSettings LoadEditorSettings(const QString& RepositoryPath = {}, const QString& WebKey = {});

// Makes WorkDir the process's current folder; when it does not exist, WorkDir
// becomes the current folder instead.
void ChangeToWorkDir(TEditorSettings& Settings);

// The values the options dialog edits, in the order the dialog's confirmation
// writes them (the repository path and the library path have their own
// functions). Returns false when the store could not be written.
bool SaveOptions(const TEditorSettings& Settings);
// Written whenever a repository is opened; the older value "Repository" goes.
bool SaveRepositoryPath(const QString& Path);
// Written by the options dialog's library page.
bool SaveLibraryPath(const QString& Path);
bool SaveGridFont(const TGridFontSettings& Font);
// Written at exit: WorkDir and the native value window's visibility.
bool SaveExitSettings(const TEditorSettings& Settings);

// ---------------------------------------------------------------- window positions

// The windows whose positions are kept.
inline const QString wpMainForm = QStringLiteral("MainForm");
inline const QString wpCellEditor = QStringLiteral("CellEditor");
inline const QString wpNativeValueForm = QStringLiteral("NativeValueForm");

struct TWindowPosition {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TWindowPosition&) const = default;
};

// The stored position of a window; none when it is missing or not four
// integers with a positive width and height (the window keeps its bounds).
std::optional<TWindowPosition> LoadWindowPosition(const QString& Window);
bool SaveWindowPosition(const QString& Window, const TWindowPosition& Position);

// ---------------------------------------------------------------- recent projects

constexpr int MaxRecentProjects = 6; // the latest and five older ones

struct TRecentProject {
    QString File;
    bool Library = false;
    int Tag = 0; // the number of its entry
};

// The recent projects, latest first, without empty entries and without the
// project open now (OpenProject; empty when none is open).
QList<TRecentProject> LoadRecentProjects(const QString& OpenProject = {});
// Makes the open project the latest entry; an older entry of the same file
// goes, and only the five most recent others stay.
bool RecordRecentProject(const QString& NativeFile, bool Library);
// The menu caption of an entry: its path, or for a library ""Name" library".
QString RecentProjectCaption(const TRecentProject& Entry);

// ---------------------------------------------------------------- the project desktop file

// The project desktop file of a native file: app.ntv.lng gives app.leo.
QString ProjectDesktopFileName(const QString& NativeFileName);
// The language extension naming a language file's section and key:
// app.deu.lng gives ".deu", app.ntv.lng ".ntv".
QString LanguageExtension(const QString& LangFileName);
// The language file of an extension next to the native file: ".deu" gives
// app.deu.lng for app.ntv.lng.
QString LanguageFileOfExtension(const QString& NativeFileName, const QString& Extension);
inline const QString NativeExtension = QStringLiteral(".ntv");

// The per-language column settings.
struct TColumnSettings {
    int Width = 150;
    QString FontName;
    int FontCharSet = 1; // DEFAULT_CHARSET
    int FontSize = 0;
    int FontStyle = -1; // -1: the default grid font's style
    quint32 KbLayout = 0;
    QString ImeName;
    int ImeMode = 3;
    quint32 RepLocale = 0;
    bool AskRepLocale = true;
    bool operator==(const TColumnSettings&) const = default;
};

// The settings of a column of a language with Locale before its section is
// read: the default grid font with the locale's character set, the locale's
// keyboard layout and the locale as the repository locale.
TColumnSettings DefaultColumnSettings(int Locale, const QString& GridFontName, int GridFontSize);

// The grid state kept per project.
struct TProjectDesktop {
    bool ShowNative = true;
    int FixedWidth = 150;
    int RowHeight = 20;
    QString PEFileName;
    std::optional<int> NativeGridIndex; // none: the native column stays where it is
    // Language extensions (".deu") of the languages to open, in column order.
    QStringList Languages;

    bool ShowTranslated = true;
    bool ShowUntranslated = true;
    int FilterLangIndex = 0; // storage column
    QString RegExp;
    // The section chooser's text up to its first blank: "Forms", "Units",
    // "External", "Units.MyUnit".
    QString Section = QStringLiteral("Forms");
    bool ShowHidden = true;
    bool UntranslatableOnly = false;
    bool ShowTextual = true;
    bool ShowNontextual = true;

    TSortOrder SortOrder = soNone;
    int SortLangIndex = 0;
    int SortLocale = 0;

    bool operator==(const TProjectDesktop&) const = default;

    // The listed language that would have become storage column Column could
    // not be opened: filter and sorting languages after it move down by one,
    // and one that was that language falls back to the native column
    // (the filter showing both states, the sorting unsorted).
    void LanguageFailed(int Column);
};

// The project desktop file: an INI file next to the native file. Reading
// never fails: a file that cannot be read counts as missing. Writing keeps the
// sections of languages that are not open.
class TProjectDesktopFile {
public:
    explicit TProjectDesktopFile(const QString& NativeFileName);

    const QString& FileName() const { return FFileName; }
    // Whether the file existed and could be read.
    bool Exists() const { return FExists; }

    // The grid state. OpenList (the command line's language codes, when in
    // effect) replaces the section of open languages. Indexes beyond the
    // listed languages are reset.
    TProjectDesktop Read(const std::optional<QStringList>& OpenList = std::nullopt) const;
    // A column's settings over Defaults; the native column keeps the default
    // character set.
    TColumnSettings ReadColumn(const QString& Extension, const TColumnSettings& Defaults) const;

    // Desktop.Section may be the section chooser's whole text; its part up to
    // the first blank is written.
    void Write(const TProjectDesktop& Desktop);
    void WriteColumn(const QString& Extension, const TColumnSettings& Settings);
    // Writes the file atomically; false when it could not be written (the
    // editor goes on without it).
    bool Save();

private:
    QString FFileName;
    TIniFile FIni;
    bool FExists = false;
};

// The section chooser's node named by the desktop's section text: Units or
// External when the text starts with that name and the node has children,
// else Forms; Child is the part after the first "." (trimmed), naming a child
// of that node, empty for the node itself.
struct TSectionChoice {
    TShownSection Section = ssForms;
    QString Child;
    bool operator==(const TSectionChoice&) const = default;
};
TSectionChoice ResolveSectionChoice(const QString& SectionText, bool UnitsHaveChildren, bool ExternalHasChildren);
// Whether a chooser node's text names Child: its text up to the first blank,
// without regard to case.
bool SectionNodeMatches(const QString& NodeText, const QString& Child);

// The project's PE file: the project's own when it exists, else the desktop's,
// else app.ntv (the native file without its last extension) when it exists,
// else app.exe.
QString ResolvePEFileName(const QString& ProjectPEFile, const QString& DesktopPEFile, const QString& NativeFileName);
