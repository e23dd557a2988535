#pragma once

// The saved state of the exchange dialogs: one text value per control, named
// by the control's name, "." and the property ("chbIncludeId.Checked" =
// "True", "rbExport.ItemIndex" = "2").

#include "platform/Settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>

namespace dialogstate {

inline void Read(const TSettingsKey& Key, QCheckBox* Box)
{
    const QString v = Key.ReadString(Box->objectName() + QStringLiteral(".Checked"), QString());
    if (!v.isEmpty()) Box->setChecked(v.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0);
}

inline void Write(TSettingsKey& Key, const QCheckBox* Box)
{
    Key.WriteString(Box->objectName() + QStringLiteral(".Checked"),
                    Box->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
}

// A radio group: the buttons' ids are their indexes.
inline void Read(const TSettingsKey& Key, QButtonGroup* Group)
{
    bool ok = false;
    const int i = Key.ReadString(Group->objectName() + QStringLiteral(".ItemIndex"), QString()).toInt(&ok);
    if (ok && Group->button(i)) Group->button(i)->setChecked(true);
}

inline void Write(TSettingsKey& Key, const QButtonGroup* Group)
{
    Key.WriteString(Group->objectName() + QStringLiteral(".ItemIndex"), QString::number(Group->checkedId()));
}

inline void Read(const TSettingsKey& Key, QComboBox* Combo)
{
    bool ok = false;
    const int i = Key.ReadString(Combo->objectName() + QStringLiteral(".ItemIndex"), QString()).toInt(&ok);
    if (ok && i >= 0 && i < Combo->count()) Combo->setCurrentIndex(i);
}

inline void Write(TSettingsKey& Key, const QComboBox* Combo)
{
    Key.WriteString(Combo->objectName() + QStringLiteral(".ItemIndex"), QString::number(Combo->currentIndex()));
}

} // namespace dialogstate
