#include "langfile/ProjectStats.h"

#include "core/TerminalText.h"

#include "langfile/LEProject.h"

#include <QFileInfo>
#include <QTextStream>

TStatCounts& TStatCounts::operator+=(const TStatCounts& o)
{
    Items += o.Items;
    Translated += o.Translated;
    Untranslated += o.Untranslated;
    Untranslatable += o.Untranslatable;
    return *this;
}

namespace {

void CountItem(const TLocItem* Item, int LangIndex, TStatCounts& Counts)
{
    ++Counts.Items;
    if (Item->Attribute(vaUntranslatable))
        ++Counts.Untranslatable;
    else if (Item->IsTranslated(LangIndex))
        ++Counts.Translated;
    else
        ++Counts.Untranslated;
}

// The code a language file is named by: the part of its name between the last
// two dots (app.deu.lng gives deu).
QString FileAbbreviation(const TLangFile& File)
{
    if (File.IsNative()) return QStringLiteral("ntv");
    const QString name = QFileInfo(File.FileName()).fileName();
    const qsizetype last = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype before = last > 0 ? name.lastIndexOf(QLatin1Char('.'), last - 1) : -1;
    return before >= 0 ? name.mid(before + 1, last - before - 1) : name;
}

void PrintCounts(QTextStream& Out, const QString& Abbreviation, const char* Group, const TStatCounts& c)
{
    Out << TerminalText(Abbreviation) << ' ' << Group << " items=" << c.Items << " translated=" << c.Translated
        << " untranslated=" << c.Untranslated << " untranslatable=" << c.Untranslatable << '\n';
}

} // namespace

TProjectStats CountProjectStats(const TLocStorage& Storage, int LangIndex)
{
    if (LangIndex < 0 || LangIndex >= Storage.LangCount()) throw ELEProjectError(QStringLiteral("Invalid index"));
    TProjectStats s;
    for (auto& form : Storage.Forms()) {
        for (auto& p : form->Properties()) CountItem(p.get(), LangIndex, s.Properties);
        for (auto& comp : form->Components())
            for (auto& p : comp->Properties()) CountItem(p.get(), LangIndex, s.Properties);
    }
    for (auto& unit : Storage.Units())
        for (auto& c : unit->Constants()) CountItem(c.get(), LangIndex, s.Constants);
    for (auto& group : Storage.ExtGroups())
        for (auto& e : group->ExtItems()) CountItem(e.get(), LangIndex, s.External);
    s.Total += s.Properties;
    s.Total += s.Constants;
    s.Total += s.External;
    return s;
}

int RunProjectStats(const QString& NativeFile, bool Strict, QTextStream& Out, QTextStream& Err)
{
    int exitCode = 0;
    try {
        TLangFileProject project;
        project.Open(QFileInfo(NativeFile).absoluteFilePath(), false, true);
        for (const QString& failure : OpenEveryLanguage(project)) {
            Err << TerminalText(failure) << '\n';
            exitCode = 1;
        }
        bool untranslated = false;
        for (auto& file : project.LangFiles()) {
            const TProjectStats s = CountProjectStats(project, file->LangIndex());
            const QString abbreviation = FileAbbreviation(*file);
            PrintCounts(Out, abbreviation, "properties", s.Properties);
            PrintCounts(Out, abbreviation, "constants", s.Constants);
            PrintCounts(Out, abbreviation, "external", s.External);
            PrintCounts(Out, abbreviation, "total", s.Total);
            untranslated = untranslated || s.Total.Untranslated > 0;
        }
        if (exitCode == 0 && Strict && untranslated) exitCode = 3;
    } catch (const EVocabrixError& e) {
        Err << TerminalText(e.Message()) << '\n';
        exitCode = 1;
    }
    Out.flush();
    Err.flush();
    return exitCode;
}
