#pragma once

#include "repository/RepositoryExchange.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class TPrompt;
class TRepository;

// "Repository Export": the base language, the languages to write, the file
// and (XML only) the string format.
class TdlgRepExport : public QDialog {
    Q_OBJECT
public:
    TdlgRepExport(TRepository& Repository, TPrompt& Prompt, QWidget* Parent = nullptr);

    // Shows the dialog; true with the choices in Options after OK.
    bool Execute(bool IsTMX, TRepExportOptions& Options);

    QComboBox* BaseLocale() const { return FBase; }
    QListWidget* Languages() const { return FLanguages; }
    QLineEdit* FileEdit() const { return FFile; }
    QPushButton* OkButton() const { return FOk; }
    QGroupBox* StringsFormat() const { return FFormat; }

    void accept() override;

private:
    void BaseChanged();
    void UpdateOk();
    void Browse();

    TPrompt& FPrompt;
    bool FIsTMX = false;
    QComboBox* FBase;
    QListWidget* FLanguages;
    QLineEdit* FFile;
    QGroupBox* FFormat;
    QRadioButton *FCStyle, *FDelphi;
    QPushButton* FOk;
};
