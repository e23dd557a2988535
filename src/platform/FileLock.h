#pragma once

#include "core/VocabrixError.h"

#include <QString>

VOCABRIX_ERROR(EFileSystemError, EVocabrixError);

// An open file that holds an advisory byte-range lock (OFD lock) over the
// whole file, standing in for Windows share modes:
//  - lmDenyWriters: "opened for reading, denying other writers" (shared lock);
//    any number of such handles coexist, in this or other processes;
//  - lmReadWriteDenyWriters: "opened for reading and writing, denying other
//    writers" (exclusive lock); refused while any other handle is open with a lock.
// Locks belong to the handle, so two handles of one process exclude each
// other exactly as two processes do.
class TLockedFile {
public:
    enum TLockMode { lmDenyWriters, lmReadWriteDenyWriters };

    TLockedFile() = default;
    ~TLockedFile();
    TLockedFile(const TLockedFile&) = delete;
    TLockedFile& operator=(const TLockedFile&) = delete;

    // Opens the file and takes the lock without waiting. Returns false (and
    // leaves the object closed) when the file cannot be opened or the lock is
    // held elsewhere; ErrorText() tells which.
    bool Open(const QString& fileName, TLockMode mode);
    void Close();
    bool IsOpen() const { return FHandle >= 0; }
    int Handle() const { return FHandle; }
    const QString& ErrorText() const { return FError; }

    // Reads the whole file from its start; throws EFileSystemError.
    QByteArray ReadAll() const;

private:
    int FHandle = -1;
    QString FError;
};

// Reads a whole file; throws EFileSystemError with the cause.
QByteArray ReadWholeFile(const QString& fileName);
