// Building a language DLL from a large executable: 500 forms of 60 components
// each and 20,000 resource strings, every text translated.

#include "core/DateTime.h"
#include "langfile/LangFile.h"
#include "platform/AtomicFile.h"
#include "resources/DllBuilder.h"
#include "resources/FormProcessor.h"
#include "resources/ResProcessor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kForms = 500, kComponents = 60, kStrings = 20000;

QByteArray FormStream(const QString& name)
{
    QByteArray data = "TPF0";
    TQWriter w(data);
    w.WriteStr("T" + name.toLatin1());
    w.WriteStr(name.toLatin1());
    w.WriteStr("Caption");
    w.WriteUnicodeString("Form " + name);
    w.WriteStr("Width");
    w.WriteInteger(640);
    w.WriteValue(vaNull);
    for (int c = 0; c < kComponents; ++c) {
        w.WriteStr("TButton");
        w.WriteStr("Button" + QByteArray::number(c));
        w.WriteStr("Left");
        w.WriteInteger(c * 8);
        w.WriteStr("Top");
        w.WriteInteger(c * 24);
        w.WriteStr("Caption");
        w.WriteUnicodeString(QStringLiteral("Button %1").arg(c));
        w.WriteStr("Hint");
        w.WriteUnicodeString(QStringLiteral("Hint of button %1 on %2").arg(c).arg(name));
        w.WriteStr("Font.Charset");
        w.WriteIdent("DEFAULT_CHARSET");
        w.WriteValue(vaNull);
        w.WriteValue(vaNull);
    }
    w.WriteValue(vaNull);
    return data;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    DateTime::SetClockForTesting([] { return QDateTime(QDate(2026, 1, 1), QTime(12, 0)); });
    QTemporaryDir dir;

    TLocStorage storage;
    storage.SetMainLangID(0x0409);
    storage.AddLanguage(0, 0x0407);
    TResProcessor exe;
    auto* strings = static_cast<TResString*>(exe.AddBlock(std::make_unique<TResString>(&exe)));
    auto* rcdata = static_cast<TResRCData*>(exe.AddBlock(std::make_unique<TResRCData>(&exe)));
    const auto translate = [](TLocItem* item, const QString& native) {
        item->MainValue()->SetValue(native);
        item->Values().Items(1)->SetValue(QStringLiteral("Übersetzt: ") + native);
    };
    for (int i = 0; i < kStrings; ++i) {
        const QString text = QStringLiteral("Resource string number %1").arg(i);
        strings->Add(i + 1, text);
        TLocUnit* unit = storage.Units().Add(QStringLiteral("Unit%1").arg(i / 1000));
        translate(unit->Constants().Add(-1, QStringLiteral("S%1").arg(i), i + 1), text);
    }
    for (int f = 0; f < kForms; ++f) {
        const QString name = QStringLiteral("Form%1").arg(f);
        rcdata->Add("T" + name.toUpper(), false)->Buffer() = FormStream(name);
        TLocForm* form = storage.Forms().Add(name);
        translate(form->Properties().Add(-1, "Caption", ptString), "Form " + name);
        for (int c = 0; c < kComponents; ++c) {
            TLocComponent* comp = form->Components().Add(QStringLiteral("Button%1").arg(c));
            translate(comp->Properties().Add(-1, "Caption", ptString), QStringLiteral("Button %1").arg(c));
            translate(comp->Properties().Add(-1, "Hint", ptString),
                      QStringLiteral("Hint of button %1 on %2").arg(c).arg(name));
        }
    }
    TLangFile native;
    native.SetLocale(0x0409);
    native.SetVersion(1);
    SaveOwnSection(native, exe, 6, true, true);
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
