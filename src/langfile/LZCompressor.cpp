#include "langfile/LZCompressor.h"

#include <QIODevice>
#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

namespace {

constexpr char Magic[5] = {'L', 'Z', 'Q', '0', '0'};
constexpr int HeaderSize = 9;
constexpr qint64 WindowSize = 2048;
constexpr int MaxRun = 127; // longest literal run, also the look-ahead
constexpr int MinMatch = 3;
constexpr int MaxMatch = 18;
constexpr int GoodMatch = 8; // a match longer than this ends the search
constexpr int PositionsPerByte = 40;
// Stream coding works on pieces of this size; a whole buffer is one piece.
constexpr qint64 ChunkSize = 256 * 1024;

[[noreturn]] void WrongFormat() { throw EQCompressError(QStringLiteral("Wrong stream format")); }

bool HasHeader(const char* Data, qsizetype Size)
{
    return Size >= HeaderSize && std::memcmp(Data, Magic, sizeof Magic) == 0;
}

void AppendHeader(QByteArray& Out, quint32 Version)
{
    Out.append(Magic, sizeof Magic);
    for (int i = 0; i < 4; ++i) Out.append(char(Version >> (8 * i)));
}

quint64 Load64(const uchar* p)
{
    quint64 v;
    std::memcpy(&v, p, 8);
    return v;
}

// Length of the common prefix of Candidate and Current, at most Cap. The first
// bytes are equal by construction. Reads up to 24 bytes when Available allows.
int MatchLength(const uchar* Candidate, const uchar* Current, int Cap, int Available)
{
    if (Available >= 24) {
        for (int k = 0; k < 24; k += 8) {
            const quint64 x = Load64(Candidate + k) ^ Load64(Current + k);
            if (x) return std::min(k + std::countr_zero(x) / 8, Cap);
        }
        return Cap;
    }
    int k = 1;
    while (k < Cap && Candidate[k] == Current[k]) ++k;
    return k;
}

// The match search. The format's encoder keeps the last 40 positions of each
// byte value (its dictionary) and tries those of the first look-ahead byte
// that are still inside the window, newest first; a strictly longer match
// replaces the best one and a match longer than 8 ends the search. Only
// candidates sharing three bytes with the look-ahead can ever become the best
// one, so this finder walks a chain of the positions that start with the same
// three bytes instead, newest first, and numbers the occurrences of each byte
// value to tell which of them the dictionary would still hold. It visits the
// candidates that matter in the same order and finds the same match, without
// the dozens of useless comparisons per byte that UTF-16 text causes.
class TMatchFinder {
public:
    TMatchFinder() { std::fill(std::begin(FHead), std::end(FHead), -1); }

    // Records the byte at Position as passed; At points to it and Left bytes
    // of input follow from there.
    void Add(const uchar* At, qint64 Position, qint64 Left)
    {
        const qsizetype Slot = qsizetype(Position & RingMask);
        FOccurrence[Slot] = FCount[At[0]]++;
        if (Left < MinMatch) return; // too close to the end to start a match
        const quint32 h = Hash(At);
        FPrev[Slot] = FHead[h];
        FHead[h] = Position;
    }

    // The best match for the look-ahead of Ahead bytes at Cur (position p);
    // 0 when there is none.
    int Find(const uchar* Cur, qint64 p, int Ahead, int& Distance) const
    {
        if (Ahead < MinMatch) return 0;
        const int Cap = std::min(Ahead, MaxMatch);
        const qint64 Oldest = std::max<qint64>(0, p + Ahead - WindowSize); // stream position of the window's first byte
        const quint32 Three = Load3(Cur);
        const quint32 Count = FCount[Cur[0]];
        int Best = MinMatch - 1;
        for (qint64 q = FHead[Hash(Cur)]; q >= Oldest; q = FPrev[q & RingMask]) {
            const uchar* Candidate = Cur - (p - q);
            if (Load3(Candidate) != Three) continue; // other bytes with the same hash
            // Not among the last 40 of its value any more, and neither is any older one.
            if (Count - FOccurrence[q & RingMask] > PositionsPerByte) break;
            // Only a strictly longer match counts: it must agree at index Best.
            if (Candidate[Best] != Cur[Best]) continue;
            const int k = MatchLength(Candidate, Cur, Cap, Ahead);
            if (k > Best) {
                Best = k;
                Distance = int(p - q);
                if (k > GoodMatch || k == Cap) break;
            }
        }
        return Best >= MinMatch ? Best : 0;
    }

private:
    // Ring slots for every position a candidate can have (window and look-ahead).
    static constexpr qint64 RingMask = 4095;
    static constexpr int HashBits = 13;

