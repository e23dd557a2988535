#include "app/gui/window/TreeCombo.h"

#include "core/UiStrings.h"
#include "storage/LocStorage.h"

#include <QKeyEvent>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int HolderRole = Qt::UserRole;

QString WithCount(const QString& Text, int Count) { return QStringLiteral("%1 (%2)").arg(Text).arg(Count); }

// How the settings name the sections, in every interface language.
const QLatin1String kSectionKeywords[] = {QLatin1String("Forms"), QLatin1String("Units"), QLatin1String("External")};

QTreeWidgetItem* TopOf(const QTreeWidgetItem* Node)
{
    while (Node && Node->parent()) Node = Node->parent();
    return const_cast<QTreeWidgetItem*>(Node);
}

} // namespace

TfrmTreeCombo::TfrmTreeCombo(QWidget* Parent) : QWidget(Parent, Qt::Popup)
{
    tvCombo = new QTreeWidget(this);
    tvCombo->setObjectName(QStringLiteral("tvCombo"));
    tvCombo->setHeaderHidden(true);
    tvCombo->setUniformRowHeights(true);
    tvCombo->setMinimumSize(1, 1); // the drop-down sizes itself, however small
    tvCombo->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tvCombo);
    connect(tvCombo, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* Node) { Choose(Node); });
    Clear();
}

void TfrmTreeCombo::Clear()
{
    tvCombo->clear();
    FFormsNode = new QTreeWidgetItem(tvCombo, {UiString(usSectionForms)});
    FUnitsNode = new QTreeWidgetItem(tvCombo, {UiString(usSectionUnits)});
    FExternalNode = new QTreeWidgetItem(tvCombo, {UiString(usSectionExternal)});
    SetSelectedIndex(0);
}

void TfrmTreeCombo::Fill(const TLocStorage& Storage)
{
    Clear();
    for (auto& form : Storage.Forms()) AddForm(form.get());
    for (auto& unit : Storage.Units()) AddUnit(unit.get());
    FillExternal(Storage);
}

void TfrmTreeCombo::ShowTopTexts()
{
    // A top node has a child per form, unit or group: its count.
    for (const auto& [node, text] :
         {std::pair{FFormsNode, usSectionForms}, {FUnitsNode, usSectionUnits}, {FExternalNode, usSectionExternal}})
        node->setText(0, WithCount(UiString(text), node->childCount()));
}

QString TfrmTreeCombo::SectionKey(const QTreeWidgetItem* Node) const
{
    const QString key = kSectionKeywords[SectionOf(Node)];
    return Node && Node->parent() ? key + QLatin1Char('.') + NodeName(Node) : key;
}

void TfrmTreeCombo::FillExternal(const TLocStorage& Storage)
{
    const QTreeWidgetItem* selected = SelectedNode();
    const bool wasExternal = TopOf(selected) == FExternalNode;
    const QString selectedGroup = wasExternal && selected != FExternalNode ? NodeName(selected) : QString();

    qDeleteAll(FExternalNode->takeChildren());
    QTreeWidgetItem* reselect = wasExternal ? FExternalNode : nullptr;
    for (auto& group : Storage.ExtGroups()) {
        QTreeWidgetItem* node = AddExternal(group.get());
        if (!selectedGroup.isEmpty() && group->Name() == selectedGroup) reselect = node;
    }
    ShowTopTexts();
    // Nodes before External keep their indexes.
    if (reselect) SetSelectedIndex(IndexOf(reselect));
}

QTreeWidgetItem* TfrmTreeCombo::AddChild(QTreeWidgetItem* Parent, TNamedItem* Holder, const QString& Text)
{
    auto* node = new QTreeWidgetItem(Parent, {Text});
    node->setData(0, HolderRole, QVariant::fromValue(reinterpret_cast<quintptr>(Holder)));
    return node;
}

QTreeWidgetItem* TfrmTreeCombo::AddForm(TLocForm* AForm)
{
    const QString name = (AForm->Attribute(faRuntimeForm) ? QStringLiteral("~RTM:") : QString()) + AForm->Name();
    return AddChild(FFormsNode, AForm, WithCount(name, AForm->TotalPropCount()));
}

QTreeWidgetItem* TfrmTreeCombo::AddUnit(TLocUnit* AUnit)
{
    return AddChild(FUnitsNode, AUnit, WithCount(AUnit->Name(), AUnit->Constants().Count()));
}

QTreeWidgetItem* TfrmTreeCombo::AddExternal(TLocExtGroup* AExternal)
{
    return AddChild(FExternalNode, AExternal, WithCount(AExternal->Name(), AExternal->ExtItems().Count()));
}

QTreeWidgetItem* TfrmTreeCombo::NodeAt(int Index) const
{
    if (Index < 0) return nullptr;
    for (QTreeWidgetItemIterator it(tvCombo); *it; ++it)
        if (Index-- == 0) return *it;
    return nullptr;
}

