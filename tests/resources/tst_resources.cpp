#include "core/ByteStream.h"
#include "core/DateTime.h"
#include "langfile/LZCompressor.h"
#include "resources/PEReader.h"
#include "resources/ResInfo.h"
#include "resources/ResProcessor.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString Fixture(const QString& name) { return QStringLiteral(TEST_DATA_DIR "/pe/") + name; }

QByteArray ReadAll(const QString& fileName)
{
    QFile f(fileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Put16(QByteArray& b, qsizetype at, quint16 v) { std::memcpy(b.data() + at, &v, 2); }

void Put32(QByteArray& b, qsizetype at, quint32 v) { std::memcpy(b.data() + at, &v, 4); }

quint32 Get32(const QByteArray& b, qsizetype at)
{
    quint32 v;
    std::memcpy(&v, b.constData() + at, 4);
    return v;
}

// A node of a hand-made resource tree: a directory (children) or a data leaf.
struct TNode {
    quint32 Id = 0;
    QString Name; // non-empty: a named entry
    QByteArray Data;
    std::vector<TNode> Children;
};

TNode Leaf(quint32 id, const QByteArray& data) { return TNode{id, {}, data, {}}; }
TNode Dir(quint32 id, std::vector<TNode> children, const QString& name = {})
{
    return TNode{id, name, {}, std::move(children)};
}

// Lays the tree out depth first: each directory, then what its entries point
// to (sub-directories, or a data entry followed by the data), then names.
quint32 WriteTree(QByteArray& out, const TNode& dir, quint32 rva)
{
    const quint32 at = quint32(out.size());
    TByteWriter w(out);
    const int named =
        int(std::count_if(dir.Children.begin(), dir.Children.end(), [](auto& c) { return !c.Name.isEmpty(); }));
    w.Zeros(12);
    w.U16(quint16(named));
    w.U16(quint16(dir.Children.size() - size_t(named)));
    w.Zeros(8 * qsizetype(dir.Children.size()));
    for (size_t i = 0; i < dir.Children.size(); ++i) {
        const TNode& c = dir.Children[i];
        const qsizetype entry = at + 16 + 8 * qsizetype(i);
        if (c.Children.empty()) {
            Put32(out, entry + 4, quint32(out.size()));
            w.U32(rva + quint32(out.size()) + 16);
            w.U32(quint32(c.Data.size()));
            w.Zeros(8);
            w.Bytes(c.Data);
        } else {
            Put32(out, entry + 4, 0x80000000u | WriteTree(out, c, rva));
        }
        if (c.Name.isEmpty()) {
            Put32(out, entry, c.Id);
        } else {
            Put32(out, entry, 0x80000000u | quint32(out.size()));
            w.U16(quint16(c.Name.size()));
            w.Utf16(c.Name);
        }
    }
    return at;
}

// A minimal PE image: a ".text" section, then the given section at file
// offset 0x200 and virtual address 0x1000.
QByteArray BuildPE(const QByteArray& section, bool is64 = false, const char* name = ".rsrc", int extraOptional = 0)
{
    const int optionalSize = (is64 ? 0xF0 : 0xE0) + extraOptional;
    QByteArray pe(0x200, '\0');
    Put16(pe, 0, 0x5A4D);
    Put32(pe, 0x3C, 0x40);
    Put32(pe, 0x40, 0x4550);
    Put16(pe, 0x46, 2);
    Put16(pe, 0x54, quint16(optionalSize));
    Put16(pe, 0x58, is64 ? 0x20B : 0x10B);
    const int table = 0x40 + 24 + optionalSize;
    std::memcpy(pe.data() + table, ".text", 5);
    std::memcpy(pe.data() + table + 40, name, qstrlen(name));
    Put32(pe, table + 40 + 8, quint32(section.size()));
    Put32(pe, table + 40 + 12, 0x1000);
    Put32(pe, table + 40 + 16, quint32(section.size()));
    Put32(pe, table + 40 + 20, 0x200);
    return pe + section;
}

QByteArray BuildPE(const TNode& root, bool is64 = false)
{
    QByteArray section;
    WriteTree(section, root, 0x1000);
    return BuildPE(section, is64);
}

QByteArray StringBlock(const QStringList& slots)
{
    QByteArray out;
    TByteWriter w(out);
    for (int i = 0; i < 16; ++i) {
        const QString s = slots.value(i);
        w.U16(quint16(s.size()));
        w.Utf16(s);
    }
    return out;
}

template <class E, class F> QString ErrorOf(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

// Strings by ID and RCDATA items as "name|isNumber" -> bytes, for comparing two processors.
struct TContent {
    QMap<int, QString> Strings;
    QMap<QString, QByteArray> Items;
    bool operator==(const TContent&) const = default;
};

TContent ContentOf(const TResProcessor& p, bool withNumberFlag = true)
{
    TContent c;
    for (int b = 0; b < p.BlockCount(); ++b) {
        if (auto* s = dynamic_cast<TResString*>(p.Items(b)))
            for (int i = 0; i < s->Count(); ++i) c.Strings.insert(s->Items(i)->Id(), s->Items(i)->Data());
        if (auto* r = dynamic_cast<TResRCData*>(p.Items(b)))
            for (int i = 0; i < r->Count(); ++i)
                c.Items.insert(r->Items(i)->Name() + (withNumberFlag && r->Items(i)->IsNumber() ? "|n" : ""),
                               r->Items(i)->Buffer());
    }
    return c;
}

const QDateTime kFixedNow(QDate(2024, 1, 2), QTime(3, 4, 5));
// Seconds from 1969-12-31 16:00 to the fixed local time.
const quint32 kFixedStamp =
    quint32(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC).toSecsSinceEpoch() + 8 * 3600);

} // namespace

class TestResources : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;

    QString WriteTemp(const QString& name, const QByteArray& data)
    {
        const QString path = FDir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size()) qFatal("cannot write");
        return path;
    }

    QByteArray DllOf(const TResProcessor& p)
    {
        QByteArray image;
        p.CreateDLLStream(image);
        return image;
    }

    // Writes the image and loads it back into a new processor.
    void Reload(const QByteArray& image, TResProcessor& into) { into.LoadPEFile(WriteTemp("reload.dll", image)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(FDir.isValid());
        DateTime::SetClockForTesting([] { return kFixedNow; });
    }
    void cleanupTestCase() { DateTime::SetClockForTesting({}); }

    // --- PE reader ---------------------------------------------------------

    void peReaderRejectsWhatIsNoPE_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QByteArray mzOnly("MZ");
        QByteArray farPE(0x40, '\0');
        Put16(farPE, 0, 0x5A4D);
        Put32(farPE, 0x3C, 0x1000);
        QByteArray negativePE = farPE;
        Put32(negativePE, 0x3C, 0x80000000u);
        QByteArray noSignature = BuildPE(QByteArray(16, '\0'));
        Put32(noSignature, 0x40, 0x4551);
        const QByteArray shortHeaders = BuildPE(QByteArray(16, '\0')).left(0x40 + 200);
        // A PE32+ magic needs the longer headers.
        QByteArray short64 = BuildPE(QByteArray()).left(0x40 + 250);
        Put16(short64, 0x58, 0x20B);

        const QString notMZ = "Unrecognized file format: not an executable (it does not start with \"MZ\")";
        QTest::newRow("empty") << QByteArray() << "Unrecognized file format: the file is empty";
        QTest::newRow("text") << QByteArray("Hello, world\n") << notMZ;
        QTest::newRow("one byte") << QByteArray("M") << notMZ;
        QTest::newRow("MZ only") << mzOnly << "Not a PE (WIN32 Executable) file";
        QTest::newRow("e_lfanew past the end") << farPE << "Not a PE (WIN32 Executable) file";
        QTest::newRow("negative e_lfanew") << negativePE << "Not a PE (WIN32 Executable) file";
        QTest::newRow("no PE signature") << noSignature << "Not a PE (WIN32 Executable) file";
        QTest::newRow("truncated NT headers") << shortHeaders << "Not a PE (WIN32 Executable) file";
        QTest::newRow("truncated PE32+ headers") << short64 << "Not a PE (WIN32 Executable) file";
    }
    void peReaderRejectsWhatIsNoPE()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString file = WriteTemp("bad.exe", content);
        QCOMPARE(ErrorOf<EExeError>([&] { TPEReader r(file); }), QStringLiteral("\"%1\": %2").arg(file, message));
    }

    void peReaderReportsMissingFile()
    {
        const QString file = FDir.filePath("missing.exe");
        QCOMPARE(ErrorOf<EExeError>([&] { TPEReader r(file); }),
                 "Couldn't open file: " + file + " (No such file or directory)");
        QVERIFY(ErrorOf<EExeError>([&] { TPEReader r(FDir.path()); }).startsWith("Couldn't open file: " + FDir.path()));
        // A device is read without trusting its size.
        QCOMPARE(ErrorOf<EExeError>([&] { TPEReader r("/dev/null"); }),
                 "\"/dev/null\": Unrecognized file format: the file is empty");
    }

    void peReaderFindsResourceSectionByName_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("found");
        QTest::newRow(".rsrc") << QByteArray(".rsrc") << true;
        QTest::newRow(".RSRC") << QByteArray(".RSRC") << true;
        QTest::newRow(".rsrc2") << QByteArray(".rsrc2") << false;
        QTest::newRow(".data") << QByteArray(".data") << false;
    }
    void peReaderFindsResourceSectionByName()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, found);
        QByteArray section;
        WriteTree(section, Dir(0, {Dir(6, {Dir(1, {Leaf(0, StringBlock({"x"}))})})}), 0x1000);
        TPEReader reader(WriteTemp("sections.dll", BuildPE(section, false, name.constData())));
        if (found) {
            QCOMPARE(reader.Resources().Count(), 1);
        } else {
            // The file opens; only asking for its resources fails.
            QCOMPARE(ErrorOf<EExeError>([&] { reader.Resources(); }), "No resources in this file.");
        }
    }

    void peReaderFindsSectionsAfterALongerOptionalHeader()
    {
        QByteArray section;
        WriteTree(section, Dir(0, {Dir(6, {Dir(1, {Leaf(0, StringBlock({"x"}))})})}), 0x1000);
        TResProcessor p;
        Reload(BuildPE(section, false, ".rsrc", 0x40), p);
        QCOMPARE(p.Strings()->ItemById(0)->Data(), "x");
    }

    void peReaderWalksTheFixture_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("is64");
        QTest::newRow("PE32+") << "sample.dll" << true;
        QTest::newRow("PE32") << "sample32.dll" << false;
    }
    void peReaderWalksTheFixture()
    {
        QFETCH(QString, file);
        QFETCH(bool, is64);
        TPEReader reader(Fixture(file));
        QCOMPARE(reader.Is64Bit(), is64);
        QCOMPARE(reader.FileName(), Fixture(file));
        TPEResourceList& root = reader.Resources();
        QCOMPARE(&reader.Resources(), &root); // built once
        QCOMPARE(root.Count(), 2);
        QCOMPARE(root.GetResourceItem(0)->Name(), "String");
        QCOMPARE(root.GetResourceItem(1)->Name(), "RCData");
        QVERIFY(root.GetResourceItem(2) == nullptr);
        QVERIFY(root.GetResourceItem(-1) == nullptr);

        TPEResourceItem& rcdata = *root.GetResourceItem(1);
        QVERIFY(rcdata.IsList());
        QCOMPARE(rcdata.Size(), 0u);
        QCOMPARE(rcdata.List().Count(), 2);
        TPEResourceItem& form = *rcdata.GetResourceItem(1);
        QCOMPARE(form.Name(), "TFORM1");
        QVERIFY(!form.NameIsNumber());
        QVERIFY(!form.IsList());
        QCOMPARE(form.ResType(), int(rtRCData));
        QCOMPARE(form.ResTypeStr(), "RCData");
        QCOMPARE(form.RawData(), ReadAll(Fixture("tform1.bin")));
        QCOMPARE(form.Size(), 26u);
        QVERIFY(form.Offset() >= 0x1000); // a virtual address
        QCOMPARE(ErrorOf<EExeError>([&] { form.List(); }),
                 "Invalid resource data: a resource directory entry points to data, not to a directory");

        // The same image handed over in memory.
        const auto inMemory = TPEReader::CreateByImage(ReadAll(Fixture(file)));
        TResProcessor fromMemory, fromFile;
        fromMemory.LoadFromPEReader(*inMemory);
        fromFile.LoadPEFile(Fixture(file));
        QCOMPARE(ContentOf(fromMemory), ContentOf(fromFile));
        QCOMPARE(ErrorOf<EExeError>([] { TPEReader::CreateByImage({}); }),
                 "Unrecognized file format: the file is empty");

        TPEResourceItem& strings = *root.GetResourceItem(0);
        QCOMPARE(strings.List().GetResourceItem(0)->Name(), "1"); // block of IDs 0..15
        QVERIFY(strings.List().GetResourceItem(0)->NameIsNumber());
    }

    void peReaderReadsCompressedFiles()
    {
        const QString file = WriteTemp("packed.dll", CompressBuffer(ReadAll(Fixture("sample.dll"))));
        TResProcessor packed, plain;
        packed.LoadPEFile(file);
        plain.LoadPEFile(Fixture("sample.dll"));
        QCOMPARE(ContentOf(packed), ContentOf(plain));
        QVERIFY(packed.Is64Bit());

        QString out, err, plainOut;
        QTextStream o(&out), e(&err), po(&plainOut);
        QCOMPARE(RunResInfo(file, o, e), 0);
        QCOMPARE(RunResInfo(Fixture("sample.dll"), po, e), 0);
        QCOMPARE(out, plainOut);

        // What is inside is checked like any file.
        const QString text = WriteTemp("packed.txt", CompressBuffer("just some text"));
        QCOMPARE(ErrorOf<EExeError>([&] { TPEReader r(text); }),
                 "\"" + text + "\": Unrecognized file format: not an executable (it does not start with \"MZ\")");
        QByteArray broken = CompressBuffer(QByteArray());
        broken += QByteArray::fromHex("FFFF");
        const QString bad = WriteTemp("broken.dll", broken);
        QCOMPARE(ErrorOf<EExeError>([&] { TPEReader r(bad); }),
                 "Couldn't open file: " + bad + " (the compressed data is damaged: Wrong stream format)");
    }

    // An executable that would decompress past the limit is refused before
    // anything is decompressed (it would take the memory first).
    void peReaderMeasuresCompressedFilesFirst()
    {
        // One literal byte and back references of 18 bytes: 120 MB of
        // compressed data that would grow past 1 GiB.
        QByteArray packed = CompressBuffer(QByteArray("M"));
        const qint64 limit = qint64(1) << 30;
        packed.reserve(packed.size() + 2 * (limit / 18 + 2));
        for (qint64 out = 1; out <= limit; out += 18) packed.append("\x03\xF0", 2);
        const QString file = WriteTemp("huge.exe", packed);
        packed = QByteArray();
        QCOMPARE(ErrorOf<EExeError>([&] { TPEReader r(file); }),
                 "Couldn't open file: " + file +
                     " (an executable larger than 1024 MB is not one that can be localized)");
    }

    void peReaderNamesTypes()
    {
        const TNode root = Dir(0, {Dir(0x4D, {Dir(1, {Leaf(0, "x")})}, "MYTYPE"), Dir(6, {}), Dir(10, {}), Dir(16, {}),
                                   Dir(24, {}), Dir(99, {})});
        TPEReader reader(WriteTemp("types.dll", BuildPE(root)));
        QStringList names;
        for (int i = 0; i < reader.Resources().Count(); ++i) names << reader.Resources().GetResourceItem(i)->Name();
        QCOMPARE(names, QStringList({"MYTYPE", "String", "RCData", "Version", "24", "99"}));
        QVERIFY(!reader.Resources().GetResourceItem(0)->NameIsNumber());
        QCOMPARE(ResourceTypeName(rtUnknown13), "Unknown13");
        QCOMPARE(ResourceTypeName(17), QString());
    }

    void peReaderTakesTheFirstLanguage()
    {
        const TNode root = Dir(
            0, {Dir(6, {Dir(1, {Leaf(0x409, StringBlock({"", "Hello"})), Leaf(0x407, StringBlock({"", "Hallo"}))})})});
        TResProcessor p;
        Reload(BuildPE(root, true), p);
        QVERIFY(p.Is64Bit());
        QCOMPARE(p.Strings()->Count(), 1);
        QCOMPARE(p.Strings()->ItemById(1)->Data(), "Hello");
    }

    // Every offset, count and size of a hand-made image, made wrong one at a
    // time. Layout of the tree String / block 1 / one language:
    // root dir @0 (entry @16), type dir @24 (entry @40), language dir @48
    // (entry @64), data entry @72 (RVA @72, size @76), data @88 (34 bytes).
    void corruptImagesEndInExeError_data()
    {
        QTest::addColumn<int>("at");
        QTest::addColumn<quint32>("value");
        QTest::addColumn<QString>("message");
        const QString invalid = "Invalid resource data";
        QTest::newRow("root count past the section") << 14 << 0x4000u << invalid;
        QTest::newRow("type directory past the section") << 20 << 0x80010000u << invalid;
        QTest::newRow("type points back at the root") << 20 << 0x80000000u << invalid;
        QTest::newRow("type points into the root")
            << 20 << 0x80000008u << invalid + ": a resource directory entry points to data, not to a directory";
        QTest::newRow("type name past the section") << 16 << 0x80010000u << invalid;
        QTest::newRow("named string block") << 40 << 0x80000000u << invalid;
        QTest::newRow("string block 0") << 40 << 0u << invalid;
        QTest::newRow("string block 5000") << 40 << 5000u << invalid;
        QTest::newRow("language directory past the section") << 44 << 0x80010000u << invalid;
        QTest::newRow("language points at its own directory") << 68 << 0x80000030u << invalid;
        QTest::newRow("data entry past the section") << 68 << 0x10000u << invalid;
        QTest::newRow("data before the section") << 72 << 0x100u << invalid;
        QTest::newRow("data after the section") << 72 << 0x9000u << invalid;
        QTest::newRow("data size past the section") << 76 << 0x7FFFFFFFu << invalid;
        QTest::newRow("string length past the block") << 88 << 0x7FFFu << invalid;
        QTest::newRow("section raw data past the file") << -20 << 0x10000u << invalid;
        QTest::newRow("section table cut off") << -100 << 0u << invalid;
    }
    void corruptImagesEndInExeError()
    {
        QFETCH(int, at);
        QFETCH(quint32, value);
        QFETCH(QString, message);
        const QByteArray block = StringBlock({"Hello"});
        QByteArray image = BuildPE(Dir(0, {Dir(6, {Dir(1, {Leaf(0, block)})})}));
        QCOMPARE(image.size(), 0x200 + 88 + block.size());
        // Negative offsets address the headers: -20 the resource section's
        // PointerToRawData; -100 cuts the file inside its section header.
        const int sectionHeader = 0x40 + 24 + 0xE0 + 40;
        if (at == -20)
            Put32(image, sectionHeader + 20, value);
        else if (at == -100)
            image.truncate(sectionHeader + 4);
        else
            Put32(image, 0x200 + at, value);
        const QString file = WriteTemp("corrupt.dll", image);
        TResProcessor p;
        // The file, the kind of fault, and where the reader knows it, what.
        const QString error = ErrorOf<EExeError>([&] { p.LoadPEFile(file); });
        QVERIFY2(error.startsWith(QStringLiteral("\"%1\": %2").arg(file, message)), qPrintable(error));
        QCOMPARE(p.BlockCount(), 0);
    }

    void sharedDataIsNotCopiedWithoutBound()
    {
        // 4000 RCDATA entries all pointing at one 64 KB data entry: loading
        // them would copy 250 MB out of a 100 KB file.
        QByteArray section;
        TByteWriter w(section);
        const int n = 4000;
        const quint32 typeDir = 24, langDir = typeDir + 16 + 8 * n, dataEntry = langDir + 24, data = dataEntry + 16;
        w.Zeros(14);
        w.U16(1);
        w.U32(10);
        w.U32(0x80000000u | typeDir);
        w.Zeros(14);
        w.U16(quint16(n));
        for (int i = 0; i < n; ++i) {
            w.U32(quint32(i + 1));
            w.U32(0x80000000u | langDir);
        }
        w.Zeros(14);
        w.U16(1);
        w.U32(0);
        w.U32(dataEntry);
        w.U32(0x1000 + data);
        w.U32(0x10000);
        w.Zeros(8);
        w.Zeros(0x10000);
        const QString file = WriteTemp("shared.dll", BuildPE(section));
        TResProcessor p;
        QCOMPARE(ErrorOf<EExeError>([&] { p.LoadPEFile(file); }), "\"" + file + "\": Invalid resource data");
    }

    // --- string tables and RCDATA in memory ----------------------------------

    void stringsKeepOrderAndGroups()
    {
        TResString s(nullptr);
        QCOMPARE(s.Add(17, "a"), 0);
        QCOMPARE(s.Add(3, "b"), 0);
        QCOMPARE(s.Add(16, "c"), 1);
        QCOMPARE(s.Add(16, "dup"), -1);
        QCOMPARE(s.Add(-1, "negative"), -1);
        QCOMPARE(s.Add(0x10000, "too big"), -1);
        QCOMPARE(s.Count(), 3);
        QCOMPARE(s.Items(0)->Id(), 3);
        QCOMPARE(s.Items(1)->Id(), 16);
        QCOMPARE(s.Items(2)->Id(), 17);
        QCOMPARE(s.ItemById(16)->Data(), "c");
        QVERIFY(s.Items(3) == nullptr);
        QCOMPARE(s.GroupCount(), 2);
        QCOMPARE(s.Groups(0)->GroupId(), 1);
        QCOMPARE(s.Groups(0)->Count(), 1);
        QCOMPARE(s.Groups(0)->GetItems(3), 3);
        QCOMPARE(s.Groups(0)->GetItems(0), -1);
        QCOMPARE(s.Groups(0)->GetItems(16), -1);
        QCOMPARE(s.GroupById(2)->Count(), 2);
        QCOMPARE(s.GroupById(2)->GetItems(0), 16);
        QCOMPARE(s.GroupById(2)->GetItems(1), 17);
        QCOMPARE(s.IndexOfData("c"), 1);
        QCOMPARE(s.IndexOfData("C"), -1);

        s.DeleteByID(3);
        QCOMPARE(s.Count(), 2);
        QCOMPARE(s.GroupCount(), 1);
        QVERIFY(s.GroupById(1) == nullptr);
        s.DeleteByID(3); // absent: nothing happens
        s.Delete(0);
        QCOMPARE(s.GroupById(2)->Count(), 1);
        QCOMPARE(s.GroupById(2)->Data(), StringBlock({"", "a"}));
    }

    void rcdataNamesIgnoreCase()
    {
        TResRCData r(nullptr);
        r.Add("TFORM1", false)->Buffer() = "form";
        r.Add("1703", true);
        QCOMPARE(r.IndexOfName("tform1"), 0);
        QCOMPARE(r.ItemByName("TForm1")->Buffer(), QByteArray("form"));
        QCOMPARE(r.IndexOfName("TFORM2"), -1);
        r.DeleteByName("nothing");
        QCOMPARE(r.Count(), 2);
        r.DeleteByName("tform1");
        QCOMPARE(r.Count(), 1);

        QBuffer in;
        in.setData("abc");
        in.open(QIODevice::ReadOnly);
        in.read(1);
        r.Items(0)->LoadFromStream(in); // the rest of the stream
        QCOMPARE(r.Items(0)->Buffer(), QByteArray("bc"));
        const QString file = FDir.filePath("item.bin");
        r.Items(0)->SaveToFile(file);
        r.Items(0)->LoadFromFile(file);
        QCOMPARE(r.Items(0)->Buffer(), QByteArray("bc"));
    }

    // --- loading and writing -------------------------------------------------

    void loadsTheSampleFixtures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("PE32+") << "sample.dll";
        QTest::newRow("PE32") << "sample32.dll";
        QTest::newRow(".res") << "sample.res";
    }
    void loadsTheSampleFixtures()
    {
        QFETCH(QString, file);
        TResProcessor p;
        if (file.endsWith(".res"))
            p.LoadResFile(Fixture(file));
        else
            p.LoadPEFile(Fixture(file));
        QCOMPARE(p.Is64Bit(), file == "sample.dll");
        const TContent c = ContentOf(p);
        const QMap<int, QString> strings{{1, "Hello"},
                                         {17, QString::fromUtf8("Grüße")},
                                         {4000, QString::fromUtf8("Привет, мир")},
                                         {4001, "tab\there"}};
        QCOMPARE(c.Strings, strings);
        QCOMPARE(c.Items.keys(), QStringList({"OXV_LIBSETTINGS_", "TFORM1"}));
        QCOMPARE(c.Items["TFORM1"], ReadAll(Fixture("tform1.bin")));
        QCOMPARE(c.Items["OXV_LIBSETTINGS_"], QByteArray("\x01\x02\x03\x04"
                                                         "AB"));
        QCOMPARE(p.RCData()->IndexOfName("tform1"), 1);
    }

    void fixturesRoundTripThroughDllAndRes_data()
    {
        QTest::addColumn<QString>("file");
        for (const char* f : {"sample.dll", "sample32.dll", "msimsg.dll", "taskkill.exe", "compstui.dll"})
            QTest::newRow(f) << QString::fromLatin1(f);
    }
    void fixturesRoundTripThroughDllAndRes()
    {
        QFETCH(QString, file);
        TResProcessor original;
        original.LoadPEFile(Fixture(file));
        const TContent content = ContentOf(original);
        QVERIFY(!content.Strings.isEmpty() || !content.Items.isEmpty());

        TResProcessor fromDll;
        Reload(DllOf(original), fromDll);
        QCOMPARE(ContentOf(fromDll), content);
        QCOMPARE(fromDll.Is64Bit(), original.Is64Bit());
        QCOMPARE(DllOf(fromDll), DllOf(original));

        // A .res file names every RCDATA item, numbered ones by their number.
        const QString res = FDir.filePath("roundtrip.res");
        original.CreateResFile(res);
        TResProcessor fromRes;
        fromRes.LoadResFile(res);
        QCOMPARE(ContentOf(fromRes, false), ContentOf(original, false));
        QCOMPARE(fromRes.ResFileData(), original.ResFileData());
    }

    void numberedRCDataStaysNumberedOnlyInImages()
    {
        TResProcessor p;
        p.LoadPEFile(Fixture("msimsg.dll"));
        TResRCDataItem* item = p.RCData()->ItemByName("1703");
        QVERIFY(item);
        QVERIFY(item->IsNumber());
        p.RCData()->Add("ZNAMED", false)->Buffer() = "z";

        // In an image: named entries first (the loader's order), numbered after.
        TPEReader reader(WriteTemp("numbered.dll", DllOf(p)));
        TPEResourceItem* type = reader.Resources().GetResourceItem(reader.Resources().Count() - 1);
        QCOMPARE(type->Name(), "RCData");
        TPEResourceList& names = type->List();
        QCOMPARE(names.GetResourceItem(0)->Name(), "ZNAMED");
        QCOMPARE(names.GetResourceItem(1)->Name(), "1703");
        QVERIFY(names.GetResourceItem(1)->NameIsNumber());

        // In a .res file: a record named "1703".
        const QString res = FDir.filePath("numbered.res");
        p.CreateResFile(res);
        QVERIFY(ReadAll(res).contains(QByteArray("1\0"
                                                 "7\0"
                                                 "0\0"
                                                 "3\0\0\0",
                                                 10)));
        TResProcessor fromRes;
        fromRes.LoadResFile(res);
        QVERIFY(!fromRes.RCData()->ItemByName("1703")->IsNumber());
    }

    void emptyStringsVanishAndEmptyBlocksStay()
    {
        TResProcessor p;
        auto* strings = static_cast<TResString*>(p.AddBlock(std::make_unique<TResString>(&p)));
        strings->Add(5, "");
        strings->Add(6, "six");
        p.AddBlock(std::make_unique<TResRCData>(&p));
        TResProcessor back;
        Reload(DllOf(p), back);
        QCOMPARE(back.BlockCount(), 2);
        QCOMPARE(back.Strings()->Count(), 1);
        QCOMPARE(back.Strings()->Items(0)->Id(), 6);
        QCOMPARE(back.RCData()->Count(), 0); // an empty block read from an image is kept

        // An empty string block still has its root entry and its directory.
        TResProcessor empty;
        empty.AddBlock(std::make_unique<TResString>(&empty));
        QCOMPARE(empty.BufSize(), 16 + 8 + 16);
        TResProcessor emptyBack;
        Reload(DllOf(empty), emptyBack);
        QCOMPARE(emptyBack.BlockCount(), 1);
        QCOMPARE(emptyBack.Strings()->Count(), 0);
    }

    // One string block holding one empty string, written byte for byte.
    void dllImageLayoutIsExact_data()
    {
        QTest::addColumn<bool>("is64");
        QTest::newRow("PE32") << false;
        QTest::newRow("PE32+") << true;
    }
    void dllImageLayoutIsExact()
    {
        QFETCH(bool, is64);
        TResProcessor p;
        p.SetIs64Bit(is64);
        static_cast<TResString*>(p.AddBlock(std::make_unique<TResString>(&p)))->Add(0, "");
        QCOMPARE(p.BufSize(), 120);
        QList<std::pair<int, int>> progress;
        QByteArray image("prefix");
        p.CreateDLLStream(image, [&](int current, int total) { progress.append({current, total}); });
        QVERIFY(image.startsWith("prefix"));
        image.remove(0, 6);
        QCOMPARE(image.size(), 0x600);
        QCOMPARE(progress, (QList<std::pair<int, int>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));

        QByteArray expected(0x600, '\0');
        auto at16 = [&](int ofs, quint16 v) { Put16(expected, ofs, v); };
        auto at32 = [&](int ofs, quint32 v) { Put32(expected, ofs, v); };
        // DOS header and stub
        const quint16 dos[] = {0x5A4D, 0x50, 2, 0, 4, 0x0F, 0xFFFF, 0, 0xB8, 0, 0, 0, 0x40, 0x1A};
        for (int i = 0; i < 14; ++i) at16(2 * i, dos[i]);
        at32(0x3C, 0x100);
        const QByteArray stub = QByteArray::fromHex("BA10000E1FB409CD21B8014CCD219090") +
                                "This program must be run under Win32" + QByteArray::fromHex("0D0A2437");
        std::memcpy(expected.data() + 0x40, stub.constData(), size_t(stub.size()));
        // file header
        at32(0x100, 0x4550);
        at16(0x104, is64 ? 0x8664 : 0x14C); // Windows maps no PE32+ image marked i386
        at16(0x106, 1);
        at32(0x108, kFixedStamp);
        at16(0x114, is64 ? 0xF0 : 0xE0);
        at16(0x116, 0xA18E);
        // optional header
        const int o = 0x118;
        at16(o, is64 ? 0x20B : 0x10B);
        expected[o + 2] = 1;
        if (is64) {
            at32(o + 24, 0x400000);
        } else {
            at32(o + 28, 0x400000);
        }
        at32(o + 32, 0x1000);
        at32(o + 36, 0x200);
        at16(o + 40, 1);
        at16(o + 44, 1);
        at16(o + 48, 4);
        at32(o + 56, 0x3000);
        at32(o + 60, 0x400);
        at16(o + 68, 2);
        at16(o + 70, 1);
        const int w64 = is64 ? 8 : 4;
        at32(o + 72, 0x1000);
        at32(o + 72 + w64, 0x100);
        at32(o + 72 + 2 * w64, 0x1000);
        at32(o + 72 + 3 * w64, 0x100);
        const int dirs = o + 72 + 4 * w64 + 8;
        at32(dirs - 4, 16);
        at32(dirs + 16, 0x2000);
        at32(dirs + 20, 0x200);
        // section header
        const int sh = dirs + 128;
        QCOMPARE(sh, is64 ? 0x208 : 0x1F8);
        std::memcpy(expected.data() + sh, ".rsrc", 5);
        at32(sh + 8, 120);
        at32(sh + 12, 0x2000);
        at32(sh + 16, 0x200);
        at32(sh + 20, 0x400);
        at32(sh + 36, 0x40000000);
        // the section: root, name level, language, data entry, 16 empty slots
        const int s = 0x400;
        at32(s + 4, kFixedStamp);
        at16(s + 14, 1);
        at32(s + 16, 6);
        at32(s + 20, 0x80000018);
        at32(s + 24 + 4, kFixedStamp);
        at16(s + 24 + 14, 1);
        at32(s + 40, 1);
        at32(s + 44, 0x80000030);
        at32(s + 48 + 4, kFixedStamp);
        at16(s + 48 + 14, 1);
        at32(s + 68, 0x48);
        at32(s + 72, 0x2058);
        at32(s + 76, 32);

        for (int i = 0; i < image.size(); i += 4)
            if (Get32(image, i) != Get32(expected, i))
                QFAIL(qPrintable(QStringLiteral("differs at 0x%1").arg(i, 0, 16)));
    }

    void sectionListsTypesAndNamesInLoaderOrder()
    {
        // Blocks added out of type order and items out of name order.
        TResProcessor p;
        auto* rc = static_cast<TResRCData*>(p.AddBlock(std::make_unique<TResRCData>(&p)));
        rc->Add("7", true)->Buffer() = "seven";
        rc->Add("b", false)->Buffer() = "bee";
        rc->Add("A", false)->Buffer() = "a";
        rc->Add(QString::fromUtf8("Tß"), false)->Buffer() = "sharp s";
        rc->Add("TSS", false);
        rc->Add("TT", false);
        static_cast<TResString*>(p.AddBlock(std::make_unique<TResString>(&p)))->Add(1, "one");
        TPEReader reader(WriteTemp("order.dll", DllOf(p)));
        QCOMPARE(reader.Resources().GetResourceItem(0)->Name(), "String");
        // Windows upper-cases the name it looks for one character at a time
        // and compares code units, so names are stored that way and in that
        // order ("ß" has no one-character upper case and sorts after "T").
        TPEResourceList& names = reader.Resources().GetResourceItem(1)->List();
        QStringList stored;
        for (int i = 0; i < names.Count(); ++i) stored << names.GetResourceItem(i)->Name();
        QCOMPARE(stored, QStringList({"A", "B", "TSS", "TT", QString::fromUtf8("Tß"), "7"}));
        QCOMPARE(names.GetResourceItem(1)->RawData(), QByteArray("bee"));
        QCOMPARE(names.GetResourceItem(4)->RawData(), QByteArray("sharp s"));
        // The processor itself keeps its order.
        QCOMPARE(rc->Items(0)->Name(), "7");
    }

    void resFileLayoutIsExact()
    {
        TResProcessor p;
        static_cast<TResString*>(p.AddBlock(std::make_unique<TResString>(&p)))->Add(17, "Hi");
        static_cast<TResRCData*>(p.AddBlock(std::make_unique<TResRCData>(&p)))->Add("AB", false)->Buffer() = "xyz";
        QByteArray expected;
        TByteWriter w(expected);
        w.U32(0), w.U32(32), w.U32(0xFFFF), w.U32(0xFFFF), w.Zeros(16);
        // string block 2: slot 1 holds "Hi"
        w.U32(36), w.U32(32), w.U16(0xFFFF), w.U16(6), w.U16(0xFFFF), w.U16(2);
        w.U32(0), w.U16(0x1000), w.U16(0), w.U32(0), w.U32(0);
        w.Bytes(StringBlock({"", "Hi"}));
        // RCDATA "AB": name field 6 bytes padded to 8
        w.U32(3), w.U32(36), w.U16(0xFFFF), w.U16(10), w.Utf16("AB"), w.Zeros(4);
        w.U32(0), w.U16(0x1000), w.U16(0), w.U32(0), w.U32(0);
        w.Bytes("xyz"), w.Zeros(1);
        QCOMPARE(p.ResFileData(), expected);

        const QString file = FDir.filePath("exact.res");
        p.CreateResFile(file);
        QCOMPARE(ReadAll(file), expected);
    }

    void badResFilesEndInResError_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QByteArray good;
        TByteWriter w(good);
        w.U32(0), w.U32(32), w.U32(0xFFFF), w.U32(0xFFFF), w.Zeros(16);
        const qsizetype record = good.size();
        w.U32(4), w.U32(40), w.U16(0xFFFF), w.U16(10), w.Utf16("NAME"), w.U16(0), w.Zeros(2), w.Zeros(16), w.U32(7);
        const QString invalid = "Invalid file format";
        auto patched = [&](qsizetype at, quint32 v) {
            QByteArray b = good;
            Put32(b, at, v);
            return b;
        };
        const QString notRes = invalid + ": not a 32-bit .res file (it does not start with an empty record)";
        const QString damaged = invalid + ": a resource record is damaged or cut short";
        QTest::newRow("empty") << QByteArray() << invalid + ": the file is empty";
        QTest::newRow("text") << QByteArray("not a resource file at all, no.") << notRes;
        QTest::newRow("short header record") << good.left(20) << notRes;
        QTest::newRow("record cut short") << good.left(good.size() - 2) << damaged;
        QTest::newRow("header size too small") << patched(record + 4, 16) << damaged;
        QTest::newRow("header size past the end") << patched(record + 4, 0x7FFFFFFF) << damaged;
        QTest::newRow("data size past the end") << patched(record, 0xFFFFFFFF) << damaged;
        QByteArray unterminated = good.left(record);
        TByteWriter u(unterminated);
        u.U32(0), u.U32(32), u.U16(0xFFFF), u.U16(10), u.Utf16("ABCDEFGHIJKLMN");
        QTest::newRow("name without terminator") << unterminated << damaged;
        QByteArray namedBlock = good;
        Put16(namedBlock, record + 10, 6); // a string table named "NAME"
        QTest::newRow("named string block")
            << namedBlock << invalid + ": a string table has a name instead of a number";
        QByteArray shortBlock = good;
        Put16(shortBlock, record + 10, 6);
        Put32(shortBlock, record + 12, 0x0001FFFF); // block 1
        Put16(shortBlock, record + 40, 9);          // a string longer than the data
        QTest::newRow("string past the block") << shortBlock << invalid + ": string table 1 is cut short";
    }
    void badResFilesEndInResError()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString file = WriteTemp("bad.res", content);
        TResProcessor p;
        QCOMPARE(ErrorOf<EResError>([&] { p.LoadResFile(file); }), QStringLiteral("\"%1\": %2").arg(file, message));
        QCOMPARE(p.BlockCount(), 0);
    }

    void resReaderKeepsEveryRecord()
    {
        TResReader reader(Fixture("sample.res"));
        QCOMPARE(reader.EntryCount(), 5);
        QVERIFY(reader.GetEntry(5) == nullptr);
        const TResEntry& last = *reader.GetEntry(4);
        QVERIFY(last.ResType().IsOrdinal);
        QCOMPARE(last.ResType().Ordinal, quint16(10));
        QCOMPARE(last.ResName().Text(), "TFORM1");
        QCOMPARE(last.HeaderSize(), 44u);
        QCOMPARE(last.Data(), ReadAll(Fixture("tform1.bin")));
        const QString missing = FDir.filePath("missing.res");
        QCOMPARE(ErrorOf<EResError>([&] { TResReader r(missing); }),
                 "Couldn't open: " + missing + " (No such file or directory)");
    }

    void timeStampFollowsTheClock()
    {
        QCOMPARE(ResourceTimeStamp(), kFixedStamp);
        DateTime::SetClockForTesting([] { return QDateTime(QDate(1969, 12, 31), QTime(16, 0, 1)); });
        QCOMPARE(ResourceTimeStamp(), 1u);
        DateTime::SetClockForTesting([] { return kFixedNow; });
    }

    void sampleExecutableHoldsConstantsAndSettings()
    {
        TResProcessor p;
        p.LoadPEFile(QStringLiteral(SHARED_EXAMPLES_DIR "/Notes.exe"));
        QVERIFY(!p.Is64Bit());
        QCOMPARE(p.Strings()->Count(), 10);
        QCOMPARE(p.Strings()->ItemById(65001)->Data(), "Save changes to %s?");
        const TResRCDataItem* settings = p.RCData()->ItemByName("OXV_LIBSETTINGS_");
        QVERIFY(settings);
        QVERIFY(settings->Buffer().startsWith("LDLL"));
        QCOMPARE(settings->Size(), 4 + 4 + 2 + 2 + 23 + 2 + 14 + 2 + 2 + 4 + 1);
    }

    // --- -resinfo ------------------------------------------------------------

    void resInfoPrintsTheSample_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("dll") << "sample.dll";
        QTest::newRow("res") << "sample.res";
    }
    void resInfoPrintsTheSample()
    {
        QFETCH(QString, file);
        QString out, err;
        QTextStream o(&out), e(&err);
        QCOMPARE(RunResInfo(Fixture(file), o, e), 0);
        QCOMPARE(err, QString());
        QCOMPARE(out, QString::fromUtf8("[RT_STRING]\n"
                                        "1\tHello\n"
                                        "17\tGrüße\n"
                                        "4000\tПривет, мир\n"
                                        "4001\ttab\\there\n"
                                        "[RT_RCDATA]\n"
                                        "OXV_LIBSETTINGS_\t6\t06e36b440262a4b4aabe6e0a42249426a49be5e3\n"
                                        "TFORM1\t26\t1dd3bfa093b369201e7eb94c489795286445d367\n"));
    }

    void resInfoEscapesAndFails()
    {
        TResProcessor p;
        auto* s = static_cast<TResString*>(p.AddBlock(std::make_unique<TResString>(&p)));
        s->Add(3, QString("a\\b\r\n\x01\x1f%1 ") + QChar(0x7F) + QChar(0x9B) + QChar(0x202E) + "z");
        s->Add(2, "");
        const QString file = WriteTemp("escapes.dll", DllOf(p));
        QString out, err;
        QTextStream o(&out), e(&err);
        QCOMPARE(RunResInfo(file, o, e), 0);
        // DEL, the C1 CSI and a right-to-left override are shown, not obeyed.
        QCOMPARE(out, QString("[RT_STRING]\n3\ta\\\\b\\r\\n\\x01\\x1f%1 \\x7f\\x9b\\u202ez\n[RT_RCDATA]\n"));

        // Not "MZ": read as a .res file.
        out.clear();
        const QString text = WriteTemp("text.txt", "plain text, long enough to be read");
        QCOMPARE(RunResInfo(text, o, e), 1);
        QCOMPARE(out, QString());
        QCOMPARE(err, "\"" + text +
                          "\": Invalid file format: not a 32-bit .res file (it does not start with an empty "
                          "record)\n");
        err.clear();
        const QString nope = WriteTemp("nope.exe", "MZ");
        QCOMPARE(RunResInfo(nope, o, e), 1);
        QCOMPARE(err, "\"" + nope + "\": Not a PE (WIN32 Executable) file\n");
    }
};

QTEST_GUILESS_MAIN(TestResources)
#include "tst_resources.moc"
