// Extracting the native project from a large executable (500 forms of 60
// buttons, 20,000 resource strings): a new project, and the update of an
// existing one by the same build.

#include "BigExecutable.h"
#include "Timing.h"
#include "platform/AtomicFile.h"
#include "resources/ProjectExtractor.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    TResProcessor exe;
    FillBigExecutable(exe);
    QByteArray image;
    exe.CreateDLLStream(image);
    const QString exeFile = dir.filePath("app.exe"), native = dir.filePath("app.ntv.lng");
    WriteFileAtomic(exeFile, image);

    TExtractSummary summary;
    const double fresh = MedianMs(5, [&] {
        QFile::remove(native);
        summary = ExtractProject(exeFile, native, {});
    });
    std::printf("extract_500_forms_ms: %.0f ms (%d items)\n", fresh, summary.Added);
    const double update = MedianMs(5, [&] { summary = ExtractProject(exeFile, native, {}); });
    std::printf("extract_update_500_forms_ms: %.0f ms (%d unchanged)\n", update, summary.Unchanged);
    return 0;
}
