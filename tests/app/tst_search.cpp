#include "langfile/FormatSymbols.h"

#include <QtTest>

class TestSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formatSymbols_data();
    void formatSymbols();
};

void TestSearch::formatSymbols_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("signature");
    QTest::newRow("plain") << "Hello"
                           << "###";
    QTest::newRow("two") << "File %s of %d"
                         << "###%s###%d###";
    QTest::newRow("percent pair removed") << "%.2f%%"
                                          << "###%.2f###";
    QTest::newRow("before space") << "100 % sure"
                                  << "###";
    QTest::newRow("before apostrophe") << "50%'s"
                                       << "###";
    QTest::newRow("capital is no type") << "%S is"
                                        << "###%S is###";
    QTest::newRow("no type letter") << "%1 %2"
                                    << "###%1 %2###%2###";
    QTest::newRow("last char") << "100%"
                               << "###%###";
    QTest::newRow("width and index") << "%0:-10s|%3.1f"
                                     << "###%0:-10s###%3.1f###";
    QTest::newRow("empty") << ""
                           << "###";
}

void TestSearch::formatSymbols()
{
    QFETCH(QString, text);
    QFETCH(QString, signature);
    QCOMPARE(FormatSymbols(text), signature);
}

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
