#include "app/gui/preview/FormPreviewBuilder.h"

#include "resources/FormTree.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <climits>

namespace {

// Bounds that keep a hostile stream from asking for huge windows or lists.
constexpr int kMaxPos = 8192;
constexpr int kMaxSize = 8192;
constexpr int kMaxFormSize = 4096;
constexpr int kMaxItems = 1000;
constexpr int kMaxGridRows = 1000;
constexpr int kMaxGridCols = 100;
constexpr int kMaxWidgets = 5000;

enum TKind {
    kUnknown,
    kNonVisual,
    kFrame,
    kPanel,
    kGroupBox,
    kRadioGroup,
    kLabel,
    kStaticText,
    kEdit,
    kSpinEdit,
    kMemo,
    kButton,
    kSpeedButton,
    kCheckBox,
    kRadioButton,
    kComboBox,
    kListBox,
    kCheckListBox,
    kListView,
    kTreeView,
    kStringGrid,
    kPageControl,
    kTabSheet,
    kTabControl,
    kScrollBox,
    kBevel,
    kImage,
    kShape,
    kProgressBar,
    kTrackBar,
    kUpDown,
    kStatusBar,
    kToolBar,
    kToolButton,
    kSplitter,
    kMainMenu,
    kPopupMenu,
    kMenuItem,
};

struct TClassEntry {
    const char* Name;
    TKind Kind;
    QSize DefaultSize; // the class's own size when the stream gives none
};

// The classes the preview draws, with common descendants of the VCL and the
// LCL that look the same, and non-visual components that show nothing.
const TClassEntry kClasses[] = {
    {"TForm", kFrame, {320, 240}},
    {"TFrame", kFrame, {320, 240}},
    {"TPanel", kPanel, {185, 41}},
    {"TFlowPanel", kPanel, {185, 41}},
    {"TGridPanel", kPanel, {185, 41}},
    {"TButtonPanel", kPanel, {185, 41}},
    {"TControlBar", kPanel, {100, 50}},
    {"TIpHtmlPanel", kPanel, {185, 41}},
    {"TCoolBar", kPanel, {150, 75}},
    {"TGroupBox", kGroupBox, {185, 105}},
    {"TRadioGroup", kRadioGroup, {185, 105}},
    {"TDBRadioGroup", kRadioGroup, {185, 105}},
    {"TLabel", kLabel, {}},
    {"TDBText", kLabel, {65, 17}},
    {"TLinkLabel", kLabel, {}},
    {"TStaticText", kStaticText, {}},
    {"TEdit", kEdit, {121, 21}},
    {"TMaskEdit", kEdit, {121, 21}},
    {"TLabeledEdit", kEdit, {121, 21}},
    {"TButtonedEdit", kEdit, {121, 21}},
    {"TDBEdit", kEdit, {121, 21}},
    {"TDateTimePicker", kEdit, {186, 21}},
    {"TSpinEdit", kSpinEdit, {121, 22}},
    {"TFloatSpinEdit", kSpinEdit, {121, 22}},
    {"TMemo", kMemo, {185, 89}},
    {"TRichEdit", kMemo, {185, 89}},
    {"TDBMemo", kMemo, {185, 89}},
    {"TButton", kButton, {75, 25}},
    {"TBitBtn", kButton, {75, 25}},
    {"TSpeedButton", kSpeedButton, {23, 22}},
    {"TCheckBox", kCheckBox, {97, 17}},
    {"TDBCheckBox", kCheckBox, {97, 17}},
    {"TRadioButton", kRadioButton, {113, 17}},
    {"TComboBox", kComboBox, {145, 21}},
    {"TComboBoxEx", kComboBox, {145, 22}},
    {"TColorBox", kComboBox, {145, 22}},
    {"TDBComboBox", kComboBox, {145, 21}},
    {"TDBLookupComboBox", kComboBox, {145, 21}},
    {"TListBox", kListBox, {121, 97}},
    {"TDBListBox", kListBox, {121, 97}},
    {"TCheckListBox", kCheckListBox, {121, 97}},
    {"TListView", kListView, {250, 150}},
    {"TTreeView", kTreeView, {121, 97}},
    {"TStringGrid", kStringGrid, {320, 120}},
    {"TDrawGrid", kStringGrid, {320, 120}},
    {"TDBGrid", kStringGrid, {320, 120}},
    {"TPageControl", kPageControl, {289, 193}},
    {"TTabSheet", kTabSheet, {}},
    {"TTabControl", kTabControl, {289, 193}},
    {"TScrollBox", kScrollBox, {185, 41}},
    {"TBevel", kBevel, {50, 50}},
    {"TImage", kImage, {105, 105}},
    {"TPaintBox", kImage, {105, 105}},
    {"TShape", kShape, {65, 65}},
    {"TProgressBar", kProgressBar, {150, 16}},
    {"TTrackBar", kTrackBar, {150, 45}},
    {"TUpDown", kUpDown, {17, 21}},
    {"TStatusBar", kStatusBar, {0, 19}},
    {"TToolBar", kToolBar, {0, 29}},
    {"TToolButton", kToolButton, {23, 22}},
    {"TSplitter", kSplitter, {3, 100}},
    {"TMainMenu", kMainMenu, {}},
    {"TPopupMenu", kPopupMenu, {}},
    {"TMenuItem", kMenuItem, {}},
    {"TTimer", kNonVisual, {}},
    {"TImageList", kNonVisual, {}},
    {"TActionList", kNonVisual, {}},
    {"TAction", kNonVisual, {}},
    {"TApplicationEvents", kNonVisual, {}},
    {"TOpenDialog", kNonVisual, {}},
    {"TSaveDialog", kNonVisual, {}},
    {"TFontDialog", kNonVisual, {}},
    {"TColorDialog", kNonVisual, {}},
    {"TPrintDialog", kNonVisual, {}},
    {"TFindDialog", kNonVisual, {}},
    {"TReplaceDialog", kNonVisual, {}},
    {"TDataSource", kNonVisual, {}},
};

const TClassEntry* FindClassEntry(const QString& Name)
{
    for (const TClassEntry& e : kClasses)
        if (Name.compare(QLatin1String(e.Name), Qt::CaseInsensitive) == 0) return &e;
    return nullptr;
}

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

TAlign AlignOf(const QString& Ident)
{
    static const std::pair<const char*, TAlign> kAligns[] = {
        {"alTop", alTop}, {"alBottom", alBottom}, {"alLeft", alLeft}, {"alRight", alRight}, {"alClient", alClient}};
    for (const auto& [name, align] : kAligns)
        if (Ident.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return align;
    return alNone;
}

// A colour of the stream: $00BBGGRR, or one of the named colours. System
// colours (clBtnFace, ...) keep the style's own.
QColor StreamColor(const TFormProperty* P)
{
    if (!P) return {};
    if (P->Type == ptInteger || P->Type == ptBigInt) {
        const qlonglong v = P->Value.toLongLong();
        if (v < 0 || v > 0xFFFFFF) return {};
        return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
    }
    static const std::pair<const char*, QRgb> kColors[] = {
        {"clBlack", 0x000000},  {"clMaroon", 0x800000},     {"clGreen", 0x008000},   {"clOlive", 0x808000},
        {"clNavy", 0x000080},   {"clPurple", 0x800080},     {"clTeal", 0x008080},    {"clGray", 0x808080},
        {"clSilver", 0xC0C0C0}, {"clRed", 0xFF0000},        {"clLime", 0x00FF00},    {"clYellow", 0xFFFF00},
        {"clBlue", 0x0000FF},   {"clFuchsia", 0xFF00FF},    {"clAqua", 0x00FFFF},    {"clWhite", 0xFFFFFF},
        {"clCream", 0xFFFBF0},  {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xA6CAF0}, {"clMedGray", 0xA0A0A4},
    };
    for (const auto& [name, rgb] : kColors)
        if (P->Value.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return QColor(rgb);
    return {};
}

bool IsIdent(const TFormObject& O, const QString& Prop, const char* Value)
{
    const TFormProperty* p = O.Property(Prop);
    return p && p->Type == ptEnumValue && p->Value.compare(QLatin1String(Value), Qt::CaseInsensitive) == 0;
}

QStringList LimitedLines(const TFormObject& O, const QString& Prop)
{
    QStringList lines = O.Lines(Prop);
    if (lines.size() > kMaxItems) lines.resize(kMaxItems);
    return lines;
}

// Lays out the children of one container as the VCL does: aligned children
// take the edges and the rest in order, the others keep their distance to
// the edges they are anchored to; a mirrored container places everything
// from the right.
class TAlignLayout : public QObject {
public:
    TAlignLayout(QWidget* Host, QSize Design, bool Mirrored)
        : QObject(Host), FHost(Host), FDesign(Design), FMirrored(Mirrored)
    {
        Host->installEventFilter(this);
    }
    void Add(QWidget* W, QRect Design, TAlign Align, QStringList Anchors)
    {
        FEntries.push_back({W, Design, Align, Anchors});
    }
    void Apply()
    {
        QRect free = FHost->rect();
        if (auto* box = qobject_cast<QGroupBox*>(FHost)) free.setTop(box->fontMetrics().height());
        const int dx = FHost->width() - FDesign.width(), dy = FHost->height() - FDesign.height();
        auto place = [&](QWidget* W, QRect R) {
            R.setSize(R.size().expandedTo(QSize(0, 0))); // the edges may have met
            if (FMirrored) R.moveLeft(FHost->width() - R.left() - R.width());
            W->setGeometry(R);
        };
        for (const TEntry& e : FEntries) {
            if (!e.W || e.Align != alNone) continue;
            QRect r = e.Design;
            const bool left = e.Anchors.contains(QLatin1String("akLeft")),
                       right = e.Anchors.contains(QLatin1String("akRight"));
            const bool top = e.Anchors.contains(QLatin1String("akTop")),
                       bottom = e.Anchors.contains(QLatin1String("akBottom"));
            if (right && left)
                r.setWidth(std::max(0, r.width() + dx));
            else if (right)
                r.moveLeft(r.left() + dx);
            else if (!left)
                r.moveLeft(r.left() + dx / 2);
            if (bottom && top)
                r.setHeight(std::max(0, r.height() + dy));
            else if (bottom)
                r.moveTop(r.top() + dy);
            else if (!top)
                r.moveTop(r.top() + dy / 2);
            place(e.W, r);
        }
        for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient})
            for (const TEntry& e : FEntries) {
                if (!e.W || e.Align != pass || e.W->isHidden()) continue;
                const int w = std::min(e.Design.width(), free.width()), h = std::min(e.Design.height(), free.height());
                QRect r;
                switch (pass) {
                case alTop:
                    r = QRect(free.left(), free.top(), free.width(), h);
                    free.setTop(free.top() + h);
                    break;
                case alBottom:
                    r = QRect(free.left(), free.bottom() + 1 - h, free.width(), h);
                    free.setBottom(free.bottom() - h);
                    break;
                case alLeft:
                    r = QRect(free.left(), free.top(), w, free.height());
                    free.setLeft(free.left() + w);
                    break;
                case alRight:
                    r = QRect(free.right() + 1 - w, free.top(), w, free.height());
                    free.setRight(free.right() - w);
                    break;
                default:
                    r = free;
                    break;
                }
                place(e.W, r);
            }
    }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Watched == FHost && Event->type() == QEvent::Resize) Apply();
        return false;
    }

