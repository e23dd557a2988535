#pragma once

#include "core/VocabrixError.h"

#include <QByteArray>
#include <QString>
#include <vector>

VOCABRIX_ERROR(EResError, EVocabrixError);

// The type or name of a .res record: an ordinal or a string.
struct TResId {
    bool IsOrdinal = true;
    quint16 Ordinal = 0;
    QString Name;

    // The ordinal in decimal or the name.
    QString Text() const { return IsOrdinal ? QString::number(Ordinal) : Name; }
};

// One record of a .res file.
class TResEntry {
public:
    quint32 DataSize() const { return FDataSize; }
    quint32 HeaderSize() const { return FHeaderSize; }
    qsizetype DataPointer() const { return FDataPointer; } // offset of the data in the file
    const TResId& ResType() const { return FResType; }
    const TResId& ResName() const { return FResName; }
    QByteArray Data() const { return FFile->mid(FDataPointer, FDataSize); }

private:
    friend class TResReader;
    const QByteArray* FFile = nullptr;
    quint32 FDataSize = 0;
    quint32 FHeaderSize = 0;
    qsizetype FDataPointer = 0;
    TResId FResType;
    TResId FResName;
};

// A 32-bit .res file: the sequence of resource records after the empty
// header record. Every size and offset is checked against the file.
class TResReader {
public:
    explicit TResReader(const QString& AFileName);
    TResReader(const TResReader&) = delete; // entries refer to the reader's buffer
    TResReader& operator=(const TResReader&) = delete;

    const QString& FileName() const { return FFileName; }
    int EntryCount() const { return int(FEntryList.size()); }
    const TResEntry* GetEntry(int Index) const; // nullptr outside 0..EntryCount-1

private:
    QString FFileName;
    QByteArray FFileBase;
    std::vector<TResEntry> FEntryList;
};
