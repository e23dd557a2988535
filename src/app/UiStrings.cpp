#include "app/UiStrings.h"

#include "runtime/ModuleTable.h"

const std::vector<TUiStringDef>& UiStringTable()
{
    static const std::vector<TUiStringDef> table = {
        {usVocabrixError, "SVocabrixError", "Vocabrix Error"},
        {usLanguageNotLoaded, "SLanguageNotLoaded", "The interface language \"%1\" could not be loaded: %2"},
        {usInterfaceLanguage, "SInterfaceLanguage", "Interface language: %1"},
    };
    return table;
}

QString UiString(TUiString Id)
{
    const QString text = TModuleTable::Instance().LoadResString(Id);
    if (!text.isEmpty()) return text;
    for (const TUiStringDef& def : UiStringTable())
        if (def.Id == Id) return QString::fromUtf8(def.Text);
    return QString();
}
