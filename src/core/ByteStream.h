#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstring>
#include <limits>

// Little-endian reader over a byte buffer. Every read checks what is left and
// throws E(message) instead of reading past the end, so a truncated or
// corrupted file can never crash a reader or make it allocate absurd sizes.
template <class E>
class TByteReader {
public:
    TByteReader(const QByteArray& data, QString errorMessage, qsizetype start = 0)
        : FData(data), FPos(start), FError(std::move(errorMessage))
    {
        if (start < 0 || start > data.size()) Fail();
    }

    qsizetype Pos() const { return FPos; }
    qsizetype Size() const { return FData.size(); }
    qsizetype Remaining() const { return FData.size() - FPos; }
    bool AtEnd() const { return FPos >= FData.size(); }
    const QByteArray& Data() const { return FData; }

    void Seek(qsizetype pos)
    {
        if (pos < 0 || pos > FData.size()) Fail();
        FPos = pos;
    }
    void Skip(qsizetype n) { Need(n), FPos += n; }

    // Throws unless n more bytes are available.
    void Need(qsizetype n) const
    {
        if (n < 0 || n > Remaining()) Fail();
    }

    uint8_t U8() { return Take<uint8_t>(); }
    uint16_t U16() { return Take<uint16_t>(); }
    uint32_t U32() { return Take<uint32_t>(); }
    uint64_t U64() { return Take<uint64_t>(); }
    int16_t I16() { return Take<int16_t>(); }
    int32_t I32() { return Take<int32_t>(); }
    int64_t I64() { return Take<int64_t>(); }
    double F64() { return Take<double>(); }

    QByteArray Bytes(qsizetype n)
    {
        Need(n);
        QByteArray result = FData.mid(FPos, n);
        FPos += n;
        return result;
    }
    // A pointer to the next n bytes without copying them.
    const char* Peek(qsizetype n) const
    {
        Need(n);
        return FData.constData() + FPos;
    }
    // n UTF-16 code units.
    QString Utf16(qsizetype units)
    {
        if (units < 0 || units > Remaining() / 2) Fail();
        QString s(units, Qt::Uninitialized);
        std::memcpy(s.data(), FData.constData() + FPos, size_t(units) * 2);
        FPos += units * 2;
        return s;
    }

    [[noreturn]] void Fail() const { throw E(FError); }

private:
    template <class T>
    T Take()
    {
        Need(sizeof(T));
        T v;
        std::memcpy(&v, FData.constData() + FPos, sizeof(T)); // host is little-endian
        FPos += sizeof(T);
        return v;
    }

    const QByteArray& FData;
    qsizetype FPos;
    QString FError;
};

// Little-endian writer appending to a byte buffer.
class TByteWriter {
public:
    explicit TByteWriter(QByteArray& out) : FOut(out) {}

    qsizetype Pos() const { return FOut.size(); }
    void U8(uint8_t v) { FOut.append(char(v)); }
    void U16(uint16_t v) { Put(v); }
    void U32(uint32_t v) { Put(v); }
    void U64(uint64_t v) { Put(v); }
    void I16(int16_t v) { Put(v); }
    void I32(int32_t v) { Put(v); }
    void I64(int64_t v) { Put(v); }
    void F64(double v) { Put(v); }
    void Bytes(const QByteArray& b) { FOut.append(b); }
    void Bytes(const char* p, qsizetype n) { FOut.append(p, n); }
    void Zeros(qsizetype n) { FOut.append(n, '\0'); }
    void Utf16(const QString& s) { FOut.append(reinterpret_cast<const char*>(s.utf16()), s.size() * 2); }

    // Overwrites bytes written earlier (sizes and offsets known only later).
    void PatchU16(qsizetype at, uint16_t v) { Patch(at, v); }
    void PatchU32(qsizetype at, uint32_t v) { Patch(at, v); }

private:
    template <class T>
    void Put(T v)
    {
        char b[sizeof(T)];
        std::memcpy(b, &v, sizeof(T));
        FOut.append(b, sizeof(T));
    }
    template <class T>
    void Patch(qsizetype at, T v)
    {
        Q_ASSERT(at >= 0 && at + qsizetype(sizeof(T)) <= FOut.size());
        std::memcpy(FOut.data() + at, &v, sizeof(T));
    }

    QByteArray& FOut;
};

static_assert(std::numeric_limits<double>::is_iec559, "IEEE doubles expected");
#if Q_BYTE_ORDER != Q_LITTLE_ENDIAN
#error "little-endian host expected"
#endif
