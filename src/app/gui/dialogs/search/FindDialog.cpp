#include "app/gui/dialogs/search/FindDialog.h"

#include "core/UiStrings.h"
#include "langfile/QFindData.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <cmath>

namespace {

// Find mode leaves out the replace row; its height is this part of the full layout's.
constexpr double kFindModeHeight = 0.8535353535353535;

} // namespace

TdlgFind::TdlgFind(QWidget* Parent) : QDialog(Parent)
{
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    edFind = new QLineEdit;
    edReplace = new QLineEdit;
    auto* lblFind = new QLabel(QStringLiteral("Fi&nd what:"));
    lblFind->setBuddy(edFind);
    lblReplace = new QLabel(QStringLiteral("Re&place with:"));
    lblReplace->setBuddy(edReplace);
    cbWholeWord = new QCheckBox(QStringLiteral("Match &whole word only"));
    cbWholeCell = new QCheckBox(QStringLiteral("Match whole c&ell only"));
    cbMatchCase = new QCheckBox(QStringLiteral("Match &case"));
    cbCyclic = new QCheckBox(QStringLiteral("C&yclic search"));
    rbUp = new QRadioButton(QStringLiteral("&Up"));
    rbDown = new QRadioButton(QStringLiteral("&Down"));
    btnFind = new QPushButton(QStringLiteral("&Find"));
    btnFind->setDefault(true);
    btnReplaceAll = new QPushButton(QStringLiteral("Replace &All"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"));
    btnHelp = new QPushButton(QStringLiteral("&Help"));

    auto* texts = new QGridLayout;
    texts->addWidget(lblFind, 0, 0);
    texts->addWidget(edFind, 0, 1);
    texts->addWidget(lblReplace, 1, 0);
    texts->addWidget(edReplace, 1, 1);
    auto* options = new QVBoxLayout;
    for (QCheckBox* box : {cbWholeWord, cbWholeCell, cbMatchCase, cbCyclic}) options->addWidget(box);
    auto* direction = new QGroupBox(QStringLiteral("Direction"));
    auto* directionLayout = new QVBoxLayout(direction);
    directionLayout->addWidget(rbUp);
    directionLayout->addWidget(rbDown);
    auto* optionRow = new QHBoxLayout;
    optionRow->addLayout(options);
    optionRow->addWidget(direction);
    auto* left = new QVBoxLayout;
    left->addLayout(texts);
    left->addLayout(optionRow);
    left->addStretch();
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {btnFind, btnReplaceAll, btnCancel, btnHelp}) buttons->addWidget(b);
    buttons->addStretch();
    auto* main = new QHBoxLayout(this);
    main->addLayout(left, 1);
    main->addLayout(buttons);
    FReplaceHeight = sizeHint().height();

    connect(edFind, &QLineEdit::textChanged, this, [this] { UpdateControls(); });
    connect(cbWholeCell, &QCheckBox::toggled, this, [this] { UpdateControls(); });
    connect(btnFind, &QPushButton::clicked, this, [this] { Confirm(fdrStart); });
    connect(btnReplaceAll, &QPushButton::clicked, this, [this] { Confirm(fdrReplaceAll); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [this] {
        if (OnHelp) OnHelp(QStringLiteral("SearchingReplacing"));
    });
}

QFont TdlgFind::EditFont() const { return edFind->font(); }

void TdlgFind::Prepare(TQFindData& FindData, bool ReplaceMode, const QFont& ColumnFont)
{
    FData = &FindData;
    FReplaceMode = ReplaceMode;
    setWindowTitle(UiString(ReplaceMode ? usReplaceTitle : usFindTitle));
    btnFind->setText(UiString(ReplaceMode ? usStartButton : usFindButton));
    for (QWidget* w :
         {static_cast<QWidget*>(lblReplace), static_cast<QWidget*>(edReplace), static_cast<QWidget*>(btnReplaceAll)})
        w->setVisible(ReplaceMode);
    btnHelp->setVisible(bool(OnHelp)); // no dead button where there is no help
    setFixedHeight(ReplaceMode ? FReplaceHeight : int(std::lround(FReplaceHeight * kFindModeHeight)));

    edFind->setText(FindData.FFindText);
    cbWholeWord->setChecked(FindData.FWholeWord);
    cbWholeCell->setChecked(FindData.FWholeCell);
    cbMatchCase->setChecked(FindData.FMatchCase);
    cbCyclic->setChecked(FindData.FCyclic);
    (FindData.FUp ? rbUp : rbDown)->setChecked(true);
    if (ReplaceMode) edReplace->setText(static_cast<TQReplaceData&>(FindData).FReplaceText);
    // Only the family (and with it the script coverage) of the column's font:
    // the size stays the dialog's.
    QFont font = edFind->font();
    font.setFamily(ColumnFont.family());
    edFind->setFont(font);
    edReplace->setFont(font);
    FindData.FGridCol = FindData.FGrid->Col();
    edFind->setFocus();
    edFind->selectAll();
    UpdateControls();
}

void TdlgFind::UpdateControls()
{
    const bool hasText = !edFind->text().isEmpty();
    btnFind->setEnabled(hasText);
    btnReplaceAll->setEnabled(FReplaceMode && hasText);
    cbWholeWord->setEnabled(!cbWholeCell->isChecked());
}

void TdlgFind::Confirm(TFindDialogResult Result)
{
    if (!FData || edFind->text().isEmpty()) return;
    FData->FFindText = edFind->text();
    FData->FWholeWord = cbWholeWord->isChecked();
    FData->FWholeCell = cbWholeCell->isChecked();
    FData->FMatchCase = cbMatchCase->isChecked();
    FData->FCyclic = cbCyclic->isChecked();
    FData->FUp = rbUp->isChecked();
    if (FReplaceMode) static_cast<TQReplaceData*>(FData)->FReplaceText = edReplace->text();
    done(int(Result));
}

bool TdlgFind::ExecuteFind(TQFindData& FindData, const QFont& ColumnFont)
{
    Prepare(FindData, false, ColumnFont);
    return exec() == fdrStart;
}

TFindDialogResult TdlgFind::ExecuteReplace(TQReplaceData& ReplaceData, const QFont& ColumnFont)
{
    Prepare(ReplaceData, true, ColumnFont);
    const int result = exec();
    return result == fdrStart || result == fdrReplaceAll ? TFindDialogResult(result) : fdrCancel;
}

void TdlgFind::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    if (OnShow) OnShow();
}

void TdlgFind::hideEvent(QHideEvent* Event)
{
    QDialog::hideEvent(Event);
    if (OnClose) OnClose();
}

QDialog* CreateNFMessage(QWidget* Parent, const QString& Text, const QFont& Font)
{
    const QString message = UiString(usSearchNotFound);
    const qsizetype p = message.indexOf(QStringLiteral("%s"));
    QString shown = Text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    shown.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));

    auto* dialog = new QDialog(Parent);
    dialog->setWindowTitle(UiString(usMsgInformation));
    auto* icon = new QLabel;
    const int size = dialog->style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(dialog->style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(size, size));
    auto* lines = new QVBoxLayout;
    auto* before = new QLabel(message.left(p).trimmed());
    auto* text = new QLabel(shown);
    text->setFont(Font);
    text->setTextFormat(Qt::PlainText);
    auto* after = new QLabel(message.mid(p + 2).trimmed());
    for (QLabel* l : {before, text, after}) {
        l->setAlignment(Qt::AlignHCenter);
        lines->addWidget(l);
    }
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(lines, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(row);
    layout->addWidget(buttons);
    return dialog;
}

void ShowNFMessage(QWidget* Parent, const QString& Text, const QFont& Font)
{
    QDialog* dialog = CreateNFMessage(Parent, Text, Font);
    dialog->exec();
    delete dialog;
}
