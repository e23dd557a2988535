#include "resources/FormTree.h"

#include <algorithm>

const TFormProperty* TFormObject::Property(const QString& PropName) const
{
    for (const TFormProperty& p : Properties)
        if (p.Name.compare(PropName, Qt::CaseInsensitive) == 0) return &p;
    return nullptr;
}

QString TFormObject::Text(const QString& PropName, const QString& Default) const
{
    const TFormProperty* p = Property(PropName);
    return p ? p->Value : Default;
}

std::optional<int> TFormObject::Integer(const QString& PropName, int Min, int Max) const
{
    const TFormProperty* p = Property(PropName);
    if (!p || (p->Type != ptInteger && p->Type != ptBigInt)) return std::nullopt;
    bool ok = false;
    const qlonglong v = p->Value.toLongLong(&ok);
    if (!ok) return std::nullopt;
    return int(std::clamp<qlonglong>(v, Min, Max));
}

std::optional<bool> TFormObject::Bool(const QString& PropName) const
{
    const TFormProperty* p = Property(PropName);
    if (!p || p->Type != ptEnumValue) return std::nullopt;
    if (p->Value.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (p->Value.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    return std::nullopt;
}

std::optional<QStringList> TFormObject::Set(const QString& PropName) const
{
    const TFormProperty* p = Property(PropName);
    if (!p || p->Type != ptSet) return std::nullopt;
    return p->Value.split(QLatin1Char(','), Qt::SkipEmptyParts);
}

QStringList TFormObject::Lines(const QString& PropName) const
{
    const TFormProperty* p = Property(PropName);
    if (!p || p->Type != ptStringList || p->Value.isEmpty()) return {};
    return p->Value.split(QStringLiteral("\r\n"));
}

TFormTree ReadFormTree(const QByteArray& Src, uint16_t Locale)
{
    TFormTree tree;
    TFormObject* current = nullptr;
    TFormReadHooks hooks;
    hooks.EnterObject = [&](const TFormObjectInfo& Info) {
        if (tree.ObjectCount >= kMaxFormObjects)
            throw ELocFormProcessorError(QStringLiteral("The form has more than %1 components").arg(kMaxFormObjects));
        auto object = std::make_unique<TFormObject>();
        object->ClassName = Info.ClassName;
        object->Name = Info.Name;
        object->ComponentName = Info.ComponentName;
        object->Inline = Info.Inline;
        object->Parent = current;
        TFormObject* entered = object.get();
        if (current)
            current->Children.push_back(std::move(object));
        else
            tree.Root = std::move(object);
        current = entered;
        ++tree.ObjectCount;
    };
    hooks.LeaveObject = [&] { current = current->Parent; };
    hooks.Property = [&](const TFormProperty& Property) {
        if (!current) return;
        TFormProperty p = Property;
        // Items of a collection come with their own component name
        // ("sb.Panels[1]"); they are kept on the object as "Panels[1].Text".
        if (p.ComponentName != current->ComponentName && p.ComponentName.size() > current->ComponentName.size())
            p.Name = p.ComponentName.mid(current->ComponentName.size() + 1) + QLatin1Char('.') + p.Name;
        current->Properties.push_back(std::move(p));
    };
    try {
        TLocFormProcessor::ReadForm(Src, Locale, hooks);
    } catch (const EVocabrixError& e) {
        tree.Error = e.Message();
    }
    return tree;
}
