// The INI reader behind "lib.ini" and the batch runs' -cfg: file: a library's
// display name, a configuration file's options, and the written form, which
// must read back to itself.

#include "FuzzSupport.h"
#include "langfile/LEProject.h"
#include "platform/Settings.h"

#include <QFileInfo>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QByteArray data = fuzz::Bytes(Data, Size);
    const QString path = fuzz::WriteFile(QStringLiteral("lib.ini"), data);
    LibraryDisplayName(QFileInfo(path).path());
    fuzz::Refusable([&] {
        if (const auto cfg = TIniFile::LoadConfig(path)) {
            cfg->ReadBool(QStringLiteral("Translate"), QStringLiteral("Smart"), true);
            cfg->ReadInteger(QStringLiteral("Export"), QStringLiteral("Encoding"), 2);
            cfg->ReadSection(QStringLiteral("Import"));
        }
    });
    const QByteArray written = TIniFile::Parse(data).ToBytes();
    if (TIniFile::Parse(written).ToBytes() != written) fuzz::Broken("a written INI file reads back different");
    return 0;
}
