#pragma once

#include "resources/PEReader.h"
#include "resources/ResReader.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class TByteWriter;

// Progress of CreateDLLStream.
using TProgressFunc = std::function<void(int Current, int Total)>;

// The time stamp written into the directories and the file header of a DLL
// image: seconds from 1969-12-31 16:00 to the current local time (read
// through DateTime::Now, which tests can fix).
quint32 ResourceTimeStamp();

class TResProcessor;

// The resources of one type held by the processor.
class TResBlock {
public:
    explicit TResBlock(TResProcessor* AParent) : FParent(AParent) {}
    virtual ~TResBlock() = default;
    TResBlock(const TResBlock&) = delete;
    TResBlock& operator=(const TResBlock&) = delete;

    virtual int Count() const = 0;
    // Bytes the block takes in a resource section: directories, names, data.
    virtual qint64 GetTotalSize() const = 0;
    virtual qint64 GetDirSize() const = 0;
    virtual TQResourceType ResourceType() const = 0;
    // Writes the block's area of a resource section; Offset is its section offset.
    virtual void SaveToSection(TByteWriter& Stream, quint32 Offset, quint32 TimeStamp) const = 0;
    virtual void SaveToResFile(TByteWriter& Stream) const = 0;
    virtual void LoadFromPEList(TPEResourceList& List) = 0;
    virtual void LoadFromResFile(const TResReader& Reader) = 0;
    virtual void Clear() = 0;

protected:
    // The data of a resource of a PE file (its first language); false for a
    // resource without any.
    bool TakeData(TPEResourceItem& Item, QByteArray& Data);

    TResProcessor* FParent;
};

class TResStringItem {
public:
    TResStringItem(int AId, QString AData) : FId(AId), FData(std::move(AData)) {}
    int Id() const { return FId; }
    const QString& Data() const { return FData; }
    void SetData(const QString& AData) { FData = AData; }

private:
    int FId;
    QString FData;
};

class TResString;

// One string-table block: 16 slots holding the IDs of its strings.
class TResStringGroup {
public:
    TResStringGroup(TResString* AParent, int AId);

    int GroupId() const { return FId; }
    int GetItems(int Index) const { return Index < 0 || Index > 15 ? -1 : FGroup[size_t(Index)]; }
    int Count() const;
    // The block's data: per slot a 16-bit length and the UTF-16 characters.
    QByteArray Data() const;
    qint64 DataSize() const;

private:
    friend class TResString;
    TResString* FParent;
    int FId;
    std::array<int, 16> FGroup;
};

// The string tables: strings sorted by ID, and the blocks that hold them.
// String n lies in block n / 16 + 1, slot n % 16.
class TResString : public TResBlock {
public:
    explicit TResString(TResProcessor* AParent) : TResBlock(AParent) {}

    // The index of the new string; -1 (and no change) when the ID is present
    // or outside the 16-bit range of resource IDs.
    int Add(int Id, const QString& Data);
    void Delete(int Index);
    void DeleteByID(int Id);
    int IndexOfData(const QString& Item) const;
    int IndexOfID(int Item) const;
    int IndexOfGroupID(int Item) const;
    TResStringItem* Items(int Index) const;
    TResStringItem* ItemById(int Id) const;
    TResStringGroup* Groups(int Index) const;
    TResStringGroup* GroupById(int Id) const;
    int GroupCount() const { return int(FGroups.size()); }

    int Count() const override { return int(FStrings.size()); }
    qint64 GetTotalSize() const override;
    qint64 GetDirSize() const override;
    TQResourceType ResourceType() const override { return rtString; }
    void SaveToSection(TByteWriter& Stream, quint32 Offset, quint32 TimeStamp) const override;
    void SaveToResFile(TByteWriter& Stream) const override;
    void LoadFromPEList(TPEResourceList& List) override;
    void LoadFromResFile(const TResReader& Reader) override;
    void Clear() override;

private:
    std::vector<std::unique_ptr<TResStringItem>> FStrings;
    std::vector<std::unique_ptr<TResStringGroup>> FGroups;
};

