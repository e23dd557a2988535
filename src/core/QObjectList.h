#pragma once

#include <functional>
#include <memory>
#include <vector>

// Owning list of objects with change notifications. Delete removes a slot and
// hands the object back without freeing it; Erase frees it.
template <class T>
class TQObjectList {
public:
    using TNotifyEvent = std::function<void(TQObjectList* Sender)>;

    TQObjectList() = default;
    TQObjectList(const TQObjectList&) = delete;
    TQObjectList& operator=(const TQObjectList&) = delete;
    virtual ~TQObjectList() = default;

    int Count() const { return int(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }
    T* Items(int Index) const { return FItems[size_t(Index)].get(); }
    T* operator[](int Index) const { return Items(Index); }
    int IndexOf(const T* Item) const
    {
        for (size_t i = 0; i < FItems.size(); ++i)
            if (FItems[i].get() == Item) return int(i);
        return -1;
    }

    int Add(std::unique_ptr<T> Item)
    {
        FItems.push_back(std::move(Item));
        DoChange();
        return Count() - 1;
    }
    void Insert(int Index, std::unique_ptr<T> Item)
    {
        FItems.insert(FItems.begin() + Index, std::move(Item));
        DoChange();
    }
    // Removes the slot without freeing the object.
    std::unique_ptr<T> Delete(int Index)
    {
        std::unique_ptr<T> item = std::move(FItems[size_t(Index)]);
        FItems.erase(FItems.begin() + Index);
        DoChange();
        return item;
    }
    // Frees the object and removes its slot.
    virtual void Erase(int Index) { Delete(Index).reset(); }
    virtual void Clear()
    {
        FreeObjects();
        FItems.clear();
        DoChange();
    }
    void Reserve(int n) { FItems.reserve(size_t(n)); }

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

    TNotifyEvent OnChange;
    TNotifyEvent OnEmpty;

protected:
    virtual void FreeObjects()
    {
        for (auto& item : FItems) item.reset();
    }
    virtual void DoEmpty()
    {
        if (OnEmpty) OnEmpty(this);
    }
    virtual void DoChange()
    {
        if (OnChange) OnChange(this);
        if (FItems.empty()) DoEmpty();
    }

    std::vector<std::unique_ptr<T>> FItems;
};
