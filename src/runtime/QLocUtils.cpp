#include "runtime/QLocUtils.h"

#include "core/ByteStream.h"
#include "resources/DllBuilder.h"
#include "storage/Locales.h"

#include <QCoreApplication>
#include <QFileInfo>

ELULoadResLibError LoadResLibError(const QString& FileName)
{
    return ELULoadResLibError(QStringLiteral("Error loading resource file \"%1\"").arg(FileName));
}

ELUInvalidResLibrary InvalidResLibrary(TModuleHandle Module)
{
    return ELUInvalidResLibrary(
        QStringLiteral("Invalid resource file format \"%1\"").arg(TModuleTable::Instance().FileName(Module)));
}

ELUOutOfVersion OutOfVersion(const QString& FileName)
{
    return ELUOutOfVersion(QStringLiteral("Resource file %1 is not synhronized with executable.\r\nPlease, update the "
                                          "file (using \"Refresh\" operation in Vocabrix or \"Create DLL\" command "
                                          "in Phrase Desk) and try again")
                               .arg(FileName));
}

TQLocUtils::TQLocUtils()
{
    SetAppFileName(TModuleTable::Instance().FileName(0).isEmpty() ? QCoreApplication::applicationFilePath()
                                                                  : TModuleTable::Instance().FileName(0));
}

void TQLocUtils::SetAppFileName(const QString& Value)
{
    FAppFileName = Value;
    if (FOriginalDLLPath) FDLLsPath = QFileInfo(Value).absolutePath();
}

void TQLocUtils::SetDLLsPath(const QString& Value)
{
    if (Value == FDLLsPath) return;
    FDLLsPath = Value;
    FOriginalDLLPath = false;
}

void TQLocUtils::GetDLLInfo(TModuleHandle Instance, bool IsDll, TDLLInfoItem& diItem) const
{
    QByteArray data;
    const QString name = IsDll ? kLibSettingsName : kExeSettingsName;
    const QByteArray magic = IsDll ? "LDLL" : "QEXE";
    if (!TModuleTable::Instance().FindRCData(Instance, name, data) || !data.startsWith(magic))
        throw InvalidResLibrary(Instance);
    try {
        TByteReader<ELocUtilsError> r(data, QString());
        r.Skip(4);
        TDLLInfoItem item;
        item.Version = r.I32();
        item.Locale = r.U16();
        item.EnglishName = AnsiToWide(r.Bytes(r.U16()), SystemCodePage());
        item.LocalizedName = r.Utf16(r.U16());
        // Older records end after the names; the format version and the
        // reserved field come before the build.
        if (r.Remaining() > 4) {
            r.Skip(4);
            item.LFBuild = r.Remaining() >= 4 ? r.U32() : 0;
        }
        diItem = item;
    } catch (const ELocUtilsError&) {
        throw InvalidResLibrary(Instance);
    }
}

TModuleHandle TQLocUtils::CheckVersion(TModuleHandle Module, TModuleHandle Candidate, const QString& FileName)
{
    TModuleTable& table = TModuleTable::Instance();
    try {
        TDLLInfoItem reference, candidate;
        const bool exe = Module == 0 || Module == table.MainInstance();
        GetDLLInfo(table.Resolve(Module), !exe, reference);
        GetDLLInfo(Candidate, true, candidate);
        if (reference.Version == candidate.Version) return Candidate;
        table.FreeLibrary(Candidate);
        if (FUnderOnFly) return 0;
        throw OutOfVersion(FileName);
    } catch (...) {
        table.FreeLibrary(Candidate);
        throw;
    }
}

TModuleHandle TQLocUtils::PreloadResModule(TModuleHandle Module, const QString& FileName)
{
    TModuleTable& table = TModuleTable::Instance();
    if (FileName.isEmpty()) return table.MainInstance();
    TModuleHandle handle = 0;
    try {
        handle = table.LoadDataFile(FileName);
    } catch (const EVocabrixError&) {
        throw LoadResLibError(FileName);
    }
    return CheckVersion(Module, handle, FileName);
}

TModuleHandle TQLocUtils::PreloadResImage(TModuleHandle Module, const QString& FileName, const QByteArray& Image)
{
    TModuleHandle handle = 0;
    try {
        handle = TModuleTable::Instance().LoadDataImage(FileName, Image);
    } catch (const EVocabrixError&) {
        throw LoadResLibError(FileName);
    }
    return CheckVersion(Module, handle, FileName);
}

void TQLocUtils::SetResourceHInstance(TModuleHandle ModuleInst, TModuleHandle NewInst)
{
    TModuleTable& table = TModuleTable::Instance();
    const TModuleHandle module = table.Resolve(ModuleInst);
    if (!table.IsCodeModule(module)) return;
    const TModuleHandle current = table.ResourceModule(module);
    const TModuleHandle target = NewInst ? NewInst : module;
    if (current != module && current != target) table.FreeLibrary(current);
    table.SetResourceModule(module, target);
}

void TQLocUtils::LoadResource(const QString& FileName) { SetResourceHInstance(0, PreloadResModule(0, FileName)); }

void TQLocUtils::LoadResourceImage(const QString& FileName, const QByteArray& Image)
{
    SetResourceHInstance(0, PreloadResImage(0, FileName, Image));
}

void TQLocUtils::BackToExe()
{
    SetResourceHInstance(0, 0);
    for (TModuleHandle module : TModuleTable::Instance().CodeModules()) SetResourceHInstance(module, module);
}

void TQLocUtils::BackToModuleRes(TModuleHandle Module) { SetResourceHInstance(Module, Module); }

const TDLLInfoItem& TQLocUtils::GetCurrentInfo()
{
    try {
        GetDLLInfo(TModuleTable::Instance().ResourceModule(0), true, FCurrentDLLInfo);
    } catch (const EVocabrixError&) {
    }
    return FCurrentDLLInfo;
}

bool TQLocUtils::Init()
{
    FRegKey.clear();
    TModuleTable& table = TModuleTable::Instance();
    try {
        TDLLInfoItem exe, current;
        GetDLLInfo(table.MainInstance(), false, exe);
        GetDLLInfo(table.ResourceModule(0), true, current);
        if (exe.Version == current.Version) return true;
        if (FUnderOnFly) return false;
        throw OutOfVersion(table.FileName(table.ResourceModule(0)));
    } catch (const ELocUtilsError&) {
        BackToExe();
        if (FSafeWork) return false;
        throw;
    }
}
