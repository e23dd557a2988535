#pragma once

#include "core/VocabrixError.h"

#include <QString>
#include <QStringList>
#include <optional>

// A command line that cannot be run as given: no project file, an operation
// this build lacks. Batch mode ends with exit code 2 on it.
VOCABRIX_ERROR(ECommandLineError, EVocabrixError);

// Ends a batch run with an operation's own exit code; the operation has
// already reported what there was to say. With GoOn the operation has done
// its work and the run goes on with the next operations; the code is the
// run's exit code unless a later one ends the run otherwise.
class EBatchExit : public EVocabrixError {
public:
    explicit EBatchExit(int Code, bool GoOn = false) : EVocabrixError(QString()), FCode(Code), FGoOn(GoOn) {}
    int Code() const { return FCode; }
    bool GoOn() const { return FGoOn; }

private:
    int FCode;
    bool FGoOn;
};

// What the command line asks for. Paths are absolute; a list switch that was
// not given is empty (std::nullopt), one given with an empty value an empty list.
struct TStartOptions {
    bool NoArguments = true; // the program was started without any argument

    QString ProjectFile;                      // native language file, or a language file with -dll
    QString PEFile;                           // -pefile:, else derived from the project file for the DLL operations
    bool ReopenLast = false;                  // -last
    bool SyncAll = false;                     // -syncall
    bool SyncDlls = false;                    // -syncdlls
    bool SyncLangFiles = false;               // -synclangfiles
    bool Library = false;                     // -lib
    bool BuildDll = false;                    // -dll
    bool DelAtom = false;                     // -delatom
    bool Debug = false;                       // -debug
    bool IDE = false;                         // -ide
    bool NewLang = false;                     // -newlang
    QString DllDir;                           // -dlldir: (accepted, read by nothing)
    std::optional<QStringList> ExportList;    // -export:
    bool Xml = false;                         // -xml
    bool Xliff = false;                       // -xliff (XLIFF 1.2)
    bool Xliff2 = false;                      // -xliff2 (XLIFF 2.0)
    QString OutDir;                           // -outdir:
    std::optional<QStringList> ImportList;    // -import:
    QString InDir;                            // -indir:
    std::optional<QStringList> CreateList;    // -create:
    QString CfgFile;                          // -cfg:
    std::optional<QStringList> TranslateList; // -translate:
    QString Repository;                       // -repository:
    QString GKey;                             // -gkey:
    std::optional<QStringList> OpenList;      // -open:
    QString UILang;                           // -uilang:
    QString ResInfoFile;                      // -resinfo: (diagnostic: print a module's resources)
    std::optional<QString> Stats;             // -stats (empty) or -stats:strict: translation statistics
    std::optional<QString> Extract;           // -extract (empty) or -extract:layout: native project from -pefile:
    QString DrcFile;                          // -drc: resource-string definitions for -extract
    QString RulesFile;                        // -rules: translatable-property rules for -extract
    bool NoSettings = false;                  // -nosettings: -dll accepts an executable without settings record
    QString RepImportFile;                    // -repimport: TMX or XML table file into the repository
    QString RepExportFile;                    // -repexport: the repository as a TMX file
    QString RepCopyTarget;                    // -repcopy: every record into another repository (file or server)
    bool Version = false;                     // -version: print the version and end
    bool Help = false;                        // -help: print the switches and end
    std::optional<QStringList> MtList;        // -mt: languages to fill with machine drafts
    QString MtProvider;                       // -mtprovider: the engine, instead of the settings'
    QString MtHost;                           // -mthost: its host, instead of the settings'
    QString MtKey;                            // -mtkey: its key for this run, never stored
};

// Reads the arguments (without the program name) into start options. Relative
// paths are made absolute against CurrentDir. An argument that starts with "-"
// and names no switch throws ECommandLineError; a switch value that names a
// missing file is reported by the operation that uses it.
TStartOptions ParseStartOptions(const QStringList& Args, const QString& CurrentDir);

// A switch as -help and the manual page describe it: its name ("-create:"),
// the placeholder of its value ("LANGS", empty for a whole-word switch) and
// one line of help. Every switch the command line accepts is listed.
struct TSwitchHelp {
    QString Name;
    QString Argument;
    QString Help;
};
QList<TSwitchHelp> SwitchHelp();

// Comma text: items separated by commas (or blanks outside quotes); an item in
// double quotes may hold commas and blanks, "" inside quotes stands for one quote.
QStringList ParseCommaText(const QString& Text);

// True when a list of language file codes holds "ALL" (any case): every
// language file of the project.
bool ListMeansAll(const QStringList& Codes);

// The start options of this run, kept for the rest of it.
TStartOptions& StartOptions();
