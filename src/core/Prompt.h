#pragma once

#include <QString>
#include <QStringList>

// How core operations talk to the user. The editor answers with dialogs, batch
// mode on the terminal without any window, tests with a recording object.
enum TMsgKind { mkWarning, mkError, mkInformation, mkConfirmation };
enum TMsgButtons { mbOK, mbYesNo, mbYesNoCancel, mbYesCancel };
enum TMsgResult { mrOk, mrYes, mrNo, mrCancel };

class TPrompt {
public:
    virtual ~TPrompt() = default;

    // A message dialog. Non-interactive implementations return Default.
    virtual TMsgResult Message(TMsgKind kind, const QString& text, TMsgButtons buttons, TMsgResult Default) = 0;

    // The status window: one line of text shown during a shorter operation;
    // an empty text hides it.
    virtual void Status(const QString& text) = 0;

    // The progress window with a Cancel button. Step returns false once the
    // user asked to stop.
    virtual void ProgressBegin(const QString& text, qint64 max) = 0;
    virtual bool ProgressStep(qint64 position) = 0;
    // A new message for the running progress (a run that moves on to its next part).
    virtual void ProgressText(const QString& text) = 0;
    virtual void ProgressEnd() = 0;
};

// A progress shown for the life of the object, closed on every way out.
class TProgressRun {
public:
    TProgressRun(TPrompt& Prompt, const QString& Text, qint64 Max) : FPrompt(Prompt)
    {
        Prompt.ProgressBegin(Text, Max);
    }
    ~TProgressRun() { FPrompt.ProgressEnd(); }
    TProgressRun(const TProgressRun&) = delete;
    TProgressRun& operator=(const TProgressRun&) = delete;

private:
    TPrompt& FPrompt;
};

// Batch mode: status texts and messages become lines on stderr; questions
// take their default answer. Progress is shown only on a terminal, where
// Ctrl+C during a progress asks the run to stop.
class TTerminalPrompt : public TPrompt {
public:
    TMsgResult Message(TMsgKind kind, const QString& text, TMsgButtons buttons, TMsgResult Default) override;
    void Status(const QString& text) override;
    void ProgressBegin(const QString& text, qint64 max) override;
    bool ProgressStep(qint64 position) override;
    void ProgressText(const QString& text) override;
    void ProgressEnd() override;
};

// Tests: records every call as a line and answers from a queue (then the default).
class TRecordingPrompt : public TPrompt {
public:
    QStringList Log;
    QList<TMsgResult> Answers;
    bool CancelProgress = false;

    TMsgResult Message(TMsgKind kind, const QString& text, TMsgButtons buttons, TMsgResult Default) override;
    void Status(const QString& text) override;
    void ProgressBegin(const QString& text, qint64 max) override;
    bool ProgressStep(qint64 position) override;
    void ProgressText(const QString& text) override;
    void ProgressEnd() override;
};

// The process-wide prompt used where no other was given (the terminal one
// until the editor installs its own).
TPrompt& DefaultPrompt();
void SetDefaultPrompt(TPrompt* prompt); // nullptr restores the terminal prompt
