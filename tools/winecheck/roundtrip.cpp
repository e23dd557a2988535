// roundtrip [--64] IN OUT: loads the string tables and RCDATA of the PE file
// (or, named *.res, the .res file) IN and writes them as a resource-only DLL
// image to OUT, the way a language DLL is written: PE32+ when IN is PE32+ or
// with --64.

#include "platform/AtomicFile.h"
#include "resources/ResProcessor.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const bool force64 = argc == 4 && qstrcmp(argv[1], "--64") == 0;
    if (argc != 3 + force64) {
        std::fprintf(stderr, "usage: roundtrip [--64] IN OUT\n");
        return 2;
    }
    const char* in = argv[1 + force64];
    try {
        TResProcessor p;
        const QString inFile = QString::fromLocal8Bit(in);
        if (inFile.endsWith(QLatin1String(".res"), Qt::CaseInsensitive))
            p.LoadResFile(inFile);
        else
            p.LoadPEFile(inFile);
        if (force64) p.SetIs64Bit(true);
        QByteArray image;
        p.CreateDLLStream(image);
        WriteFileAtomic(QString::fromLocal8Bit(argv[2 + force64]), image);
    } catch (const EVocabrixError& e) {
        std::fprintf(stderr, "%s: %s\n", in, qPrintable(e.Message()));
        return 1;
    }
    return 0;
}
