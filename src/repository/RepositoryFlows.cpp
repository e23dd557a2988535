#include "repository/RepositoryFlows.h"

#include "core/DateTime.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/FormatSymbols.h"
#include "langfile/LangFileProject.h"
#include "platform/Settings.h"
#include "repository/ProjectItems.h"
#include "repository/SmartCore.h"
#include "storage/Locales.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool IsTextual(const TLocItem& Item) { return IsTextualType(Item.MainValue()->ValueType()); }

bool IsCurrent(const TLocItem& Item, int LangIndex)
{
    return Item.Values().Items(LangIndex)->ValueVersion() == Item.MainValue()->ValueVersion();
}

// Choices of one list of the language dialog.
QList<int> LanguageChoices(const TRepository& Rep, int Locale)
{
    QList<int> list{Locale};
    if (Rep.HasLocale(Locale)) return list;
    for (int loc : Rep.RepLocales())
        if (loc != Locale && PrimaryLanguage(loc) == PrimaryLanguage(Locale)) list << loc;
    return list;
}

// The dialog "Refresh Repository by language": shown only when the
// repository lacks a field and offers a choice.
bool ChooseLanguages(TRepository& Rep, TRepositoryPrompt& Ask, int& LocNat, int& LocCur, bool Plural,
                     bool* DontAskAgain)
{
    if (Rep.HasLocale(LocNat) && Rep.HasLocale(LocCur)) return true;
    TLanguageChoice choice;
    choice.Search = LanguageChoices(Rep, LocNat);
    choice.Target = LanguageChoices(Rep, LocCur);
    choice.SearchLocale = LocNat;
    choice.TargetLocale = LocCur;
    choice.Plural = Plural;
    if (choice.Search.size() <= 1 && choice.Target.size() <= 1) return true;
    if (!Ask.AskLanguages(choice)) return false;
    LocNat = choice.SearchLocale;
    LocCur = choice.TargetLocale;
    if (DontAskAgain) *DontAskAgain = choice.DontAskAgain;
    return true;
}

} // namespace

// ---------------------------------------------------------------- options

TRepositoryOptions TRepositoryOptions::Read()
{
    const TSettingsKey key;
    TRepositoryOptions o;
    o.TranslateAll = key.ReadBool(QStringLiteral("RepTranslateAll"), o.TranslateAll);
    o.AutoTranslate = key.ReadBool(QStringLiteral("RepAutoTranslate"), o.AutoTranslate);
    o.AutoRefreshByCell = key.ReadBool(QStringLiteral("RepAutoRefreshByCell"), o.AutoRefreshByCell);
    const int existing = key.ReadInteger(QStringLiteral("RepRefreshExisting"), int(o.RefreshExisting));
    if (existing >= reAppend && existing <= reAsk) o.RefreshExisting = TRepRefreshExisting(existing);
    o.AskTranslating = key.ReadBool(QStringLiteral("RepAskTranslating"), o.AskTranslating);
    o.AddTheSame = key.ReadBool(QStringLiteral("RepAddTheSame"), o.AddTheSame);
    o.Smart = key.ReadBool(QStringLiteral("RepSmart"), o.Smart);
    o.IndicateInGrid = key.ReadBool(QStringLiteral("RepIndicateInGrid"), o.IndicateInGrid);
    return o;
}

void TRepositoryOptions::Write() const
{
    TSettingsKey key;
    key.WriteBool(QStringLiteral("RepTranslateAll"), TranslateAll);
    key.WriteBool(QStringLiteral("RepAutoTranslate"), AutoTranslate);
    key.WriteBool(QStringLiteral("RepAutoRefreshByCell"), AutoRefreshByCell);
    key.WriteInteger(QStringLiteral("RepRefreshExisting"), int(RefreshExisting));
    key.WriteBool(QStringLiteral("RepAskTranslating"), AskTranslating);
    key.WriteBool(QStringLiteral("RepAddTheSame"), AddTheSame);
    key.WriteBool(QStringLiteral("RepSmart"), Smart);
    key.WriteBool(QStringLiteral("RepIndicateInGrid"), IndicateInGrid);
    key.Flush();
}

