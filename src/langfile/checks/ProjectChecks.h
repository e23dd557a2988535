#pragma once

#include "langfile/checks/AcceptedFindings.h"
#include "langfile/checks/CheckRegistry.h"

#include <QHash>
#include <memory>
#include <vector>

class TLangFileProject;
class TLocItem;

// The findings of an open project, per language column, as the editor shows
// them (panel, grid marks, filter, status bar). The whole project is checked
// in the background: Prepare snapshots the texts on the main thread, Run works
// on the snapshot on any thread, Apply takes the result back on the main
// thread (a result of an older snapshot is dropped). A cell being edited is
// checked again with Recheck.
class TProjectChecks {
public:
    // Forgets every finding and makes the checks of the project anew (after
    // opening or closing a project or a language, or a change of options).
    // MenuLevels: ReadMenuLevels of the project's executable.
    void Reset(const TLangFileProject* Project, const TCheckOptions& Options, QHash<QString, QString> MenuLevels = {});

    struct TJob {
        int Generation = 0;
        std::shared_ptr<const TCheckRegistry> Registry;
        struct TLanguage {
            int LangIndex = 0;
            std::vector<TCheckContext> Contexts;
            TAcceptedFindings Accepted;
        };
        std::vector<TLanguage> Languages;
        std::vector<std::vector<TCheckFinding>> Results; // filled by Run, one per language
        QStringList Errors;                              // accepted findings files that could not be read
    };
    std::shared_ptr<TJob> Prepare() const;
    static void Run(TJob& Job);
    // False when the job is stale (the project changed since Prepare).
    bool Apply(const TJob& Job);

    // Checks one item's value again; Text is the value as the translator
    // has typed it so far. Items of the same form are checked again with it
    // (accelerator clashes).
    void Recheck(const TLocItem* Item, int LangIndex, const QString& Text);
    void Recheck(const TLocItem* Item, int LangIndex);

    // Findings of a column in item order, accepted ones included (marked).
    const std::vector<TCheckFinding>& Findings(int LangIndex) const;
    // The open findings of one value; empty when none.
    std::vector<const TCheckFinding*> FindingsOf(const TLocItem* Item, int LangIndex) const;
    bool HasFindings(const TLocItem* Item, int LangIndex) const { return !FindingsOf(Item, LangIndex).empty(); }
    int OpenCount(int LangIndex) const;

    // Ignores a finding from now on while the translation stays as it is; the
    // language's accepted findings file is written at once. Raises ECheckError
    // when it cannot be written (the finding then stays open).
    void Accept(const TCheckFinding& Finding);

private:
    QString CodeOf(int LangIndex) const;
    void Replace(int LangIndex, const QList<const TLocItem*>& Items, std::vector<TCheckFinding> Found);

    const TLangFileProject* FProject = nullptr;
    std::shared_ptr<TCheckRegistry> FRegistry;
    QHash<QString, QString> FMenuLevels;
    int FGeneration = 0;
    QHash<int, std::vector<TCheckFinding>> FFindings; // by language column
    QHash<int, TAcceptedFindings> FAccepted;
    QHash<const TLocItem*, int> FOrder; // an item's place in the check order
};
