// How the string grid paints a cell and its marks.

#include "app/gui/grid/QStringGrid.h"

#include "app/gui/grid/QGridParts.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

// --- painting ---

TGridDrawState TQStringGrid::CellState(int ACol, int ARow) const
{
    TGridDrawState state;
    if (ACol < EffectiveFixedCols()) return gdFixed;
    if (FEmptyRows || ARow < 0) return state;
    const QModelIndex index = ModelIndex(ACol, ARow);
    if (selectionModel()->isSelected(index)) state |= gdSelected;
    if (hasFocus() && index == currentIndex()) state |= gdFocused;
    return state;
}

void TQStringGrid::PaintCell(QPainter& Painter, const QRect& Rect, int ACol, int ARow)
{
    if (ACol < 0 || ACol >= VisibleColCount() || Rect.isEmpty()) return;
    const TQGridColumn* column = FVisibleColumns[size_t(ACol)];
    const bool header = ARow < 0;
    const bool fixed = ACol < EffectiveFixedCols();
    const bool data = !header && !FEmptyRows && ARow < RowCount();
    const TGridDrawState state = header ? (fixed ? TGridDrawState(gdFixed) : TGridDrawState()) : CellState(ACol, ARow);
    const bool currentRow = data && ARow == Row();
    const QPalette& pal = palette();
    const QColor columnColor = column->FColor.isValid() ? column->FColor : GridColor();
    const TQGridFont selectedFont{column->FFont.Font, FSelectedFontColor};

    TQCellProperties props;
    props.Alignment = header ? Qt::AlignLeft : column->FAlignment;
    if (FDefaultLook) {
        if (header || fixed) {
            props.Color = pal.color(QPalette::Button);
            props.Font = {header ? column->FHeaderFont.Font : column->FFont.Font, pal.color(QPalette::ButtonText)};
        } else if ((state & gdSelected) && !(state & gdFocused)) {
            props.Color = pal.color(QPalette::Highlight);
            props.Font = {column->FFont.Font, pal.color(QPalette::HighlightedText)};
        } else {
            props.Color = columnColor;
            props.Font = column->FFont;
        }
    } else if (header) {
        if (column == FActiveCol) {
            props.Color = FActiveHeaderColor;
            props.Font = FActiveHeaderFont;
            if (!props.Font.Color.isValid()) props.Font.Color = column->FHeaderFont.Color;
        } else {
            props.Color = column->FHeaderColor.isValid() ? column->FHeaderColor : FHeaderColor;
            props.Font = column->FHeaderFont;
        }
    } else if (fixed) {
        if (currentRow) {
            props.Color = FActiveFixedColor;
            props.Font = FActiveFixedFont;
        } else {
            props.Color = FFixedColor.isValid() ? FFixedColor : columnColor;
            props.Font = FFixedFont;
        }
    } else {
        props.Font = column->FFont;
        props.Color = column == FActiveCol && FActiveColColor.isValid() ? FActiveColColor : columnColor;
        const bool selected = state & gdSelected;
        const bool focused = state & gdFocused;
        if (currentRow) {
            if (FOptions & goRowSelect) {
                props.Color = FSelectedColor;
                props.Font = selectedFont;
            } else {
                if (FActiveRowColor.isValid()) props.Color = FActiveRowColor;
                if (FActiveRowFontColor.isValid()) props.Font.Color = FActiveRowFontColor;
            }
        } else if ((selected && !focused) || ((selected || focused) && (FOptions & goDrawFocusSelected))) {
            props.Color = FSelectedColor;
            props.Font = selectedFont;
        }
    }
    if (header) {
        if (OnGetHeaderCellProps) OnGetHeaderCellProps(this, ACol, props);
    } else if (data && OnGetCellProps) {
        OnGetCellProps(this, ACol, ARow, props);
    }

    const QColor background = props.Color.isValid() ? props.Color : GridColor();
    Painter.save();
    Painter.setClipRect(Rect);
    Painter.fillRect(Rect, background);
    const TQGridCell* cell = data ? &column->FValues[size_t(ARow)] : nullptr;
    if (cell && CellType(cell->Word) == vtBoolean) {
        if (cell->Text != u"0") PaintCheckMark(Painter, Rect, background);
    } else {
        const QString text = header ? column->FCaption : DisplayText(ACol, ARow);
        if (!text.isEmpty()) {
            const int left = Rect.left() + (header && column->FReadOnly && !fixed ? 10 : 3);
            const QRect textRect(QPoint(left, Rect.top()), QPoint(Rect.right() - 3, Rect.bottom()));
            int flags = Qt::AlignVCenter | Qt::TextSingleLine;
            flags |= header ? Qt::AlignLeft : int(props.Alignment & Qt::AlignHorizontal_Mask);
            if (data && FEditor && FEditor->RightToLeft()) flags |= Qt::TextForceRightToLeft;
            Painter.setFont(props.Font.Font);
            Painter.setPen(props.Font.Color.isValid() ? props.Font.Color : pal.color(QPalette::Text));
            Painter.drawText(textRect, flags, text);
        }
    }
    if (header && column->FSortOrder != csNone) PaintSortMark(Painter, Rect, column->FSortOrder, background);
    if (header && column->FReadOnly && !fixed) PaintReadOnlyMark(Painter, Rect);
    if ((state & gdFocused) && !(FOptions & goRowSelect)) {
        Painter.setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
        Painter.setBrush(Qt::NoBrush);
        Painter.drawRect(Rect.adjusted(0, 0, -1, -1));
    }
    Painter.restore();

    if (header && OnDrawHeader) {
        Painter.save();
        Painter.setClipRect(Rect);
        OnDrawHeader(this, Painter, ACol, Rect, state);
        Painter.restore();
    } else if (data && OnDrawCell) {
        Painter.save();
        Painter.setClipRect(Rect);
        OnDrawCell(this, Painter, ACol, ARow, Rect, state);
        Painter.restore();
    }
}

