#pragma once

#include "repository/Libraries.h"

#include <QDialog>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// "Open Library": one library whose native file opens as a project.
// Libraries without a native file are listed but cannot be chosen.
class TdlgOpenLib : public QDialog {
    Q_OBJECT
public:
    explicit TdlgOpenLib(QWidget* Parent);

    // The chosen library's native file; empty when cancelled. Remembers the
    // native file's extension in the library's lib.ini.
    QString Execute(const QList<TLibrary>& Libraries);

    QListWidget* lbLibraries;
    QPushButton* btnOK;

private:
    void UpdateOK();
};

// "Select Libraries": the libraries to apply, all checked at first.
class TdlgChooseLib : public QDialog {
    Q_OBJECT
public:
    explicit TdlgChooseLib(QWidget* Parent);

    // The checked libraries; empty when cancelled.
    QList<TLibrary> Execute(const QList<TLibrary>& Libraries);

    QListWidget* lbLibraries;
    QPushButton* btnOK;

private:
    void UpdateOK();
};

// The log of applying libraries, shown when some library reported a problem.
class TfrmLibraryLog : public QDialog {
    Q_OBJECT
public:
    TfrmLibraryLog(QWidget* Parent, const QString& Log);

    QPlainTextEdit* mmLog;
    QPushButton* btnOK;
};

// The options dialog's "Libraries" page: the library folders.
class TLibraryOptionsPage : public QWidget {
    Q_OBJECT
public:
    TLibraryOptionsPage();

    QLineEdit* edLibraryPath;
};
