#pragma once

#include "core/ByteStream.h"
#include "core/QObjectList.h"
#include "core/VocabrixError.h"
#include "platform/FileLock.h"
#include "storage/LocStorage.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

VOCABRIX_ERROR(ELangFileError, EVocabrixError);

// Load options (a set; bit values as stored by callers).
enum TLFLoadOption : int {
    loSyncByName = 1, // match a language file's entries by names instead of IDs
    loRepair = 2,     // give duplicate IDs of a native file new numbers
};
using TLFLoadOptions = int;

// File attribute bits.
constexpr uint16_t lfaUnicode = 0x0001;
constexpr uint16_t lfaRightToLeft = 0x0002;
constexpr uint16_t lfaUseUntranslated = 0x0100;

constexpr uint16_t kLangFileFormatVersion = 7;

// One language file: its header in memory, the reading of a file into a
// storage column, the writing of a column, and the lock held while a project
// has the file open.
class TLangFile {
public:
    // Describes the file at AFileName, reading its header when it exists. A
    // file that another process holds open is opened read-only.
    TLangFile(const QString& AFileName, bool ReadOnly);
    // A file object in memory only (no file name).
    TLangFile();
    ~TLangFile();
    TLangFile(const TLangFile&) = delete;
    TLangFile& operator=(const TLangFile&) = delete;

    // Reads the header from the start of Data (decompressing it first when it
    // is compressed) and returns the offset of the body in the decompressed
    // data. With SkipOnly the fields are validated but not stored.
    int LoadHeaderFromStream(const QByteArray& Data, bool SkipOnly);

    // Loads the file into column LIndex of the storage, or as the native file
    // that replaces the storage's content when LIndex is negative.
    void Load(TLocStorage* ALocStorage, int LIndex, TLFLoadOptions LoadOptions);
    // The same from bytes in memory; also stores the header fields.
    void LoadFromStream(const QByteArray& Data, TLocStorage* ALocStorage, int Index, TLFLoadOptions LoadOptions);
    // Writes column LIndex to FileName.
    void Save(TLocStorage* ALocStorage, int LIndex, bool UpdateItemVersion);
    // The bytes Save would write (uncompressed), for callers that keep them
    // in memory. Raises the build counter like Save when Modified.
    QByteArray SaveToBytes(TLocStorage* ALocStorage, int LIndex, bool UpdateItemVersion);

    void Lock();
    void Unlock();
    bool Locked() const { return FHandle.IsOpen(); }

    void UpdateFormatVersion() { FFormatVersion = kLangFileFormatVersion; }

    uint16_t FormatVersion() const { return FFormatVersion; }
    void SetFormatVersion(uint16_t v) { FFormatVersion = v; }
    uint16_t Locale() const { return FLocale; }
    void SetLocale(uint16_t v) { FLocale = v; }
    int32_t Version() const { return FVersion; }
    void SetVersion(int32_t v);
    const QString& LangEnglishName() const { return FLangEnglishName; }
    void SetLangEnglishName(const QString& v) { FLangEnglishName = v; }
    const QString& LangLocalizedName() const { return FLangLocalizedName; }
    void SetLangLocalizedName(const QString& v) { FLangLocalizedName = v; }
    bool IsNative() const { return FIsNative; }
    void SetIsNative(bool v) { FIsNative = v; }
    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& v) { FFileName = v; }
    int32_t ConstMaxID() const { return FConstMaxID; }
    void SetConstMaxID(int32_t v) { FConstMaxID = v; }
    int32_t PropertyMaxID() const { return FPropertyMaxID; }
    void SetPropertyMaxID(int32_t v) { FPropertyMaxID = v; }
    int32_t ExtItemMaxID() const { return FExtItemMaxID; }
    void SetExtItemMaxID(int32_t v) { FExtItemMaxID = v; }
    bool Modified() const { return FModified; }
    void SetModified(bool v) { FModified = v; }
    quintptr KeyboardLayout() const { return FKeyboardLayout; }
    void SetKeyboardLayout(quintptr v) { FKeyboardLayout = v; }
    uint16_t Attributes() const { return FAttributes; }
    void SetAttributes(uint16_t v) { FAttributes = v; }
    bool Attribute(uint16_t Mask) const { return (FAttributes & Mask) == Mask; }
    void SetAttribute(uint16_t Mask, bool On) { FAttributes = On ? (FAttributes | Mask) : (FAttributes & ~Mask); }
    uint16_t BasedOnLangID() const { return FBasedOnLangID; }
    void SetBasedOnLangID(uint16_t v) { FBasedOnLangID = v; }
    uint32_t RepLocale() const { return FRepLocale; }
    void SetRepLocale(uint32_t v) { FRepLocale = v; }
    bool AskRepLocale() const { return FAskRepLocale; }
    void SetAskRepLocale(bool v) { FAskRepLocale = v; }
    uint32_t Build() const { return FBuild; }
    void SetBuild(uint32_t v) { FBuild = v; }
    int LangIndex() const { return FLangIndex; }
    void SetLangIndex(int v) { FLangIndex = v; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v) { FReadOnly = v; }
    bool Compressed() const { return FCompressed; }
    void SetCompressed(bool v) { FCompressed = v; }
    bool NativeExeMismatch() const { return FNativeExeMismatch; }
    void SetNativeExeMismatch(bool v) { FNativeExeMismatch = v; }
    const QString& NativeExeMismatchText() const { return FNativeExeMismatchText; }
    void SetNativeExeMismatchText(const QString& v) { FNativeExeMismatchText = v; }
    bool CheckDllValidity() const { return FCheckDllValidity; }
    void SetCheckDllValidity(bool v) { FCheckDllValidity = v; }

private:
    void InitDefaults();
    void ReadHeaderOfFile();
    void DoLoad(const QByteArray& Data, TLocStorage* ALocStorage, int Index, TLFLoadOptions LoadOptions,
                bool StoreHeader);
    QByteArray WriteFile(TLocStorage* ALocStorage, int LIndex, bool UpdateItemVersion, uint32_t Build) const;

    uint16_t FFormatVersion;
    uint16_t FLocale;
    int32_t FVersion;
    QString FLangEnglishName;
    QString FLangLocalizedName;
    bool FIsNative;
    QString FFileName;
    int32_t FConstMaxID;
    int32_t FPropertyMaxID;
    int32_t FExtItemMaxID;
    bool FModified;
    quintptr FKeyboardLayout;
    uint16_t FAttributes;
    uint16_t FBasedOnLangID;
    uint32_t FRepLocale;
    bool FAskRepLocale;
    uint32_t FBuild;
    int FLangIndex = 0;
    TLockedFile FHandle;
    bool FReadOnly;
    bool FCompressed;
    bool FNativeExeMismatch;
    QString FNativeExeMismatchText;
    bool FCheckDllValidity;
};

// The variable-length prefix of the body from format 6 on: 1, 2 or 4 bytes.
uint32_t ReadVariableLength(TByteReader<ELangFileError>& r);
void WriteVariableLength(TByteWriter& w, uint32_t n);

// The open files of a project; entry i belongs to storage column i.
class TLangFileList : public TQObjectList<TLangFile> {
public:
    int IndexByLangID(uint16_t ALocale) const;
};
