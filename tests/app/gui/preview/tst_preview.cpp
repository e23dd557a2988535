#include "app/gui/commands/PreviewCommands.h"
#include "app/gui/window/MainForm.h"

#include "SampleWindow.h"
#include "resources/FormStreams.h"

#include "app/gui/preview/ExeDialogViewer.h"
#include "app/gui/window/TreeCombo.h"
#include "core/Prompt.h"
#include "langfile/LangFile.h"
#include "resources/DllBuilder.h"
#include "resources/FormTree.h"
#include "resources/ResProcessor.h"
#include "storage/LocStorage.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

// The classes of the class table in the order the fixture places them, with
// the Qt class each one becomes.
const std::pair<const char*, const char*> kClassWidgets[] = {
    {"TFrame", "QFrame"},
    {"TPanel", "QFrame"},
    {"TGroupBox", "QGroupBox"},
    {"TRadioGroup", "QGroupBox"},
    {"TLabel", "QLabel"},
    {"TStaticText", "QLabel"},
    {"TEdit", "QLineEdit"},
    {"TMaskEdit", "QLineEdit"},
    {"TMemo", "QPlainTextEdit"},
    {"TRichEdit", "QPlainTextEdit"},
    {"TButton", "QPushButton"},
    {"TBitBtn", "QPushButton"},
    {"TSpeedButton", "QToolButton"},
    {"TCheckBox", "QCheckBox"},
    {"TRadioButton", "QRadioButton"},
    {"TComboBox", "QComboBox"},
    {"TListBox", "QListWidget"},
    {"TCheckListBox", "QListWidget"},
    {"TListView", "QTreeWidget"},
    {"TTreeView", "QTreeWidget"},
    {"TStringGrid", "QTableWidget"},
    {"TPageControl", "QTabWidget"},
    {"TTabControl", "QWidget"},
    {"TScrollBox", "QScrollArea"},
    {"TBevel", "QFrame"},
    {"TImage", "QFrame"},
    {"TShape", "QWidget"},
    {"TProgressBar", "QProgressBar"},
    {"TTrackBar", "QSlider"},
    {"TUpDown", "QSpinBox"},
    {"TStatusBar", "QStatusBar"},
    {"TToolBar", "QFrame"},
    {"TSplitter", "QFrame"},
};

QRect FixtureBounds(int Index) { return QRect(10 + (Index % 6) * 110, 10 + (Index / 6) * 60, 100, 50); }

QByteArray ComponentName(const char* ClassName) { return QByteArray("c") + (ClassName + 1); }

// One component of each class at its own place, with the texts and the
// children each class shows; a main menu, a pop-up menu and a component of a
// class nobody knows (TSuperGrid) holding a button.
QByteArray ClassesForm()
{
    TFormStreamWriter s;
    s.Object("TClassesForm", "ClassesForm").Text("Caption", "All classes").Int("ClientWidth", 700);
    s.Int("ClientHeight", 500).Ident("Menu", "mmMain").End();
    s.Object("TMainMenu", "mmMain").End();
    s.Object("TMenuItem", "mnuFile").Text("Caption", "&File").End();
    s.Object("TMenuItem", "mnuOpen").Text("Caption", "&Open...").End().End();
    s.Object("TMenuItem", "mnuSep").Text("Caption", "-").End().End();
    s.End().End();
    s.Object("TPopupMenu", "pmNotShown").End().Object("TMenuItem", "pmItem").Text("Caption", "x").End().End().End();
    int index = 0;
    for (const auto& [cls, widget] : kClassWidgets) {
        const QRect r = FixtureBounds(index++);
        s.Object(cls, ComponentName(cls)).Bounds(r.x(), r.y(), r.width(), r.height());
        const QByteArray name = cls;
        if (name == "TStatusBar" || name == "TToolBar" || name == "TSplitter") s.Ident("Align", "alNone");
        if (name == "TLabel") s.Text("Caption", "Label text").Bool("AutoSize", false);
        if (name == "TStaticText") s.Bool("AutoSize", false);
        if (name == "TButton") s.Text("Caption", "Abbrechen");
        if (name == "TEdit") s.Text("Text", "Edit text");
        if (name == "TComboBox") s.Lines("Items.Strings", {"one", "two"}).Int("ItemIndex", 1);
        if (name == "TMemo") s.Lines("Lines.Strings", {"first", "second"});
        if (name == "TRadioGroup") s.Text("Caption", "Direction").Lines("Items.Strings", {"&Up", "&Down"});
        if (name == "TTabControl") s.Lines("Tabs.Strings", {"Tab A", "Tab B"});
        if (name == "TListView") {
            s.Ident("ViewStyle", "vsReport").Collection("Columns");
            s.Item().Text("Caption", "Name").Int("Width", 60).End().Item().Text("Caption", "Size").End().End();
        }
        if (name == "TStatusBar") s.Collection("Panels").Item().Text("Text", "Ready").Int("Width", 40).End().End();
        s.End();
        if (name == "TPageControl") {
            s.Object("TTabSheet", "tsOne").Text("Caption", "One").End();
            s.Object("TButton", "btnOnPage").Bounds(5, 5, 60, 20).End().End();
            s.End();
            s.Object("TTabSheet", "tsTwo").Text("Caption", "Two").End().End();
        }
        if (name == "TToolBar") {
            s.Object("TToolButton", "tbA").Text("Caption", "A").End().End();
            s.Object("TToolButton", "tbB").Text("Caption", "B").End().End();
        }
        s.End();
    }
    s.Object("TSuperGrid", "sgSuper").Bounds(100, 400, 300, 80).End();
    s.Object("TButton", "btnInSuper").Bounds(4, 6, 70, 22).Text("Caption", "Inside").End().End();
    s.End();
    s.End();
    return s.Data;
}

