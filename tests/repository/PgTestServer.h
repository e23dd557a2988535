#pragma once

// The PostgreSQL server of the shared repository's tests: the one named by
// VOCABRIX_TEST_PG (.ci/run starts one), else a throw-away server started
// here through scripts/pg-test-server.sh and stopped when the test ends.
// Every test gets a database of its own on it.

#include <QCoreApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QtTest>
#include <cstdlib>

class TPgTestServer {
public:
    static TPgTestServer& Instance()
    {
        static TPgTestServer server;
        return server;
    }
    ~TPgTestServer()
    {
        // After main: no event loop or QProcess any more, a plain shell.
        if (!FFolder.isEmpty())
            std::system(qPrintable(
                QStringLiteral("'" VOCABRIX_SOURCE_DIR "/scripts/pg-test-server.sh' stop '%1'").arg(FFolder)));
    }

    bool Running() const { return !FUrl.isEmpty(); }
    QString Problem() const { return FProblem; }

    // A new empty database; its connection string.
    QString NewDatabase()
    {
        const QString name = QStringLiteral("pd_%1_%2").arg(QCoreApplication::applicationPid()).arg(++FCount);
        if (const QString error = RunSql(FUrl, {QStringLiteral("CREATE DATABASE ") + name}); !error.isEmpty())
            qFatal("Cannot create a test database: %s", qPrintable(error));
        QUrl url(FUrl);
        url.setPath(QLatin1Char('/') + name);
        return url.toString();
    }

    // Statements on a database through a connection of their own; the
    // server's message of the first that failed, empty when all ran.
    static QString RunSql(const QString& Url, const QStringList& Statements)
    {
        QString error;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pd-test-direct"));
            const QUrl url(Url);
            db.setHostName(url.host());
            db.setPort(url.port());
            db.setDatabaseName(url.path().mid(1));
            db.setUserName(QUrlQuery(url).queryItemValue(QStringLiteral("user")));
            if (!db.open()) error = db.lastError().text();
            for (const QString& sql : Statements) {
                if (!error.isEmpty()) break;
                QSqlQuery q(db);
                if (!q.exec(sql)) error = q.lastError().text();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("pd-test-direct"));
        return error;
    }

    // Skips the calling test when there is no server, unless under CI,
    // where a missing server is a failure.
    static bool Require()
    {
        const TPgTestServer& s = Instance();
        if (s.Running()) return true;
        if (qEnvironmentVariable("CI") == QLatin1String("true"))
            QTest::qFail(qPrintable(QStringLiteral("No PostgreSQL server for the tests: ") + s.Problem()), __FILE__,
                         __LINE__);
        else
            QTest::qSkip(qPrintable(QStringLiteral("No PostgreSQL server could be started (") + s.Problem() +
                                    QStringLiteral("); the shared repository is not tested")),
                         __FILE__, __LINE__);
        return false;
    }

private:
    TPgTestServer()
    {
        FUrl = qEnvironmentVariable("VOCABRIX_TEST_PG");
        if (!FUrl.isEmpty()) return;
        QProcess p;
        p.start(QStringLiteral(VOCABRIX_SOURCE_DIR "/scripts/pg-test-server.sh"), {QStringLiteral("start")});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            FProblem = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
            if (FProblem.isEmpty()) FProblem = p.errorString();
            return;
        }
        const QStringList lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split(QLatin1Char('\n'));
        if (lines.size() >= 2) {
            FUrl = lines[0];
            FFolder = lines[1];
        }
    }

    QString FUrl;
    QString FFolder;
    QString FProblem;
    int FCount = 0;
};
