#include "langfile/LZCompressor.h"

#include <QBuffer>
#include <QtTest>
#include <random>
#include <vector>

namespace {

const QByteArray Header("LZQ00\0\0\0\0", 9);

QByteArray Hex(const char* Text) { return QByteArray::fromHex(Text); }

// The reference encoder written plainly, the way the format's first encoder
// works: a circular window whose look-ahead starts at BufIndex, one list of
// the last 40 stream positions per byte value, and the match search with its
// tie-breaks. The fast encoder must produce exactly its output.
class TModelWindow {
public:
    uchar Data(int i) const { return FData[(FStart + i) % Capacity]; }
    uchar Buffer(int i) const { return Data(FBufIndex + i); }
    int BufSize() const { return FSize - FBufIndex; }
    int BufIndex() const { return FBufIndex; }
    quint32 GlobalStart() const { return FGlobalStart; }

    void AddByte(uchar b)
    {
        FData[(FStart + FSize) % Capacity] = b;
        ++FSize;
        if (FSize > Capacity) { // the oldest byte leaves, the look-ahead keeps pointing at the same byte
            FStart = (FStart + 1) % Capacity;
            ++FGlobalStart;
            --FBufIndex;
            FSize = Capacity;
        }
    }
    void Pass(int n, std::vector<quint32> (&Dictionary)[256])
    {
        for (int i = 0; i < n; ++i) {
            std::vector<quint32>& List = Dictionary[Buffer(i)];
            List.push_back(FGlobalStart + quint32(FBufIndex + i));
            if (List.size() > 40) List.erase(List.begin());
        }
        FBufIndex += n;
    }

private:
    static constexpr int Capacity = 2048;
    uchar FData[Capacity] = {};
    int FStart = 0;
    int FSize = 0;
    int FBufIndex = 0;
    quint32 FGlobalStart = 0;
};

QByteArray ModelCompress(const QByteArray& Src)
{
    QByteArray Out = Header;
    QByteArray Pending;
    auto FlushPending = [&] {
        if (Pending.isEmpty()) return;
        Out.append(char(Pending.size() << 1));
        Out.append(Pending);
        Pending.clear();
    };
    TModelWindow W;
    std::vector<quint32> Dictionary[256];
    qsizetype Read = 0;
    while (Read < Src.size() || W.BufSize() > 0) {
        while (W.BufSize() < 127 && Read < Src.size()) W.AddByte(uchar(Src[Read++]));
        int BestLength = 0, BestDistance = 0;
        if (W.BufSize() >= 3) {
            std::vector<quint32>& List = Dictionary[W.Buffer(0)];
            for (int i = int(List.size()) - 1; i >= 0; --i) {
                if (List[i] < W.GlobalStart()) {
                    List.erase(List.begin(), List.begin() + i + 1);
                    break;
                }
                const int Candidate = int(List[i] - W.GlobalStart());
                int k = 1;
                while (k < W.BufSize() && k < 18 && W.Data(Candidate + k) == W.Buffer(k)) ++k;
                if (k >= 3 && k > BestLength) {
                    BestLength = k;
                    BestDistance = W.BufIndex() - Candidate;
                    if (k > 8) break;
                }
            }
        }
        if (BestLength) {
            FlushPending();
            const int c = 1 | BestDistance << 1 | (BestLength - 3) << 12;
            Out.append(char(c & 0xFF));
            Out.append(char(c >> 8));
            W.Pass(BestLength, Dictionary);
        } else {
            if (Pending.size() == 127) FlushPending();
            Pending.append(char(W.Buffer(0)));
            W.Pass(1, Dictionary);
        }
    }
    FlushPending();
    return Out;
}

QByteArray RandomBytes(std::mt19937& Gen, qsizetype Size, int Alphabet = 256)
{
    QByteArray b(Size, Qt::Uninitialized);
    for (char& c : b) c = char(Gen() % unsigned(Alphabet));
    return b;
}

// UTF-16 UI texts with 8-bit names and small binary fields in between.
QByteArray LanguageLike(std::mt19937& Gen, qsizetype Size)
{
    static const char* Words[] = {"&Open...", "Save",        "Cancel",  "%d files", "Delete the selected item?",
                                  "Options",  "Translation", "Warning", "Close",    "Language"};
    QByteArray b;
    while (b.size() < Size) {
        b.append("btnItem");
        b.append(QByteArray::number(Gen() % 500));
        for (int i = 0; i < 6; ++i) b.append(char(Gen() % 4));
        const QString Text =
            QString::fromLatin1(Words[Gen() % 10]) + QLatin1Char(' ') + QString::fromLatin1(Words[Gen() % 10]);
        b.append(reinterpret_cast<const char*>(Text.utf16()), Text.size() * 2);
    }
    b.truncate(Size);
    return b;
}

QByteArray Repeated(const QByteArray& Block, qsizetype Size)
{
    QByteArray b;
    while (b.size() < Size) b.append(Block);
    b.truncate(Size);
    return b;
}

QByteArray StreamCompress(const QByteArray& Src, const TProgressEvent& OnProgress = {})
{
    // Start inside both streams: the coder works from their current positions.
    QByteArray SrcBytes = "skip" + Src;
    QBuffer In(&SrcBytes);
    In.open(QIODevice::ReadOnly);
    In.seek(4);
    QByteArray OutBytes = "ab";
    QBuffer Out(&OutBytes);
    Out.open(QIODevice::ReadWrite);
    Out.seek(2);
    CompressStream(&In, &Out, OnProgress);
    return OutBytes.mid(2);
}

QByteArray StreamDecompress(const QByteArray& Src, const TProgressEvent& OnProgress = {})
{
    QByteArray SrcBytes = Src;
    QBuffer In(&SrcBytes);
    In.open(QIODevice::ReadOnly);
    QByteArray OutBytes;
    QBuffer Out(&OutBytes);
    Out.open(QIODevice::WriteOnly);
    DecompressStream(&In, &Out, OnProgress);
    return OutBytes;
}

template <class F> QString ErrorOf(F&& Action)
{
    try {
        Action();
    } catch (const EQCompressError& e) {
        return e.Message();
    }
    return QString();
}

} // namespace

