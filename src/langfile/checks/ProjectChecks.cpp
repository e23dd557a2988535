#include "langfile/checks/ProjectChecks.h"

#include "langfile/checks/CheckRunner.h"

#include "langfile/LangFileProject.h"
#include "langfile/LanguageNaming.h"

#include <algorithm>

void TProjectChecks::Reset(const TLangFileProject* Project, const TCheckOptions& Options,
                           QHash<QString, QString> MenuLevels)
{
    ++FGeneration;
    FProject = Project;
    FMenuLevels = std::move(MenuLevels);
    FFindings.clear();
    FAccepted.clear();
    FOrder.clear();
    FRegistry = Project ? std::shared_ptr<TCheckRegistry>(CreateCheckRegistry({Project, &Options, {}})) : nullptr;
    if (!Project) return;
    int order = 0;
    Project->ForEachItem([&](TLocItem* item) { FOrder.insert(item, order++); });
}

QString TProjectChecks::CodeOf(int LangIndex) const
{
    for (const auto& file : FProject->LangFiles())
        if (file->LangIndex() == LangIndex) return LanguageFileAbbreviation(file->FileName());
    return {};
}

std::shared_ptr<TProjectChecks::TJob> TProjectChecks::Prepare() const
{
    auto job = std::make_shared<TJob>();
    job->Generation = FGeneration;
    job->Registry = FRegistry;
    if (!FProject || !FRegistry) return job;
    for (const auto& file : FProject->LangFiles()) {
        if (file->IsNative()) continue;
        TJob::TLanguage language;
        language.LangIndex = file->LangIndex();
        language.Contexts = CollectCheckContexts(*FProject, file->LangIndex(),
                                                 LanguageFileAbbreviation(file->FileName()), &FMenuLevels);
        try {
            language.Accepted = TAcceptedFindings::Load(AcceptedFindingsFileName(file->FileName()));
        } catch (const ECheckError& e) {
            job->Errors << e.Message();
        }
        job->Languages.push_back(std::move(language));
    }
    return job;
}

void TProjectChecks::Run(TJob& Job)
{
    Job.Results.clear();
    for (const TJob::TLanguage& language : Job.Languages)
        Job.Results.push_back(Job.Registry ? RunChecks(*Job.Registry, language.Contexts, &language.Accepted)
                                           : std::vector<TCheckFinding>());
}

bool TProjectChecks::Apply(const TJob& Job)
{
    if (Job.Generation != FGeneration || Job.Results.size() != Job.Languages.size()) return false;
    for (size_t i = 0; i < Job.Languages.size(); ++i) {
        FFindings[Job.Languages[i].LangIndex] = Job.Results[i];
        FAccepted[Job.Languages[i].LangIndex] = Job.Languages[i].Accepted;
    }
    return true;
}

void TProjectChecks::Recheck(const TLocItem* Item, int LangIndex)
{
    if (Item && LangIndex >= 0 && LangIndex < Item->Values().Count())
        Recheck(Item, LangIndex, Item->Values().Items(LangIndex)->Value());
}

void TProjectChecks::Recheck(const TLocItem* Item, int LangIndex, const QString& Text)
{
    if (!FProject || !FRegistry || !Item || LangIndex <= 0 || LangIndex >= FProject->LangCount()) return;
    const QString code = CodeOf(LangIndex);
    // The item and, for a caption, the rest of its window: a clash involves both sides.
    QList<const TLocItem*> items;
    const auto* property = dynamic_cast<const TLocProperty*>(Item);
    if (const TLocForm* form = property ? property->Form() : nullptr) {
        for (auto& p : form->Properties()) items << p.get();
        for (auto& comp : form->Components())
            for (auto& p : comp->Properties()) items << p.get();
    } else {
        items << Item;
    }
    std::vector<TCheckContext> contexts;
    for (const TLocItem* item : items) {
        TCheckContext c;
        if (!MakeCheckContext(*FProject, item, LangIndex, code, c, &FMenuLevels)) continue;
        if (item == Item) {
            c.Translation = Text;
            c.Translated = true; // what is typed becomes the translation
        }
        contexts.push_back(std::move(c));
    }
    const TAcceptedFindings& accepted = FAccepted[LangIndex];
    Replace(LangIndex, items, RunChecks(*FRegistry, contexts, &accepted));
}

void TProjectChecks::Replace(int LangIndex, const QList<const TLocItem*>& Items, std::vector<TCheckFinding> Found)
{
    std::vector<TCheckFinding>& findings = FFindings[LangIndex];
    std::erase_if(findings, [&Items](const TCheckFinding& f) { return Items.contains(f.Item); });
    for (TCheckFinding& f : Found) findings.push_back(std::move(f));
    std::stable_sort(findings.begin(), findings.end(), [this](const TCheckFinding& a, const TCheckFinding& b) {
        return FOrder.value(a.Item) < FOrder.value(b.Item);
    });
}

const std::vector<TCheckFinding>& TProjectChecks::Findings(int LangIndex) const
{
    static const std::vector<TCheckFinding> kNone;
    const auto it = FFindings.find(LangIndex);
    return it == FFindings.end() ? kNone : it.value();
}

std::vector<const TCheckFinding*> TProjectChecks::FindingsOf(const TLocItem* Item, int LangIndex) const
{
    std::vector<const TCheckFinding*> result;
    for (const TCheckFinding& f : Findings(LangIndex))
        if (f.Item == Item && !f.Accepted) result.push_back(&f);
    return result;
}

int TProjectChecks::OpenCount(int LangIndex) const
{
    const auto& findings = Findings(LangIndex);
    return int(std::count_if(findings.begin(), findings.end(), [](const TCheckFinding& f) { return !f.Accepted; }));
}

void TProjectChecks::Accept(const TCheckFinding& Finding)
{
    if (!FProject) return;
    QString fileName;
    for (const auto& file : FProject->LangFiles())
        if (file->LangIndex() == Finding.LangIndex) fileName = file->FileName();
    if (fileName.isEmpty()) return;
    TAcceptedFindings accepted = FAccepted.value(Finding.LangIndex);
    accepted.Accept(Finding);
    accepted.Save(AcceptedFindingsFileName(fileName));
    FAccepted[Finding.LangIndex] = accepted;
    for (TCheckFinding& f : FFindings[Finding.LangIndex])
        if (f.Item == Finding.Item && f.CheckId == Finding.CheckId && f.Translation == Finding.Translation)
            f.Accepted = true;
}