private:
    struct TEntry {
        QPointer<QWidget> W;
        QRect Design;
        TAlign Align;
        QStringList Anchors;
    };
    QWidget* FHost;
    QSize FDesign;
    bool FMirrored;
    std::vector<TEntry> FEntries;
};

TAlignLayout* LayoutOf(QWidget* Host)
{
    for (QObject* child : Host->children())
        if (auto* layout = dynamic_cast<TAlignLayout*>(child)) return layout;
    return nullptr;
}

// A panel or a static frame that shows its caption in the middle.
class TCaptionFrame : public QFrame {
public:
    using QFrame::QFrame;
    QString Caption;
    Qt::Alignment CaptionAlignment = Qt::AlignCenter;

protected:
    void paintEvent(QPaintEvent* Event) override
    {
        QFrame::paintEvent(Event);
        if (Caption.isEmpty()) return;
        QPainter painter(this);
        painter.drawText(contentsRect().adjusted(2, 0, -2, 0), int(CaptionAlignment) | Qt::TextShowMnemonic, Caption);
    }
};

class TShapeWidget : public QWidget {
public:
    using QWidget::QWidget;
    bool Ellipse = false;
    QColor Brush = Qt::white, Pen = Qt::black;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(Pen);
        painter.setBrush(Brush);
        const QRect r = rect().adjusted(0, 0, -1, -1);
        if (Ellipse)
            painter.drawEllipse(r);
        else
            painter.drawRect(r);
    }
};

