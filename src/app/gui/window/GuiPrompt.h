#pragma once

#include "core/Prompt.h"

#include <QPointer>

class QLabel;
class TProgressForm;
class QWidget;

// The editor's answers to core operations: message dialogs, the status window
// (a borderless, stay-on-top line of text centred on the screen) and the shared
// progress window with its Cancel button.
class TGuiPrompt : public TPrompt {
public:
    TGuiPrompt();
    ~TGuiPrompt() override;

    TMsgResult Message(TMsgKind kind, const QString& text, TMsgButtons buttons, TMsgResult Default) override;
    void Status(const QString& text) override;
    void ProgressBegin(const QString& text, qint64 max) override;
    bool ProgressStep(qint64 position) override;
    void ProgressText(const QString& text) override;
    void ProgressEnd() override;

    // The progress window, created on first use (for tests and the status bar's neighbours).
    TProgressForm* ProgressForm() const;

private:
    QPointer<QLabel> FStatus;
    QPointer<TProgressForm> FProgress;
};
