#pragma once

#include <QByteArray>
#include <QFile>

// Reads an open file whole, giving up (false) once it holds more than Max
// bytes. A regular file is read in one go after its size is checked; a device
// or pipe, whose size says nothing, in chunks, so neither can make a reader
// allocate without bound.
inline bool ReadFileBounded(QFile& File, qint64 Max, QByteArray& Data)
{
    Data.clear();
    if (!File.isSequential()) {
        if (File.size() > Max) return false;
        Data = File.readAll();
    } else {
        constexpr qint64 kChunk = qint64(1) << 20;
        for (QByteArray chunk; Data.size() <= Max; Data += chunk) {
            chunk = File.read(qMin(kChunk, Max + 1 - Data.size()));
            if (chunk.isEmpty()) break;
        }
    }
    return File.error() == QFileDevice::NoError && Data.size() <= Max;
}
