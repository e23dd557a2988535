#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

// "Language IME": the input method and its mode for a language column.
class TdlgIME : public QDialog {
    Q_OBJECT
public:
    explicit TdlgIME(QWidget* Parent);

    // Selects Name ("-- None --" when it is not listed) and the mode index.
    void Init(const QString& Name, int Mode);
    // The chosen name, empty for "-- None --", and the mode index.
    QString ImeName() const;
    int ImeMode() const;

    QComboBox* cbImeName;
    QComboBox* cbImeMode;
    QPushButton* btnOK;
};
