#pragma once

#include "core/VocabrixError.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QSettings;

VOCABRIX_ERROR(ESettingsError, EVocabrixError);

// One key of the persistent settings, read and written as the registry does:
// the program key "Software\Oxvel\Phrase Desk" of the current user, or the
// toolkit key "Software\Oxvel\Vocabrix" of the machine (read-only). Subkeys are
// paths below it separated by "/" ("Reopen/1"). A value is read only when it
// is present and can be read as the asked type; otherwise the caller's default
// applies. A boolean is the integer 0 or 1.
class TSettingsKey {
public:
    enum TRoot { rtUser, rtMachine };

    explicit TSettingsKey(const QString& SubKey = {}, TRoot Root = rtUser);
    ~TSettingsKey();
    TSettingsKey(const TSettingsKey&) = delete;
    TSettingsKey& operator=(const TSettingsKey&) = delete;

    // Whether the key holds any value or subkey.
    bool Exists() const;
    bool ValueExists(const QString& Name) const;

    std::optional<QString> ReadString(const QString& Name) const;
    // Integers are 32 bits; a stored unsigned form (4278190104) reads as the
    // same bits (-16777192), as a registry DWORD does.
    std::optional<int> ReadInteger(const QString& Name) const;
    std::optional<bool> ReadBool(const QString& Name) const;
    QString ReadString(const QString& Name, const QString& Default) const { return ReadString(Name).value_or(Default); }
    int ReadInteger(const QString& Name, int Default) const { return ReadInteger(Name).value_or(Default); }
    bool ReadBool(const QString& Name, bool Default) const { return ReadBool(Name).value_or(Default); }

    // Writing to the machine key throws ESettingsError.
    void WriteString(const QString& Name, const QString& Value);
    void WriteInteger(const QString& Name, int Value);
    void WriteBool(const QString& Name, bool Value);
    void DeleteValue(const QString& Name);

    // Names of the direct subkeys, sorted by name.
    QStringList SubKeys() const;
    // Names of the key's own values.
    QStringList ValueNames() const;
    void DeleteKey(const QString& SubKey);
    // Moves a subkey with all its values and subkeys to a new name; an
    // existing key of that name is replaced.
    void RenameKey(const QString& OldName, const QString& NewName);

    // Writes pending changes out; false when the store could not be written.
    bool Flush();

private:
    void CheckWritable() const;

    std::unique_ptr<QSettings> FStore;
    TRoot FRoot;
};

// Tests keep both stores as INI files in Folder (user.ini, machine.ini) and
// the documents folder in Folder/Documents, so they never touch the user's
// settings; an empty Folder restores the real locations.
void SetSettingsFolderForTesting(const QString& Folder);
// Tests: the documents folder as if the system could not tell it.
void SetDocumentsFolderUnknownForTesting(bool Unknown);

// The user's documents folder (the shell's personal folder); empty when the
// system cannot tell it.
QString DocumentsFolder();
// The folder of the program's executable. It may be read-only (an installed
// program): nothing is written there.
QString ProgramFolder();
// The folder of the user's settings file (~/.config/Oxvel): small files of
// settings that belong beside them.
QString UserSettingsFolder();
// The user's own data folder of the program (~/.local/share/phrasedesk):
// the default repository, the preview's replacement settings.
QString UserDataFolder();

// An INI file as Windows reads and writes them: sections and keys without
// regard to case, values trimmed and unquoted, lines "Key=Value" in sections
// "[Name]". Reading takes UTF-8 (with or without BOM) and falls back to the
// system code page for other 8-bit text; writing gives UTF-8 with CRLF lines.
class TIniFile {
public:
    // The largest file read; project desktop files and their kin are a few
    // kilobytes, anything bigger is not one of them.
    static constexpr qint64 MaxFileSize = 4 << 20;

    TIniFile() = default;
    // Throws ESettingsError when the file cannot be read or is too large.
    static TIniFile Load(const QString& FileName);
    static TIniFile Parse(const QByteArray& Data);
    // A batch run's configuration file: nothing when FileName is empty or
    // names no file; a file that cannot be read or is not text throws
    // ESettingsError naming it, so a script learns of its mistake.
    static std::optional<TIniFile> LoadConfig(const QString& FileName);
    QByteArray ToBytes() const;
    // Writes atomically; throws EFileSystemError.
    void Save(const QString& FileName) const;

    bool SectionExists(const QString& Section) const;
    bool ValueExists(const QString& Section, const QString& Key) const;
    // The keys of a section in file order.
    QStringList ReadSection(const QString& Section) const;

    QString ReadString(const QString& Section, const QString& Key, const QString& Default) const;
    // Decimal, or hexadecimal with "$" or "0x"; anything else gives Default.
    std::optional<int> ReadInteger(const QString& Section, const QString& Key) const;
    int ReadInteger(const QString& Section, const QString& Key, int Default) const
    {
        return ReadInteger(Section, Key).value_or(Default);
    }
    // An integer: 0 is false, anything else true.
    bool ReadBool(const QString& Section, const QString& Key, bool Default) const;

    void WriteString(const QString& Section, const QString& Key, const QString& Value);
    void WriteInteger(const QString& Section, const QString& Key, int Value);
    void WriteBool(const QString& Section, const QString& Key, bool Value);
    void EraseSection(const QString& Section);

private:
    struct TSection {
        QString Name;
        QList<QPair<QString, QString>> Values;
    };
    const TSection* FindSection(const QString& Section) const;
    TSection* FindSection(const QString& Section);
    const QString* FindValue(const QString& Section, const QString& Key) const;
    QString* FindValue(const QString& Section, const QString& Key);

    QList<TSection> FSections;
};
