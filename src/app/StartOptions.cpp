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

// -check:'s modes are known before anything runs, so that a mistyped one
// never lets the operations before the check change files.
QString CheckedModes(const QString& Value)
{
    for (const QString& mode : Value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (mode.compare(QLatin1String("strict"), Qt::CaseInsensitive) != 0 &&
            mode.compare(QLatin1String("json"), Qt::CaseInsensitive) != 0)
            throw ECommandLineError(
                QStringLiteral(
                    "Unknown check mode \"%1\" (use -check, -check:strict, -check:json or -check:json,strict)")
                    .arg(mode));
    }
    return Value;
}

struct TSwitch {
    const char* Name;
    TSwitchKind Kind;
    TApply Apply;
};

// Tried in this order; the first that fits an argument applies. New switches
// go at the end so that none of them can shadow an older one.
const TSwitch kSwitches[] = {
    {"-last", skWord, [](TStartOptions& o, const QString&) { o.ReopenLast = true; }},
    {"-syncall", skWord, [](TStartOptions& o, const QString&) { o.SyncAll = true; }},
    {"-syncdlls", skWord, [](TStartOptions& o, const QString&) { o.SyncDlls = true; }},
    {"-synclangfiles", skWord, [](TStartOptions& o, const QString&) { o.SyncLangFiles = true; }},
    {"-lib", skWord, [](TStartOptions& o, const QString&) { o.Library = true; }},
    {"-dll", skWord, [](TStartOptions& o, const QString&) { o.BuildDll = true; }},
    {"-delatom", skWord, [](TStartOptions& o, const QString&) { o.DelAtom = true; }},
    {"-debug", skWord, [](TStartOptions& o, const QString&) { o.Debug = true; }},
    {"-ide", skWord, [](TStartOptions& o, const QString&) { o.IDE = true; }},
    {"-newlang", skWord, [](TStartOptions& o, const QString&) { o.NewLang = true; }},
    {"-pefile:", skPath, [](TStartOptions& o, const QString& v) { o.PEFile = v; }},
    {"-dlldir:", skPath, [](TStartOptions& o, const QString& v) { o.DllDir = v; }},
    {"-export:", skText, [](TStartOptions& o, const QString& v) { o.ExportList = ParseCommaText(v); }},
    {"-xml", skWord, [](TStartOptions& o, const QString&) { o.Xml = true; }},
    {"-outdir:", skPath, [](TStartOptions& o, const QString& v) { o.OutDir = v; }},
    {"-import:", skText, [](TStartOptions& o, const QString& v) { o.ImportList = ParseCommaText(v); }},
    {"-indir:", skPath, [](TStartOptions& o, const QString& v) { o.InDir = v; }},
    {"-create:", skText, [](TStartOptions& o, const QString& v) { o.CreateList = ParseCommaText(v); }},
    {"-cfg:", skPath, [](TStartOptions& o, const QString& v) { o.CfgFile = v; }},
    {"-translate:", skText, [](TStartOptions& o, const QString& v) { o.TranslateList = ParseCommaText(v); }},
    {"-repository:", skRepository, [](TStartOptions& o, const QString& v) { o.Repository = v; }},
    {"-gkey:", skText, [](TStartOptions& o, const QString& v) { o.GKey = v; }},
    {"-open:", skText, [](TStartOptions& o, const QString& v) { o.OpenList = ParseCommaText(v); }},
    {"-uilang:", skText, [](TStartOptions& o, const QString& v) { o.UILang = v; }},
    {"-resinfo:", skPath, [](TStartOptions& o, const QString& v) { o.ResInfoFile = v; }},
    {"-stats", skWord, [](TStartOptions& o, const QString&) { o.Stats = QString(); }},
    {"-stats:", skText, [](TStartOptions& o, const QString& v) { o.Stats = v; }},
    {"-xliff", skWord, [](TStartOptions& o, const QString&) { o.Xliff = true; }},
    {"-xliff2", skWord, [](TStartOptions& o, const QString&) { o.Xliff2 = true; }},
    {"-extract", skWord, [](TStartOptions& o, const QString&) { o.Extract = QString(); }},
    {"-extract:", skText, [](TStartOptions& o, const QString& v) { o.Extract = v; }},
    {"-drc:", skPath, [](TStartOptions& o, const QString& v) { o.DrcFile = v; }},
    {"-rules:", skPath, [](TStartOptions& o, const QString& v) { o.RulesFile = v; }},
    {"-nosettings", skWord, [](TStartOptions& o, const QString&) { o.NoSettings = true; }},
    {"-repimport:", skPath, [](TStartOptions& o, const QString& v) { o.RepImportFile = v; }},
    {"-repexport:", skPath, [](TStartOptions& o, const QString& v) { o.RepExportFile = v; }},
    {"-repcopy:", skRepository, [](TStartOptions& o, const QString& v) { o.RepCopyTarget = v; }},
    {"-check", skWord, [](TStartOptions& o, const QString&) { o.Check = QString(); }},
    {"-check:", skText, [](TStartOptions& o, const QString& v) { o.Check = CheckedModes(v); }},
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
