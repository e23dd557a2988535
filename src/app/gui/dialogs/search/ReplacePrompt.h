#pragma once

#include <QDialog>

#include <functional>

class QPushButton;
class TQReplaceData;

// The replace prompt: a modal tool window over the grid that steps through
// the hits of a replace state and replaces them one by one, or all at once.
class TdlgReplace : public QDialog {
    Q_OBJECT
public:
    // The result when the user chose "Replace &All" (Cancel gives Rejected).
    static constexpr int ReplaceAllResult = 2;

    explicit TdlgReplace(QWidget* Parent = nullptr);

    // Opens the prompt on State, which is shown at its current hit.
    int Execute(TQReplaceData& State);
    // Binds the prompt to State and sets its buttons as on showing.
    void Prepare(TQReplaceData& State);

    // The search found nothing more (the text searched for is given).
    std::function<void(const QString& Text)> OnNotFound;
    // After every step: the window updates its status text.
    std::function<void()> OnStatus;

    void FindNext(bool Forward);
    void Replace();
    // Enables Replace where the current cell can take a replacement; a cell
    // that cannot stops being edited.
    void UpdateReplaceButton();

    QPushButton* btnFindNext;
    QPushButton* btnFindPrev;
    QPushButton* btnReplace;
    QPushButton* btnReplaceAll;
    QPushButton* btnCancel;

private:
    TQReplaceData* FState = nullptr;
};
