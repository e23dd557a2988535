// Loading the string tables and RCDATA of a big executable, and writing them
// as a resource DLL image.
#include "Timing.h"
#include "resources/ResProcessor.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// 20,000 strings in 1,250 blocks and 1,000 RCDATA items of 2 KB, made the same
// way on every run.
void Fill(TResProcessor& p)
{
    auto* strings = static_cast<TResString*>(p.AddBlock(std::make_unique<TResString>(&p)));
    for (int i = 0; i < 20000; ++i)
        strings->Add(i, QStringLiteral("Resource string number %1 of the generated application").arg(i));
    auto* rcdata = static_cast<TResRCData*>(p.AddBlock(std::make_unique<TResRCData>(&p)));
    quint32 seed = 12345;
    for (int i = 0; i < 1000; ++i) {
        QByteArray data(2048, Qt::Uninitialized);
        for (char& c : data) c = char((seed = seed * 1103515245u + 12345u) >> 24);
        rcdata->Add(QStringLiteral("TFORM%1").arg(i, 4, 10, QLatin1Char('0')), false)->Buffer() = data;
    }
}

} // namespace

int main()
{
    QTemporaryDir dir;
    TResProcessor source;
    Fill(source);
    QByteArray image;
    source.CreateDLLStream(image);
    const QString file = dir.filePath("big.dll");
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(image) != image.size()) return 1;
    out.close();

    const double load = MedianMs(7, [&] {
        TResProcessor p;
        p.LoadPEFile(file);
        if (p.Strings()->Count() != 20000 || p.RCData()->Count() != 1000) std::abort();
    });
    const double write = MedianMs(7, [&] {
        QByteArray dll;
        source.CreateDLLStream(dll);
        if (dll.size() != image.size()) std::abort();
    });
    std::printf("pe_load_strings_rcdata_ms: %.2f ms\n", load);
    std::printf("dll_write_ms: %.2f ms\n", write);
    std::printf("dll_image_size: %lld bytes\n", static_cast<long long>(image.size()));
    return 0;
}
