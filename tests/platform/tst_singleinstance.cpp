#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

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
        TSingleInstance first(FDir.path());
        QSignalSpy front(&first, &TSingleInstance::BringToFrontRequested);
        QVERIFY(first.Start(false, false));
        QVERIFY(first.Listening());
        QVERIFY(first.OwnsAtom());

        {
            TSingleInstance second(FDir.path());
            QVERIFY(!second.Start(false, false));
            QVERIFY(!second.Listening());
        }
        QTRY_COMPARE(front.size(), 1);

        // -ide alone: the atom exists, so this run ends too.
        TSingleInstance ide(FDir.path());
        QVERIFY(!ide.Start(false, true));
        QTRY_COMPARE(front.size(), 2);
        QVERIFY(first.OwnsAtom());
    }

    void ideAfterDelAtomStartsASecondInstance()
    {
        auto first = std::make_unique<TSingleInstance>(FDir.path());
        QSignalSpy frontFirst(first.get(), &TSingleInstance::BringToFrontRequested);
        QVERIFY(first->Start(false, false));

        TSingleInstance second(FDir.path());
        QSignalSpy frontSecond(&second, &TSingleInstance::BringToFrontRequested);
        QVERIFY(second.Start(true, true));
        QTRY_COMPARE(frontFirst.size(), 1);
        QVERIFY(second.OwnsAtom());
        QVERIFY(!first->OwnsAtom());

        // The first one ending leaves the second's atom alone.
        first.reset();
        QVERIFY(second.AtomExists());
        QVERIFY(second.OwnsAtom());

        // A plain start now finds the second.
        TSingleInstance third(FDir.path());
        QVERIFY(!third.Start(false, false));
        QTRY_COMPARE(frontSecond.size(), 1);
    }

    void delAtomAloneStillFindsTheRunningEditor()
    {
        TSingleInstance first(FDir.path());
        QSignalSpy front(&first, &TSingleInstance::BringToFrontRequested);
        QVERIFY(first.Start(false, false));
        TSingleInstance second(FDir.path());
        QVERIFY(!second.Start(true, false));
        QTRY_COMPARE(front.size(), 1);
        QVERIFY(!first.AtomExists());
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
