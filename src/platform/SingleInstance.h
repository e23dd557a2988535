#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

// One interactive editor per user. Every running editor listens on a local
// socket of its own, "TOxvPDMainForm.<pid>-<n>" in the user's private runtime
// folder, by which a later start finds it (the main window's class name on
// Windows). The running editor that claimed it also holds the name
// "Phrase Desk Atom", a second link to its socket (the global atom on
// Windows): it exists while an editor runs, a crash can leave it behind and
// -delatom removes it.
//
// A second start connects, asks the running editor to come to the front (and
// to open the project it names) and ends; with -ide it goes on when the atom
// is gone. Only an editor whose window is on screen takes the request: one
// that does not answer within a second (hung, or left without a window) does
// not keep the new start from opening its own window.
class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // Folder: where the names live; the user's runtime folder by default.
    explicit TSingleInstance(const QString& Folder = DefaultFolder(), QObject* Parent = nullptr);
    // Gives up the names, the atom only while it is still this editor's.
    ~TSingleInstance() override;

    static QString DefaultFolder();
    static QString AtomName() { return QStringLiteral("Phrase Desk Atom"); }
    QString AtomPath() const;
    bool AtomExists() const;
    // -delatom: removes the atom, whoever left it.
    void DeleteAtom();

    // The start: with DelAtom the atom goes first; a running editor is asked
    // to come to the front (and to open Project when it is not empty), and
    // when it took the request this run ends (false) unless IDE is set and
    // the atom does not exist. Otherwise a left-over atom is removed, this
    // editor starts listening and takes the atom (true); a running editor that
    // did not take the request is named on stderr. When the runtime folder
    // cannot hold the names the editor runs without the rule.
    bool Start(bool DelAtom, bool IDE, const QString& Project = QString());

    // Asked for each request of a later start: whether this editor's window is
    // on screen to take it. Without it every request is taken.
    void SetShownCheck(std::function<bool()> Shown) { FShown = std::move(Shown); }

    // Whether this editor listens for later starts.
    bool Listening() const;
    // Whether the atom is this editor's.
    bool OwnsAtom() const;

Q_SIGNALS:
    // A later start asked this editor to come to the front; Project is the
    // project it named (absolute), empty when none.
    void BringToFrontRequested(const QString& Project);

private:
    bool AskRunningToFront(const QString& Project);
    void Listen();
    void Accept();

    QString FFolder;
    QLocalServer* FServer = nullptr;
    quint64 FInode = 0; // of this editor's socket, to recognise its atom
    std::function<bool()> FShown;
};
