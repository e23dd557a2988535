#include "langfile/checks/CheckRegistry.h"

#include "core/FileNames.h"
#include "platform/Settings.h"

#include <QFileInfo>
#include <QMutex>

TCheckFinding MakeFinding(const TCheck& Check, const TCheckContext& Context, const QString& Message)
{
    TCheckFinding f;
    f.Item = Context.Item;
    f.ItemName = Context.ItemName;
    f.LangIndex = Context.LangIndex;
    f.CheckId = Check.Id();
    f.Severity = Check.Severity();
    f.Message = Message;
    f.Native = Context.Native;
    f.Translation = Context.Translation;
    return f;
}

void TCheckRegistry::Add(std::unique_ptr<TCheck> Check) { FChecks.push_back(std::move(Check)); }

void TCheckRegistry::Remove(const QSet<QString>& Ids)
{
    std::erase_if(FChecks, [&Ids](const std::unique_ptr<TCheck>& c) { return Ids.contains(c->Id()); });
}

const TCheck* TCheckRegistry::Find(const QString& Id) const
{
    for (const auto& c : FChecks)
        if (c->Id() == Id) return c.get();
    return nullptr;
}

namespace {

struct TProviders {
    QMutex Lock;
    std::vector<std::pair<QString, TCheckProvider>> List;
};

TProviders& Providers()
{
    static TProviders providers;
    return providers;
}

const QString kChecksSection = QStringLiteral("Checks");

} // namespace

void RegisterCheckProvider(const QString& Name, TCheckProvider Provider)
{
    TProviders& p = Providers();
    QMutexLocker lock(&p.Lock);
    // Registering again under a name replaces the provider (tests do).
    for (auto& entry : p.List) {
        if (entry.first == Name) {
            entry.second = std::move(Provider);
            return;
        }
    }
    p.List.emplace_back(Name, std::move(Provider));
}

std::unique_ptr<TCheckRegistry> CreateCheckRegistry(const TCheckProviderArgs& Args)
{
    static const TCheckOptions kNone;
    const TCheckOptions& options = Args.Options ? *Args.Options : kNone;
    auto registry = std::make_unique<TCheckRegistry>();
    AddBuiltinChecks(*registry, options);
    std::vector<TCheckProvider> providers;
    {
        TProviders& p = Providers();
        QMutexLocker lock(&p.Lock);
        for (const auto& entry : p.List) providers.push_back(entry.second);
    }
    for (const TCheckProvider& provider : providers) provider(*registry, Args);
    registry->Remove(options.Disabled);
    return registry;
}

QString ProjectSettingsFileName(const QString& NativeFileName)
{
    return WithoutLastExt(WithoutLastExt(NativeFileName)) + QStringLiteral(".leo");
}

QSet<QString> ParseCheckList(const QString& Text)
{
    QSet<QString> ids;
    for (const QString& id : Text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!id.trimmed().isEmpty()) ids.insert(id.trimmed().toLower());
    return ids;
}

QString CheckListText(const QSet<QString>& Ids)
{
    QStringList list(Ids.begin(), Ids.end());
    list.sort();
    return list.join(QLatin1Char(','));
}

void ReadProjectCheckOptions(const QString& NativeFileName, TCheckOptions& Options)
{
    const QString fileName = ProjectSettingsFileName(NativeFileName);
    if (!QFileInfo(fileName).isFile()) return;
    TIniFile ini;
    try {
        ini = TIniFile::Load(fileName);
    } catch (const EVocabrixError& e) {
        throw ECheckError(NamingFile(fileName, e.Message()));
    }
    const auto texts = [](const QString& value) {
        QStringList list;
        for (const QString& s : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
            if (!s.trimmed().isEmpty()) list << s.trimmed();
        return list;
    };
    Options.Disabled.unite(ParseCheckList(ini.ReadString(kChecksSection, QStringLiteral("Disabled"), QString())));
    Options.SameTexts << texts(ini.ReadString(kChecksSection, QStringLiteral("Same"), QString()));
    for (const QString& key : ini.ReadSection(kChecksSection)) {
        if (!key.startsWith(QLatin1String("Same."), Qt::CaseInsensitive)) continue;
        Options.SameTextsOf[key.mid(5).toLower()] << texts(ini.ReadString(kChecksSection, key, QString()));
    }
}
