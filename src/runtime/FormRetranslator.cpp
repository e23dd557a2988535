#include "runtime/FormRetranslator.h"

#include "storage/LocStorage.h"
#include "storage/Locales.h"

#include <QMetaProperty>
#include <QObject>
#include <vector>

namespace {

// Classes of the framework: their names name no storage form, and the walk up
// a class chain ends there.
bool IsFrameworkClass(const char* Name)
{
    static const char* const kStops[] = {
        "TForm",   "TCustomForm", "TDataModule", "TCustomFrame", "TScrollingWinControl",
        "TObject", "QObject",     "QWidget",     "QDialog",      "QMainWindow"};
    for (const char* stop : kStops)
        if (qstrcmp(Name, stop) == 0) return true;
    return false;
}

QMetaProperty FindProperty(const QObject* Object, const QString& Name)
{
    const QMetaObject* mo = Object->metaObject();
    int index = mo->indexOfProperty(Name.toLatin1().constData());
    if (index < 0)
        for (int i = 0; i < mo->propertyCount(); ++i)
            if (Name.compare(QLatin1String(mo->property(i).name()), Qt::CaseInsensitive) == 0) {
                index = i;
                break;
            }
    return index < 0 ? QMetaProperty() : mo->property(index);
}

QObject* FindOwned(QObject* Parent, const QString& Name)
{
    return Name.isEmpty() ? nullptr : Parent->findChild<QObject*>(Name);
}

QObject* PropertyObject(QObject* Object, const QString& Name)
{
    const QMetaProperty p = FindProperty(Object, Name);
    if (!p.isValid() || !(p.metaType().flags() & QMetaType::PointerToQObject)) return nullptr;
    return p.read(Object).value<QObject*>();
}

} // namespace

QObject* FindPathObject(QObject* Root, const QString& Path, QString& Rest)
{
    QObject* current = Root;
    const QStringList segments = Path.split(QLatin1Char('.'));
    for (int i = 0; i < segments.size(); ++i) {
        QObject* next = FindOwned(current, segments[i]);
        if (!next) next = PropertyObject(current, segments[i]);
        if (!next) {
            Rest = segments.mid(i).join(QLatin1Char('.'));
            return current;
        }
        current = next;
    }
    Rest.clear();
    return current;
}

const TLocForm* TFormRetranslator::StorageForm(const char* ClassName) const
{
    if (!Storage || !ClassName || !*ClassName || IsFrameworkClass(ClassName)) return nullptr;
    return Storage->Forms().FindByName(QString::fromLatin1(ClassName + 1));
}

QVariant TFormRetranslator::ValueOf(const TLocProperty& Property) const
{
    const TLocValue* native = Property.MainValue();
    const TLocValue* current = Property.Values().Count() > LangIndex ? Property.Values().Items(LangIndex) : native;
    const TLocValue* value =
        current->ValueVersion() == native->ValueVersion() || ShowUntranslatedAsIs ? current : native;
    switch (Property.PropertyType()) {
    case ptInteger:
    case ptEnumValue:
        return value->AsInteger();
    case ptStringList:
        return value->AsStrings();
    default:
        return value->Value();
    }
}

void TFormRetranslator::ApplyInherited(QObject* Object, bool OwnClass)
{
    // Most basic ancestor first, so that a derived form's values win.
    std::vector<const TLocForm*> forms;
    for (const QMetaObject* mo = OwnClass ? Object->metaObject() : Object->metaObject()->superClass();
         mo && !IsFrameworkClass(mo->className()) && mo->className()[0] != 'Q'; mo = mo->superClass())
        if (const TLocForm* form = StorageForm(mo->className())) forms.insert(forms.begin(), form);
    for (const TLocForm* form : forms) ApplyForm(*form, Object);
    for (QObject* child : Object->children()) {
        if (IsSeparateForm && IsSeparateForm(child)) continue;
        // An embedded part of a class of its own (a frame) is translated from
        // its own class's storage form too.
        ApplyInherited(child, StorageForm(child->metaObject()->className()) != nullptr);
    }
}

void TFormRetranslator::TranslateForm(QObject* Form)
{
    ApplyInherited(Form, false);
    if (const TLocForm* own = StorageForm(Form->metaObject()->className())) ApplyForm(*own, Form);
    if (ProcessBiDiMode && Form->metaObject()->indexOfProperty("layoutDirection") >= 0)
        Form->setProperty("layoutDirection", IsRightToLeftLocale(Locale) ? Qt::RightToLeft : Qt::LeftToRight);
}

void TFormRetranslator::ApplyForm(const TLocForm& Form, QObject* Object)
{
    if (OnFormProcessStart) OnFormProcessStart(Object);
    ApplyProperties(Form, Object, QString());
    for (const auto& component : Form.Components()) ApplyComponent(*component, Object);
}

