#pragma once

// Helpers shared by the repository storage tests.

#include "repository/LangRepository.h"
#include "repository/QBaseError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

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

// The texts of every record in the order they were added, one "a|b|c"
// string per record.
inline QStringList Records(TRepository& R)
{
    QStringList rows;
    R.ForEachRecord(R.RepLocales(), [&](qint32, const QStringList& Texts) {
        rows << Texts.join(QLatin1Char('|'));
        return true;
    });
    return rows;
}

inline void WaitForIndex(TRepository& R)
{
    while (!R.IndexReady()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// Repositories and files in a folder of the test's own.
class TRepositoryFixture {
protected:
    QTemporaryDir FDir;
    int FCount = 0;

    // A new open repository with the given languages.
    std::unique_ptr<TQLangRepository> NewRepository(const QList<int>& Locales)
    {
        auto r = std::make_unique<TQLangRepository>(FDir.filePath(QStringLiteral("r%1.lr").arg(++FCount)));
        r->OpenOrCreate();
        if (!Locales.isEmpty()) r->AddLocales(Locales);
        WaitForIndex(*r);
        return r;
    }
    // Adds a record with these texts; returns it.
    static qint32 Add(TRepository& R, const QList<TRepText>& Texts) { return R.WriteTexts(0, Texts); }
    QString WriteFile(const QString& Name, const QByteArray& Data)
    {
        const QString path = FDir.filePath(Name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return {};
        f.write(Data);
        return path;
    }
};

} // namespace RepositoryTest
