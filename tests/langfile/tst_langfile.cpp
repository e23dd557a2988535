#include "core/ByteStream.h"
#include "langfile/LZCompressor.h"
#include "langfile/LangFile.h"
#include "platform/AtomicFile.h"

#include <QtTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A small native storage: a unit with a constant, a form with own and
// component properties of the stored types (and a binary one), an external item.
void FillNative(TLocStorage& s)
{
    s.SetMainLangID(0x0409);
    TLocUnit* u = s.Units().Add("Strings");
    TLocConstant* c = u->Constants().Add(-1, "SFiles", 4001);
    c->MainValue()->SetValue("%d files");
    TLocForm* f = s.Forms().Add("MainForm");
    f->SetAttributes(faRuntimeForm);
    f->Properties().Add(-1, "Caption", ptString)->MainValue()->SetValue("Notes");
    TLocComponent* comp = f->Components().Add("btnOpen");
    comp->SetAttributes(caNoCharset);
    comp->Properties().Add(-1, "Caption", ptString)->MainValue()->SetValue("&Open...");
    comp->Properties().Add(-1, "Width", ptInteger)->MainValue()->SetValue("75");
    comp->Properties().Add(-1, "Ratio", ptFloat)->MainValue()->SetValue("0.25");
    comp->Properties().Add(-1, "Glyph", ptBinary)->MainValue()->SetValue("ignored");
    comp->Properties().Add(-1, "Items", ptStringList)->MainValue()->SetValue("One\r\nTwo");
    TLocExtItem* e = s.AddExternalItem(-1, "Help", "Title");
    e->MainValue()->SetValue("Help");
    e->SetAttribute(vaHidden, true);
    s.ForEachItem([](TLocItem* item) {
        item->MainValue()->SetValueVersion(2);
        item->MainValue()->SetModified(45000.5);
    });
}

std::unique_ptr<TLangFile> NewFile(const QString& path, uint16_t locale, bool native)
{
    auto f = std::make_unique<TLangFile>(path, false);
    f->SetLocale(locale);
    f->SetIsNative(native);
    f->SetLangEnglishName(native ? "English (United States)" : "German (Germany)");
    f->SetLangLocalizedName(native ? "English" : QStringLiteral("Deutsch"));
    return f;
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

// Writes an old-format file (versions 1 to 5) by hand: one unit with a
// constant, one form with an integer property (no bytes below version 4)
// followed by a string property.
QByteArray OldFormatFile(int version)
{
    QByteArray out;
    TByteWriter w(out);
    auto ansi = [&](const QByteArray& s) {
        w.U16(uint16_t(s.size()));
        w.Bytes(s);
    };
    auto wide = [&](const QString& s) {
        w.U16(uint16_t(s.size()));
        w.Utf16(s);
    };
    w.U16(0x464C);
    w.U16(uint16_t(version));
    w.I32(3);
    if (version >= 5) w.U32(9);
    w.U16(0x0409);
    if (version >= 3) w.U16(0);
    ansi("English");
    wide("English");
    w.U16(1);
    if (version >= 2) w.U16(1);
    w.I32(1);
    w.I32(2);
    w.U16(1); // units
    ansi("Strings");
    if (version >= 2) w.U16(0);
    w.U16(1);
    ansi("SHello");
    if (version >= 2) w.U16(0);
    w.U16(7);
    w.I32(1);
    wide("Hello");
    w.I32(-1); // negative: takes the file's version
    w.F64(0);
    w.U16(1); // forms
    ansi("Form1");
    if (version >= 2) w.U16(0);
    w.U16(2);
    ansi("Tag");
    if (version >= 2) w.U16(0);
    w.I32(1);
    w.U32(ptInteger);
    if (version >= 4) w.I32(17);
    w.I32(3);
    w.F64(0);
    ansi("Caption");
    if (version >= 2) w.U16(0);
    w.I32(2);
    w.U32(ptString);
    wide("Form");
    w.I32(3);
    w.F64(0);
    w.U16(0); // components
    return out;
}

} // namespace

