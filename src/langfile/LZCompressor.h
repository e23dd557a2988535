#pragma once

#include "core/VocabrixError.h"

#include <QByteArray>
#include <functional>

VOCABRIX_ERROR(EQCompressError, EVocabrixError);

// Progress callback: input position and input size, called after each token.
using TProgressEvent = std::function<void(qint64 Position, qint64 MaxValue)>;

// The compressed stream: "LZQ00", a 32-bit version, then byte-aligned tokens
// (literal runs of up to 127 bytes, back references of 3 to 18 bytes within
// 2048 bytes).

// Compresses a whole buffer (header included).
QByteArray CompressBuffer(const QByteArray& Src, const TProgressEvent& OnProgress = {});

// Decompresses a whole compressed buffer. Fails with "Wrong stream format"
// when the magic is missing. With MaxOutput >= 0 it stops as soon as that many
// bytes are out (enough to read a file's header from its start).
QByteArray DecompressBuffer(const QByteArray& Src, const TProgressEvent& OnProgress = {}, qsizetype MaxOutput = -1);

// True when the bytes at Pos start with the magic "LZQ00".
bool IsCompressedStream(const QByteArray& Data, qsizetype Pos = 0);