    // The three bytes at p; a candidate always has its fourth byte in the input.
    static quint32 Load3(const uchar* p) { return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16; }
    static quint32 Hash(const uchar* p) { return (Load3(p) * 2654435761u) >> (32 - HashBits); }

    qint64 FHead[1 << HashBits];       // newest position per hash of three bytes, -1 for none
    qint64 FPrev[RingMask + 1];        // the next older position with the same hash
    quint32 FOccurrence[RingMask + 1]; // how many bytes of its value came before the position
    quint32 FCount[256] = {};          // bytes of each value passed so far
};

// The encoder. Input comes piecewise: each call gets the stream bytes from
// Base to End and must still hold the 2048 bytes before Position(). A piece
// that is not the last is coded only while a full look-ahead of 127 bytes is
// left, so the tokens do not depend on how the input was cut.
class TLZEncoder {
public:
    TLZEncoder(QByteArray& Out, const TProgressEvent& OnProgress, qint64 ProgressBase, qint64 ProgressMax)
        : FOut(Out), FOnProgress(OnProgress), FProgressBase(ProgressBase), FProgressMax(ProgressMax),
          FFinder(std::make_unique<TMatchFinder>())
    {
    }

    qint64 Position() const { return FPos; }

    void Encode(const uchar* Data, qint64 Base, qint64 End, bool Last)
    {
        // Worst case: every byte a literal, plus a run header per 127 bytes,
        // plus the literals still pending from the previous piece.
        const qint64 Bound = (End - FPos + MaxRun) / MaxRun * (MaxRun + 1) + MaxRun + 1;
        const qsizetype Start = FOut.size();
        FOut.resize(Start + Bound);
        uchar* o = reinterpret_cast<uchar*>(FOut.data()) + Start;

        qint64 p = FPos;
        while (p < End) {
            const qint64 Left = End - p;
            if (Left < MaxRun && !Last) break;
            const int Ahead = int(std::min<qint64>(Left, MaxRun));
            const uchar* Cur = Data + (p - Base);
            int Distance = 0;
            const int Length = FFinder->Find(Cur, p, Ahead, Distance);
            if (Length) {
                o = FlushLiterals(o, Cur);
                const unsigned c = 1u | unsigned(Distance) << 1 | unsigned(Length - MinMatch) << 12;
                *o++ = uchar(c);
                *o++ = uchar(c >> 8);
                for (int i = 0; i < Length; ++i) FFinder->Add(Cur + i, p + i, Left - i);
            } else {
                if (FPending == MaxRun) o = FlushLiterals(o, Cur);
                ++FPending;
                FFinder->Add(Cur, p, Left);
            }
            if (FOnProgress) FOnProgress(FProgressBase + p + Ahead, FProgressMax);
            p += Length ? Length : 1;
        }
        FPos = p;
        if (Last) o = FlushLiterals(o, Data + (p - Base));
        FOut.resize(o - reinterpret_cast<uchar*>(FOut.data()));
    }

private:
    // Writes the pending literals, which are the bytes just before Cur.
    uchar* FlushLiterals(uchar* o, const uchar* Cur)
    {
        if (!FPending) return o;
        *o++ = uchar(FPending << 1);
        std::memcpy(o, Cur - FPending, size_t(FPending));
        o += FPending;
        FPending = 0;
        return o;
    }

    QByteArray& FOut;
    const TProgressEvent& FOnProgress;
    qint64 FProgressBase;
    qint64 FProgressMax;
    std::unique_ptr<TMatchFinder> FFinder; // about 110 KB, too big for the stack
    qint64 FPos = 0;
    int FPending = 0;
};

void WriteAll(QIODevice* Dest, const char* Data, qint64 Size)
{
    if (Size > 0 && Dest->write(Data, Size) != Size) {
        const QString Reason = Dest->errorString();
        throw EQCompressError(Reason.isEmpty() ? QStringLiteral("Stream write error") : Reason);
    }
}

// The next piece of Src, empty at its end.
QByteArray ReadChunk(QIODevice* Src)
{
    QByteArray Chunk(ChunkSize, Qt::Uninitialized);
    const qint64 Got = Src->read(Chunk.data(), ChunkSize);
    if (Got < 0) {
        const QString Reason = Src->errorString();
        throw EQCompressError(Reason.isEmpty() ? QStringLiteral("Stream read error") : Reason);
    }
    Chunk.resize(Got);
    return Chunk;
}

// The decoder. The output grows in one buffer; stream decoding drains all but
// the last 2048 bytes after each piece, which is all a back reference can see.
class TLZDecoder {
public:
    TLZDecoder(const TProgressEvent& OnProgress, qint64 ProgressMax, qsizetype Capacity)
        : FOnProgress(OnProgress), FProgressMax(ProgressMax),
          FBuf(std::max<qsizetype>(Capacity, 4096), Qt::Uninitialized)
    {
    }

