#pragma once

// The large executable of the resource benchmarks: 500 forms of 60 buttons
// each and 20,000 resource strings, with the settings record of an English
// program at version 1.

#include "langfile/LangFile.h"
#include "resources/DllBuilder.h"
#include "resources/FormProcessor.h"
#include "resources/ResProcessor.h"

constexpr int kForms = 500, kComponents = 60, kStrings = 20000;

inline QString BigFormName(int Form) { return QStringLiteral("Form%1").arg(Form); }
inline QString BigStringText(int Index) { return QStringLiteral("Resource string number %1").arg(Index); }
inline QString BigButtonHint(int Button, const QString& Form)
{
    return QStringLiteral("Hint of button %1 on %2").arg(Button).arg(Form);
}

inline QByteArray BigFormStream(const QString& name)
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
        w.WriteUnicodeString(BigButtonHint(c, name));
        w.WriteStr("Font.Charset");
        w.WriteIdent("DEFAULT_CHARSET");
        w.WriteValue(vaNull);
        w.WriteValue(vaNull);
    }
    w.WriteValue(vaNull);
    return data;
}

// String i has the identifier i + 1; form f's resource is "T" + its name.
inline void FillBigExecutable(TResProcessor& exe)
{
    auto* strings = static_cast<TResString*>(exe.AddBlock(std::make_unique<TResString>(&exe)));
    auto* rcdata = static_cast<TResRCData*>(exe.AddBlock(std::make_unique<TResRCData>(&exe)));
    for (int i = 0; i < kStrings; ++i) strings->Add(i + 1, BigStringText(i));
    for (int f = 0; f < kForms; ++f)
        rcdata->Add("T" + BigFormName(f).toUpper(), false)->Buffer() = BigFormStream(BigFormName(f));
    TLangFile native;
    native.SetLocale(0x0409);
    native.SetVersion(1);
    SaveOwnSection(native, exe, 6, true, true);
}
