#pragma once
// Footprint folders shaped like the official library, for benchmarks: the
// real footprint files of the corpus linked (or copied) under new names.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <unistd.h>

#include <string>

namespace tarnel::bench {

inline QStringList CorpusFootprints(const QString& root) {
    QStringList files;
    for (const QString& lib : QDir(root).entryList({"*.pretty"}, QDir::Dirs)) {
        QDir d(root + "/" + lib);
        for (const QString& f : d.entryList({"*.kicad_mod"}, QDir::Files)) files << d.filePath(f);
    }
    return files;
}

// The folder path/NAME holding n footprints, cycling through sources from
// the one at offset first.
inline std::string MakeFootprintFolder(const QString& path, const QStringList& sources, int n, int first = 0) {
    QDir().mkpath(path);
    for (int i = 0; i < n; ++i) {
        const QString src = sources[(first + i) % sources.size()];
        const QString dst = path + QStringLiteral("/%1_%2.kicad_mod").arg(QFileInfo(src).completeBaseName()).arg(i);
        if (link(QFile::encodeName(src).constData(), QFile::encodeName(dst).constData()) != 0) QFile::copy(src, dst);
    }
    return QFile::encodeName(path).toStdString();
}

} // namespace tarnel::bench