    // Decodes the tokens of In from Pos on and returns where it stopped: at
    // the end, at a token cut by the end of a piece that is not the last, or
    // once MaxOutput bytes (when >= 0) are out. In the last piece a cut
    // literal run yields its bytes that are there and a cut reference
    // nothing. Progress positions are ProgressBase + the position in In.
    qsizetype Decode(const uchar* In, qsizetype Size, qsizetype Pos, bool Last, qint64 MaxOutput, qint64 ProgressBase)
    {
        uchar* o = reinterpret_cast<uchar*>(FBuf.data());
        qsizetype n = FSize;
        while (Pos < Size) {
            if (MaxOutput >= 0 && FFlushed + n >= MaxOutput) break;
            if (FBuf.size() - n < 2 * MaxRun) {
                FBuf.resize(FBuf.size() * 2);
                o = reinterpret_cast<uchar*>(FBuf.data());
            }
            const unsigned b0 = In[Pos];
            if (b0 & 1) {
                if (Size - Pos < 2) {
                    if (Last) Pos = Size;
                    break;
                }
                const unsigned c = b0 | unsigned(In[Pos + 1]) << 8;
                const qsizetype Distance = (c & 0x0FFF) >> 1;
                const int Length = int(c >> 12) + MinMatch;
                // Reaching before the first output byte is corrupt data.
                if (Distance == 0 || Distance > FFlushed + n) WrongFormat();
                uchar* Dst = o + n;
                const uchar* Src = Dst - Distance;
                if (Distance >= 8) {
                    // Each 8-byte step reads only bytes that are already
                    // final; the overshoot lands in the spare room behind
                    // the output and is overwritten later.
                    for (int i = 0; i < Length; i += 8) std::memcpy(Dst + i, Src + i, 8);
                } else {
                    for (int i = 0; i < Length; ++i) Dst[i] = Src[i];
                }
                n += Length;
                Pos += 2;
            } else {
                qsizetype Length = b0 >> 1;
                if (Size - Pos - 1 < Length) {
                    if (!Last) break;
                    Length = Size - Pos - 1;
                }
                std::memcpy(o + n, In + Pos + 1, size_t(Length));
                n += Length;
                Pos += 1 + Length;
            }
            if (FOnProgress) FOnProgress(ProgressBase + Pos, FProgressMax);
        }
        FSize = n;
        return Pos;
    }

    // Writes all output but the last Keep bytes.
    void Drain(QIODevice* Dest, qsizetype Keep)
    {
        const qsizetype Out = FSize - Keep;
        if (Out <= 0) return;
        WriteAll(Dest, FBuf.constData(), Out);
        std::memmove(FBuf.data(), FBuf.constData() + Out, size_t(Keep));
        FSize = Keep;
        FFlushed += Out;
    }

    QByteArray TakeAll(qint64 MaxOutput)
    {
        FBuf.resize(MaxOutput >= 0 ? std::min<qsizetype>(FSize, MaxOutput) : FSize);
        return std::move(FBuf);
    }

private:
    const TProgressEvent& FOnProgress;
    qint64 FProgressMax;
    QByteArray FBuf;
    qsizetype FSize = 0; // output bytes held in FBuf
    qint64 FFlushed = 0; // output bytes written out before FBuf[0]
};

const uchar* Bytes(const QByteArray& Data) { return reinterpret_cast<const uchar*>(Data.constData()); }

} // namespace

QByteArray CompressBuffer(const QByteArray& Src, const TProgressEvent& OnProgress)
{
    QByteArray Out;
    AppendHeader(Out, 0);
    TLZEncoder Encoder(Out, OnProgress, 0, Src.size());
    Encoder.Encode(Bytes(Src), 0, Src.size(), true);
    return Out;
}

qint64 DecompressedSize(const QByteArray& Src)
{
    if (!IsCompressedStream(Src)) WrongFormat();
    const uchar* In = Bytes(Src);
    const qsizetype Size = Src.size();
    qint64 Out = 0;
    // Only the tokens' first bytes are read: the same walk as the decoder's,
    // with the same treatment of a token cut by the end of the data.
    for (qsizetype Pos = HeaderSize; Pos < Size;) {
        const unsigned b0 = In[Pos];
        if (b0 & 1) {
            if (Size - Pos < 2) break;
            Out += (unsigned(In[Pos + 1]) >> 4) + MinMatch;
            Pos += 2;
        } else {
            const qsizetype Length = std::min<qsizetype>(b0 >> 1, Size - Pos - 1);
            Out += Length;
            Pos += 1 + Length;
        }
    }
    return Out;
}

