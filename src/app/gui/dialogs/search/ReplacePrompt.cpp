#include "app/gui/dialogs/search/ReplacePrompt.h"

#include "langfile/QFindData.h"

#include <QHBoxLayout>
#include <QPushButton>

TdlgReplace::TdlgReplace(QWidget* Parent) : QDialog(Parent, Qt::Tool)
{
    setWindowTitle(QStringLiteral("Replace"));
    setModal(true);
    btnFindNext = new QPushButton(QStringLiteral("&Find Next"));
    btnFindPrev = new QPushButton(QStringLiteral("Find &Prev"));
    btnReplace = new QPushButton(QStringLiteral("&Replace"));
    btnReplaceAll = new QPushButton(QStringLiteral("Replace &All"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"));
    btnReplace->setDefault(true);
    auto* layout = new QHBoxLayout(this);
    for (QPushButton* b : {btnFindNext, btnFindPrev, btnReplace, btnReplaceAll, btnCancel}) {
        b->setAutoDefault(false);
        layout->addWidget(b);
    }
    btnReplace->setDefault(true);
    connect(btnFindNext, &QPushButton::clicked, this, [this] { FindNext(true); });
    connect(btnFindPrev, &QPushButton::clicked, this, [this] { FindNext(false); });
    connect(btnReplace, &QPushButton::clicked, this, &TdlgReplace::Replace);
    connect(btnReplaceAll, &QPushButton::clicked, this, [this] { done(ReplaceAllResult); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TdlgReplace::Prepare(TQReplaceData& State)
{
    FState = &State;
    btnReplace->setEnabled(true);
    btnReplaceAll->setEnabled(true);
    UpdateReplaceButton();
}

int TdlgReplace::Execute(TQReplaceData& State)
{
    Prepare(State);
    const int result = exec();
    // The state may be a temporary one of the caller.
    FState = nullptr;
    return result;
}

void TdlgReplace::UpdateReplaceButton()
{
    if (!FState) return;
    const bool can = FState->CanReplace();
    btnReplace->setEnabled(can);
    if (!can && FState->FGrid->Editing()) FState->FGrid->EndEditing(true);
}

void TdlgReplace::FindNext(bool Forward)
{
    if (!FState) return;
    if (FState->FindNext(Forward) < 0) {
        if (OnNotFound) OnNotFound(FState->FFindText);
    } else {
        FState->ShowFoundText();
    }
    if (OnStatus) OnStatus();
    UpdateReplaceButton();
}

void TdlgReplace::Replace()
{
    if (!FState || !FState->CanReplace()) return;
    FState->ReplaceSelection();
    if (OnStatus) OnStatus();
    FindNext(true);
}