// A PE image with the RCDATA items given (name, data); with a Base, that
// file's resources with those items replaced or added.
void WritePE(const QString& FileName, const QList<QPair<QString, QByteArray>>& Items, const QString& Base = {})
{
    TResProcessor rp;
    if (Base.isEmpty())
        rp.AddBlock(std::make_unique<TResRCData>(&rp));
    else
        rp.LoadPEFile(Base);
    for (const auto& [name, data] : Items) {
        TResRCDataItem* item = rp.RCData()->ItemByName(name);
        (item ? item : rp.RCData()->Add(name, false))->Buffer() = data;
    }
    QByteArray image;
    rp.CreateDLLStream(image);
    QFile file(FileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(image);
}

class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Urls;
public Q_SLOTS:
    void Open(const QUrl& Url) { Urls << Url; }
};

struct TViewer {
    QTemporaryDir Dir;
    TRecordingPrompt Prompt;
    TExeDialogViewer Viewer{Dir.filePath("preview.ini"), &Prompt};
    QStringList Missing;
    QStringList Clicked;
    TViewer()
    {
        Viewer.SetOnClassMissing([this](TExeDialogViewer*, const QString& ClassName) { Missing << ClassName; });
        Viewer.SetOnCmpDblClick([this](TExeDialogViewer* Sender, QWidget* Form, QObject* Component) {
            QVERIFY(Sender == &Viewer && Form == Viewer.Form());
            Clicked << (Component == Form ? QStringLiteral("<form>") : Component->objectName());
        });
    }
    void Ini(const QByteArray& Text)
    {
        QFile file(Dir.filePath("preview.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Text);
    }
    template <class T = QWidget> T* Widget(const QString& Name) const
    {
        return Viewer.Form() ? Viewer.Form()->findChild<T*>(Name) : nullptr;
    }
};

} // namespace

class TestPreview : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { SetDefaultPrompt(nullptr); }
    void eachClassAtItsPlace_data();
    void eachClassAtItsPlace();
    void textsItemsAndNesting();
    void missingClassReportedOrReplaced();
    void rightToLeftMirrored();
    void alignAndAnchors();
    void missingFontFallsBack();
    void clicksReportTheComponent();
    void showDialogFromPEFile();
    void boundsRememberedAcrossClose();
    void damagedStreamShowsWhatItCan();
    void realFormsBuild();
    void previewButtonAndClickOnTheWindow();
};

void TestPreview::eachClassAtItsPlace_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QRect>("bounds");
    int index = 0;
    for (const auto& [cls, widget] : kClassWidgets)
        QTest::newRow(cls) << QString::fromLatin1(ComponentName(cls)) << QString::fromLatin1(cls)
                           << QString::fromLatin1(widget) << FixtureBounds(index++);
}