bool SkippedByTranslateAll(const TLocItem& Item, int LangIndex, bool TranslateAll)
{
    if (!IsTextual(Item) || Item.Attribute(vaUntranslatable)) return true;
    if (Item.Values().Items(LangIndex)->Attribute(vaVerified)) return true;
    return !TranslateAll && IsCurrent(Item, LangIndex);
}

bool CountsAsUntranslated(const TLocItem& Item, int LangIndex)
{
    return IsTextual(Item) && !Item.Attribute(vaUntranslatable) && !Item.IsTranslated(LangIndex);
}

QString TranslateAllSummary(TRepository& Repository, TLangFileProject& Project, int LangIndex, const QString& Code,
                            int Translated, bool TranslateAll)
{
    int untranslated = 0;
    bool translatedKept = false;
    const auto count = [&](TLocItem& item) {
        if (CountsAsUntranslated(item, LangIndex))
            ++untranslated;
        else if (!TranslateAll && SkippedByTranslateAll(item, LangIndex, false) &&
                 !SkippedByTranslateAll(item, LangIndex, true))
            translatedKept = true;
    };
    ForEachProperty(Project, count);
    ForEachConstant(Project, count);
    ForEachExtItem(Project, count);
    QString text = UiString(usTranslateSummary, {Code, QString::number(Translated), QString::number(untranslated)});
    if (Translated > 0) return text;
    for (const int index : {0, LangIndex}) {
        const int locale = Project.LangFiles()[index]->Locale();
        if (Repository.ServingLocale(locale) == 0)
            return text + QStringLiteral("\r\n") + UiString(usNoTextsForLanguage, {LocaleEnglishName(locale)});
    }
    if (translatedKept) text += QStringLiteral("\r\n") + UiString(usTranslatedValuesKept);
    return text;
}

bool ApplyTranslation(TLangFileProject& Project, int LangIndex, TLocItem& Item, const QString& Translation)
{
    TLocValue* value = Item.Values().Items(LangIndex);
    const int32_t version = Item.MainValue()->ValueVersion();
    if (value->Value() == Translation && value->ValueVersion() == version) return false;
    value->SetValue(Translation);
    value->SetFuzzyScore(0);
    value->SetModified(DateTime::Now());
    value->SetValueVersion(version);
    Project.LangFiles()[LangIndex]->SetModified(true);
    return true;
}

bool ApplyFuzzyMatch(TLangFileProject& Project, int LangIndex, TLocItem& Item, const TFuzzyMatch& Match)
{
    TLocValue* value = Item.Values().Items(LangIndex);
    if (value->Value() == Match.Translation && value->FuzzyScore() == Match.Score) return false;
    value->SetValue(Match.Translation);
    value->SetFuzzyScore(Match.Score);
    value->SetModified(DateTime::Now());
    Project.LangFiles()[LangIndex]->SetModified(true);
    return true;
}

bool TSilentRepositoryPrompt::AskLanguages(TLanguageChoice&) { return true; }

// ---------------------------------------------------------------- flows

TRepositoryFlows::TRepositoryFlows(TRepository& Repository, const TRepositoryOptions& Options, TPrompt& Prompt,
                                   TRepositoryPrompt& Ask)
    : FRep(Repository), FOptions(Options), FPrompt(Prompt), FAsk(Ask)
{
}

bool TRepositoryFlows::RepositoryAddWord(int LocNat, int LocCur, TRepAnswer& MR, bool Plural, TQLocateOptions Options,
                                         QString WordCur, QString WordNat)
{
    return RepositoryAddWords(LocNat, std::move(WordNat), {{LocCur, std::move(WordCur)}}, MR, Plural, Options);
}

