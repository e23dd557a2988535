#pragma once

// Rows for the search tests: one form of an English storage with a German
// column. A row is "native>German" (or one text for both), optionally followed
// by "@" and flags: u untranslatable, v verified, i integer. The German values
// are untranslated until an edit stamps them.

#include "storage/LocStorage.h"

#include <QStringList>
#include <vector>

inline std::vector<TLocItem*> AddSearchRows(TLocStorage& Storage, const QStringList& Rows)
{
    Storage.SetMainLangID(0x0409);
    TLocForm* form = Storage.Forms().Add(QStringLiteral("Form"));
    std::vector<TLocItem*> items;
    for (const QString& row : Rows) {
        const QString cells = row.section(QLatin1Char('@'), 0, 0);
        const QString flags = row.section(QLatin1Char('@'), 1);
        TLocProperty* p = form->Properties().Add(-1, QStringLiteral("P%1").arg(items.size()),
                                                 flags.contains('i') ? ptInteger : ptString);
        p->MainValue()->SetValue(cells.section(QLatin1Char('>'), 0, 0));
        p->MainValue()->SetValueVersion(1);
        p->SetAttribute(vaUntranslatable, flags.contains('u'));
        items.push_back(p);
    }
    Storage.AddLanguage(0, 0x0407);
    for (size_t i = 0; i < items.size(); ++i) {
        const QString cells = Rows[int(i)].section(QLatin1Char('@'), 0, 0);
        TLocValue* german = items[i]->Values().Items(1);
        german->SetValue(cells.contains('>') ? cells.section(QLatin1Char('>'), 1) : cells);
        german->SetAttribute(vaVerified, Rows[int(i)].section(QLatin1Char('@'), 1).contains('v'));
    }
    return items;
}

// The German column's values.
inline QStringList GermanValues(const std::vector<TLocItem*>& Items)
{
    QStringList result;
    for (const TLocItem* item : Items) result << item->Values().Items(1)->Value();
    return result;
}