void TestPreview::eachClassAtItsPlace()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, widget);
    QFETCH(QRect, bounds);
    TViewer v;
    v.Viewer.ShowStream(ClassesForm());
    QWidget* w = v.Widget(name);
    QVERIFY2(w, qPrintable(name));
    QVERIFY2(w->inherits(widget.toLatin1()), w->metaObject()->className());
    QCOMPARE(w->property(kPreviewClass).toString(), className);
    QCOMPARE(w->parentWidget(), v.Viewer.Form()->Client());
    QCOMPARE(w->geometry(), bounds);
    QCOMPARE(w->toolTip(), name + QStringLiteral(": ") + className);
}

void TestPreview::textsItemsAndNesting()
{
    TViewer v;
    v.Viewer.ShowStream(ClassesForm());
    TPreviewForm* form = v.Viewer.Form();
    QVERIFY(form && form->isVisible());
    QCOMPARE(form->objectName(), QStringLiteral("ClassesForm"));
    QCOMPARE(form->windowTitle(), QStringLiteral("All classes"));
    QCOMPARE(form->Client()->size(), QSize(700, 500));
    QCOMPARE(v.Widget<QLabel>("cLabel")->text(), QStringLiteral("Label text"));
    QCOMPARE(v.Widget<QPushButton>("cButton")->text(), QStringLiteral("Abbrechen"));
    QCOMPARE(v.Widget<QLineEdit>("cEdit")->text(), QStringLiteral("Edit text"));
    auto* combo = v.Widget<QComboBox>("cComboBox");
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->currentText(), QStringLiteral("two"));
    QCOMPARE(v.Widget<QPlainTextEdit>("cMemo")->toPlainText(), QStringLiteral("first\nsecond"));
    auto* group = v.Widget<QGroupBox>("cRadioGroup");
    QCOMPARE(group->title(), QStringLiteral("Direction"));
    QCOMPARE(group->findChildren<QRadioButton*>().size(), 2);
    QCOMPARE(v.Widget("cTabControl")->findChild<QTabBar*>()->tabText(1), QStringLiteral("Tab B"));
    auto* list = v.Widget<QTreeWidget>("cListView");
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("Name"));
    QCOMPARE(list->columnWidth(0), 60);
    QCOMPARE(list->columnCount(), 2);
    QCOMPARE(v.Widget("cStatusBar")->findChild<QLabel*>()->text(), QStringLiteral("Ready"));

    // Pages hold their own components.
    auto* pages = v.Widget<QTabWidget>("cPageControl");
    QCOMPARE(pages->count(), 2);
    QCOMPARE(pages->tabText(0), QStringLiteral("One"));
    QCOMPARE(v.Widget("btnOnPage")->parentWidget()->objectName(), QStringLiteral("tsOne"));
    QCOMPARE(v.Widget("btnOnPage")->geometry(), QRect(5, 5, 60, 20));
    // Tool buttons without a place follow each other.
    QCOMPARE(v.Widget("tbB")->x(), v.Widget("tbA")->width());

    // The main menu is the form's menu bar; the pop-up menu shows nothing.
    auto* bar = form->findChild<QMenuBar*>();
    QVERIFY(bar);
    QCOMPARE(bar->actions().size(), 1);
    QCOMPARE(bar->actions()[0]->text(), QStringLiteral("&File"));
    QCOMPARE(bar->actions()[0]->menu()->actions().size(), 2);
    QVERIFY(bar->actions()[0]->menu()->actions()[1]->isSeparator());
    QVERIFY(!v.Widget("pmNotShown") && !v.Widget("pmItem"));
    QCOMPARE(bar->geometry().bottom() + 1, form->Client()->y());
}

void TestPreview::missingClassReportedOrReplaced()
{
    TViewer v;
    v.Viewer.ShowStream(ClassesForm());
    QCOMPARE(v.Missing, QStringList{"TSuperGrid"});
    QVERIFY(!v.Widget("sgSuper"));
    // Its child stays where it was, on the missing component's parent.
    QCOMPARE(v.Widget("btnInSuper")->parentWidget(), v.Viewer.Form()->Client());
    QCOMPARE(v.Widget("btnInSuper")->geometry(), QRect(104, 406, 70, 22));

    // The replacement file maps it; read again at each showing.
    v.Ini("[ReplaceComponents]\r\nTSuperGrid=TStringGrid\r\n");
    v.Missing.clear();
    v.Viewer.ShowStream(ClassesForm());
    QVERIFY(v.Missing.isEmpty());
    auto* grid = v.Widget<QTableWidget>("sgSuper");
    QVERIFY(grid);
    QCOMPARE(grid->geometry(), QRect(100, 400, 300, 80));
    QCOMPARE(grid->property(kPreviewClass).toString(), QStringLiteral("TSuperGrid"));
    QCOMPARE(v.Widget("btnInSuper")->parentWidget(), grid);

    // A class the program does not know either is no replacement.
    v.Ini("[ReplaceComponents]\r\nTSuperGrid=TMegaGrid\r\n");
    v.Viewer.ShowStream(ClassesForm());
    QCOMPARE(v.Missing, QStringList{"TSuperGrid"});
}

