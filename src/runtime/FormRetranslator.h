#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <functional>

class QObject;
class TLocComponent;
class TLocForm;
class TLocProperty;
class TLocStorage;

// Hooks of live re-translation.
// The object behind a property that is no collection (or an item of one);
// nullptr when the hook has none.
using TColItemEvent = std::function<QObject*(QObject* Object, const QString& PropName, int Index)>;
// Takes a value the meta-object system cannot set (string lists of item
// views, tab texts); true when it took it.
using TCustomObjectEvent = std::function<bool(QObject* Object, const QString& PropName, const QVariant& Value)>;
using TFormProcessStartEvent = std::function<void(QObject* Component)>;

// Re-applies the current language column of a storage to live objects through
// Qt's meta-object system. A top-level object is matched to the storage form
// named like its class without the first letter (TdlgOptions: dlgOptions);
// components are found by objectName, properties are Q_PROPERTYs.
class TFormRetranslator {
public:
    TLocStorage* Storage = nullptr;
    int LangIndex = 0;
    uint16_t Locale = 0;
    bool ShowUntranslatedAsIs = false;
    bool ProcessBiDiMode = false;
    // Texts are replaced only where the object still shows one of the
    // property's values in some language: a text the program set itself
    // (a file name, a count) is never overwritten. Forms built in code have
    // no stream that says which texts are the form's own.
    bool OnlyKnownTexts = false;
    TFormProcessStartEvent OnFormProcessStart;
    TCustomObjectEvent OnCustomObjectProcessing;
    TColItemEvent OnCustomColItemProcessing;
    TColItemEvent OnSpecialProcessing;
    // Objects among a form's descendants that are forms of their own (a
    // dialog parented to the main window); they are translated on their own.
    std::function<bool(QObject* Object)> IsSeparateForm;

    // A form: the storage forms of its ancestor classes and those of its
    // components' classes (base first), then its own; then the reading order.
    void TranslateForm(QObject* Form);
    // Applies one storage form to an object.
    void ApplyForm(const TLocForm& Form, QObject* Object);

    // The value of a property in the current column: the native one unless
    // the translation is current (or untranslated values are shown as is).
    QVariant ValueOf(const TLocProperty& Property) const;

private:
    void ApplyInherited(QObject* Object, bool OwnClass);
    void ApplyComponent(const TLocComponent& Component, QObject* Root);
    void ApplyProperties(const TLocComponent& Component, QObject* Object, const QString& Prefix);
    bool SetValue(QObject* Object, const QString& Name, const QVariant& Value);
    const TLocForm* StorageForm(const char* ClassName) const;

    QStringList FKnownTexts; // the values of the property being set, with OnlyKnownTexts
};

// The object a dotted path names from Root: owned components by objectName,
// else object-valued properties. Rest receives the part that was not found
// (empty when the whole path was).
QObject* FindPathObject(QObject* Root, const QString& Path, QString& Rest);
