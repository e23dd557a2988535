#pragma once

// Controls the export and import dialogs both build.

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringList>
#include <QToolButton>

namespace dialogparts {

// A row "File name" [edit] [...] added to Layout; the edit and the button
// are named "edFileName" and "btnFile".
inline void FileRow(QWidget* Parent, QBoxLayout* Layout, QLineEdit*& Edit, QToolButton*& Button)
{
    auto* row = new QHBoxLayout;
    Edit = new QLineEdit(Parent);
    Edit->setObjectName(QStringLiteral("edFileName"));
    Button = new QToolButton(Parent);
    Button->setObjectName(QStringLiteral("btnFile"));
    Button->setText(QStringLiteral("..."));
    row->addWidget(new QLabel(QStringLiteral("File name"), Parent));
    row->addWidget(Edit, 1);
    row->addWidget(Button);
    Layout->addLayout(row);
}

// Radio buttons side by side in Box, their ids their indexes; the first is checked.
inline QButtonGroup* RadioGroup(QGroupBox* Box, const char* Name, const QStringList& Captions)
{
    auto* group = new QButtonGroup(Box);
    group->setObjectName(QLatin1String(Name));
    auto* layout = new QHBoxLayout(Box);
    for (int i = 0; i < Captions.size(); ++i) {
        auto* button = new QRadioButton(Captions[i], Box);
        group->addButton(button, i);
        layout->addWidget(button);
    }
    group->button(0)->setChecked(true);
    return group;
}

} // namespace dialogparts
