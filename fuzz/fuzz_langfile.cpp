// Language files, plain and compressed: loaded as a project's native file and
// as a translation column of the sample project. A file that loads must be
// written and read back without complaint.

#include "FuzzSupport.h"
#include "langfile/LangFile.h"

#include <QFile>

namespace {

const QByteArray& NativeFile()
{
    static const QByteArray data = [] {
        QFile f(QStringLiteral(EXAMPLES_DIR "/Notes.ntv.lng"));
        if (!f.open(QIODevice::ReadOnly)) fuzz::Broken("no sample project");
        return f.readAll();
    }();
    return data;
}

void LoadNative(const QByteArray& data)
{
    TLocStorage storage;
    TLangFile file;
    file.LoadFromStream(data, &storage, -1, loRepair);
    const QByteArray written = file.SaveToBytes(&storage, 0, false);
    try {
        TLocStorage again;
        TLangFile reread;
        reread.LoadFromStream(written, &again, -1, 0);
    } catch (const EVocabrixError& e) {
        fuzz::Broken("a written native file does not load:", e.Message());
    }
}

void LoadTranslation(const QByteArray& data, TLFLoadOptions options)
{
    TLocStorage storage;
    TLangFile native;
    native.LoadFromStream(NativeFile(), &storage, -1, 0);
    TLangFile file;
    file.LoadHeaderFromStream(data, false);
    const int column = storage.AddLanguage(0, file.Locale());
    file.LoadFromStream(data, &storage, column, options);
    file.SaveToBytes(&storage, column, true);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QByteArray data = fuzz::Bytes(Data, Size);
    fuzz::Refusable([&] { LoadNative(data); });
    fuzz::Refusable([&] { LoadTranslation(data, 0); });
    fuzz::Refusable([&] { LoadTranslation(data, loSyncByName); });
    return 0;
}
