#pragma once

#include "exchange/Exchange.h"

#include <QWidget>

class QListWidget;
class QGroupBox;

// The three check lists of the exchange dialogs ("Forms", "Units",
// "External Groups"), each with "All" and "None", shown under "More  >>".
class TSectionLists : public QWidget {
    Q_OBJECT
public:
    explicit TSectionLists(QWidget* Parent = nullptr);

    // Fills the lists, every name checked (sorted as given).
    void Fill(const QStringList& Forms, const QStringList& Units, const QStringList& Groups);
    // The forms and units lists are of no use for the native language's import.
    void SetFormsAndUnitsVisible(bool Visible);
    // The checked names as a selection.
    TExchangeSelection Selection() const;
    // Whether any name of a visible list is checked.
    bool AnyChecked() const;

    QListWidget* List(int Index) const { return FLists[Index]; }

Q_SIGNALS:
    void Changed();

private:
    QGroupBox* FBoxes[3];
    QListWidget* FLists[3];
};
