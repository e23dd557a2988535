#pragma once

#include <QString>

class QTextStream;

struct TBatchCheckMode {
    bool Strict = false; // exit code 3 while an error-severity finding is not accepted
    bool Json = false;   // the findings as a JSON array on Out, summaries on Err
};

// The "-check" batch operation: opens the project read-only with every
// language file of its folder and checks each language with the project's
// check settings and the language's accepted findings. Prints one line per
// finding that is not accepted,
//   Notes.deu.lng: MainForm.btnOK.Caption: accelerator: the native text has one accelerator, the translation none
// then one summary line per language. Returns the exit code: 0; with Strict 3
// when an error remains; 1 (message on Err) when a file cannot be read.
int RunProjectChecks(const QString& NativeFile, const TBatchCheckMode& Mode, QTextStream& Out, QTextStream& Err);
