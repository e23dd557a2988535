// .res files: the record reader, and the resource processor's load. What it
// loads must come back from the .res data it writes.

#include "FuzzSupport.h"
#include "resources/ResProcessor.h"
#include "resources/ResReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString path = fuzz::WriteFile(QStringLiteral("input.res"), fuzz::Bytes(Data, Size));
    fuzz::Refusable([&] {
        TResReader reader(path);
        for (int i = 0; i < reader.EntryCount(); ++i) {
            reader.GetEntry(i)->Data();
            reader.GetEntry(i)->ResName().Text();
        }
    });
    fuzz::Refusable([&] {
        TResProcessor rp;
        rp.LoadResFile(path);
        const QByteArray written = rp.ResFileData();
        const QString again = fuzz::WriteFile(QStringLiteral("again.res"), written);
        try {
            TResProcessor reread;
            reread.LoadResFile(again);
            if (reread.ResFileData() != written) fuzz::Broken("a written .res file reads back different");
        } catch (const EVocabrixError& e) {
            fuzz::Broken("a written .res file does not load:", e.Message());
        }
        QByteArray image;
        rp.CreateDLLStream(image);
    });
    return 0;
}
