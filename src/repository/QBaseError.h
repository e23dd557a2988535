#pragma once

#include "core/VocabrixError.h"

// The table engine, its memo file and its memory index raise this one class.
VOCABRIX_ERROR(EQBaseError, EVocabrixError);
