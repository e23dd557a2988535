// Library folders and the lookup of a library's files.

#include "repository/Libraries.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TstLibraries : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void folders_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("machine");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("the user's value wins") << "/a;b"
                                               << "/m" << QStringList{"/e"} << QStringList{"/a", "/root/b"};
        QTest::newRow("machine-wide, lower case, no duplicates")
            << ""
            << "/Lib/One;/lib/one" << QStringList{"/LIB/ONE", "/lib/Two"} << QStringList{"/lib/one", "/lib/two"};
        QTest::newRow("nothing set") << ""
                                     << "" << QStringList() << QStringList();
    }
    void folders()
    {
        QFETCH(QString, user);
        QFETCH(QString, machine);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, expected);
        QCOMPARE(CombineLibraryFolders(user, machine, entries, "/root"), expected);
    }

    // The name is cut at its first dot; the primary language's file stands in
    // for a missing one of a sublanguage.
    void languageFile()
    {
        QTemporaryDir dir;
        const QString native = dir.filePath("rxlib.EN.lng");
        for (const char* name : {"rxlib.DEU.lng", "rxlib.DE.lng"}) QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
        QCOMPARE(LibraryLanguageFile(native, 0x0407), dir.filePath("rxlib.DEU.lng")); // German (Germany)
        QCOMPARE(LibraryLanguageFile(native, 0x0C07), dir.filePath("rxlib.DE.lng"));  // German (Austria)
        QCOMPARE(LibraryLanguageFile(native, 0x040C), QString());                     // French: none
    }

    // A folder without lib.ini is named after itself; a library without a
    // native file is still listed.
    void findLibraries()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath("libs/rxlib");
        QDir(dir.path()).mkpath("libs/empty");
        QVERIFY(QFile::copy(SHARED_EXAMPLES_DIR "/Notes.ntv.lng", dir.filePath("libs/rxlib/rxlib.EN.lng")));
        const QList<TLibrary> libraries = FindLibraries({dir.filePath("libs")});
        QCOMPARE(libraries.size(), 2);
        QCOMPARE(libraries[0].Name, QStringLiteral("empty"));
        QVERIFY(libraries[0].NativeFile.isEmpty());
        QCOMPARE(libraries[1].Name, QStringLiteral("rxlib"));
        QCOMPARE(libraries[1].NativeFile, dir.filePath("libs/rxlib/rxlib.EN.lng"));
    }
};

QTEST_MAIN(TstLibraries)
#include "tst_libraries.moc"
