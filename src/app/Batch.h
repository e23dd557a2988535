#pragma once

#include "app/StartOptions.h"

class TPrompt;

// True when the options ask for a batch operation: the run then ends after
// the operations without creating any window.
bool IsBatchRun(const TStartOptions& Options);

// Runs the requested batch operations in their fixed order after checking
// that all of them can run. A failure is reported through Prompt as an error
// message and ends the run. Returns the exit code: 0 success, 1 an operation
// failed, 2 the command line cannot be run (ECommandLineError), or an
// operation's own code (3 from -stats:strict, kBatchExitKept from -create:).
int RunBatch(const TStartOptions& Options, TPrompt& Prompt);

// The exit code of a run whose -create: found some of its language files
// already there: those were kept unchanged (with a warning each), the others
// created, and the later operations ran.
constexpr int kBatchExitKept = 4;

// -create: writes one new language file per code of the list next to the
// project file, every value untranslated. All codes are checked before any
// file is written; an existing file is kept (EBatchExit kBatchExitKept with
// GoOn after the others were written).
void BatchCreateLanguages(const TStartOptions& Options, TPrompt& Prompt);

// -extract / -extract:layout: writes or updates the native project file from
// the executable (-pefile:), with -drc: and -rules:; prints the summary.
void BatchExtract(const TStartOptions& Options, TPrompt& Prompt);

// -stats / -stats:strict: per-language translation counts of the project.
void BatchStats(const TStartOptions& Options, TPrompt& Prompt);

// -resinfo:FILE: prints the string tables and RCDATA items of a PE or .res file.
void BatchResInfo(const TStartOptions& Options, TPrompt& Prompt);

// The language file for Code beside a project file: every extension of the
// file name dropped, then "." Code ".lng" (/p/app.ntv.lng, deu: /p/app.deu.lng).
QString BatchLanguageFileName(const QString& ProjectFile, const QString& Code);
