#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <vector>

// The repository browser's find: the records of a repository table whose
// text in one of Fields contains Text, without regard to case, in the order
// of the table. It reads a private read-only copy of the table, so it can
// run on a thread of its own while the browser keeps the table open and
// painting; Stop ends it early with the records found so far.
std::vector<qint32> RecordsContaining(const QString& Database, const QString& Table, const QStringList& Fields,
                                      const QString& Text, const std::atomic<bool>& Stop);
