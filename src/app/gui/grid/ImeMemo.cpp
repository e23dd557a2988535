#include "app/gui/grid/ImeMemo.h"

#include "storage/Locales.h"

#include <QMimeData>
#include <QtEndian>

namespace {

const QString kLocaleMime = QStringLiteral("application/x-qt-windows-mime;value=\"Locale\"");
const QString kAnsiTextMime = QStringLiteral("application/x-qt-windows-mime;value=\"Text\"");

} // namespace

TQImeMemo::TQImeMemo(QWidget* Parent) : QPlainTextEdit(Parent) {}

void TQImeMemo::SetIme(const QString& Name, TImeMode Mode)
{
    FImeName = Name;
    FImeMode = Mode;
    setAttribute(Qt::WA_InputMethodEnabled, Mode != imDisable && Mode != imClose);
    setInputMethodHints(Mode == imSAlpha || Mode == imAlpha ? Qt::ImhLatinOnly : Qt::ImhNone);
}

bool TQImeMemo::RightToLeft() const { return FLocale != 0 && IsRightToLeftLocale(FLocale); }

QMimeData* TQImeMemo::createMimeDataFromSelection() const
{
    QMimeData* data = QPlainTextEdit::createMimeDataFromSelection();
    if (FLocale != 0) {
        QByteArray locale(4, '\0');
        qToLittleEndian<quint32>(quint32(FLocale), locale.data());
        data->setData(kLocaleMime, locale);
    }
    return data;
}

bool TQImeMemo::canInsertFromMimeData(const QMimeData* Source) const
{
    return Source->hasText() || Source->hasFormat(kAnsiTextMime);
}

QString TQImeMemo::ClipboardText(const QMimeData* Source) const
{
    if (Source->hasText()) return NormalizeLineBreaks(Source->text());
    QByteArray bytes = Source->data(kAnsiTextMime);
    const qsizetype end = bytes.indexOf('\0');
    if (end >= 0) bytes.truncate(end);
    return NormalizeLineBreaks(LocaleAnsiToWide(bytes, FLocale));
}

void TQImeMemo::insertFromMimeData(const QMimeData* Source)
{
    if (isReadOnly() || !canInsertFromMimeData(Source)) return;
    textCursor().insertText(ClipboardText(Source).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    ensureCursorVisible();
}
