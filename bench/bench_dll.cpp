// Building a language DLL from a large executable: 500 forms of 60 components
// each and 20,000 resource strings, every text translated.

#include "BigExecutable.h"
#include "core/DateTime.h"
#include "platform/AtomicFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    DateTime::SetClockForTesting([] { return QDateTime(QDate(2026, 1, 1), QTime(12, 0)); });
    QTemporaryDir dir;

    TLocStorage storage;
    storage.SetMainLangID(0x0409);
    storage.AddLanguage(0, 0x0407);
    TResProcessor exe;
    FillBigExecutable(exe);
    const auto translate = [](TLocItem* item, const QString& native) {
        item->MainValue()->SetValue(native);
        item->Values().Items(1)->SetValue(QStringLiteral("Übersetzt: ") + native);
    };
    for (int i = 0; i < kStrings; ++i) {
        TLocUnit* unit = storage.Units().Add(QStringLiteral("Unit%1").arg(i / 1000));
        translate(unit->Constants().Add(-1, QStringLiteral("S%1").arg(i), i + 1), BigStringText(i));
    }
    for (int f = 0; f < kForms; ++f) {
        const QString name = BigFormName(f);
        TLocForm* form = storage.Forms().Add(name);
        translate(form->Properties().Add(-1, "Caption", ptString), "Form " + name);
        for (int c = 0; c < kComponents; ++c) {
            TLocComponent* comp = form->Components().Add(QStringLiteral("Button%1").arg(c));
            translate(comp->Properties().Add(-1, "Caption", ptString), QStringLiteral("Button %1").arg(c));
            translate(comp->Properties().Add(-1, "Hint", ptString), BigButtonHint(c, name));
        }
    }
    QByteArray image;
    exe.CreateDLLStream(image);
    const QString exeFile = dir.filePath("app.exe");
    WriteFileAtomic(exeFile, image);

    TLangFile german;
    german.SetLocale(0x0407);
    german.SetLangEnglishName("German (Germany)");
    german.SetLangLocalizedName("Deutsch");
    german.SetLangIndex(1);
    QElapsedTimer timer;
    timer.start();
    CreateLDLL(german, dir.filePath("app.deu"), exeFile, &storage, false);
    std::printf("dll_build_500_forms_ms: %lld ms\n", static_cast<long long>(timer.elapsed()));
    return 0;
}
