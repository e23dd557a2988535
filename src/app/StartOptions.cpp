#include "app/StartOptions.h"

#include "core/FileNames.h"
#include "repository/Repository.h"

#include <QDir>

namespace {

enum TSwitchKind {
    skWord,       // the whole argument is the switch
    skText,       // a prefix; the rest of the argument is taken as written
    skPath,       // a prefix; the rest is a path, made absolute
    skRepository, // a prefix; the rest is a connection string as written, or a path made absolute
};

using TApply = void (*)(TStartOptions&, const QString& Value);

struct TSwitch {
    const char* Name;
    TSwitchKind Kind;
    TApply Apply;
    // What -help, the manual page and the shell completion say of it: the
    // value's placeholder (empty for a whole-word switch) and one line.
    const char* Argument = nullptr;
    const char* Help = nullptr;
};

// Tried in this order; the first that fits an argument applies. New switches
// go at the end so that none of them can shadow an older one.
const TSwitch kSwitches[] = {
    {"-last", skWord, [](TStartOptions& o, const QString&) { o.ReopenLast = true; }, "",
     "opens the project that was open last (editor)"},
    {"-syncall", skWord, [](TStartOptions& o, const QString&) { o.SyncAll = true; }, "",
     "brings the language files and existing DLLs up to date with the executable"},
    {"-syncdlls", skWord, [](TStartOptions& o, const QString&) { o.SyncDlls = true; }, "",
     "brings the existing DLLs up to date with the executable"},
    {"-synclangfiles", skWord, [](TStartOptions& o, const QString&) { o.SyncLangFiles = true; }, "",
     "brings the language files up to date with the executable"},
    {"-lib", skWord, [](TStartOptions& o, const QString&) { o.Library = true; }, "",
     "opens the project as a library (editor)"},
    {"-dll", skWord, [](TStartOptions& o, const QString&) { o.BuildDll = true; }, "",
     "builds the resource DLL of the language file given as project"},
    {"-delatom", skWord, [](TStartOptions& o, const QString&) { o.DelAtom = true; }, "",
     "removes the running editor's name, so that with -ide a second editor starts"},
    {"-debug", skWord, [](TStartOptions& o, const QString&) { o.Debug = true; }, "",
     "shows item identifiers and the repair commands (editor)"},
    {"-ide", skWord, [](TStartOptions& o, const QString&) { o.IDE = true; }, "",
     "started from the development environment (with -delatom: a second editor)"},
    {"-newlang", skWord, [](TStartOptions& o, const QString&) { o.NewLang = true; }, "",
     "starts the new-language command once the project is open (editor)"},
    {"-pefile:", skPath, [](TStartOptions& o, const QString& v) { o.PEFile = v; }, "FILE",
     "the executable of the project (default: the project's name with .exe)"},
    {"-dlldir:", skPath, [](TStartOptions& o, const QString& v) { o.DllDir = v; }, "DIR",
     "accepted for compatibility; not used"},
    {"-export:", skText, [](TStartOptions& o, const QString& v) { o.ExportList = ParseCommaText(v); }, "LANGS",
     "exports the language files (a comma list or ALL) to text, or XML, XLIFF with -xml, -xliff, -xliff2"},
    {"-xml", skWord, [](TStartOptions& o, const QString&) { o.Xml = true; }, "", "export and import use XML"},
    {"-outdir:", skPath, [](TStartOptions& o, const QString& v) { o.OutDir = v; }, "DIR",
     "the folder -export: writes to"},
    {"-import:", skText, [](TStartOptions& o, const QString& v) { o.ImportList = ParseCommaText(v); }, "LANGS",
     "imports the exported files of those languages and saves the language files"},
    {"-indir:", skPath, [](TStartOptions& o, const QString& v) { o.InDir = v; }, "DIR",
     "the folder -import: reads from"},
    {"-create:", skText, [](TStartOptions& o, const QString& v) { o.CreateList = ParseCommaText(v); }, "LANGS",
     "creates the language files of the project; an existing file is never replaced (exit code 4)"},
    {"-cfg:", skPath, [](TStartOptions& o, const QString& v) { o.CfgFile = v; }, "FILE",
     "options for export, import and translation"},
    {"-translate:", skText, [](TStartOptions& o, const QString& v) { o.TranslateList = ParseCommaText(v); }, "LANGS",
     "fills untranslated values from the translation repository and saves the files"},
    {"-repository:", skRepository, [](TStartOptions& o, const QString& v) { o.Repository = v; }, "REPOSITORY",
     "the repository file or postgresql:// connection string of the repository switches"},
    {"-gkey:", skText, [](TStartOptions& o, const QString& v) { o.GKey = v; }, "KEY",
     "web translation key for this run (never stored)"},
    {"-open:", skText, [](TStartOptions& o, const QString& v) { o.OpenList = ParseCommaText(v); }, "LANGS",
     "opens those languages with the project (editor)"},
    {"-uilang:", skText, [](TStartOptions& o, const QString& v) { o.UILang = v; }, "CODE",
     "the interface language of this run (exe: English)"},
    {"-resinfo:", skPath, [](TStartOptions& o, const QString& v) { o.ResInfoFile = v; }, "FILE",
     "lists the string tables and RCDATA of an executable, DLL or .res file"},
    {"-stats", skWord, [](TStartOptions& o, const QString&) { o.Stats = QString(); }, "",
     "prints translated and untranslated counts per language"},
    {"-stats:", skText, [](TStartOptions& o, const QString& v) { o.Stats = v; }, "strict",
     "as -stats, and fails the run (exit code 3) on untranslated items"},
    {"-xliff", skWord, [](TStartOptions& o, const QString&) { o.Xliff = true; }, "", "export and import use XLIFF 1.2"},
    {"-xliff2", skWord, [](TStartOptions& o, const QString&) { o.Xliff2 = true; }, "",
     "export and import use XLIFF 2.0"},
    {"-extract", skWord, [](TStartOptions& o, const QString&) { o.Extract = QString(); }, "",
     "writes or updates the native project from the executable"},
    {"-extract:", skText, [](TStartOptions& o, const QString& v) { o.Extract = v; }, "layout",
     "as -extract, and also takes positions, sizes and fonts"},
    {"-drc:", skPath, [](TStartOptions& o, const QString& v) { o.DrcFile = v; }, "FILE",
     "the resource-string names for -extract"},
    {"-rules:", skPath, [](TStartOptions& o, const QString& v) { o.RulesFile = v; }, "FILE",
     "adds or removes properties for -extract"},
    {"-nosettings", skWord, [](TStartOptions& o, const QString&) { o.NoSettings = true; }, "",
     "-dll accepts an executable without the settings record"},
    {"-repimport:", skPath, [](TStartOptions& o, const QString& v) { o.RepImportFile = v; }, "FILE",
     "imports a TMX or XML table file into the repository"},
    {"-repexport:", skPath, [](TStartOptions& o, const QString& v) { o.RepExportFile = v; }, "FILE",
     "writes the whole repository as TMX 1.4"},
    {"-repcopy:", skRepository, [](TStartOptions& o, const QString& v) { o.RepCopyTarget = v; }, "TARGET",
     "copies every record of the repository into another repository file or server"},
    {"-version", skWord, [](TStartOptions& o, const QString&) { o.Version = true; }, "",
     "prints the program's version and ends"},
    {"-help", skWord, [](TStartOptions& o, const QString&) { o.Help = true; }, "",
     "prints the switches and exit codes and ends"},
    {"-mt:", skText, [](TStartOptions& o, const QString& v) { o.MtList = ParseCommaText(v); }, "LANGS",
     "fills untranslated values of those languages with machine translation drafts (after -translate:)"},
    {"-mtprovider:", skText, [](TStartOptions& o, const QString& v) { o.MtProvider = v; }, "NAME",
     "the machine translation engine of -mt: (Google, Apertium, DeepL, LibreTranslate)"},
    {"-mthost:", skText, [](TStartOptions& o, const QString& v) { o.MtHost = v; }, "HOST",
     "the engine's host of -mt:, instead of the settings'"},
    {"-mtkey:", skText, [](TStartOptions& o, const QString& v) { o.MtKey = v; }, "KEY",
     "the engine's key of -mt: for this run (never stored)"},
};

// Absolute and without "." and ".." parts; an empty value stays empty.
QString NormalisePath(const QString& Path, const QDir& CurrentDir)
{
    return Path.isEmpty() ? Path : QDir::cleanPath(CurrentDir.absoluteFilePath(Path));
}

bool ApplySwitch(TStartOptions& o, const QString& Arg, const QDir& CurrentDir)
{
    for (const TSwitch& s : kSwitches) {
        const QLatin1String name(s.Name);
        if (s.Kind == skWord) {
            if (Arg.compare(name, Qt::CaseInsensitive) != 0) continue;
            s.Apply(o, {});
            return true;
        }
        if (!Arg.startsWith(name, Qt::CaseInsensitive)) continue;
        const QString value = Arg.mid(name.size());
        const bool path = s.Kind == skPath || (s.Kind == skRepository && !IsRepositoryConnection(value));
        s.Apply(o, path ? NormalisePath(value, CurrentDir) : value);
        return true;
    }
    return false;
}

} // namespace

