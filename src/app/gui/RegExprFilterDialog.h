#pragma once

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

// Edits the regular expression of the row filter, with a short reference of
// the expression syntax.
class TdlgRegExp : public QDialog {
    Q_OBJECT
public:
    explicit TdlgRegExp(QWidget* Parent = nullptr);

    // Shows ARegExp for editing; true with the new expression on OK.
    bool Execute(QString& ARegExp);

    QLineEdit* edRegExp;
    QPlainTextEdit* meReference;
};
