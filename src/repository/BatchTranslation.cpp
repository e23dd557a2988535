#include "repository/BatchTranslation.h"

#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LangFileProject.h"
#include "platform/Settings.h"
#include "repository/ProjectItems.h"
#include "repository/RepositoryExchange.h"
#include "repository/RepositoryFlows.h"

#include <QDir>
#include <QFileInfo>
#include <chrono>
#include <thread>

namespace {

// The language code of a language file name (app.deu.lng gives deu).
QString LanguageCode(const QString& FileName)
{
    const QString name = QFileInfo(FileName).fileName();
    const qsizetype end = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype start = name.lastIndexOf(QLatin1Char('.'), end - 1);
    return start < 0 ? name : name.mid(start + 1, end - start - 1);
}

// Waits for the memory index, which every lookup of the run needs; a
// repository without it would be scanned once per item.
void WaitForIndex(TRepository& Rep, TPrompt& Prompt)
{
    if (Rep.IndexReady() && Rep.IndexProblem().isEmpty()) return;
    const TProgressRun progress(Prompt, UiString(usCreatingIndex), Rep.RecordCount());
    while (!Rep.IndexReady()) {
        if (!Prompt.ProgressStep(Rep.IndexPosition())) throw EVocabrixError(UiString(usTranslationTerminated));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!Rep.IndexProblem().isEmpty()) throw EQBaseError(Rep.IndexProblem());
}

// Errors of the repository name its file: a script's log must say which
// of its files is damaged.
template <class F> auto WithRepositoryName(const TRepository& Rep, F f)
{
    const QString name = IsRepositoryConnection(Rep.Name()) ? Rep.Name() : QDir::toNativeSeparators(Rep.Name());
    try {
        return f();
    } catch (const EQBaseError& e) {
        throw EQBaseError(QStringLiteral("Repository \"%1\": %2").arg(name, e.Message()));
    }
}

// A file being translated counts its results as it goes.
struct TFileRun {
    TLangFileProject& Project;
    int Index;
    TRepositoryFlows& Flows;
    TPrompt& Prompt;
    qint64 Position;
    int FuzzyScore; // 0: no fuzzy matches
    TBatchTranslationLine Line;

    void Translate(TLocItem& Item)
    {
        if (!Prompt.ProgressStep(Position)) throw EVocabrixError(UiString(usTranslationTerminated));
        if (!SkippedByTranslateAll(Item, Index, Flows.Options().TranslateAll)) {
            TRepAnswer mr = raNone;
            const int locNat = Project.LangFiles()[0]->Locale(), locCur = Project.LangFiles()[Index]->Locale();
            const TLookupResult r = Flows.LookupTranslation(locNat, locCur, Item, Index, true, mr);
            if (!r.Stop && !r.Translation.isEmpty() && ApplyTranslation(Project, Index, Item, r.Translation))
                ++Line.Translated;
        }
        // A near match is a draft: stored, marked, and still to be done.
        if (FuzzyScore > 0 && !SkippedByTranslateAll(Item, Index, false)) {
            const int locNat = Project.LangFiles()[0]->Locale(), locCur = Project.LangFiles()[Index]->Locale();
            const QList<TFuzzyMatch> m = TRepositoryFlows::FuzzyMatches(Flows.Repository(), locNat, locCur,
                                                                        Item.MainValue()->Value(), FuzzyScore, 1);
            if (!m.isEmpty() && ApplyFuzzyMatch(Project, Index, Item, m[0])) ++Line.Fuzzy;
        }
        if (CountsAsUntranslated(Item, Index)) ++Line.Untranslated;
    }
};

} // namespace

QString BatchRepositoryPath(const QString& Given)
{
    if (!Given.isEmpty()) return Given;
    const QString stored = TSettingsKey().ReadString(QStringLiteral("Repository"), QString());
    if (!stored.isEmpty()) return stored;
    return QDir(ProgramFolder()).filePath(QStringLiteral("Repository/default.lr"));
}

QList<TBatchTranslationLine> RunBatchTranslation(const TBatchTranslation& Job, TPrompt& Prompt)
{
    TRepositoryOptions options;
    options.TranslateAll = true;
    options.AskTranslating = false; // no dialog: the first translation, or the current value among them
    int fuzzyScore = 0;
    if (const auto cfg = TIniFile::LoadConfig(Job.CfgFile)) {
        options.TranslateAll = cfg->ReadBool(QStringLiteral("Translate"), QStringLiteral("TranslateAll"), true);
        options.Smart = cfg->ReadBool(QStringLiteral("Translate"), QStringLiteral("Smart"), true);
        fuzzyScore = std::min(cfg->ReadInteger(QStringLiteral("Translate"), QStringLiteral("FuzzyScore"), 0), 100);
        if (fuzzyScore > 0) fuzzyScore = std::max(fuzzyScore, kLowestBatchFuzzyScore);
    }

    // The run only reads the repository: it opens it read-only (once it
    // exists), so an editor or another run may keep writing to it.
    const QString name = BatchRepositoryPath(Job.Repository);
    std::unique_ptr<TRepository> rep = NewRepository(name);
    WithRepositoryName(*rep, [&] {
        if (!rep->Exists()) {
            rep->OpenOrCreate();
            rep = NewRepository(name); // closes the new files
        }
        rep->SetFuzzyLookups(fuzzyScore > 0);
        rep->OpenReadOnly();
        WaitForIndex(*rep, Prompt);
    });

    const QStringList files = BatchLanguageFiles(Job.ProjectFile, Job.Codes, false);
    TLangFileProject project;
    project.Open(Job.ProjectFile, false, true);
    TSilentRepositoryPrompt silent;
    TRepositoryFlows flows(*rep, options, Prompt, silent);

    QList<TBatchTranslationLine> lines;
    const TProgressRun progress(Prompt, UiString(usTranslatingLanguageFiles), files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString name = QFileInfo(files[i]).fileName();
        Prompt.ProgressText(name);
        int index = project.GetLangIndex(name);
        if (index < 0) {
            project.OpenLanguage(files[i], false);
            index = project.LangFiles().Count() - 1;
        }
        TLangFile* file = project.LangFiles()[index];
        if (file->ReadOnly())
            throw ELangFileError(QStringLiteral("\"%1\" is opened by another program and cannot be saved")
                                     .arg(QDir::toNativeSeparators(files[i])));
        TFileRun run{project, index, flows, Prompt, i, fuzzyScore, {LanguageCode(files[i])}};
        if (fuzzyScore > 0) run.Line.Fuzzy = 0;
        const auto translate = [&](TLocItem& item) { WithRepositoryName(*rep, [&] { run.Translate(item); }); };
        ForEachProperty(project, translate);
        ForEachConstant(project, translate);
        if (file->Modified()) project.SaveLanguage(index);
        lines << run.Line;
        if (!Prompt.ProgressStep(i + 1)) throw EVocabrixError(UiString(usTranslationTerminated));
    }
    project.Close(false);
    return lines;
}

