#include "langfile/checks/CheckRunner.h"

#include "langfile/checks/AcceptedFindings.h"
#include "langfile/checks/CheckRegistry.h"

#include "langfile/LanguageNaming.h"
#include "storage/LocStorage.h"
#include "storage/Locales.h"

#include <algorithm>

namespace {

struct TLanguageFacts {
    uint16_t Locale = 0;
    uint16_t NativeLocale = 0;
    int CodePage = 0;
};

TLanguageFacts LanguageFacts(const TLocStorage& Storage, int LangIndex)
{
    TLanguageFacts f;
    f.Locale = Storage.Locales(LangIndex);
    f.NativeLocale = Storage.Locales(0);
    // A language without an ANSI code page has no 8-bit form to check against.
    f.CodePage = LocaleHasCodePage(f.Locale) ? LocaleCodePage(f.Locale) : 0;
    return f;
}

bool Checked(const TLocItem* Item)
{
    return IsTextualType(Item->Values().ValueType()) && !Item->Attribute(vaUntranslatable);
}

void Fill(TCheckContext& c, const TLocItem* Item, int LangIndex, const QString& LangCode, const TLanguageFacts& f,
          const QHash<QString, QString>* MenuLevels = nullptr)
{
    c.Item = Item;
    c.ItemName = Item->GetFullName(QStringLiteral("."));
    c.LangIndex = LangIndex;
    c.Locale = f.Locale;
    c.NativeLocale = f.NativeLocale;
    c.LangCode = LangCode;
    c.CodePage = f.CodePage;
    c.Native = Item->MainValue()->Value();
    c.Translation = Item->Values().Items(LangIndex)->Value();
    c.Translated = Item->IsTranslated(LangIndex);
    c.Form.clear();
    c.Group.clear();
    if (const auto* p = dynamic_cast<const TLocProperty*>(Item)) {
        if (const TLocForm* form = p->Form()) c.Form = form->Name();
        c.Group = c.Form;
        if (const TLocComponent* comp = p->Component(); comp && MenuLevels && !MenuLevels->isEmpty())
            c.Group = MenuLevels->value(c.Form + QLatin1Char('.') + comp->Name(), c.Form);
    }
}

} // namespace

bool MakeCheckContext(const TLocStorage& Storage, const TLocItem* Item, int LangIndex, const QString& LangCode,
                      TCheckContext& Context, const QHash<QString, QString>* MenuLevels)
{
    if (!Item || LangIndex < 0 || LangIndex >= Storage.LangCount() || !Checked(Item)) return false;
    Fill(Context, Item, LangIndex, LangCode, LanguageFacts(Storage, LangIndex), MenuLevels);
    return true;
}

std::vector<TCheckContext> CollectCheckContexts(const TLocStorage& Storage, int LangIndex, const QString& LangCode,
                                                const QHash<QString, QString>* MenuLevels)
{
    std::vector<TCheckContext> contexts;
    if (LangIndex < 0 || LangIndex >= Storage.LangCount()) return contexts;
    const TLanguageFacts facts = LanguageFacts(Storage, LangIndex);
    const auto add = [&](const TLocItem* item) {
        if (!Checked(item)) return;
        contexts.emplace_back();
        Fill(contexts.back(), item, LangIndex, LangCode, facts, MenuLevels);
    };
    for (auto& f : Storage.Forms()) {
        for (auto& p : f->Properties()) add(p.get());
        for (auto& comp : f->Components())
            for (auto& p : comp->Properties()) add(p.get());
    }
    for (auto& u : Storage.Units())
        for (auto& c : u->Constants()) add(c.get());
    for (auto& g : Storage.ExtGroups())
        for (auto& e : g->ExtItems()) add(e.get());
    return contexts;
}

std::vector<TCheckFinding> RunChecks(const TCheckRegistry& Registry, std::span<const TCheckContext> Contexts,
                                     const TAcceptedFindings* Accepted)
{
    struct TPlaced {
        size_t Context;
        size_t Check;
        TCheckFinding Finding;
    };
    std::vector<TPlaced> placed;
    const auto& checks = Registry.Checks();
    for (size_t i = 0; i < Contexts.size(); ++i) {
        const TCheckContext* c = &Contexts[i];
        if (!c->Translated) continue;
        TCheckContext claimed;
        for (const auto& check : checks) {
            if (!check->MeasuresWidth(*c)) continue;
            claimed = *c;
            claimed.WidthKnown = true;
            c = &claimed;
            break;
        }
        for (size_t k = 0; k < checks.size(); ++k) {
            const TCheck& check = *checks[k];
            if (check.ChecksWindows()) continue;
            if (c->Translation.isEmpty() && !check.ChecksEmptyTranslations()) continue;
            check.CheckItem(*c, [&](const QString& message) {
                placed.push_back({i, k, MakeFinding(check, *c, message)});
            });
        }
    }

    // Window checks, one run of contexts of one form at a time.
    for (size_t k = 0; k < checks.size(); ++k) {
        const TCheck& check = *checks[k];
        if (!check.ChecksWindows()) continue;
        for (size_t start = 0; start < Contexts.size();) {
            size_t end = start + 1;
            while (end < Contexts.size() && Contexts[end].Form == Contexts[start].Form) ++end;
            if (!Contexts[start].Form.isEmpty()) {
                check.CheckWindow(Contexts.subspan(start, end - start), [&](TCheckFinding f) {
                    size_t at = start;
                    while (at + 1 < end && Contexts[at].Item != f.Item) ++at;
                    placed.push_back({at, k, std::move(f)});
                });
            }
            start = end;
        }
    }

    std::stable_sort(placed.begin(), placed.end(), [](const TPlaced& a, const TPlaced& b) {
        return a.Context != b.Context ? a.Context < b.Context : a.Check < b.Check;
    });
    std::vector<TCheckFinding> findings;
    findings.reserve(placed.size());
    for (TPlaced& p : placed) {
        if (Accepted && Accepted->Contains(p.Finding)) p.Finding.Accepted = true;
        findings.push_back(std::move(p.Finding));
    }
    return findings;
}
