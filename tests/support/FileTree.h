#pragma once

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QString>

// Everything at and under path with its contents ("/" for a folder, "->" for a link), so that
// two trees compare whole; empty when nothing is there.
inline QMap<QString, QByteArray> tree(const QString& path) {
    QMap<QString, QByteArray> entries;
    const auto note = [&](const QFileInfo& info, const QString& key) {
        QFile file(info.filePath());
        if (info.isSymLink())
            entries.insert(key, "->" + QFile::encodeName(info.symLinkTarget()));
        else if (info.isDir())
            entries.insert(key, "/");
        else if (file.open(QIODevice::ReadOnly))
            entries.insert(key, file.readAll());
    };
    const QFileInfo top(path);
    if (top.exists() || top.isSymLink()) note(top, QStringLiteral("."));
    if (!top.isDir() || top.isSymLink()) return entries;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        note(info, QDir(path).relativeFilePath(info.filePath()));
    }
    return entries;
}
