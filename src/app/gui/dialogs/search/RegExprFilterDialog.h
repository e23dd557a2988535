#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Edits the regular expression of the row filter, with a short reference of
// the expression syntax. OK takes only an expression that compiles: the
// filter would otherwise keep the previous one while showing the new text.
class TdlgRegExp : public QDialog {
    Q_OBJECT
public:
    explicit TdlgRegExp(QWidget* Parent = nullptr);

    // Shows ARegExp for editing; true with the new expression on OK.
    bool Execute(QString& ARegExp);

    QLineEdit* edRegExp;
    QLabel* lblError;
    QPlainTextEdit* meReference;
    QPushButton* btnOK;

private:
    void CheckExpression();
};
