#include "app/UiStrings.h"

#include "runtime/ModuleTable.h"

const std::vector<TUiStringDef>& UiStringTable()
{
    static const std::vector<TUiStringDef> table = {
        {usVocabrixError, "SVocabrixError", "Vocabrix Error"},
        {usLanguageNotLoaded, "SLanguageNotLoaded", "The interface language \"%s\" could not be loaded: %s"},
        {usInterfaceLanguage, "SInterfaceLanguage", "Interface language: %s"},
        {usFormatMismatch, "SFormatMismatch",
         "Possible error: Format symbols in the translated string differ from native one\r\n\r\n%s"},
        {usPasteRangeMismatch, "SPasteRangeMismatch",
         "The range to be pasted does not match the selection. Paste anyway?"},
        {usNoLibraries, "SNoLibraries", "There are no external libraries installed"},
        {usPackStopped, "SPackStopped", "Packing has been terminated by the user"},
        {usGlossaryImported, "SGlossaryImported", "Glossary successfully imported"},
        {usImportStopped, "SImportStopped", "Import has been terminated by user"},
        {usConfirmRepImport, "SConfirmRepImport",
         "You are about to import the file\n\n\"%s\"\n\ninto the Repository. Continue?"},
        {usRepImportFailed, "SRepImportFailed",
         "An error occured during importing. The file probably has wrong format."},
        {usSharedNotBrowsed, "SSharedNotBrowsed",
         "The repository window shows repositories in a file; a shared repository is browsed with the database's own "
         "tools."},
        {usNoLanguagesToOpen, "SNoLanguagesToOpen", "There are no language files can be opened"},
        {usCannotDelete, "SCannotDelete", "Can not delete file \"%s\""},
        {usDllCreated, "SDllCreated", "The resource library \"%s\" has been successfully created"},
        {usSaveBeforeSync, "SSaveBeforeSync",
         "You have modified some language(s).\r\nUnsaved changes will be ignored during synchronizing.\r\nSave all "
         "modified languages?"},
        {usNoMoreFound, "SNoMoreFound", "No more strings found."},
        {usItemsReplaced, "SItemsReplaced", "%s items replaced"},
        {usDeleteExternalItems, "SDeleteExternalItems", "Delete selected external item(s)?"},
        {usDeleteExternalGroup, "SDeleteExternalGroup",
         "You are going to delete the External Group \"%s\". All group itemes will be deleted too. Proceed?"},
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
