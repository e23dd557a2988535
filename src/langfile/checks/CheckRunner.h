#pragma once

#include "langfile/checks/Check.h"

#include <QHash>
#include <span>
#include <vector>

class TAcceptedFindings;
class TCheckRegistry;
class TLocItem;
class TLocStorage;

// The values of one language column the checks look at: every item of a
// textual type that is not untranslatable, in storage order (forms, their
// properties and their components' properties; then resource strings; then
// external items), so that the values of one window stand together. Runs on
// the thread that owns the storage; the result may go to any thread.
// MenuLevels (ReadMenuLevels of the project's executable) puts each menu item
// into its menu level; without it a form's captions are one level.
std::vector<TCheckContext> CollectCheckContexts(const TLocStorage& Storage, int LangIndex, const QString& LangCode,
                                                const QHash<QString, QString>* MenuLevels = nullptr);

// The context of one item's value; false when the checks pass over the item
// (not textual, untranslatable, no such column).
bool MakeCheckContext(const TLocStorage& Storage, const TLocItem* Item, int LangIndex, const QString& LangCode,
                      TCheckContext& Context, const QHash<QString, QString>* MenuLevels = nullptr);

// Runs every check of the registry over the contexts: item checks on each
// translated value, window checks on each run of contexts of one form.
// Findings come in context order, and per context in the registry's order.
// Accepted findings are kept, marked Accepted. Pure: safe on a worker thread
// while the registry and the contexts live.
std::vector<TCheckFinding> RunChecks(const TCheckRegistry& Registry, std::span<const TCheckContext> Contexts,
                                     const TAcceptedFindings* Accepted = nullptr);
