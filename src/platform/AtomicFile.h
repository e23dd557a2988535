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

// Tests inject write failures here: the hook runs after the temporary file is
// written and before it replaces the target; throwing from it aborts the write.
void SetAtomicWriteHookForTesting(std::function<void(const QString& fileName)> hook);
