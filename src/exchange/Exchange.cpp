#include "exchange/Exchange.h"

#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "exchange/ExchangeCore.h"
#include "exchange/SourceImports.h"
#include "exchange/TextFormat.h"
#include "exchange/Xliff.h"
#include "exchange/XmlFormat.h"
#include "langfile/LangFileProject.h"

using namespace exchange;

namespace {

void CheckLanguage(const TLangFileProject& Project, int LangIndex)
{
    if (LangIndex < 0 || LangIndex >= Project.LangCount() || LangIndex >= Project.LangFiles().Count())
        throw EExchangeError(QStringLiteral("Invalid language index"));
}

} // namespace

bool ExportLanguage(TLangFileProject& Project, int LangIndex, const QString& FileName, TExportKind Kind,
                    const TExportOptions& Options, const TExchangeSelection& Selection, TPrompt* Progress)
{
    CheckLanguage(Project, LangIndex);
    TProgress progress(Progress);
    switch (Kind) {
    case ekText:
        ExportText(Project, LangIndex, FileName, Options, Selection, progress);
        break;
    case ekXml:
        ExportXml(Project, LangIndex, FileName, Options, Selection, progress);
        break;
    case ekXliff12:
    case ekXliff20:
        ExportXliff(Project, LangIndex, FileName, Kind == ekXliff20, Options, Selection, progress);
        break;
    }
    if (!progress.Cancelled()) return true;
    progress.End();
    Progress->Message(mkInformation, UiString(usExportTerminated), mbOK, mrOk);
    return false;
}

TImportPreview PreviewImport(const TLangFileProject& Project, int LangIndex, const QString& FileName, TImportKind Kind)
{
    CheckLanguage(Project, LangIndex);
    switch (Kind) {
    case ikText:
        return PreviewText(DecodeTextFile(ReadImportFile(FileName), Project.Locales(LangIndex)));
    case ikXml:
        return PreviewXml(ReadImportFile(FileName), LangIndex == 0);
    case ikLangFile:
        return PreviewLangFile(Project, LangIndex, FileName);
    case ikTmx:
        return PreviewTmx(ReadImportFile(FileName));
    case ikXliff:
        return PreviewXliff(ReadImportFile(FileName), Project);
    }
    throw EExchangeError(QStringLiteral("Unknown import kind"));
}

QString ImportSummary(const TImportCounts& Counts)
{
    QString text = UiString(usImportSummary, {QString::number(Counts.Imported), QString::number(Counts.Units),
                                              QString::number(Counts.Unchanged()), QString::number(Counts.Unmatched)});
    if (Counts.Kept > 0)
        text += QStringLiteral("\r\n") + UiString(usImportKeptTranslated, {QString::number(Counts.Kept)});
    return text;
}

bool ImportLanguage(TLangFileProject& Project, int LangIndex, const QString& FileName, TImportKind Kind,
                    const TImportOptions& Options, const TExchangeSelection& Selection, TPrompt* Progress,
                    TImportCounts* Counts)
{
    CheckLanguage(Project, LangIndex);
    TImportTarget target(Project, LangIndex, Options, Selection);
    TProgress progress(Progress);
    try {
        switch (Kind) {
        case ikText:
            ImportText(DecodeTextFile(ReadImportFile(FileName), Project.Locales(LangIndex)), target, progress);
            break;
        case ikXml:
            ImportXml(ReadImportFile(FileName), target, progress);
            break;
        case ikLangFile:
            ImportLangFile(FileName, target, progress);
            break;
        case ikTmx:
            ImportTmx(ReadImportFile(FileName), target, progress);
            break;
        case ikXliff:
            ImportXliff(ReadImportFile(FileName), target, progress);
            break;
        }
    } catch (...) {
        target.Finish();
        throw;
    }
    target.Finish();
    if (Counts) *Counts = target.Counts();
    if (!progress.Cancelled()) return true;
    progress.End();
    Progress->Message(mkInformation, UiString(usImportTerminated), mbOK, mrOk);
    return false;
}
