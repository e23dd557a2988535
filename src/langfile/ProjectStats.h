#pragma once

#include <QString>

class QTextStream;
class TLocStorage;

// How many items of one group are translated, untranslated or untranslatable
// in one language column. Items is the sum of the three.
struct TStatCounts {
    int Items = 0;
    int Translated = 0;
    int Untranslated = 0;
    int Untranslatable = 0;

    TStatCounts& operator+=(const TStatCounts& o);
};

struct TProjectStats {
    TStatCounts Properties;
    TStatCounts Constants;
    TStatCounts External;
    TStatCounts Total;
};

// Counts every item of the storage (sections and filters play no part). An
// untranslatable item counts as untranslatable whatever its value's state.
// Raises ELEProjectError "Invalid index" for a column the storage lacks.
TProjectStats CountProjectStats(const TLocStorage& Storage, int LangIndex);

// The "-stats" batch operation: opens the project read-only with every language
// file of its folder and prints, for the native file ("ntv") and then each
// language, one line per group:
//   <abbreviation> <group> items=<n> translated=<n> untranslated=<n> untranslatable=<n>
// Returns the exit code: 0; with Strict 3 when any language has untranslated
// items; 1 (message on Err) when the project or a language file cannot be read.
int RunProjectStats(const QString& NativeFile, bool Strict, QTextStream& Out, QTextStream& Err);