std::optional<qint32> TRepositoryFlows::TargetRecord(int LocNat, const QString& WordNat,
                                                     const TTranslation& Translation, TRepAnswer& MR, bool Plural,
                                                     TQLocateOptions Options, bool& Cancelled)
{
    const int LocCur = Translation.Locale;
    const QString& WordCur = Translation.Text;
    if (WordCur.isEmpty()) return std::nullopt;
    if (!FOptions.AddTheSame && LocaleCompareText(LocNat, WordNat, WordCur, false) == 0) return std::nullopt;

    QList<TQValueLocation> found;
    const qint32 empty = FRep.GetPairsByWord(LocNat, LocCur, WordNat, Options, found);
    for (const TQValueLocation& f : found)
        if (LocaleCompareText(LocCur, f.Text, WordCur, false) == 0) return std::nullopt;
    if (found.isEmpty()) return empty;

    switch (FOptions.RefreshExisting) {
    case reAppend:
        return empty;
    case reSkip:
        return std::nullopt;
    case reAsk:
        if (MR == raYesToAll) return empty;
        if (MR == raNoToAll) return std::nullopt;
        break;
    }
    TRefreshQuestion q;
    q.NativeText = WordNat;
    q.Translation = WordCur;
    for (const TQValueLocation& f : found) q.Found << f.Text;
    q.NativeLocale = LocNat;
    q.TargetLocale = LocCur;
    q.Plural = Plural;
    const TRefreshReply reply = FAsk.AskRefresh(q);
    MR = reply.Answer;
    Cancelled = MR == raCancel;
    if (MR != raYes && MR != raYesToAll) return std::nullopt;
    if (reply.Update && reply.Selected >= 0 && reply.Selected < found.size()) return found[reply.Selected].Bookmark;
    return empty;
}

bool TRepositoryFlows::RepositoryAddWords(int LocNat, QString WordNat, const QList<TTranslation>& Translations,
                                          TRepAnswer& MR, bool Plural, TQLocateOptions Options)
{
    if (FOptions.Smart) WordNat = WordNat.trimmed();
    if (WordNat.isEmpty()) return true;

    // Every translation is decided against the repository as it was; those
    // without a record of their own go to one new record together.
    QList<std::pair<qint32, TTranslation>> writes;
    bool cancelled = false;
    for (TTranslation t : Translations) {
        if (FOptions.Smart) t.Text = t.Text.trimmed();
        const std::optional<qint32> target = TargetRecord(LocNat, WordNat, t, MR, Plural, Options, cancelled);
        if (cancelled) break;
        if (target) writes.append({*target, t});
    }
    QList<qint32> written;
    for (const auto& write : writes) {
        const qint32 target = write.first;
        if (written.contains(target)) continue;
        written.append(target);
        QList<TRepText> texts;
        for (const auto& [other, t] : writes)
            if (other == target) texts.append({t.Locale, t.Text});
        FRep.StoreTexts(LocNat, WordNat, texts, Options, target);
    }
    return !cancelled;
}

bool TRepositoryFlows::RepAddWord(int LocNative, int LocCurrent, TRepAnswer& MR, bool Plural, TQLocateOptions Options,
                                  const TLocItem& Item, int LangIndex)
{
    FRep.AddLocales({LocNative, LocCurrent});
    QString nat = Item.MainValue()->Value();
    QString cur = Item.Values().Items(LangIndex)->Value();
    if (FOptions.Smart) {
        nat = GetCoreText(nat);
        cur = GetCoreText(cur);
    }
    return RepositoryAddWord(LocNative, LocCurrent, MR, Plural, Options, cur, nat);
}

QList<TFuzzyMatch> TRepositoryFlows::FuzzyMatches(TRepository& Repository, int NativeLocale, int TargetLocale,
                                                  const QString& Native, int Threshold, int MaxCount)
{
    const int search = Repository.ServingLocale(NativeLocale), target = Repository.ServingLocale(TargetLocale);
    if (search == 0 || target == 0) return {};
    return Repository.FuzzyLookup(search, target, Native, Threshold, MaxCount);
}

