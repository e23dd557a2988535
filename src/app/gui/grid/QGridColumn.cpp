#include "app/gui/grid/QGridColumn.h"

#include "app/gui/grid/QStringGrid.h"

#include <QLocale>
#include <QTextDocument>

#include <cmath>

namespace {

bool IsBlank(QChar c) { return c.unicode() >= 1 && c.unicode() <= 32; }

bool NeedsQuotes(QStringView Line)
{
    for (QChar c : Line)
        if (IsBlank(c) || c == u'"' || c == u',') return true;
    return false;
}

// Splits at "\r\n", "\n\r", "\r" or "\n"; a trailing break gives a last empty line.
QStringList SplitLines(const QString& Text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = Text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = Text[i];
        if (c != u'\r' && c != u'\n') continue;
        lines << Text.mid(start, i - start);
        if (i + 1 < n && (Text[i + 1] == u'\r' || Text[i + 1] == u'\n') && Text[i + 1] != c) ++i;
        start = i + 1;
    }
    lines << Text.mid(start);
    return lines;
}

QLocale NumberLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

bool HasLineBreak(const QString& Text) { return Text.contains(u'\r') || Text.contains(u'\n'); }

QString NormalizeLineBreaks(const QString& Text)
{
    return HasLineBreak(Text) ? SplitLines(Text).join(QStringLiteral("\r\n")) : Text;
}

QString DocumentCellText(const QTextDocument& Document)
{
    // Not toPlainText: it turns no-break spaces into plain spaces.
    QString text = Document.toRawText();
    for (const QChar separator : {QChar(QChar::ParagraphSeparator), QChar(QChar::LineSeparator)})
        text.replace(separator, QStringLiteral("\r\n"));
    return text;
}

QString EncodeCellText(const QString& Text)
{
    QString out;
    bool first = true;
    for (const QString& line : SplitLines(Text)) {
        if (!first) out += u',';
        first = false;
        if (NeedsQuotes(line)) {
            out += u'"';
            out += QString(line).replace(u'"', QStringLiteral("\"\""));
            out += u'"';
        } else {
            out += line;
        }
    }
    return out;
}

