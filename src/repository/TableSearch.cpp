#include "repository/TableSearch.h"

#include "repository/QTable.h"

std::vector<qint32> RecordsContaining(const QString& Database, const QString& Table, const QStringList& Fields,
                                      const QString& Text, const std::atomic<bool>& Stop)
{
    std::vector<qint32> found;
    const QString needle = Text.toCaseFolded();
    if (needle.isEmpty()) return found;
    TQTable copy;
    copy.SetDatabaseName(Database);
    copy.SetTableName(Table, false);
    copy.SetReadOnly(true);
    copy.Open();
    copy.SetReadCache(true);
    std::vector<const TQField*> fields;
    for (const QString& name : Fields)
        if (const TQField* field = copy.FieldByName(name)) fields.push_back(field);
    for (; !copy.Eof() && copy.Bookmark() != 0 && !Stop; copy.Next())
        for (const TQField* field : fields)
            if (field->AsWideString().toCaseFolded().contains(needle)) {
                found.push_back(copy.Bookmark());
                break;
            }
    return found;
}
