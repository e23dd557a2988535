#pragma once

#include "exchange/Exchange.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class TLangFileProject;
class TPrompt;
class TSectionLists;

// The import into one language from a text, XML, language, TMX or XLIFF
// file. Created once and kept for the run of the program; its state is kept
// under the settings key "ImportDialog", its position under "ExportDialog".
class TdlgImport : public QDialog {
    Q_OBJECT
public:
    TdlgImport(TLangFileProject& Project, TPrompt& Prompt, QWidget* Parent = nullptr);
    ~TdlgImport() override;

    // Prepares the dialog for language LangIndex and the import kind.
    void Initialize(int LangIndex, TImportKind ImportFrom);
    // Shows the dialog collapsed; true when the import ran.
    bool Execute();
    // What the last import did.
    const TImportCounts& Counts() const { return FCounts; }

    QLineEdit* edFileName;
    QToolButton* btnFile;
    QButtonGroup* rbSync;
    QCheckBox *chbChangeTranslated, *chbImportUntranslated;
    QPushButton* btnMore;
    QPushButton* btnOK;
    TSectionLists* FLists;

protected:
    void done(int Result) override;

private:
    // Reads the named file once to learn its format and fill the lists.
    void Preprocess();
    void UpdateOK();
    void ChooseFile();
    void ToggleMore(bool Show);
    void Confirm();
    QString Extension() const;

    TLangFileProject& FProject;
    TPrompt& FPrompt;
    int FLangIndex = 0;
    TImportKind FImportFrom = ikText;
    bool FRead = false;
    bool FHasNames = false;
    TImportCounts FCounts;
    int FFullHeight = 200;
    QString FLastRead;
};
