#include "platform/FileLock.h"

#include "core/UiStrings.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TLockedFile::~TLockedFile() { Close(); }

bool TLockedFile::Open(const QString& fileName, TLockMode mode)
{
    Close();
    const QByteArray path = QFile::encodeName(fileName);
    const int flags = (mode == lmReadWriteDenyWriters ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    const int fd = ::open(path.constData(), flags);
    if (fd < 0) {
        FError = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct flock lk = {};
    lk.l_type = mode == lmReadWriteDenyWriters ? F_WRLCK : F_RDLCK;
    lk.l_whence = SEEK_SET;
    lk.l_start = 0;
    lk.l_len = 0; // the whole file, however it grows
    if (::fcntl(fd, F_OFD_SETLK, &lk) != 0) {
        FError =
            errno == EAGAIN || errno == EACCES ? UiString(usFileInUse) : QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    FHandle = fd;
    FError.clear();
    return true;
}

void TLockedFile::Close()
{
    if (FHandle >= 0) ::close(FHandle); // closing releases the lock; a failure changes nothing for us
    FHandle = -1;
}

QByteArray TLockedFile::ReadAll() const
{
    if (FHandle < 0) throw EFileSystemError(QStringLiteral("File is not open"));
    struct stat st;
    if (::fstat(FHandle, &st) != 0) throw EFileSystemError(QString::fromLocal8Bit(std::strerror(errno)));
    QByteArray data;
    data.resize(qsizetype(st.st_size));
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pread(FHandle, data.data() + done, size_t(data.size() - done), off_t(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EFileSystemError(QString::fromLocal8Bit(std::strerror(errno)));
        }
        if (n == 0) break; // the file shrank meanwhile
        done += n;
    }
    data.resize(done);
    return data;
}

QByteArray ReadWholeFile(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) throw EFileSystemError(UiString(usCannotOpenFile, {fileName, f.errorString()}));
    QByteArray data = f.readAll();
    if (f.error() != QFile::NoError) throw EFileSystemError(UiString(usCannotReadFile, {fileName, f.errorString()}));
    return data;
}
