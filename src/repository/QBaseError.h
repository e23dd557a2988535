#pragma once

#include "core/VocabrixError.h"

// The table engine, its memo file and its memory index raise this one class.
VOCABRIX_ERROR(EQBaseError, EVocabrixError);
// The memo file's errors, so that a report can name the memo file rather
// than its table.
VOCABRIX_ERROR(EQMemoError, EQBaseError);
