#include "core/UiStrings.h"

#include "resources/ModuleTable.h"

const std::vector<TUiStringDef>& UiStringTable()
{
    static const std::vector<TUiStringDef> table = {
#define VOCABRIX_UI_STRING_DEF(Name, Text) {us##Name, "S" #Name, Text},
        VOCABRIX_UI_STRINGS(VOCABRIX_UI_STRING_DEF)
#undef VOCABRIX_UI_STRING_DEF
    };
    return table;
}

namespace {

QString TableText(TUiString Id)
{
    const QString text = TModuleTable::Instance().LoadResString(Id);
    if (!text.isEmpty()) return text;
    for (const TUiStringDef& def : UiStringTable())
        if (def.Id == Id) return QString::fromUtf8(def.Text);
    return QString();
}

} // namespace

QString UiString(TUiString Id, const QStringList& Args)
{
    QString text = TableText(Id);
    qsizetype from = 0;
    for (const QString& arg : Args) {
        const qsizetype at = text.indexOf(QLatin1String("%s"), from);
        if (at < 0) break;
        text.replace(at, 2, arg);
        from = at + arg.size();
    }
    return text;
}

QString FileFilter(TUiString Name, const char* Patterns)
{
    return UiString(Name) + QStringLiteral(" (") + QLatin1String(Patterns) + QLatin1Char(')');
}

QString FilterWithAllFiles(TUiString Name, const char* Patterns)
{
    return FileFilter(Name, Patterns) + QStringLiteral(";;") + FileFilter(usAllFiles, "*");
}
