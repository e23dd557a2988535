#pragma once

#include "core/QObjectList.h"
#include "core/VocabrixError.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

VOCABRIX_ERROR(ELocStorageError, EVocabrixError);

// Type of an item's values; the ordinal is stored in language files.
enum TLocValueType : uint8_t {
    ptFloat = 0,
    ptInteger = 1,
    ptString = 2,
    ptList = 3,
    ptStringList = 4,
    ptBinary = 5,
    ptEnumValue = 6,
    ptSet = 7,
    ptBigInt = 8,
};
constexpr int kLocValueTypeCount = 9;
inline bool IsTextualType(TLocValueType t) { return t == ptString || t == ptStringList; }

// Value attribute bits. The low byte belongs to the item (kept on the native
// value), the high byte to one language column.
constexpr uint16_t vaHidden = 0x0004;
constexpr uint16_t vaUntranslatable = 0x0008;
constexpr uint16_t vaAddedProperty = 0x0010;
constexpr uint16_t vaVerified = 0x0100;
// A value filled from a fuzzy match of the repository and not yet reviewed;
// the bits above it hold 100 minus the match's score.
constexpr uint16_t vaFuzzyMatch = 0x0200;
constexpr uint16_t vaFuzzyScoreMask = 0xFC00;
constexpr int kFuzzyScoreShift = 10;
constexpr int kLowestFuzzyFillScore = 100 - (vaFuzzyScoreMask >> kFuzzyScoreShift); // 37
constexpr uint16_t vaItemMask = 0x00FF;
constexpr uint16_t vaLanguageMask = 0xFF00;

// Holder attribute bits.
constexpr uint16_t faRuntimeForm = 0x0002; // form listed with "~RTM:"
constexpr uint16_t caNoCharset = 0x0004;   // component skipped by font character-set processing
constexpr uint16_t uaMatchByName = 0x0002; // unit's constants matched by name

// Name comparison of the storage's lists: ordinal, with only ASCII a..z folded
// to A..Z when not case-sensitive.
int CompareNames(const QString& A, const QString& B, bool CaseSensitive);

// Text conversions with the process's (fixed, invariant) number format.
QString FloatToText(double Value);
bool TextToFloat(const QString& Text, double& Value);

class TLocStorage;
class TLocValueList;
class TLocComponent;
class TLocForm;
class TLocUnit;
class TLocExtGroup;

// What sorting compares of a value: its type, its number and its text without
// "&". A sort of many values computes it once per value, not per comparison.
struct TLocSortKey {
    TLocValueType Type = ptString;
    double Number = 0;
    QString Text;
};

class TLocValue {
public:
    explicit TLocValue(TLocValueList* AValueList);

    TLocValueType ValueType() const;
    double Modified() const { return FModified; }
    void SetModified(double v) { FModified = v; }
    int32_t ValueVersion() const { return FValueVersion; }
    void SetValueVersion(int32_t v) { FValueVersion = v; }
    const QString& Value() const { return FValue; }
    void SetValue(const QString& v) { FValue = v; }
    uint16_t Attributes() const { return FAttributes; }
    void SetAttributes(uint16_t v) { FAttributes = v; }
    bool Attribute(uint16_t Mask) const { return (FAttributes & Mask) == Mask; }
    void SetAttribute(uint16_t Mask, bool On) { FAttributes = On ? (FAttributes | Mask) : (FAttributes & ~Mask); }
    uint16_t LangID() const { return FLangID; }
    void SetLangID(uint16_t v) { FLangID = v; }

    // -1, 0 or 1 for sorting: numbers before texts, texts ordinally without "&".
    int CompareWith(const TLocValue* aValue) const;
    TLocSortKey SortKey() const;
    static int CompareSortKeys(const TLocSortKey& A, const TLocSortKey& B);
    QStringList AsStrings() const;
    QByteArray AsAnsiString() const;
    int32_t AsInteger() const;
    int64_t AsBigInt() const; // throws ELocStorageError when the text is not a number
    double AsFloat() const;
    bool IsTranslated() const;
    // The score of the fuzzy match the value was filled from, 0 when none
    // (or once it was edited).
    int FuzzyScore() const;
    void SetFuzzyScore(int Score);

private:
    TLocValueList* FValueList;
    double FModified = 0;
    QString FValue;
    int32_t FValueVersion = 0;
    uint16_t FAttributes = 0;
    uint16_t FLangID;
};

