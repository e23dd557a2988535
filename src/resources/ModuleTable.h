#pragma once

#include "core/VocabrixError.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <map>
#include <memory>
#include <shared_mutex>

class TResProcessor;

VOCABRIX_ERROR(EModuleError, EVocabrixError);

// A handle of the module table; 0 is no module (and, where the calls say so,
// the executable).
using TModuleHandle = quintptr;

// The process's table of modules and their resource modules. A module is a PE
// image read with our PE reader; its string tables and RCDATA items are kept
// parsed. Code modules (the executable, libraries of the same run time) each
// have a current resource module, their own by default; data modules are
// resource DLLs loaded to stand in for a code module's resources. Every
// lookup of a resource string or form data goes through a code module's
// current resource module, so installing a language DLL really switches
// what the program reads. Modules are loaded and switched from the GUI
// thread; LoadResString may be called from any thread (messages are formed
// where an error happens, also in worker threads).
class TModuleTable {
public:
    static TModuleTable& Instance();

    // Registers the executable with its resource image; a previous executable
    // and everything loaded for it are dropped. Throws EExeError for an image
    // that is no valid PE file.
    TModuleHandle RegisterExecutable(const QString& FileName, const QByteArray& Image);
    // Another code module of the run (a package or library).
    TModuleHandle RegisterModule(const QString& FileName, const QByteArray& Image);
    // Loads a file, or an image already in memory, as a data module; throws
    // EModuleError naming the file when it cannot be read or is no PE image.
    TModuleHandle LoadDataFile(const QString& FileName);
    TModuleHandle LoadDataImage(const QString& FileName, const QByteArray& Image);
    // Unloads a data module; false when Handle is none.
    bool FreeLibrary(TModuleHandle Handle);
    // Drops every module (tests).
    void Reset();

    TModuleHandle MainInstance() const { return FMain; }
    // 0 stands for the executable.
    TModuleHandle Resolve(TModuleHandle Module) const { return Module ? Module : FMain; }
    bool IsCodeModule(TModuleHandle Handle) const;
    bool IsLoaded(TModuleHandle Handle) const { return FModules.count(Handle) > 0; }
    QList<TModuleHandle> CodeModules() const;
    int DataModuleCount() const;
    QString FileName(TModuleHandle Handle) const;

    // The current resource module of a code module (0: the executable); 0
    // for a handle that is not a code module.
    TModuleHandle ResourceModule(TModuleHandle Module) const;
    // Makes Resource the resource module of Module without unloading anything;
    // false when Module is not a code module.
    bool SetResourceModule(TModuleHandle Module, TModuleHandle Resource);

    // The resources of a module itself (not of its resource module); nullptr
    // for an unknown handle.
    const TResProcessor* Resources(TModuleHandle Handle) const;
    // An RCDATA item of a module itself; false when it has none of that name.
    bool FindRCData(TModuleHandle Handle, const QString& Name, QByteArray& Data) const;
    // A string through the current resource module of Module (0: the
    // executable); empty when the table has no string of that ID.
    QString LoadResString(int Id, TModuleHandle Module = 0) const;

private:
    struct TEntry {
        QString FileName;
        std::unique_ptr<TResProcessor> Resources;
        bool Code = false;
        TModuleHandle ResourceModule = 0;
    };
    TModuleHandle Add(const QString& FileName, std::unique_ptr<TResProcessor> Resources, bool Code);

    // Held exclusively while the table changes, shared by LoadResString.
    mutable std::shared_mutex FLock;
    std::map<TModuleHandle, TEntry> FModules;
    TModuleHandle FMain = 0;
    TModuleHandle FNext = 1;
};
