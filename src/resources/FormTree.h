#pragma once

#include "resources/FormProcessor.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

// One object of a form stream with its properties and its children, as read.
struct TFormObject {
    QString ClassName;
    QString Name;          // as in the stream
    QString ComponentName; // the storage's name of the component; empty for the form itself
    bool Inline = false;
    TFormObject* Parent = nullptr;
    // In stream order; a collection item's properties are named with the
    // item ("Panels[1].Text").
    std::vector<TFormProperty> Properties;
    std::vector<std::unique_ptr<TFormObject>> Children;

    // The property of that name (without regard to case), nullptr when absent.
    const TFormProperty* Property(const QString& PropName) const;
    QString Text(const QString& PropName, const QString& Default = {}) const;
    // An integer property; a value outside [Min, Max] is clamped into it.
    std::optional<int> Integer(const QString& PropName, int Min, int Max) const;
    int Integer(const QString& PropName, int Default, int Min, int Max) const
    {
        return Integer(PropName, Min, Max).value_or(Default);
    }
    std::optional<bool> Bool(const QString& PropName) const;
    // The elements of a set property ("akLeft,akTop"); nullopt when absent.
    std::optional<QStringList> Set(const QString& PropName) const;
    // The lines of a string list property.
    QStringList Lines(const QString& PropName) const;
};

// A form stream read as far as it goes.
struct TFormTree {
    std::unique_ptr<TFormObject> Root; // nullptr when not even the form's header could be read
    int ObjectCount = 0;
    QString Error; // why the reading stopped early; empty when it read the whole stream
};

// Beyond any real form; bounds the work a hostile stream can cause.
constexpr int kMaxFormObjects = 20000;

// Reads a binary form stream into a tree; 8-bit strings are read in the code
// page of Locale (0: the system's). A damaged stream gives what was read
// before the damage, with the reason in Error; never throws.
TFormTree ReadFormTree(const QByteArray& Src, uint16_t Locale = 0);