TLookupResult TRepositoryFlows::LookupTranslation(int NativeLocale, int TargetLocale, const TLocItem& Item,
                                                  int LangIndex, bool Plural, TRepAnswer& MR)
{
    if (MR == raNoToAll) return {true, {}};
    if (MR != raYesToAll) MR = raNo;

    const int search = FRep.ServingLocale(NativeLocale);
    if (search == 0) return {};

    // Exactly, then without regard to case, then (smart) the core without
    // case; the records found are the ones whose translations are listed.
    const QString native = Item.MainValue()->Value();
    QList<TQValueLocation> records;
    const auto find = [&](const QString& text, TQLocateOptions options) {
        if (!text.isEmpty()) FRep.FindRecords(search, text, options, records);
        return !records.isEmpty();
    };
    TCoreBounds core;
    bool throughCore = false;
    if (!find(native, {}) && !find(native, qloCaseInsensitive)) {
        if (!FOptions.Smart) return {};
        core = FindCoreBounds(native);
        if (core.Empty() || !find(native.mid(core.Start - 1, core.End - core.Start + 1), qloCaseInsensitive)) return {};
        throughCore = true;
    }

    QList<TQValueLocation> found = records;
    FRep.PairsAt(TargetLocale, found);
    if (found.isEmpty()) {
        found = records;
        FRep.PairsAt(TRepository::FallbackLocale(TargetLocale), found);
    }
    if (found.isEmpty()) return {};
    // A core cut a specifier off the native text but not off its
    // translation ("Save changes to %s?" and "%s speichern?"): wrapped, the
    // specifiers would no longer match, and a program formatting the text
    // would fail. Such a translation is no translation.
    QStringList translations;
    for (const TQValueLocation& f : found) {
        if (!throughCore) {
            translations << f.Text;
            continue;
        }
        const QString wrapped = WrapInDecoration(native, core, f.Text);
        if (FormatSymbols(wrapped) == FormatSymbols(native)) translations << wrapped;
    }
    if (translations.isEmpty()) return {};

    const QString current = Item.Values().Items(LangIndex)->Value();
    const bool asking = FOptions.AskTranslating && MR != raYesToAll;
    if (translations.contains(current) && !asking) return {false, current};

    if (translations.size() >= 2 && asking) {
        TRefreshQuestion q;
        q.Translating = true;
        q.NativeText = native;
        q.Translation = current;
        q.Found = translations;
        q.NativeLocale = NativeLocale;
        q.TargetLocale = TargetLocale;
        q.Plural = Plural;
        const TRefreshReply reply = FAsk.AskRefresh(q);
        switch (reply.Answer) {
        case raYes:
            MR = raYes;
            return {false, translations.value(reply.Selected)};
        case raYesToAll:
            MR = raYesToAll;
            return {false, translations.first()};
        case raNoToAll:
            MR = raNoToAll;
            return {true, {}};
        case raCancel:
            MR = raNo;
            return {true, {}};
        default:
            MR = raNo;
            return {};
        }
    }
    if (MR != raYesToAll) MR = raYes;
    return {false, translations.first()};
}

bool TRepositoryFlows::SameLocaleWarning(int LocNat, int LocCur)
{
    if (LocNat != LocCur) return false;
    FPrompt.Message(mkWarning, UiString(usSameLocaleAsNative), mbOK, mrOk);
    return true;
}

void TRepositoryFlows::AddCells(TLangFileProject& Project, int LangIndex, const QList<TLocItem*>& Items)
{
    TLangFile* nativeFile = Project.LangFiles()[0];
    TLangFile* file = Project.LangFiles()[LangIndex];
    for (TLocItem* item : Items) {
        int locNat = nativeFile->Locale(), locCur = file->Locale();
        if (SameLocaleWarning(locNat, locCur)) return;
        if (nativeFile->AskRepLocale() || file->AskRepLocale()) {
            bool dontAsk = false;
            if (!ChooseLanguages(FRep, FAsk, locNat, locCur, false, &dontAsk)) return;
            nativeFile->SetRepLocale(uint32_t(locNat));
            file->SetRepLocale(uint32_t(locCur));
            if (dontAsk) {
                nativeFile->SetAskRepLocale(false);
                file->SetAskRepLocale(false);
            }
        } else {
            if (nativeFile->RepLocale() != 0) locNat = int(nativeFile->RepLocale());
            if (file->RepLocale() != 0) locCur = int(file->RepLocale());
        }
        TRepAnswer mr = raNone;
        if (!RepAddWord(locNat, locCur, mr, false, {}, *item, LangIndex)) return;
    }
}

