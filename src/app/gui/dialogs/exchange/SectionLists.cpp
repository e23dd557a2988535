#include "app/gui/dialogs/exchange/SectionLists.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QStringList Checked(const QListWidget* List)
{
    QStringList names;
    for (int i = 0; i < List->count(); ++i)
        if (List->item(i)->checkState() == Qt::Checked) names << List->item(i)->text();
    return names;
}
} // namespace

TSectionLists::TSectionLists(QWidget* Parent) : QWidget(Parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const char* titles[] = {"Forms", "Units", "External Groups"};
    const char* names[] = {"lbForms", "lbUnits", "lbGroups"};
    for (int i = 0; i < 3; ++i) {
        FBoxes[i] = new QGroupBox(QLatin1String(titles[i]), this);
        auto* box = new QVBoxLayout(FBoxes[i]);
        FLists[i] = new QListWidget(FBoxes[i]);
        FLists[i]->setObjectName(QLatin1String(names[i]));
        box->addWidget(FLists[i]);
        auto* buttons = new QHBoxLayout;
        for (const bool all : {true, false}) {
            auto* button = new QPushButton(all ? QStringLiteral("All") : QStringLiteral("None"), FBoxes[i]);
            button->setObjectName(QLatin1String(names[i]) + (all ? QStringLiteral("All") : QStringLiteral("None")));
            connect(button, &QPushButton::clicked, this, [this, i, all] {
                for (int r = 0; r < FLists[i]->count(); ++r)
                    FLists[i]->item(r)->setCheckState(all ? Qt::Checked : Qt::Unchecked);
            });
            buttons->addWidget(button);
        }
        box->addLayout(buttons);
        layout->addWidget(FBoxes[i]);
        connect(FLists[i], &QListWidget::itemChanged, this, &TSectionLists::Changed);
    }
}

void TSectionLists::Fill(const QStringList& Forms, const QStringList& Units, const QStringList& Groups)
{
    const QStringList* names[] = {&Forms, &Units, &Groups};
    for (int i = 0; i < 3; ++i) {
        QSignalBlocker block(FLists[i]);
        FLists[i]->clear();
        for (const QString& name : *names[i]) {
            auto* item = new QListWidgetItem(name, FLists[i]);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Checked);
        }
    }
    Q_EMIT Changed();
}

void TSectionLists::SetFormsAndUnitsVisible(bool Visible)
{
    FBoxes[0]->setVisible(Visible);
    FBoxes[1]->setVisible(Visible);
}

TExchangeSelection TSectionLists::Selection() const
{
    TExchangeSelection selection;
    selection.SetForms(Checked(FLists[0]));
    selection.SetUnits(Checked(FLists[1]));
    selection.SetGroups(Checked(FLists[2]));
    return selection;
}

bool TSectionLists::AnyChecked() const
{
    for (int i = 0; i < 3; ++i)
        if (!FBoxes[i]->isHidden() && !Checked(FLists[i]).isEmpty()) return true;
    return false;
}
