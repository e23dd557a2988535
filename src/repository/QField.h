#pragma once

#include "repository/QBaseError.h"

#include <QByteArray>
#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstring>
#include <memory>
#include <vector>

class QIODevice;
class TQTable;

// The data types of a field, stored as one byte in its descriptor.
enum TQDataType : quint8 {
    dtUnknown = 0,
    dtString = 1,
    dtSmallint = 2,
    dtInteger = 3,
    dtWord = 4,
    dtBoolean = 5,
    dtFloat = 6,
    dtCurrency = 7,
    dtDate = 8,
    dtTime = 9,
    dtDateTime = 10,
    dtMemo = 11,
    dtWideString = 12,
    dtWideMemo = 13,
    dtAutoInc = 14,
    dtBlob = 15,
};
constexpr int dtLastType = dtBlob;

enum TQLocateOption { qloCaseInsensitive = 0x1, qloPartialKey = 0x2, qloIgnoreAmpersand = 0x4 };
Q_DECLARE_FLAGS(TQLocateOptions, TQLocateOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TQLocateOptions)

bool IsMemoType(TQDataType Type);
bool IsTextType(TQDataType Type); // strings and memos
// Bytes a field of this type and size takes in a record.
int FieldDataSize(TQDataType Type, int Size);

// "&" followed by another character is dropped, "&&" becomes "&", a final "&" stays.
QString RemoveAmpersands(const QString& S);

// The one comparison of locate and of the memory index: -1, 0 or +1.
int CompareFieldValues(TQDataType DataType, int Locale, const QVariant& A, const QVariant& B, TQLocateOptions Options,
                       int MaxLength);
// The text of a value as the comparison sees it: ANSI values converted from
// the locale's code page, wide values sent through it and back.
QString TextCompareForm(int Locale, const QVariant& V);
// The text part of CompareFieldValues for two texts already in compare form.
int CompareTextForms(int Locale, const QString& A, const QString& B, TQLocateOptions Options, int MaxLength);

// One column of a table. Its value lives in the table's record buffer; a
// memo-type value that was set is held here until the record is written.
class TQField {
public:
    TQField() = default;

    const QString& FieldName() const { return FFieldName; }
    void SetFieldName(const QString& Value) { FFieldName = Value; }
    const QString& OldFieldName() const { return FOldFieldName; }
    void SetOldFieldName(const QString& Value) { FOldFieldName = Value; }
    const QString& Description() const { return FDescription; }
    void SetDescription(const QString& Value) { FDescription = Value; }
    TQDataType DataType() const { return FDataType; }
    void SetDataType(TQDataType Value);
    int Size() const { return FSize; }
    void SetSize(int Value);
    int DataSize() const { return FieldDataSize(FDataType, FSize); }
    int FieldNo() const { return FFieldNo; }
    void SetFieldNo(int Value) { FFieldNo = Value; }
    int Locale() const { return FLocale; }
    void SetLocale(int Value) { FLocale = Value; }
    bool MemoryIndex() const { return FMemoryIndex; }
    void SetMemoryIndex(bool Value) { FMemoryIndex = Value; }
    const QVariant& DefValue() const { return FDefValue; }
    void SetDefValue(const QVariant& Value);
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    TQTable* Table() const { return FTable; }
    bool Internal() const { return FInternal; }
    int Offset() const { return FOffset; } // byte position inside the record data

    QByteArray AsString() const;
    QString AsWideString() const;
    QVariant AsVariant() const;
    qint32 AsInteger() const { return AsVariant().toInt(); }
    void SetAsString(const QByteArray& Value);
    void SetAsWideString(const QString& Value);
    void SetAsVariant(const QVariant& Value);
    void SetAsInteger(qint32 Value) { SetAsVariant(Value); }
    // Memo types: the raw bytes of the value.
    QByteArray Data() const;
    void SetData(const QByteArray& Value);
    void SetData(int ABufSize, const void* ABuffer)
    {
        SetData(QByteArray(static_cast<const char*>(ABuffer), ABufSize));
    }

    bool Empty() const;
    void CopyValue(TQField* AField) const;

    QStringList SaveToStrings() const;
    void LoadFromStrings(const QStringList& Lines);
    void SaveToStream(QIODevice& Stream) const;
    void LoadFromStream(QIODevice& Stream);

    // The first MaxChars characters of a text value (a memo reads only what
    // it needs), for the memory index.
    QString KeyText(int MaxChars) const;

    // Memo types: the first block of the stored value, 0 = none.
    qint32 BlockNumber() const;
    bool HasPending() const { return FHasPending; }

private:
    friend class TQTable;
    friend class TQFieldList;

    void CheckEditable() const;
    const char* Raw() const;
    char* RawMut() const;
    template <class T> T Get() const
    {
        T v;
        std::memcpy(&v, Raw(), sizeof(T));
        return v;
    }
    template <class T> void Put(T v) const { std::memcpy(RawMut(), &v, sizeof(T)); }
    QByteArray StoredMemo(qint32 MaxBytes) const;
    void SetPending(const QByteArray& Value);
    void DropPending();
    // Writes a value without the edit-state checks (defaults of a new record).
    void Assign(const QVariant& Value);
    void SetBlockNumber(qint32 Block) const;

    QString FFieldName;
    QString FOldFieldName;
    QString FDescription;
    TQDataType FDataType = dtUnknown;
    int FSize = 0;
    int FFieldNo = 0;
    int FLocale = 0;
    bool FMemoryIndex = false;
    QVariant FDefValue;
    bool FModified = false;
    TQTable* FTable = nullptr;
    bool FInternal = false;
    int FOffset = 0;
    QByteArray FPending;
    bool FHasPending = false;
};

// The owning list of a table's fields.
class TQFieldList {
public:
    explicit TQFieldList(TQTable* ATable = nullptr) : FTable(ATable) {}
    TQFieldList(const TQFieldList&) = delete;
    TQFieldList& operator=(const TQFieldList&) = delete;

    int Count() const { return int(FItems.size()); }
    TQField* Items(int Index) const { return FItems.at(size_t(Index)).get(); }
    TQField* operator[](int Index) const { return Items(Index); }

    int IndexByName(const QString& Name) const;
    TQField* FindByName(const QString& Name) const;
    TQField* FindByOldName(const QString& Name) const;
    TQField* FindByLocale(int LocID, bool Exactly) const;
    TQField* Add(std::unique_ptr<TQField> Field);
    TQField* Insert(int Index, std::unique_ptr<TQField> Field);
    TQField* NewField(const QString& AName, TQDataType ADataType, int ASize);
    void Delete(int Index);
    void Clear();
    void ResetModified();
    void Assign(const TQFieldList& Source);

private:
    friend class TQTable;
    void Renumber();

    TQTable* FTable;
    std::vector<std::unique_ptr<TQField>> FItems;
};
