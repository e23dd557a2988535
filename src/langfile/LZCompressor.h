#pragma once

#include "core/VocabrixError.h"

#include <QByteArray>
#include <functional>

class QIODevice;

VOCABRIX_ERROR(EQCompressError, EVocabrixError);

// Progress callback: input position and input size, called after each token.
using TProgressEvent = std::function<void(qint64 Position, qint64 MaxValue)>;

// The compressed stream: "LZQ00", a 32-bit version, then byte-aligned tokens
// (literal runs of up to 127 bytes, back references of 3 to 18 bytes within
// 2048 bytes). There is no end marker: decoding ends with the input, so a
// stream cut inside a token still yields everything before that token.
// Compressed output is the same byte for byte for the same input on every
// machine, so files written here are identical to those of earlier writers.

// Compresses a whole buffer (header included).
QByteArray CompressBuffer(const QByteArray& Src, const TProgressEvent& OnProgress = {});

// Decompresses a whole compressed buffer. Fails with "Wrong stream format"
// when the header is missing or a back reference points before the start of
// the output. With MaxOutput >= 0 it stops as soon as that many bytes are out
// and returns at most MaxOutput bytes (enough to read a file's header).
QByteArray DecompressBuffer(const QByteArray& Src, const TProgressEvent& OnProgress = {}, qsizetype MaxOutput = -1);

// The size a whole compressed buffer decompresses to (at most: a damaged
// stream fails part-way), found without decompressing it, so that a reader
// can refuse data that would grow past its limit before allocating any.
// Fails like DecompressBuffer when the header is missing.
qint64 DecompressedSize(const QByteArray& Src);

// True when the bytes at Pos hold the whole 9-byte header (magic "LZQ00" and
// the version).
bool IsCompressedStream(const QByteArray& Data, qsizetype Pos = 0);

// Stream-to-stream coder: reads the source from its current position to its
// end and writes at the destination's current position.
class TQCompressor {
public:
    virtual ~TQCompressor() = default;

    QIODevice* SrcStream() const { return FSrcStream; }
    void SetSrcStream(QIODevice* Value) { FSrcStream = Value; }
    QIODevice* DestStream() const { return FDestStream; }
    void SetDestStream(QIODevice* Value) { FDestStream = Value; }
    const TProgressEvent& OnProgress() const { return FOnProgress; }
    void SetOnProgress(TProgressEvent Value) { FOnProgress = std::move(Value); }
    // The version carried in the header: 0 when written here, the stored one
    // after Decompress.
    quint32 Version() const { return FVersion; }

    void Compress();
    void Decompress();

protected:
    virtual void ReadHeader();
    virtual void WriteStreamHeader();
    virtual void DoCompress() = 0;
    virtual void DoDecompress() = 0;
    virtual void DoProgress(qint64 Position, qint64 MaxValue);

    QIODevice* FSrcStream = nullptr;
    QIODevice* FDestStream = nullptr;
    TProgressEvent FOnProgress;
    quint32 FVersion = 0;

private:
    void CheckStreams() const;
};

class TLZQCompressor : public TQCompressor {
protected:
    void DoCompress() override;
    void DoDecompress() override;
};

void CompressStream(QIODevice* Src, QIODevice* Dest, const TProgressEvent& OnProgress = {});
void DecompressStream(QIODevice* Src, QIODevice* Dest, const TProgressEvent& OnProgress = {});

// Looks at the next 9 bytes without consuming them; true when they are a
// header. A null stream is not compressed.
bool IsCompressedStream(QIODevice* Stream);
