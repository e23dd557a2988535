// extract FILE DIR: writes every RCDATA item of the PE file FILE (DLL or EXE)
// whose data is a binary form stream ("TPF0") to DIR/<resource name>.bin.
// Prints the number of forms written.

#include "platform/AtomicFile.h"
#include "resources/ResProcessor.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: extract FILE DIR\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const QDir dir(QString::fromLocal8Bit(argv[2]));
    try {
        TResProcessor p;
        p.LoadPEFile(file);
        int forms = 0;
        if (const TResRCData* rc = p.RCData()) {
            for (int i = 0; i < rc->Count(); ++i) {
                const TResRCDataItem* item = rc->Items(i);
                if (!item->Buffer().startsWith("TPF0")) continue;
                // Form resource names are identifiers ("TMAINFORM"); anything
                // else would be no form of a Delphi program.
                if (item->Name().contains(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")))) {
                    std::fprintf(stderr, "%s: unexpected form resource name %s\n", argv[1], qPrintable(item->Name()));
                    return 1;
                }
                WriteFileAtomic(dir.filePath(item->Name() + QStringLiteral(".bin")), item->Buffer());
                ++forms;
            }
        }
        std::printf("%d\n", forms);
    } catch (const EVocabrixError& e) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(e.Message()));
        return 1;
    }
    return 0;
}
