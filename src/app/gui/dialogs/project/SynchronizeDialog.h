#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The messages of a synchronisation that did not end well, one line per file.
class TdlgSynchronize : public QDialog {
    Q_OBJECT
public:
    explicit TdlgSynchronize(QWidget* Parent);

    void SetText(const QString& Text);

    QPlainTextEdit* mmList;
    QPushButton* btnOK;
};
