#pragma once

#include "langfile/LangCreation.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
class TLangFile;
class TLangFileList;
class TAsciiInputValidator;

// Creates a new language of a project or shows and changes the description of
// an open one: its locale (from the language tree), English and localized
// names, abbreviation, base language and the "untranslated as native" choice.
// The dialog changes nothing itself; the caller reads the choice back.
class TdlgLanguageProperties : public QDialog {
    Q_OBJECT
public:
    explicit TdlgLanguageProperties(QWidget* Parent = nullptr);

    // AIndex negative prepares a new language of the project whose open files
    // are ALangList; otherwise shows file AIndex (ELangFileError "Invalid
    // index" when the list has none). AutoTranslateOffered shows "Try to
    // automatically translate via Google" for a new language (machine
    // translation configured and new languages not filled from the repository).
    void Init(const TLangFileList& ALangList, int AIndex, bool AutoTranslateOffered = false);
    // Shows the dialog modally; true for OK.
    bool Execute();

    bool IsNew() const { return FIsNew; }
    // The selected tree node's identifier; 0 when none is selected.
    uint16_t Locale() const;
    QString EnglishName() const;
    QString LocalizedName() const;
    QString Abbreviation() const;
    // The base list's selected entry: the index of the open file a new
    // language starts from (0 for "Native"), and that file's identifier.
    // -1 and 0 when the list is empty (an existing language without a base).
    int BasedOnIndex() const;
    uint16_t BasedOnLangID() const;
    bool UntranslatedAsNative() const;
    bool AutoTranslate() const;
    // The choice as a new language for CreateLanguageFile (the base index as
    // the storage column) or for ApplyLanguageProperties.
    TNewLanguage NewLanguage() const;

private:
    void FillLanguageTree(uint16_t SelectLocale);
    void ShowNode(QTreeWidgetItem* Node);
    void NodeChanged(QTreeWidgetItem* Current, QTreeWidgetItem* Previous);
    void SetEngName(const QString& Text);
    void UpdateOKButton();

    QTreeWidget* tvLang;
    QLineEdit* edEngName;
    QLineEdit* edLocalName;
    QLineEdit* edExt;
    QLabel* lbLCIDvalue;
    QComboBox* cbBasedOn;
    QCheckBox* chbUntranslatedAsNative;
    QCheckBox* chbAutoTranslate;
    QLabel* lblVersion;
    QDialogButtonBox* FButtons;
    TAsciiInputValidator* FEngNameValidator;

    const TLangFileList* FLangList = nullptr;
    const TLangFile* FLangFile = nullptr;
    int FIndex = -1;
    QString FLangExt;
    bool FIsNew = true;
    bool FNamesLocked = false; // the native file and read-only files keep their names
};
