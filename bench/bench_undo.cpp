// The undo stack on the big project (100,000 items, four languages): what a
// Translate All step over a whole column keeps in memory, and how long undoing
// a Replace All of 100,000 values takes.

#include "BigProject.h"
#include "Timing.h"
#include "langfile/LEProject.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <malloc.h>

namespace {

double HeapMB() { return double(mallinfo2().uordblks) / (1024.0 * 1024.0); }

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    bigproject::Generate(dir.path(), false);

    TLEProject p;
    p.Open(dir.path() + "/big.ntv.lng", false, false);
    for (const char* a : bigproject::kAbbr)
        p.OpenLanguage(dir.path() + QStringLiteral("/big.%1.lng").arg(QLatin1String(a)), false);
    TUndoStack& stack = p.UndoStack();
    stack.SetLimit(int64_t(1) << 40); // measure, do not drop

    // Translate All over the German column, as the editor records it: the
    // whole column watched, every textual value given a new text (the
    // translated ones too, as with the TranslateAll option).
    const int32_t now = 46000;
    int translated = 0;
    const auto translateAll = [&](int column) {
        translated = 0;
        p.ForEachItem([&](TLocItem* item) {
            if (!IsTextualType(item->Values().ValueType()) || item->Attribute(vaUntranslatable)) return;
            TLocValue* v = item->Values().Items(column);
            v->SetValue(QStringLiteral("xx ") + item->MainValue()->Value());
            v->SetModified(now);
            v->SetValueVersion(item->MainValue()->ValueVersion());
            ++translated;
        });
    };
    // The heap the new texts take without undo (French), to tell the
    // stack's own share from the heap's growth with undo (German).
    double heapBefore = HeapMB();
    translateAll(2);
    const double heapPlain = HeapMB() - heapBefore;
    heapBefore = HeapMB();
    const double translateMs = TimeMs([&] {
        TUndoScope step(stack, usStepTranslateAll);
        step.WatchColumn(1);
        translateAll(1);
    });
    const double heapWithUndo = HeapMB() - heapBefore;
    std::printf("undo_stack_mb_after_translate_all_100k: %.1f MB\n", double(stack.Bytes()) / (1024.0 * 1024.0));
    std::printf("undo_stack_heap_mb_after_translate_all_100k: %.1f MB\n", heapWithUndo - heapPlain);
    std::printf("undo_record_translate_all_100k_ms: %.1f ms\n", translateMs);
    std::fflush(stdout);
    std::fprintf(stderr, "(%d of 100000 German values translated, %zu cells in the step)\n", translated,
                 stack.NextUndo()->Cells().size());
    stack.Clear();

    // Replace All of 100,000 values over the four language columns, each
    // value watched on its own as the grid's cell edit path does.
    int replaced = 0;
    const double replaceMs = TimeMs([&] {
        TUndoScope step(stack, usStepReplaceAll);
        for (int column = 1; column < p.LangCount() && replaced < 100000; ++column)
            p.ForEachItem([&](TLocItem* item) {
                if (replaced >= 100000 || !IsTextualType(item->Values().ValueType())) return;
                step.Watch(item, column);
                TLocValue* v = item->Values().Items(column);
                v->SetValue(QString(v->Value()).replace(QLatin1String("e"), QLatin1String("E")) + QLatin1Char('.'));
                v->SetModified(now);
                ++replaced;
            });
    });
    const double undoMs = TimeMs([&] { stack.Undo(); });
    const double redoMs = TimeMs([&] { stack.Redo(); });
    std::printf("undo_replace_all_100k_ms: %.1f ms\n", undoMs);
    std::printf("redo_replace_all_100k_ms: %.1f ms\n", redoMs);
    std::printf("undo_record_replace_all_100k_ms: %.1f ms\n", replaceMs);
    std::printf("undo_stack_mb_after_replace_all_100k: %.1f MB\n", double(stack.Bytes()) / (1024.0 * 1024.0));
    std::fprintf(stderr, "(%d values replaced)\n", replaced);
    return 0;
}
