#include "app/gui/window/UiLanguage.h"

#include "app/ProgramResources.h"
#include "app/StartOptions.h"
#include "app/gui/commands/ExtractCommands.h"
#include "app/gui/dialogs/exchange/ExportDialog.h"
#include "app/gui/dialogs/exchange/ImportDialog.h"
#include "app/gui/dialogs/external/ExternalItemDialog.h"
#include "app/gui/dialogs/language/ImeDialog.h"
#include "app/gui/dialogs/language/LanguagePropertiesDialog.h"
#include "app/gui/dialogs/language/LanguagesDialog.h"
#include "app/gui/dialogs/language/StatisticsDialog.h"
#include "app/gui/dialogs/libraries/LibraryDialogs.h"
#include "app/gui/dialogs/options/OptionsDialog.h"
#include "app/gui/dialogs/project/SynchronizeDialog.h"
#include "app/gui/dialogs/repository/RepExportDialog.h"
#include "app/gui/dialogs/repository/RepImportMSGlossaryDialog.h"
#include "app/gui/dialogs/repository/RepRefreshDialog.h"
#include "app/gui/dialogs/repository/RepositoryForm.h"
#include "app/gui/dialogs/search/FindDialog.h"
#include "app/gui/dialogs/search/GotoLineDialog.h"
#include "app/gui/dialogs/search/RegExprFilterDialog.h"
#include "app/gui/dialogs/search/ReplacePrompt.h"
#include "app/gui/grid/MultiLineEditor.h"
#include "app/gui/window/MainForm.h"
#include "app/gui/window/NativeValueWindow.h"
#include "app/gui/window/ProgressForm.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LangFileProject.h"
#include "repository/LangRepository.h"
#include "runtime/QLocUtils.h"
#include "runtime/VocabrixOnFly.h"
#include "storage/LocStorage.h"
#include "storage/Locales.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMetaProperty>
#include <QSet>
#include <QStandardPaths>
#include <QTabWidget>
#include <QWidget>

namespace {

TUiLanguage* GCurrent = nullptr;

// The properties that carry the texts of a window.
const char* const kTextProperties[] = {"windowTitle", "title",           "text",   "toolTip", "statusTip",
                                       "whatsThis",   "placeholderText", "prefix", "suffix",  "specialValueText"};
const QString kTabTexts = QStringLiteral("TabTexts");

bool IsSeparateForm(const QObject* Object)
{
    const auto* widget = qobject_cast<const QWidget*>(Object);
    return widget && widget->isWindow() && !qobject_cast<const QMenu*>(widget);
}

// Qt's own inner objects (a combo box's line edit, a tool bar's extension).
bool IsInternal(const QObject* Object) { return Object->objectName().startsWith(QLatin1String("qt_")); }

// The objects of a form, its own windows left out, in creation order.
void ForEachComponent(QObject* Parent, const std::function<void(QObject*)>& Visit)
{
    for (QObject* child : Parent->children()) {
        if (IsSeparateForm(child)) continue;
        // A menu's own action repeats the menu's title; Qt's inner objects
        // (a tab widget's page stack) hold the form's parts but are none.
        const auto* action = qobject_cast<QAction*>(child);
        if (!IsInternal(child) && !(action && action->menu()) && !child->property("uiDynamicText").toBool())
            Visit(child);
        ForEachComponent(child, Visit);
    }
}

QList<QPair<QString, QString>> TextsOf(QObject* Object)
{
    QList<QPair<QString, QString>> texts;
    const QMetaObject* mo = Object->metaObject();
    for (const char* name : kTextProperties) {
        const int i = mo->indexOfProperty(name);
        if (i < 0 || !mo->property(i).isWritable() || mo->property(i).metaType().id() != QMetaType::QString) continue;
        const QString value = mo->property(i).read(Object).toString();
        if (!value.trimmed().isEmpty()) texts << qMakePair(QString::fromLatin1(name), value);
    }
    return texts;
}

QStringList TabTexts(const QTabWidget* Tabs)
{
    QStringList texts;
    for (int i = 0; i < Tabs->count(); ++i) texts << Tabs->tabText(i);
    return texts;
}

QString NameFromText(const QObject* Object, const QString& Text)
{
    QString name = QString::fromLatin1(Object->metaObject()->className());
    if (name.startsWith(QLatin1Char('Q'))) name = name.mid(1);
    name += QLatin1Char('_');
    for (QChar c : Text)
        if (c.isLetterOrNumber() && c.unicode() < 128) name += c;
    return name.left(48);
}

void AddProperty(TLocComponent* Component, const QString& Name, const QString& Value, TLocValueType Type)
{
    TLocProperty* p = Component->Properties().Add(-1, Name, Type);
    p->MainValue()->SetValue(Value);
    p->MainValue()->SetValueVersion(1);
}

} // namespace

