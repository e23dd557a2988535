#pragma once

#include "core/VocabrixError.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>
#include <vector>

VOCABRIX_ERROR(EExeError, EVocabrixError);

// The standard resource types; the value is the numeric type identifier.
enum TQResourceType {
    rtUnknown0,
    rtCursorEntry,
    rtBitmap,
    rtIconEntry,
    rtMenu,
    rtDialog,
    rtString,
    rtFontDir,
    rtFont,
    rtAccelerators,
    rtRCData,
    rtMessageTable,
    rtCursor,
    rtUnknown13,
    rtIcon,
    rtUnknown15,
    rtVersion
};

// "String", "RCData", "Unknown13", ...; empty for types above rtVersion.
QString ResourceTypeName(int Type);

class TPEReader;
class TPEResourceItem;

// One resource directory: the types at the root, the names of one type below.
// Its items are made when a client first asks for one and are kept.
class TPEResourceList {
public:
    // ResDirOfs is the directory's offset in the resource section; Depth is 0
    // for the root.
    TPEResourceList(TPEReader& APEReader, quint32 ResDirOfs, quint32 AResType, int ADepth);
    ~TPEResourceList();

    int Count() const { return FCount; }
    TPEResourceItem* GetResourceItem(int Index); // nullptr outside 0..Count-1

    TPEReader& PEReader() const { return FPEReader; }
    quint32 ResType() const { return FResType; }
    int Depth() const { return FDepth; }

private:
    TPEReader& FPEReader;
    quint32 FResDir;
    quint32 FResType;
    int FDepth;
    int FCount;
    std::vector<std::unique_ptr<TPEResourceItem>> FList;
};

// One directory entry: a type, a named or numbered resource, or a language.
class TPEResourceItem {
public:
    TPEResourceItem(TPEResourceList& AOwner, quint32 ADirEntry);
    ~TPEResourceItem();

    QString Name() const;
    bool NameIsNumber() const { return (FName & 0x80000000u) == 0; }
    bool IsList() const;
    TPEResourceList& List(); // throws "ResourceItem is not a list"
    TPEResourceItem* GetResourceItem(int Index) { return List().GetResourceItem(Index); }

    int ResType() const { return int(FOwner.ResType() & 0xFF); }
    QString ResTypeStr() const;

    // A list item: the offset of its directory. Otherwise: the data's virtual
    // address, its size, and a copy of its bytes (of the first language).
    quint32 Offset() const;
    quint32 Size() const;
    QByteArray RawData() const;

private:
    struct TDataEntry {
        quint32 OffsetToData = 0;
        quint32 Size = 0;
    };
    quint32 Target() const { return FOffsetToData & 0x7FFFFFFFu; }
    TDataEntry DataEntry() const;

    TPEResourceList& FOwner;
    quint32 FName = 0;
    quint32 FOffsetToData = 0;
    std::unique_ptr<TPEResourceList> FList;
};

// A PE32 or PE32+ file held in memory, with its resource tree. The image is
// never trusted: every offset, count and size is checked before it is used.
class TPEReader {
public:
    // Reads the file (decompressing it when it is a compressed stream) and
    // checks its headers.
    explicit TPEReader(const QString& AFileName);
    // An image that is already in memory (a loaded module); the same checks.
    static std::unique_ptr<TPEReader> CreateByImage(QByteArray AImage);
    ~TPEReader();

    const QString& FileName() const { return FFileName; }
    bool Is64Bit() const { return FIs64Bit; }
    TPEResourceList& Resources(); // the type level; found on first use
    const QByteArray& Image() const { return FStream; }

    // For the lists and items: the raw data of the resource section (bounded
    // by the section and the file), its virtual address, and the registry of
    // directories in use (each directory must occupy bytes of its own, so a
    // tree that points back into itself is refused instead of walked forever).
    const QByteArray& Section() const { return FSection; }
    quint32 ResourceRVA() const { return FResourceRVA; }
    void ClaimDirectory(quint32 Start, quint32 End);

    [[noreturn]] static void InvalidData();

private:
    TPEReader() = default;
    void CheckHeaders();

    QString FFileName;
    QByteArray FStream;
    qsizetype FNTHeader = 0;
    bool FIs64Bit = false;
    QByteArray FSection; // raw view into FStream
    quint32 FResourceRVA = 0;
    std::map<quint32, quint32> FDirectories; // start -> end of every directory in use
    std::unique_ptr<TPEResourceList> FResourceList;
};
