#pragma once

#include "storage/LocStorage.h"

// The items of a storage in the order the repository runs visit them:
// properties (each form's own, then its components'), constants, external items.
template <class Fn> void ForEachProperty(TLocStorage& Storage, Fn&& fn)
{
    for (auto& f : Storage.Forms()) {
        for (auto& p : f->Properties()) fn(static_cast<TLocItem&>(*p));
        for (auto& c : f->Components())
            for (auto& p : c->Properties()) fn(static_cast<TLocItem&>(*p));
    }
}

template <class Fn> void ForEachConstant(TLocStorage& Storage, Fn&& fn)
{
    for (auto& u : Storage.Units())
        for (auto& c : u->Constants()) fn(static_cast<TLocItem&>(*c));
}

template <class Fn> void ForEachExtItem(TLocStorage& Storage, Fn&& fn)
{
    for (auto& g : Storage.ExtGroups())
        for (auto& e : g->ExtItems()) fn(static_cast<TLocItem&>(*e));
}

inline int PropertyCount(TLocStorage& Storage)
{
    int n = 0;
    ForEachProperty(Storage, [&](TLocItem&) { ++n; });
    return n;
}

inline int ConstantCount(TLocStorage& Storage)
{
    int n = 0;
    ForEachConstant(Storage, [&](TLocItem&) { ++n; });
    return n;
}

inline int ExtItemCount(TLocStorage& Storage)
{
    int n = 0;
    ForEachExtItem(Storage, [&](TLocItem&) { ++n; });
    return n;
}