void NameFormComponents(QWidget* Form)
{
    QSet<QString> used;
    ForEachComponent(Form, [&](QObject* o) { used.insert(o->objectName()); });
    ForEachComponent(Form, [&](QObject* o) {
        if (!o->objectName().isEmpty()) return;
        const auto texts = TextsOf(o);
        QString text = texts.isEmpty() ? QString() : texts.first().second;
        if (auto* tabs = qobject_cast<QTabWidget*>(o)) text = TabTexts(tabs).join(QString());
        if (text.isEmpty()) return;
        const QString base = NameFromText(o, text);
        QString name = base;
        for (int n = 2; used.contains(name); ++n) name = base + QLatin1Char('_') + QString::number(n);
        used.insert(name);
        o->setObjectName(name);
    });
}

void CollectFormTexts(QWidget* Form, TLocStorage& Storage)
{
    NameFormComponents(Form);
    const QString formName = QString::fromLatin1(Form->metaObject()->className()).mid(1);
    TLocForm* form = Storage.Forms().Add(formName);
    const bool dynamicTitle = Form->property("uiDynamicText").toBool();
    for (const auto& [name, value] : TextsOf(Form))
        if (name != QLatin1String("toolTip") && !(dynamicTitle && name == QLatin1String("windowTitle")))
            AddProperty(form, name, value, ptString);
    ForEachComponent(Form, [&](QObject* o) {
        if (o->objectName().isEmpty()) return;
        const auto texts = TextsOf(o);
        auto* tabs = qobject_cast<QTabWidget*>(o);
        if (texts.isEmpty() && !tabs) return;
        TLocComponent* component = form->Components().Add(o->objectName());
        for (const auto& [name, value] : texts) AddProperty(component, name, value, ptString);
        if (tabs) AddProperty(component, kTabTexts, TabTexts(tabs).join(QStringLiteral("\r\n")), ptStringList);
    });
}

TUiLanguage::TUiLanguage(const QByteArray& Image, QObject* Parent) : QObject(Parent)
{
    TModuleTable::Instance().RegisterExecutable(QCoreApplication::applicationFilePath(), Image);
    FLocUtils = std::make_unique<TQLocUtils>();
    FLocUtils->SetSafeWork(false);
    FOnFly = std::make_unique<TQVocabrixOnFly>(*FLocUtils);
    // Built DLLs go to the user's cache: the program's folder may be read-only.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!cache.isEmpty() && QDir().mkpath(cache)) FOnFly->SetDLLDir(cache);
    FOnFly->ListForms = [] {
        QList<QObject*> forms;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!qobject_cast<QMenu*>(w)) forms << w;
        return forms;
    };
    FOnFly->ShowError = [](const QString& Title, const QString& Text) {
        QMessageBox::critical(QApplication::activeWindow(), Title, Text);
    };
    TFormRetranslator& r = FOnFly->Retranslator();
    r.OnlyKnownTexts = true;
    r.IsSeparateForm = IsSeparateForm;
    r.OnCustomObjectProcessing = [](QObject* Object, const QString& Name, const QVariant& Value) {
        auto* tabs = qobject_cast<QTabWidget*>(Object);
        if (!tabs || Name != kTabTexts) return false;
        const QStringList texts = Value.toStringList();
        if (texts.size() == tabs->count())
            for (int i = 0; i < texts.size(); ++i) tabs->setTabText(i, texts[i]);
        return true;
    };
    r.OnFormProcessStart = [](QObject* Object) {
        if (auto* w = qobject_cast<QWidget*>(Object)) NameFormComponents(w);
    };
    qApp->installEventFilter(this);
    GCurrent = this;
}

TUiLanguage::~TUiLanguage()
{
    if (GCurrent == this) GCurrent = nullptr;
}

TUiLanguage* TUiLanguage::Current() { return GCurrent; }

QString TUiLanguage::Start(const QString& UiLang, const QString& LangDir)
{
    try {
        if (UiLang.isEmpty()) {
            FOnFly->SetErrorReaction(erException);
            FOnFly->InitReg(QString(), LangDir);
        } else {
            FOnFly->Init(LangDir);
            FOnFly->SetErrorReaction(erException);
            FOnFly->SwitchToExt(UiLang);
        }
    } catch (const EVocabrixError& e) {
        // A bad code or damaged language data never stops the start.
        FLocUtils->BackToExe();
        const QString code = UiLang.isEmpty() ? QStringLiteral("EXE") : UiLang;
        FOnFly->SetErrorReaction(erMessage);
        if (FOnFly->Initialized()) {
            try {
                FOnFly->SwitchToExt(QStringLiteral("exe"));
            } catch (const EVocabrixError&) {
            }
        }
        return UiString(usLanguageNotLoaded, {code, e.Message()});
    }
    FOnFly->SetErrorReaction(erMessage);
    return QString();
}

