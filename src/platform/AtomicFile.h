#pragma once

#include "platform/FileLock.h"

#include <QByteArray>
#include <QString>
#include <functional>

// Replaces a file's content atomically: the data goes to a temporary file in
// the same folder, is flushed to disk and renamed over the target, so a crash,
// a kill or a full disk leaves either the old file or the new one, never a
// truncated mix. While it writes it holds the exclusive lock on the old file,
// so a file that another process holds open is never replaced.
// Throws EFileSystemError with the cause; the old file is then untouched.
void WriteFileAtomic(const QString& fileName, const QByteArray& data);

// The same for content produced piece by piece (an export of a whole
// repository), so it never has to be held in memory: Write appends to the
// temporary file, Commit replaces the target. Destroyed without Commit (an
// exception on the way), the temporary file is removed and the old file stays.
class TAtomicFileWriter {
public:
    explicit TAtomicFileWriter(const QString& fileName); // throws EFileSystemError
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    void Write(const QByteArray& data);
    void Commit();

private:
    [[noreturn]] void Discard(const QString& cause);

    QString FFileName;
    TLockedFile FOld;
    QByteArray FTmpPath;
    int FHandle = -1;
    unsigned FMode = 0644;
};

// Tests inject write failures here: the hook runs after the temporary file is
// written and before it replaces the target; throwing from it aborts the write.
void SetAtomicWriteHookForTesting(std::function<void(const QString& fileName)> hook);