QString Caption(const TFormObject& O) { return O.Text(QStringLiteral("Caption")); }

} // namespace

int TPreviewForm::MenuHeight(int Width) const { return FMenuBar ? FMenuBar->heightForWidth(Width) : 0; }

void TPreviewForm::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    const int menu = MenuHeight(width());
    if (FMenuBar) FMenuBar->setGeometry(0, 0, width(), menu);
    FClient->setGeometry(0, menu, width(), std::max(0, height() - menu));
}

void TPreviewForm::closeEvent(QCloseEvent* Event)
{
    if (OnClose) OnClose(this);
    hide();
    Event->ignore();
}

QString PreviewFontFamily(const QString& Family)
{
    if (Family.isEmpty() || QFontDatabase::hasFamily(Family)) return Family;
    static const char* const kFixed[] = {"Courier", "Consolas", "Lucida Console", "Fixedsys", "Terminal", "Mono"};
    static const char* const kSerif[] = {"Times", "Georgia", "Garamond", "Roman", "Cambria"};
    auto mentions = [&](const auto& Words) {
        return std::any_of(std::begin(Words), std::end(Words),
                           [&](const char* w) { return Family.contains(QLatin1String(w), Qt::CaseInsensitive); });
    };
    const bool serif = mentions(kSerif) || (Family.contains(QLatin1String("Serif"), Qt::CaseInsensitive) &&
                                            !Family.contains(QLatin1String("Sans"), Qt::CaseInsensitive));
    const bool fixed = mentions(kFixed);
    // The first family of the same kind; the families come sorted, so the
    // choice does not change from run to run.
    const QStringList families = QFontDatabase::families();
    const QLatin1String word = fixed ? QLatin1String("Mono") : serif ? QLatin1String("Serif") : QLatin1String("Sans");
    for (bool named : {true, false})
        for (const QString& f : families) {
            if (QFontDatabase::isPrivateFamily(f) || QFontDatabase::isFixedPitch(f) != fixed) continue;
            const bool isSerif = f.contains(QLatin1String("Serif")) && !f.contains(QLatin1String("Sans"));
            if ((!named || f.contains(word)) && (fixed || isSerif == serif)) return f;
        }
    return families.value(0, Family);
}

bool TFormPreviewBuilder::KnowsClass(const QString& ClassName) { return FindClassEntry(ClassName) != nullptr; }

