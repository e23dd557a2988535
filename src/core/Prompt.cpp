#include "core/Prompt.h"

#include <cstdio>

namespace {
const char* KindName(TMsgKind kind)
{
    switch (kind) {
    case mkWarning: return "Warning";
    case mkError: return "Error";
    case mkInformation: return "Information";
    case mkConfirmation: return "Confirmation";
    }
    return "";
}

void ErrLine(const QString& line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

TTerminalPrompt gTerminal;
TPrompt* gDefault = nullptr;
} // namespace

TMsgResult TTerminalPrompt::Message(TMsgKind kind, const QString& text, TMsgButtons, TMsgResult Default)
{
    ErrLine(QStringLiteral("%1: %2").arg(QLatin1String(KindName(kind)), text));
    return Default;
}

void TTerminalPrompt::Status(const QString& text)
{
    if (!text.isEmpty()) ErrLine(text);
}

void TTerminalPrompt::ProgressBegin(const QString& text, qint64)
{
    if (!text.isEmpty()) ErrLine(text);
}

bool TTerminalPrompt::ProgressStep(qint64)
{
    return true;
}

void TTerminalPrompt::ProgressText(const QString& text)
{
    if (!text.isEmpty()) ErrLine(text);
}

void TTerminalPrompt::ProgressEnd() {}

TMsgResult TRecordingPrompt::Message(TMsgKind kind, const QString& text, TMsgButtons, TMsgResult Default)
{
    Log << QStringLiteral("%1: %2").arg(QLatin1String(KindName(kind)), text);
    return Answers.isEmpty() ? Default : Answers.takeFirst();
}

void TRecordingPrompt::Status(const QString& text)
{
    Log << QStringLiteral("Status: %1").arg(text);
}

void TRecordingPrompt::ProgressBegin(const QString& text, qint64 max)
{
    Log << QStringLiteral("Progress: %1 (%2)").arg(text).arg(max);
}

bool TRecordingPrompt::ProgressStep(qint64)
{
    return !CancelProgress;
}

void TRecordingPrompt::ProgressText(const QString& text)
{
    Log << QStringLiteral("Progress text: %1").arg(text);
}

void TRecordingPrompt::ProgressEnd()
{
    Log << QStringLiteral("Progress end");
}

TPrompt& DefaultPrompt()
{
    return gDefault ? *gDefault : gTerminal;
}

void SetDefaultPrompt(TPrompt* prompt)
{
    gDefault = prompt;
}
