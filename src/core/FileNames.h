#pragma once

#include <QDir>
#include <QString>

// The path without the extension of its last component (from its last dot
// on); a path whose last component has no dot is returned as it is.
inline QString WithoutLastExt(const QString& Path)
{
    const qsizetype dot = Path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = Path.lastIndexOf(QLatin1Char('/'));
    return dot > slash ? Path.left(dot) : Path;
}

// A message that names the file it is about: Message as it is when it names
// FileName already, else "FileName": Message. A user must always learn which
// file is wrong, and should not read its name twice.
inline QString NamingFile(const QString& FileName, const QString& Message)
{
    const QString name = QDir::toNativeSeparators(FileName);
    if (Message.contains(name)) return Message;
    return QStringLiteral("\"%1\": %2").arg(name, Message);
}