namespace {

// The stream's font properties over the font the widget inherits.
void ApplyFont(QWidget* W, const TFormObject& O)
{
    const bool any = std::any_of(O.Properties.begin(), O.Properties.end(), [](const TFormProperty& p) {
        return p.Name.startsWith(QLatin1String("Font."), Qt::CaseInsensitive);
    });
    if (!any) return;
    QFont f = W->font();
    const QString family = O.Text(QStringLiteral("Font.Name"));
    if (!family.isEmpty()) f.setFamily(PreviewFontFamily(family));
    if (const auto height = O.Integer(QStringLiteral("Font.Height"), -400, 400); height && *height != 0)
        f.setPixelSize(std::max(1, *height < 0 ? -*height : *height * 3 / 4));
    else if (const auto size = O.Integer(QStringLiteral("Font.Size"), -300, 300); size && *size != 0)
        f.setPointSize(std::clamp(std::abs(*size), 1, 300));
    if (const auto style = O.Set(QStringLiteral("Font.Style"))) {
        f.setBold(style->contains(QLatin1String("fsBold")));
        f.setItalic(style->contains(QLatin1String("fsItalic")));
        f.setUnderline(style->contains(QLatin1String("fsUnderline")));
        f.setStrikeOut(style->contains(QLatin1String("fsStrikeOut")));
    }
    W->setFont(f);
    if (const QColor c = StreamColor(O.Property(QStringLiteral("Font.Color"))); c.isValid()) {
        QPalette p = W->palette();
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) p.setColor(role, c);
        W->setPalette(p);
    }
}

void ApplyColor(QWidget* W, const TFormObject& O, bool EditLike)
{
    const QColor c = StreamColor(O.Property(QStringLiteral("Color")));
    if (!c.isValid()) return;
    QPalette p = W->palette();
    p.setColor(EditLike ? QPalette::Base : QPalette::Window, c);
    W->setPalette(p);
    if (!EditLike) W->setAutoFillBackground(true);
}

// What every previewed component carries: its storage name, its class, the
// hint naming both, its font and its state.
void Decorate(QWidget* W, const TFormObject& O)
{
    W->setObjectName(O.ComponentName);
    W->setProperty(kPreviewClass, O.ClassName);
    W->setToolTip(O.Name + QStringLiteral(": ") + O.ClassName);
    ApplyFont(W, O);
    if (const auto enabled = O.Bool(QStringLiteral("Enabled"))) W->setEnabled(*enabled);
    if (const auto visible = O.Bool(QStringLiteral("Visible")); visible && !*visible) W->hide();
}

Qt::Alignment HorizontalAlignment(const TFormObject& O, Qt::Alignment Default)
{
    if (IsIdent(O, QStringLiteral("Alignment"), "taRightJustify")) return Qt::AlignRight;
    if (IsIdent(O, QStringLiteral("Alignment"), "taCenter")) return Qt::AlignHCenter;
    if (IsIdent(O, QStringLiteral("Alignment"), "taLeftJustify")) return Qt::AlignLeft;
    return Default;
}

} // namespace

TPreviewForm* TFormPreviewBuilder::Build(const TFormObject& Root)
{
    FWidgets = 0;
    auto* form = new TPreviewForm;
    FForm = form;
    form->setObjectName(Root.Name);
    form->setProperty(kPreviewClass, Root.ClassName);
    form->setWindowTitle(Caption(Root));
    form->setToolTip(Root.Name + QStringLiteral(": ") + Root.ClassName);
    form->FClient = new QWidget(form);

    const bool mirrored = IsIdent(Root, QStringLiteral("BiDiMode"), "bdRightToLeft");
    if (mirrored || IsIdent(Root, QStringLiteral("BiDiMode"), "bdRightToLeftReadingOnly"))
        form->setLayoutDirection(Qt::RightToLeft);
    ApplyFont(form, Root);
    ApplyColor(form, Root, false);

    // The main menu becomes the form's menu bar: the one the form names, else the first.
    const QString menuName = Root.Text(QStringLiteral("Menu"));
    const TFormObject* mainMenu = nullptr;
    for (const auto& child : Root.Children) {
        const TClassEntry* e = FindClassEntry(child->ClassName);
        if (!e || e->Kind != kMainMenu) continue;
        if (!mainMenu || child->Name == menuName) mainMenu = child.get();
    }
    if (mainMenu) {
        auto* bar = new QMenuBar(form);
        bar->setObjectName(mainMenu->ComponentName);
        bar->setProperty(kPreviewClass, mainMenu->ClassName);
        bar->setToolTip(mainMenu->Name + QStringLiteral(": ") + mainMenu->ClassName);
        form->FMenuBar = bar;
        for (const auto& item : mainMenu->Children) {
            auto* menu = bar->addMenu(Caption(*item));
            QAction* action = menu->menuAction();
            action->setObjectName(item->ComponentName);
            action->setProperty(kPreviewClass, item->ClassName);
            action->setToolTip(item->Name + QStringLiteral(": ") + item->ClassName);
            AddMenuItems(*item, menu);
        }
    }

    const QSize client(Root.Integer(QStringLiteral("ClientWidth"),
                                    Root.Integer(QStringLiteral("Width"), 320, 1, kMaxFormSize), 1, kMaxFormSize),
                       Root.Integer(QStringLiteral("ClientHeight"),
                                    Root.Integer(QStringLiteral("Height"), 240, 1, kMaxFormSize), 1, kMaxFormSize));
    form->FClient->resize(client);
    new TAlignLayout(form->FClient, client, mirrored);
    BuildChildren(Root, form->FClient, QPoint(), mirrored);
    LayoutOf(form->FClient)->Apply();
    form->resize(client.width(), client.height() + form->MenuHeight(client.width()));
    if (const auto left = Root.Integer(QStringLiteral("Left"), -kMaxPos, kMaxPos))
        form->move(*left, Root.Integer(QStringLiteral("Top"), 0, -kMaxPos, kMaxPos));
    FForm = nullptr;
    return form;
}

