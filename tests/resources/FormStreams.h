#pragma once

// Writes small form streams ("TPF0") for tests through the program's own
// value writer.

#include "resources/FormProcessor.h"

#include <QByteArray>
#include <QStringList>

struct TFormStreamWriter {
    QByteArray Data = "TPF0";
    TQWriter W{Data};

    // An object's header; its properties follow, then End, its children, End.
    TFormStreamWriter& Object(const QByteArray& ClassName, const QByteArray& Name)
    {
        W.WriteStr(ClassName);
        W.WriteStr(Name);
        return *this;
    }
    TFormStreamWriter& Int(const QByteArray& Name, int Value)
    {
        W.WriteStr(Name);
        W.WriteInteger(Value);
        return *this;
    }
    TFormStreamWriter& Text(const QByteArray& Name, const QString& Value)
    {
        W.WriteStr(Name);
        W.WriteUnicodeString(Value);
        return *this;
    }
    TFormStreamWriter& Ident(const QByteArray& Name, const QByteArray& Value)
    {
        W.WriteStr(Name);
        W.WriteIdent(Value);
        return *this;
    }
    TFormStreamWriter& Bool(const QByteArray& Name, bool Value)
    {
        W.WriteStr(Name);
        W.WriteValue(Value ? vaTrue : vaFalse);
        return *this;
    }
    TFormStreamWriter& Set(const QByteArray& Name, const QList<QByteArray>& Elements)
    {
        W.WriteStr(Name);
        W.WriteValue(vaSet);
        for (const QByteArray& e : Elements) W.WriteStr(e);
        W.WriteStr({});
        return *this;
    }
    TFormStreamWriter& Lines(const QByteArray& Name, const QStringList& Lines)
    {
        W.WriteStr(Name);
        W.WriteValue(vaList);
        for (const QString& line : Lines) W.WriteUnicodeString(line);
        W.WriteValue(vaNull);
        return *this;
    }
    TFormStreamWriter& Bounds(int Left, int Top, int Width, int Height)
    {
        return Int("Left", Left).Int("Top", Top).Int("Width", Width).Int("Height", Height);
    }
    // A collection property: Item, the item's properties, End, ..., End.
    TFormStreamWriter& Collection(const QByteArray& Name)
    {
        W.WriteStr(Name);
        W.WriteValue(vaCollection);
        return *this;
    }
    TFormStreamWriter& Item()
    {
        W.WriteValue(vaList);
        return *this;
    }
    TFormStreamWriter& End()
    {
        W.WriteValue(vaNull);
        return *this;
    }
};
