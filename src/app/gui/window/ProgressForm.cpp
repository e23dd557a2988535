#include "app/gui/window/ProgressForm.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

qint64 ProgressStepFor(qint64 MaxValue, int Width) { return std::max<qint64>(1, MaxValue / std::max(1, Width)); }

bool ProgressMoves(qint64 Shown, qint64 Position, qint64 MaxValue, qint64 Step)
{
    return Position == 0 || Position >= MaxValue - 1 || std::abs(Position - Shown) >= Step;
}

TProgressForm::TProgressForm(QWidget* Parent) : QWidget(Parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowModality(Qt::ApplicationModal);
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Raised);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* layout = new QVBoxLayout(frame);
    FLabel = new QLabel;
    FLabel->setObjectName(QStringLiteral("lblMessage"));
    FBar = new QProgressBar;
    FBar->setTextVisible(false);
    FCancel = new QPushButton(QStringLiteral("&Cancel"));
    FCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(FCancel, &QPushButton::clicked, this, [this] { FCancelled = true; });
    layout->addWidget(FLabel);
    layout->addWidget(FBar);
    layout->addWidget(FCancel, 0, Qt::AlignHCenter);
    setFixedSize(360, 110);
}

void TProgressForm::SetMessage(const QString& Text)
{
    FLabel->setText(Text);
    FLabel->repaint();
}

QString TProgressForm::Message() const { return FLabel->text(); }

void TProgressForm::SetMaxValue(qint64 Value)
{
    FMax = std::max<qint64>(0, Value);
    FStep = ProgressStepFor(FMax, FBar->width());
    // The bar counts in ints; big maxima are scaled down to its steps.
    FBar->setRange(0, int(std::min<qint64>(FMax, INT_MAX)));
    FPosition = 0;
    FBar->setValue(0);
}

void TProgressForm::SetPosition(qint64 Value)
{
    if (!ProgressMoves(FPosition, Value, FMax, FStep)) return;
    FPosition = Value;
    FBar->setValue(int(std::clamp<qint64>(Value, 0, FBar->maximum())));
}

void TProgressForm::Start()
{
    FCancelled = false;
    if (const QScreen* screen = QApplication::primaryScreen()) move(screen->geometry().center() - rect().center());
    show();
    raise();
    activateWindow();
}

bool TProgressForm::event(QEvent* Event)
{
    // The run's own questions (modal dialogs) may take the focus; anything
    // else gives it back.
    if (Event->type() == QEvent::WindowDeactivate && isVisible()) {
        QTimer::singleShot(0, this, [this] {
            const QWidget* modal = QApplication::activeModalWidget();
            if (isVisible() && (!modal || modal == this)) activateWindow();
        });
    }
    return QWidget::event(Event);
}