void TUiLanguage::FillOptions(TdlgOptions& Dialog) const
{
    QStringList names;
    for (const auto& info : FOnFly->LangList())
        names << (info->LocalizedName().isEmpty() ? info->EnglishName() : info->LocalizedName());
    Dialog.SetInterfaceLanguages(names, FOnFly->CurLangIndex());
}

void TUiLanguage::ApplyOptions(const TdlgOptions& Dialog)
{
    const int chosen = Dialog.InterfaceLanguage();
    if (chosen >= 0 && chosen != FOnFly->CurLangIndex()) SwitchTo(chosen);
}

void TUiLanguage::SwitchTo(int ListIndex)
{
    if (ListIndex < 0 || ListIndex >= FOnFly->LangList().Count()) return;
    const TLFInfo* info = FOnFly->LangList().Items(ListIndex);
    if (!info->InResource())
        FOnFly->SwitchToFile(info->FullFileName());
    else
        FOnFly->SwitchToExt(info->Native() ? QStringLiteral("exe") : LocaleAbbreviation(int(info->Locale())));
    // Every window got the new language; later ones get it when shown. Texts
    // a window makes from data are its own to remake: it is told as Qt tells
    // of a changed translator.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        w->setProperty("uiLangColumn", FOnFly->CurLangStorageIndex());
        QEvent changed(QEvent::LanguageChange);
        QCoreApplication::sendEvent(w, &changed);
    }
}

void TUiLanguage::Translate(QWidget* Window)
{
    const int column = FOnFly->CurLangStorageIndex();
    const QVariant done = Window->property("uiLangColumn");
    // A new window shows the built-in English texts already.
    if ((done.isValid() ? done.toInt() : 0) == column) return;
    FOnFly->TranslateForm(Window);
    Window->setProperty("uiLangColumn", column);
}

bool TUiLanguage::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Event->type() == QEvent::Show && FOnFly->Initialized())
        if (auto* w = qobject_cast<QWidget*>(Watched); w && IsSeparateForm(w)) Translate(w);
    return QObject::eventFilter(Watched, Event);
}

TInterfaceWindows::TInterfaceWindows()
    : FProject(std::make_unique<TLangFileProject>()),
      FRepository(std::make_unique<TQLangRepository>(FDir.filePath(QStringLiteral("walk.lr")))),
      FPrompt(std::make_unique<TRecordingPrompt>())
{
    FRepository->OpenOrCreate();
    auto& windows = FWindows;
    windows.push_back(std::make_unique<TOxvPDMainForm>(TStartOptions{}));
    windows.push_back(std::make_unique<TdlgOptions>());
    windows.push_back(std::make_unique<TdlgFind>());
    windows.push_back(std::make_unique<TdlgReplace>());
    windows.push_back(std::make_unique<TdlgGotoLine>());
    windows.push_back(std::make_unique<TdlgRegExp>());
    windows.push_back(std::make_unique<TdlgStatistics>());
    windows.push_back(std::make_unique<TdlgLanguages>());
    windows.push_back(std::make_unique<TdlgLanguageProperties>());
    windows.push_back(std::make_unique<TdlgRepRefresh>());
    windows.push_back(std::make_unique<TdlgRepRefreshLang>());
    windows.push_back(std::make_unique<TRepositoryForm>(FRepository.get(), *FPrompt));
    windows.push_back(std::make_unique<TdlgRepLangProp>(FRepository.get()));
    windows.push_back(std::make_unique<TdlgRepExport>(*FRepository, *FPrompt));
    windows.push_back(std::make_unique<TdlgRepImportMSGlossary>(nullptr));
    windows.push_back(std::make_unique<TdlgExport>(*FProject, *FPrompt));
    windows.push_back(std::make_unique<TdlgImport>(*FProject, *FPrompt));
    windows.push_back(std::make_unique<TdlgExtract>(nullptr));
    windows.push_back(std::make_unique<TfrmNativeValue>(nullptr));
    windows.push_back(std::make_unique<TdlgCellEdit>(nullptr));
    windows.push_back(std::make_unique<TdlgSynchronize>(nullptr));
    windows.push_back(std::make_unique<TdlgIME>(nullptr));
    windows.push_back(std::make_unique<TfrmAddEditExternal>(nullptr, FPrompt.get()));
    windows.push_back(std::make_unique<TdlgOpenLib>(nullptr));
    windows.push_back(std::make_unique<TdlgChooseLib>(nullptr));
}

TInterfaceWindows::~TInterfaceWindows() = default;

void CollectInterfaceTexts(TLocStorage& Storage)
{
    Storage.SetMainLangID(InterfaceLocales().first());
    AddUiStringUnit(Storage);
    const TInterfaceWindows windows;
    for (const auto& window : windows.Windows()) CollectFormTexts(window.get(), Storage);
}
