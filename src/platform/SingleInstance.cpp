#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kWindowPrefix = QStringLiteral("TOxvPDMainForm.");
// Requests: "front" alone, or "open " and the project's path (UTF-8, base64)
// to also open a project; each one line. The answer "ok" says that an editor
// on screen took it, "hidden" that the editor has no window to show.
const QByteArray kFrontRequest = "front\n";
const QByteArray kOpenRequest = "open ";
const QByteArray kTaken = "ok\n";
const QByteArray kHidden = "hidden\n";
constexpr qint64 kMaxRequest = 64 * 1024;
// A running editor that does not answer within this time is taken as gone.
constexpr int kAnswerTimeoutMs = 1000;

// Editors within one process (tests) still need names of their own.
std::atomic<int> gCounter{0};

quint64 InodeOf(const QString& Path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(Path).constData(), &st) != 0) return 0;
    return quint64(st.st_ino);
}

// A window name whose editor is gone: nobody answers, and its process is
// dead (so a socket that is just being set up is left alone).
bool IsStale(const QString& Name)
{
    const QString pid = Name.mid(kWindowPrefix.size()).section(QLatin1Char('-'), 0, 0);
    bool ok = false;
    const qint64 n = pid.toLongLong(&ok);
    if (!ok || n <= 0) return true;
    return ::kill(pid_t(n), 0) != 0 && errno == ESRCH;
}

} // namespace

TSingleInstance::TSingleInstance(const QString& Folder, QObject* Parent) : QObject(Parent), FFolder(Folder) {}

TSingleInstance::~TSingleInstance()
{
    if (OwnsAtom()) DeleteAtom();
    // Closing the server removes its window name.
    delete FServer;
}

QString TSingleInstance::DefaultFolder()
{
    // Private to the user (0700); Qt falls back to a private folder of its
    // own when the session has none.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

QString TSingleInstance::AtomPath() const { return QDir(FFolder).filePath(AtomName()); }

bool TSingleInstance::AtomExists() const { return InodeOf(AtomPath()) != 0; }

void TSingleInstance::DeleteAtom() { QFile::remove(AtomPath()); }

bool TSingleInstance::Listening() const { return FServer && FServer->isListening(); }

bool TSingleInstance::OwnsAtom() const { return Listening() && FInode != 0 && InodeOf(AtomPath()) == FInode; }

bool TSingleInstance::Start(bool DelAtom, bool IDE, const QString& Project)
{
    if (DelAtom) DeleteAtom();
    if (AskRunningToFront(Project)) {
        if (!IDE || AtomExists()) return false;
    } else if (AtomExists()) {
        DeleteAtom(); // left by an editor that crashed
    }
    Listen();
    return true;
}

bool TSingleInstance::AskRunningToFront(const QString& Project)
{
    const QByteArray request = Project.isEmpty() ? kFrontRequest : kOpenRequest + Project.toUtf8().toBase64() + '\n';
    const QDir folder(FFolder);
    QStringList unanswered;
    for (const QString& name :
         folder.entryList({kWindowPrefix + QLatin1Char('*')}, QDir::System | QDir::Files, QDir::Name)) {
        const QString path = folder.filePath(name);
        QLocalSocket socket;
        const QDeadlineTimer deadline(kAnswerTimeoutMs);
        socket.connectToServer(path);
        if (!socket.waitForConnected(int(deadline.remainingTime()))) {
            if (IsStale(name)) QFile::remove(path);
            continue;
        }
        socket.write(request);
        socket.waitForBytesWritten(int(deadline.remainingTime()));
        while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired())
            socket.waitForReadyRead(int(deadline.remainingTime()));
        const QByteArray answer = socket.canReadLine() ? socket.readLine() : QByteArray();
        socket.abort();
        if (answer == kTaken) return true;
        unanswered << name.mid(kWindowPrefix.size()).section(QLatin1Char('-'), 0, 0);
    }
    if (!unanswered.isEmpty())
        qWarning("Phrase Desk: the running editor (process %s) shows no window or does not answer; "
                 "a new one starts.",
                 qPrintable(unanswered.join(QStringLiteral(", "))));
    return false;
}

void TSingleInstance::Listen()
{
    const QString name = kWindowPrefix + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-') +
                         QString::number(gCounter++);
    const QString path = QDir(FFolder).filePath(name);
    FServer = new QLocalServer(this);
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    // A name of a dead process with this process's id is stale.
    QLocalServer::removeServer(path);
    if (!FServer->listen(path)) {
        qWarning("Phrase Desk runs without the single-instance check: %s", qPrintable(FServer->errorString()));
        return;
    }
    connect(FServer, &QLocalServer::newConnection, this, &TSingleInstance::Accept);
    FInode = InodeOf(path);
    // The atom is a second name of the socket; when another start claimed it
    // in the meantime, that one keeps it.
    if (::link(QFile::encodeName(path).constData(), QFile::encodeName(AtomPath()).constData()) != 0 && errno != EEXIST)
        qWarning("Phrase Desk could not create \"%s\": %s", qPrintable(AtomPath()), strerror(errno));
}

void TSingleInstance::Accept()
{
    while (QLocalSocket* socket = FServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto read = [this, socket] {
            // One short request per connection; anything else is dropped.
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequest) socket->abort();
                return;
            }
            const QByteArray line = socket->readLine(kMaxRequest).chopped(1);
            QString project;
            if (line.startsWith(kOpenRequest))
                project = QString::fromUtf8(QByteArray::fromBase64(line.mid(kOpenRequest.size())));
            else if (line + '\n' != kFrontRequest)
                return socket->disconnectFromServer();
            const bool shown = !FShown || FShown();
            socket->write(shown ? kTaken : kHidden);
            socket->disconnectFromServer();
            if (shown) Q_EMIT BringToFrontRequested(project);
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        if (socket->bytesAvailable() > 0) read();
    }
}
