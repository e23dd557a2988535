#pragma once

#include <QString>
#include <QTextStream>

// The -resinfo batch operation: loads a PE file (or a .res file when the file
// is neither an executable nor a compressed one) and prints its string tables
// and RCDATA items as UTF-8:
//   [RT_STRING]
//   <id> TAB <text, with \\ \t \n \r \xhh escapes>   (non-empty strings, ascending id)
//   [RT_RCDATA]
//   <name> TAB <size> TAB <sha1 in lower-case hex>  (in item order)
// On failure the error's message goes to Err. Returns the exit code, 0 or 1.
int RunResInfo(const QString& FileName, QTextStream& Out, QTextStream& Err);
// The same report as text; throws the reader's error.
QString ResInfoReport(const QString& FileName);
