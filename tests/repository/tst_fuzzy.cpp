// Fuzzy matches: the score of two texts, and the repository's fuzzy index
// (threshold, count, translations, kept current by every change).

#include "TestSupport.h"

#include "repository/FuzzyScore.h"
#include "repository/LangRepository.h"
#include "repository/QMemoryIndex.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <atomic>

namespace {
constexpr int kEnglish = 0x0409, kGerman = 0x0407, kFrench = 0x040C;
}

using namespace RepositoryTest;

class TstFuzzy : public QObject, TRepositoryFixture {
    Q_OBJECT

    std::unique_ptr<TQLangRepository> FuzzyRepository(const QList<QPair<QString, QString>>& Pairs)
    {
        auto r = std::make_unique<TQLangRepository>(FDir.filePath(QStringLiteral("f%1.lr").arg(++FCount)));
        r->SetUseFuzzyIndex(true);
        r->OpenOrCreate();
        r->AddLocales({kEnglish, kGerman});
        for (const auto& [en, de] : Pairs) Add(*r, {{kEnglish, en}, {kGerman, de}});
        WaitForIndex(*r);
        return r;
    }
    static QStringList Found(TQLangRepository& R, const QString& Text, int Threshold = 75, int Count = 5)
    {
        QStringList found;
        for (const TFuzzyMatch& m : R.FuzzyLookup(kEnglish, kGerman, Text, Threshold, Count))
            found << QStringLiteral("%1 %2=%3").arg(m.Score).arg(m.Text, m.Translation);
        return found;
    }

private Q_SLOTS:
    void score_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("score");
        QTest::newRow("identical") << "Save the file"
                                   << "Save the file" << 100;
        QTest::newRow("case") << "SAVE the File"
                              << "save the file" << 100;
        QTest::newRow("one word of four") << "Open recent project file"
                                          << "Open recent remote file" << 75;
        QTest::newRow("one word of two") << "Open file"
                                         << "Close file" << 50;
        QTest::newRow("alike word") << "Save the file"
                                    << "Save the files" << 92; // 4 * 1/5 of 11
        QTest::newRow("short word added") << "Open project"
                                          << "Open a project" << 88; // 1 of 9
        QTest::newRow("two words swapped") << "Save file"
                                           << "File save" << 50;
        QTest::newRow("swap in four") << "Close all windows now"
                                      << "Close all now windows" << 71; // 4 of 14
        QTest::newRow("reordered") << "Open the file"
                                   << "The file open" << 27;
        QTest::newRow("accelerator and ellipsis") << "&Open project..."
                                                  << "Open project" << 100;
        QTest::newRow("inner accelerator") << "Save &As..."
                                           << "Save As:" << 100;
        QTest::newRow("format specifier") << "%d files"
                                          << "Files" << 100;
        QTest::newRow("both empty") << ""
                                    << "" << 0;
        QTest::newRow("one empty") << ""
                                   << "Open" << 0;
        QTest::newRow("decoration only") << "..."
                                         << "..." << 0;
        QTest::newRow("ideographs") << "打开文件"
                                    << "打开文件夹" << 80; // five words, one added
    }
    void score()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, score);
        QCOMPARE(FuzzyScore(a, b), score);
        QCOMPARE(FuzzyScore(b, a), score);
    }

    void words()
    {
        QCOMPARE(FuzzyWords(QStringLiteral("&Open  the fi&le...")),
                 QStringList({QStringLiteral("open"), QStringLiteral("the"), QStringLiteral("file")}));
        QCOMPARE(FuzzyWords(QStringLiteral("Don't save: %s")),
                 QStringList({QStringLiteral("don"), QStringLiteral("t"), QStringLiteral("save")}));
        QCOMPARE(FuzzyWords(QStringLiteral("Größe Ändern")),
                 QStringList({QStringLiteral("größe"), QStringLiteral("ändern")}));
        // A word too long to compare letter by letter is alike no other.
        const QString longWord(FuzzyMaxAlikeLength + 1, QLatin1Char('x'));
        QCOMPARE(FuzzySubstitutionCost(longWord, longWord + QLatin1Char('y')), 4.0);
    }

    void thresholdAndCount()
    {
        auto r = FuzzyRepository({{"Save the file", "Datei speichern"},
                                  {"Save the files", "Dateien speichern"},
                                  {"&Save the file...", "Datei speichern"}, // the same translation again
                                  {"Save all files", "Alle Dateien speichern"},
                                  {"Open the file", "Datei öffnen"},
                                  {"Print", "Drucken"}});
        Add(*r, {{kEnglish, QStringLiteral("Save the file now")}}); // no translation: never offered
        // Of two records with one translation the newer is shown.
        const QStringList best = {"100 &Save the file...=Datei speichern", "92 Save the files=Dateien speichern"};
        QCOMPARE(Found(*r, QStringLiteral("Save the file")), best);
        QCOMPARE(Found(*r, QStringLiteral("Save the file"), 60),
                 best + QStringList({"65 Save all files=Alle Dateien speichern", "63 Open the file=Datei öffnen"}));
        QCOMPARE(Found(*r, QStringLiteral("Save the file"), 60, 2), best);
        QCOMPARE(Found(*r, QStringLiteral("Save the file"), 95), best.mid(0, 1));
        QCOMPARE(Found(*r, QStringLiteral("Prints")), QStringList({"83 Print=Drucken"})); // a short text
        QCOMPARE(Found(*r, QStringLiteral("...")), QStringList());
        QCOMPARE(r->FuzzyLookup(kEnglish, kFrench, QStringLiteral("Save the file")).size(), 0); // no such language
    }

    void indexKeptCurrent()
    {
        auto r = FuzzyRepository({{"Close the window", "Fenster schließen"}, {"Print", "Drucken"}});
        const QString query = QStringLiteral("Close the windows");
        QCOMPARE(Found(*r, query), QStringList({"94 Close the window=Fenster schließen"}));

        // Add
        Add(*r,
            {{kEnglish, QStringLiteral("Close all the windows")}, {kGerman, QStringLiteral("Alle Fenster schließen")}});
        QCOMPARE(Found(*r, query).size(), 2);

        // Edit: the native text, then a missing translation filled
        QVERIFY(r->LocateByWord(kEnglish, QStringLiteral("Close the window"), {}));
        r->Edit();
        r->SetWord(kEnglish, QStringLiteral("Open the window"));
        r->Post();
        QCOMPARE(Found(*r, query), QStringList({"78 Close all the windows=Alle Fenster schließen"}));
        Add(*r, {{kEnglish, QStringLiteral("Close the window")}});
        QCOMPARE(Found(*r, query).size(), 1);
        QVERIFY(r->LocateByWord(kEnglish, QStringLiteral("Close the window"), {}));
        r->Edit();
        r->SetWord(kGerman, QStringLiteral("Fenster schließen"));
        r->Post();
        QCOMPARE(Found(*r, query).size(), 2);

        // Delete
        QVERIFY(r->LocateByWord(kEnglish, QStringLiteral("Close all the windows"), {}));
        r->Delete();
        const QStringList closeWindow = {"94 Close the window=Fenster schließen"};
        QCOMPARE(Found(*r, query), closeWindow);

        // Pack: a record with one text goes, and so does a duplicate
        Add(*r, {{kEnglish, QStringLiteral("Close the windows")}});
        Add(*r, {{kEnglish, QStringLiteral("Close the window")}, {kGerman, QStringLiteral("Fenster schließen")}});
        const QString en = QString::number(kEnglish);
        QCOMPARE(r->FindFuzzy(en, query, 75, 10, en).size(), size_t(3)); // records without a translation too
        QVERIFY(r->Pack());
        QCOMPARE(r->RecordCount(), 3);
        QCOMPARE(r->FindFuzzy(en, query, 75, 10, en).size(), size_t(1));
        QCOMPARE(Found(*r, query), closeWindow);

        // Restructure: a language added, the index built again
        r->AddLocales({kFrench});
        WaitForIndex(*r);
        QCOMPARE(Found(*r, query), closeWindow);
        QVERIFY(r->LocateByWord(kEnglish, QStringLiteral("Print"), {}));
        r->Edit();
        r->SetWord(kFrench, QStringLiteral("Imprimer"));
        r->Post();
        QCOMPARE(r->FuzzyLookup(kEnglish, kFrench, QStringLiteral("Print:")).value(0).Translation,
                 QStringLiteral("Imprimer"));

        // Reopened: built from the files
        r->Close();
        r->Open();
        WaitForIndex(*r);
        QCOMPARE(Found(*r, query), closeWindow);
    }

    void changesWhileBuilding()
    {
        auto r = FuzzyRepository({});
        for (int i = 0; i < 50; ++i)
            Add(*r,
                {{kEnglish, QStringLiteral("Record number %1 text").arg(i)}, {kGerman, QStringLiteral("T%1").arg(i)}});
        r->Close();
        // The builder waits before its tenth record while the user's table
        // changes records before and after it.
        std::atomic<int> steps{0};
        std::atomic<bool> release{false};
        TQMemIndexThread::SetStepHookForTesting([&](qint32) {
            if (++steps == 10)
                while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        r->Open();
        while (steps < 10) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int i : {2, 30}) {
            QVERIFY(r->LocateByWord(kEnglish, QStringLiteral("Record number %1 text").arg(i), {}));
            r->Edit();
            r->SetWord(kEnglish, QStringLiteral("Changed entry %1 here").arg(i));
            r->Post();
        }
        for (int i : {3, 31}) {
            QVERIFY(r->LocateByWord(kEnglish, QStringLiteral("Record number %1 text").arg(i), {}));
            r->Delete();
        }
        release = true;
        WaitForIndex(*r);
        TQMemIndexThread::SetStepHookForTesting(nullptr);
        for (int i : {2, 30}) {
            QCOMPARE(Found(*r, QStringLiteral("Record number %1 text").arg(i), 95), QStringList());
            QCOMPARE(Found(*r, QStringLiteral("Changed entry %1 here").arg(i), 95).size(), 1);
        }
        for (int i : {3, 31}) QCOMPARE(Found(*r, QStringLiteral("Record number %1 text").arg(i), 95), QStringList());
        QCOMPARE(Found(*r, QStringLiteral("Record number 40 text"), 95).size(), 1);
    }

    // The index finds what scoring every record finds: the words a search
    // starts from and the alike words it looks up miss no match.
    void sameAsScoringEveryRecord()
    {
        const QStringList vocabulary =
            QStringLiteral(
                "open save close file files filed folder print printer preview the a an of to all new recent "
                "project projects window windows view edit copy paste delete remove replace find next previous "
                "settings setting options option help about exit quit undo redo select selection format table")
                .split(QLatin1Char(' '));
        QRandomGenerator random(7);
        const auto text = [&] {
            QStringList words;
            for (int n = 1 + int(random.bounded(6)); n > 0; --n)
                words << vocabulary[int(random.bounded(vocabulary.size()))];
            return words.join(QLatin1Char(' '));
        };
        QList<QPair<QString, QString>> pairs;
        for (int i = 0; i < 1500; ++i) pairs.append({text(), QStringLiteral("t%1").arg(i)});
        auto r = FuzzyRepository(pairs);
        const QString en = QString::number(kEnglish), de = QString::number(kGerman);
        for (int q = 0; q < 60; ++q) {
            const QString query = text();
            for (int threshold : {50, 75}) {
                std::vector<std::pair<int, QString>> expected, found; // score, text
                for (const auto& [native, translation] : pairs) {
                    const int s = FuzzyScore(query, native);
                    if (s >= threshold) expected.emplace_back(s, native);
                }
                for (const TFuzzyHit& hit : r->FindFuzzy(en, query, threshold, 100000, de)) {
                    r->SetBookmark(hit.Bookmark);
                    found.emplace_back(hit.Score, r->GetWord(kEnglish));
                }
                std::sort(expected.begin(), expected.end());
                std::sort(found.begin(), found.end());
                QVERIFY2(found == expected, qPrintable(query));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TstFuzzy)
#include "tst_fuzzy.moc"
