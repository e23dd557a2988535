#include "app/gui/LanguageToolCommands.h"

#include "app/gui/ImeDialog.h"
#include "app/gui/QStringGrid.h"

#include <QAction>
#include <QFontDialog>

TLanguageToolCommands::TLanguageToolCommands(QWidget* AWindow, TQStringGrid* AGrid, TLanguageToolsHost AHost)
    : QObject(AWindow), FWindow(AWindow), FGrid(AGrid), FHost(std::move(AHost))
{
    miIME = new QAction(QStringLiteral("&IME..."), this);
    miIME->setObjectName(QStringLiteral("miIME"));
    connect(miIME, &QAction::triggered, this, [this] { FHost.Guard([this] { ChooseIme(); }); });
    miFont = new QAction(QStringLiteral("&Font..."), this);
    miFont->setObjectName(QStringLiteral("miFont"));
    connect(miFont, &QAction::triggered, this, [this] { FHost.Guard([this] { ChooseFont(); }); });
}

void TLanguageToolCommands::UpdateCommandStates()
{
    const bool oneColumn = !FGrid->MultiColsSelected();
    const TQGridColumn* column = FGrid->ActiveColumn();
    miFont->setEnabled(column && column->Data() && oneColumn);
    miIME->setEnabled(FHost.WritableLanguageActive() && FGrid->RowCount() > 0 && oneColumn);
}

void TLanguageToolCommands::ChooseIme()
{
    TQGridColumn* column = FGrid->ActiveColumn();
    if (!column || !FHost.WritableLanguageActive()) return;
    TdlgIME dialog(FWindow);
    dialog.Init(column->ImeName(), column->ImeMode());
    if (dialog.exec() != QDialog::Accepted) return;
    column->SetImeName(dialog.ImeName());
    column->SetImeMode(TImeMode(dialog.ImeMode()));
    FHost.SaveColumnSettings();
}

void TLanguageToolCommands::ChooseFont()
{
    TQGridColumn* column = FGrid->ActiveColumn();
    if (!column || !column->Data()) return;
    bool ok = false;
    const QFont font =
        QFontDialog::getFont(&ok, column->Font().Font, FWindow, QString(), QFontDialog::DontUseNativeDialog);
    if (!ok) return;
    // The default for new columns changes only through the options.
    column->SetFont({font, column->Font().Color});
    FGrid->setFont(font);
    FHost.RefreshGrid();
    if (FHost.NativeActive()) FHost.SetNativeValueFont(font);
}
