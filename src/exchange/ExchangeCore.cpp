#include "exchange/ExchangeCore.h"

#include "core/UiStrings.h"

#include "core/DateTime.h"
#include "core/Prompt.h"
#include "langfile/LEProject.h"
#include "langfile/LangFileProject.h"

#include <QFile>
#include <QFileInfo>

bool TExportOptions::TabDelimited() const
{
    return Delimiter.compare(QLatin1String("comma"), Qt::CaseInsensitive) != 0;
}

QString TExchangeSelection::FoldName(const QString& Name)
{
    QString folded = Name;
    for (QChar& ch : folded)
        if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z')) ch = QChar(ch.unicode() - 32);
    return folded;
}

QSet<QString> TExchangeSelection::Fold(const QStringList& Names)
{
    QSet<QString> set;
    for (const QString& name : Names) set.insert(FoldName(name));
    return set;
}

bool TExchangeSelection::Takes(const TLocItem* Item) const
{
    if (auto p = dynamic_cast<const TLocProperty*>(Item)) return p->Form() && HasForm(p->Form()->Name());
    if (auto c = dynamic_cast<const TLocConstant*>(Item)) return c->ResUnit() && HasUnit(c->ResUnit()->Name());
    if (auto e = dynamic_cast<const TLocExtItem*>(Item)) return e->Group() && HasGroup(e->Group()->Name());
    return false;
}

namespace exchange {

QByteArray ReadImportFile(const QString& FileName)
{
    // Exports of the biggest projects are some tens of megabytes.
    constexpr qint64 kMaxSize = qint64(1) << 30;
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EExchangeError(UiString(usCannotOpenFile, {FileName, file.errorString()}));
    if (file.size() > kMaxSize) throw EExchangeError(UiString(usFileTooLarge, {FileName}));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EExchangeError(UiString(usCannotReadFile, {FileName, file.errorString()}));
    return data;
}

QStringList ValueLines(const QString& Value)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < Value.size(); ++i) {
        const QChar ch = Value[i];
        if (ch != QLatin1Char('\r') && ch != QLatin1Char('\n')) continue;
        lines << Value.mid(start, i - start);
        if (ch == QLatin1Char('\r') && i + 1 < Value.size() && Value[i + 1] == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    lines << Value.mid(start);
    return lines;
}

QString NormalizeLineBreaks(const QString& Text)
{
    if (!Text.contains(QLatin1Char('\r')) && !Text.contains(QLatin1Char('\n'))) return Text;
    return ValueLines(Text).join(QLatin1String("\r\n"));
}

bool ExportsItem(const TLocItem* Item, int LangIndex, const TExportOptions& Options, bool UntranslatableAlways)
{
    if (Item->Attribute(vaUntranslatable)) {
        if (!Options.Untranslatable) return false;
        if (UntranslatableAlways) return true;
    }
    return Item->IsTranslated(LangIndex) ? Options.Translated : Options.Untranslated;
}

TProgress::~TProgress() { End(); }

void TProgress::End()
{
    if (FOpen) FPrompt->ProgressEnd();
    FOpen = false;
}

void TProgress::Begin(const QString& Text, qint64 Max)
{
    if (!FPrompt) return;
    // Each part of a run has its own maximum: the window is begun anew.
    FPosition = 0;
    FPrompt->ProgressBegin(Text, Max);
    FOpen = true;
}

bool TProgress::Step()
{
    if (!FPrompt || FCancelled) return !FCancelled;
    if (!FPrompt->ProgressStep(++FPosition)) FCancelled = true;
    return !FCancelled;
}

TImportTarget::TImportTarget(TLangFileProject& Project, int LangIndex, const TImportOptions& Options,
                             const TExchangeSelection& Selection)
    : FProject(Project), FLangIndex(LangIndex), FOptions(Options), FSelection(Selection), FNow(DateTime::Now())
{
    if (LangIndex < 0 || LangIndex >= Project.LangCount() || LangIndex >= Project.LangFiles().Count())
        throw EExchangeError(QStringLiteral("Invalid language index"));
    if (Options.SyncBy == sbIDs) {
        Project.Forms().FillLinearList(FProps, true);
        Project.Units().FillLinearList(FConsts, true);
        Project.ExtGroups().FillLinearList(FExts, true);
    }
}

bool TImportTarget::Apply(TLocItem* Item, const QString& Value, bool CheckSelection, TImportState State,
                          int32_t Version, bool RaiseNativeVersion)
{
    ++FCounts.Units;
    if (!Item) {
        ++FCounts.Unmatched;
        return false;
    }
    if (Item->Attribute(vaUntranslatable)) return false;
    if (CheckSelection && !FSelection.Takes(Item)) return false;
    const bool translated = Item->IsTranslated(FLangIndex);
    TLocValue* v = Item->Values().Items(FLangIndex);
    if (translated && (!FOptions.ChangeTranslated || State == isUntranslated)) {
        // A translation the file would change: the summary says why it stayed.
        if (State != isUntranslated && v->Value() != Value) ++FCounts.Kept;
        return false;
    }
    // A file that states translated or verified may change only the state; a
    // text without a state changes something only when it differs.
    const bool stated = State == isTranslated || State == isVerified;
    const bool verified = State == isVerified;
    const bool textChanged = v->Value() != Value;
    const bool verifiedChanged = stated && !IsNative() && v->Attribute(vaVerified) != verified;
    const bool stateChanged = stated && !translated;
    if (!textChanged && !verifiedChanged && !stateChanged) return false;
    v->SetValue(Value);
    v->SetModified(FNow);
    if (State != isUntranslated) v->SetValueVersion(Version < 0 ? Item->MainValue()->ValueVersion() : Version);
    if (verifiedChanged) v->SetAttribute(vaVerified, verified);
    if (IsNative() && RaiseNativeVersion) Item->MainValue()->SetValueVersion(Item->MainValue()->ValueVersion() + 1);
    FProject.LangFiles().Items(FLangIndex)->SetModified(true);
    ++FCounts.Imported;
    return true;
}

void TImportTarget::ApplyNativeExtItem(const QString& GroupName, const QString& ItemName, const QString& Value,
                                       int32_t Version, bool RaiseNativeVersion)
{
    if (TLocExtItem* item = FProject.FindExtItem(GroupName, ItemName)) {
        Apply(item, Value, false, isValue, Version, RaiseNativeVersion);
        return;
    }
    TLangFile* native = FProject.LangFiles().Items(0);
    FProject.SetMaxExtItemID(std::max(FProject.MaxExtItemID(), native->ExtItemMaxID()));
    TLocExtItem* item = FProject.AddExternalItem(-1, GroupName, ItemName);
    native->SetExtItemMaxID(item->ID());
    TLocValue* v = item->MainValue();
    v->SetValue(Value);
    v->SetModified(FNow);
    if (Version >= 0) v->SetValueVersion(Version);
    for (int i = 1; i < item->Values().Count(); ++i) item->Values().Items(i)->SetValueVersion(-1);
    native->SetModified(true);
    FCreated = true;
    ++FCounts.Units;
    ++FCounts.Imported;
}

void TImportTarget::Finish()
{
    if (!FCreated) return;
    if (auto editor = dynamic_cast<TLEProject*>(&FProject)) editor->FillLists();
}

} // namespace exchange

