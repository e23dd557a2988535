#pragma once

// Helpers shared by the repository storage tests.

#include "repository/QBaseError.h"

#include <QFile>
#include <QtTest>

#include <functional>

namespace RepositoryTest {

// The message of the EQBaseError that f raises.
inline QString Message(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EQBaseError& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

// Overwrites bytes of a file in place (crafting damaged files).
inline void Patch(const QString& file, qint64 pos, const QByteArray& bytes)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(pos));
    QCOMPARE(f.write(bytes), bytes.size());
}

template <class T> QByteArray Bytes(T v) { return QByteArray(reinterpret_cast<const char*>(&v), sizeof(T)); }

template <class T> T ReadAt(const QString& file, qint64 pos)
{
    QFile f(file);
    T v{};
    if (f.open(QIODevice::ReadOnly) && f.seek(pos)) f.read(reinterpret_cast<char*>(&v), sizeof(T));
    return v;
}

} // namespace RepositoryTest
