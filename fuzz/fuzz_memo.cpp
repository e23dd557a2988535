// A memo file on its own: every value read, then a value added, rewritten and
// deleted (which walks and changes the free chain).

#include "FuzzSupport.h"
#include "repository/QMemoFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString path = fuzz::WriteFile(QStringLiteral("input.mem"), fuzz::Bytes(Data, Size));
    fuzz::Refusable([&] {
        TQMemoFile memo;
        memo.Open(path);
        const qint32 blocks = qMin<qint32>(memo.TotalBlockCount(), 64);
        for (qint32 b = 1; b <= blocks; ++b) {
            fuzz::Refusable([&] { memo.GetMemoSize(b); });
            fuzz::Refusable([&] { memo.LoadMemo(b); });
        }
        const qint32 added = memo.AddMemo(QByteArray(Size % 700, 'x'));
        memo.SaveMemo(added, QByteArray(Size % 300, 'y'));
        memo.DeleteMemo(added);
        fuzz::Refusable([&] { memo.DeleteMemo(memo.FirstBlock()); });
        memo.AddMemo(QByteArray(50, 'z'));
    });
    return 0;
}