// The values of one item; index = language column.
class TLocValueList : public TQObjectList<TLocValue> {
public:
    explicit TLocValueList(TLocValueType AValueType);
    TLocValueType ValueType() const { return FValueType; }
    void SetValueType(TLocValueType t) { FValueType = t; }

private:
    TLocValueType FValueType;
};

class TNamedItem {
public:
    explicit TNamedItem(const QString& AName) : FName(AName) {}
    virtual ~TNamedItem() = default;
    const QString& Name() const { return FName; }
    void SetName(const QString& n) { FName = n; }
    bool Used() const { return FUsed; }
    void SetUsed(bool u) { FUsed = u; }
    virtual void Mark(bool AUsed) { FUsed = AUsed; }

private:
    QString FName;
    bool FUsed = false;
};

// A list of named objects kept sorted by name, names unique.
template <class T> class TNamedItemList : public TQObjectList<T> {
public:
    explicit TNamedItemList(bool CaseSensative = false) : FCaseSensative(CaseSensative) {}

    bool CaseSensative() const { return FCaseSensative; }
    int CurIndex() const { return FCurIndex; }

    int IndexByName(const QString& AName) const
    {
        int index;
        return Search(AName, index) ? index : -1;
    }
    T* FindByName(const QString& AName) const
    {
        const int i = IndexByName(AName);
        return i < 0 ? nullptr : this->Items(i);
    }
    // Gives Item the name NewName and moves it to its place in the order.
    void Rename(T* Item, const QString& NewName)
    {
        std::unique_ptr<T> taken = this->Delete(this->IndexOf(Item));
        taken->SetName(NewName);
        Reinsert(std::move(taken));
    }
    // Puts an element taken out with Delete back at its place in the order;
    // its name must not be taken meanwhile.
    T* Reinsert(std::unique_ptr<T> Item)
    {
        int index;
        Search(Item->Name(), index);
        T* result = Item.get();
        this->Insert(index, std::move(Item));
        FCurIndex = -1;
        return result;
    }
    // Returns the element of that name, creating it when absent.
    T* Add(const QString& AName)
    {
        if (T* found = Lookup(AName, false)) return found;
        std::unique_ptr<T> item = CreateItem(AName);
        T* result = item.get();
        this->Insert(FCurIndex, std::move(item));
        return result;
    }
    void MarkAll(bool AUsed)
    {
        for (auto& item : this->FItems) item->Mark(AUsed);
    }
    virtual int DeleteUnusedItems() { return 0; }
    void Clear() override
    {
        TQObjectList<T>::Clear();
        FCurIndex = -1;
    }

protected:
    virtual std::unique_ptr<T> CreateItem(const QString& AName) = 0;

    // The lookup of Add: first the element of the last lookup, then a binary
    // search leaving the index found or the insertion point in FCurIndex.
    // FastTestOwnCase compares the remembered element with the list's own
    // comparison instead of the case-insensitive one.
    T* Lookup(const QString& AName, bool FastTestOwnCase)
    {
        if (FCurIndex >= 0 && FCurIndex < this->Count() &&
            CompareNames(this->Items(FCurIndex)->Name(), AName, FastTestOwnCase && FCaseSensative) == 0)
            return this->Items(FCurIndex);
        int index;
        const bool found = Search(AName, index);
        FCurIndex = index;
        return found ? this->Items(index) : nullptr;
    }
    bool Search(const QString& AName, int& Index) const
    {
        int lo = 0, hi = this->Count() - 1;
        // Appending in order is the common case (files are written sorted).
        if (hi >= 0 && CompareNames(this->Items(hi)->Name(), AName, FCaseSensative) < 0) {
            Index = hi + 1;
            return false;
        }
        while (lo <= hi) {
            const int mid = (lo + hi) / 2;
            const int c = CompareNames(this->Items(mid)->Name(), AName, FCaseSensative);
            if (c < 0)
                lo = mid + 1;
            else if (c > 0)
                hi = mid - 1;
            else {
                Index = mid;
                return true;
            }
        }
        Index = lo;
        return false;
    }

    int FCurIndex = -1;
    bool FCaseSensative;
};

