#include "base/DurableFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kaspen {

namespace {

QString firstLine(const QString &s)
{
    const qsizetype nl = s.indexOf(QLatin1Char('\n'));
    return nl < 0 ? s : s.left(nl);
}

bool syncHandle(int fd)
{
#ifdef Q_OS_WIN
    return _commit(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

// The rename is only durable once the directory entry is on the disk.
// (Windows flushes directory changes with the file; nothing to do there.)
void syncDirectory(const QString &dir)
{
#ifndef Q_OS_WIN
    const QByteArray native = QFile::encodeName(dir);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
#else
    Q_UNUSED(dir);
#endif
}

} // namespace

QStringList staleTemporaryFiles(const QString &path)
{
    const QFileInfo target(path);
    const QDir dir = target.absoluteDir();
    const QRegularExpression pattern(QStringLiteral("^%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(target.fileName())));
    QStringList stale;
    const QStringList names = dir.entryList({target.fileName() + QStringLiteral(".??????")},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        if (pattern.match(name).hasMatch())
            stale << dir.filePath(name);
    return stale;
}

bool writeFileDurably(const QString &path, const QByteArray &data, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = firstLine(why);
        return false;
    };
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return fail(f.errorString());
    if (!data.isEmpty() && f.write(data) != data.size()) {
        const QString why = f.errorString();
        f.cancelWriting();
        return fail(why);
    }
    // The data reaches the disk before the rename can make it the file.
    if (!f.flush() || !syncHandle(int(f.handle()))) {
        const QString why = f.errorString().isEmpty() ? QStringLiteral("the data could not be flushed to the disk")
                                                      : f.errorString();
        f.cancelWriting();
        return fail(why);
    }
    if (!f.commit())
        return fail(f.errorString());
    syncDirectory(QFileInfo(path).absolutePath());
    // Leftovers of writes that were killed before their rename.
    for (const QString &stale : staleTemporaryFiles(path))
        QFile::remove(stale);
    return true;
}

} // namespace kaspen
