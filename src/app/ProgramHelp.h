#pragma once

#include <QList>
#include <QString>

// What the program says of itself: -version, -help, and the manual page and
// shell completion the package installs. All of them are made from the
// switch table and the exit codes below, so they cannot drift apart.

struct TExitCodeHelp {
    int Code;
    QString Meaning;
};
QList<TExitCodeHelp> ExitCodes();

QString VersionText(); // "Phrase Desk 0.1.0"
QString HelpText();    // what -help prints
QString ManPage();     // phrasedesk.1 in roff
QString BashCompletion();