class TLocItem : public TNamedItem {
public:
    TLocItem(TLocStorage* ALocStorage, int32_t AID, const QString& AName, TLocValueType AValueType);

    int32_t ID() const { return FID; }
    void SetID(int32_t id) { FID = id; }
    TLocStorage* LocStorage() const { return FLocStorage; }
    TLocValueList& Values() { return FValues; }
    const TLocValueList& Values() const { return FValues; }
    TLocValue* MainValue() const { return FValues.Items(0); }
    TLocValue* CurLangValue() const { return FValues.Items(ActiveLangIndex()); }
    bool Attribute(uint16_t Mask) const { return MainValue()->Attribute(Mask); }
    void SetAttribute(uint16_t Mask, bool On) { MainValue()->SetAttribute(Mask, On); }

    int AddValue(const QString& AValue, uint16_t ALangID);
    bool IsTranslated(int Index) const;

    virtual int ActiveLangIndex() const { return 0; }
    virtual QString GetFullName(const QString& /*Delimiter*/) const { return Name(); }

protected:
    void CreateLanguageValues();

    int32_t FID;
    TLocStorage* FLocStorage;
    TLocValueList FValues;
};

class TLocProperty : public TLocItem {
public:
    TLocProperty(TLocStorage* ALocStorage, TLocComponent* AParent, int32_t AID, const QString& AName,
                 TLocValueType AValueType);
    TLocComponent* Parent() const { return FParent; }
    TLocComponent* Component() const; // nil for a property of the form itself
    TLocForm* Form() const;
    TLocValueType PropertyType() const { return FValues.ValueType(); }
    void SetPropertyType(TLocValueType t) { FValues.SetValueType(t); }
    int ActiveLangIndex() const override;
    QString GetFullName(const QString& Delimiter) const override;

private:
    TLocComponent* FParent;
};

class TLocConstant : public TLocItem {
public:
    TLocConstant(TLocStorage* ALocStorage, TLocUnit* AParent, int32_t AID, const QString& AName, int32_t AStringID);
    TLocUnit* ResUnit() const { return FParent; }
    int32_t StringID() const { return FStringID; }
    void SetStringID(int32_t id) { FStringID = id; }
    QString GetFullName(const QString& Delimiter) const override;

private:
    TLocUnit* FParent;
    int32_t FStringID;
};

class TLocExtItem : public TLocItem {
public:
    TLocExtItem(TLocStorage* ALocStorage, TLocExtGroup* AParent, int32_t AID, const QString& AName,
                TLocValueType AValueType);
    TLocExtGroup* Group() const { return FParent; }
    QString GetFullName(const QString& Delimiter) const override;

private:
    TLocExtGroup* FParent;
};

// Lists of items: sorted by name, with lookups by ID and native value.
template <class T> class TLocItemList : public TNamedItemList<T> {
public:
    using TNamedItemList<T>::TNamedItemList;

    int IndexByID(int32_t AID) const
    {
        for (int i = 0; i < this->Count(); ++i)
            if (this->Items(i)->ID() == AID) return i;
        return -1;
    }
    int IndexByValue(const QString& AValue) const
    {
        for (int i = 0; i < this->Count(); ++i)
            if (this->Items(i)->MainValue()->Value() == AValue) return i;
        return -1;
    }
    void FillLinearList(std::vector<T*>* AList) const
    {
        if (!AList) return;
        for (auto& item : this->FItems) AList->push_back(item.get());
    }
    int DeleteUnusedItems() override
    {
        int count = 0;
        for (int i = this->Count() - 1; i >= 0; --i)
            if (!this->Items(i)->Used()) {
                this->Erase(i);
                ++count;
            }
        return count;
    }
};

