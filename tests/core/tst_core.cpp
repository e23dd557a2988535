#include "core/ByteStream.h"
#include "core/DateTime.h"
#include "core/Prompt.h"
#include "core/TerminalText.h"
#include "core/VocabrixError.h"

#include <QtTest>
#include <csignal>

VOCABRIX_ERROR(ETestError, EVocabrixError);

class TestCore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Names and values out of files reach the terminal; none of their
    // characters may make it act (clear, recolour, move, reorder).
    void terminalTextShowsControlCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("value");
        const QString esc = QString(QChar(0x1B));
        QTest::newRow("plain") << "Form1 \"Über\""
                               << "Form1 \"Über\""
                               << "Form1 \"Über\"";
        QTest::newRow("clear screen, red") << esc + "[2J" + esc + "[31mName"
                                           << "\\x1b[2J\\x1b[31mName"
                                           << "\\x1b[2J\\x1b[31mName";
        QTest::newRow("line breaks") << "a\r\nb\rc\nd"
                                     << "a\nb\nc\nd"
                                     << "a\\r\\nb\\rc\\nd";
        QTest::newRow("tab and backslash") << "C:\\x\ty"
                                           << "C:\\x\ty"
                                           << "C:\\\\x\\ty";
        QTest::newRow("bell, backspace, DEL") << "a\x07\x08\x7F"
                                              << "a\\x07\\x08\\x7f"
                                              << "a\\x07\\x08\\x7f";
        QTest::newRow("C1 CSI and NEL") << QString(QChar(0x9B)) + "2J" + QChar(0x85) << "\\x9b2J\\x85"
                                        << "\\x9b2J\\x85";
        QTest::newRow("right-to-left override") << QString(QChar(0x202E)) + "gpj.exe"
                                                << "\\u202egpj.exe"
                                                << "\\u202egpj.exe";
    }
    void terminalTextShowsControlCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(QString, value);
        QCOMPARE(TerminalText(text), message);
        QCOMPARE(EscapeControls(text), value);
    }

    void readerRefusesToReadPastTheEnd()
    {
        const QByteArray data("\x01\x02\x03", 3);
        TByteReader<ETestError> r(data, "short");
        QCOMPARE(r.U16(), uint16_t(0x0201));
        QVERIFY_THROWS_EXCEPTION(ETestError, r.U16());
        QCOMPARE(r.Pos(), 2); // a failed read consumes nothing
        QVERIFY_THROWS_EXCEPTION(ETestError, r.Utf16(1));
        QVERIFY_THROWS_EXCEPTION(ETestError, r.Bytes(-1));
        QCOMPARE(r.U8(), uint8_t(3));
        QVERIFY(r.AtEnd());
        try {
            r.U8();
            QFAIL("no exception");
        } catch (const ETestError& e) {
            QCOMPARE(e.Message(), QStringLiteral("short"));
        }
    }

    void writerRoundTripsThroughReader()
    {
        QByteArray out;
        TByteWriter w(out);
        w.U16(0x464C);
        w.I32(-5);
        w.F64(1.5);
        w.Utf16(QStringLiteral("Grüße"));
        w.PatchU16(0, 0x1234);
        TByteReader<ETestError> r(out, "x");
        QCOMPARE(r.U16(), uint16_t(0x1234));
        QCOMPARE(r.I32(), -5);
        QCOMPARE(r.F64(), 1.5);
        QCOMPARE(r.Utf16(5), QStringLiteral("Grüße"));
    }

    // In batch mode Ctrl+C during a progress asks the run to stop at its
    // next step instead of killing it in the middle of writing a file.
    void interruptStopsTheTerminalProgress()
    {
        TTerminalPrompt prompt;
        {
            const TProgressRun run(prompt, QString(), 10);
            QVERIFY(prompt.ProgressStep(1));
            std::raise(SIGINT);
            QVERIFY(!prompt.ProgressStep(2));
        }
        const TProgressRun again(prompt, QString(), 10);
        QVERIFY(prompt.ProgressStep(1)); // a new run starts uninterrupted
    }

    void dateTimeUsesDaysSince1899()
    {
        QCOMPARE(DateTime::FromQDateTime(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
        QCOMPARE(DateTime::FromQDateTime(QDateTime(QDate(2000, 1, 1), QTime(12, 0))), 36526.5);
        QCOMPARE(DateTime::ToQDateTime(36526.5), QDateTime(QDate(2000, 1, 1), QTime(12, 0)));
        QVERIFY(!DateTime::ToQDateTime(1e300).isValid());
        DateTime::SetClockForTesting([] { return QDateTime(QDate(2000, 1, 2), QTime(6, 0)); });
        QCOMPARE(DateTime::Now(), 36527.25);
        DateTime::SetClockForTesting({});
    }
};

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
