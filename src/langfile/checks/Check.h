#pragma once

#include "core/VocabrixError.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <span>

VOCABRIX_ERROR(ECheckError, EVocabrixError);

class TLocItem;

// Errors stop a release (-check:strict); warnings ask a translator to look.
enum TCheckSeverity { csWarning, csError };

// What a check sees of one translation: the item, its language column and the
// two texts. Built once per item and language on the thread that owns the
// project; the texts are copies, so checks may run on another thread.
struct TCheckContext {
    const TLocItem* Item = nullptr; // refers only; never dereferenced off the owning thread
    QString ItemName;               // "MainForm.btnOK.Caption", "Unit1.SError", "Group.Item"
    int LangIndex = 0;              // storage column
    uint16_t Locale = 0;            // the column's language
    QString LangCode;               // the language file's code, "deu"
    uint16_t NativeLocale = 0;      // column 0's language
    int CodePage = 0;               // the language's ANSI code page; 0 for a Unicode-only language
    QString Native;
    QString Translation;
    // The window the text belongs to, for checks across a window's texts
    // (accelerator-clash): the form for properties, empty for resource
    // strings and external items. A menu item's Group names its menu level.
    QString Form;
    QString Group;
    bool Translated = false; // item checks look only at translated values
    // A check that measures the text against its control (layout) claims it:
    // the rough length check then leaves the item alone.
    bool WidthKnown = false;
};

// One thing wrong with one translation.
struct TCheckFinding {
    const TLocItem* Item = nullptr;
    QString ItemName;
    int LangIndex = 0;
    QString CheckId;
    TCheckSeverity Severity = csWarning;
    QString Message; // one line naming the difference
    QString Native;
    QString Translation;
    bool Accepted = false; // the translator chose to ignore it for this text
};

using TFindingSink = std::function<void(TCheckFinding)>;

// A quality check. Item checks look at one translation; window checks
// (accelerator-clash, layout) look at all translations of one window in one
// language at once. A check is stateless between calls or guards its own
// state: the runner may call it from a worker thread.
class TCheck {
public:
    virtual ~TCheck() = default;
    virtual QString Id() const = 0;
    virtual TCheckSeverity Severity() const = 0;

    // Item checks report through Report (the runner fills item, language,
    // check and texts into the finding); window checks leave it alone.
    virtual void CheckItem(const TCheckContext& /*Context*/,
                           const std::function<void(const QString&)>& /*Report*/) const
    {
    }
    // Item checks see an empty translation only when they ask for it (the
    // empty check); every other difference would be noise then.
    virtual bool ChecksEmptyTranslations() const { return false; }
    // Every value of one Form and language in storage order, translated or
    // not (an untranslated caption ships with its native text); findings go
    // to translated values only.
    virtual bool ChecksWindows() const { return false; }
    virtual void CheckWindow(std::span<const TCheckContext> /*Items*/, const TFindingSink& /*Sink*/) const {}

    // A check that knows an item's control width (layout) says so here.
    virtual bool MeasuresWidth(const TCheckContext& /*Context*/) const { return false; }
};

// A finding of a check for one context, filled as the runner would.
TCheckFinding MakeFinding(const TCheck& Check, const TCheckContext& Context, const QString& Message);
