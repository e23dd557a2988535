#pragma once

// Apertium's HTTP server (APy) for the tests that translate with the real
// engine: the one named by VOCABRIX_TEST_APY (host:port; .ci/run starts one),
// else one started here by scripts/apy-test-server.sh on a free loopback port
// and stopped with this object, which a test keeps from initTestCase to
// cleanupTestCase (a benchmark from start to end).

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

class TApyTestServer {
public:
    TApyTestServer()
    {
        if (const QString given = qEnvironmentVariable("VOCABRIX_TEST_APY"); !given.isEmpty())
            FHost = given;
        else
            Start();
    }
    ~TApyTestServer()
    {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.terminate();
            if (!FProcess.waitForFinished(5000)) FProcess.kill();
            FProcess.waitForFinished(5000);
        }
    }

    bool Running() const { return !FHost.isEmpty(); }
    QString Host() const { return FHost; }
    QString Problem() const { return FProblem; }

private:
    void Start()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("apertium-apy")).isEmpty() ||
            !QFileInfo::exists(QStringLiteral("/usr/share/apertium/modes/eng-spa.mode"))) {
            FProblem = QStringLiteral("apertium-apy or apertium-eng-spa is not installed");
            return;
        }
        // A free port: taken from the system, let go, and handed to the server.
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        FProcess.setWorkingDirectory(FDir.path());
        FProcess.setProcessChannelMode(QProcess::MergedChannels);
        FProcess.start(QStringLiteral(VOCABRIX_SOURCE_DIR "/scripts/apy-test-server.sh"), {QString::number(port)});
        if (!FProcess.waitForStarted(10000)) {
            FProblem = QStringLiteral("apertium-apy did not start");
            return;
        }
        // It listens once its pairs are read: a few seconds on a busy machine.
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 60000 && FProcess.state() == QProcess::Running) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            if (socket.waitForConnected(1000)) {
                FHost = QStringLiteral("127.0.0.1:%1").arg(port);
                return;
            }
            QThread::msleep(200);
        }
        FProblem = QStringLiteral("apertium-apy did not listen: ") + QString::fromLocal8Bit(FProcess.readAll());
    }

    QTemporaryDir FDir;
    QProcess FProcess;
    QString FHost;
    QString FProblem;
};

// Skips the calling test when there is no server, unless under CI, where a
// missing server is a failure.
#define REQUIRE_APY(Server)                                                                                            \
    do {                                                                                                               \
        if (!(Server).Running()) {                                                                                     \
            const QByteArray why = "No Apertium server for the tests: " + (Server).Problem().toUtf8();                 \
            if (qEnvironmentVariable("CI") == QLatin1String("true")) QFAIL(why.constData());                           \
            QSKIP(why.constData());                                                                                    \
        }                                                                                                              \
    } while (false)
