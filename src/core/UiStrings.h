#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The program's own messages: a string table looked up by identifier in the
// executable's current resource module, so that switching the interface
// language switches them too. The core shows its messages through the same
// table, so there is one lookup and the English text lives only here.
// Each entry: the identifier (its constant in the native language file is
// "S" followed by it) and the built-in English text, "%s" for each argument.
// New entries go at the end: the position is the resource identifier.
#define VOCABRIX_UI_STRINGS(X)                                                                                         \
    X(VocabrixError, "Vocabrix Error")                                                                                 \
    X(LanguageNotLoaded, "The interface language \"%s\" could not be loaded: %s")                                      \
    X(InterfaceLanguage, "Interface language: %s")                                                                     \
    X(FormatSymbolsDiffer, "Possible error: Format symbols in the translated string differ from native one\r\n\r\n%s") \
    X(PasteRangeMismatch, "The range to be pasted does not match the selection. Paste anyway?")                        \
    X(HelpPageMissing, "The help page \"%s\" does not exist")                                                          \
    X(AboutTitle, "About Phrase Desk")                                                                                 \
    X(AboutText, "<b>Phrase Desk</b><br>Version %s<br><br>The translator's workbench of the Vocabrix localization "    \
                 "toolkit.")                                                                                           \
    X(NoLibraries, "There are no external libraries installed")                                                        \
    X(RepositoryReadOnly, "The repository \"%s\" is in use by another program and was opened read-only.")              \
    X(CreatingIndex, "Creating index...")                                                                              \
    X(RepairingRepository, "Repairing Repository...")                                                                  \
    X(PackingRepository, "Packing the repository")                                                                     \
    X(PackingTerminated, "Packing has been terminated by the user")                                                    \
    X(ImportingGlossary, "Importing MS Glossary...")                                                                   \
    X(GlossaryImported, "Glossary successfully imported")                                                              \
    X(ImportTerminated, "Import has been terminated by user")                                                          \
    X(ImportIntoRepository, "You are about to import the file\n\n\"%s\"\n\ninto the Repository. Continue?")            \
    X(ImportWrongFormat, "An error occured during importing. The file probably has wrong format.")                     \
    X(SharedRepositoryBrowse, "The repository window shows repositories in a file; a shared repository is browsed "    \
                              "with the database's own tools.")                                                        \
    X(LanguageOpenFailed, "The language file \"%s\" could not be opened:\r\n%s")                                       \
    X(NativeModified, "The native language has been modified.\r\nDo you want to save changes?")                        \
    X(NoLanguageFiles, "There are no language files that can be opened")                                               \
    X(NoCodepage, "The language \"%s\" does not have corresponding codepage.\r\nIt can be properly used only in "      \
                  "Unicode versions of Delphi (2009 and later).\r\nProceed creating language?")                        \
    X(AbbreviationExists, "The language with \"%s\" abbreviation already exists. Overwrite?")                          \
    X(CannotDeleteFile, "Can not delete file \"%s\"")                                                                  \
    X(NotLocalizedPE, "Selected file \"%s\" is not a valid localized PE file")                                         \
    X(ResourceLibraryExists, "The resource library \"%s\" already exists. Overwrite?")                                 \
    X(CreatingResourceDll, "Creating \"%s\" resource DLL")                                                             \
    X(ResourceLibraryCreated, "The resource library \"%s\" has been successfully created")                             \
    X(SaveBeforeSync, "You have modified some language(s).\r\nUnsaved changes will be ignored during "                 \
                      "synchronizing.\r\nSave all modified languages?")                                                \
    X(NoMoreStrings, "No more strings found.")                                                                         \
    X(ItemsReplaced, "%s items replaced")                                                                              \
    X(DeleteExternalItems, "Delete selected external item(s)?")                                                        \
    X(DeleteExternalGroup, "You are going to delete the External Group \"%s\". All group itemes will be deleted "      \
                           "too. Proceed?")                                                                            \
    X(NativeReadOnly, "The native language: its texts are not edited in the grid")                                     \
    X(LanguageReadOnly, "Read-only: the language file \"%s\" cannot be changed here, %s")                              \
    X(PreprocessingFile, "Preprocessing file...")                                                                      \
    X(ImportIntoLanguage, "You are about to import the file\n\n\"%s\"\n\ninto language  \"%s\"\n\nContinue?")          \
    X(FileExistsOverwrite, "File \"%s\" already exists. Overwrite?")                                                   \
    X(DeletingRows, "Deleting rows...")                                                                                \
    X(DeleteRows, "Delete %s selected row(s)?")                                                                        \
    X(DeletingTerminated, "Deleting has been terminated by user")                                                      \
    X(DeletingLanguages, "Deleting language(s)...")                                                                    \
    X(ExecutableMissing, "Executable \"%s\" does not exist; please compile (create) it again.")                        \
    X(PreviewFailed, "Error creating the preview form\r\n%s")                                                          \
    X(OutOfMemory, "Out of memory")                                                                                    \
    X(MsgWarning, "Warning")                                                                                           \
    X(MsgError, "Error")                                                                                               \
    X(MsgInformation, "Information")                                                                                   \
    X(MsgConfirm, "Confirm")                                                                                           \
    X(HeldByOtherProgram, "another program (or another Phrase Desk) has it open")                                      \
    X(MayNotWrite, "you may not write to it")                                                                          \
    X(DeleteLanguages, "You are about to delete %s selected language(s). The corresponding translations will be "      \
                       "lost\r\nProceed with deleting?")                                                               \
    X(NativeCaption, "Native / %s")                                                                                    \
    X(FilterNative, "Native")                                                                                          \
    X(FilterBoth, "Both")                                                                                              \
    X(FilterTranslated, "Translated")                                                                                  \
    X(FilterUntranslated, "Untranslated")                                                                              \
    X(TranslatingByGoogle, "Translating by Google")                                                                    \
    X(ImportFromText, "Import from text")                                                                              \
    X(ImportFromXml, "Import from XML")                                                                                \
    X(ImportFromLangFile, "Import from laguage file")                                                                  \
    X(ImportFromTmx, "Import from Sisulizer's TMX")                                                                    \
    X(ImportFromXliff, "Import from XLIFF")                                                                            \
    X(TranslationTerminated, "Translation has been terminated by user")                                                \
    X(ExportTerminated, "Export has been terminated by user")                                                          \
    X(LanguageModified, "The language \"%s\" has been modified.\r\nDo you want to save changes?")                      \
    X(FileNotExist, "File \"%s\" does not exist")                                                                      \
    X(NotNativeFile, "\"%s\" is not native language file")                                                             \
    X(ProcessingNative, "Processing native language file \"%s\"...")                                                   \
    X(ProcessingLanguage, "Processing language file \"%s\"...")                                                        \
    X(RepairCompleted, "Project repairing is completed")                                                               \
    X(Synchronizing, "Synchronizing %s...")                                                                            \
    X(ApplyingLibraries, "Applying Libraries...")                                                                      \
    X(ApplyingLibrary, "Applying %s to %s language...")                                                                \
    X(ExportingRepository, "Exporting repository...")                                                                  \
    X(UnsupportedNativeLocale, "Error during import. The native locale <%s> is not supported by your system.")         \
    X(UnsupportedLocale, "Error during import. Locale <%s> is not supported by your system.\nClick OK to ignore the "  \
                         "locale or Cancel to stop importing")                                                         \
    X(NoLocalesToImport, "There are no locales to import.")                                                            \
    X(ImportingRepositoryXml, "Importing repository from XML/TMX file...")                                             \
    X(SameLocaleAsNative,                                                                                              \
      "Could not add language to the Repository.\r\nThe language locale is the same with the native one.")             \
    X(RefreshingProperties, "Refreshing properties...")                                                                \
    X(RefreshingConstants, "Refreshing constants...")                                                                  \
    X(RefreshingTerminated, "Refreshing has been terminated by user")                                                  \
    X(TranslatingProperties, "Translating properties...")                                                              \
    X(TranslatingConstants, "Translating constants...")                                                                \
    X(TranslatingExternal, "Translating external items...")                                                            \
    X(TranslatingLanguageFiles, "Translating language files...")                                                       \
    X(CopyingRepository, "Copying the repository...")                                                                  \
    X(ExportingLanguageFiles, "Exporting language files...")                                                           \
    X(ImportingLanguageFiles, "Importing language files...")                                                           \
    X(ExportToText, "Export to text")                                                                                  \
    X(ExportToXml, "Export to XML")                                                                                    \
    X(ExportToXliff, "Export to XLIFF")                                                                                \
    X(RepositoryTitle, "Repository - %s")                                                                              \
    X(EditExternalItem, "Edit external item")                                                                          \
    X(AddExternalItem, "Add external item")                                                                            \
    X(SearchNotFound, "Search string \"%s\" not found")                                                                \
    X(AddNewLanguage, "Add new language")                                                                              \
    X(LanguageProperties, "Language properties")                                                                       \
    X(SelectFileToImport, "Select file to import from")                                                                \
    X(SelectFileToExport, "Select file to export to")                                                                  \
    X(SelectPEFile, "Select PE file")                                                                                  \
    X(OpenProject, "Open project")                                                                                     \
    X(BrowseForRepository, "Browse for Repository")                                                                    \
    X(MoreButton, "More  >>")                                                                                          \
    X(LessButton, "<<  Less")                                                                                          \
    X(Suggestions, "Suggestions")                                                                                      \
    X(SelectLanguageCell, "Select a cell of a language column.")                                                       \
    X(SuggestionsFor, "Suggestions for \"%s\"")                                                                        \
    X(IndexBeingBuilt, "The repository index is being built.")                                                         \
    X(NoRepository, "No repository is open.")                                                                          \
    X(FuzzyDraft, "The value is a draft from a fuzzy match (score %s).")                                               \
    X(NoMatches, "No matches.")                                                                                        \
    X(ErrorOpeningProject, "Error opening project \"%s\"")                                                             \
    X(FileMissing, "File does not exist")                                                                              \
    X(LanguageFileNotNative, "Language file is not native")                                                            \
    X(CouldNotLoadLanguageFile, "Could not load language file")                                                        \
    X(CouldNotSaveLanguageFile, "Could not save language file")                                                        \
    X(InvalidFloat, "'%s' is not a valid floating point value")                                                        \
    X(InvalidInteger, "'%s' is not a valid integer value")                                                             \
    X(LanguageFileTooNew, "The language file can not be read. You need to download the latest Phrase Desk")            \
    X(LanguageFileTooLarge, "The language file is too large (more than %s MB of language data)")                       \
    X(CanNotOpenLanguageFile, "Can not open language file \"%s\": %s")                                                 \
    X(CanNotReadLanguageFile, "Can not read language file \"%s\": %s")                                                 \
    X(OpenedReadOnly, "File \"%s\" was opened as read-only")                                                           \
    X(CanNotLockLanguageFile, "Can not open language file exclusively")                                                \
    X(UnknownLanguageCode, "Unknown language code \"%s\": no language has this abbreviation")                          \
    X(NoProjectOpen, "No project is open")                                                                             \
    X(ExternalItemExists, "The item \"%s\" already exists in group \"%s\"")                                            \
    X(InvalidNativeDll, "Can't create DLL. The native DLL is invalid")                                                 \
    X(NamedFileMissing, "File \"%s\" does not exist")                                                                  \
    X(DllOfNativeFile, "Could not create DLL. The language file is native")                                            \
    X(CanNotDeleteFile, "Can not delete file \"%s\"")                                                                  \
    X(CannotOpenFile, "Cannot open file \"%s\": %s")                                                                   \
    X(CannotReadFile, "Cannot read file \"%s\": %s")                                                                   \
    X(FileTooLarge, "File \"%s\" is too large")                                                                        \
    X(FileInUse, "The file is in use by another process")                                                              \
    X(XmlError, "XML error in line %s: %s")                                                                            \
    X(XmlDeclaresEntities, "XML documents that declare entities are not read")                                         \
    X(XmlUndefinedEntity, "Undefined entity \"%s\"")                                                                   \
    X(XmlUnexpectedEnd, "Unexpected end of the XML document")                                                          \
    X(ImportOwnName, "A language file can not be imported from a file of its own name")                                \
    X(InvalidValue, "Invalid value: %s")                                                                               \
    X(NoFormatLine, "The file has no format line")                                                                     \
    X(NoIdsNorNames, "The file has neither item identifiers nor item names")                                           \
    X(FileIsEmpty, "The file is empty")                                                                                \
    X(NoItemNames, "The file has no item names")                                                                       \
    X(NoExportSections, "The file has not the sections of a language export")                                          \
    X(NoFormUnitGroup, "The file names no form, unit or group")                                                        \
    X(NoTranslationUnit, "The file holds no translation unit")                                                         \
    X(WebNoHost, "\"%s\" is not a host of a web translation service")                                                  \
    X(WebTimeout, "The web translation service did not answer within %s seconds")                                      \
    X(WebUnreachable, "The web translation service could not be reached: %s")                                          \
    X(InvalidRule, "Invalid rule \"%s\" (use +Class.Property, -Class.Property or -Class)")                             \
    X(InvalidAddingRule, "Invalid rule \"%s\": a rule that adds names a property")                                     \
    X(CannotReadRules, "Cannot read the rules file \"%s\": %s")                                                        \
    X(RulesFileLine, "Rules file \"%s\", line %s: %s")                                                                 \
    X(CannotReadDefinitions, "Cannot read the definitions file \"%s\": %s")                                            \
    X(DefinitionNotIdentifier, "Definitions file \"%s\", line %s: \"%s\" is not a string identifier")                  \
    X(NoFormsNoStrings, "The executable holds no forms and no string tables")                                          \
    X(ExecutableUnreadable, "The executable \"%s\" cannot be read: %s")                                                \
    X(NotNativeLanguageFile, "\"%s\" is not a native language file")                                                   \
    X(NoConnectionString, "\"%s\" is no connection string of the form postgresql://host[:port]/database?user=name")    \
    X(PasswordInConnectionString, "The connection string holds a password. Put the password in the password file "     \
                                  "(PGPASSFILE, ~/.pgpass) or in the environment variable PGPASSWORD instead.")        \
    X(NoDatabaseNamed, "The connection string \"%s\" names no database")                                               \
    X(UnusableParameter, "The connection parameter \"%s\" has an unusable value")                                      \
    X(UnknownParameter, "Unknown connection parameter \"%s\"")                                                         \
    X(NoPostgresDriver, "The PostgreSQL driver of Qt SQL is not installed (Debian package libqt6sql6-psql)")           \
    X(CannotConnect, "Cannot connect to the repository database: %s")                                                  \
    X(ConnectionLost, "The connection to the repository database was lost: %s")                                        \
    X(NotConnected, "The repository database is not connected")                                                        \
    X(NewerDatabaseLayout,                                                                                             \
      "The repository database has a newer layout (version %s) than this program knows (version %s)")                  \
    X(RepositoryOpenReadOnly, "The repository is open read-only")                                                      \
    X(CannotCreateFolder, "Can not create directory: %s")                                                              \
    X(RepositoryMissing, "The repository does not exist")                                                              \
    X(QuotedColumnOpen, "A quoted column is not closed")                                                               \
    X(CannotOpenNamedFile, "Can not open file \"%s\"")                                                                 \
    X(GlossaryNotText, "The glossary file \"%s\" is not valid %s text")                                                \
    X(SettingsReadOnly, "The toolkit's settings are read-only.")                                                       \
    X(CannotRead, "Cannot read \"%s\": %s")                                                                            \
    X(SettingsFileTooLarge, "\"%s\" is too large for a settings file.")                                                \
    X(NotConfigurationFile, "\"%s\" is not a configuration file.")                                                     \
    X(CannotWriteFile, "Cannot write file \"%s\": %s")                                                                 \
    X(NoDocumentsFolder, "Could not find MyDocuments folder location.")                                                \
    X(NotInitialized, "Vocabrix is not initialized")                                                                   \
    X(InvalidQLangs, "Invalid QLANGS resource")                                                                        \
    X(LanguageFileNotFound, "Language file \"%s\" is not found")                                                       \
    X(SpecifiedPathMissing, "Specified path \"%s\" does not exist")                                                    \
    X(CanNotLoadLanguage, "Can not load language %s from resources")                                                   \
    X(LanguageNotFound, "Language \"%s\" is not found")                                                                \
    X(NotResourceModule, "\"%s\" is not a resource module: %s")                                                        \
    X(AllFiles, "All files")                                                                                           \
    X(ApplicationFiles, "Applications (EXE files)")                                                                    \
    X(PackageFiles, "Packages (BPL, DPL files)")                                                                       \
    X(LibraryFiles, "Dynamic libraries (DLL files)")                                                                   \
    X(NativeLanguageFiles, "Native language files")                                                                    \
    X(RepositoryFiles, "Repository databases")                                                                         \
    X(ProgramFiles, "Programs")                                                                                        \
    X(DefinitionFiles, "Definitions")                                                                                  \
    X(TextFiles, "Text files")                                                                                         \
    X(XmlFiles, "XML files")                                                                                           \
    X(LanguageFiles, "Language files")                                                                                 \
    X(TmxFiles, "TMX files")                                                                                           \
    X(XliffFiles, "XLIFF files")                                                                                       \
    X(CsvFiles, "CSV files")                                                                                           \
    X(XmlTmxFiles, "XML or TMX files")                                                                                 \
    X(ImeNone, "-- None --")                                                                                           \
    X(ImeDisable, "Disable")                                                                                           \
    X(ImeClose, "Close")                                                                                               \
    X(ImeOpen, "Open")                                                                                                 \
    X(ImeDontCare, "Don't Care")                                                                                       \
    X(ImeSAlpha, "SAlpha - Single-width Roman alphabet")                                                               \
    X(ImeAlpha, "Alpha - Double-width Roman alphabet")                                                                 \
    X(ImeHira, "Hira - Double-width Hiragana")                                                                         \
    X(ImeSKata, "SKata - Single-width Katakana (Hankaku Katakana)")                                                    \
    X(ImeKata, "Kata - Double-width Katakana (Zenkaku Katakana)")                                                      \
    X(ImeChinese, "Chinese - Double-width Chinese")                                                                    \
    X(ImeSHanguel, "SHanguel - Single-width Hanguel")                                                                  \
    X(ImeHanguel, "Hanguel - Double-width Hanguel")                                                                    \
    X(SyncInvalidLanguageFile, "Invalid language file: %s")                                                            \
    X(SyncOk, "Ok")                                                                                                    \
    X(SyncIsNative, "Is native")                                                                                       \
    X(SyncReadOnly, "File \"%s\" is read only")                                                                        \
    X(SyncCannotSave, "Can not save file: %s")                                                                         \
    X(SyncCannotCreateDll, "Can not create DLL: %s")                                                                   \
    X(SyncUnknownError, "Unknown Error: %s")                                                                           \
    X(ExtractSummary, "%s added, %s changed, %s removed, %s unchanged")                                                \
    X(FormResourceSkipped, "The form resource %s is damaged and was skipped: %s")                                      \
    X(LibraryFileMissing, "Language file doesn't exist")                                                               \
    X(LibraryFileInvalid, "Invalid language file")                                                                     \
    X(IndexNotBuilt, "The index could not be built")                                                                   \
    X(SectionProperties, "Properties")                                                                                 \
    X(SectionConstants, "Constants")                                                                                   \
    X(SectionExternal, "External")                                                                                     \
    X(StatsTotal, "Total")                                                                                             \
    X(StatsConstant, "Constant")                                                                                       \
    X(StatsExternalItems, "External items")                                                                            \
    X(SectionForms, "Forms")                                                                                           \
    X(SectionUnits, "Units")                                                                                           \
    X(CreateNewLanguage, "Create new language")                                                                        \
    X(ReadOnlySuffix, " (read only)")                                                                                  \
    X(UnsupportedCodePage, "%s - unsupported code page")                                                               \
    X(ImportFromMenu, "&Import from")                                                                                  \
    X(ImportExternalFromMenu, "&Import External items from")                                                           \
    X(LanguageFileVersion, "Version: %s")                                                                              \
    X(OpenRequestedProject, "Phrase Desk was started again with the project\r\n\"%s\"\r\nClose the open project and "  \
                            "open that one?")                                                                          \
    X(HelpLocation, "No program to show the help was found on this system. The help is in \"%s\".")                    \
    X(TranslateSummary, "%s: %s translated, %s untranslated")                                                          \
    X(NoTextsForLanguage, "The repository holds no texts in %s.")                                                      \
    X(TranslatedValuesKept, "Translated values were kept: Edit > Options > Repository > Translate is set to "          \
                            "\"Strings marked as untranslated\".")                                                     \
    X(FindTitle, "Find")                                                                                               \
    X(ReplaceTitle, "Replace")                                                                                         \
    X(FindButton, "&Find")                                                                                             \
    X(StartButton, "&Start")                                                                                           \
    X(SaveBeforeDll, "The language \"%s\" was modified. It must be saved before its DLL is created.\r\nSave it now?")  \
    X(FontRegular, "Regular")                                                                                          \
    X(FontBold, "Bold")                                                                                                \
    X(FontItalic, "Italic")                                                                                            \
    X(FontBoldItalic, "Bold Italic")                                                                                   \
    X(FontLabel, "%s, %s pt, %s")                                                                                      \
    X(FontCharset, "Character set: %s")                                                                                \
    X(ImportSummary, "%s of %s units imported, %s unchanged, %s unmatched")                                            \
    X(ImportKeptTranslated, "%s translated items kept their translations: \"Change translated items\" was off.")       \
    X(TextNotFound, "\"%s\" was not found.")                                                                           \
    X(Searching, "Searching...")                                                                                       \
    X(ExportSummary, "%s items exported to \"%s\"")                                                                    \
    X(RepositoryAway, "No repository: %s")

enum TUiString : int {
    usNone = 0,
#define VOCABRIX_UI_STRING_ID(Name, Text) us##Name,
    VOCABRIX_UI_STRINGS(VOCABRIX_UI_STRING_ID)
#undef VOCABRIX_UI_STRING_ID
};

struct TUiStringDef {
    int Id;
    const char* Name; // the constant's name in the program's native language file
    const char* Text; // the built-in English text
};

// Every message, in identifier order.
const std::vector<TUiStringDef>& UiStringTable();
// The name of the unit that holds them in the native language file.
inline QString UiStringUnit() { return QStringLiteral("UiStrings"); }

// The text of the current resource module (the built-in one when the module
// has none: a run without the program's resources registered), with its
// "%s" replaced by Args in order. The table keeps the format symbols of the
// language files, so translations are checked against the native ones.
QString UiString(TUiString Id, const QStringList& Args = {});

// A file dialog's filter: the translated name with its patterns, as in
// "Text files (*.txt)".
QString FileFilter(TUiString Name, const char* Patterns);
// A filter followed by the one that shows every file.
QString FilterWithAllFiles(TUiString Name, const char* Patterns);