int TfrmTreeCombo::IndexOf(const QTreeWidgetItem* Node) const
{
    int index = 0;
    for (QTreeWidgetItemIterator it(tvCombo); *it; ++it, ++index)
        if (*it == Node) return index;
    return -1;
}

void TfrmTreeCombo::SetSelectedIndex(int Value)
{
    QTreeWidgetItem* node = NodeAt(Value);
    if (!node) node = FFormsNode;
    FSelectedIndex = IndexOf(node);
    tvCombo->setCurrentItem(node);
}

QTreeWidgetItem* TfrmTreeCombo::SelectedNode() const { return NodeAt(FSelectedIndex); }

TShownSection TfrmTreeCombo::SectionOf(const QTreeWidgetItem* Node) const
{
    const QTreeWidgetItem* top = TopOf(Node);
    if (top == FUnitsNode) return ssUnits;
    if (top == FExternalNode) return ssExternal;
    return ssForms;
}

TNamedItem* TfrmTreeCombo::HolderOf(const QTreeWidgetItem* Node)
{
    return Node ? reinterpret_cast<TNamedItem*>(Node->data(0, HolderRole).value<quintptr>()) : nullptr;
}

QString TfrmTreeCombo::NodeName(const QTreeWidgetItem* Node)
{
    if (!Node) return {};
    // The count comes last; a name may itself hold " (".
    const QString text = Node->text(0);
    const qsizetype open = text.lastIndexOf(QLatin1String(" ("));
    return open >= 0 && text.endsWith(QLatin1Char(')')) ? text.left(open) : text;
}

void TfrmTreeCombo::SelectSectionText(const QString& Text)
{
    QTreeWidgetItem* node = FFormsNode;
    if (Text.startsWith(kSectionKeywords[ssUnits]) && FUnitsNode->childCount() > 0)
        node = FUnitsNode;
    else if (Text.startsWith(kSectionKeywords[ssExternal]) && FExternalNode->childCount() > 0)
        node = FExternalNode;
    if (const qsizetype dot = Text.indexOf(QLatin1Char('.')); dot >= 0) {
        const QString name = Text.mid(dot + 1).trimmed();
        for (int i = 0; i < node->childCount(); ++i)
            if (NodeName(node->child(i)).compare(name, Qt::CaseInsensitive) == 0) {
                node = node->child(i);
                break;
            }
    }
    SetSelectedIndex(IndexOf(node));
}

bool TfrmTreeCombo::ChooseSibling(int Delta)
{
    QTreeWidgetItem* node = SelectedNode();
    if (!node) return false;
    QTreeWidgetItem* parent = node->parent();
    const int index = (parent ? parent->indexOfChild(node) : tvCombo->indexOfTopLevelItem(node)) + Delta;
    QTreeWidgetItem* sibling = parent ? parent->child(index) : tvCombo->topLevelItem(index);
    if (!sibling) return false;
    SetSelectedIndex(IndexOf(sibling));
    if (FOnChange) FOnChange(tvCombo, sibling);
    return true;
}

void TfrmTreeCombo::Choose(QTreeWidgetItem* Node)
{
    if (!Node) return;
    FSelectedIndex = IndexOf(Node);
    hide();
    if (FOnChange) FOnChange(tvCombo, Node);
}

void TfrmTreeCombo::setVisible(bool Visible)
{
    if (Visible && !isVisible()) PrepareDropDown();
    QWidget::setVisible(Visible);
    if (Visible) tvCombo->setFocus();
}

void TfrmTreeCombo::PrepareDropDown()
{
    QTreeWidgetItem* selected = SelectedNode();
    if (!selected) selected = FFormsNode;
    tvCombo->expandAll();
    // Only the section of the selection stays open.
    const QTreeWidgetItem* top = TopOf(selected);
    for (QTreeWidgetItem* node : {FFormsNode, FUnitsNode, FExternalNode})
        if (node != top) node->setExpanded(false);
    tvCombo->setCurrentItem(selected);

    int rows = 0;
    for (QTreeWidgetItemIterator it(tvCombo); *it; ++it) {
        const QTreeWidgetItem* parent = (*it)->parent();
        if (!parent || parent->isExpanded()) ++rows;
    }
    const int rowHeight = std::max(1, tvCombo->sizeHintForRow(0));
    tvCombo->resizeColumnToContents(0); // the right edge of the widest shown node
    const int width = std::min(std::max(FMinWidth, tvCombo->columnWidth(0) + 40), FMaxWidth);
    const int height = std::min(rows * rowHeight + 20, FMaxHeight);
    resize(width, height);
    tvCombo->scrollToItem(selected);
}

bool TfrmTreeCombo::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == tvCombo && Event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(Event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Choose(tvCombo->currentItem());
            return true;
        case Qt::Key_Escape:
            hide();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

void TfrmTreeCombo::hideEvent(QHideEvent* Event)
{
    QWidget::hideEvent(Event);
    if (FOnFormHide) FOnFormHide();
}
