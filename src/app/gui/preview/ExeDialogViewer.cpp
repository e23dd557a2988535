#include "app/gui/preview/ExeDialogViewer.h"

#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "resources/FormTree.h"
#include "resources/ResProcessor.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>

#include <new>

TCompPos* TComPosList::FindComp(const QString& Name) const
{
    for (const auto& item : FItems)
        if (item->name == Name) return item.get();
    return nullptr;
}

TExeDialogViewer::TExeDialogViewer(const QString& IniFile, TPrompt* Prompt) : FIniFileName(IniFile), FPrompt(Prompt) {}

TExeDialogViewer::~TExeDialogViewer() { delete FForm; }

TPrompt& TExeDialogViewer::Prompt() const { return FPrompt ? *FPrompt : DefaultPrompt(); }

void TExeDialogViewer::ShowDialog(const QString& PEFile, const QString& DiagName)
{
    if (!QFileInfo::exists(PEFile)) {
        Prompt().Message(mkError, UiString(usExecutableMissing, {QDir::toNativeSeparators(PEFile)}), mbOK, mrOk);
        return;
    }
    CloseForm();
    try {
        TResProcessor resources;
        resources.LoadPEFile(PEFile);
        const TResRCData* rcdata = resources.RCData();
        if (!rcdata) return;
        const QString upper = DiagName.toUpper();
        const TResRCDataItem* item = rcdata->ItemByName(QLatin1Char('T') + upper);
        if (!item) item = rcdata->ItemByName(QStringLiteral("TME") + upper);
        if (!item) return;
        ShowStream(item->Buffer());
    } catch (const EVocabrixError& e) {
        CloseForm();
        Prompt().Message(mkError, UiString(usPreviewFailed, {e.Message()}), mbOK, mrOk);
    } catch (const std::bad_alloc&) {
        CloseForm();
        Prompt().Message(mkError, UiString(usPreviewFailed, {UiString(usOutOfMemory)}), mbOK, mrOk);
    }
}

void TExeDialogViewer::ShowStream(const QByteArray& Stream)
{
    CloseForm();
    // Read afresh each time, so that an edit of the file counts at once.
    try {
        FReplComp = QFileInfo::exists(FIniFileName) ? TIniFile::Load(FIniFileName) : TIniFile();
    } catch (const ESettingsError&) {
        FReplComp = TIniFile();
    }
    const TFormTree tree = ReadFormTree(Stream, FLocale);
    // A damaged stream shows what was read before the damage.
    if (!tree.Root) throw ELocFormProcessorError(tree.Error);

    TFormPreviewBuilder builder;
    builder.Replacement = [this](const QString& ClassName) { return Replacement(ClassName); };
    builder.ClassMissing = [this](const QString& ClassName) {
        if (FOnLog) FOnLog(this, ClassName);
    };
    TPreviewForm* form = builder.Build(*tree.Root);
    FForm = form;
    form->setAttribute(Qt::WA_QuitOnClose, false);
    form->OnClose = [this](TPreviewForm* Form) { FormClosing(Form); };
    Instrument(form);
    // The place is the user's; the size is the form's own in this language.
    if (const TCompPos* pos = FFormPos.FindComp(form->objectName()))
        form->setGeometry(QRect(pos->Bounds.topLeft(), form->size()));
    form->show();
    KeepOnScreen(form);
}

void TExeDialogViewer::KeepOnScreen(QWidget* Form)
{
    const QScreen* screen = Form->screen();
    if (!screen) return;
    const QRect available = screen->availableGeometry();
    const QRect frame = Form->frameGeometry();
    if (available.contains(frame)) return;
    // A form larger than the screen shows its top left corner.
    const int x = std::max(available.left(), std::min(frame.left(), available.right() + 1 - frame.width()));
    const int y = std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height()));
    Form->move(x, y);
}

void TExeDialogViewer::CloseForm()
{
    if (!FForm) return;
    if (FForm->isVisible()) FForm->close();
    delete FForm;
}

QString TExeDialogViewer::Replacement(const QString& ClassName)
{
    const QString replaced = FReplComp.ReadString(QStringLiteral("ReplaceComponents"), ClassName, QString());
    return TFormPreviewBuilder::KnowsClass(replaced) ? replaced : QString();
}

void TExeDialogViewer::FormClosing(TPreviewForm* Form)
{
    const QString name = Form->objectName();
    TCompPos* pos = FFormPos.FindComp(name);
    if (!pos) {
        auto item = std::make_unique<TCompPos>();
        item->name = name;
        pos = item.get();
        FFormPos.AddComp(std::move(item));
    }
    pos->Bounds = Form->geometry();
}

void TExeDialogViewer::Instrument(TPreviewForm* Form)
{
    Form->installEventFilter(this);
    for (QWidget* w : Form->findChildren<QWidget*>()) w->installEventFilter(this);
    for (QAction* action : Form->findChildren<QAction*>()) {
        if (!action->property(kPreviewClass).isValid()) continue;
        connect(action, &QAction::triggered, this, [this, action] {
            if (FCmpDblClick && FForm) FCmpDblClick(this, FForm, action);
        });
    }
}

bool TExeDialogViewer::eventFilter(QObject* Watched, QEvent* Event)
{
    const QEvent::Type type = Event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return false;
    auto* widget = qobject_cast<QWidget*>(Watched);
    // Menus open as they do in the program; their items report when chosen.
    if (!widget || !FForm || qobject_cast<QMenuBar*>(widget) || qobject_cast<QMenu*>(widget)) return false;
    // Tab bars and scroll bars keep working, so that every page can be seen.
    const bool passes = qobject_cast<QTabBar*>(widget) || qobject_cast<QScrollBar*>(widget);
    if (type == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton) {
        QWidget* component = widget;
        while (component && !component->property(kPreviewClass).isValid()) component = component->parentWidget();
        if (component && FCmpDblClick) FCmpDblClick(this, FForm, component);
    }
    return !passes;
}
