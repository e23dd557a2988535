// The gettext PO import of the editor (see FuzzImport.h).

#include "FuzzImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    return fuzz::FuzzImport(ikPo, "input.po", Data, Size);
}