TLocProperty* FindPropertyByFullName(const TLocStorage& Storage, const QString& FullName)
{
    const qsizetype dot = FullName.indexOf(QLatin1Char('.'));
    if (dot < 0) return nullptr;
    TLocForm* form = Storage.Forms().FindByName(FullName.left(dot));
    if (!form) return nullptr;
    const QString rest = FullName.mid(dot + 1);
    QString comp, prop;
    const qsizetype bracket = rest.lastIndexOf(QLatin1Char(']'));
    if (bracket >= 0) {
        comp = rest.left(bracket + 1);
        prop = rest.mid(bracket + 2);
    } else {
        const qsizetype split = rest.indexOf(QLatin1Char('.'));
        if (split >= 0) {
            comp = rest.left(split);
            prop = rest.mid(split + 1);
        } else {
            prop = rest;
        }
    }
    for (;;) {
        if (TLocProperty* p = form->FindProperty(comp, prop)) return p;
        const qsizetype more = prop.indexOf(QLatin1Char('.'));
        if (more < 0) break;
        comp += QLatin1Char('.') + prop.left(more);
        prop = prop.mid(more + 1);
    }
    // A property of the form itself may hold dots too (Font.Name).
    return form->Properties().FindByName(rest);
}

namespace {
template <class T, class Find> T* FindSplitAtDot(const QString& FullName, Find find)
{
    const qsizetype dot = FullName.indexOf(QLatin1Char('.'));
    return dot < 0 ? nullptr : find(FullName.left(dot), FullName.mid(dot + 1));
}
} // namespace

TLocConstant* FindConstantByFullName(const TLocStorage& Storage, const QString& FullName)
{
    return FindSplitAtDot<TLocConstant>(FullName,
                                        [&](const QString& a, const QString& b) { return Storage.FindConstant(a, b); });
}

TLocExtItem* FindExtItemByFullName(const TLocStorage& Storage, const QString& FullName)
{
    return FindSplitAtDot<TLocExtItem>(FullName,
                                       [&](const QString& a, const QString& b) { return Storage.FindExtItem(a, b); });
}
