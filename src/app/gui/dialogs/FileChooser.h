#pragma once

#include <QString>

class QWidget;

// What a command asks for: a file to open or to save, or a folder.
struct TFileRequest {
    enum TKind { fkOpen, fkSave, fkFolder };
    TKind Kind = fkOpen;
    QString Title;
    QString Start;                // the folder or file the dialog starts with
    QString Filter;               // "Name (*.ext);;..." as Qt's file dialog takes it
    bool ConfirmOverwrite = true; // fkSave: ask before an existing file is chosen
};

// Where every window asks for file names. The editor's chooser shows Qt's
// file dialog; tests install one that answers, as they answer the prompt
// (typing into the file dialog hangs on a busy machine).
class TFileChooser {
public:
    virtual ~TFileChooser() = default;
    // The chosen name, empty when the user cancelled.
    virtual QString Choose(QWidget* Parent, const TFileRequest& Request) = 0;
};

// The chooser in use: the one set, else Qt's file dialog.
TFileChooser& FileChooser();
void SetFileChooser(TFileChooser* Chooser); // nullptr restores Qt's file dialog

QString ChooseOpenFile(QWidget* Parent, const QString& Title, const QString& Start, const QString& Filter);
QString ChooseSaveFile(QWidget* Parent, const QString& Title, const QString& Start, const QString& Filter,
                       bool ConfirmOverwrite = true);
QString ChooseFolder(QWidget* Parent, const QString& Title, const QString& Start);