void TestPreview::rightToLeftMirrored()
{
    TFormStreamWriter s;
    s.Object("TArabicForm", "ArabicForm").Int("ClientWidth", 400).Int("ClientHeight", 200);
    s.Ident("BiDiMode", "bdRightToLeft").End();
    s.Object("TButton", "btn").Bounds(10, 20, 75, 25).End().End();
    s.Object("TPanel", "pnl").Bounds(100, 50, 200, 100).End();
    s.Object("TLabel", "lbl").Bounds(10, 10, 50, 13).Bool("AutoSize", false).End().End();
    s.End();
    s.Object("TPanel", "pnlLeft").Ident("Align", "alLeft").Int("Width", 30).End().End();
    s.End();
    TViewer v;
    v.Viewer.ShowStream(s.Data);
    QCOMPARE(v.Viewer.Form()->layoutDirection(), Qt::RightToLeft);
    QCOMPARE(v.Widget("btn")->geometry(), QRect(400 - 10 - 75, 20, 75, 25));
    QCOMPARE(v.Widget("pnl")->geometry(), QRect(400 - 100 - 200, 50, 200, 100));
    QCOMPARE(v.Widget("lbl")->geometry(), QRect(200 - 10 - 50, 10, 50, 13));
    QCOMPARE(v.Widget("pnlLeft")->geometry(), QRect(370, 0, 30, 200)); // alLeft goes right
    QCOMPARE(v.Widget("btn")->layoutDirection(), Qt::RightToLeft);
}

void TestPreview::alignAndAnchors()
{
    TFormStreamWriter s;
    s.Object("TAlignForm", "AlignForm").Int("ClientWidth", 300).Int("ClientHeight", 200).End();
    s.Object("TPanel", "top").Ident("Align", "alTop").Int("Height", 30).End().End();
    s.Object("TStatusBar", "sb").Int("Height", 20).End().End(); // at the bottom by default
    s.Object("TMemo", "client").Ident("Align", "alClient").End().End();
    s.Object("TButton", "ok").Bounds(200, 160, 80, 25).Set("Anchors", {"akRight", "akBottom"}).End().End();
    s.End();
    TViewer v;
    v.Viewer.ShowStream(s.Data);
    QCOMPARE(v.Widget("top")->geometry(), QRect(0, 0, 300, 30));
    QCOMPARE(v.Widget("sb")->geometry(), QRect(0, 180, 300, 20));
    QCOMPARE(v.Widget("client")->geometry(), QRect(0, 30, 300, 150));
    v.Viewer.Form()->resize(400, 260);
    QCOMPARE(v.Widget("client")->geometry(), QRect(0, 30, 400, 210));
    QCOMPARE(v.Widget("ok")->geometry(), QRect(300, 220, 80, 25));
}

void TestPreview::missingFontFallsBack()
{
    TFormStreamWriter s;
    s.Object("TFontForm", "FontForm").Text("Font.Name", "No Such Font Sans").Int("Font.Height", -15);
    s.Set("Font.Style", {"fsBold"}).End();
    s.Object("TLabel", "mono").Text("Font.Name", "Courier New Missing").Text("Caption", "x").End().End();
    s.End();
    TViewer v;
    v.Viewer.ShowStream(s.Data);
    const QFont font = v.Viewer.Form()->font();
    QVERIFY(QFontDatabase::hasFamily(font.family()));
    QCOMPARE(font.pixelSize(), 15);
    QVERIFY(font.bold());
    QVERIFY(QFontInfo(v.Widget("mono")->font()).fixedPitch());
    QVERIFY(v.Widget("mono")->font().bold()); // the form's style is inherited
    QCOMPARE(PreviewFontFamily(font.family()), font.family());
}

