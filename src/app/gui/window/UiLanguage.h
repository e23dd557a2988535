#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>
#include <vector>

class QWidget;
class TdlgOptions;
class TLangFileProject;
class TLocStorage;
class TPrompt;
class TQLangRepository;
class TQLocUtils;
class TQVocabrixOnFly;

// The program's resource image (string table, settings records, the language
// data of the interface), made by the build from the files in lang/.
QByteArray ProgramResourceImage();

// The language of the editor's own interface: registers the program's
// resources as the executable's, keeps the on-the-fly translator, and
// translates every window when it is first shown and whenever the language
// changes. One instance per interactive run.
class TUiLanguage : public QObject {
    Q_OBJECT
public:
    explicit TUiLanguage(const QByteArray& Image = ProgramResourceImage(), QObject* Parent = nullptr);
    ~TUiLanguage() override;
    static TUiLanguage* Current();

    // Chooses the language at start: the -uilang: code when given, else the
    // stored choice. A failure leaves the interface in English and returns
    // the status line that says why (empty when all went well).
    QString Start(const QString& UiLang, const QString& LangDir = QString());
    TQVocabrixOnFly& OnFly() { return *FOnFly; }

    // The options dialog's "Language" page: the languages by their own names,
    // the current one selected; after OK, the switch to the chosen one.
    void FillOptions(TdlgOptions& Dialog) const;
    void ApplyOptions(const TdlgOptions& Dialog);
    // Switches to a language of the translator's list.
    void SwitchTo(int ListIndex);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void Translate(QWidget* Window);

    std::unique_ptr<TQLocUtils> FLocUtils;
    std::unique_ptr<TQVocabrixOnFly> FOnFly;
};

// Marks an object whose texts the program sets from data (a font's
// description; on a window, its title): they belong to no language.
inline void MarkDynamicText(QObject* Object) { Object->setProperty("uiDynamicText", true); }

// Gives the objects of a window that show texts and have no name a name made
// of their class and text, so that the storage form can find them.
void NameFormComponents(QWidget* Form);
// Adds the texts of a window (named as above) to the storage as the form
// named like its class without the first letter, native column only.
void CollectFormTexts(QWidget* Form, TLocStorage& Storage);

// Every window and dialog of the editor, made offscreen for collecting their
// texts (the main window first), with the empty project and repository in a
// temporary folder that the project's windows are made for.
class TInterfaceWindows {
public:
    TInterfaceWindows();
    ~TInterfaceWindows();
    const std::vector<std::unique_ptr<QWidget>>& Windows() const { return FWindows; }

private:
    QTemporaryDir FDir;
    std::unique_ptr<TLangFileProject> FProject;
    std::unique_ptr<TQLangRepository> FRepository;
    std::unique_ptr<TPrompt> FPrompt;
    // Made last, gone first: the windows refer to the above.
    std::vector<std::unique_ptr<QWidget>> FWindows;
};
// The program's native project: the texts of every window and the string table.
void CollectInterfaceTexts(TLocStorage& Storage);