QByteArray DecompressBuffer(const QByteArray& Src, const TProgressEvent& OnProgress, qsizetype MaxOutput)
{
    // The exact size is known from a quick first walk, so the output is
    // allocated once and never more than the data (or the limit) needs.
    qint64 Capacity = DecompressedSize(Src);
    if (MaxOutput >= 0) Capacity = std::min<qint64>(Capacity, MaxOutput);
    TLZDecoder Decoder(OnProgress, Src.size(), qsizetype(Capacity) + 2 * MaxRun);
    Decoder.Decode(Bytes(Src), Src.size(), HeaderSize, true, MaxOutput, 0);
    return Decoder.TakeAll(MaxOutput);
}

bool IsCompressedStream(const QByteArray& Data, qsizetype Pos)
{
    return Pos >= 0 && Pos <= Data.size() && HasHeader(Data.constData() + Pos, Data.size() - Pos);
}

bool IsCompressedStream(QIODevice* Stream)
{
    if (!Stream) return false;
    const QByteArray Head = Stream->peek(HeaderSize);
    return HasHeader(Head.constData(), Head.size());
}

void TQCompressor::CheckStreams() const
{
    if (!FSrcStream) throw EQCompressError(QStringLiteral("Source stream is not defined"));
    if (!FDestStream) throw EQCompressError(QStringLiteral("Destination stream is not defined"));
}

void TQCompressor::Compress()
{
    CheckStreams();
    WriteStreamHeader();
    DoCompress();
}

void TQCompressor::Decompress()
{
    CheckStreams();
    ReadHeader();
    DoDecompress();
}

void TQCompressor::ReadHeader()
{
    const QByteArray Head = FSrcStream->read(HeaderSize);
    if (!HasHeader(Head.constData(), Head.size())) WrongFormat();
    FVersion = 0;
    for (int i = 0; i < 4; ++i) FVersion |= quint32(uchar(Head[5 + i])) << (8 * i);
}

void TQCompressor::WriteStreamHeader()
{
    QByteArray Head;
    AppendHeader(Head, FVersion);
    WriteAll(FDestStream, Head.constData(), Head.size());
}

void TQCompressor::DoProgress(qint64 Position, qint64 MaxValue)
{
    if (FOnProgress) FOnProgress(Position, MaxValue);
}

void TLZQCompressor::DoCompress()
{
    const TProgressEvent Progress = [this](qint64 Position, qint64 MaxValue) { DoProgress(Position, MaxValue); };
    QByteArray Out;
    TLZEncoder Encoder(Out, Progress, FSrcStream->pos(), FSrcStream->size());
    // In holds the source from stream offset Base on (offsets count from where
    // compression started): the window behind the coder and what is ahead.
    QByteArray In;
    qint64 Base = 0;
    for (;;) {
        const QByteArray Chunk = ReadChunk(FSrcStream);
        const bool Last = Chunk.isEmpty();
        In.append(Chunk);
        Encoder.Encode(Bytes(In), Base, Base + In.size(), Last);
        WriteAll(FDestStream, Out.constData(), Out.size());
        Out.clear();
        if (Last) break;
        const qint64 Keep = std::max(Base, Encoder.Position() - WindowSize);
        In.remove(0, Keep - Base);
        Base = Keep;
    }
}

void TLZQCompressor::DoDecompress()
{
    const TProgressEvent Progress = [this](qint64 Position, qint64 MaxValue) { DoProgress(Position, MaxValue); };
    TLZDecoder Decoder(Progress, FSrcStream->size(), 4 * ChunkSize);
    QByteArray In; // the source from stream position Base on
    qint64 Base = FSrcStream->pos();
    for (;;) {
        const QByteArray Chunk = ReadChunk(FSrcStream);
        const bool Last = Chunk.isEmpty();
        In.append(Chunk);
        const qsizetype Used = Decoder.Decode(Bytes(In), In.size(), 0, Last, -1, Base);
        Decoder.Drain(FDestStream, Last ? 0 : WindowSize);
        if (Last) break;
        In.remove(0, Used);
        Base += Used;
    }
}

void CompressStream(QIODevice* Src, QIODevice* Dest, const TProgressEvent& OnProgress)
{
    TLZQCompressor Compressor;
    Compressor.SetSrcStream(Src);
    Compressor.SetDestStream(Dest);
    Compressor.SetOnProgress(OnProgress);
    Compressor.Compress();
}

void DecompressStream(QIODevice* Src, QIODevice* Dest, const TProgressEvent& OnProgress)
{
    TLZQCompressor Compressor;
    Compressor.SetSrcStream(Src);
    Compressor.SetDestStream(Dest);
    Compressor.SetOnProgress(OnProgress);
    Compressor.Decompress();
}
