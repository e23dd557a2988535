#include "app/gui/dialogs/libraries/LibraryDialogs.h"

#include "core/VocabrixError.h"
#include "platform/Settings.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QDialogButtonBox* OkCancel(QDialog* Dialog, QPushButton*& OK)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Dialog);
    OK = buttons->button(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, Dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, Dialog, &QDialog::reject);
    return buttons;
}

QListWidget* LibraryList(QDialog* Dialog, const QString& Label, QPushButton*& OK)
{
    auto* list = new QListWidget(Dialog);
    list->setObjectName(QStringLiteral("lbLibraries"));
    auto* layout = new QVBoxLayout(Dialog);
    layout->addWidget(new QLabel(Label, Dialog));
    layout->addWidget(list, 1);
    layout->addWidget(OkCancel(Dialog, OK));
    Dialog->resize(360, 300);
    return list;
}

void FillList(QListWidget* List, const QList<TLibrary>& Libraries)
{
    List->clear();
    for (const TLibrary& library : Libraries) {
        auto* item = new QListWidgetItem(library.Name, List);
        item->setFlags(library.NativeFile.isEmpty()
                           ? Qt::ItemIsUserCheckable
                           : Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
}

} // namespace

TdlgOpenLib::TdlgOpenLib(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("dlgOpenLib"));
    setWindowTitle(QStringLiteral("Open Library"));
    lbLibraries = LibraryList(this, QStringLiteral("Select library:"), btnOK);
    // One library at a time: checking one unchecks the others.
    connect(lbLibraries, &QListWidget::itemChanged, this, [this](QListWidgetItem* Changed) {
        if (Changed->checkState() == Qt::Checked) {
            const QSignalBlocker block(lbLibraries);
            for (int i = 0; i < lbLibraries->count(); ++i)
                if (lbLibraries->item(i) != Changed) lbLibraries->item(i)->setCheckState(Qt::Unchecked);
        }
        UpdateOK();
    });
}

void TdlgOpenLib::UpdateOK()
{
    bool checked = false;
    for (int i = 0; i < lbLibraries->count(); ++i)
        checked = checked || lbLibraries->item(i)->checkState() == Qt::Checked;
    btnOK->setEnabled(checked);
}

QString TdlgOpenLib::Execute(const QList<TLibrary>& Libraries)
{
    {
        const QSignalBlocker block(lbLibraries);
        FillList(lbLibraries, Libraries);
        for (int i = 0; i < Libraries.size(); ++i)
            if (!Libraries[i].NativeFile.isEmpty()) {
                lbLibraries->item(i)->setCheckState(Qt::Checked);
                lbLibraries->setCurrentRow(i);
                break;
            }
    }
    UpdateOK();
    if (exec() != QDialog::Accepted) return QString();
    for (int i = 0; i < Libraries.size(); ++i) {
        if (lbLibraries->item(i)->checkState() != Qt::Checked) continue;
        const TLibrary& library = Libraries[i];
        // rxlib.EN.lng: "EN", so that the library opens the same way next time.
        const QString name = QFileInfo(library.NativeFile).fileName();
        const QString withoutLng = name.left(name.size() - 4);
        const QString ini = QDir(library.Folder).filePath(QStringLiteral("lib.ini"));
        try {
            TIniFile settings = QFileInfo::exists(ini) ? TIniFile::Load(ini) : TIniFile();
            settings.WriteString(QStringLiteral("Common"), QStringLiteral("NativeExt"), QFileInfo(withoutLng).suffix());
            settings.Save(ini);
        } catch (const EVocabrixError&) {
            // A read-only library still opens.
        }
        return library.NativeFile;
    }
    return QString();
}

TdlgChooseLib::TdlgChooseLib(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("dlgChooseLib"));
    setWindowTitle(QStringLiteral("Select Libraries"));
    lbLibraries = LibraryList(this, QStringLiteral("Available Libraries"), btnOK);
    connect(lbLibraries, &QListWidget::itemChanged, this, [this] { UpdateOK(); });
}

void TdlgChooseLib::UpdateOK()
{
    bool checked = false;
    for (int i = 0; i < lbLibraries->count(); ++i)
        checked = checked || lbLibraries->item(i)->checkState() == Qt::Checked;
    btnOK->setEnabled(checked);
}

QList<TLibrary> TdlgChooseLib::Execute(const QList<TLibrary>& Libraries)
{
    {
        const QSignalBlocker block(lbLibraries);
        FillList(lbLibraries, Libraries);
        for (int i = 0; i < Libraries.size(); ++i)
            if (!Libraries[i].NativeFile.isEmpty()) lbLibraries->item(i)->setCheckState(Qt::Checked);
    }
    UpdateOK();
    QList<TLibrary> chosen;
    if (exec() != QDialog::Accepted) return chosen;
    for (int i = 0; i < Libraries.size(); ++i)
        if (lbLibraries->item(i)->checkState() == Qt::Checked) chosen << Libraries[i];
    return chosen;
}

TfrmLibraryLog::TfrmLibraryLog(QWidget* Parent, const QString& Log) : QDialog(Parent)
{
    setObjectName(QStringLiteral("frmLibraryLog"));
    setWindowTitle(QStringLiteral("Apply Libraries - Log"));
    mmLog = new QPlainTextEdit(this);
    mmLog->setReadOnly(true);
    mmLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmLog->setPlainText(Log);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    btnOK = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mmLog, 1);
    layout->addWidget(buttons);
    resize(520, 360);
}

TLibraryOptionsPage::TLibraryOptionsPage()
{
    setObjectName(QStringLiteral("LibrariesPage"));
    edLibraryPath = new QLineEdit(this);
    edLibraryPath->setObjectName(QStringLiteral("edLibraryPath"));
    edLibraryPath->setPlaceholderText(QStringLiteral("the toolkit's library folders"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Library folders (separated by \";\"):"), this));
    layout->addWidget(edLibraryPath);
    layout->addStretch(1);
}