class TLocPropertyList : public TLocItemList<TLocProperty> {
public:
    explicit TLocPropertyList(TLocComponent* AParent) : FParent(AParent) {}
    TLocProperty* Add(int32_t AID, const QString& AName, TLocValueType AValueType);

protected:
    std::unique_ptr<TLocProperty> CreateItem(const QString& AName) override;

private:
    TLocStorage* Storage() const;
    TLocComponent* FParent;
    int32_t FNewID = 0;
    TLocValueType FNewType = ptString;
};

class TLocConstantList : public TLocItemList<TLocConstant> {
public:
    explicit TLocConstantList(TLocUnit* AParent) : TLocItemList(true), FParent(AParent) {}
    TLocConstant* Add(int32_t AID, const QString& AName, int32_t AStringID);
    int IndexByStringID(int32_t AStringID) const;

protected:
    std::unique_ptr<TLocConstant> CreateItem(const QString& AName) override;

private:
    TLocUnit* FParent;
    int32_t FNewID = 0;
    int32_t FNewStringID = 0;
};

class TLocExtItemList : public TLocItemList<TLocExtItem> {
public:
    explicit TLocExtItemList(TLocExtGroup* AParent) : FParent(AParent) {}
    TLocExtItem* Add(int32_t AID, const QString& AName);
    // Stores AID as given (no counter) with the given type.
    TLocExtItem* AddEx(int32_t AID, const QString& AName, TLocValueType AValueType);

protected:
    std::unique_ptr<TLocExtItem> CreateItem(const QString& AName) override;

private:
    TLocExtGroup* FParent;
    int32_t FNewID = 0;
    TLocValueType FNewType = ptString;
};

class TLocComponentList;

class TLocComponent : public TNamedItem {
public:
    TLocComponent(TLocForm* AParent, const QString& AName);
    ~TLocComponent() override;

    TLocForm* ParentForm() const { return FParent; }
    bool IsForm() const { return FIsForm; }
    TLocForm* OwnerForm() const; // the form itself, or the form that holds the component
    TLocPropertyList& Properties() { return FProperties; }
    const TLocPropertyList& Properties() const { return FProperties; }
    uint16_t Attributes() const { return FAttributes; }
    void SetAttributes(uint16_t v) { FAttributes = v; }
    bool Attribute(uint16_t Mask) const { return (FAttributes & Mask) == Mask; }
    void SetAttribute(uint16_t Mask, bool On) { FAttributes = On ? (FAttributes | Mask) : (FAttributes & ~Mask); }

    void Mark(bool AUsed) override;
    virtual QString GetFullName(const QString& Delimiter) const;

protected:
    bool FIsForm = false;

private:
    TLocForm* FParent;
    TLocPropertyList FProperties;
    uint16_t FAttributes = 0;
};

class TLocComponentList : public TNamedItemList<TLocComponent> {
public:
    explicit TLocComponentList(TLocForm* AParent) : FParent(AParent) {}
    int TotalPropCount() const;
    int DeleteUnusedItems() override;

protected:
    std::unique_ptr<TLocComponent> CreateItem(const QString& AName) override;

private:
    TLocForm* FParent;
};

class TLocForm : public TLocComponent {
public:
    TLocForm(TLocStorage* ALocStorage, const QString& AName);
    TLocStorage* LocStorage() const { return FLocStorage; }
    TLocComponentList& Components() { return FComponents; }
    const TLocComponentList& Components() const { return FComponents; }
    int TotalPropCount() const;
    TLocComponent* FindComponent(const QString& ACompName);
    TLocProperty* FindProperty(const QString& ACompName, const QString& APropName);
    void Mark(bool AUsed) override;
    QString GetFullName(const QString& Delimiter) const override;

private:
    TLocStorage* FLocStorage;
    TLocComponentList FComponents;
};

class TLocUnit : public TNamedItem {
public:
    TLocUnit(TLocStorage* ALocStorage, const QString& AName);
    TLocStorage* LocStorage() const { return FLocStorage; }
    TLocConstantList& Constants() { return FConstants; }
    const TLocConstantList& Constants() const { return FConstants; }
    uint16_t Attributes() const { return FAttributes; }
    void SetAttributes(uint16_t v) { FAttributes = v; }
    bool Attribute(uint16_t Mask) const { return (FAttributes & Mask) == Mask; }
    void SetAttribute(uint16_t Mask, bool On) { FAttributes = On ? (FAttributes | Mask) : (FAttributes & ~Mask); }
    void Mark(bool AUsed) override;

private:
    TLocStorage* FLocStorage;
    TLocConstantList FConstants;
    uint16_t FAttributes = 0;
};

