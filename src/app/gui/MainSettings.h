#pragma once

#include <QColor>
#include <QFont>
#include <QString>

// The settings the main window works with, at their defaults. Reading and
// writing them is the settings layer's job.
struct TMainSettings {
    bool AutoTransl = true;
    bool UseReplaceTb = false;
    bool CellEditDialog = true;
    bool ShowUntranslatable = true;
    bool MoveCursorDown = false;
    bool RefreshOnClose = true;
    bool RightToLeft4ME = true;
    bool WarnFormatMismatch = true;
    bool FullNameCompare = true;
    bool NativeValueForm = false;
    QColor ActiveRowColor;                     // invalid: the system's tool-tip background
    QColor UntranslatableColor{224, 224, 224}; // 0xE0E0E0
    QColor VerifiedColor{128, 221, 238};       // 0xEEDD80 as a Windows colour
    QColor HiddenColor{218, 235, 254};         // 0xFEEBDA as a Windows colour
    QString WorkDir;
    QFont GridFont{QStringLiteral("Arial")};
};
