#pragma once

#include <QString>

// Text on its way to a terminal. Messages and reports copy names and values
// out of the files they read; a control character among them (ESC above all)
// would be obeyed by the terminal: clear the screen, recolour it, move the
// cursor, hide what follows. These functions make every such character
// visible instead.

// A message of one or more lines: "\r\n" and a lone "\r" become "\n" (the
// terminal's line break); a tab stays; every other control character (C0,
// DEL, C1) is written as \xNN, and the characters that reorder the display of
// bidirectional text as \uNNNN.
QString TerminalText(const QString& Text);

// One value on one line, as -resinfo prints strings: backslash, tab, line
// feed and carriage return as \\, \t, \n, \r; the other characters as in
// TerminalText.
QString EscapeControls(const QString& Text);
