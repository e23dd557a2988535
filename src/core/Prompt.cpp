#include "core/Prompt.h"

#include "core/TerminalText.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
const char* KindName(TMsgKind kind)
{
    switch (kind) {
    case mkWarning:
        return "Warning";
    case mkError:
        return "Error";
    case mkInformation:
        return "Information";
    case mkConfirmation:
        return "Confirmation";
    }
    return "";
}

void ErrLine(const QString& line)
{
    std::fprintf(stderr, "%s\n", TerminalText(line).toLocal8Bit().constData());
    std::fflush(stderr);
}

// Ctrl+C while a progress runs asks the run to stop after its current step,
// so files are left as they were or fully written; at any other time it ends
// the program as usual.
std::atomic<bool> gInterrupted{false};
struct sigaction gPreviousInt;
bool gHandlerInstalled = false;

extern "C" void OnInterrupt(int) { gInterrupted = true; }

void InstallInterruptHandler()
{
    gInterrupted = false;
    if (gHandlerInstalled) return;
    struct sigaction sa = {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    gHandlerInstalled = sigaction(SIGINT, &sa, &gPreviousInt) == 0;
}

void RemoveInterruptHandler()
{
    if (gHandlerInstalled) sigaction(SIGINT, &gPreviousInt, nullptr);
    gHandlerInstalled = false;
}

// Progress is for a person watching: a script's captured stderr gets only
// the messages that matter.
bool ShowsProgress() { return isatty(fileno(stderr)) != 0; }

TTerminalPrompt gTerminal;
TPrompt* gDefault = nullptr;
} // namespace

TMsgResult TTerminalPrompt::Message(TMsgKind kind, const QString& text, TMsgButtons, TMsgResult Default)
{
    // A message that names its kind itself ("Error during import...") is not
    // prefixed twice.
    const QLatin1String name(KindName(kind));
    ErrLine(text.startsWith(name) ? text : QStringLiteral("%1: %2").arg(name, text));
    return Default;
}

void TTerminalPrompt::Status(const QString& text)
{
    if (!text.isEmpty()) ErrLine(text);
}

void TTerminalPrompt::ProgressBegin(const QString& text, qint64)
{
    InstallInterruptHandler();
    if (!text.isEmpty() && ShowsProgress()) ErrLine(text);
}

bool TTerminalPrompt::ProgressStep(qint64) { return !gInterrupted; }

void TTerminalPrompt::ProgressText(const QString& text)
{
    if (!text.isEmpty() && ShowsProgress()) ErrLine(text);
}

void TTerminalPrompt::ProgressEnd() { RemoveInterruptHandler(); }

TMsgResult TRecordingPrompt::Message(TMsgKind kind, const QString& text, TMsgButtons, TMsgResult Default)
{
    Log << QStringLiteral("%1: %2").arg(QLatin1String(KindName(kind)), text);
    return Answers.isEmpty() ? Default : Answers.takeFirst();
}

void TRecordingPrompt::Status(const QString& text) { Log << QStringLiteral("Status: %1").arg(text); }

void TRecordingPrompt::ProgressBegin(const QString& text, qint64 max)
{
    Log << QStringLiteral("Progress: %1 (%2)").arg(text).arg(max);
}

bool TRecordingPrompt::ProgressStep(qint64) { return !CancelProgress; }

void TRecordingPrompt::ProgressText(const QString& text) { Log << QStringLiteral("Progress text: %1").arg(text); }

void TRecordingPrompt::ProgressEnd() { Log << QStringLiteral("Progress end"); }

TPrompt& DefaultPrompt() { return gDefault ? *gDefault : gTerminal; }

void SetDefaultPrompt(TPrompt* prompt) { gDefault = prompt; }
