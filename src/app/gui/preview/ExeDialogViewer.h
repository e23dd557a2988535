#pragma once

#include "app/gui/preview/FormPreviewBuilder.h"
#include "platform/Settings.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TPrompt;

// The remembered bounds of one closed preview form.
struct TCompPos {
    QString name;
    QRect Bounds; // left, top, right, bottom as a rectangle
};

// Owns its items; names are compared exactly.
class TComPosList {
public:
    void AddComp(std::unique_ptr<TCompPos> Obj) { FItems.push_back(std::move(Obj)); }
    TCompPos* FindComp(const QString& Name) const;
    TCompPos* CompItems(int Index) const { return FItems.at(size_t(Index)).get(); }
    int Count() const { return int(FItems.size()); }

private:
    std::vector<std::unique_ptr<TCompPos>> FItems;
};

class TExeDialogViewer;
using TClassMissingEvent = std::function<void(TExeDialogViewer* Sender, const QString& ClassName)>;
// Component is the clicked widget or menu item (objectName: the storage's
// component name); the form itself when the form was clicked.
using TClickEvent = std::function<void(TExeDialogViewer* Sender, QWidget* Form, QObject* Component)>;

// Shows a form of a PE file (the executable or a language's resource DLL)
// as the program would show it, drawn with Qt widgets from the form resource.
// Classes the preview does not know are replaced as the replacement settings
// file says (section "ReplaceComponents", class = class to create instead).
class TExeDialogViewer : public QObject {
    Q_OBJECT
public:
    // Prompt shows the messages; nullptr uses the default prompt.
    explicit TExeDialogViewer(const QString& IniFile, TPrompt* Prompt = nullptr);
    ~TExeDialogViewer() override;

    // Shows the form DiagName stored in PEFile; a file or form that cannot be
    // read is told in an error message and leaves no preview open.
    void ShowDialog(const QString& PEFile, const QString& DiagName);
    // Builds and shows the form of a form stream; throws ELocFormProcessorError
    // when not even the form's header can be read.
    void ShowStream(const QByteArray& Stream);
    // Closes the preview form (its bounds are remembered) and frees it.
    void CloseForm();

    TPreviewForm* Form() const { return FForm; }
    TComPosList& FormPos() { return FFormPos; }
    const QString& IniFileName() const { return FIniFileName; }
    // 8-bit strings of the form streams are read in this language's code page
    // (0: the system's).
    uint16_t Locale() const { return FLocale; }
    void SetLocale(uint16_t Value) { FLocale = Value; }

    const TClassMissingEvent& OnClassMissing() const { return FOnLog; }
    void SetOnClassMissing(TClassMissingEvent Value) { FOnLog = std::move(Value); }
    const TClickEvent& OnCmpDblClick() const { return FCmpDblClick; }
    void SetOnCmpDblClick(TClickEvent Value) { FCmpDblClick = std::move(Value); }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void FormClosing(TPreviewForm* Form);
    // Moves a shown form so that its whole frame is on its screen.
    static void KeepOnScreen(QWidget* Form);
    void Instrument(TPreviewForm* Form);
    QString Replacement(const QString& ClassName);
    TPrompt& Prompt() const;

    QPointer<TPreviewForm> FForm;
    QString FIniFileName;
    TIniFile FReplComp;
    TComPosList FFormPos;
    TClassMissingEvent FOnLog;
    TClickEvent FCmpDblClick;
    TPrompt* FPrompt;
    uint16_t FLocale = 0;
};
