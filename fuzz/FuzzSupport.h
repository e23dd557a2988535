#pragma once

// What every fuzz target shares. A reader may refuse its input only with the
// system's own exception; a crash, a sanitizer report, a hang, another
// exception or an allocation past libFuzzer's limit is a finding.

#include "core/VocabrixError.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace fuzz {

inline QByteArray Bytes(const uint8_t* Data, size_t Size)
{
    return QByteArray(reinterpret_cast<const char*>(Data), qsizetype(Size));
}

// Runs F; the reader's own refusal is an expected outcome.
template <class F> void Refusable(F&& f)
{
    try {
        f();
    } catch (const EVocabrixError&) {
    }
}

// Writes Bytes to a file Name in the process's own folder and returns its
// path, for readers that take a file name.
QString WriteFile(const QString& Name, const QByteArray& Bytes);

// A property the reader promised and broke (a written file it cannot read
// back, a round trip that changed the data): stops the run like a crash.
[[noreturn]] inline void Broken(const char* What, const QString& Detail = {})
{
    fprintf(stderr, "fuzz: %s %s\n", What, qUtf8Printable(Detail));
    abort();
}

} // namespace fuzz