void TFormPreviewBuilder::AddMenuItems(const TFormObject& Object, QMenu* Menu)
{
    for (const auto& child : Object.Children) {
        if (FWidgets >= kMaxWidgets) return;
        ++FWidgets;
        const QString caption = Caption(*child);
        QAction* action;
        if (caption == QLatin1String("-")) {
            action = Menu->addSeparator();
        } else if (!child->Children.empty()) {
            QMenu* sub = Menu->addMenu(caption);
            action = sub->menuAction();
            AddMenuItems(*child, sub);
        } else {
            action = Menu->addAction(caption);
        }
        action->setObjectName(child->ComponentName);
        action->setProperty(kPreviewClass, child->ClassName);
        action->setToolTip(child->Name + QStringLiteral(": ") + child->ClassName);
        if (const auto enabled = child->Bool(QStringLiteral("Enabled"))) action->setEnabled(*enabled);
        if (const auto visible = child->Bool(QStringLiteral("Visible"))) action->setVisible(*visible);
        if (const auto checked = child->Bool(QStringLiteral("Checked"))) {
            action->setCheckable(true);
            action->setChecked(*checked);
        }
    }
}

void TFormPreviewBuilder::BuildChildren(const TFormObject& Object, QWidget* Parent, QPoint Offset, bool RightToLeft)
{
    int toolX = 0; // tool buttons without a position follow each other
    for (const auto& childPtr : Object.Children) {
        const TFormObject& child = *childPtr;
        const TClassEntry* entry = FindClassEntry(child.ClassName);
        if (!entry && Replacement) {
            const QString replaced = Replacement(child.ClassName);
            if (!replaced.isEmpty()) entry = FindClassEntry(replaced);
        }
        TKind kind = entry ? entry->Kind : child.Inline ? kFrame : kUnknown;
        if (kind == kUnknown) {
            if (ClassMissing) ClassMissing(child.ClassName);
            // Its children still show, where they would have been.
            const QPoint at(child.Integer(QStringLiteral("Left"), 0, -kMaxPos, kMaxPos),
                            child.Integer(QStringLiteral("Top"), 0, -kMaxPos, kMaxPos));
            BuildChildren(child, Parent, Offset + at, RightToLeft);
            continue;
        }
        if (kind == kNonVisual || kind == kMainMenu || kind == kPopupMenu || kind == kMenuItem) continue;
        if (FWidgets >= kMaxWidgets) return;
        ++FWidgets;

        bool rtl = RightToLeft;
        if (IsIdent(child, QStringLiteral("BiDiMode"), "bdRightToLeft")) rtl = true;
        if (IsIdent(child, QStringLiteral("BiDiMode"), "bdLeftToRight")) rtl = false;

        const QSize defaultSize = entry ? entry->DefaultSize : QSize(320, 240);
        const QSize size(child.Integer(QStringLiteral("Width"), defaultSize.width(), 0, kMaxSize),
                         child.Integer(QStringLiteral("Height"), defaultSize.height(), 0, kMaxSize));
        QWidget* w = CreateComponent(child, kind, Parent, size, rtl);

        // A size neither the stream nor the class gives comes from the content.
        const QSize hint = w->sizeHint();
        int width = size.width() > 0 || child.Property(QStringLiteral("Width")) ? size.width() : hint.width();
        int height = size.height() > 0 || child.Property(QStringLiteral("Height")) ? size.height() : hint.height();
        const bool autoSize =
            (kind == kLabel || kind == kStaticText) && child.Bool(QStringLiteral("AutoSize")).value_or(true);
        if (autoSize && !child.Bool(QStringLiteral("WordWrap")).value_or(false)) {
            // The text decides, as it does in the running program.
            width = hint.width();
            height = std::max(height, hint.height());
        }
        QPoint at(child.Integer(QStringLiteral("Left"), 0, -kMaxPos, kMaxPos),
                  child.Integer(QStringLiteral("Top"), 0, -kMaxPos, kMaxPos));
        if (kind == kToolButton && !child.Property(QStringLiteral("Left"))) {
            at = QPoint(toolX, 0);
            if (IsIdent(child, QStringLiteral("Style"), "tbsSeparator") ||
                IsIdent(child, QStringLiteral("Style"), "tbsDivider"))
                width = std::min(width, 8);
        }
        if (kind == kToolButton) toolX = at.x() + width;
        at += Offset;
        TAlign align = AlignOf(child.Text(QStringLiteral("Align")));
        if (!child.Property(QStringLiteral("Align"))) {
            if (kind == kStatusBar) align = alBottom;
            if (kind == kToolBar) align = alTop;
            if (kind == kSplitter) align = alLeft;
        }
        const QStringList anchors = child.Set(QStringLiteral("Anchors"))
                                        .value_or(QStringList{QStringLiteral("akLeft"), QStringLiteral("akTop")});
        const QRect design(at, QSize(width, height));
        w->setGeometry(design);
        if (TAlignLayout* layout = LayoutOf(Parent)) layout->Add(w, design, align, anchors);
    }
}