void TRepositoryFlows::RefreshByLanguage(TLangFileProject& Project, int LangIndex)
{
    int locNat = Project.LangFiles()[0]->Locale(), locCur = Project.LangFiles()[LangIndex]->Locale();
    if (SameLocaleWarning(locNat, locCur)) return;
    if (!ChooseLanguages(FRep, FAsk, locNat, locCur, true, nullptr)) return;

    const TProgressRun progress(FPrompt, UiString(usRefreshingProperties),
                                PropertyCount(Project) + ConstantCount(Project));
    TRepAnswer mr = raNone;
    qint64 position = 0;
    bool stopped = false, cancelled = false;
    const auto add = [&](TLocItem& item, bool onlyText) {
        if (stopped || cancelled) return;
        if ((!onlyText || IsTextual(item)) && IsCurrent(item, LangIndex) &&
            !RepAddWord(locNat, locCur, mr, true, {}, item, LangIndex)) {
            stopped = true;
            return;
        }
        cancelled = !FPrompt.ProgressStep(++position);
    };
    ForEachProperty(Project, [&](TLocItem& p) { add(p, true); });
    if (!stopped && !cancelled) {
        FPrompt.ProgressText(UiString(usRefreshingConstants));
        ForEachConstant(Project, [&](TLocItem& c) { add(c, false); });
    }
    if (cancelled) FPrompt.Message(mkInformation, UiString(usRefreshingTerminated), mbOK, mrOk);
}

int TRepositoryFlows::TranslateCells(TLangFileProject& Project, int LangIndex, const QList<TLocItem*>& Items)
{
    const int locNat = Project.LangFiles()[0]->Locale(), locCur = Project.LangFiles()[LangIndex]->Locale();
    TRepAnswer mr = raNone;
    int changed = 0;
    for (TLocItem* item : Items) {
        if (!IsTextual(*item) || item->Attribute(vaUntranslatable)) continue;
        const TLookupResult r = LookupTranslation(locNat, locCur, *item, LangIndex, false, mr);
        if (r.Stop) continue;
        if ((mr == raYes || mr == raYesToAll) && !r.Translation.isEmpty() &&
            ApplyTranslation(Project, LangIndex, *item, r.Translation))
            ++changed;
    }
    return changed;
}

int TRepositoryFlows::TranslateAll(TLangFileProject& Project, int LangIndex, bool* Cancelled)
{
    const int locNat = Project.LangFiles()[0]->Locale(), locCur = Project.LangFiles()[LangIndex]->Locale();
    const TProgressRun progress(FPrompt, UiString(usTranslatingProperties),
                                PropertyCount(Project) + ConstantCount(Project) + ExtItemCount(Project));
    TRepAnswer mr = raNone;
    qint64 position = 0;
    int changed = 0;
    bool cancelled = false;
    const auto translate = [&](TLocItem& item) {
        if (cancelled) return;
        if (!SkippedByTranslateAll(item, LangIndex, FOptions.TranslateAll)) {
            const TLookupResult r = LookupTranslation(locNat, locCur, item, LangIndex, true, mr);
            if (!r.Stop && (mr == raYes || mr == raYesToAll) && !r.Translation.isEmpty() &&
                ApplyTranslation(Project, LangIndex, item, r.Translation))
                ++changed;
        }
        cancelled = !FPrompt.ProgressStep(++position);
    };
    ForEachProperty(Project, translate);
    if (!cancelled) FPrompt.ProgressText(UiString(usTranslatingConstants));
    ForEachConstant(Project, translate);
    if (!cancelled) FPrompt.ProgressText(UiString(usTranslatingExternal));
    ForEachExtItem(Project, translate);
    if (cancelled) FPrompt.Message(mkInformation, UiString(usTranslationTerminated), mbOK, mrOk);
    if (Cancelled) *Cancelled = cancelled;
    return changed;
}

TRepAvailability TRepositoryFlows::Availability(TRepository& Repository, int SearchLocale, int CellLocale,
                                                const QString& NativeValue, bool Smart)
{
    try {
        if (NativeValue.isEmpty() || !Repository.Active() || !Repository.IndexReady()) return avNone;
        const auto has = [&](const QString& text) {
            QString translation;
            return Repository.ExtractWord(SearchLocale, text, CellLocale, translation, {});
        };
        if (has(NativeValue)) return avExact;
        if (Smart) {
            const QString core = GetCoreText(NativeValue);
            if (!core.isEmpty() && core != NativeValue && has(core)) return avSmart;
        }
    } catch (const EVocabrixError&) {
        // A mark is a hint; a repository that cannot answer shows none.
    }
    return avNone;
}
