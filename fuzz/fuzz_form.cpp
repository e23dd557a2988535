// Binary form streams: read property by property, and rewritten with the
// German column of the sample project (as a Unicode and as an 8-bit
// project). A rewritten form must read again.

#include "FuzzSupport.h"
#include "langfile/LangFile.h"
#include "resources/FormProcessor.h"

#include <QFile>

namespace {

QByteArray ReadExample(const char* Name)
{
    QFile f(QStringLiteral(EXAMPLES_DIR "/") + QLatin1String(Name));
    if (!f.open(QIODevice::ReadOnly)) fuzz::Broken("no sample project");
    return f.readAll();
}

// The sample project's native and German columns.
TLocStorage& Project()
{
    static TLocStorage* storage = [] {
        auto* s = new TLocStorage();
        TLangFile native;
        native.LoadFromStream(ReadExample("Notes.ntv.lng"), s, -1, 0);
        const QByteArray german = ReadExample("Notes.deu.lng");
        TLangFile file;
        file.LoadHeaderFromStream(german, false);
        file.LoadFromStream(german, s, s->AddLanguage(0, file.Locale()), 0);
        return s;
    }();
    return *storage;
}

void Rewrite(const QByteArray& Src, bool Unicode)
{
    TLocFormProcessor fp;
    fp.SetLocStorage(&Project());
    fp.SetLangIndex(1);
    fp.SetLangLocale(Project().Locales(1));
    fp.SetUnicodeProject(Unicode);
    QByteArray out;
    if (!fp.UpdateBinStream(Src, out)) return;
    try {
        TLocFormProcessor::ReadFormProperties(out, Project().Locales(1), [](const TFormProperty&) {});
    } catch (const EVocabrixError& e) {
        fuzz::Broken("a rewritten form does not read:", e.Message());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QByteArray data = fuzz::Bytes(Data, Size);
    fuzz::Refusable([&] { TLocFormProcessor::ReadFormProperties(data, 1252, [](const TFormProperty&) {}); });
    fuzz::Refusable([&] { Rewrite(data, true); });
    fuzz::Refusable([&] { Rewrite(data, false); });
    return 0;
}
