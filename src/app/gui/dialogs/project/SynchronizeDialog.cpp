#include "app/gui/dialogs/project/SynchronizeDialog.h"

#include "app/gui/commands/HelpCommands.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TdlgSynchronize::TdlgSynchronize(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("dlgSynchronize"));
    setWindowTitle(QStringLiteral("Syncronizing DLLs - Messages"));
    resize(560, 320);
    mmList = new QPlainTextEdit(this);
    mmList->setObjectName(QStringLiteral("mmList"));
    mmList->setReadOnly(true);
    mmList->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Help, this);
    btnOK = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] { OpenHelpTopic(QStringLiteral("dlls.html")); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mmList, 1);
    layout->addWidget(buttons);
}

void TdlgSynchronize::SetText(const QString& Text) { mmList->setPlainText(Text); }