void TestPreview::clicksReportTheComponent()
{
    TViewer v;
    v.Viewer.ShowStream(ClassesForm());
    QVERIFY(QTest::qWaitForWindowExposed(v.Viewer.Form()));
    QTest::mouseClick(v.Widget("cButton"), Qt::LeftButton);
    QTest::mouseClick(v.Widget("cListView")->findChild<QWidget*>("qt_scrollarea_viewport"), Qt::LeftButton);
    QTest::mouseClick(v.Viewer.Form()->Client(), Qt::LeftButton, {}, QPoint(690, 490));
    QCOMPARE(v.Clicked, (QStringList{"cButton", "cListView", "<form>"}));
    // Tab bars still switch pages.
    auto* pages = v.Widget<QTabWidget>("cPageControl");
    QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {}, pages->tabBar()->tabRect(1).center());
    QCOMPARE(pages->currentIndex(), 1);
    QCOMPARE(v.Clicked.last(), QStringLiteral("cPageControl"));
}

void TestPreview::showDialogFromPEFile()
{
    TViewer v;
    const QString pe = v.Dir.filePath("app.exe");
    TFormStreamWriter form;
    form.Object("TAboutBox", "AboutBox").Text("Caption", "About").End().End();
    WritePE(pe, {{"TABOUTBOX", form.Data}, {"TMEOPTIONS", form.Data}, {"TBROKEN", "TPF0\x05"}});

    v.Viewer.ShowDialog(pe, "aboutbox");
    QVERIFY(v.Viewer.Form());
    QCOMPARE(v.Viewer.Form()->windowTitle(), QStringLiteral("About"));
    v.Viewer.ShowDialog(pe, "Options"); // "TME" + the name
    QVERIFY(v.Viewer.Form());
    QVERIFY(v.Prompt.Log.isEmpty());

    // A DLL without the form: nothing, no message.
    v.Viewer.ShowDialog(pe, "MainForm");
    QVERIFY(!v.Viewer.Form());
    QVERIFY(v.Prompt.Log.isEmpty());

    v.Viewer.ShowDialog(pe, "Broken");
    QVERIFY(!v.Viewer.Form());
    QCOMPARE(v.Prompt.Log.size(), 1);
    QVERIFY(v.Prompt.Log[0].contains(QLatin1String("Error creating the preview form")));

    QFile garbage(v.Dir.filePath("garbage.exe"));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write("MZ not really");
    garbage.close();
    v.Viewer.ShowDialog(garbage.fileName(), "AboutBox");
    QVERIFY(!v.Viewer.Form());
    QVERIFY(v.Prompt.Log.last().contains(QLatin1String("Error creating the preview form")));

    const QString missing = v.Dir.filePath("missing.exe");
    v.Viewer.ShowDialog(missing, "AboutBox");
    QVERIFY(v.Prompt.Log.last().contains(
        QStringLiteral("Executable \"%1\" does not exist; please compile (create) it again.")
            .arg(QDir::toNativeSeparators(missing))));
}

// A form closed and shown again (another row, another language) comes back
// where the user left it, in the size of the form shown: the German form of
// 720 pixels is not drawn in the 640 of the English one before it. A place
// off the screen is brought back onto it.
void TestPreview::boundsRememberedAcrossClose()
{
    const auto form = [](int Width) {
        TFormStreamWriter s;
        s.Object("TMainForm", "MainForm").Int("ClientWidth", Width).Int("ClientHeight", 300).End().End();
        return s.Data;
    };
    TViewer v;
    v.Viewer.ShowStream(form(640));
    QCOMPARE(v.Viewer.Form()->width(), 640);
    v.Viewer.Form()->move(40, 140);
    const QPoint place = v.Viewer.Form()->pos();
    v.Viewer.Form()->close();
    QVERIFY(v.Viewer.Form() && !v.Viewer.Form()->isVisible());
    QCOMPARE(v.Viewer.FormPos().Count(), 1);
    QVERIFY(v.Viewer.FormPos().FindComp("MainForm"));
    QVERIFY(!v.Viewer.FormPos().FindComp("mainform")); // names match exactly

    v.Viewer.ShowStream(form(720));
    QCOMPARE(v.Viewer.Form()->pos(), place);
    QCOMPARE(v.Viewer.Form()->size(), QSize(720, 300));

    const QRect screen = v.Viewer.Form()->screen()->availableGeometry();
    v.Viewer.Form()->move(screen.right() - 10, screen.bottom() - 10);
    v.Viewer.Form()->close();
    v.Viewer.ShowStream(form(720));
    QVERIFY(screen.contains(v.Viewer.Form()->frameGeometry()));
}