class TResRCDataItem {
public:
    TResRCDataItem(QString AName, bool AIsNumber) : FName(std::move(AName)), FIsNumber(AIsNumber) {}

    const QString& Name() const { return FName; }
    bool IsNumber() const { return FIsNumber; }
    QByteArray& Buffer() { return FBuffer; }
    const QByteArray& Buffer() const { return FBuffer; }
    qint64 Size() const { return FBuffer.size(); }

    void LoadFromStream(QIODevice& Stream); // replaces the content with the rest of Stream
    void SaveToStream(QIODevice& Stream) const;
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName) const;

private:
    QString FName;
    bool FIsNumber;
    QByteArray FBuffer;
};

// RCDATA resources (forms, settings records, language data), in insertion order.
class TResRCData : public TResBlock {
public:
    explicit TResRCData(TResProcessor* AParent) : TResBlock(AParent) {}

    TResRCDataItem* Add(const QString& Name, bool IsNumber);
    void Delete(int Index);
    void DeleteByName(const QString& Name);
    int IndexOfName(const QString& Name) const; // without regard to case
    TResRCDataItem* ItemByName(const QString& Name) const;
    TResRCDataItem* Items(int Index) const;

    int Count() const override { return int(FItems.size()); }
    qint64 GetTotalSize() const override;
    qint64 GetDirSize() const override;
    TQResourceType ResourceType() const override { return rtRCData; }
    void SaveToSection(TByteWriter& Stream, quint32 Offset, quint32 TimeStamp) const override;
    void SaveToResFile(TByteWriter& Stream) const override;
    void LoadFromPEList(TPEResourceList& List) override;
    void LoadFromResFile(const TResReader& Reader) override;
    void Clear() override;

private:
    std::vector<std::unique_ptr<TResRCDataItem>> FItems;
};

// The string tables and RCDATA resources of one module in memory, loaded from
// a PE or .res file and written as a .res file or a resource-only DLL image.
class TResProcessor {
public:
    TResProcessor();
    ~TResProcessor();
    TResProcessor(const TResProcessor&) = delete;
    TResProcessor& operator=(const TResProcessor&) = delete;

    TResBlock* Items(int Index) const; // nullptr outside the range
    TResBlock* ItemByType(TQResourceType AType) const;
    TResString* Strings() const { return static_cast<TResString*>(ItemByType(rtString)); }
    TResRCData* RCData() const { return static_cast<TResRCData*>(ItemByType(rtRCData)); }
    int BlockCount() const { return int(FResBlocks.size()); }
    // The size of the resource section CreateDLLStream writes.
    qint64 BufSize() const;
    bool Is64Bit() const { return FIs64Bit; }
    void SetIs64Bit(bool Value) { FIs64Bit = Value; }

    TResBlock* AddBlock(std::unique_ptr<TResBlock> ABlock);
    void DeleteBlock(int Index);
    void Clear();

    // Replaces the content; on failure the processor is left empty.
    void LoadPEFile(const QString& AFileName);
    void LoadFromPEReader(TPEReader& Reader);
    void LoadResFile(const QString& AFileName);
    // Replaces the content with the string tables and RCDATA items of a
    // module of the running process, taken from its current resource module
    // (the module table; 0 is the executable). RCDATA items are all named; a
    // block is added only when it holds something. The image written is PE32.
    void LoadFromModule(quintptr AModule);

    void CreateResFile(const QString& AFileName) const; // written atomically
    QByteArray ResFileData() const;
    // Appends a resource-only DLL image (PE32, or PE32+ with Is64Bit).
    void CreateDLLStream(QByteArray& Stream, const TProgressFunc& ProgressCallback = {}) const;

private:
    friend class TResBlock;
    // Counts the bytes a load takes out of a PE file: more than the file holds
    // means its entries share data over and over, which would let a small
    // file fill the memory.
    void ChargeLoad(qint64 Bytes);

    std::vector<std::unique_ptr<TResBlock>> FResBlocks;
    void LoadFromResReader(const TResReader& reader);

    bool FIs64Bit = false;
    qint64 FLoadBudget = -1; // -1 outside a load
};