void TQStringGrid::PaintCheckMark(QPainter& Painter, const QRect& Rect, const QColor& Background) const
{
    const int x = Rect.left() + (Rect.width() - 10) / 2;
    const int y = Rect.top() + (Rect.height() - 9) / 2;
    const QColor pen(255 - Background.red(), 255 - Background.green(), 255 - Background.blue());
    Painter.setPen(QPen(pen, 3));
    Painter.drawPolyline(QPolygon({QPoint(x + 1, y + 6), QPoint(x + 4, y + 10), QPoint(x + 7, y + 5)}));
    Painter.setPen(QPen(pen, 2));
    Painter.drawLine(x + 7, y + 5, x + 13, y + 1);
}

void TQStringGrid::PaintSortMark(QPainter& Painter, const QRect& Rect, TColumnSorting Order,
                                 const QColor& Background) const
{
    // Coordinates count from the cell's exclusive right and bottom edges.
    const int right = Rect.left() + Rect.width();
    const int bottom = Rect.top() + Rect.height();
    Painter.fillRect(QRect(QPoint(right - 23, Rect.top() + 2), QPoint(right - 2, bottom - 3)), Background);
    const int a = right - 20;
    const int b = Rect.top() + 10;
    QPolygon triangle;
    QLine light;
    if (Order == csAsc) {
        triangle << QPoint(a, b) << QPoint(a, b - 1) << QPoint(a + 4, b - 5) << QPoint(a + 8, b - 1)
                 << QPoint(a + 8, b);
        light = QLine(a, b - 1, a + 4, b - 5);
    } else {
        triangle << QPoint(a, b - 5) << QPoint(a + 8, b - 5) << QPoint(a + 8, b - 4) << QPoint(a + 4, b)
                 << QPoint(a, b - 4);
        light = QLine(a, b - 4, a + 4, b);
    }
    Painter.setPen(Qt::black);
    Painter.setBrush(QColor(0xC0, 0xC0, 0xC0));
    Painter.drawPolygon(triangle);
    Painter.setPen(Qt::white);
    Painter.drawLine(light);
    Painter.setBrush(Qt::NoBrush);
}

void TQStringGrid::PaintReadOnlyMark(QPainter& Painter, const QRect& Rect) const
{
    const int x = Rect.left() + 2;
    const int y = Rect.top() + 5;
    Painter.fillRect(QRect(x + 1, y + 1, 3, 8), QColor(0xFB, 0xCD, 0x44)); // orange yellow
    Painter.setPen(Qt::black);
    Painter.drawPolyline(
        QPolygon({QPoint(x, y + 1), QPoint(x, y + 9), QPoint(x + 4, y + 9), QPoint(x + 4, y), QPoint(x, y)}));
    Painter.drawLine(x + 2, y + 2, x + 2, y + 6);
    Painter.drawPoint(x + 2, y + 7);
}
