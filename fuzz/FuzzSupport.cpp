#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

QTemporaryDir* TempDir()
{
    static QTemporaryDir* dir = new QTemporaryDir(); // lives as long as the process
    return dir;
}

} // namespace

// Some readers use Qt facilities that expect an application object.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    new QCoreApplication(*argc, *argv);
    return 0;
}

QString fuzz::WriteFile(const QString& Name, const QByteArray& Bytes)
{
    const QString path = TempDir()->filePath(Name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(Bytes) != Bytes.size())
        Broken("cannot write", path);
    return path;
}
