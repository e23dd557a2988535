#pragma once

#include "langfile/checks/Check.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <memory>
#include <vector>

class TLangFileProject;

// Which checks run and what they let pass. Read from the user's options and
// from the project's settings file (the [Checks] section of app.leo); the
// project's choices add to the user's.
struct TCheckOptions {
    QSet<QString> Disabled; // check identifiers
    // Texts the unchanged check lets pass: for every language, and per
    // language by its file code ("deu"); compared without case, accelerators
    // and end punctuation.
    QStringList SameTexts;
    QHash<QString, QStringList> SameTextsOf;
};

// The built-in checks, in the order their findings are listed.
const QStringList& BuiltinCheckIds();

// The checks of one run. Outside resources (a dictionary, the forms' geometry)
// bring their own checks through a provider.
class TCheckRegistry {
public:
    void Add(std::unique_ptr<TCheck> Check);
    void Remove(const QSet<QString>& Ids);
    const std::vector<std::unique_ptr<TCheck>>& Checks() const { return FChecks; }
    const TCheck* Find(const QString& Id) const;

private:
    std::vector<std::unique_ptr<TCheck>> FChecks;
};

// Adds every built-in check (Options gives the unchanged check its lists).
void AddBuiltinChecks(TCheckRegistry& Registry, const TCheckOptions& Options);

// Whoever owns an outside resource registers a provider once at start; every
// registry made by CreateCheckRegistry asks each provider for its checks. A
// provider adds nothing when its resource is missing (no dictionary for the
// language, no executable) and may say why once through Note.
struct TCheckProviderArgs {
    const TLangFileProject* Project = nullptr; // null in tests without a project
    const TCheckOptions* Options = nullptr;
    std::function<void(const QString&)> Note;
};
using TCheckProvider = std::function<void(TCheckRegistry&, const TCheckProviderArgs&)>;
void RegisterCheckProvider(const QString& Name, TCheckProvider Provider);

// The built-in checks and those of every provider, without the disabled ones.
std::unique_ptr<TCheckRegistry> CreateCheckRegistry(const TCheckProviderArgs& Args);

// The project's settings file, the project desktop file: app.ntv.lng gives app.leo.
QString ProjectSettingsFileName(const QString& NativeFileName);

// Adds the [Checks] section of the project's settings file to Options:
//   Disabled=double-space,length
//   Same=Phrase Desk,OK           (every language)
//   Same.deu=Name,Status          (one language)
// A missing file adds nothing; an unreadable one raises ECheckError.
void ReadProjectCheckOptions(const QString& NativeFileName, TCheckOptions& Options);

// A comma list of check identifiers as the settings keep it.
QSet<QString> ParseCheckList(const QString& Text);
QString CheckListText(const QSet<QString>& Ids);