bool RunBatchRepositoryImport(const QString& Repository, const QString& FileName, TPrompt& Prompt, qint64& Entries)
{
    const std::unique_ptr<TRepository> rep = NewRepository(BatchRepositoryPath(Repository));
    return WithRepositoryName(*rep, [&] {
        rep->OpenOrCreate();
        WaitForIndex(*rep, Prompt);
        TSilentRepositoryPrompt silent;
        TRepositoryFlows flows(*rep, TRepositoryOptions::Read(), Prompt, silent);
        return ImportRepositoryFile(flows, FileName, Prompt, &Entries);
    });
}

qint64 RunBatchRepositoryExport(const QString& Repository, const QString& FileName, TPrompt& Prompt)
{
    const std::unique_ptr<TRepository> rep = NewRepository(BatchRepositoryPath(Repository));
    return WithRepositoryName(*rep, [&] {
        rep->OpenReadOnly();
        const QList<int> locales = rep->RepLocales();
        if (locales.isEmpty()) throw EQBaseError(QStringLiteral("The repository has no languages"));
        TRepExportOptions options;
        options.FileName = FileName;
        options.BaseLocale = locales.first();
        options.Locales = locales.mid(1);
        qint64 written = 0;
        if (!ExportToTMX(*rep, options, Prompt, &written))
            throw EVocabrixError(QStringLiteral("Export has been terminated by user"));
        return written;
    });
}

namespace {

// Whether Target has a record with exactly these texts (empty: none).
bool HasRecord(TRepository& Target, const QList<int>& Locales, const QStringList& Texts)
{
    const qsizetype first =
        std::find_if(Texts.begin(), Texts.end(), [](const QString& t) { return !t.isEmpty(); }) - Texts.begin();
    if (first >= Texts.size()) return true; // nothing to copy
    QList<TQValueLocation> candidates;
    Target.FindRecords(Locales[first], Texts[first], {}, candidates);
    for (qsizetype i = 0; i < Locales.size() && !candidates.isEmpty(); ++i) {
        if (i == first) continue;
        QList<TQValueLocation> withText = candidates;
        Target.PairsAt(Locales[i], withText);
        QList<TQValueLocation> kept;
        for (const TQValueLocation& c : candidates) {
            const auto it = std::find_if(withText.begin(), withText.end(),
                                         [&](const TQValueLocation& w) { return w.Bookmark == c.Bookmark; });
            if ((it == withText.end() ? QString() : it->Text) == Texts[i]) kept << c;
        }
        candidates = kept;
    }
    return !candidates.isEmpty();
}

} // namespace

TRepositoryCopy RunBatchRepositoryCopy(const QString& Repository, const QString& Target, TPrompt& Prompt)
{
    const std::unique_ptr<TRepository> source = NewRepository(BatchRepositoryPath(Repository));
    const std::unique_ptr<TRepository> target = NewRepository(Target);
    if (source->Name() == target->Name())
        throw EQBaseError(QStringLiteral("A repository cannot be copied into itself"));
    WithRepositoryName(*source, [&] {
        source->OpenReadOnly();
        WaitForIndex(*source, Prompt);
    });
    TRepositoryCopy copy;
    WithRepositoryName(*target, [&] {
        if (!target->OpenOrCreate()) throw EQBaseError(QStringLiteral("The repository is in use by another program"));
        WaitForIndex(*target, Prompt);
        const QList<int> locales = source->RepLocales();
        copy.Languages = locales.size();
        target->AddLocales(locales);
        const TProgressRun progress(Prompt, UiString(usCopyingRepository), source->RecordCount());
        const bool completed = source->ForEachRecord(locales, [&](qint32, const QStringList& Texts) {
            ++copy.Records;
            if (HasRecord(*target, locales, Texts)) {
                ++copy.Skipped;
            } else {
                QList<TRepText> texts;
                for (qsizetype i = 0; i < locales.size(); ++i)
                    if (!Texts[i].isEmpty()) texts.append({locales[i], Texts[i]});
                target->WriteTexts(0, texts);
            }
            return Prompt.ProgressStep(copy.Records);
        });
        if (!completed) throw EVocabrixError(QStringLiteral("Copying has been terminated by user"));
    });
    return copy;
}
