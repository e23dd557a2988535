#include "app/gui/window/GuiPrompt.h"

#include "app/gui/window/ProgressForm.h"
#include "core/UiStrings.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

namespace {

QMessageBox::Icon IconOf(TMsgKind kind)
{
    switch (kind) {
    case mkWarning:
        return QMessageBox::Warning;
    case mkError:
        return QMessageBox::Critical;
    case mkInformation:
        return QMessageBox::Information;
    case mkConfirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString TitleOf(TMsgKind kind)
{
    switch (kind) {
    case mkWarning:
        return UiString(usMsgWarning);
    case mkError:
        return UiString(usMsgError);
    case mkInformation:
        return UiString(usMsgInformation);
    case mkConfirmation:
        return UiString(usMsgConfirm);
    }
    return QString();
}

QMessageBox::StandardButton ButtonOf(TMsgResult r)
{
    switch (r) {
    case mrOk:
        return QMessageBox::Ok;
    case mrYes:
        return QMessageBox::Yes;
    case mrNo:
        return QMessageBox::No;
    case mrCancel:
        return QMessageBox::Cancel;
    }
    return QMessageBox::NoButton;
}

} // namespace

TGuiPrompt::TGuiPrompt() = default;

TProgressForm* TGuiPrompt::ProgressForm() const { return FProgress; }

TGuiPrompt::~TGuiPrompt()
{
    delete FStatus;
    delete FProgress;
}

TMsgResult TGuiPrompt::Message(TMsgKind kind, const QString& text, TMsgButtons buttons, TMsgResult Default)
{
    QMessageBox::StandardButtons set;
    switch (buttons) {
    case mbOK:
        set = QMessageBox::Ok;
        break;
    case mbYesNo:
        set = QMessageBox::Yes | QMessageBox::No;
        break;
    case mbYesNoCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case mbYesCancel:
        set = QMessageBox::Yes | QMessageBox::Cancel;
        break;
    }
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(IconOf(kind), TitleOf(kind), shown, set, QApplication::activeWindow());
    if (set.testFlag(ButtonOf(Default))) box.setDefaultButton(ButtonOf(Default));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return mrYes;
    case QMessageBox::No:
        return mrNo;
    case QMessageBox::Ok:
        return mrOk;
    default:
        return buttons == mbYesNo ? mrNo : buttons == mbOK ? mrOk : mrCancel; // closed with Escape
    }
}

void TGuiPrompt::Status(const QString& text)
{
    if (text.isEmpty()) {
        if (FStatus) FStatus->hide();
        return;
    }
    if (!FStatus) {
        FStatus = new QLabel;
        FStatus->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        FStatus->setAlignment(Qt::AlignCenter);
        FStatus->setFrameStyle(QFrame::Box | QFrame::Plain);
    }
    FStatus->setText(text);
    FStatus->resize(FStatus->fontMetrics().horizontalAdvance(text) + 10, 50);
    if (const QScreen* screen = QApplication::primaryScreen())
        FStatus->move(screen->geometry().center() - FStatus->rect().center());
    FStatus->show();
    FStatus->repaint();
}

void TGuiPrompt::ProgressBegin(const QString& text, qint64 max)
{
    if (!FProgress) FProgress = new TProgressForm(QApplication::activeWindow());
    FProgress->SetMessage(text);
    FProgress->SetMaxValue(max);
    FProgress->Start();
    QApplication::processEvents();
}

bool TGuiPrompt::ProgressStep(qint64 position)
{
    if (!FProgress) return true;
    FProgress->SetPosition(position);
    // The window keeps painting and the Cancel button answers.
    QApplication::processEvents();
    return !FProgress->Cancelled();
}

void TGuiPrompt::ProgressText(const QString& text)
{
    if (FProgress) FProgress->SetMessage(text);
}

void TGuiPrompt::ProgressEnd()
{
    if (FProgress) FProgress->hide();
}