QString DecodeCellText(const QString& Stored)
{
    QString out;
    qsizetype i = 0;
    const qsizetype n = Stored.size();
    auto skipBlanks = [&] {
        while (i < n && IsBlank(Stored[i])) ++i;
    };
    skipBlanks();
    while (i < n) {
        if (Stored[i] == u'"') {
            for (++i; i < n; ++i) {
                if (Stored[i] != u'"') {
                    out += Stored[i];
                } else if (i + 1 < n && Stored[i + 1] == u'"') {
                    out += u'"';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        } else {
            while (i < n && !IsBlank(Stored[i]) && Stored[i] != u',') out += Stored[i++];
        }
        skipBlanks();
        if (i < n && Stored[i] == u',') {
            out += QStringLiteral("\r\n");
            ++i;
            skipBlanks();
        }
    }
    return out;
}

// Surrounding blanks make no number: the editor's input check must refuse them.
bool Untrimmed(const QString& Text) { return Text.isEmpty() || Text.front().isSpace() || Text.back().isSpace(); }

bool ParseCellInteger(const QString& Text, int* Value)
{
    if (Untrimmed(Text)) return false;
    bool ok = false;
    const int v = Text.toInt(&ok);
    if (ok && Value) *Value = v;
    return ok;
}

bool ParseCellFloat(const QString& Text, double* Value)
{
    if (Untrimmed(Text)) return false;
    bool ok = false;
    const double v = NumberLocale().toDouble(Text, &ok);
    ok = ok && std::isfinite(v);
    if (ok && Value) *Value = v;
    return ok;
}

QString TypedCellText(const QString& Text, TValueType Type)
{
    switch (Type) {
    case vtInteger: {
        int v = 0;
        ParseCellInteger(Text.trimmed(), &v);
        return QString::number(v);
    }
    case vtFloat: {
        double v = 0;
        ParseCellFloat(Text.trimmed(), &v);
        return NumberLocale().toString(v, 'g', 15);
    }
    case vtBoolean:
        return Text.isEmpty() || Text == u"0" ? QStringLiteral("0") : QStringLiteral("1");
    case vtString:
        break;
    }
    return NormalizeLineBreaks(Text);
}

// --- TQGridColumn ---

TQGridColumn::TQGridColumn(TQGridColumns* Collection)
    : FCollection(Collection), FWidth(Collection->Grid()->DefaultColWidth()), FFont(Collection->Grid()->GridFont()),
      FHeaderFont(Collection->Grid()->HeaderFont()), FValues(size_t(Collection->Grid()->RowCount()))
{
}

TQStringGrid* TQGridColumn::Grid() const { return FCollection->Grid(); }

void TQGridColumn::Repaint()
{
    if (FVisible) Grid()->InvalidateColumn(this);
}

void TQGridColumn::SetCaption(const QString& Value)
{
    if (FCaption == Value) return;
    FCaption = Value;
    Repaint();
}

void TQGridColumn::SetWidth(int Value)
{
    if (FWidth == Value) return;
    FWidth = Value;
    Grid()->ColumnWidthChanged(this);
}

void TQGridColumn::SetFont(const TQGridFont& Value)
{
    FFont = Value;
    FParentFont = false;
    Repaint();
}

void TQGridColumn::SetColor(const QColor& Value)
{
    FColor = Value;
    Repaint();
}

void TQGridColumn::SetHeaderColor(const QColor& Value)
{
    FHeaderColor = Value;
    Repaint();
}

void TQGridColumn::SetHeaderFont(const TQGridFont& Value)
{
    FHeaderFont = Value;
    FParentHeaderFont = false;
    Repaint();
}

void TQGridColumn::SetParentFont(bool Value)
{
    FParentFont = Value;
    if (Value) {
        FFont = Grid()->GridFont();
        Repaint();
    }
}

void TQGridColumn::SetParentHeaderFont(bool Value)
{
    FParentHeaderFont = Value;
    if (Value) {
        FHeaderFont = Grid()->HeaderFont();
        Repaint();
    }
}

void TQGridColumn::SetName(const QString& Value)
{
    if (Value.isEmpty()) throw EQGridColumnsError(QStringLiteral("Empty column names are not allowed"));
    const TQGridColumn* other = FCollection->ColumnByName(Value);
    if (other && other != this)
        throw EQGridColumnsError(QStringLiteral("Column with name \"%1\" already exists").arg(Value));
    FName = Value;
}

void TQGridColumn::SetReadOnly(bool Value)
{
    if (FReadOnly == Value) return;
    FReadOnly = Value;
    if (Value && Grid()->FActiveCol == this) Grid()->EndEditing();
    Repaint();
}

void TQGridColumn::SetVisible(bool Value)
{
    if (FVisible == Value) return;
    TQStringGrid* grid = Grid();
    if (!Value) {
        if (grid->FActiveCol == this) grid->EndEditing();
        FGridIndex = -1;
    }
    FVisible = Value;
    grid->ColumnsChanged();
}

void TQGridColumn::SetGridIndex(int Value)
{
    if (Value < 0) throw EQGridError(QStringLiteral("Wrong column index"));
    if (!FVisible) {
        FGridIndex = Value; // takes effect when the column is shown
        return;
    }
    Grid()->ColumnGridIndexChanged(this, Value);
}

void TQGridColumn::SetSortOrder(TColumnSorting Value)
{
    if (FSortOrder == Value) return;
    FSortOrder = Value;
    Grid()->ColumnSortOrderChanged(this);
}

void TQGridColumn::SetAlignment(Qt::Alignment Value)
{
    FAlignment = Value;
    Repaint();
}

const TQGridCell& TQGridColumn::Cell(int Row) const
{
    if (Row < 0 || Row >= Grid()->RowCount()) throw EQGridError(QStringLiteral("Wrong row index"));
    return FValues[size_t(Row)];
}

TQGridCell& TQGridColumn::Cell(int Row) { return const_cast<TQGridCell&>(std::as_const(*this).Cell(Row)); }

QString TQGridColumn::Text(int Row) const { return Cell(Row).Text; }

void TQGridColumn::SetText(int Row, const QString& Value)
{
    TQGridCell& cell = Cell(Row);
    const TValueType type = CellType(cell.Word);
    cell.Text = TypedCellText(Value, type);
    if (type == vtString && HasLineBreak(Value)) cell.Word |= voList;
}

QString TQGridColumn::Values(int Row) const
{
    const TQGridCell& cell = Cell(Row);
    return CellType(cell.Word) == vtString ? EncodeCellText(cell.Text) : cell.Text;
}

void TQGridColumn::SetValues(int Row, const QString& Value)
{
    TQGridCell& cell = Cell(Row);
    cell.Text = CellType(cell.Word) == vtString ? DecodeCellText(Value) : Value;
}

TValueOptions TQGridColumn::ValueOptions(int Row) const { return CellOptions(Cell(Row).Word); }

void TQGridColumn::SetValueOptions(int Row, TValueOptions Value)
{
    TQGridCell& cell = Cell(Row);
    if (CellOptions(cell.Word) == Value) return;
    const TValueType type = CellType(cell.Word);
    if (HasLineBreak(cell.Text)) Value |= voList;
    if (type == vtInteger) Value &= ~TValueOptions(voList | voButton);
    cell.Word = MakeCellWord(Value, type);
}

TValueType TQGridColumn::ValueType(int Row) const { return CellType(Cell(Row).Word); }

void TQGridColumn::SetValueType(int Row, TValueType Value)
{
    TQGridCell& cell = Cell(Row);
    TValueOptions options = CellOptions(cell.Word);
    if (Value != vtString) cell.Text = TypedCellText(cell.Text, Value);
    // An integer cell never keeps several lines or a button.
    if (Value == vtInteger) options &= ~TValueOptions(voList | voButton);
    cell.Word = MakeCellWord(options, Value);
}

bool TQGridColumn::Fixed() const { return FVisible && FGridIndex >= 0 && FGridIndex < Grid()->EffectiveFixedCols(); }

void TQGridColumn::Invalidate() { Repaint(); }

void TQGridColumn::Clear()
{
    for (TQGridCell& cell : FValues) cell.Text.clear();
    Repaint();
}

// --- TQGridColumns ---

TQGridColumns::~TQGridColumns() = default;

TQGridColumn* TQGridColumns::Items(int Index) const
{
    if (Index < 0 || Index >= Count()) throw EQGridError(QStringLiteral("Wrong column index"));
    return FItems[size_t(Index)].get();
}

int TQGridColumns::IndexOf(const TQGridColumn* Column) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[size_t(i)].get() == Column) return i;
    return -1;
}

TQGridColumn* TQGridColumns::Add()
{
    FItems.push_back(std::make_unique<TQGridColumn>(this));
    TQGridColumn* column = FItems.back().get();
    FGrid->ColumnAdded(column);
    return column;
}

void TQGridColumns::Delete(int Index)
{
    TQGridColumn* column = Items(Index);
    FGrid->ColumnRemoving(column);
    FItems.erase(FItems.begin() + Index);
    FGrid->ColumnsChanged();
}

void TQGridColumns::Clear()
{
    if (FItems.empty()) return;
    for (auto& item : FItems) FGrid->ColumnRemoving(item.get());
    FItems.clear();
    FGrid->ColumnsChanged();
}

TQGridColumn* TQGridColumns::ColumnByName(const QString& ColName) const
{
    if (ColName.isEmpty()) return nullptr; // unnamed columns are not found by name
    for (const auto& item : FItems)
        if (item->FName.compare(ColName, Qt::CaseInsensitive) == 0) return item.get();
    return nullptr;
}
