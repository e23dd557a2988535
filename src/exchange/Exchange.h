#pragma once

#include "core/VocabrixError.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

VOCABRIX_ERROR(EExchangeError, EVocabrixError);

class TLangFileProject;
class TLocItem;
class TLocProperty;
class TLocConstant;
class TLocExtItem;
class TLocStorage;
class TPrompt;

// What an export writes or an import reads. The numbers are the tags of the
// main window's menu items (export 1-2, import 1-4); XLIFF follows them.
enum TExportKind { ekText = 1, ekXml = 2, ekXliff12 = 3, ekXliff20 = 4 };
enum TImportKind { ikText = 1, ikXml = 2, ikLangFile = 3, ikTmx = 4, ikXliff = 5 };

// Message of every failed import of the editor (and of a TMX file without
// the language or without its body).

struct TExportOptions {
    // The word written into the head line; "comma" (any case) separates by
    // commas, anything else by tabs.
    QString Delimiter = QStringLiteral("Comma");
    bool IncludeID = true;
    bool IncludeStringID = false;
    bool IncludeNames = true;
    bool Translated = true;
    bool Untranslated = true;
    bool Untranslatable = false;
    int Encoding = 2; // 0 ANSI (the language's code page), 1 UTF-16LE, 2 UTF-8

    bool TabDelimited() const;
};

enum TSyncBy { sbIDs = 0, sbNames = 1 };

struct TImportOptions {
    bool ChangeTranslated = true;
    TSyncBy SyncBy = sbIDs;
    bool ImportUntranslated = false; // language files only
};

// The forms, units and external groups an export writes or an import takes.
// A section without a set takes part whole. Names compare like the storage's
// lists (ASCII letters without case).
class TExchangeSelection {
public:
    void SetForms(const QStringList& Names) { FForms = Fold(Names); }
    void SetUnits(const QStringList& Names) { FUnits = Fold(Names); }
    void SetGroups(const QStringList& Names) { FGroups = Fold(Names); }
    bool HasForm(const QString& Name) const { return Has(FForms, Name); }
    bool HasUnit(const QString& Name) const { return Has(FUnits, Name); }
    bool HasGroup(const QString& Name) const { return Has(FGroups, Name); }
    bool Takes(const TLocItem* Item) const;

private:
    static QString FoldName(const QString& Name);
    static QSet<QString> Fold(const QStringList& Names);
    static bool Has(const std::optional<QSet<QString>>& Set, const QString& Name)
    {
        return !Set || Set->contains(FoldName(Name));
    }
    std::optional<QSet<QString>> FForms, FUnits, FGroups;
};

// What a file to import offers, learnt by reading it once: whether its rows
// carry identifiers and names, and the forms, units and groups it names
// (sorted). Languages lists the TMX file's language codes.
struct TImportPreview {
    bool HasIDs = false;
    bool HasNames = false;
    QStringList Forms, Units, Groups;
    QStringList Languages;
};

// Writes language LangIndex of the project to FileName (atomically). With a
// prompt the run shows progress and can be cancelled: what was produced so
// far is written, closed properly, and the message follows. Returns false
// when cancelled.
bool ExportLanguage(TLangFileProject& Project, int LangIndex, const QString& FileName, TExportKind Kind,
                    const TExportOptions& Options, const TExchangeSelection& Selection, TPrompt* Progress);

// Reads FileName to learn its format; throws EExchangeError when it cannot
// be imported into language LangIndex.
TImportPreview PreviewImport(const TLangFileProject& Project, int LangIndex, const QString& FileName, TImportKind Kind);

// What an import did with the units (rows, entries) of its file.
struct TImportCounts {
    int Units = 0;     // read from the file
    int Imported = 0;  // changed a value
    int Unmatched = 0; // named no item of the project
    int Kept = 0;      // of the unchanged, translated items whose other text was kept (ChangeTranslated off)
    int Unchanged() const { return Units - Imported - Unmatched; }
};
// "42 of 55 units imported, 13 unchanged, 0 unmatched"; when translations
// were kept, a second line says so and names the option.
QString ImportSummary(const TImportCounts& Counts);

// Brings the values of FileName into language LangIndex. Values applied
// before a failure or a cancel stay applied; nothing is saved. Returns false
// when cancelled (after the message through Progress). Counts, when given,
// receives what was done.
bool ImportLanguage(TLangFileProject& Project, int LangIndex, const QString& FileName, TImportKind Kind,
                    const TImportOptions& Options, const TExchangeSelection& Selection, TPrompt* Progress,
                    TImportCounts* Counts = nullptr);

// Looks a property up by its full name (form.component.property) as the
// exchange formats write it: a component name may hold dots inside
// brackets (Grid1.Columns[0]) and a property name dots of its own
// (Title.Caption, Font.Name of the form itself).
TLocProperty* FindPropertyByFullName(const TLocStorage& Storage, const QString& FullName);
// unit.constant and group.item, split at the first dot.
TLocConstant* FindConstantByFullName(const TLocStorage& Storage, const QString& FullName);
TLocExtItem* FindExtItemByFullName(const TLocStorage& Storage, const QString& FullName);
