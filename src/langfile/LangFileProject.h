#pragma once

#include "langfile/LangFile.h"
#include "storage/LocStorage.h"

class QDir;
class TPrompt;

// A storage bound to a native language file (column 0) and to the language
// files opened with it (one per further column).
class TLangFileProject : public TLocStorage {
public:
    TLangFileProject();
    ~TLangFileProject() override;

    bool IsLibrary() const { return FIsLibrary; }
    TLangFileList& LangFiles() { return FLangFiles; }
    const TLangFileList& LangFiles() const { return FLangFiles; }
    const QString& NativeFileName() const { return FNativeFileName; }

    void Open(const QString& ANativeFileName, bool ALibrary, bool AReadOnly);
    bool Close(bool SaveNative);
    void OpenLanguage(const QString& AFileName, bool AReadOnly);
    bool CloseLanguage(int Index, bool& AllowClose);
    void SaveLanguage(int Index);

    // Index of the open file whose name (without path) equals AFileName,
    // ASCII letters compared without case; -1 when none.
    int GetLangIndex(const QString& AFileName) const;
    bool LangAlreadyOpen(const QString& AFileName) const { return GetLangIndex(AFileName) >= 0; }

protected:
    virtual void DoOpen(const QString& ANativeFileName, bool ALibrary, bool AReadOnly);
    virtual bool DoClose(bool SaveNative);
    virtual void DoOpenLanguage(const QString& AFileName, bool AReadOnly);
    virtual bool DoCloseLanguage(int Index, bool& AllowClose);

    bool FIsLibrary = false;
    TLangFileList FLangFiles;
    QString FNativeFileName;
};

// The names of the files in Folder named Stem.*.lng, sorted by name without
// regard to case. Stem is taken literally, not as a wildcard pattern: brackets
// or wildcards in a project's name must not pick up another project's files.
QStringList LanguageFileNames(const QDir& Folder, const QString& Stem);

// The language files a batch run works on, as full paths: for an empty list
// or "ALL", every file of the project's folder named like the native file
// without its last two extensions + ".*.lng" (the native file itself only with
// IncludeNative); otherwise, for each code, the native file's name with
// ".ntv.lng" replaced by "." + code + ".lng", when that file exists.
QStringList BatchLanguageFiles(const QString& NativeFileName, const QStringList& Codes, bool IncludeNative);

// Rewrites a native file with duplicate IDs renumbered and every language file
// of its folder matched to it by names. Messages and progress go to Prompt.
void RepairProject(const QString& NativeFileName, TPrompt& Prompt);
