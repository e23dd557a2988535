#include "storage/LocStorage.h"

#include "core/UiStrings.h"

#include "storage/Locales.h"

#include <QLocale>
#include <algorithm>

int CompareNames(const QString& A, const QString& B, bool CaseSensitive)
{
    const ushort* a = A.utf16();
    const ushort* b = B.utf16();
    const qsizetype n = std::min(A.size(), B.size());
    for (qsizetype i = 0; i < n; ++i) {
        ushort ca = a[i], cb = b[i];
        if (!CaseSensitive) {
            if (ca >= 'a' && ca <= 'z') ca -= 32;
            if (cb >= 'a' && cb <= 'z') cb -= 32;
        }
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

QString FloatToText(double Value)
{
    // Up to 15 significant digits, exponent written as "1E20" / "1E-5".
    QString s = QString::number(Value, 'g', 15);
    const qsizetype e = s.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        QString exp = s.mid(e + 1);
        const bool negative = exp.startsWith(QLatin1Char('-'));
        if (exp.startsWith(QLatin1Char('+')) || negative) exp.remove(0, 1);
        while (exp.size() > 1 && exp.startsWith(QLatin1Char('0'))) exp.remove(0, 1);
        s = s.left(e) + QLatin1Char('E') + (negative ? QStringLiteral("-") : QString()) + exp;
    }
    return s;
}

bool TextToFloat(const QString& Text, double& Value)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(Text.trimmed(), &ok);
    if (ok) Value = v;
    return ok;
}

// ---------------------------------------------------------------- TLocValue

TLocValue::TLocValue(TLocValueList* AValueList) : FValueList(AValueList), FLangID(uint16_t(UserDefaultLangID())) {}

TLocValueType TLocValue::ValueType() const { return FValueList->ValueType(); }

namespace {
bool IsNumericType(TLocValueType t) { return t == ptFloat || t == ptInteger; }

QString WithoutAmpersands(const QString& s)
{
    if (!s.contains(QLatin1Char('&'))) return s;
    QString r = s;
    r.remove(QLatin1Char('&'));
    return r;
}
} // namespace

int TLocValue::CompareWith(const TLocValue* aValue) const { return CompareSortKeys(SortKey(), aValue->SortKey()); }

TLocSortKey TLocValue::SortKey() const
{
    TLocSortKey key;
    key.Type = ValueType();
    if (IsNumericType(key.Type))
        key.Number = AsFloat();
    else if (IsTextualType(key.Type))
        key.Text = WithoutAmpersands(FValue);
    return key;
}

