#include "app/gui/dialogs/search/GotoLineDialog.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TdlgGotoLine::TdlgGotoLine(QWidget* Parent) : QDialog(Parent)
{
    setWindowTitle(QStringLiteral("Go to Line Number"));
    FLabel = new QLabel;
    edLine = new QLineEdit;
    edLine->installEventFilter(this);
    FLabel->setBuddy(edLine);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    btnOK = buttons->button(QDialogButtonBox::Ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FLabel);
    layout->addWidget(edLine);
    layout->addWidget(buttons);
    connect(edLine, &QLineEdit::textChanged, this, [this] { btnOK->setEnabled(EnteredLine() > 0); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (EnteredLine() == 0) return;
        FLineNumber = EnteredLine();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int TdlgGotoLine::EnteredLine() const
{
    bool ok = false;
    const int line = edLine->text().trimmed().toInt(&ok);
    return ok && line >= 1 && line <= FMaxLine ? line : 0;
}

bool TdlgGotoLine::Prepare(int ALine, int AMaxLine)
{
    if (ALine < 1 || AMaxLine < 1) return false;
    FMaxLine = AMaxLine;
    FLabel->setText(QStringLiteral("&Line number (1 - %1):").arg(AMaxLine));
    edLine->setText(QString::number(ALine));
    btnOK->setEnabled(EnteredLine() > 0);
    edLine->selectAll();
    edLine->setFocus();
    return true;
}

bool TdlgGotoLine::Execute(int ALine, int AMaxLine) { return Prepare(ALine, AMaxLine) && exec() == QDialog::Accepted; }

// Letters, the underscore and the grave accent are refused as they are typed.
bool TdlgGotoLine::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == edLine && Event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(Event)->text();
        for (QChar c : text)
            if (c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('`')) return true;
    }
    return QDialog::eventFilter(Watched, Event);
}
