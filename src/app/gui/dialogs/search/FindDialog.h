#pragma once

#include <QDialog>
#include <QFont>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TQFindData;
class TQReplaceData;

// How the find dialog ended in replace mode.
enum TFindDialogResult { fdrCancel, fdrStart, fdrReplaceAll };

// The find dialog, in find mode and in replace mode. It stays on top and is
// only hidden when closed, so it keeps its place between uses.
class TdlgFind : public QDialog {
    Q_OBJECT
public:
    explicit TdlgFind(QWidget* Parent = nullptr);

    // Both take the searched column's font for their edits; the state's
    // column becomes the grid's current one.
    // True when the user pressed "&Find"; the controls are then copied into FindData.
    bool ExecuteFind(TQFindData& FindData, const QFont& ColumnFont);
    TFindDialogResult ExecuteReplace(TQReplaceData& ReplaceData, const QFont& ColumnFont);

    // Fills and lays out the dialog for one mode without showing it (the
    // Execute functions start here).
    void Prepare(TQFindData& FindData, bool ReplaceMode, const QFont& ColumnFont);
    // The dialog's height with every control shown; find mode is a fixed part of it.
    int ReplaceModeHeight() const { return FReplaceHeight; }
    QFont EditFont() const;

    std::function<void()> OnShow;
    std::function<void()> OnClose;
    // The help button, shown when set; the topic is "SearchingReplacing".
    std::function<void(const QString& Topic)> OnHelp;

    QLineEdit* edFind;
    QLineEdit* edReplace;
    QLabel* lblReplace;
    QCheckBox* cbWholeWord;
    QCheckBox* cbWholeCell;
    QCheckBox* cbMatchCase;
    QCheckBox* cbCyclic;
    QRadioButton* rbUp;
    QRadioButton* rbDown;
    QPushButton* btnFind;
    QPushButton* btnReplaceAll;
    QPushButton* btnCancel;
    QPushButton* btnHelp;

protected:
    void showEvent(QShowEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;

private:
    void UpdateControls();
    void Confirm(TFindDialogResult Result);

    TQFindData* FData = nullptr;
    bool FReplaceMode = false;
    int FReplaceHeight = 0;
};

// The not-found message: an information dialog of three lines, the middle one
// the search text (line breaks shown as spaces) in the given font.
QDialog* CreateNFMessage(QWidget* Parent, const QString& Text, const QFont& Font);
void ShowNFMessage(QWidget* Parent, const QString& Text, const QFont& Font);
