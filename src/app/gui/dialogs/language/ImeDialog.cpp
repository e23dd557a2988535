#include "app/gui/dialogs/language/ImeDialog.h"

#include "app/gui/commands/HelpCommands.h"
#include "core/UiStrings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

TdlgIME::TdlgIME(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("dlgIME"));
    setWindowTitle(QStringLiteral("Language IME"));
    cbImeName = new QComboBox(this);
    cbImeName->setObjectName(QStringLiteral("cbImeName"));
    // The desktop does not list its input methods; a name stored on Windows is
    // kept by Init.
    cbImeName->addItem(UiString(usImeNone));
    cbImeMode = new QComboBox(this);
    cbImeMode->setObjectName(QStringLiteral("cbimeMode"));
    // In the order of the stored mode values.
    for (TUiString mode : {usImeDisable, usImeClose, usImeOpen, usImeDontCare, usImeSAlpha, usImeAlpha, usImeHira,
                           usImeSKata, usImeKata, usImeChinese, usImeSHanguel, usImeHanguel})
        cbImeMode->addItem(UiString(mode));
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    btnOK = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] { OpenHelpTopic(QStringLiteral("grid.html")); });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("IME &Name"), cbImeName);
    form->addRow(QStringLiteral("IME &Mode"), cbImeMode);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void TdlgIME::Init(const QString& Name, int Mode)
{
    while (cbImeName->count() > 1) cbImeName->removeItem(1);
    if (!Name.isEmpty()) cbImeName->addItem(Name);
    cbImeName->setCurrentIndex(Name.isEmpty() ? 0 : 1);
    cbImeMode->setCurrentIndex(std::clamp(Mode, 0, cbImeMode->count() - 1));
}

QString TdlgIME::ImeName() const { return cbImeName->currentIndex() == 0 ? QString() : cbImeName->currentText(); }

int TdlgIME::ImeMode() const { return cbImeMode->currentIndex(); }