class TLocExtGroup : public TNamedItem {
public:
    TLocExtGroup(TLocStorage* ALocStorage, const QString& AName);
    TLocStorage* LocStorage() const { return FLocStorage; }
    TLocExtItemList& ExtItems() { return FExternalItems; }
    const TLocExtItemList& ExtItems() const { return FExternalItems; }
    uint16_t Attributes() const { return FAttributes; }
    void SetAttributes(uint16_t v) { FAttributes = v; }
    bool Attribute(uint16_t Mask) const { return (FAttributes & Mask) == Mask; }
    void SetAttribute(uint16_t Mask, bool On) { FAttributes = On ? (FAttributes | Mask) : (FAttributes & ~Mask); }
    void Mark(bool AUsed) override;

private:
    TLocStorage* FLocStorage;
    TLocExtItemList FExternalItems;
    uint16_t FAttributes = 0;
};

class TLinearPropertyList;
class TLinearConstantList;
template <class T> class TLinearList;
using TLinearExternalList = TLinearList<TLocExtItem>;

// The section lists. FillLinearList appends every item of the section in list
// order (a form's own properties before its components') and, when Sorted,
// sorts the flat list by ID.
class TLocFormList : public TNamedItemList<TLocForm> {
public:
    explicit TLocFormList(TLocStorage* ALocStorage) : FLocStorage(ALocStorage) {}
    int DeleteUnusedItems() override;
    void FillLinearList(TLinearPropertyList& AList, bool Sorted) const;

protected:
    std::unique_ptr<TLocForm> CreateItem(const QString& AName) override;

private:
    TLocStorage* FLocStorage;
};

class TLocUnitList : public TNamedItemList<TLocUnit> {
public:
    explicit TLocUnitList(TLocStorage* ALocStorage) : FLocStorage(ALocStorage) {}
    int DeleteUnusedItems() override;
    void FillLinearList(TLinearConstantList& AList, bool Sorted) const;

protected:
    std::unique_ptr<TLocUnit> CreateItem(const QString& AName) override;

private:
    TLocStorage* FLocStorage;
};

class TLocExtGroupList : public TNamedItemList<TLocExtGroup> {
public:
    explicit TLocExtGroupList(TLocStorage* ALocStorage) : FLocStorage(ALocStorage) {}
    int DeleteUnusedItems() override;
    void FillLinearList(TLinearExternalList& AList, bool Sorted) const;

protected:
    std::unique_ptr<TLocExtGroup> CreateItem(const QString& AName) override;

private:
    TLocStorage* FLocStorage;
};

// Non-owning flat list of the items of one section, optionally sorted by ID.
template <class T> class TLinearList {
public:
    std::vector<T*> FItems;
    bool FSorted = false;

    int Count() const { return int(FItems.size()); }
    T* Items(int i) const { return FItems[size_t(i)]; }
    void Clear()
    {
        FItems.clear();
        FSorted = false;
    }
    void Assign(const TLinearList& AList)
    {
        FItems = AList.FItems;
        FSorted = AList.FSorted;
    }
    void SortByID();
    int IndexByID(int32_t AID) const;
    T* FindByID(int32_t AID) const
    {
        const int i = IndexByID(AID);
        return i < 0 ? nullptr : FItems[size_t(i)];
    }
};

class TLinearPropertyList : public TLinearList<TLocProperty> {
public:
    int IndexByName(const QString& FormName, const QString& CompName, const QString& PropName) const;
};
class TLinearConstantList : public TLinearList<TLocConstant> {
public:
    int IndexByName(const QString& UnitName, const QString& ConstName) const;
};

class TLocStorage {
public:
    TLocStorage();
    virtual ~TLocStorage();
    TLocStorage(const TLocStorage&) = delete;
    TLocStorage& operator=(const TLocStorage&) = delete;

