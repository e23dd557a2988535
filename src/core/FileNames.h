#pragma once

#include <QString>

// The path without the extension of its last component (from its last dot
// on); a path whose last component has no dot is returned as it is.
inline QString WithoutLastExt(const QString& Path)
{
    const qsizetype dot = Path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = Path.lastIndexOf(QLatin1Char('/'));
    return dot > slash ? Path.left(dot) : Path;
}
