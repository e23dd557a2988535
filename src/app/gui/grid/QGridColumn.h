#pragma once

#include "core/VocabrixError.h"

#include <QColor>
#include <QFlags>
#include <QFont>
#include <QString>

#include <memory>
#include <vector>

VOCABRIX_ERROR(EQGridError, EVocabrixError);
VOCABRIX_ERROR(EQGridColumnsError, EVocabrixError);

class QTextDocument;
class TQStringGrid;
class TQGridColumns;

// Per-cell options, kept in bits 0 to 2 of the cell word.
enum TValueOption : quint32 { voList = 1, voButton = 2, voReadOnly = 4 };
Q_DECLARE_FLAGS(TValueOptions, TValueOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TValueOptions)

// Per-cell type, kept from bit 16 of the cell word.
enum TValueType { vtString = 0, vtInteger = 1, vtFloat = 2, vtBoolean = 3 };

enum TColumnSorting { csNone, csAsc, csDsc };

// Input method modes a column asks for while it is edited; the platform's
// input method framework chooses the actual input method, so they are kept
// for the owner and the editor.
enum TImeMode {
    imDisable,
    imClose,
    imOpen,
    imDontCare,
    imSAlpha,
    imAlpha,
    imHira,
    imSKata,
    imKata,
    imChinese,
    imSHanguel,
    imHanguel
};

// A font together with its colour; an invalid colour stands for "none".
struct TQGridFont {
    QFont Font;
    QColor Color;
    bool operator==(const TQGridFont& Other) const { return Font == Other.Font && Color == Other.Color; }
};

// What a cell is painted with; handed to the owner before painting.
struct TQCellProperties {
    TQGridFont Font;
    QColor Color;
    Qt::Alignment Alignment = Qt::AlignLeft;
};

// One cell: its text and its word (options and type). vtString texts are kept
// decoded with "\r\n" line breaks; the stored comma form is produced on demand.
struct TQGridCell {
    QString Text;
    quint32 Word = 0;
};

inline TValueOptions CellOptions(quint32 Word) { return TValueOptions(Word & 7); }
inline TValueType CellType(quint32 Word) { return TValueType((Word >> 16) & 3); }
inline quint32 MakeCellWord(TValueOptions Options, TValueType Type)
{
    return (quint32(Options.toInt()) & 7) | (quint32(Type) << 16);
}

// The stored form of a cell text: its lines as a comma-separated list, an item
// in double quotes when it holds a blank, a quote or a comma.
QString EncodeCellText(const QString& Text);
QString DecodeCellText(const QString& Stored);
bool HasLineBreak(const QString& Text);
// The text with every line break ("\r\n", "\n\r", "\r", "\n") made "\r\n".
QString NormalizeLineBreaks(const QString& Text);
// A plain-text editor's text as a cell keeps it: its lines joined by "\r\n",
// every other character as typed (a no-break space stays one).
QString DocumentCellText(const QTextDocument& Document);

// Number parsing shared by typed storing and the editor's input check; floats
// follow the user's number format.
bool ParseCellInteger(const QString& Text, int* Value);
bool ParseCellFloat(const QString& Text, double* Value);
// The text a cell of the type keeps for Text.
QString TypedCellText(const QString& Text, TValueType Type);

class TQGridColumn {
public:
    explicit TQGridColumn(TQGridColumns* Collection);

    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    const TQGridFont& Font() const { return FFont; }
    void SetFont(const TQGridFont& Value);
    QColor Color() const { return FColor; }
    void SetColor(const QColor& Value);
    QColor HeaderColor() const { return FHeaderColor; }
    void SetHeaderColor(const QColor& Value);
    const TQGridFont& HeaderFont() const { return FHeaderFont; }
    void SetHeaderFont(const TQGridFont& Value);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    bool ParentHeaderFont() const { return FParentHeaderFont; }
    void SetParentHeaderFont(bool Value);
    const QString& Name() const { return FName; }
    void SetName(const QString& Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    int GridIndex() const { return FGridIndex; }
    void SetGridIndex(int Value);
    TColumnSorting SortOrder() const { return FSortOrder; }
    void SetSortOrder(TColumnSorting Value);
    const QString& ImeName() const { return FImeName; }
    void SetImeName(const QString& Value) { FImeName = Value; }
    TImeMode ImeMode() const { return FImeMode; }
    void SetImeMode(TImeMode Value) { FImeMode = Value; }
    Qt::Alignment Alignment() const { return FAlignment; }
    void SetAlignment(Qt::Alignment Value);
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }

    // Per data row. Text is the cell's decoded text and SetText stores by the
    // cell's type; Values is the stored form itself.
    QString Text(int Row) const;
    void SetText(int Row, const QString& Value);
    QString Values(int Row) const;
    void SetValues(int Row, const QString& Value);
    TValueOptions ValueOptions(int Row) const;
    void SetValueOptions(int Row, TValueOptions Value);
    TValueType ValueType(int Row) const;
    void SetValueType(int Row, TValueType Value);

    TQStringGrid* Grid() const;
    TQGridColumns* Collection() const { return FCollection; }
    bool Fixed() const;
    void Invalidate();
    void Clear();

private:
    friend class TQStringGrid;
    friend class TQGridColumns;
    const TQGridCell& Cell(int Row) const;
    TQGridCell& Cell(int Row);
    void Repaint();

    TQGridColumns* FCollection;
    QString FCaption;
    int FWidth;
    TQGridFont FFont;
    QColor FColor;
    QColor FHeaderColor;
    TQGridFont FHeaderFont;
    int FGridIndex = -1;
    QString FName;
    bool FReadOnly = false;
    std::vector<TQGridCell> FValues;
    void* FData = nullptr;
    bool FVisible = true;
    TColumnSorting FSortOrder = csNone;
    QString FImeName;
    TImeMode FImeMode = imDontCare; // a column leaves the input method alone until told
    Qt::Alignment FAlignment = Qt::AlignLeft;
    bool FParentFont = true;
    bool FParentHeaderFont = true;
};

using TQGridColumnList = std::vector<TQGridColumn*>;

// All columns of a grid in creation order.
class TQGridColumns {
public:
    explicit TQGridColumns(TQStringGrid* Grid) : FGrid(Grid) {}
    ~TQGridColumns();

    TQStringGrid* Grid() const { return FGrid; }
    int Count() const { return int(FItems.size()); }
    TQGridColumn* Items(int Index) const;
    TQGridColumn* operator[](int Index) const { return Items(Index); }
    int IndexOf(const TQGridColumn* Column) const;

    TQGridColumn* Add();
    void Delete(int Index);
    void Clear();
    TQGridColumn* ColumnByName(const QString& ColName) const;

private:
    TQStringGrid* FGrid;
    std::vector<std::unique_ptr<TQGridColumn>> FItems;
};