void TFormRetranslator::ApplyComponent(const TLocComponent& Component, QObject* Root)
{
    const QString& name = Component.Name();
    const qsizetype bracket = name.indexOf(QLatin1Char('['));
    if (bracket < 0) {
        QString rest;
        QObject* object = FindPathObject(Root, name, rest);
        ApplyProperties(Component, object, rest);
        return;
    }
    // Grid1.Columns[2].Title: the object path, the collection property, the
    // index, and the rest (which may hold further collections).
    QObject* object = Root;
    QString path = name;
    while (true) {
        const qsizetype open = path.indexOf(QLatin1Char('['));
        if (open < 0) break;
        const qsizetype close = path.indexOf(QLatin1Char(']'), open);
        if (close < 0) return;
        const QString head = path.left(open);
        const qsizetype dot = head.lastIndexOf(QLatin1Char('.'));
        const QString propName = head.mid(dot + 1);
        bool ok = false;
        const int index = path.mid(open + 1, close - open - 1).toInt(&ok);
        if (!ok || index < 0) return;
        if (dot > 0) {
            QString rest;
            object = FindPathObject(object, head.left(dot), rest);
            if (!rest.isEmpty()) return;
        }
        QObject* item = nullptr;
        const QMetaProperty p = FindProperty(object, propName);
        if (p.isValid()) {
            const QVariant v = p.read(object);
            if (v.canConvert<QObjectList>()) {
                const QObjectList items = v.value<QObjectList>();
                if (index >= items.size()) return; // beyond the count: nothing changes
                item = items[index];
            } else if (QObject* collection = v.value<QObject*>()) {
                const QObjectList items = collection->children();
                if (index >= items.size()) return;
                item = items[index];
            }
        }
        if (!item && OnCustomColItemProcessing) item = OnCustomColItemProcessing(object, propName, index);
        if (!item && OnSpecialProcessing) item = OnSpecialProcessing(object, propName, index);
        if (!item) return;
        object = item;
        path = path.mid(close + 1);
        if (path.startsWith(QLatin1Char('.'))) path = path.mid(1);
    }
    QString rest;
    if (!path.isEmpty()) object = FindPathObject(object, path, rest);
    ApplyProperties(Component, object, rest);
}

void TFormRetranslator::ApplyProperties(const TLocComponent& Component, QObject* Object, const QString& Prefix)
{
    for (const auto& property : Component.Properties()) {
        if (property->Attribute(vaUntranslatable)) continue;
        const TLocValue* current =
            property->Values().Count() > LangIndex ? property->Values().Items(LangIndex) : property->MainValue();
        if (current->Attribute(vaUntranslatable)) continue;
        const QString name = Prefix.isEmpty() ? property->Name() : Prefix + QLatin1Char('.') + property->Name();
        FKnownTexts.clear();
        if (OnlyKnownTexts)
            for (const auto& value : property->Values()) FKnownTexts << value->Value();
        SetValue(Object, name, ValueOf(*property));
    }
}

bool TFormRetranslator::SetValue(QObject* Object, const QString& Name, const QVariant& Value)
{
    if (OnCustomObjectProcessing && OnCustomObjectProcessing(Object, Name, Value)) return true;
    const qsizetype dot = Name.indexOf(QLatin1Char('.'));
    const QString head = dot < 0 ? Name : Name.left(dot);
    const QMetaProperty p = FindProperty(Object, head);
    if (!p.isValid()) return false;
    if (dot >= 0) {
        const QString rest = Name.mid(dot + 1);
        if (p.metaType().flags() & QMetaType::PointerToQObject) {
            QObject* sub = p.read(Object).value<QObject*>();
            return sub && SetValue(sub, rest, Value);
        }
        // A value type with properties of its own (a gadget): change a copy.
        const QMetaObject* gadget = p.metaType().metaObject();
        if (!gadget || rest.contains(QLatin1Char('.'))) return false;
        QVariant copy = p.read(Object);
        const int index = gadget->indexOfProperty(rest.toLatin1().constData());
        if (index < 0 || !gadget->property(index).writeOnGadget(copy.data(), Value)) return false;
        return p.write(Object, copy);
    }
    if (!p.isWritable()) return false;
    switch (p.metaType().id()) {
    case QMetaType::QString:
        if (OnlyKnownTexts && !FKnownTexts.contains(p.read(Object).toString())) return false;
        return p.write(Object, Value.typeId() == QMetaType::QStringList ? Value.toStringList().join(QLatin1Char('\n'))
                                                                        : Value.toString());
    case QMetaType::QStringList:
        return p.write(Object, Value.typeId() == QMetaType::QStringList
                                   ? Value
                                   : QVariant(Value.toString().split(QStringLiteral("\r\n"))));
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return p.write(Object, Value.toInt());
    default:
        if (p.isEnumType()) return p.write(Object, Value.toInt());
        return false; // other kinds stay as they are
    }
}
