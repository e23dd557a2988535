#include "repository/QFileHandle.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::function<void()> gWriteHook;
}

void SetFileWriteHookForTesting(std::function<void()> Hook) { gWriteHook = std::move(Hook); }

void RunFileWriteHook()
{
    if (gWriteHook) gWriteHook();
}

bool RenameFileOver(const QString& From, const QString& To)
{
    RunFileWriteHook();
    return std::rename(QFile::encodeName(From).constData(), QFile::encodeName(To).constData()) == 0;
}

bool TQFileHandle::Open(const QString& fileName, bool readOnly)
{
    Close();
    FReadOnly = readOnly;
    if (readOnly) {
        FFd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
        if (FFd < 0) FError = QString::fromLocal8Bit(std::strerror(errno));
    } else if (FLocked.Open(fileName, TLockedFile::lmReadWriteDenyWriters)) {
        FFd = FLocked.Handle();
    } else {
        FError = FLocked.ErrorText();
    }
    return FFd >= 0;
}

void TQFileHandle::Close()
{
    FCacheLen = 0;
    if (FFd < 0) return;
    if (FReadOnly)
        ::close(FFd);
    else
        FLocked.Close();
    FFd = -1;
}

bool TQFileHandle::ReadAt(qint64 pos, void* buffer, qint64 size, bool Fresh) const
{
    if (FFd < 0 || pos < 0 || size < 0) return false;
    if (FCacheOn && !Fresh && size <= CacheWindow) {
        if (pos < FCacheStart || pos + size > FCacheStart + FCacheLen) {
            FCacheLen = 0;
            FCacheStart = pos;
            const ssize_t n = ::pread(FFd, FCache.data(), size_t(CacheWindow), off_t(pos));
            if (n > 0) FCacheLen = n;
        }
        if (pos >= FCacheStart && pos + size <= FCacheStart + FCacheLen) {
            std::memcpy(buffer, FCache.constData() + (pos - FCacheStart), size_t(size));
            return true;
        }
    }
    char* p = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t n = ::pread(FFd, p, size_t(size), off_t(pos));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n, pos += n, size -= n;
    }
    return true;
}

bool TQFileHandle::WriteAt(qint64 pos, const void* buffer, qint64 size)
{
    if (FFd < 0 || FReadOnly || pos < 0 || size < 0) return false;
    RunFileWriteHook();
    const char* p = static_cast<const char*>(buffer);
    while (size > 0) {
        const ssize_t n = ::pwrite(FFd, p, size_t(size), off_t(pos));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n, pos += n, size -= n;
    }
    return true;
}

void TQFileHandle::SetReadCache(bool On)
{
    FCacheOn = On && FReadOnly;
    FCache.resize(FCacheOn ? CacheWindow : 0);
    FCacheLen = 0;
}

bool TQFileHandle::Resize(qint64 size)
{
    if (FFd < 0 || FReadOnly) return false;
    RunFileWriteHook();
    return ::ftruncate(FFd, off_t(size)) == 0;
}

qint64 TQFileHandle::Size() const
{
    struct stat st;
    if (FFd < 0 || ::fstat(FFd, &st) != 0) return -1;
    return qint64(st.st_size);
}

bool TQFileHandle::Sync() { return FFd >= 0 && ::fsync(FFd) == 0; }