void TestPreview::damagedStreamShowsWhatItCan()
{
    const QByteArray whole = ClassesForm();
    TViewer v;
    // Cut inside the memo: everything before it shows.
    v.Viewer.ShowStream(whole.left(whole.indexOf("second")));
    QVERIFY(v.Widget("cLabel") && v.Widget("cEdit"));
    QVERIFY(!v.Widget("cButton"));
    // Any prefix builds without a crash.
    for (qsizetype n = 4; n < whole.size(); n += 97) {
        try {
            v.Viewer.ShowStream(whole.left(n));
        } catch (const ELocFormProcessorError&) {
            QVERIFY(n < 20); // only before the form's header is complete
        }
    }
    // Bytes changed at random places of a real form: whatever values come out
    // of them build without a crash.
    QFile file(QStringLiteral(TEST_DATA_DIR "/forms/ide_findreplacedialog.bin"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray real = file.readAll();
    quint32 seed = 22;
    for (int round = 0; round < 200; ++round) {
        QByteArray mutated = real;
        for (int i = 0; i < 4; ++i) {
            seed = seed * 1664525u + 1013904223u;
            mutated[qsizetype(seed % quint32(mutated.size()))] = char(seed >> 24);
        }
        try {
            v.Viewer.ShowStream(mutated);
        } catch (const ELocFormProcessorError&) {
            QVERIFY(!v.Viewer.Form());
        }
    }
    // Absurd sizes and counts are bounded.
    TFormStreamWriter s;
    s.Object("THugeForm", "HugeForm").Int("ClientWidth", 2000000000).Int("ClientHeight", -5).End();
    s.Object("TStringGrid", "grid")
        .Int("RowCount", 100000000)
        .Int("ColCount", 1000000)
        .Int("Width", 999999)
        .End()
        .End();
    s.End();
    v.Viewer.ShowStream(s.Data);
    QVERIFY(v.Viewer.Form()->Client()->width() <= 4096);
    QVERIFY(v.Viewer.Form()->Client()->height() <= 4096);
    auto* grid = v.Widget<QTableWidget>("grid");
    QVERIFY(grid->rowCount() <= 1000 && grid->columnCount() <= 100 && grid->width() <= 8192);
}

void TestPreview::realFormsBuild()
{
    const QStringList files = QDir(QStringLiteral(TEST_DATA_DIR "/forms")).entryList({"*.bin"});
    QVERIFY(files.size() >= 20);
    QStringList empty;
    for (const QString& name : files) {
        QFile file(QStringLiteral(TEST_DATA_DIR "/forms/") + name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray stream = file.readAll();
        // Forms without components, or with only classes of other libraries
        // (charts), show the bare form.
        const TFormTree tree = ReadFormTree(stream);
        QVERIFY2(tree.Root && tree.Error.isEmpty(), qPrintable(name));
        std::function<bool(const TFormObject&)> holdsKnown = [&](const TFormObject& O) {
            return std::any_of(O.Children.begin(), O.Children.end(), [&](const auto& c) {
                return (TFormPreviewBuilder::KnowsClass(c->ClassName) && c->ClassName != QLatin1String("TPopupMenu")) ||
                       holdsKnown(*c);
            });
        };
        TViewer v;
        v.Viewer.ShowStream(stream);
        QVERIFY2(v.Viewer.Form(), qPrintable(name));
        int components = 0;
        for (QObject* o : v.Viewer.Form()->findChildren<QObject*>())
            if (o->property(kPreviewClass).isValid()) ++components;
        if (components == 0 && holdsKnown(*tree.Root)) empty << name;
        QVERIFY(!v.Viewer.Form()->grab().isNull());
    }
    QVERIFY2(empty.isEmpty(), qPrintable(empty.join(' ')));
}

void TestPreview::previewButtonAndClickOnTheWindow()
{
    TSampleWindow<TRecordingPrompt> w;
    w.Show({"deu"}, OpenGerman());
    // The sample with its find dialog laid out, and the German DLL built from it.
    TFormStreamWriter find;
    find.Object("TFindDialog", "FindDialog").Text("Caption", "Find").Int("ClientWidth", 300).Int("ClientHeight", 120);
    find.End();
    find.Object("TLabel", "lblFind").Bounds(8, 12, 60, 13).Text("Caption", "Fi&nd what:").End().End();
    find.Object("TCheckBox", "chkMatchCase").Bounds(8, 40, 120, 17).Text("Caption", "Match &case").End().End();
    find.Object("TCheckBox", "chkWholeWord").Bounds(8, 60, 120, 17).Text("Caption", "&Whole words only").End().End();
    find.Object("TRadioGroup", "rgDirection").Bounds(140, 36, 70, 60).Lines("Items.Strings", {"&Up", "&Down"});
    find.End().End();
    find.Object("TButton", "btnFindNext").Bounds(220, 8, 75, 25).Text("Caption", "&Find Next").End().End();
    find.Object("TButton", "btnCancel").Bounds(220, 40, 75, 25).Text("Caption", "Cancel").End().End();
    find.End();
    const QString pe = w.Dir.filePath("Notes.exe");
    WritePE(pe, {{"TFINDDIALOG", find.Data}}, QStringLiteral(SHARED_EXAMPLES_DIR "/Notes.exe"));
    CreateLanguageDll(w.File("deu"), pe);
    w.Form->Project().SetPEFileName(pe);
    TPreviewCommands* preview = w.Form->Preview();
    preview->SetIniFile(w.Dir.filePath("preview.ini"));

    auto rowOf = [&](const QString& Component) {
        for (int r = 0; r < w.Grid()->RowCount(); ++r) {
            const auto* p = dynamic_cast<const TLocProperty*>(w.Form->RowItem(r));
            if (p && p->Form()->Name() == QLatin1String("FindDialog") && p->Component() &&
                p->Component()->Name() == Component)
                return r;
        }
        return -1;
    };
    auto* toolBar = w.Form->findChild<QToolBar*>("ToolBar");
    QWidget* button = toolBar->widgetForAction(preview->sbShowDialog);
    QVERIFY(button);

    // The German column: the form from the language's DLL.
    w.Grid()->FocusCell(w.Col(1), rowOf("btnCancel"), true);
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    TPreviewForm* form = preview->Viewer()->Form();
    QVERIFY(form && form->isVisible());
    QCOMPARE(form->findChild<QPushButton*>("btnCancel")->text(), QStringLiteral("Abbrechen"));
    QVERIFY(w.Prompt.Log.isEmpty());

    // A click on a previewed component moves to its row.
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QTest::mouseClick(form->findChild<QWidget*>("lblFind"), Qt::LeftButton);
    QCOMPARE(w.Grid()->Row(), rowOf("lblFind"));
    // With Ctrl+Shift the component leaves the preview instead.
    QTest::mouseClick(form->findChild<QWidget*>("btnFindNext"), Qt::LeftButton,
                      Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(!form->findChild<QWidget*>("btnFindNext"));
    QCOMPARE(w.Grid()->Row(), rowOf("lblFind"));

    // The native column: the form from the PE file.
    w.Grid()->FocusCell(w.Col(0), rowOf("btnCancel"), true);
    QTest::mouseClick(button, Qt::LeftButton);
    form = preview->Viewer()->Form();
    QCOMPARE(form->findChild<QPushButton*>("btnCancel")->text(), QStringLiteral("Cancel"));

    // A class the program lacks goes into the replacement file's list.
    TFormStreamWriter s;
    s.Object("TFindDialog", "FindDialog").End().Object("TSuperGrid", "sgSuper").End().End().End();
    WritePE(pe, {{"TFINDDIALOG", s.Data}});
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(preview->Viewer()->Form()->objectName(), QStringLiteral("FindDialog"));
    const TIniFile ini = TIniFile::Load(w.Dir.filePath("preview.ini"));
    QCOMPARE(ini.ReadSection("MissingClasses"), QStringList{"TSuperGrid"});
    QVERIFY(w.Prompt.Log.isEmpty());

    // The settings button hands the file to the desktop.
    TUrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "Open");
    QTest::mouseClick(toolBar->widgetForAction(preview->butShowSettingsIni), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(catcher.Urls, QList<QUrl>{QUrl::fromLocalFile(w.Dir.filePath("preview.ini"))});

    // Only forms are previewed.
    w.Form->SectionChange(w.Form->SectionChooser()->UnitsNode());
    QVERIFY(w.Grid()->RowCount() > 0);
    QVERIFY(!button->isEnabled());
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
