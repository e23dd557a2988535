#pragma once

#include "platform/FileLock.h"

#include <QString>

// One open table or memo file with positioned reads and writes. A writable
// handle holds the exclusive lock (other writers are refused, readers are
// not); a read-only handle takes no lock, so it coexists with one writer.
class TQFileHandle {
public:
    TQFileHandle() = default;
    ~TQFileHandle() { Close(); }
    TQFileHandle(const TQFileHandle&) = delete;
    TQFileHandle& operator=(const TQFileHandle&) = delete;

    bool Open(const QString& fileName, bool readOnly);
    void Close();
    bool IsOpen() const { return FFd >= 0; }
    bool ReadOnly() const { return FReadOnly; }
    const QString& ErrorText() const { return FError; }

    // Whole transfers only: a short read or write counts as a failure.
    bool ReadAt(qint64 pos, void* buffer, qint64 size) const;
    bool WriteAt(qint64 pos, const void* buffer, qint64 size);
    bool Resize(qint64 size);
    qint64 Size() const; // -1 on failure
    bool Sync();

private:
    TLockedFile FLocked;
    int FFd = -1;
    bool FReadOnly = false;
    QString FError;
};
