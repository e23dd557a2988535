// translate IN OUT [REQUEST]: passes the form stream IN through the form
// processor into OUT.
//
// Without REQUEST nothing is translated, in a non-Unicode project whose
// target code page keeps every byte: the stream should come out unchanged.
// REQUEST (JSON, written by formcheck.py) gives the form's name and for
// property values their translations into German, in a Unicode project:
//   {"form": "Form1", "items": [{"comp": "Label1", "prop": "Caption",
//     "list": false, "native": "...", "translation": "..."}, ...]}
// A list's lines are joined with CR LF.

#include "platform/AtomicFile.h"
#include "resources/FormProcessor.h"
#include "storage/LocStorage.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {

QByteArray ReadAll(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) throw EVocabrixError(QStringLiteral("cannot read ") + fileName);
    return f.readAll();
}

// Adds a property with its native value and a translation to the target column.
void AddTranslation(TLocStorage& s, const QJsonObject& form, const QJsonObject& item)
{
    TLocForm* f = s.Forms().Add(form[QStringLiteral("form")].toString());
    const QString comp = item[QStringLiteral("comp")].toString();
    TLocComponent* holder = comp.isEmpty() ? static_cast<TLocComponent*>(f) : f->Components().Add(comp);
    TLocProperty* p = holder->Properties().Add(-1, item[QStringLiteral("prop")].toString(),
                                               item[QStringLiteral("list")].toBool() ? ptStringList : ptString);
    p->MainValue()->SetValue(item[QStringLiteral("native")].toString());
    p->MainValue()->SetValueVersion(2);
    TLocValue* v = p->Values().Items(1);
    v->SetValue(item[QStringLiteral("translation")].toString());
    v->SetValueVersion(2);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: translate IN OUT [REQUEST]\n");
        return 2;
    }
    try {
        const QByteArray src = ReadAll(QString::fromLocal8Bit(argv[1]));
        TLocStorage storage;
        storage.SetMainLangID(0x0409);  // English
        storage.AddLanguage(0, 0x0407); // German: code page 1252 as the native's
        TLocFormProcessor fp;
        fp.SetLocStorage(&storage);
        fp.SetLangIndex(1);
        fp.SetLangLocale(storage.Locales(1));
        fp.SetUnicodeProject(argc == 4);
        if (argc == 4) {
            const QJsonObject request = QJsonDocument::fromJson(ReadAll(QString::fromLocal8Bit(argv[3]))).object();
            for (const QJsonValue item : request[QStringLiteral("items")].toArray())
                AddTranslation(storage, request, item.toObject());
        }
        QByteArray out;
        if (!fp.UpdateBinStream(src, out)) throw EVocabrixError(QStringLiteral("form declined"));
        WriteFileAtomic(QString::fromLocal8Bit(argv[2]), out);
    } catch (const EVocabrixError& e) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(e.Message()));
        return 1;
    }
    return 0;
}
