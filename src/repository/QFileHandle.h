#pragma once

#include "platform/FileLock.h"

#include <QString>
#include <functional>

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
    // Reads go through the read cache when one is on, unless Fresh.
    bool ReadAt(qint64 pos, void* buffer, qint64 size, bool Fresh = false) const;
    bool WriteAt(qint64 pos, const void* buffer, qint64 size);
    bool Resize(qint64 size);
    qint64 Size() const; // -1 on failure
    bool Sync();

    // A read cache of one window of the file for a read-only reader walking
    // it in order (the index builder). It may serve data older than the file;
    // only readers that tolerate that turn it on, and they read links and
    // headers fresh.
    void SetReadCache(bool On);
    void DropCache() const { FCacheLen = 0; }

private:
    static constexpr qint64 CacheWindow = 64 * 1024;
    TLockedFile FLocked;
    int FFd = -1;
    bool FReadOnly = false;
    QString FError;
    bool FCacheOn = false;
    mutable QByteArray FCache;
    mutable qint64 FCacheStart = 0;
    mutable qint64 FCacheLen = 0;
};

// Tests stop a writer at a chosen point (a crash): the hook runs before every
// write, resize and rename of the table engine's files, and may end the
// process or throw.
void SetFileWriteHookForTesting(std::function<void()> Hook);
void RunFileWriteHook();
// Renames From over To (both in one folder) after the test hook.
bool RenameFileOver(const QString& From, const QString& To);
