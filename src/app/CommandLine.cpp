#include "app/CommandLine.h"

#include <QCoreApplication>
#include <QTextStream>

int RunPhraseDesk(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream(stdout) << "Phrase Desk " << PHRASEDESK_VERSION << "\n";
    return 0;
}
