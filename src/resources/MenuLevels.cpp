#include "resources/MenuLevels.h"

#include "resources/FormTree.h"
#include "resources/ResProcessor.h"

#include <QFileInfo>

namespace {

bool IsMenuItem(const TFormObject& Object) { return Object.ClassName == QLatin1String("TMenuItem"); }

void AddLevels(const QString& Form, const TFormObject& Object, QHash<QString, QString>& Levels)
{
    if (IsMenuItem(Object) && !Object.ComponentName.isEmpty() && Object.Parent) {
        const TFormObject& parent = *Object.Parent;
        // The menu bar's own items are reached by Alt+letter like the controls.
        const bool bar = !IsMenuItem(parent) && !parent.ClassName.contains(QLatin1String("Popup"), Qt::CaseInsensitive);
        Levels.insert(Form + QLatin1Char('.') + Object.ComponentName,
                      bar ? Form : Form + QLatin1Char('|') + parent.Name);
    }
    for (const auto& child : Object.Children) AddLevels(Form, *child, Levels);
}

} // namespace

QHash<QString, QString> ReadMenuLevels(const QString& PEFile)
{
    QHash<QString, QString> levels;
    if (PEFile.isEmpty() || !QFileInfo(PEFile).isFile()) return levels;
    TResProcessor resources;
    try {
        resources.LoadPEFile(PEFile);
    } catch (const EVocabrixError&) {
        return levels;
    }
    const TResRCData* rcdata = resources.RCData();
    for (int i = 0; rcdata && i < rcdata->Count(); ++i) {
        const QByteArray& stream = rcdata->Items(i)->Buffer();
        if (stream.startsWith("TPF0")) AddMenuLevels(stream, levels);
    }
    return levels;
}

void AddMenuLevels(const QByteArray& FormStream, QHash<QString, QString>& Levels)
{
    const TFormTree tree = ReadFormTree(FormStream);
    if (tree.Root) AddLevels(tree.Root->Name, *tree.Root, Levels);
}
