// The string grid with a whole project's worth of rows: filling, jumping to
// the end and sorting by a header click, painted on the offscreen platform.

#include "app/gui/grid/QStringGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMouseEvent>

#include <cstdio>

namespace {

constexpr int kRows = 100000;
constexpr int kCols = 6;

// Deterministic words of 3 to 10 letters, mixed case.
QString Word(quint32& Seed)
{
    Seed = Seed * 1664525u + 1013904223u;
    QString word;
    const int length = 3 + int((Seed >> 8) % 8);
    for (int i = 0; i < length; ++i) {
        Seed = Seed * 1664525u + 1013904223u;
        const char base = (Seed >> 20) % 4 == 0 ? 'A' : 'a';
        word += QChar(base + char((Seed >> 12) % 26));
    }
    return word;
}

void Print(const char* Name, qint64 Value) { std::printf("%s: %lld ms\n", Name, static_cast<long long>(Value)); }

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::vector<QString> texts;
    texts.reserve(size_t(kRows) * kCols);
    quint32 seed = 12345;
    for (int i = 0; i < kRows * kCols; ++i) texts.push_back(Word(seed) + u' ' + Word(seed));

    TQStringGrid grid;
    grid.resize(1200, 800);
    grid.SetFixedCols(1);
    for (int col = 0; col < kCols; ++col) grid.Columns().Add()->SetCaption(QStringLiteral("Column %1").arg(col));
    grid.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    grid.SetRowCount(kRows);
    for (int row = 0; row < kRows; ++row)
        for (int col = 0; col < kCols; ++col) grid.SetCell(col, row, texts[size_t(row) * kCols + size_t(col)]);
    QApplication::processEvents();
    Print("grid_fill_100k_6col_ms", timer.elapsed());

    timer.restart();
    grid.SetRow(kRows - 1);
    grid.grab();
    Print("grid_scroll_end_ms", timer.elapsed());

    // A click on the header of the first scrolling column.
    QHeaderView* header = grid.horizontalHeader();
    const QPointF pos(header->sectionViewportPosition(0) + header->sectionSize(0) / 2, header->height() / 2);
    const QPointF global = header->viewport()->mapToGlobal(pos);
    QMouseEvent press(QEvent::MouseButtonPress, pos, global, Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent release(QEvent::MouseButtonRelease, pos, global, Qt::LeftButton, Qt::NoButton, {});
    timer.restart();
    QApplication::sendEvent(header->viewport(), &press);
    QApplication::sendEvent(header->viewport(), &release);
    grid.grab();
    Print("grid_sort_100k_ms", timer.elapsed());
    if (grid.Columns()[1]->SortOrder() != csAsc) {
        std::fprintf(stderr, "the header click did not sort\n");
        return 1;
    }
    return 0;
}
