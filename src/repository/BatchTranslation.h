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
    QString CfgFile;    // section "Translate": "TranslateAll", "Smart"
};

// What the run did to one language file.
struct TBatchTranslationLine {
    QString Code;
    int Translated = 0;   // values filled by this run
    int Untranslated = 0; // translatable texts still untranslated
};

// Throws on the first error (a cancel included); files saved before stay
// saved, the file being worked on is left as it was.
QList<TBatchTranslationLine> RunBatchTranslation(const TBatchTranslation& Job, TPrompt& Prompt);

// The repository a batch run uses: Given, else the "Repository" setting,
// else the program folder + "Repository/default.lr".
QString BatchRepositoryPath(const QString& Given);
