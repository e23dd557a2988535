#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TLEProject;
class TLocExtItem;
class TPrompt;

// Adds an external item to a group (typed or chosen) or edits one: its name
// and its native text.
class TfrmAddEditExternal : public QDialog {
    Q_OBJECT
public:
    TfrmAddEditExternal(QWidget* Parent, TPrompt* APrompt);

    // Edit mode when AExtItem is given, add mode otherwise.
    void Init(TLEProject* AProject, TLocExtItem* AExtItem);
    bool Execute() { return exec() == QDialog::Accepted; }
    // The item edited or added.
    TLocExtItem* ExtItem() const { return FExtItem; }

    QComboBox* cbGroup;
    QLineEdit* edItem;
    QPlainTextEdit* mmValue;
    QPushButton* btnOK;

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void UpdateOK();
    void OKClick();

    TPrompt* FPrompt;
    TLEProject* FProject = nullptr;
    TLocExtItem* FExtItem = nullptr;
    bool FIsEditMode = false;
};
