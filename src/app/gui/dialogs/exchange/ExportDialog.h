#pragma once

#include "exchange/Exchange.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class TLangFileProject;
class TPrompt;
class TSectionLists;

// The export of one language to a text, XML or XLIFF file. Created for every
// export; its controls' state is kept under the settings key "ExportDialog".
class TdlgExport : public QDialog {
    Q_OBJECT
public:
    enum TExportTo { etText = 1, etXml = 2, etXliff = 3 };

    TdlgExport(TLangFileProject& Project, TPrompt& Prompt, QWidget* Parent = nullptr);
    ~TdlgExport() override;

    // Prepares the dialog for language LangIndex and the kind of file.
    void Initialize(int LangIndex, int ExportTo);
    // Shows the dialog; true when it ended with OK and the export ran.
    bool Execute();

    QLineEdit* edFileName;
    QToolButton* btnFile;
    QGroupBox* gbDelimiter;
    QButtonGroup* rbDelimiter;
    QCheckBox *chbIncludeId, *chbIncludeStrId, *chbIncludeNames, *chbUntranslatable;
    QButtonGroup* rbExport;
    QComboBox* cmbSaveAs;
    QComboBox* cmbVersion;
    QPushButton* btnMore;
    QPushButton* btnOK;
    TSectionLists* FLists;

protected:
    void done(int Result) override;

private:
    void UpdateOK();
    void ChooseFile();
    void ToggleMore();
    void Confirm();
    TExportOptions Options() const;

    TLangFileProject& FProject;
    TPrompt& FPrompt;
    int FLangIndex = 0;
    int FExportTo = etText;
    int FFullHeight = 453;
};
