#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QMutex>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A socket file nobody listens on, as a crashed editor leaves it.
bool MakeDeadSocket(const QString& Path)
{
    const QByteArray path = QFile::encodeName(Path);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof(addr.sun_path)) return false;
    memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    if (fd >= 0) ::close(fd);
    return ok;
}

// The id of a process that has ended.
qint64 DeadPid()
{
    QProcess p;
    p.start(QStringLiteral("true"), {});
    p.waitForFinished();
    return p.processId() ? p.processId() : 999999;
}

// An editor running in a thread of its own, as another process's would: a
// start waits for its answer, which it gives from its own event loop.
class TRunningEditor {
public:
    explicit TRunningEditor(const QString& Folder, bool DelAtom = false, bool IDE = false)
    {
        FThread.start();
        FInstance = new TSingleInstance(Folder);
        FInstance->moveToThread(&FThread);
        QObject::connect(FInstance, &TSingleInstance::BringToFrontRequested, FInstance, [this](const QString& Project) {
            QMutexLocker lock(&FMutex);
            FRequests << Project;
        });
        FInstance->SetShownCheck([this] { return Shown.load(); });
        QMetaObject::invokeMethod(
            FInstance, [&] { FStarted = FInstance->Start(DelAtom, IDE); }, Qt::BlockingQueuedConnection);
    }
    ~TRunningEditor()
    {
        QMetaObject::invokeMethod(
            FInstance, [this] { delete FInstance; }, Qt::BlockingQueuedConnection);
        FThread.quit();
        FThread.wait();
    }
    bool Started() const { return FStarted; }
    bool OwnsAtom() const
    {
        bool owns = false;
        QMetaObject::invokeMethod(
            FInstance, [&] { owns = FInstance->OwnsAtom(); }, Qt::BlockingQueuedConnection);
        return owns;
    }
    // The projects of the requests taken so far ("" for a plain start).
    QStringList Requests() const
    {
        QMutexLocker lock(&FMutex);
        return FRequests;
    }
    std::atomic<bool> Shown{true};

private:
    QThread FThread;
    TSingleInstance* FInstance = nullptr;
    bool FStarted = false;
    mutable QMutex FMutex;
    QStringList FRequests;
};

} // namespace

class tst_SingleInstance : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;

    QStringList Names() const { return QDir(FDir.path()).entryList(QDir::System | QDir::Files, QDir::Name); }

private Q_SLOTS:
    void init()
    {
        for (const QString& name : Names()) QFile::remove(FDir.filePath(name));
    }

    void secondStartBringsTheFirstToFront()
    {
        TRunningEditor first(FDir.path());
        QVERIFY(first.Started());
        QVERIFY(first.OwnsAtom());

        {
            TSingleInstance second(FDir.path());
            QVERIFY(!second.Start(false, false));
            QVERIFY(!second.Listening());
        }
        QCOMPARE(first.Requests(), QStringList{QString()});

        // -ide alone: the atom exists, so this run ends too. A named project
        // goes to the running editor.
        TSingleInstance ide(FDir.path());
        QVERIFY(!ide.Start(false, true, QStringLiteral("/p/Notes \u00e4.ntv.lng")));
        QCOMPARE(first.Requests(), (QStringList{QString(), QStringLiteral("/p/Notes \u00e4.ntv.lng")}));
        QVERIFY(first.OwnsAtom());
    }

    void ideAfterDelAtomStartsASecondInstance()
    {
        auto first = std::make_unique<TRunningEditor>(FDir.path());
        QVERIFY(first->Started());

        auto second = std::make_unique<TRunningEditor>(FDir.path(), true, true);
        QVERIFY(second->Started());
        QCOMPARE(first->Requests().size(), 1);
        QVERIFY(second->OwnsAtom());
        QVERIFY(!first->OwnsAtom());

        // The first one ending leaves the second's atom alone.
        first.reset();
        QVERIFY(second->OwnsAtom());

        // A plain start now finds the second.
        TSingleInstance third(FDir.path());
        QVERIFY(!third.Start(false, false));
        QCOMPARE(second->Requests().size(), 1);
    }

    void delAtomAloneStillFindsTheRunningEditor()
    {
        TRunningEditor first(FDir.path());
        TSingleInstance second(FDir.path());
        QVERIFY(!second.Start(true, false));
        QCOMPARE(first.Requests().size(), 1);
        QVERIFY(!second.AtomExists());
    }

    // An editor left without a window, or one that does not answer (a test's
    // instance in this thread cannot), must not turn a start into a silent end.
    void anEditorNotOnScreenDoesNotBlockTheNextStart()
    {
        TRunningEditor hidden(FDir.path());
        hidden.Shown = false;
        {
            TSingleInstance next(FDir.path());
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("shows no window or does not answer"));
            QVERIFY(next.Start(false, false));
            QVERIFY(next.OwnsAtom());
            QVERIFY(hidden.Requests().isEmpty());

            TSingleInstance deaf(FDir.path());
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("shows no window or does not answer"));
            QVERIFY(deaf.Start(false, false));
            QVERIFY(deaf.OwnsAtom());
        }
        // Back on screen, it takes the next start again.
        hidden.Shown = true;
        TSingleInstance last(FDir.path());
        QVERIFY(!last.Start(false, false));
        QCOMPARE(hidden.Requests().size(), 1);
    }

    void staleNamesDoNotBlockTheNextStart()
    {
        TSingleInstance probe(FDir.path());
        const QString deadWindow = FDir.filePath(QStringLiteral("TOxvPDMainForm.%1-0").arg(DeadPid()));
        QVERIFY(MakeDeadSocket(probe.AtomPath()));
        QVERIFY(MakeDeadSocket(deadWindow));
        QVERIFY(probe.AtomExists());

        TSingleInstance next(FDir.path());
        QVERIFY(next.Start(false, false));
        QVERIFY(next.OwnsAtom());
        QVERIFY(!QFile::exists(deadWindow));
    }

    void endingRemovesTheNames()
    {
        {
            TSingleInstance one(FDir.path());
            QVERIFY(one.Start(false, false));
            QCOMPARE(Names().size(), 2); // its window name and the atom
        }
        QCOMPARE(Names(), QStringList());
    }

    void otherRequestsAreIgnored()
    {
        TSingleInstance first(FDir.path());
        QSignalSpy front(&first, &TSingleInstance::BringToFrontRequested);
        QVERIFY(first.Start(false, false));
        QVERIFY(first.Listening());
        QLocalSocket socket;
        socket.connectToServer(first.AtomPath());
        QVERIFY(socket.waitForConnected(2000));
        socket.write("hello, are you there?\n");
        QVERIFY(socket.waitForBytesWritten(2000));
        QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(front.size(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
