#pragma once

#include "langfile/checks/Check.h"

#include <QSet>
#include <QString>
#include <QStringList>

// The findings a translator chose to ignore, kept beside the language file
// (Notes.deu.lng: Notes.deu.checks) so that the team and the batch run see
// them too. A finding is keyed by item, check and the translation's text: when
// the text changes, the finding comes back.
//
// The file is UTF-8 text: a header line, then one line per finding with three
// fields separated by tabs (item, check, translation); backslash, tab, CR and
// LF inside a field are written \\, \t, \r and \n.
class TAcceptedFindings {
public:
    // A missing file gives an empty list; a damaged one raises ECheckError naming the file and line.
    static TAcceptedFindings Load(const QString& FileName);
    static TAcceptedFindings Parse(const QByteArray& Data); // raises ECheckError without a file name
    // Written atomically; an empty list removes the file.
    void Save(const QString& FileName) const;
    QByteArray ToBytes() const;

    bool Contains(const TCheckFinding& Finding) const;
    void Accept(const TCheckFinding& Finding);
    void Unaccept(const TCheckFinding& Finding);
    int Count() const { return int(FKeys.size()); }

private:
    static QString Key(const QString& Item, const QString& Check, const QString& Translation);
    QStringList FLines; // in the order accepted, escaped as in the file
    QSet<QString> FKeys;
};

// Notes.deu.lng gives Notes.deu.checks.
QString AcceptedFindingsFileName(const QString& LangFileName);

// The longest file read: far beyond any project's accepted findings.
constexpr qint64 kMaxAcceptedFindingsFile = 16 * 1024 * 1024;
