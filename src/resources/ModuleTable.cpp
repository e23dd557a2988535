#include "resources/ModuleTable.h"

#include "core/UiStrings.h"

#include "resources/ResProcessor.h"

#include <QFile>
#include <mutex>

TModuleTable& TModuleTable::Instance()
{
    static TModuleTable table;
    return table;
}

namespace {

std::unique_ptr<TResProcessor> ParseImage(const QByteArray& Image)
{
    auto resources = std::make_unique<TResProcessor>();
    resources->LoadFromPEReader(*TPEReader::CreateByImage(Image));
    return resources;
}

} // namespace

TModuleHandle TModuleTable::Add(const QString& FileName, std::unique_ptr<TResProcessor> Resources, bool Code)
{
    std::unique_lock lock(FLock);
    const TModuleHandle handle = FNext++;
    TEntry& entry = FModules[handle];
    entry.FileName = FileName;
    entry.Resources = std::move(Resources);
    entry.Code = Code;
    entry.ResourceModule = handle;
    return handle;
}

TModuleHandle TModuleTable::RegisterExecutable(const QString& FileName, const QByteArray& Image)
{
    // Parse first: a bad image leaves the table as it was.
    std::unique_ptr<TResProcessor> resources = ParseImage(Image);
    Reset();
    const TModuleHandle main = Add(FileName, std::move(resources), true);
    std::unique_lock lock(FLock);
    FMain = main;
    return FMain;
}

TModuleHandle TModuleTable::RegisterModule(const QString& FileName, const QByteArray& Image)
{
    return Add(FileName, ParseImage(Image), true);
}

TModuleHandle TModuleTable::LoadDataFile(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) throw EModuleError(UiString(usCannotRead, {FileName, file.errorString()}));
    return LoadDataImage(FileName, file.readAll());
}

TModuleHandle TModuleTable::LoadDataImage(const QString& FileName, const QByteArray& Image)
{
    try {
        return Add(FileName, ParseImage(Image), false);
    } catch (const EVocabrixError& e) {
        throw EModuleError(UiString(usNotResourceModule, {FileName, e.Message()}));
    }
}

bool TModuleTable::FreeLibrary(TModuleHandle Handle)
{
    std::unique_lock lock(FLock);
    auto it = FModules.find(Handle);
    if (it == FModules.end() || it->second.Code) return false;
    // A code module whose resources were this module goes back to its own.
    for (auto& [handle, entry] : FModules)
        if (entry.ResourceModule == Handle) entry.ResourceModule = handle;
    FModules.erase(it);
    return true;
}

void TModuleTable::Reset()
{
    std::unique_lock lock(FLock);
    FModules.clear();
    FMain = 0;
}

bool TModuleTable::IsCodeModule(TModuleHandle Handle) const
{
    auto it = FModules.find(Handle);
    return it != FModules.end() && it->second.Code;
}

QList<TModuleHandle> TModuleTable::CodeModules() const
{
    QList<TModuleHandle> result;
    for (const auto& [handle, entry] : FModules)
        if (entry.Code) result << handle;
    return result;
}

int TModuleTable::DataModuleCount() const
{
    int n = 0;
    for (const auto& item : FModules) n += item.second.Code ? 0 : 1;
    return n;
}

QString TModuleTable::FileName(TModuleHandle Handle) const
{
    auto it = FModules.find(Resolve(Handle));
    return it == FModules.end() ? QString() : it->second.FileName;
}

TModuleHandle TModuleTable::ResourceModule(TModuleHandle Module) const
{
    auto it = FModules.find(Resolve(Module));
    return it == FModules.end() || !it->second.Code ? 0 : it->second.ResourceModule;
}

bool TModuleTable::SetResourceModule(TModuleHandle Module, TModuleHandle Resource)
{
    std::unique_lock lock(FLock);
    auto it = FModules.find(Resolve(Module));
    if (it == FModules.end() || !it->second.Code) return false;
    it->second.ResourceModule = IsLoaded(Resource) ? Resource : it->first;
    return true;
}

const TResProcessor* TModuleTable::Resources(TModuleHandle Handle) const
{
    auto it = FModules.find(Resolve(Handle));
    return it == FModules.end() ? nullptr : it->second.Resources.get();
}

bool TModuleTable::FindRCData(TModuleHandle Handle, const QString& Name, QByteArray& Data) const
{
    const TResProcessor* resources = Resources(Handle);
    const TResRCData* rcdata = resources ? resources->RCData() : nullptr;
    const TResRCDataItem* item = rcdata ? rcdata->ItemByName(Name) : nullptr;
    if (!item) return false;
    Data = item->Buffer();
    return true;
}

QString TModuleTable::LoadResString(int Id, TModuleHandle Module) const
{
    std::shared_lock lock(FLock);
    const TResProcessor* resources = Resources(ResourceModule(Module));
    const TResString* strings = resources ? resources->Strings() : nullptr;
    const TResStringItem* item = strings ? strings->ItemById(Id) : nullptr;
    return item ? item->Data() : QString();
}