    TLocFormList& Forms() { return FForms; }
    const TLocFormList& Forms() const { return FForms; }
    TLocUnitList& Units() { return FUnits; }
    const TLocUnitList& Units() const { return FUnits; }
    TLocExtGroupList& ExtGroups() { return FExtGroups; }
    const TLocExtGroupList& ExtGroups() const { return FExtGroups; }

    uint16_t MainLangID() const { return FMainLangID; }
    void SetMainLangID(uint16_t ALangID);
    int CurLangIndex() const { return FCurLangIndex; }
    void SetCurLangIndex(int i) { FCurLangIndex = i; }
    int LangCount() const { return int(FLocales.size()); }
    uint16_t Locales(int Index) const { return FLocales[size_t(Index)]; }
    const std::vector<uint16_t>& LocaleList() const { return FLocales; }
    uint16_t GetLocale(int Index) const;

    int32_t MaxPropID() const { return FMaxPropID; }
    int32_t MaxConstID() const { return FMaxConstID; }
    int32_t MaxExtItemID() const { return FMaxExtItemID; }
    void SetMaxPropID(int32_t v) { FMaxPropID = v; }
    void SetMaxConstID(int32_t v) { FMaxConstID = v; }
    void SetMaxExtItemID(int32_t v) { FMaxExtItemID = v; }

    // Passes a requested ID through a section's counter: a negative ID takes
    // the next free one, a larger one raises the counter, 0 stays 0.
    static int32_t NextID(int32_t& Counter, int32_t AID);

    TLocExtItem* AddExternalItem(int32_t AID, const QString& AGroupName, const QString& AItemName);

    TLocProperty* FindProperty(const QString& AFormName, const QString& ACompName, const QString& APropName) const;
    TLocConstant* FindConstant(const QString& AUnitName, const QString& AConstName) const;
    TLocExtItem* FindExtItem(const QString& AGroupName, const QString& AItemName) const;
    TLocConstant* FindConstantOnlyByName(const QString& AConstName) const;
    TLocExtItem* FindExtItemOnlyByName(const QString& AItemName) const;
    TLocConstant* FindConstByID(int32_t StringID) const;
    TLocConstant* FindConstByValue(const QString& Value) const;
    TLocExtItem* FindExtItemByValue(const QString& Value) const;
    TLocProperty* FindPropByIntID(int32_t AID) const;
    TLocConstant* FindConstByIntID(int32_t AID) const;
    TLocExtItem* FindExtItemByID(int32_t AID) const;

    int IndexOfLocale(uint16_t Locale) const;
    int IndexOfLanguage(uint16_t Locale) const;

    int AddLanguage(int ABaseIndex, uint16_t ALangID);
    void RemoveLanguage(int Index);
    void SetLanguageLangID(int Index, uint16_t ALangID);

    // Calls Fn for every item: constants, then properties, then external items.
    template <class Fn> void ForEachItem(Fn&& fn) const
    {
        for (auto& u : FUnits)
            for (auto& c : u->Constants()) fn(static_cast<TLocItem*>(c.get()));
        for (auto& f : FForms) {
            for (auto& p : f->Properties()) fn(static_cast<TLocItem*>(p.get()));
            for (auto& comp : f->Components())
                for (auto& p : comp->Properties()) fn(static_cast<TLocItem*>(p.get()));
        }
        for (auto& g : FExtGroups)
            for (auto& e : g->ExtItems()) fn(static_cast<TLocItem*>(e.get()));
    }

    // Clears the three sections (columns stay).
    void ClearSections();
    int DeleteUnusedItems();

protected:
    // Told after a column was added, after one was removed and after the
    // sections were cleared, for whoever keeps values outside the sections.
    virtual void LanguageAdded(int /*Index*/, int /*BaseIndex*/) {}
    virtual void LanguageRemoved(int /*Index*/) {}
    virtual void SectionsCleared() {}

    TLocFormList FForms;
    TLocUnitList FUnits;
    TLocExtGroupList FExtGroups;
    uint16_t FMainLangID;
    int FCurLangIndex = 0;
    std::vector<uint16_t> FLocales;
    int32_t FMaxPropID = 0;
    int32_t FMaxConstID = 0;
    int32_t FMaxExtItemID = 0;
};
