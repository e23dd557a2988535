#include "platform/AtomicFile.h"

#include "core/UiStrings.h"

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

QString SysError() { return QString::fromLocal8Bit(std::strerror(errno)); }

[[noreturn]] void Fail(const QString& fileName, const QString& cause)
{
    throw EFileSystemError(UiString(usCannotWriteFile, {QDir::toNativeSeparators(fileName), cause}));
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

// The temporary files of this writer are ".<name>.XXXXXX" (mkstemp's six
// letters and digits).
bool IsTemporaryOf(const QString& candidate, const QString& name)
{
    const qsizetype prefix = name.size() + 2;
    if (candidate.size() != prefix + 6 || !candidate.startsWith(QLatin1Char('.')) ||
        QStringView(candidate).mid(1, name.size()) != name || candidate[prefix - 1] != QLatin1Char('.'))
        return false;
    for (QChar c : QStringView(candidate).mid(prefix))
        if (!(c.isDigit() || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
              (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))))
            return false;
    return true;
}

// A save that was killed leaves its temporary file behind. The next save of
// the same file removes them while it holds the file's lock: no other writer
// can then be writing one (a writer takes the lock before it makes its
// temporary file).
void RemoveStaleTemporaries(const QFileInfo& target, const QByteArray& own)
{
    const QDir dir = target.absoluteDir();
    const QString ownName = QFileInfo(QFile::decodeName(own)).fileName();
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (entry != ownName && IsTemporaryOf(entry, target.fileName())) QFile::remove(dir.filePath(entry));
}
} // namespace

TAtomicFileWriter::TAtomicFileWriter(const QString& fileName) : FFileName(fileName)
{
    const QFileInfo info(fileName);
    if (info.exists()) {
        if (!FOld.Open(fileName, TLockedFile::lmReadWriteDenyWriters)) Fail(fileName, FOld.ErrorText());
        struct stat st;
        if (::fstat(FOld.Handle(), &st) == 0) FMode = st.st_mode & 07777;
    }
    FTmpPath =
        QFile::encodeName(info.absolutePath() + QLatin1String("/.") + info.fileName() + QLatin1String(".XXXXXX"));
    FHandle = ::mkstemp(FTmpPath.data());
    if (FHandle < 0) Fail(fileName, SysError());
}

TAtomicFileWriter::~TAtomicFileWriter()
{
    if (FHandle < 0) return;
    ::close(FHandle);
    ::unlink(FTmpPath.constData());
}

void TAtomicFileWriter::Discard(const QString& cause)
{
    ::close(FHandle);
    FHandle = -1;
    ::unlink(FTmpPath.constData());
    Fail(FFileName, cause);
}

void TAtomicFileWriter::Write(const QByteArray& data)
{
    if (FHandle < 0) Fail(FFileName, QStringLiteral("the file is already written"));
    if (!WriteAll(FHandle, data)) Discard(SysError());
}

void TAtomicFileWriter::Commit()
{
    if (FHandle < 0) Fail(FFileName, QStringLiteral("the file is already written"));
    if (::fchmod(FHandle, FMode) != 0 || ::fsync(FHandle) != 0) Discard(SysError());
    if (gHook) {
        try {
            gHook(FFileName);
        } catch (const EVocabrixError& e) {
            Discard(e.Message());
        }
    }
    const int fd = FHandle;
    FHandle = -1;
    if (::close(fd) != 0) {
        const QString cause = SysError();
        ::unlink(FTmpPath.constData());
        Fail(FFileName, cause);
    }
    const QFileInfo info(FFileName);
    if (FOld.IsOpen()) RemoveStaleTemporaries(info, FTmpPath);
    if (::rename(FTmpPath.constData(), QFile::encodeName(info.absoluteFilePath()).constData()) != 0) {
        const QString cause = SysError();
        ::unlink(FTmpPath.constData());
        Fail(FFileName, cause);
    }
    // Make the rename itself durable.
    const int dfd = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

void WriteFileAtomic(const QString& fileName, const QByteArray& data)
{
    TAtomicFileWriter writer(fileName);
    writer.Write(data);
    writer.Commit();
}

void SetAtomicWriteHookForTesting(std::function<void(const QString&)> hook) { gHook = std::move(hook); }
