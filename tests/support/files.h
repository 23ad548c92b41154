#ifndef TAVELIN_TESTS_FILES_H
#define TAVELIN_TESTS_FILES_H

#include <QDateTime>
#include <QDirIterator>
#include <QStringList>

namespace files {

// Everything about a folder's files that writing, creating, deleting or changing permissions
// would change: two listings taken before and after a run are equal when the run wrote nothing.
inline QStringList listing(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        entries << QStringLiteral("%1 %2 %3 %4")
                       .arg(info.filePath())
                       .arg(info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch())
                       .arg(int(info.permissions()), 0, 16);
    }
    entries.sort();
    return entries;
}

} // namespace files

#endif
