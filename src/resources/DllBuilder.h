#pragma once

#include "langfile/LangFile.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

class TLangFileProject;
class TLocStorage;
class TPrompt;
class TResProcessor;

// The settings record of a module's resources: RCDATA "OXV_LIBSETTINGS_"
// (magic "LDLL") in executables and language DLLs, "OXV_EXESETTINGS_"
// (magic "QEXE") in executables only.
struct TSettingsRecord {
    QByteArray Magic = "LDLL";
    int32_t Version = 0;
    uint16_t Locale = 0;
    QString EnglishName; // stored in the system ANSI code page
    QString LocalizedName;
    uint16_t DVersion = kDefaultDllFormatVersion;
    uint16_t Reserved = 0;
    uint32_t Build = 0;

    static constexpr uint16_t kDefaultDllFormatVersion = 6;
};

extern const QString kLibSettingsName; // "OXV_LIBSETTINGS_"
extern const QString kExeSettingsName; // "OXV_EXESETTINGS_"
extern const QString kLocLangsName;    // "OXV_LOC_LANGS_"

// The record's bytes, with the trailing byte readers ignore.
QByteArray WriteSettingsRecord(const TSettingsRecord& Record);
// Reads a record; false when Data ends before the DLL format version or its
// name lengths run past its end. The fields after the format version are 0
// when the record ends before them.
bool ReadSettingsRecord(const QByteArray& Data, TSettingsRecord& Record);

// Writes the language's library settings record into RP (creating the RCDATA
// block and the item when missing), and with ExeFile also the executable
// record. An existing record keeps its version unless UpdateVersion is set.
void SaveOwnSection(const TLangFile& LF, TResProcessor& RP, uint16_t DVersion, bool ExeFile, bool UpdateVersion);

// Turns the resources of an executable loaded into RP into those of the
// language DLL of LF: string tables and forms of LF's column of the storage,
// no executable record or language data, LF's settings record. Without a
// storage only the settings record is written. With CheckSync a string table
// text that differs from its constant's native value sets LF's
// NativeExeMismatch. Throws ELangFileError when the executable carries no
// valid library settings record; with LF's CheckDllValidity off an executable
// without any record is accepted (DLL format version 6).
void UpdateResources(TLangFile& LF, TResProcessor& RP, TLocStorage* ALocStorage, bool UpdateVersion, bool CheckSync);

// Builds the image of LF's language DLL from the PE file into Stream (replaced).
void CreateLDLLStream(TLangFile& LF, QByteArray& Stream, const QString& APEFileName, TLocStorage* ALocStorage,
                      bool UpdateVersion, bool CheckSync);
// The same from a module of the running process (module table; 0 is the
// executable): its current resources; the image is PE32.
void CreateLDLLStream(TLangFile& LF, QByteArray& Stream, quintptr Module, TLocStorage* ALocStorage, bool UpdateVersion,
                      bool CheckSync);
// Builds the DLL in memory and then replaces AFileName atomically: a failed
// build writes nothing and leaves an existing DLL as it was. Only the
// failure to replace the file throws EFileSystemError.
void CreateLDLL(TLangFile& LF, const QString& AFileName, const QString& APEFileName, TLocStorage* ALocStorage,
                bool CheckSync);

// True when the PE file loads and its RCDATA carries a library settings record.
bool IsLocalizedPEFile(const QString& FileName);

// The DLL of a language file: its name without the last extension
// (app.deu.lng gives app.deu).
QString LanguageDllName(const QString& LangFileName);
// The DLL of a language file that the program loads: that name in the folder
// of the PE file.
QString LanguageDllPath(const QString& PEFileName, const QString& LangFileName);

// Builds the DLL of the language file LangFileName from the PE file: opens
// its project (app.deu.lng belongs to app.ntv.lng) read-only, and writes
// app.deu next to the language file. The native file is never saved.
// CheckValidity off accepts an executable without library settings record.
void CreateLanguageDll(const QString& LangFileName, const QString& PEFileName, bool CheckValidity = true);

// Rebuilds a project's language files and DLLs after the executable or the
// native file changed.
class TSyncDLL {
public:
    explicit TSyncDLL(TPrompt& Prompt) : FPrompt(Prompt) {}

    // The native values were changed in the editor since the project was
    // opened: every language file is synchronised, whatever its version.
    bool NativeChanged() const { return FNativeChanged; }
    void SetNativeChanged(bool v) { FNativeChanged = v; }
    bool Error() const { return FError; }
    const QString& Output() const { return FOutput; }

    // Synchronises the language files (SyncLF) and/or the existing DLLs
    // (SyncDll) of the project of ANativeLFName with the PE file. Every
    // per-file failure becomes a log line; returns the log when a step did
    // not end with "Ok", else an empty string. Throws ELangFileError only when
    // the native file does not exist.
    QString Execute(const QString& APEFileName, const QString& ANativeLFName, bool SyncLF, bool SyncDll);

private:
    void Log(const QString& FileName, const QString& Result);
    void SyncLanguage(TLangFileProject& Project, const QString& LangFile, const QString& PEFileName, bool SyncLF,
                      bool SyncDll);

    TPrompt& FPrompt;
    bool FNativeChanged = false;
    bool FError = false;
    QString FOutput;
};
