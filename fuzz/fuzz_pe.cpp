// Executables and DLLs (compressed ones too): the PE reader's resource tree
// walked to every leaf, and the resource processor's load. What it loads must
// come back from the resource-only DLL it writes.

#include "FuzzSupport.h"
#include "resources/PEReader.h"
#include "resources/ResProcessor.h"

namespace {

void Walk(TPEResourceList& List)
{
    for (int i = 0; i < List.Count(); ++i) {
        TPEResourceItem* item = List.GetResourceItem(i);
        if (!item) fuzz::Broken("missing item inside Count");
        item->Name();
        item->ResTypeStr();
        if (item->IsList())
            Walk(item->List());
        else
            item->RawData();
    }
}

int ItemCount(const TResProcessor& RP)
{
    return (RP.Strings() ? RP.Strings()->Count() : 0) + (RP.RCData() ? RP.RCData()->Count() : 0);
}

void RoundTrip(const TResProcessor& RP)
{
    QByteArray image;
    RP.CreateDLLStream(image);
    try {
        auto reader = TPEReader::CreateByImage(image);
        TResProcessor again;
        again.LoadFromPEReader(*reader);
        if (ItemCount(again) != ItemCount(RP)) fuzz::Broken("the written DLL lost resources");
    } catch (const EVocabrixError& e) {
        fuzz::Broken("a written DLL does not load:", e.Message());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString path = fuzz::WriteFile(QStringLiteral("input.exe"), fuzz::Bytes(Data, Size));
    fuzz::Refusable([&] {
        TPEReader reader(path);
        Walk(reader.Resources());
    });
    fuzz::Refusable([&] {
        TResProcessor rp;
        rp.LoadPEFile(path);
        RoundTrip(rp);
    });
    return 0;
}
