// Writes the manual page and the bash completion of the program from its own
// switch table: mkprogramdocs phrasedesk.1 phrasedesk.bash
#include "app/ProgramHelp.h"
#include "core/VocabrixError.h"
#include "platform/AtomicFile.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: mkprogramdocs MANPAGE COMPLETION\n";
        return 2;
    }
    try {
        WriteFileAtomic(args[1], ManPage().toUtf8());
        WriteFileAtomic(args[2], BashCompletion().toUtf8());
    } catch (const EVocabrixError& e) {
        QTextStream(stderr) << e.Message() << '\n';
        return 1;
    }
    return 0;
}
