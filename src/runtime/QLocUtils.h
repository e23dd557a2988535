#pragma once

#include "core/QObjectList.h"
#include "core/VocabrixError.h"
#include "resources/ModuleTable.h"

#include <QString>
#include <cstdint>

VOCABRIX_ERROR(ELocUtilsError, EVocabrixError);
VOCABRIX_ERROR(ELULoadResLibError, ELocUtilsError);
VOCABRIX_ERROR(ELUInvalidResLibrary, ELocUtilsError);
VOCABRIX_ERROR(ELUOutOfVersion, ELocUtilsError);

// The messages of the switching library's errors.
ELULoadResLibError LoadResLibError(const QString& FileName);
ELUInvalidResLibrary InvalidResLibrary(TModuleHandle Module);
ELUOutOfVersion OutOfVersion(const QString& FileName);

// The contents of one settings record.
struct TDLLInfoItem {
    QString FileName; // the DLL's path when the item describes a file
    uint32_t Locale = 0;
    int32_t Version = 0;
    QString EnglishName;
    QString LocalizedName;
    uint32_t LFBuild = 0; // 0 when the record has no build
};

class TDLLInfoList : public TQObjectList<TDLLInfoItem> {};

enum TLocAction { laNow, laDefer };

// Which resource module each module of the process reads: installs language
// DLLs after checking that they belong to the same version of the program,
// and returns modules to their own resources. One instance per process.
class TQLocUtils {
public:
    TQLocUtils();

    const QString& AppFileName() const { return FAppFileName; }
    void SetAppFileName(const QString& Value);
    TModuleHandle AppInstance() const { return TModuleTable::Instance().MainInstance(); }
    const QString& DLLsPath() const { return FDLLsPath; }
    void SetDLLsPath(const QString& Value);
    bool SafeWork() const { return FSafeWork; }
    void SetSafeWork(bool Value) { FSafeWork = Value; }
    bool UnderOnFly() const { return FUnderOnFly; }
    void SetUnderOnFly(bool Value) { FUnderOnFly = Value; }
    TLocAction ActionType() const { return FActionType; }
    void SetActionType(TLocAction Value) { FActionType = Value; }
    TDLLInfoList& DllsInfo() { return FDllsInfo; }

    // Reads the library record ("OXV_LIBSETTINGS_", IsDll) or the executable
    // record ("OXV_EXESETTINGS_") of a module; ELUInvalidResLibrary when it
    // is missing, has another magic or ends too early.
    void GetDLLInfo(TModuleHandle Instance, bool IsDll, TDLLInfoItem& diItem) const;
    // Loads a resource DLL checked against Module (0: the executable). An
    // empty FileName gives the executable. A DLL of another version is
    // unloaded and gives 0 under the on-the-fly translator, else raises
    // ELUOutOfVersion.
    TModuleHandle PreloadResModule(TModuleHandle Module, const QString& FileName);
    // The same for an image built in memory; FileName names it in messages.
    TModuleHandle PreloadResImage(TModuleHandle Module, const QString& FileName, const QByteArray& Image);
    // Makes NewInst the resource module of ModuleInst (0: the executable; a
    // NewInst of 0 means the module's own resources), unloading the resource
    // DLL it replaces.
    void SetResourceHInstance(TModuleHandle ModuleInst, TModuleHandle NewInst);
    void LoadResource(const QString& FileName);
    void LoadResourceImage(const QString& FileName, const QByteArray& Image);
    void BackToExe();
    void BackToModuleRes(TModuleHandle Module);
    // The library record of the executable's current resource module; an
    // error leaves the previous contents.
    const TDLLInfoItem& GetCurrentInfo();
    // Whether the executable's current resource module belongs to its version.
    bool Init();

private:
    TModuleHandle CheckVersion(TModuleHandle Module, TModuleHandle Candidate, const QString& FileName);

    QString FAppFileName;
    QString FDLLsPath;
    bool FOriginalDLLPath = true;
    TDLLInfoItem FCurrentDLLInfo;
    TDLLInfoList FDllsInfo;
    bool FSafeWork = true;
    bool FUnderOnFly = false;
    TLocAction FActionType = laDefer;
    QString FRegKey, FRegSubKey, FRegValName;
};