QWidget* TFormPreviewBuilder::CreateComponent(const TFormObject& O, int Kind, QWidget* Parent, QSize Size,
                                              bool RightToLeft)
{
    const QString caption = Caption(O);
    QWidget* w = nullptr;
    QWidget* host = nullptr; // where the component's own children go
    QSize hostDesign = Size;
    switch (Kind) {
    case kFrame:
    case kPanel:
    case kToolBar: {
        auto* frame = new TCaptionFrame(Parent);
        if (Kind == kPanel) {
            frame->Caption = caption;
            frame->CaptionAlignment = HorizontalAlignment(O, Qt::AlignHCenter) | Qt::AlignVCenter;
            frame->setProperty("text", caption);
            const QString outer = O.Text(QStringLiteral("BevelOuter"), QStringLiteral("bvRaised"));
            frame->setFrameStyle(outer == QLatin1String("bvNone")      ? QFrame::NoFrame
                                 : outer == QLatin1String("bvLowered") ? QFrame::Panel | QFrame::Sunken
                                                                       : QFrame::Panel | QFrame::Raised);
        }
        w = host = frame;
        break;
    }
    case kGroupBox: {
        auto* box = new QGroupBox(caption, Parent);
        w = host = box;
        break;
    }
    case kRadioGroup: {
        auto* box = new QGroupBox(caption, Parent);
        const QStringList items = LimitedLines(O, QStringLiteral("Items.Strings"));
        const int columns = O.Integer(QStringLiteral("Columns"), 1, 1, 16);
        const int index = O.Integer(QStringLiteral("ItemIndex"), -1, -1, kMaxItems);
        const int rows = std::max<int>(1, (int(items.size()) + columns - 1) / columns);
        const int width = Size.width(), height = Size.height();
        const int top = box->fontMetrics().height() + 2;
        const int rowHeight = std::max(1, (height - top - 4) / rows), colWidth = std::max(1, (width - 16) / columns);
        for (int i = 0; i < items.size(); ++i) {
            auto* radio = new QRadioButton(items[i], box);
            const int x = 8 + (i / rows) * colWidth;
            radio->setGeometry(RightToLeft ? width - x - colWidth : x, top + (i % rows) * rowHeight, colWidth,
                               rowHeight);
            radio->setChecked(i == index);
        }
        w = box;
        break;
    }
    case kLabel:
    case kStaticText: {
        auto* label = new QLabel(caption, Parent);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(O.Bool(QStringLiteral("WordWrap")).value_or(false));
        Qt::Alignment v = Qt::AlignTop;
        if (IsIdent(O, QStringLiteral("Layout"), "tlCenter")) v = Qt::AlignVCenter;
        if (IsIdent(O, QStringLiteral("Layout"), "tlBottom")) v = Qt::AlignBottom;
        label->setAlignment(HorizontalAlignment(O, Qt::AlignLeft) | v);
        if (Kind == kStaticText && !IsIdent(O, QStringLiteral("BorderStyle"), "sbsNone"))
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        w = label;
        break;
    }
    case kEdit: {
        auto* edit = new QLineEdit(O.Text(QStringLiteral("Text")), Parent);
        edit->setAlignment(HorizontalAlignment(O, Qt::AlignLeft));
        if (!O.Text(QStringLiteral("PasswordChar")).isEmpty() &&
            O.Text(QStringLiteral("PasswordChar")) != QLatin1String("#0"))
            edit->setEchoMode(QLineEdit::Password);
        edit->setReadOnly(O.Bool(QStringLiteral("ReadOnly")).value_or(false));
        w = edit;
        break;
    }
    case kSpinEdit: {
        auto* spin = new QSpinBox(Parent);
        spin->setRange(O.Integer(QStringLiteral("MinValue"), 0, INT_MIN, INT_MAX),
                       std::max(O.Integer(QStringLiteral("MinValue"), 0, INT_MIN, INT_MAX),
                                O.Integer(QStringLiteral("MaxValue"), 100, INT_MIN, INT_MAX)));
        spin->setValue(O.Integer(QStringLiteral("Value"), 0, INT_MIN, INT_MAX));
        w = spin;
        break;
    }
    case kMemo: {
        auto* memo = new QPlainTextEdit(Parent);
        memo->setPlainText(LimitedLines(O, QStringLiteral("Lines.Strings")).join(QLatin1Char('\n')));
        memo->setLineWrapMode(O.Bool(QStringLiteral("WordWrap")).value_or(true) ? QPlainTextEdit::WidgetWidth
                                                                                : QPlainTextEdit::NoWrap);
        memo->setReadOnly(O.Bool(QStringLiteral("ReadOnly")).value_or(false));
        w = memo;
        break;
    }
    case kButton: {
        auto* button = new QPushButton(caption, Parent);
        button->setDefault(O.Bool(QStringLiteral("Default")).value_or(false));
        w = button;
        break;
    }
    case kSpeedButton:
    case kToolButton: {
        auto* button = new QToolButton(Parent);
        button->setText(caption);
        button->setAutoRaise(Kind == kToolButton || O.Bool(QStringLiteral("Flat")).value_or(false));
        if (const auto down = O.Bool(QStringLiteral("Down"))) {
            button->setCheckable(true);
            button->setChecked(*down);
        }
        w = button;
        break;
    }
    case kCheckBox: {
        auto* check = new QCheckBox(caption, Parent);
        check->setChecked(O.Bool(QStringLiteral("Checked")).value_or(false) ||
                          IsIdent(O, QStringLiteral("State"), "cbChecked"));
        if (IsIdent(O, QStringLiteral("State"), "cbGrayed")) {
            check->setTristate(true);
            check->setCheckState(Qt::PartiallyChecked);
        }
        w = check;
        break;
    }
    case kRadioButton: {
        auto* radio = new QRadioButton(caption, Parent);
        radio->setAutoExclusive(false); // the stream says which are checked
        radio->setChecked(O.Bool(QStringLiteral("Checked")).value_or(false));
        w = radio;
        break;
    }
    case kComboBox: {
        auto* combo = new QComboBox(Parent);
        combo->addItems(LimitedLines(O, QStringLiteral("Items.Strings")));
        const bool list = IsIdent(O, QStringLiteral("Style"), "csDropDownList") ||
                          IsIdent(O, QStringLiteral("Style"), "csOwnerDrawFixed");
        combo->setEditable(!list);
        const int index = O.Integer(QStringLiteral("ItemIndex"), -1, -1, kMaxItems);
        combo->setCurrentIndex(index < combo->count() ? index : -1);
        if (!list && O.Property(QStringLiteral("Text"))) combo->setEditText(O.Text(QStringLiteral("Text")));
        w = combo;
        break;
    }
    case kListBox:
    case kCheckListBox: {
        auto* list = new QListWidget(Parent);
        list->addItems(LimitedLines(O, QStringLiteral("Items.Strings")));
        if (Kind == kCheckListBox)
            for (int i = 0; i < list->count(); ++i) list->item(i)->setCheckState(Qt::Unchecked);
        w = list;
        break;
    }
    case kListView:
    case kTreeView: {
        auto* tree = new QTreeWidget(Parent);
        QStringList headers;
        QList<int> widths;
        for (int i = 0; i < kMaxItems; ++i) {
            const QString column = QStringLiteral("Columns[%1].").arg(i);
            if (!O.Property(column + QStringLiteral("Caption")) && !O.Property(column + QStringLiteral("Width"))) break;
            headers << O.Text(column + QStringLiteral("Caption"));
            widths << O.Integer(column + QStringLiteral("Width"), 50, 0, kMaxSize);
        }
        tree->setColumnCount(std::max<int>(1, int(headers.size())));
        tree->setHeaderLabels(headers);
        for (int i = 0; i < widths.size(); ++i) tree->setColumnWidth(i, widths[i]);
        tree->setHeaderHidden(Kind == kTreeView || !IsIdent(O, QStringLiteral("ViewStyle"), "vsReport"));
        tree->setRootIsDecorated(Kind == kTreeView);
        w = tree;
        break;
    }
    case kStringGrid: {
        auto* grid = new QTableWidget(O.Integer(QStringLiteral("RowCount"), 5, 0, kMaxGridRows),
                                      O.Integer(QStringLiteral("ColCount"), 5, 0, kMaxGridCols), Parent);
        grid->horizontalHeader()->hide();
        grid->verticalHeader()->hide();
        grid->horizontalHeader()->setDefaultSectionSize(O.Integer(QStringLiteral("DefaultColWidth"), 64, 1, kMaxSize));
        grid->verticalHeader()->setMinimumSectionSize(1);
        grid->verticalHeader()->setDefaultSectionSize(O.Integer(QStringLiteral("DefaultRowHeight"), 24, 1, kMaxSize));
        w = grid;
        break;
    }
    case kTabControl: {
        // The tabs across the top; the children lie on the control itself.
        w = host = new QWidget(Parent);
        auto* bar = new QTabBar(w);
        for (const QString& tab : LimitedLines(O, QStringLiteral("Tabs.Strings"))) bar->addTab(tab);
        bar->setCurrentIndex(O.Integer(QStringLiteral("TabIndex"), 0, -1, kMaxItems));
        bar->setGeometry(0, 0, hostDesign.width(), bar->sizeHint().height());
        break;
    }
    case kPageControl: {
        auto* tabs = new QTabWidget(Parent);
        w = tabs;
        QWidget* active = nullptr;
        const QString activeName = O.Text(QStringLiteral("ActivePage"));
        for (const auto& sheetPtr : O.Children) {
            const TFormObject& sheet = *sheetPtr;
            const TClassEntry* e = FindClassEntry(sheet.ClassName);
            if (!e || e->Kind != kTabSheet || FWidgets >= kMaxWidgets) continue;
            ++FWidgets;
            auto* page = new QWidget(tabs);
            Decorate(page, sheet);
            if (sheet.Bool(QStringLiteral("TabVisible")).value_or(true))
                tabs->addTab(page, Caption(sheet));
            else
                page->hide();
            if (sheet.Name == activeName) active = page;
            const QSize design(
                sheet.Integer(QStringLiteral("ClientWidth"), std::max(0, hostDesign.width() - 8), 0, kMaxSize),
                sheet.Integer(QStringLiteral("ClientHeight"), std::max(0, hostDesign.height() - 28), 0, kMaxSize));
            page->resize(design);
            new TAlignLayout(page, design, RightToLeft);
            BuildChildren(sheet, page, QPoint(), RightToLeft);
            LayoutOf(page)->Apply();
        }
        if (active) tabs->setCurrentWidget(active);
        break;
    }
    case kTabSheet:
        // Outside a page control a sheet is a plain container.
        w = host = new QWidget(Parent);
        break;
    case kScrollBox: {
        auto* area = new QScrollArea(Parent);
        auto* inner = new QWidget;
        inner->resize(hostDesign);
        area->setWidget(inner);
        area->setWidgetResizable(false);
        w = area;
        host = inner;
        break;
    }
    case kBevel:
    case kImage:
    case kSplitter: {
        auto* frame = new QFrame(Parent);
        if (Kind == kImage) {
            frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        } else if (Kind == kSplitter) {
            frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
        } else {
            const QString shape = O.Text(QStringLiteral("Shape"), QStringLiteral("bsBox"));
            const QFrame::Shadow shadow =
                IsIdent(O, QStringLiteral("Style"), "bsRaised") ? QFrame::Raised : QFrame::Sunken;
            if (shape == QLatin1String("bsTopLine") || shape == QLatin1String("bsBottomLine"))
                frame->setFrameStyle(QFrame::HLine | shadow);
            else if (shape == QLatin1String("bsLeftLine") || shape == QLatin1String("bsRightLine"))
                frame->setFrameStyle(QFrame::VLine | shadow);
            else if (shape != QLatin1String("bsSpacer"))
                frame->setFrameStyle(QFrame::Box | shadow);
        }
        w = frame;
        break;
    }
    case kShape: {
        auto* shape = new TShapeWidget(Parent);
        const QString kind = O.Text(QStringLiteral("Shape"));
        shape->Ellipse = kind == QLatin1String("stEllipse") || kind == QLatin1String("stCircle");
        if (const QColor c = StreamColor(O.Property(QStringLiteral("Brush.Color"))); c.isValid()) shape->Brush = c;
        if (const QColor c = StreamColor(O.Property(QStringLiteral("Pen.Color"))); c.isValid()) shape->Pen = c;
        w = shape;
        break;
    }
    case kProgressBar:
    case kTrackBar: {
        const int min = O.Integer(QStringLiteral("Min"), 0, INT_MIN, INT_MAX);
        const int max =
            std::max(min, O.Integer(QStringLiteral("Max"), Kind == kProgressBar ? 100 : 10, INT_MIN, INT_MAX));
        const int position = std::clamp(O.Integer(QStringLiteral("Position"), min, INT_MIN, INT_MAX), min, max);
        const bool vertical = IsIdent(O, QStringLiteral("Orientation"), "pbVertical") ||
                              IsIdent(O, QStringLiteral("Orientation"), "trVertical");
        if (Kind == kProgressBar) {
            auto* bar = new QProgressBar(Parent);
            bar->setRange(min, max);
            bar->setValue(position);
            bar->setTextVisible(false);
            bar->setOrientation(vertical ? Qt::Vertical : Qt::Horizontal);
            w = bar;
        } else {
            auto* slider = new QSlider(vertical ? Qt::Vertical : Qt::Horizontal, Parent);
            slider->setRange(min, max);
            slider->setValue(position);
            slider->setTickPosition(QSlider::TicksBelow);
            w = slider;
        }
        break;
    }
    case kUpDown: {
        auto* spin = new QSpinBox(Parent);
        spin->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        w = spin;
        break;
    }
    case kStatusBar: {
        auto* bar = new QStatusBar(Parent);
        bar->setSizeGripEnabled(false);
        if (O.Bool(QStringLiteral("SimplePanel")).value_or(false)) {
            bar->showMessage(O.Text(QStringLiteral("SimpleText")));
        } else {
            auto hasPanel = [&](int i) {
                const QString panel = QStringLiteral("Panels[%1].").arg(i);
                return O.Property(panel + QStringLiteral("Text")) || O.Property(panel + QStringLiteral("Width"));
            };
            for (int i = 0; i < kMaxItems && hasPanel(i); ++i) {
                const QString panel = QStringLiteral("Panels[%1].").arg(i);
                auto* label = new QLabel(O.Text(panel + QStringLiteral("Text")));
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                // The last panel takes the rest of the bar.
                const bool last = !hasPanel(i + 1);
                if (!last) label->setFixedWidth(O.Integer(panel + QStringLiteral("Width"), 50, 0, kMaxSize));
                bar->addWidget(label, last ? 1 : 0);
            }
        }
        w = bar;
        break;
    }
    default:
        w = host = new QWidget(Parent);
        break;
    }
    Decorate(w, O);
    if (RightToLeft != (w->layoutDirection() == Qt::RightToLeft))
        w->setLayoutDirection(RightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    ApplyColor(w, O,
               Kind == kEdit || Kind == kMemo || Kind == kListBox || Kind == kCheckListBox || Kind == kListView ||
                   Kind == kTreeView || Kind == kStringGrid || Kind == kComboBox);
    // Any control may hold others; a page control's pages hold its children.
    if (!host && Kind != kPageControl && !O.Children.empty()) host = w;
    if (host) {
        if (hostDesign.width() <= 0) hostDesign.setWidth(std::max(1, w->sizeHint().width()));
        if (hostDesign.height() <= 0) hostDesign.setHeight(std::max(1, w->sizeHint().height()));
        host->resize(hostDesign);
        new TAlignLayout(host, hostDesign, RightToLeft);
        BuildChildren(O, host, QPoint(), RightToLeft);
        LayoutOf(host)->Apply();
        if (Kind == kScrollBox) host->resize(host->childrenRect().united(QRect(QPoint(), hostDesign)).size());
    }
    return w;
}
