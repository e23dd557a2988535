#pragma once

#include "core/VocabrixError.h"
#include "storage/LocStorage.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

VOCABRIX_ERROR(EProjectExtractError, EVocabrixError);

class TResProcessor;

// Which properties of a form a translator gets to see. A built-in table holds
// the text properties (captions, hints, item lists, ...) and, with Layout, the
// positions, sizes and fonts; a rules file adds or removes classes and
// properties per project. Only values a language file can hold (texts, string
// lists, integers, floats) are ever taken.
class TTranslatableRules {
public:
    explicit TTranslatableRules(bool Layout = false);

    // One rule: "+Class.Property" takes the property, "-Class.Property"
    // leaves it out, "-Class" leaves out every property of the class; "*"
    // stands for every class. A property name matches the stream's name
    // itself, its last parts ("Caption" matches "Title.Caption") and a string
    // list's name without ".Strings". Later rules win over earlier ones and
    // over the built-in table. Throws EProjectExtractError on a malformed rule.
    void AddRule(const QString& Rule);
    // A file of rules, one a line; blank lines and lines starting with "#"
    // are skipped. Errors name the file and the line.
    void LoadFromFile(const QString& FileName);

    bool IsTranslatable(const QString& ClassName, const QString& PropertyName, TLocValueType Type) const;

private:
    struct TRule {
        QString Class;    // "*": every class
        QString Property; // empty: every property of the class
        bool Include;
        bool TextOnly; // only textual values (the built-in text rules)
    };
    std::vector<TRule> FRules;
};

// The name of a resource string.
struct TStringName {
    QString Unit;
    QString Name;
};

// Reads a resource-string definitions file as the Delphi compiler writes it
// (.drc): "#define Unit_Name ID" lines, each after a "/* Unit.Name */" comment
// that gives the unit and the name apart. Without the comment the define's
// name is split at its last "_". Throws EProjectExtractError naming the line
// of a define whose identifier is not a string identifier.
QHash<int, TStringName> ReadDrcFile(const QString& FileName);

struct TExtractOptions {
    QString DrcFile;     // resource-string names; without it strings go to unit "RC", named by identifier
    QString RulesFile;   // rules added to the built-in table
    bool Layout = false; // positions, sizes and fonts too
};

struct TExtractSummary {
    int Added = 0;
    int Changed = 0;
    int Removed = 0;
    int Unchanged = 0;
    QStringList Warnings; // form resources that were skipped, and why
    QString Text() const; // "3 added, 1 changed, 2 removed, 40 unchanged"
};

// The unit of resource strings that no definitions file names.
extern const QString kUnnamedStringsUnit; // "RC"

// Brings the storage's column 0 in step with the forms and string tables of
// the executable loaded into RP: items that are still there keep their
// identifiers (a changed native text raises its version), new items get new
// identifiers and version NewVersion, items that are gone are removed.
// External groups and forms marked as created at run time are not touched.
// A damaged form resource is skipped with a warning in the summary, and the
// project keeps that form as it was. Throws EProjectExtractError when the executable
// holds no forms and no string tables.
TExtractSummary ExtractResources(const TResProcessor& RP, const TExtractOptions& Options, TLocStorage& Storage,
                                 int32_t NewVersion);

// The language of an executable's texts: the locale of its library settings
// record, else English (United States).
uint16_t ExecutableLocale(const TResProcessor& RP);

// Writes the native project NativeFileName from the executable PEFileName, or
// updates it when it exists. The file is replaced atomically and only after
// everything has been read: on any failure it is left as it was.
TExtractSummary ExtractProject(const QString& PEFileName, const QString& NativeFileName,
                               const TExtractOptions& Options);
