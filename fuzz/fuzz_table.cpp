// A repository table and its memo file, both damaged at will: the input is a
// 32-bit length, that many bytes of table file, and the memo file after them.
// The table is opened read-only and walked record by record with every field
// read, then opened for writing, repaired and given a record.

#include "FuzzSupport.h"
#include "repository/QTable.h"

#include <cstring>

namespace {

void Walk(TQTable& Table)
{
    int steps = 0;
    for (Table.First(); !Table.Eof() && Table.RecordCount() > 0; Table.Next()) {
        // The engine ends a walk that loops (twice the records, for tables that change meanwhile).
        if (++steps > 2 * Table.TotalRecCount() + 17) fuzz::Broken("a walk that does not end");
        for (int i = 0; i < Table.Fields().Count(); ++i) {
            TQField* field = Table.Fields()[i];
            fuzz::Refusable([&] { field->AsVariant(); });
            fuzz::Refusable([&] { field->KeyText(64); });
        }
    }
}

void OpenAndWalk(const QString& Folder, bool ReadOnly)
{
    TQTable table;
    table.SetDatabaseName(Folder);
    table.SetTableName(QStringLiteral("input"));
    table.SetReadOnly(ReadOnly);
    table.Open();
    Walk(table);
    if (ReadOnly) return;
    table.Repair();
    Walk(table);
    table.Append();
    if (table.Fields().Count() > 0) fuzz::Refusable([&] { table.Fields()[0]->SetAsWideString(QStringLiteral("x")); });
    table.Post();
    table.First();
    table.Delete();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < 4) return 0;
    quint32 tableSize;
    std::memcpy(&tableSize, Data, 4);
    const QByteArray rest = fuzz::Bytes(Data + 4, Size - 4);
    tableSize = qMin<quint32>(tableSize, quint32(rest.size()));
    const QString table = fuzz::WriteFile(QStringLiteral("input.qdb"), rest.left(tableSize));
    fuzz::WriteFile(QStringLiteral("input.mem"), rest.mid(tableSize));
    const QString folder = table.section(QLatin1Char('/'), 0, -2);
    fuzz::Refusable([&] { OpenAndWalk(folder, true); });
    fuzz::Refusable([&] { OpenAndWalk(folder, false); });
    return 0;
}
