#pragma once

// Helpers of the extraction tests: small executables made of form streams and
// strings, and a translator who translates every value of a language.

#include "langfile/LangCreation.h"
#include "langfile/LangFileProject.h"
#include "platform/AtomicFile.h"
#include "resources/DllBuilder.h"
#include "resources/FormProcessor.h"
#include "resources/ResProcessor.h"

#include <QMap>
#include <QtTest>

namespace ExtractFixtures {

// An executable with the given forms (each under "T" + its form name), string
// table and, with Settings, the library settings record of an English program.
inline void WriteExecutable(const QString& Path, const QList<QByteArray>& Forms, const QMap<int, QString>& Strings,
                            bool Settings = true)
{
    TResProcessor p;
    if (!Strings.isEmpty()) {
        auto* strings = static_cast<TResString*>(p.AddBlock(std::make_unique<TResString>(&p)));
        for (auto it = Strings.begin(); it != Strings.end(); ++it) strings->Add(it.key(), it.value());
    }
    auto* rcdata = static_cast<TResRCData*>(p.AddBlock(std::make_unique<TResRCData>(&p)));
    if (Settings) {
        TSettingsRecord record;
        record.Version = 1;
        record.Locale = 0x0409;
        record.EnglishName = record.LocalizedName = QStringLiteral("English");
        rcdata->Add(kLibSettingsName, false)->Buffer() = WriteSettingsRecord(record);
    }
    for (const QByteArray& form : Forms) {
        QString name;
        try {
            name = TLocFormProcessor::ReadFormProperties(form, 0x0409, [](const TFormProperty&) {});
        } catch (const EVocabrixError&) {
            name = QStringLiteral("Damaged"); // a damaged stream goes in under a name of its own
        }
        rcdata->Add(QLatin1Char('T') + name.toUpper(), false)->Buffer() = form;
    }
    QByteArray image;
    p.CreateDLLStream(image);
    WriteFileAtomic(Path, image);
}

// A form "Form1" with its caption and one child per (class, name, caption).
inline QByteArray SmallForm(const QString& Caption, const QList<std::array<const char*, 3>>& Children)
{
    QByteArray b = "TPF0";
    TQWriter w(b);
    w.WriteStr("TForm1");
    w.WriteStr("Form1");
    w.WriteStr("Caption");
    w.WriteUnicodeString(Caption);
    w.WriteStr("Left");
    w.WriteInteger(300);
    w.WriteValue(vaNull);
    for (const auto& [cls, name, caption] : Children) {
        w.WriteStr(cls);
        w.WriteStr(name);
        w.WriteStr("Caption");
        w.WriteUnicodeString(QString::fromUtf8(caption));
        w.WriteValue(vaNull);
        w.WriteValue(vaNull);
    }
    w.WriteValue(vaNull);
    return b;
}

// The translation every test expects: texts line by line behind a marker
// that is not ASCII, integers plus one; floats stay untranslated.
inline QString Translated(const TLocItem* Item)
{
    const QString native = Item->MainValue()->Value();
    switch (Item->Values().ValueType()) {
    case ptInteger:
        return QString::number(native.toInt() + 1);
    case ptString:
        return QStringLiteral("Ü ") + native;
    case ptStringList: {
        QStringList lines = native.split(QStringLiteral("\r\n"));
        for (QString& line : lines) line.prepend(QStringLiteral("Ü "));
        return lines.join(QStringLiteral("\r\n"));
    }
    default:
        return QString();
    }
}

inline bool IsTranslatedType(TLocValueType Type)
{
    return Type == ptInteger || Type == ptString || Type == ptStringList;
}

// Translates every translatable value of a column and saves its file.
inline void TranslateEveryValue(TLangFileProject& project, int column)
{
    project.ForEachItem([&](TLocItem* item) {
        if (item->Attribute(vaUntranslatable) || !IsTranslatedType(item->Values().ValueType())) return;
        TLocValue* v = item->Values().Items(column);
        v->SetValue(Translated(item));
        v->SetValueVersion(item->MainValue()->ValueVersion());
    });
    project.LangFiles().Items(column)->SetModified(true);
    project.SaveLanguage(column);
}

// Creates the language file LangFile of the native project, every
// translatable value translated.
inline void CreateTranslatedLanguage(const QString& NativeFile, const QString& LangFile, uint16_t Locale)
{
    TLangFileProject project;
    project.Open(NativeFile, false, false);
    TranslateEveryValue(project, CreateLanguageFile(project, LangFile, NewLanguageOfLocale(Locale)));
    project.Close(false);
}

// Every property of a form stream: "component|property" to the value as text.
inline QMap<QString, QString> FormValues(const QByteArray& Form)
{
    QMap<QString, QString> values;
    TLocFormProcessor::ReadFormProperties(Form, 0x0409, [&](const TFormProperty& p) {
        values.insert(p.ComponentName + QLatin1Char('|') + p.Name, p.Value);
    });
    return values;
}

} // namespace ExtractFixtures
