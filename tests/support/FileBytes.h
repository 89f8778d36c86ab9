#pragma once
// Files as the tests write and read them: their bytes, and the file names in a folder.

#include "model/Protocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <gtest/gtest.h>

// The file's bytes; none when it cannot be read.
inline TBytes FileBytes(const QString& path) {
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return {bytes.begin(), bytes.end()};
}

// Writes the bytes into the file, making its folder first.
inline void WriteBytes(const QString& path, const TBytes& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

// Writes the text into the file, making its folder first.
inline void WriteText(const QString& path, const QByteArray& text) {
    WriteBytes(path, TBytes(text.begin(), text.end()));
}

// The files straight in the folder, by name.
inline QStringList FileNames(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}
