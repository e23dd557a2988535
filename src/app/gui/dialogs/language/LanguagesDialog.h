#pragma once

#include <QDialog>
#include <QStringList>

class QDialogButtonBox;
class QListWidget;
class QPushButton;
class TLangFileProject;

// Lets the user check language files of the project's folder to open. Files
// the project has open already, files that cannot be read and native files
// are not offered.
class TdlgLanguages : public QDialog {
    Q_OBJECT
public:
    explicit TdlgLanguages(QWidget* Parent = nullptr);

    // Lists the candidates of the project: one unchecked entry per file, in
    // file name order, captioned with the language's English name.
    void Init(const TLangFileProject& Project);
    // Shows the dialog modally; true for "Open".
    bool Execute();

    const QString& ProjectFile() const { return FProjectFile; }
    QListWidget* LangListBox() const { return lbLang; }
    int CandidateCount() const;
    // Paths of the checked entries in list order.
    QStringList CheckedFiles() const;

private:
    void UpdateOpenButton();

    QListWidget* lbLang;
    QDialogButtonBox* FButtons;
    QPushButton* FOpenButton;
    QString FProjectFile;
};