int TLocValue::CompareSortKeys(const TLocSortKey& A, const TLocSortKey& B)
{
    if (IsNumericType(A.Type)) {
        if (IsTextualType(B.Type)) return -1;
        if (IsNumericType(B.Type)) return A.Number < B.Number ? -1 : (A.Number > B.Number ? 1 : 0);
        return 0;
    }
    if (IsTextualType(A.Type)) {
        if (!IsTextualType(B.Type)) return 1;
        const int c = QString::compare(A.Text, B.Text, Qt::CaseSensitive);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return 0;
}

QStringList TLocValue::AsStrings() const
{
    if (FValue.isEmpty()) return {};
    QString text = FValue;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n'))) lines.removeLast(); // a final line break ends the last line
    return lines;
}

QByteArray TLocValue::AsAnsiString() const { return LocaleWideToAnsi(FValue, FLangID); }

int32_t TLocValue::AsInteger() const
{
    bool ok = false;
    const int32_t v = FValue.trimmed().toInt(&ok);
    return ok ? v : 0;
}

int64_t TLocValue::AsBigInt() const
{
    bool ok = false;
    const int64_t v = FValue.trimmed().toLongLong(&ok);
    if (!ok) throw ELocStorageError(UiString(usInvalidInteger, {FValue}));
    return v;
}

double TLocValue::AsFloat() const
{
    double v = 0;
    return TextToFloat(FValue, v) ? v : 0;
}

bool TLocValue::IsTranslated() const { return FValueVersion >= FValueList->Items(0)->FValueVersion; }

int TLocValue::FuzzyScore() const
{
    return Attribute(vaFuzzyMatch) ? 100 - ((FAttributes & vaFuzzyScoreMask) >> kFuzzyScoreShift) : 0;
}

void TLocValue::SetFuzzyScore(int Score)
{
    FAttributes &= ~(vaFuzzyMatch | vaFuzzyScoreMask);
    if (Score <= 0) return;
    const int below = 100 - std::clamp(Score, kLowestFuzzyFillScore, 100);
    FAttributes |= vaFuzzyMatch | uint16_t(below << kFuzzyScoreShift);
}

TLocValueList::TLocValueList(TLocValueType AValueType) : FValueType(AValueType)
{
    Add(std::make_unique<TLocValue>(this));
}

// ---------------------------------------------------------------- items

TLocItem::TLocItem(TLocStorage* ALocStorage, int32_t AID, const QString& AName, TLocValueType AValueType)
    : TNamedItem(AName), FID(AID), FLocStorage(ALocStorage), FValues(AValueType)
{
    CreateLanguageValues();
    if (FLocStorage) MainValue()->SetLangID(FLocStorage->MainLangID());
}

void TLocItem::CreateLanguageValues()
{
    if (!FLocStorage) return;
    FValues.Reserve(FLocStorage->LangCount());
    for (int i = 1; i < FLocStorage->LangCount(); ++i) AddValue(QString(), FLocStorage->Locales(i));
}

int TLocItem::AddValue(const QString& AValue, uint16_t ALangID)
{
    auto v = std::make_unique<TLocValue>(&FValues);
    v->SetValue(AValue);
    v->SetLangID(ALangID);
    return FValues.Add(std::move(v));
}

bool TLocItem::IsTranslated(int Index) const { return FValues.Items(Index)->IsTranslated(); }

TLocProperty::TLocProperty(TLocStorage* ALocStorage, TLocComponent* AParent, int32_t AID, const QString& AName,
                           TLocValueType AValueType)
    : TLocItem(ALocStorage, AID, AName, AValueType), FParent(AParent)
{
}

TLocComponent* TLocProperty::Component() const { return FParent && !FParent->IsForm() ? FParent : nullptr; }

TLocForm* TLocProperty::Form() const { return FParent ? FParent->OwnerForm() : nullptr; }

int TLocProperty::ActiveLangIndex() const { return FLocStorage ? FLocStorage->CurLangIndex() : 0; }

QString TLocProperty::GetFullName(const QString& Delimiter) const
{
    return FParent ? FParent->GetFullName(Delimiter) + Delimiter + Name() : Name();
}

TLocConstant::TLocConstant(TLocStorage* ALocStorage, TLocUnit* AParent, int32_t AID, const QString& AName,
                           int32_t AStringID)
    : TLocItem(ALocStorage, AID, AName, ptString), FParent(AParent), FStringID(AStringID)
{
}

QString TLocConstant::GetFullName(const QString& Delimiter) const
{
    return FParent ? FParent->Name() + Delimiter + Name() : Name();
}

TLocExtItem::TLocExtItem(TLocStorage* ALocStorage, TLocExtGroup* AParent, int32_t AID, const QString& AName,
                         TLocValueType AValueType)
    : TLocItem(ALocStorage, AID, AName, AValueType), FParent(AParent)
{
}

QString TLocExtItem::GetFullName(const QString& Delimiter) const
{
    return FParent ? FParent->Name() + Delimiter + Name() : Name();
}

// ---------------------------------------------------------------- item lists

TLocStorage* TLocPropertyList::Storage() const
{
    TLocForm* form = FParent ? FParent->OwnerForm() : nullptr;
    return form ? form->LocStorage() : nullptr;
}

TLocProperty* TLocPropertyList::Add(int32_t AID, const QString& AName, TLocValueType AValueType)
{
    if (TLocStorage* s = Storage()) {
        int32_t counter = s->MaxPropID();
        AID = TLocStorage::NextID(counter, AID);
        s->SetMaxPropID(counter);
    }
    FNewID = AID;
    FNewType = AValueType;
    return TNamedItemList::Add(AName);
}

std::unique_ptr<TLocProperty> TLocPropertyList::CreateItem(const QString& AName)
{
    return std::make_unique<TLocProperty>(Storage(), FParent, FNewID, AName, FNewType);
}

TLocConstant* TLocConstantList::Add(int32_t AID, const QString& AName, int32_t AStringID)
{
    TLocStorage* s = FParent ? FParent->LocStorage() : nullptr;
    if (s) {
        int32_t counter = s->MaxConstID();
        AID = TLocStorage::NextID(counter, AID);
        s->SetMaxConstID(counter);
    }
    if (TLocConstant* found = Lookup(AName, true)) return found;
    auto item = std::make_unique<TLocConstant>(s, FParent, AID, AName, AStringID);
    TLocConstant* result = item.get();
    Insert(FCurIndex, std::move(item));
    return result;
}

std::unique_ptr<TLocConstant> TLocConstantList::CreateItem(const QString& AName)
{
    return std::make_unique<TLocConstant>(FParent ? FParent->LocStorage() : nullptr, FParent, FNewID, AName,
                                          FNewStringID);
}

int TLocConstantList::IndexByStringID(int32_t AStringID) const
{
    for (int i = 0; i < Count(); ++i)
        if (uint16_t(Items(i)->StringID()) == uint16_t(AStringID)) return i;
    return -1;
}

TLocExtItem* TLocExtItemList::Add(int32_t AID, const QString& AName)
{
    if (TLocStorage* s = FParent ? FParent->LocStorage() : nullptr) {
        int32_t counter = s->MaxExtItemID();
        AID = TLocStorage::NextID(counter, AID);
        s->SetMaxExtItemID(counter);
    }
    return AddEx(AID, AName, ptString);
}

TLocExtItem* TLocExtItemList::AddEx(int32_t AID, const QString& AName, TLocValueType AValueType)
{
    FNewID = AID;
    FNewType = AValueType;
    return TNamedItemList::Add(AName);
}

std::unique_ptr<TLocExtItem> TLocExtItemList::CreateItem(const QString& AName)
{
    return std::make_unique<TLocExtItem>(FParent ? FParent->LocStorage() : nullptr, FParent, FNewID, AName, FNewType);
}

// ---------------------------------------------------------------- holders

TLocComponent::TLocComponent(TLocForm* AParent, const QString& AName)
    : TNamedItem(AName), FParent(AParent), FProperties(this)
{
}

TLocComponent::~TLocComponent() = default;

TLocForm* TLocComponent::OwnerForm() const
{
    if (FIsForm) return static_cast<TLocForm*>(const_cast<TLocComponent*>(this));
    return FParent;
}

void TLocComponent::Mark(bool AUsed)
{
    TNamedItem::Mark(AUsed);
    FProperties.MarkAll(AUsed);
}

QString TLocComponent::GetFullName(const QString& Delimiter) const
{
    return FParent ? FParent->Name() + Delimiter + Name() : Name();
}

int TLocComponentList::TotalPropCount() const
{
    int n = 0;
    for (auto& c : FItems) n += c->Properties().Count();
    return n;
}

int TLocComponentList::DeleteUnusedItems()
{
    int n = 0;
    for (auto& c : FItems) n += c->Properties().DeleteUnusedItems();
    return n;
}

std::unique_ptr<TLocComponent> TLocComponentList::CreateItem(const QString& AName)
{
    return std::make_unique<TLocComponent>(FParent, AName);
}

TLocForm::TLocForm(TLocStorage* ALocStorage, const QString& AName)
    : TLocComponent(nullptr, AName), FLocStorage(ALocStorage), FComponents(this)
{
    FIsForm = true;
}

int TLocForm::TotalPropCount() const { return Properties().Count() + FComponents.TotalPropCount(); }

TLocComponent* TLocForm::FindComponent(const QString& ACompName)
{
    if (ACompName.isEmpty()) return this;
    return FComponents.FindByName(ACompName);
}

TLocProperty* TLocForm::FindProperty(const QString& ACompName, const QString& APropName)
{
    TLocComponent* c = FindComponent(ACompName);
    return c ? c->Properties().FindByName(APropName) : nullptr;
}

void TLocForm::Mark(bool AUsed)
{
    TLocComponent::Mark(AUsed);
    FComponents.MarkAll(AUsed);
}

QString TLocForm::GetFullName(const QString&) const { return Name(); }

TLocUnit::TLocUnit(TLocStorage* ALocStorage, const QString& AName)
    : TNamedItem(AName), FLocStorage(ALocStorage), FConstants(this)
{
}

void TLocUnit::Mark(bool AUsed)
{
    TNamedItem::Mark(AUsed);
    FConstants.MarkAll(AUsed);
}

TLocExtGroup::TLocExtGroup(TLocStorage* ALocStorage, const QString& AName)
    : TNamedItem(AName), FLocStorage(ALocStorage), FExternalItems(this)
{
}

void TLocExtGroup::Mark(bool AUsed)
{
    TNamedItem::Mark(AUsed);
    FExternalItems.MarkAll(AUsed);
}

// ---------------------------------------------------------------- section lists

int TLocFormList::DeleteUnusedItems()
{
    int n = 0;
    for (int i = Count() - 1; i >= 0; --i) {
        TLocForm* f = Items(i);
        n += f->Components().DeleteUnusedItems();
        n += f->Properties().DeleteUnusedItems();
        if (f->TotalPropCount() == 0) Erase(i);
    }
    return n;
}

void TLocFormList::FillLinearList(TLinearPropertyList& AList, bool Sorted) const
{
    for (auto& f : FItems) {
        f->Properties().FillLinearList(&AList.FItems);
        for (auto& c : f->Components()) c->Properties().FillLinearList(&AList.FItems);
    }
    if (Sorted)
        AList.SortByID();
    else
        AList.FSorted = false;
}

std::unique_ptr<TLocForm> TLocFormList::CreateItem(const QString& AName)
{
    return std::make_unique<TLocForm>(FLocStorage, AName);
}

int TLocUnitList::DeleteUnusedItems()
{
    int n = 0;
    for (int i = Count() - 1; i >= 0; --i) {
        n += Items(i)->Constants().DeleteUnusedItems();
        if (Items(i)->Constants().IsEmpty()) Erase(i);
    }
    return n;
}

void TLocUnitList::FillLinearList(TLinearConstantList& AList, bool Sorted) const
{
    for (auto& u : FItems) u->Constants().FillLinearList(&AList.FItems);
    if (Sorted)
        AList.SortByID();
    else
        AList.FSorted = false;
}

std::unique_ptr<TLocUnit> TLocUnitList::CreateItem(const QString& AName)
{
    return std::make_unique<TLocUnit>(FLocStorage, AName);
}

int TLocExtGroupList::DeleteUnusedItems()
{
    int n = 0;
    for (int i = Count() - 1; i >= 0; --i) {
        n += Items(i)->ExtItems().DeleteUnusedItems();
        if (Items(i)->ExtItems().IsEmpty()) Erase(i);
    }
    return n;
}

void TLocExtGroupList::FillLinearList(TLinearExternalList& AList, bool Sorted) const
{
    for (auto& g : FItems) g->ExtItems().FillLinearList(&AList.FItems);
    if (Sorted)
        AList.SortByID();
    else
        AList.FSorted = false;
}

std::unique_ptr<TLocExtGroup> TLocExtGroupList::CreateItem(const QString& AName)
{
    return std::make_unique<TLocExtGroup>(FLocStorage, AName);
}

// ---------------------------------------------------------------- flat lists

template <class T> void TLinearList<T>::SortByID()
{
    std::sort(FItems.begin(), FItems.end(), [](const T* a, const T* b) { return a->ID() < b->ID(); });
    FSorted = true;
}

template <class T> int TLinearList<T>::IndexByID(int32_t AID) const
{
    if (!FSorted) {
        for (size_t i = 0; i < FItems.size(); ++i)
            if (FItems[i]->ID() == AID) return int(i);
        return -1;
    }
    const auto it =
        std::lower_bound(FItems.begin(), FItems.end(), AID, [](const T* item, int32_t id) { return item->ID() < id; });
    return it != FItems.end() && (*it)->ID() == AID ? int(it - FItems.begin()) : -1;
}

template class TLinearList<TLocProperty>;
template class TLinearList<TLocConstant>;
template class TLinearList<TLocExtItem>;

int TLinearPropertyList::IndexByName(const QString& FormName, const QString& CompName, const QString& PropName) const
{
    for (size_t i = 0; i < FItems.size(); ++i) {
        const TLocProperty* p = FItems[i];
        const TLocForm* f = p->Form();
        const TLocComponent* c = p->Component();
        if (f && CompareNames(f->Name(), FormName, false) == 0 &&
            (c ? CompareNames(c->Name(), CompName, false) == 0 : CompName.isEmpty()) &&
            CompareNames(p->Name(), PropName, false) == 0)
            return int(i);
    }
    return -1;
}

int TLinearConstantList::IndexByName(const QString& UnitName, const QString& ConstName) const
{
    for (size_t i = 0; i < FItems.size(); ++i) {
        const TLocConstant* c = FItems[i];
        if (c->ResUnit() && CompareNames(c->ResUnit()->Name(), UnitName, false) == 0 &&
            CompareNames(c->Name(), ConstName, false) == 0)
            return int(i);
    }
    return -1;
}

// ---------------------------------------------------------------- storage

TLocStorage::TLocStorage()
    : FForms(this), FUnits(this), FExtGroups(this), FMainLangID(uint16_t(UserDefaultLangID())), FLocales{FMainLangID}
{
}

TLocStorage::~TLocStorage() = default;

void TLocStorage::SetMainLangID(uint16_t ALangID)
{
    FMainLangID = ALangID;
    if (LangCount() > 0) SetLanguageLangID(0, ALangID);
}

uint16_t TLocStorage::GetLocale(int Index) const
{
    return Index >= 0 && Index < LangCount() ? FLocales[size_t(Index)] : 0;
}

int32_t TLocStorage::NextID(int32_t& Counter, int32_t AID)
{
    if (AID > Counter)
        Counter = AID;
    else if (AID < 0)
        AID = ++Counter;
    return AID;
}

TLocExtItem* TLocStorage::AddExternalItem(int32_t AID, const QString& AGroupName, const QString& AItemName)
{
    return FExtGroups.Add(AGroupName)->ExtItems().Add(AID, AItemName);
}

TLocProperty* TLocStorage::FindProperty(const QString& AFormName, const QString& ACompName,
                                        const QString& APropName) const
{
    TLocForm* f = FForms.FindByName(AFormName);
    return f ? f->FindProperty(ACompName, APropName) : nullptr;
}

TLocConstant* TLocStorage::FindConstant(const QString& AUnitName, const QString& AConstName) const
{
    TLocUnit* u = FUnits.FindByName(AUnitName);
    return u ? u->Constants().FindByName(AConstName) : nullptr;
}

TLocExtItem* TLocStorage::FindExtItem(const QString& AGroupName, const QString& AItemName) const
{
    TLocExtGroup* g = FExtGroups.FindByName(AGroupName);
    return g ? g->ExtItems().FindByName(AItemName) : nullptr;
}

TLocConstant* TLocStorage::FindConstantOnlyByName(const QString& AConstName) const
{
    for (auto& u : FUnits)
        if (TLocConstant* c = u->Constants().FindByName(AConstName)) return c;
    return nullptr;
}

TLocExtItem* TLocStorage::FindExtItemOnlyByName(const QString& AItemName) const
{
    for (auto& g : FExtGroups)
        if (TLocExtItem* e = g->ExtItems().FindByName(AItemName)) return e;
    return nullptr;
}

TLocConstant* TLocStorage::FindConstByID(int32_t StringID) const
{
    for (auto& u : FUnits) {
        const int i = u->Constants().IndexByStringID(StringID);
        if (i >= 0) return u->Constants().Items(i);
    }
    return nullptr;
}

TLocConstant* TLocStorage::FindConstByValue(const QString& Value) const
{
    for (auto& u : FUnits) {
        const int i = u->Constants().IndexByValue(Value);
        if (i >= 0) return u->Constants().Items(i);
    }
    return nullptr;
}

TLocExtItem* TLocStorage::FindExtItemByValue(const QString& Value) const
{
    for (auto& g : FExtGroups) {
        const int i = g->ExtItems().IndexByValue(Value);
        if (i >= 0) return g->ExtItems().Items(i);
    }
    return nullptr;
}

TLocProperty* TLocStorage::FindPropByIntID(int32_t AID) const
{
    for (auto& f : FForms) {
        int i = f->Properties().IndexByID(AID);
        if (i >= 0) return f->Properties().Items(i);
        for (auto& c : f->Components()) {
            i = c->Properties().IndexByID(AID);
            if (i >= 0) return c->Properties().Items(i);
        }
    }
    return nullptr;
}

TLocConstant* TLocStorage::FindConstByIntID(int32_t AID) const
{
    for (auto& u : FUnits) {
        const int i = u->Constants().IndexByID(AID);
        if (i >= 0) return u->Constants().Items(i);
    }
    return nullptr;
}

TLocExtItem* TLocStorage::FindExtItemByID(int32_t AID) const
{
    for (auto& g : FExtGroups) {
        const int i = g->ExtItems().IndexByID(AID);
        if (i >= 0) return g->ExtItems().Items(i);
    }
    return nullptr;
}

int TLocStorage::IndexOfLocale(uint16_t Locale) const
{
    for (int i = 0; i < LangCount(); ++i)
        if (FLocales[size_t(i)] == Locale) return i;
    return -1;
}

int TLocStorage::IndexOfLanguage(uint16_t Locale) const
{
    for (int i = 0; i < LangCount(); ++i)
        if ((FLocales[size_t(i)] & Locale) == Locale) return i;
    return -1;
}

int TLocStorage::AddLanguage(int ABaseIndex, uint16_t ALangID)
{
    if (LangCount() == 0) throw ELocStorageError(QStringLiteral("Empty dictionary"));
    if (ABaseIndex < 0 || ABaseIndex >= LangCount()) throw ELocStorageError(QStringLiteral("Could not add language"));
    FLocales.push_back(ALangID);
    ForEachItem([&](TLocItem* item) {
        const int i = item->AddValue(item->Values().Items(ABaseIndex)->Value(), ALangID);
        item->Values().Items(i)->SetValueVersion(-1);
    });
    return LangCount() - 1;
}

void TLocStorage::RemoveLanguage(int Index)
{
    if (LangCount() <= 1 || Index <= 0 || Index >= LangCount())
        throw ELocStorageError(QStringLiteral("Could not remove language"));
    FLocales.erase(FLocales.begin() + Index);
    ForEachItem([&](TLocItem* item) { item->Values().Erase(Index); });
    if (FCurLangIndex >= LangCount()) FCurLangIndex = LangCount() - 1;
}

void TLocStorage::SetLanguageLangID(int Index, uint16_t ALangID)
{
    if (Index < 0 || Index >= LangCount()) return;
    FLocales[size_t(Index)] = ALangID;
    ForEachItem([&](TLocItem* item) { item->Values().Items(Index)->SetLangID(ALangID); });
}

void TLocStorage::ClearSections()
{
    FForms.Clear();
    FUnits.Clear();
    FExtGroups.Clear();
}

int TLocStorage::DeleteUnusedItems()
{
    return FForms.DeleteUnusedItems() + FUnits.DeleteUnusedItems() + FExtGroups.DeleteUnusedItems();
}