class TestLZCompressor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void knownEncodings_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("tokens");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("abc") << QByteArray("abc") << Hex("06616263");
        // A literal, 16 references of distance 1 and length 18, one of length 11.
        QTest::newRow("300 equal bytes") << QByteArray(300, 'x')
                                         << Hex("0278") + Hex("03f0").repeated(16) + Hex("0380");
        QByteArray Distinct;
        for (int i = 0; i < 128; ++i) Distinct.append(char(i));
        QTest::newRow("128 distinct bytes")
            << Distinct << Hex("fe") + Distinct.left(127) + Hex("02") + Distinct.right(1);
    }
    void knownEncodings()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, tokens);
        QCOMPARE(CompressBuffer(input), Header + tokens);
        QCOMPARE(ModelCompress(input), Header + tokens);
        QCOMPARE(DecompressBuffer(Header + tokens), input);
        QCOMPARE(StreamDecompress(Header + tokens), input);
    }

    // The fast encoder against the model, and every path back to the input.
    void matchesModelAndRoundTrips_data()
    {
        QTest::addColumn<QByteArray>("input");
        std::mt19937 Gen(2024);
        for (int Size : {1, 2, 3, 4, 126, 127, 128, 2047, 2048, 2049, 5000, 70000})
            QTest::addRow("random %d", Size) << RandomBytes(Gen, Size);
        QTest::newRow("4 symbols") << RandomBytes(Gen, 60000, 4); // lists full, many equal candidates
        QTest::newRow("2 symbols") << RandomBytes(Gen, 20000, 2);
        QTest::newRow("language-like 100k") << LanguageLike(Gen, 100000);
        QTest::newRow("language-like 600k") << LanguageLike(Gen, 600000); // several stream pieces
        QTest::newRow("zeros") << QByteArray(10000, '\0');
        QTest::newRow("abcabc") << Repeated("abc", 1000);
        const QByteArray Block = RandomBytes(Gen, 2100);
        for (int Period : {1900, 1920, 1921, 1922, 1930, 2040, 2045, 2047, 2048, 2050})
            QTest::addRow("period %d", Period) << Repeated(Block.left(Period), 3 * Period + 50);
        for (int Gap : {2040, 2044, 2045, 2046, 2047, 2048})
            QTest::addRow("tail %d back", Gap) << Block.left(Gap) + Block.left(3);
        QByteArray Mixed;
        for (int i = 0; i < 40; ++i) Mixed += i % 2 ? RandomBytes(Gen, Gen() % 3000) : LanguageLike(Gen, Gen() % 3000);
        QTest::newRow("mixed") << Mixed;
    }
    void matchesModelAndRoundTrips()
    {
        QFETCH(QByteArray, input);
        const QByteArray Compressed = CompressBuffer(input);
        QCOMPARE(Compressed, ModelCompress(input));
        QCOMPARE(StreamCompress(input), Compressed);
        QCOMPARE(DecompressBuffer(Compressed), input);
        QCOMPARE(StreamDecompress(Compressed), input);
        QCOMPARE(DecompressedSize(Compressed), input.size());
    }

    void randomStructuredInputsMatchModel()
    {
        std::mt19937 Gen(99);
        for (int Round = 0; Round < 200; ++Round) {
            // Pieces copied from earlier at random distances, with noise.
            QByteArray b = RandomBytes(Gen, 1 + Gen() % 64, 1 + Gen() % 256);
            const int Target = int(Gen() % 12000);
            while (b.size() < Target) {
                if (Gen() % 3) {
                    const qsizetype From = b.size() - 1 - qsizetype(Gen() % std::min<qsizetype>(b.size(), 2300));
                    b += b.mid(From, 1 + Gen() % 40);
                } else {
                    b += RandomBytes(Gen, 1 + Gen() % 20, 1 + Gen() % 256);
                }
            }
            const QByteArray Compressed = CompressBuffer(b);
            QCOMPARE(Compressed, ModelCompress(b));
            QCOMPARE(DecompressBuffer(Compressed), b);
        }
    }

    void corruptReferencesAreRejected_data()
    {
        QTest::addColumn<QByteArray>("tokens");
        QTest::newRow("reference first") << Hex("0300");
        QTest::newRow("distance 2 after 1 byte") << Hex("02610500");
        QTest::newRow("distance 0") << Hex("02610100");
        QTest::newRow("distance 2047 after 127 bytes") << Hex("fe") + QByteArray(127, 'a') + Hex("ff0f");
    }
    void corruptReferencesAreRejected()
    {
        QFETCH(QByteArray, tokens);
        QCOMPARE(ErrorOf([&] { DecompressBuffer(Header + tokens); }), QStringLiteral("Wrong stream format"));
        QCOMPARE(ErrorOf([&] { StreamDecompress(Header + tokens); }), QStringLiteral("Wrong stream format"));
    }

    void garbageNeverCrashes()
    {
        std::mt19937 Gen(11);
        for (int Round = 0; Round < 500; ++Round) {
            const QByteArray Stream = Header + RandomBytes(Gen, Gen() % 600);
            try {
                QVERIFY(DecompressBuffer(Stream).size() <= 9 * Stream.size()); // 2 bytes yield at most 18
            } catch (const EQCompressError& e) {
                QCOMPARE(e.Message(), QStringLiteral("Wrong stream format"));
            }
        }
    }

    void decoderFollowsReferences()
    {
        QCOMPARE(DecompressBuffer(Header + Hex("02610300")), QByteArray("aaaa")); // distance 1 = all there is
        QCOMPARE(DecompressBuffer(Header + Hex("0461620500")), QByteArray("ababa"));
        QCOMPARE(DecompressBuffer(Header + Hex("00") + Hex("0261")), QByteArray("a")); // an empty run is harmless
        // The longest distance: 2047 literals, then a reference to the first byte.
        std::mt19937 Gen(7);
        const QByteArray Far = RandomBytes(Gen, 2047);
        QByteArray Tokens = Header;
        for (int i = 0; i < Far.size(); i += 127) {
            const QByteArray Run = Far.mid(i, 127);
            Tokens += char(Run.size() << 1) + Run;
        }
        Tokens += Hex("ff0f");
        QCOMPARE(DecompressBuffer(Tokens), Far + Far.left(3));
        QCOMPARE(StreamDecompress(Tokens), Far + Far.left(3));
    }

    // A cut stream yields a prefix of the data: every complete token, and
    // never anything read past the input.
    void truncatedStreamYieldsPrefix()
    {
        std::mt19937 Gen(5);
        const QByteArray Input = LanguageLike(Gen, 3000) + RandomBytes(Gen, 300);
        const QByteArray Compressed = CompressBuffer(Input);
        qsizetype Previous = 0;
        for (qsizetype Cut = 9; Cut <= Compressed.size(); ++Cut) {
            const QByteArray Out = DecompressBuffer(Compressed.left(Cut));
            QVERIFY2(Input.startsWith(Out), qPrintable(QString::number(Cut)));
            // The size known in advance is that of what the cut stream yields.
            QCOMPARE(DecompressedSize(Compressed.left(Cut)), Out.size());
            QVERIFY(Out.size() >= Previous);
            Previous = Out.size();
        }
        QCOMPARE(Previous, Input.size());
    }

    void maxOutputStopsEarly_data()
    {
        QTest::addColumn<int>("maxOutput");
        for (int m : {0, 1, 9, 100, 2048, 2999, 3000, 5000}) QTest::addRow("%d", m) << m;
    }
    void maxOutputStopsEarly()
    {
        QFETCH(int, maxOutput);
        const QByteArray Input = Repeated("Translate &me ", 3000);
        QCOMPARE(DecompressBuffer(CompressBuffer(Input), {}, maxOutput), Input.left(maxOutput));
    }

    void progressReportsInputPositions()
    {
        QList<QPair<qint64, qint64>> Calls;
        auto Record = [&](qint64 Position, qint64 MaxValue) { Calls.append({Position, MaxValue}); };
        const QByteArray Abc = CompressBuffer("abc", Record);
        // One call per coding step; all three bytes were read in the first fill.
        QCOMPARE(Calls, (QList<QPair<qint64, qint64>>{{3, 3}, {3, 3}, {3, 3}}));
        Calls.clear();
        DecompressBuffer(Abc, Record); // one token
        QCOMPARE(Calls, (QList<QPair<qint64, qint64>>{{13, 13}}));

        const QByteArray Input = Repeated("Open &file ", 20000);
        for (bool Stream : {false, true}) {
            Calls.clear();
            const QByteArray Compressed = Stream ? StreamCompress(Input, Record) : CompressBuffer(Input, Record);
            const qint64 Offset = Stream ? 4 : 0; // the stream starts 4 bytes in
            QVERIFY(Calls.size() > 1);
            for (int i = 1; i < Calls.size(); ++i) QVERIFY(Calls[i].first >= Calls[i - 1].first);
            QCOMPARE(Calls.last(), qMakePair(Offset + Input.size(), Offset + Input.size()));
            Calls.clear();
            Stream ? StreamDecompress(Compressed, Record) : DecompressBuffer(Compressed, Record);
            QCOMPARE(Calls.last(), qMakePair(qint64(Compressed.size()), qint64(Compressed.size())));
        }
    }

    void streamErrorsAndHeader()
    {
        QByteArray Bytes = "data";
        QBuffer Buffer(&Bytes);
        Buffer.open(QIODevice::ReadWrite);
        TLZQCompressor Compressor;
        QCOMPARE(ErrorOf([&] { Compressor.Compress(); }), QStringLiteral("Source stream is not defined"));
        Compressor.SetSrcStream(&Buffer);
        QCOMPARE(ErrorOf([&] { Compressor.Decompress(); }), QStringLiteral("Destination stream is not defined"));

        // The version is read from the header.
        QByteArray Versioned = QByteArray("LZQ00\x07\0\0\0", 9) + Hex("0278");
        QBuffer In(&Versioned);
        In.open(QIODevice::ReadOnly);
        QByteArray OutBytes;
        QBuffer Out(&OutBytes);
        Out.open(QIODevice::WriteOnly);
        Compressor.SetSrcStream(&In);
        Compressor.SetDestStream(&Out);
        Compressor.Decompress();
        QCOMPARE(Compressor.Version(), 7u);
        QCOMPARE(OutBytes, QByteArray("x"));

        // A destination that refuses to be written is an error, not silence.
        QByteArray Source = "abc";
        QBuffer Src(&Source);
        Src.open(QIODevice::ReadOnly);
        QBuffer ReadOnly(&Bytes);
        ReadOnly.open(QIODevice::ReadOnly);
        QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): ReadOnly device");
        QVERIFY(!ErrorOf([&] { CompressStream(&Src, &ReadOnly); }).isEmpty());
    }

    void wrongMagicIsNotCompressed_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("other magic") << QByteArray("LZQ01\0\0\0\0\x02x", 11);
        QTest::newRow("lower case") << QByteArray("lzq00\0\0\0\0", 9);
        QTest::newRow("short magic") << QByteArray("LZQ0");
        QTest::newRow("version cut") << QByteArray("LZQ00\0\0", 7);
        QTest::newRow("plain language file") << QByteArray("LF\x07\0\0\0\0\0\0\0", 10);
    }
    void wrongMagicIsNotCompressed()
    {
        QFETCH(QByteArray, data);
        QVERIFY(!IsCompressedStream(data));
        QBuffer Stream(&data);
        Stream.open(QIODevice::ReadOnly);
        QVERIFY(!IsCompressedStream(&Stream));
        QCOMPARE(ErrorOf([&] { DecompressBuffer(data); }), QStringLiteral("Wrong stream format"));
        QCOMPARE(ErrorOf([&] { StreamDecompress(data); }), QStringLiteral("Wrong stream format"));
    }

    void isCompressedLooksWithoutConsuming()
    {
        QByteArray Data = "xy" + CompressBuffer("hello");
        QVERIFY(IsCompressedStream(Data, 2));
        QVERIFY(!IsCompressedStream(Data, 0));
        QVERIFY(!IsCompressedStream(Data, Data.size() + 1));
        QBuffer Stream(&Data);
        Stream.open(QIODevice::ReadOnly);
        Stream.seek(2);
        QVERIFY(IsCompressedStream(&Stream));
        QCOMPARE(Stream.pos(), qint64(2));
        QVERIFY(!IsCompressedStream(static_cast<QIODevice*>(nullptr)));
    }
};

QTEST_GUILESS_MAIN(TestLZCompressor)
#include "tst_lzcompressor.moc"
