#pragma once

#include "langfile/LEProject.h"

#include <QWidget>

#include <functional>

class QTreeWidget;
class QTreeWidgetItem;
class TLocExtGroup;
class TLocForm;
class TLocStorage;
class TLocUnit;
class TNamedItem;

// The drop-down tree from which the user picks the section the grid shows:
// three top nodes "Forms", "Units" and "External" with one child per form,
// unit or external group. A borderless pop-up: Enter or a double click
// chooses the selected node, Escape or a click elsewhere closes it.
class TfrmTreeCombo : public QWidget {
    Q_OBJECT
public:
    using TChangeEvent = std::function<void(QTreeWidget* Tree, QTreeWidgetItem* Node)>;
    using TNotifyEvent = std::function<void()>;

    explicit TfrmTreeCombo(QWidget* Parent = nullptr);

    // Leaves the three top nodes without counts and selects "Forms".
    void Clear();
    // Clear, then the top nodes with their counts ("Forms (3)") and a child
    // per form ("~RTM:" for a run-time form, the name and its property count),
    // unit (with its constant count) and group (with its item count).
    void Fill(const TLocStorage& Storage);
    // Rebuilds the External node after groups were added or deleted; a group
    // still present stays selected, else the External node is.
    void FillExternal(const TLocStorage& Storage);
    QTreeWidgetItem* AddForm(TLocForm* AForm);
    QTreeWidgetItem* AddUnit(TLocUnit* AUnit);
    QTreeWidgetItem* AddExternal(TLocExtGroup* AExternal);

    QTreeWidget* Tree() const { return tvCombo; }
    QTreeWidgetItem* FormsNode() const { return FFormsNode; }
    QTreeWidgetItem* UnitsNode() const { return FUnitsNode; }
    QTreeWidgetItem* ExternalNode() const { return FExternalNode; }

    // Absolute (depth-first) index of the chosen node; setting it also
    // selects the node. An index outside the tree selects "Forms".
    int SelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int Value);
    QTreeWidgetItem* SelectedNode() const;
    // The node's index in the order SetSelectedIndex counts.
    int IndexOfNode(const QTreeWidgetItem* Node) const { return IndexOf(Node); }

    // What a node stands for: its section, and the form, unit or group of a
    // child node (nil for a top node).
    TShownSection SectionOf(const QTreeWidgetItem* Node) const;
    static TNamedItem* HolderOf(const QTreeWidgetItem* Node);
    // A node's text without its count: "Forms", "~RTM:AboutForm".
    static QString NodeName(const QTreeWidgetItem* Node);
    TShownSection SelectedSection() const { return SectionOf(SelectedNode()); }
    TNamedItem* SelectedHolder() const { return HolderOf(SelectedNode()); }

    // The top nodes' texts again, in the interface's current language.
    void ShowTopTexts();
    // What the settings keep of a node: "Forms", "Units" or "External"
    // (the same in every interface language) and, for a child, "." and its
    // name, as in "Units.MyUnit".
    QString SectionKey(const QTreeWidgetItem* Node) const;

    // Selects the node a saved section text names: "Units" or "External"
    // (when that node has children) or else "Forms", and after a "." the
    // child of that name (case ignored), as in "Units.MyUnit".
    void SelectSectionText(const QString& Text);
    // Chooses the next (Delta 1) or previous (-1) sibling of the chosen node,
    // calling OnChange; false, and nothing changes, when there is none.
    bool ChooseSibling(int Delta);

    const TChangeEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TChangeEvent v) { FOnChange = std::move(v); }
    const TNotifyEvent& OnFormHide() const { return FOnFormHide; }
    void SetOnFormHide(TNotifyEvent v) { FOnFormHide = std::move(v); }
    int MinWidth() const { return FMinWidth; }
    void SetMinWidth(int v) { FMinWidth = v; }
    int MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int v) { FMaxWidth = v; }
    int MaxHeight() const { return FMaxHeight; }
    void SetMaxHeight(int v) { FMaxHeight = v; }

    void setVisible(bool Visible) override;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;

private:
    QTreeWidgetItem* AddChild(QTreeWidgetItem* Parent, TNamedItem* Holder, const QString& Text);
    QTreeWidgetItem* NodeAt(int Index) const;
    int IndexOf(const QTreeWidgetItem* Node) const;
    void Choose(QTreeWidgetItem* Node);
    void PrepareDropDown();

    QTreeWidget* tvCombo;
    QTreeWidgetItem* FFormsNode = nullptr;
    QTreeWidgetItem* FUnitsNode = nullptr;
    QTreeWidgetItem* FExternalNode = nullptr;
    TChangeEvent FOnChange;
    TNotifyEvent FOnFormHide;
    int FSelectedIndex = 0;
    int FMinWidth = 80;
    int FMaxWidth = 300;
    int FMaxHeight = 400;
};
