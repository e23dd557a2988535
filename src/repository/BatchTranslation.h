#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TPrompt;

// The run of "-translate:": fills the language files of a project from the
// repository without a window and saves them.
struct TBatchTranslation {
    QString ProjectFile;
    QStringList Codes;  // empty or "ALL": every language file but the native one
    QString Repository; // empty: the "Repository" setting, else the program's default
    QString CfgFile;    // section "Translate": "TranslateAll", "Smart", "FuzzyScore"
};

// What the run did to one language file.
struct TBatchTranslationLine {
    QString Code;
    int Translated = 0;   // values filled by this run
    int Untranslated = 0; // translatable texts still untranslated
    int Fuzzy = -1;       // of those, filled from a fuzzy match; -1: the run takes none
};

// The lowest "FuzzyScore" a run takes (a lower one is raised to it).
constexpr int kLowestBatchFuzzyScore = 50;

// Throws on the first error (a cancel included); files saved before stay
// saved, the file being worked on is left as it was.
QList<TBatchTranslationLine> RunBatchTranslation(const TBatchTranslation& Job, TPrompt& Prompt);

// The repository a batch run uses: Given, else the "Repository" setting,
// else the program folder + "Repository/default.lr".
QString BatchRepositoryPath(const QString& Given);

// "-repimport:FILE": imports a TMX or XML table file into the repository
// (created when missing) with the repository options of the settings;
// questions take their default answer. False when the import stopped (the
// reason went to Prompt). Entries receives the number of entries read.
bool RunBatchRepositoryImport(const QString& Repository, const QString& FileName, TPrompt& Prompt, qint64& Entries);
// "-repexport:FILE": writes the whole repository as TMX, its first language
// as the base. Returns the number of records written.
qint64 RunBatchRepositoryExport(const QString& Repository, const QString& FileName, TPrompt& Prompt);

// What "-repcopy:" did.
struct TRepositoryCopy {
    qint64 Records = 0;   // records of the source
    qint64 Skipped = 0;   // of them already in the target with the same texts
    qint64 Languages = 0; // languages of the source
    qint64 LeftOut = 0;   // of them not copied: a text no repository can keep (IsStorableText)
};
// "-repcopy:TARGET": copies every record of the repository (Repository, as
// for the other runs) into Target, a file or a connection string, created
// when missing; the languages are added first. A record the target holds
// already with the same texts is not copied again, so a copy can be
// repeated after a stop.
TRepositoryCopy RunBatchRepositoryCopy(const QString& Repository, const QString& Target, TPrompt& Prompt);
