#pragma once

// The importers of the editor, each with a fuzz target of its own: the file
// is previewed and imported into the sample project's native language and
// into its German language (the two take different paths).

#include "FuzzSupport.h"
#include "exchange/Exchange.h"
#include "langfile/LangFileProject.h"

namespace fuzz {

inline void ImportInto(const QString& Path, TImportKind Kind, int LangIndex)
{
    // A project of its own for every input, so that one input's values do
    // not change what the next one meets.
    TLangFileProject project;
    project.Open(QStringLiteral(EXAMPLES_DIR "/Notes.ntv.lng"), false, true);
    project.OpenLanguage(QStringLiteral(EXAMPLES_DIR "/Notes.deu.lng"), true);
    Refusable([&] { PreviewImport(project, LangIndex, Path, Kind); });
    for (const TSyncBy by : {sbIDs, sbNames}) {
        TImportOptions options;
        options.SyncBy = by;
        Refusable([&] { ImportLanguage(project, LangIndex, Path, Kind, options, TExchangeSelection(), nullptr); });
    }
}

inline int FuzzImport(TImportKind Kind, const char* Name, const uint8_t* Data, size_t Size)
{
    const QString path = WriteFile(QLatin1String(Name), Bytes(Data, Size));
    ImportInto(path, Kind, 0);
    ImportInto(path, Kind, 1);
    return 0;
}

} // namespace fuzz
