#include "app/gui/dialogs/external/ExternalItemDialog.h"

#include "core/DateTime.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/ExternalItems.h"
#include "langfile/LEProject.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmAddEditExternal::TfrmAddEditExternal(QWidget* Parent, TPrompt* APrompt) : QDialog(Parent), FPrompt(APrompt)
{
    setObjectName(QStringLiteral("frmAddEditExternal"));
    cbGroup = new QComboBox(this);
    cbGroup->setObjectName(QStringLiteral("cbGroup"));
    cbGroup->setEditable(true);
    cbGroup->setInsertPolicy(QComboBox::NoInsert);
    edItem = new QLineEdit(this);
    edItem->setObjectName(QStringLiteral("edItem"));
    mmValue = new QPlainTextEdit(this);
    mmValue->setObjectName(QStringLiteral("mmValue"));
    mmValue->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmValue->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the buttons; a native value has no use for tab characters.
    mmValue->setTabChangesFocus(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    btnOK = buttons->button(QDialogButtonBox::Ok);
    btnOK->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OKClick(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cbGroup, &QComboBox::editTextChanged, this, [this] { UpdateOK(); });
    connect(edItem, &QLineEdit::textChanged, this, [this] { UpdateOK(); });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Group name"), cbGroup);
    form->addRow(QStringLiteral("&Item name"), edItem);
    form->addRow(QStringLiteral("&Native value"), mmValue);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(420, 260);
}

void TfrmAddEditExternal::Init(TLEProject* AProject, TLocExtItem* AExtItem)
{
    FProject = AProject;
    FExtItem = AExtItem;
    FIsEditMode = AExtItem != nullptr;
    cbGroup->clear();
    for (const auto& group : AProject->ExtGroups()) cbGroup->addItem(group->Name());
    if (FIsEditMode) {
        setWindowTitle(UiString(usEditExternalItem));
        cbGroup->setCurrentIndex(cbGroup->findText(AExtItem->Group()->Name(), Qt::MatchFixedString));
        edItem->setText(AExtItem->Name());
        QString value = AExtItem->MainValue()->Value();
        mmValue->setPlainText(value.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    } else {
        setWindowTitle(UiString(usAddExternalItem));
        cbGroup->setCurrentIndex(cbGroup->count() > 0 ? 0 : -1);
        edItem->clear();
        mmValue->clear();
    }
    UpdateOK();
}

void TfrmAddEditExternal::UpdateOK()
{
    cbGroup->setEnabled(!FIsEditMode);
    btnOK->setEnabled(!edItem->text().isEmpty() && (FIsEditMode || !cbGroup->currentText().isEmpty()));
}

void TfrmAddEditExternal::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    QWidget* first = mmValue;
    if (!FIsEditMode) first = cbGroup->count() > 0 ? static_cast<QWidget*>(edItem) : cbGroup;
    first->setFocus();
}

void TfrmAddEditExternal::OKClick()
{
    // Stored texts break their lines the Windows way.
    QString text = mmValue->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    try {
        if (FIsEditMode)
            EditExternalItem(*FProject, FExtItem, edItem->text(), text, DateTime::Now());
        else
            FExtItem = AddExternalItem(*FProject, cbGroup->currentText(), edItem->text(), text, DateTime::Now());
    } catch (const ELEProjectError& e) {
        // A name already taken in the group: the user chooses another.
        FPrompt->Message(mkWarning, e.Message(), mbOK, mrOk);
        return;
    }
    accept();
}