class TestLangFile : public QObject {
    Q_OBJECT
private:
    QTemporaryDir FDir;
    QString Path(const QString& name) const { return FDir.filePath(name); }

private Q_SLOTS:
    void init() { QVERIFY(FDir.isValid()); }
    void cleanup() { SetAtomicWriteHookForTesting({}); }

    void emptyNativeFileHasTheHeaderSizeOfTheFormat()
    {
        TLocStorage s;
        s.SetMainLangID(0x0409);
        auto f = NewFile(Path("empty.ntv.lng"), 0x0409, true);
        f->Save(&s, 0, false);
        const QByteArray data = FileBytes(Path("empty.ntv.lng"));
        const int english = 23, localized = 7; // "English (United States)", "English"
        const int header = 2 + 2 + 4 + 4 + 2 + 2 + (2 + english) + (2 + 2 * localized) + 2 + 2 + 4 + 4 + 4;
        QCOMPARE(data.size(), header + 6);
        QCOMPARE(data.mid(header), QByteArray(6, '\0'));
        QCOMPARE(data.left(4), QByteArray("LF\x07\x00", 4));
    }

    void lengthPrefixes_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("prefix");
        QTest::newRow("127") << 127 << QByteArray("\x7F");
        QTest::newRow("128") << 128 << QByteArray("\x80\x01");
        QTest::newRow("16383") << 16383 << QByteArray("\xFF\x7F");
        QTest::newRow("16384") << 16384 << QByteArray("\x80\x80\x01\x00", 4);
        QTest::newRow("70000") << 70000 << QByteArray("\xF0\xA2\x04\x00", 4);
    }
    void lengthPrefixes()
    {
        QFETCH(int, length);
        QFETCH(QByteArray, prefix);
        TLocStorage s;
        const QString text(length, QLatin1Char('x'));
        s.Units().Add("U")->Constants().Add(1, "C", 1)->MainValue()->SetValue(text);
        auto f = NewFile(Path("p.ntv.lng"), 0x0409, true);
        f->Save(&s, 0, false);
        const QByteArray data = FileBytes(Path("p.ntv.lng"));
        const qsizetype at = data.indexOf(QByteArray("x\0x\0", 4));
        QVERIFY(at > prefix.size());
        QCOMPARE(data.mid(at - prefix.size(), prefix.size()), prefix);

        TLocStorage back;
        TLangFile(Path("p.ntv.lng"), true).Load(&back, -1, 0);
        QCOMPARE(back.FindConstant("U", "C")->MainValue()->Value(), text);
    }

    void roundTripKeepsEverythingStored_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("compressed");
        for (int v : {4, 5, 6, 7}) {
            QTest::addRow("v%d", v) << v << false;
            QTest::addRow("v%d compressed", v) << v << true;
        }
    }
    void roundTripKeepsEverythingStored()
    {
        QFETCH(int, version);
        QFETCH(bool, compressed);
        TLocStorage s;
        FillNative(s);
        auto f = NewFile(Path("rt.ntv.lng"), 0x0409, true);
        f->SetFormatVersion(uint16_t(version));
        f->SetCompressed(compressed);
        f->SetVersion(2);
        f->Save(&s, 0, false);
        QCOMPARE(IsCompressedStream(FileBytes(Path("rt.ntv.lng"))), compressed);

        TLangFile g(Path("rt.ntv.lng"), false);
        QVERIFY(g.IsNative());
        QCOMPARE(g.Compressed(), compressed);
        QCOMPARE(int(g.FormatVersion()), version);
        QCOMPARE(g.LangLocalizedName(), QStringLiteral("English"));
        TLocStorage back;
        g.Load(&back, -1, 0);
        QCOMPARE(back.MainLangID(), uint16_t(0x0409));
        QCOMPARE(back.FindConstant("Strings", "SFiles")->StringID(), 4001);
        QCOMPARE(back.FindConstant("Strings", "SFiles")->MainValue()->Value(), QStringLiteral("%d files"));
        QCOMPARE(back.Forms().Items(0)->Attributes(), faRuntimeForm);
        TLocComponent* comp = back.Forms().Items(0)->FindComponent("btnOpen");
        QCOMPARE(comp->Attributes(), caNoCharset);
        QCOMPARE(comp->Properties().FindByName("Width")->MainValue()->Value(), QStringLiteral("75"));
        QCOMPARE(comp->Properties().FindByName("Ratio")->MainValue()->Value(), QStringLiteral("0.25"));
        QCOMPARE(comp->Properties().FindByName("Items")->MainValue()->Value(), QStringLiteral("One\r\nTwo"));
        QVERIFY(!comp->Properties().FindByName("Glyph")); // binary values are not stored
        QCOMPARE(comp->Properties().FindByName("Caption")->MainValue()->Modified(), 45000.5);
        QCOMPARE(comp->Properties().FindByName("Caption")->MainValue()->ValueVersion(), 2);
        if (version >= 7) {
            TLocExtItem* e = back.FindExtItem("Help", "Title");
            QVERIFY(e);
            QVERIFY(e->Attribute(vaHidden));
        } else {
            QCOMPARE(back.ExtGroups().Count(), 0);
        }
        // Same IDs, so the same file again.
        TLinearPropertyList a, b;
        s.Forms().FillLinearList(a, true);
        back.Forms().FillLinearList(b, true);
        for (TLocProperty* p : b.FItems) QCOMPARE(a.FindByID(p->ID())->GetFullName("."), p->GetFullName("."));
    }

    void oldFormatsReadAndSaveAsVersion4_data()
    {
        QTest::addColumn<int>("version");
        for (int v = 1; v <= 5; ++v) QTest::addRow("v%d", v) << v;
    }
    void oldFormatsReadAndSaveAsVersion4()
    {
        QFETCH(int, version);
        WriteBytes(Path("old.ntv.lng"), OldFormatFile(version));
        TLangFile f(Path("old.ntv.lng"), false);
        QCOMPARE(int(f.FormatVersion()), version);
        TLocStorage s;
        f.Load(&s, -1, 0);
        TLocConstant* c = s.FindConstant("Strings", "SHello");
        QCOMPARE(c->MainValue()->Value(), QStringLiteral("Hello"));
        QCOMPARE(c->MainValue()->ValueVersion(), 3); // negative stored version takes the file's
        QCOMPARE(s.FindProperty("Form1", "", "Caption")->MainValue()->Value(), QStringLiteral("Form"));
        QCOMPARE(s.FindProperty("Form1", "", "Tag")->MainValue()->Value(), version >= 4 ? "17" : "");

        f.Save(&s, 0, false);
        TLangFile g(Path("old.ntv.lng"), false);
        QCOMPARE(int(g.FormatVersion()), std::max(version, 4));
        TLocStorage back;
        g.Load(&back, -1, 0);
        QCOMPARE(back.FindProperty("Form1", "", "Caption")->MainValue()->Value(), QStringLiteral("Form"));
        QVERIFY(back.FindProperty("Form1", "", "Tag")); // now stored with its bytes
    }

    void languageFileMatchesByIdAndSkipsChangedTypes()
    {
        // The language file was written when Width was a string property.
        TLocStorage old;
        FillNative(old);
        TLocProperty* width = old.FindProperty("MainForm", "btnOpen", "Width");
        width->SetPropertyType(ptString);
        old.AddLanguage(0, 0x0407);
        width->Values().Items(1)->SetValue("80 px");
        old.FindProperty("MainForm", "btnOpen", "Items")->Values().Items(1)->SetValue("Eins\r\nZwei");
        old.FindConstant("Strings", "SFiles")->Values().Items(1)->SetValue("%d Dateien");
        auto deu = NewFile(Path("t.deu.lng"), 0x0407, false);
        deu->Save(&old, 1, true);

        TLocStorage s;
        FillNative(s);
        s.AddLanguage(0, 0x0407);
        TLangFile(Path("t.deu.lng"), false).Load(&s, 1, 0);
        TLocProperty* w = s.FindProperty("MainForm", "btnOpen", "Width");
        QCOMPARE(w->Values().Items(1)->Value(), QStringLiteral("75")); // skipped: base text stays
        QVERIFY(!w->IsTranslated(1));
        TLocProperty* items = s.FindProperty("MainForm", "btnOpen", "Items");
        QCOMPARE(items->Values().Items(1)->Value(), QStringLiteral("Eins\r\nZwei")); // the next entry reads fine
        QVERIFY(items->IsTranslated(1));
        QCOMPARE(s.FindConstant("Strings", "SFiles")->Values().Items(1)->Value(), QStringLiteral("%d Dateien"));
        QCOMPARE(items->Values().Items(1)->LangID(), uint16_t(0x0407));
    }

    void outdatedTranslationLosesVerifiedBit()
    {
        TLocStorage s;
        FillNative(s);
        s.AddLanguage(0, 0x0407);
        TLocConstant* c = s.FindConstant("Strings", "SFiles");
        TLocProperty* p = s.FindProperty("MainForm", "", "Caption");
        for (TLocItem* item : {static_cast<TLocItem*>(c), static_cast<TLocItem*>(p)}) {
            item->Values().Items(1)->SetValueVersion(2);
            item->Values().Items(1)->SetAttributes(vaVerified);
        }
        c->Values().Items(1)->SetValueVersion(3); // ahead of the native version: still current
        NewFile(Path("v.deu.lng"), 0x0407, false)->Save(&s, 1, false);

        c->MainValue()->SetValueVersion(4);
        p->MainValue()->SetValueVersion(2);
        s.RemoveLanguage(1);
        s.AddLanguage(0, 0x0407);
        TLangFile(Path("v.deu.lng"), false).Load(&s, 1, 0);
        QVERIFY(!c->IsTranslated(1));
        QVERIFY(!c->Values().Items(1)->Attribute(vaVerified));
        QVERIFY(p->IsTranslated(1));
        QVERIFY(p->Values().Items(1)->Attribute(vaVerified));
    }

    void repairRenumbersDuplicateIds()
    {
        TLocStorage s;
        TLocForm* f = s.Forms().Add("F");
        f->Properties().Add(12, "A", ptString);
        f->Properties().Add(12, "B", ptString);
        f->Properties().Add(0, "C", ptString);
        auto file = NewFile(Path("r.ntv.lng"), 0x0409, true);
        file->SetPropertyMaxID(40);
        file->Save(&s, 0, false);

        TLangFile g(Path("r.ntv.lng"), false);
        TLocStorage back;
        g.Load(&back, -1, loRepair);
        QCOMPARE(back.FindProperty("F", "", "A")->ID(), 12);
        QCOMPARE(back.FindProperty("F", "", "B")->ID(), 41);
        QCOMPARE(back.FindProperty("F", "", "C")->ID(), 42); // never numbered before: numbered now
        QCOMPARE(g.PropertyMaxID(), 42);
        QVERIFY(back.MaxPropID() >= 42); // later additions cannot collide

        TLangFile plain(Path("r.ntv.lng"), false);
        TLocStorage dup;
        plain.Load(&dup, -1, 0);
        QCOMPARE(dup.FindProperty("F", "", "B")->ID(), 12); // without repair duplicates stay
    }

    void syncByNameMatchesRenamedIds()
    {
        TLocStorage other;
        FillNative(other);
        other.AddLanguage(0, 0x0407);
        other.ForEachItem([](TLocItem* item) {
            item->SetID(item->ID() + 100);
            if (IsTextualType(item->Values().ValueType()))
                item->Values().Items(1)->SetValue("DE " + item->MainValue()->Value());
        });
        NewFile(Path("n.deu.lng"), 0x0407, false)->Save(&other, 1, true);

        TLocStorage s;
        FillNative(s);
        s.AddLanguage(0, 0x0407);
        TLangFile(Path("n.deu.lng"), false).Load(&s, 1, 0);
        QCOMPARE(s.FindConstant("Strings", "SFiles")->Values().Items(1)->Value(), QStringLiteral("%d files"));
        TLangFile(Path("n.deu.lng"), false).Load(&s, 1, loSyncByName);
        QCOMPARE(s.FindConstant("Strings", "SFiles")->Values().Items(1)->Value(), QStringLiteral("DE %d files"));
        QCOMPARE(s.FindProperty("MainForm", "btnOpen", "Caption")->Values().Items(1)->Value(),
                 QStringLiteral("DE &Open..."));
        QCOMPARE(s.FindExtItem("Help", "Title")->Values().Items(1)->Value(), QStringLiteral("DE Help"));
    }

    void buildCountsModifiedSavesAndResetsWithVersion()
    {
        TLocStorage s;
        FillNative(s);
        auto f = NewFile(Path("b.ntv.lng"), 0x0409, true);
        f->SetVersion(5);
        f->Save(&s, 0, false);
        QCOMPARE(f->Build(), 0u);
        f->SetModified(true);
        f->Save(&s, 0, false);
        f->Save(&s, 0, false);
        QCOMPARE(f->Build(), 2u);
        QCOMPARE(TLangFile(Path("b.ntv.lng"), true).Build(), 2u);
        f->SetVersion(5);
        QCOMPARE(f->Build(), 2u);
        f->SetVersion(6);
        QCOMPARE(f->Build(), 0u);
    }

    void headerErrors_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("message");
        const QByteArray valid = OldFormatFile(5);
        QByteArray future = valid;
        future[2] = 8;
        QByteArray zero = valid;
        zero[2] = 0;
        const QString invalid = "Invalid file format: ";
        const QString cut = invalid + "the file is cut short or a length in it is damaged";
        const QString notLangFile = invalid + "not a language file (it does not start with \"LF\")";
        QTest::newRow("wrong magic") << QByteArray("XX") + valid.mid(2) << notLangFile;
        QTest::newRow("version 0") << zero << invalid + "format version 0";
        QTest::newRow("newer version")
            << future << "The language file can not be read. You need to download the latest Phrase Desk";
        QTest::newRow("empty") << QByteArray() << notLangFile;
        QTest::newRow("cut in header") << valid.left(9) << cut;
        QTest::newRow("compressed garbage") << QByteArray("LZQ00\0\0\0\0\x03\x10", 11)
                                            << invalid + "the compressed data is damaged (Wrong stream format)";
    }
    // Every message names the file, so that a user learns which one is wrong.
    void headerErrors()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, message);
        WriteBytes(Path("bad.lng"), data);
        try {
            TLangFile f(Path("bad.lng"), false);
            QFAIL("no exception");
        } catch (const ELangFileError& e) {
            QCOMPARE(e.Message(), QStringLiteral("\"%1\": %2").arg(Path("bad.lng"), message));
        }
    }

    void bodyErrorsNameFileAndCause_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<QString>("message");
        QTest::newRow("junk after the body")
            << QByteArray(100, 'x') << "Invalid file format: 100 bytes of unknown data follow the language data";
        QTest::newRow("one stray byte") << QByteArray(1, '\0')
                                        << "Invalid file format: 1 bytes of unknown data follow the language data";
    }
    void bodyErrorsNameFileAndCause()
    {
        QFETCH(QByteArray, tail);
        QFETCH(QString, message);
        TLocStorage s;
        FillNative(s);
        auto f = NewFile(Path("junk.ntv.lng"), 0x0409, true);
        f->Save(&s, 0, false);
        for (const bool compressed : {false, true}) {
            const QByteArray body = FileBytes(Path("junk.ntv.lng")) + tail;
            WriteBytes(Path("junk.ntv.lng"), compressed ? CompressBuffer(body) : body);
            TLocStorage again;
            TLangFile file(Path("junk.ntv.lng"), true);
            try {
                file.Load(&again, -1, 0);
                QFAIL("no exception");
            } catch (const ELangFileError& e) {
                QCOMPARE(e.Message(), QStringLiteral("\"%1\": %2").arg(Path("junk.ntv.lng"), message));
            }
            WriteBytes(Path("junk.ntv.lng"), body.left(body.size() - tail.size()));
        }
    }

    // Language data past the limit is refused before it takes memory: a
    // compressed file is measured before it is decompressed.
    void tooLargeFilesAreRefused()
    {
        const qint64 limit = qint64(64) << 20;
        // A compressed stream of one literal byte and back references of 18
        // bytes each: 7 MB that would grow past the limit.
        QByteArray compressed = CompressBuffer(QByteArray("x"));
        for (qint64 out = 1; out <= limit; out += 18) compressed.append("\x03\xF0", 2);
        WriteBytes(Path("huge.deu.lng"), compressed);
        // A plain file past the limit (sparse: it takes no disk space).
        QFile plain(Path("huge.ntv.lng"));
        QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write(OldFormatFile(5)) > 0 && plain.resize(limit + 1));
        plain.close();
        for (const QString& name : {QStringLiteral("huge.deu.lng"), QStringLiteral("huge.ntv.lng")}) {
            try {
                TLocStorage s;
                TLangFile f(Path(name), true);
                f.Load(&s, -1, 0);
                QFAIL("no exception");
            } catch (const ELangFileError& e) {
                QCOMPARE(e.Message(),
                         QStringLiteral("\"%1\": The language file is too large (more than 64 MB of language data)")
                             .arg(Path(name)));
            }
        }
    }

    void everyTruncationOrCorruptionFailsCleanly()
    {
        TLocStorage s;
        FillNative(s);
        s.AddLanguage(0, 0x0407);
        auto f = NewFile(Path("c.deu.lng"), 0x0407, false);
        f->Save(&s, 1, false);
        const QByteArray valid = FileBytes(Path("c.deu.lng"));
        TLangFile mem;
        int failures = 0;
        for (qsizetype n = 0; n < valid.size(); ++n) {
            try {
                mem.LoadFromStream(valid.left(n), &s, 1, 0);
            } catch (const ELangFileError& e) {
                QVERIFY2(e.Message().startsWith(QStringLiteral("Invalid file format: ")), qPrintable(e.Message()));
                ++failures;
            }
        }
        QCOMPARE(failures, int(valid.size()));
        // Random damage: always either a load or the format error, never a crash.
        QRandomGenerator rng(7);
        for (int round = 0; round < 2000; ++round) {
            QByteArray bad = valid;
            for (int k = 0; k < 3; ++k) bad[rng.bounded(int(bad.size()))] = char(rng.bounded(256));
            try {
                mem.LoadFromStream(bad, &s, 1, 0);
            } catch (const ELangFileError&) {
            }
        }
    }

    void loadChecksItsArguments()
    {
        TLangFile mem;
        TLocStorage s;
        QVERIFY_THROWS_EXCEPTION(ELangFileError, mem.LoadFromStream(OldFormatFile(5), nullptr, 0, 0));
        try {
            mem.LoadFromStream(OldFormatFile(5), &s, 1, 0);
            QFAIL("no exception");
        } catch (const ELangFileError& e) {
            QCOMPARE(e.Message(), QStringLiteral("Invalid index"));
        }
        auto f = NewFile(Path("i.ntv.lng"), 0x0409, true);
        QVERIFY_THROWS_EXCEPTION(ELangFileError, f->Save(&s, 3, false));
    }

    void failedWriteLeavesTheOldFileIntact()
    {
        TLocStorage s;
        FillNative(s);
        auto f = NewFile(Path("w.ntv.lng"), 0x0409, true);
        f->Save(&s, 0, false);
        f->Lock();
        const QByteArray before = FileBytes(Path("w.ntv.lng"));
        s.FindConstant("Strings", "SFiles")->MainValue()->SetValue("changed");
        SetAtomicWriteHookForTesting([](const QString&) { throw EFileSystemError("No space left on device"); });
        try {
            f->Save(&s, 0, false);
            QFAIL("no exception");
        } catch (const EFileSystemError& e) {
            QVERIFY(e.Message().contains("No space left on device"));
        }
        QCOMPARE(FileBytes(Path("w.ntv.lng")), before);
        QVERIFY(f->Locked()); // the lock is taken again
        QVERIFY(
            QDir(FDir.path()).entryList({".w.ntv.lng*"}, QDir::Files | QDir::Hidden).isEmpty()); // no temporary left
        SetAtomicWriteHookForTesting({});
        f->Save(&s, 0, false);
        QVERIFY(FileBytes(Path("w.ntv.lng")) != before);
        QVERIFY(f->Locked());
    }

    void tooManyEntriesAreRefusedBeforeWriting()
    {
        TLocStorage s;
        FillNative(s);
        auto f = NewFile(Path("m.ntv.lng"), 0x0409, true);
        f->Save(&s, 0, false);
        const QByteArray before = FileBytes(Path("m.ntv.lng"));
        TLocConstantList& consts = s.Units().Items(0)->Constants();
        for (int i = 0; i < 65536; ++i) consts.Add(-1, QStringLiteral("S%1").arg(i, 6, 10, QLatin1Char('0')), i);
        try {
            f->Save(&s, 0, false);
            QFAIL("no exception");
        } catch (const ELangFileError& e) {
            QVERIFY2(e.Message().contains("65535"), qPrintable(e.Message()));
        }
        QCOMPARE(FileBytes(Path("m.ntv.lng")), before);
    }

    void readOnlyFileRefusesToSave()
    {
        TLocStorage s;
        NewFile(Path("ro.ntv.lng"), 0x0409, true)->Save(&s, 0, false);
        TLangFile f(Path("ro.ntv.lng"), true);
        try {
            f.Save(&s, 0, false);
            QFAIL("no exception");
        } catch (const ELangFileError& e) {
            QCOMPARE(e.Message(), QStringLiteral("File \"%1\" was opened as read-only").arg(Path("ro.ntv.lng")));
        }
    }

    void lockHeldByAnotherProcessMakesTheFileReadOnly()
    {
        TLocStorage s;
        FillNative(s);
        NewFile(Path("x.ntv.lng"), 0x0409, true)->Save(&s, 0, false);
        const QByteArray before = FileBytes(Path("x.ntv.lng"));

        int ready[2], release[2];
        QVERIFY(pipe(ready) == 0 && pipe(release) == 0);
        const pid_t child = fork();
        if (child == 0) {
            // The other process: holds the file as an open project does.
            TLangFile other(Path("x.ntv.lng"), false);
            const char ok = other.ReadOnly() ? 'r' : 'w';
            other.Lock();
            if (write(ready[1], &ok, 1) != 1) _exit(2);
            char c;
            if (read(release[0], &c, 1) != 1) _exit(3);
            _exit(0);
        }
        char state = 0;
        QCOMPARE(read(ready[0], &state, 1), ssize_t(1));
        QCOMPARE(state, 'w');

        TLangFile second(Path("x.ntv.lng"), false);
        QVERIFY(second.ReadOnly());
        TLocStorage t;
        second.Load(&t, -1, 0); // reading still works
        QCOMPARE(t.FindConstant("Strings", "SFiles")->MainValue()->Value(), QStringLiteral("%d files"));
        QVERIFY_THROWS_EXCEPTION(ELangFileError, second.Save(&t, 0, false));
        // Even a writer that does not know about the lock cannot replace it.
        QVERIFY_THROWS_EXCEPTION(EFileSystemError, WriteFileAtomic(Path("x.ntv.lng"), "junk"));
        QCOMPARE(FileBytes(Path("x.ntv.lng")), before);

        QCOMPARE(write(release[1], "x", 1), ssize_t(1));
        int status = 0;
        waitpid(child, &status, 0);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QVERIFY(!TLangFile(Path("x.ntv.lng"), false).ReadOnly());
        for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
    }

    void fileListFindsByLocale()
    {
        TLangFileList list;
        for (uint16_t l : {0x0409, 0x0407, 0x040C}) {
            auto f = std::make_unique<TLangFile>();
            f->SetLocale(l);
            list.Add(std::move(f));
        }
        QCOMPARE(list.IndexByLangID(0x040C), 2);
        QCOMPARE(list.IndexByLangID(0x0410), -1);
    }
};

QTEST_GUILESS_MAIN(TestLangFile)
#include "tst_langfile.moc"
