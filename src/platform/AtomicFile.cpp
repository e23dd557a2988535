#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::function<void(const QString&)> gHook;

QString SysError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

[[noreturn]] void Fail(const QString& fileName, const QString& cause)
{
    throw EFileSystemError(QStringLiteral("Cannot write file \"%1\": %2").arg(QDir::toNativeSeparators(fileName), cause));
}

bool WriteAll(int fd, const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += n;
    }
    return true;
}
} // namespace

void WriteFileAtomic(const QString& fileName, const QByteArray& data)
{
    const QFileInfo info(fileName);
    const QString dir = info.absolutePath();

    TLockedFile old;
    mode_t mode = 0644;
    if (info.exists()) {
        if (!old.Open(fileName, TLockedFile::lmReadWriteDenyWriters)) Fail(fileName, old.ErrorText());
        struct stat st;
        if (::fstat(old.Handle(), &st) == 0) mode = st.st_mode & 07777;
    }

    QByteArray tmpPath = QFile::encodeName(dir + QLatin1String("/.") + info.fileName() + QLatin1String(".XXXXXX"));
    const int fd = ::mkstemp(tmpPath.data());
    if (fd < 0) Fail(fileName, SysError());
    const auto discard = [&](const QString& cause) {
        ::close(fd);
        ::unlink(tmpPath.constData());
        Fail(fileName, cause);
    };
    if (!WriteAll(fd, data) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) discard(SysError());
    if (gHook) {
        try {
            gHook(fileName);
        } catch (const EVocabrixError& e) {
            discard(e.Message());
        }
    }
    if (::close(fd) != 0) {
        const QString cause = SysError();
        ::unlink(tmpPath.constData());
        Fail(fileName, cause);
    }
    if (::rename(tmpPath.constData(), QFile::encodeName(info.absoluteFilePath()).constData()) != 0) {
        const QString cause = SysError();
        ::unlink(tmpPath.constData());
        Fail(fileName, cause);
    }
    // Make the rename itself durable.
    const int dfd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

void SetAtomicWriteHookForTesting(std::function<void(const QString&)> hook)
{
    gHook = std::move(hook);
}