QList<TSwitchHelp> SwitchHelp()
{
    QList<TSwitchHelp> list;
    for (const TSwitch& s : kSwitches)
        list.append(
            {QLatin1String(s.Name), QLatin1String(s.Argument ? s.Argument : ""), QLatin1String(s.Help ? s.Help : "")});
    return list;
}

TStartOptions ParseStartOptions(const QStringList& Args, const QString& CurrentDir)
{
    TStartOptions o;
    o.NoArguments = Args.isEmpty();
    const QDir current(CurrentDir);
    for (const QString& arg : Args) {
        if (ApplySwitch(o, arg, current)) continue;
        // A mistyped switch must not pass for a project file and start the
        // editor (a build script would hang on it).
        if (arg.startsWith(QLatin1Char('-'))) throw ECommandLineError(QStringLiteral("Unknown switch \"%1\"").arg(arg));
        o.ProjectFile = NormalisePath(arg, current);
    }

    // The DLL operations and -extract work on the executable next to the project:
    // app.ntv.lng (or, with -dll, app.deu.lng) gives app.exe.
    const bool needsPEFile = o.SyncAll || o.SyncDlls || o.SyncLangFiles || o.BuildDll || o.Extract;
    if (o.PEFile.isEmpty() && needsPEFile && !o.ProjectFile.isEmpty())
        o.PEFile = WithoutLastExt(WithoutLastExt(o.ProjectFile)) + QStringLiteral(".exe");
    return o;
}

