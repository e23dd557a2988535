#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for a 1-based line number between 1 and the number of rows.
class TdlgGotoLine : public QDialog {
    Q_OBJECT
public:
    explicit TdlgGotoLine(QWidget* Parent = nullptr);

    // Shows ALine; true on OK with the chosen line in FLineNumber. Does not
    // open when ALine or AMaxLine is below 1.
    bool Execute(int ALine, int AMaxLine);
    // Fills the dialog as Execute does without showing it; false where Execute would not open.
    bool Prepare(int ALine, int AMaxLine);

    int FLineNumber = 0;

    QLineEdit* edLine;
    QPushButton* btnOK;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // The number in the edit, or 0 when it is no line number.
    int EnteredLine() const;

    QLabel* FLabel;
    int FMaxLine = 0;
};
