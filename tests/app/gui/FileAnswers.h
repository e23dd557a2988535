#pragma once

// Answers the window's file questions as the test prompt answers its
// messages: from a queue, recording what was asked.

#include "app/gui/dialogs/FileChooser.h"

#include <QList>
#include <QStringList>

class TFileAnswers : public TFileChooser {
public:
    TFileAnswers() { SetFileChooser(this); }
    ~TFileAnswers() override { SetFileChooser(nullptr); }
    TFileAnswers(const TFileAnswers&) = delete;
    TFileAnswers& operator=(const TFileAnswers&) = delete;

    QStringList Answers;          // taken in turn; empty (cancel) when none is left
    QList<TFileRequest> Requests; // what was asked, in order

    QString Choose(QWidget*, const TFileRequest& Request) override
    {
        Requests << Request;
        return Answers.isEmpty() ? QString() : Answers.takeFirst();
    }
};