QStringList ParseCommaText(const QString& Text)
{
    QStringList items;
    const qsizetype n = Text.size();
    const auto isBlank = [&](qsizetype i) { return i < n && Text[i] <= QLatin1Char(' '); };
    qsizetype i = 0;
    while (isBlank(i)) ++i;
    while (i < n) {
        QString item;
        if (Text[i] == QLatin1Char('"')) {
            // Quoted: up to the closing quote; a doubled quote is one quote.
            for (++i; i < n; ++i) {
                if (Text[i] != QLatin1Char('"')) {
                    item += Text[i];
                } else if (i + 1 < n && Text[i + 1] == QLatin1Char('"')) {
                    item += Text[++i];
                } else {
                    ++i;
                    break;
                }
            }
        } else {
            const qsizetype start = i;
            while (i < n && Text[i] > QLatin1Char(' ') && Text[i] != QLatin1Char(',')) ++i;
            item = Text.mid(start, i - start);
        }
        items << item;
        while (isBlank(i)) ++i;
        if (i < n && Text[i] == QLatin1Char(',')) {
            // A comma at the very end still separates an empty last item.
            if (i + 1 == n) items << QString();
            ++i;
            while (isBlank(i)) ++i;
        }
    }
    return items;
}

bool ListMeansAll(const QStringList& Codes) { return Codes.contains(QLatin1String("ALL"), Qt::CaseInsensitive); }

TStartOptions& StartOptions()
{
    static TStartOptions options;
    return options;
}
