// Force-included when tools/checks.sh compiles bench/bench_dll.cpp: the benchmark's
// temporary folder (under $TMPDIR) is kept, so the big executable and its
// language DLL it builds can be checked afterwards. One generator for both.
#pragma once
#include <QTemporaryDir>

struct KeptTemporaryDir : QTemporaryDir {
    KeptTemporaryDir() { setAutoRemove(false); }
};
#define QTemporaryDir KeptTemporaryDir
