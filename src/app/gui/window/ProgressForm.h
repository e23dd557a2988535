#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// The one progress window of long runs: borderless, centred on the screen,
// a message, a bar and "&Cancel". It blocks the other windows while shown, so
// a run is not re-entered through other commands, and keeps the focus.
class TProgressForm : public QWidget {
    Q_OBJECT
public:
    explicit TProgressForm(QWidget* Parent = nullptr);

    void SetMessage(const QString& Text);
    QString Message() const;
    qint64 MaxValue() const { return FMax; }
    // Also sets the smallest step worth drawing: the maximum over the bar's width.
    void SetMaxValue(qint64 Value);
    qint64 Position() const { return FPosition; }
    // Moves the bar only by a step worth drawing, to the end, or to 0.
    void SetPosition(qint64 Value);
    bool Cancelled() const { return FCancelled; }
    // Shows the window centred on the screen with the Cancel flag cleared.
    void Start();

    QProgressBar* Bar() const { return FBar; }
    QPushButton* CancelButton() const { return FCancel; }

protected:
    bool event(QEvent* Event) override;

private:
    QLabel* FLabel;
    QProgressBar* FBar;
    QPushButton* FCancel;
    qint64 FMax = 0;
    qint64 FPosition = 0;
    qint64 FStep = 1;
    bool FCancelled = false;
};

// The smallest change of a position worth drawing on a bar Width pixels wide.
qint64 ProgressStepFor(qint64 MaxValue, int Width);
// Whether a bar at Shown should move to Position.
bool ProgressMoves(qint64 Shown, qint64 Position, qint64 MaxValue, qint64 Step);
