// The dialog preview: the largest form of the test fixtures built into
// widgets and painted on the offscreen platform.

#include "Timing.h"
#include "app/gui/preview/ExeDialogViewer.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QString largest;
    qint64 size = -1;
    const QDir forms(QStringLiteral(TEST_DATA_DIR "/forms"));
    for (const QFileInfo& info : forms.entryInfoList({QStringLiteral("*.bin")}, QDir::Files))
        if (info.size() > size) {
            size = info.size();
            largest = info.filePath();
        }
    QFile file(largest);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_preview: no fixture form in %s\n", qPrintable(forms.path()));
        return 1;
    }
    const QByteArray stream = file.readAll();

    TExeDialogViewer viewer(QDir::temp().filePath(QStringLiteral("bench_preview_none.ini")));
    int widgets = 0;
    const double ms = MedianMs(21, [&] {
        viewer.ShowStream(stream);
        viewer.Form()->grab(); // paints every widget
        widgets = int(viewer.Form()->findChildren<QWidget*>().size());
    });
    std::printf("preview_form_bytes: %lld bytes\n", static_cast<long long>(stream.size()));
    std::printf("preview_form_widgets: %d widgets\n", widgets);
    std::printf("preview_build_form_ms: %.2f ms\n", ms);
    return 0;
}
