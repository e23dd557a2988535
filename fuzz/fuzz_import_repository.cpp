// The repository's imports: a TMX file or an XML table (ImportRepositoryFile
// tells them apart by their content) and a Microsoft glossary, into a
// repository of English and German emptied before every input.

#include "FuzzSupport.h"
#include "core/Prompt.h"
#include "repository/LangRepository.h"
#include "repository/RepositoryExchange.h"
#include "repository/RepositoryFlows.h"

#include <QFileInfo>

namespace {

TQLangRepository& Repository()
{
    static TQLangRepository* rep = [] {
        const QString folder = QFileInfo(fuzz::WriteFile(QStringLiteral("placeholder"), {})).path();
        auto* r = new TQLangRepository(folder + QStringLiteral("/fuzz.lr"));
        r->SetUseMemoryIndex(false); // no index thread: one input, one thread, reproducible runs
        r->OpenOrCreate();
        r->AddLocales({1033, 1031});
        return r;
    }();
    return *rep;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString path = fuzz::WriteFile(QStringLiteral("input.xml"), fuzz::Bytes(Data, Size));
    TQLangRepository& rep = Repository();
    rep.EmptyTable();
    TRecordingPrompt prompt;
    TSilentRepositoryPrompt ask;
    TRepositoryFlows flows(rep, TRepositoryOptions(), prompt, ask);
    fuzz::Refusable([&] { ImportRepositoryFile(flows, path, prompt); });
    rep.EmptyTable();
    fuzz::Refusable([&] { rep.ImportMSGlossary(path, 1033, 1031, {}); });
    return 0;
}
