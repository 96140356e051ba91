#include "base/InstallPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kaspen {

namespace {
const QLatin1String kDataFolder("kaspen-setup");
}

QString installDataDirectory(const QString &executableDir)
{
    if (executableDir.isEmpty())
        return QString();
    const QString dir = QDir::cleanPath(executableDir + QStringLiteral("/../share/") + kDataFolder);
    return QFileInfo(dir).isDir() ? dir : QString();
}

bool isInstalled(const QString &executableDir)
{
    return !installDataDirectory(executableDir).isEmpty();
}

QString findShippedFile(const QString &name, const QString &executableDir)
{
    if (!executableDir.isEmpty()) {
        const QString beside = QDir(executableDir).filePath(name);
        if (QFileInfo(beside).isFile())
            return beside;
    }
    const QString installed = installDataDirectory(executableDir);
    if (!installed.isEmpty() && QFileInfo(QDir(installed).filePath(name)).isFile())
        return QDir(installed).filePath(name);
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation, kDataFolder + QLatin1Char('/') + name);
}

} // namespace kaspen
