#include "session/LogPanes.h"
#include "base/Clock.h"
#include "protocol/ReplyItems.h"

#include <QDir>
#include <QFile>

namespace kaspen {

QByteArray prependPaneEntry(const QByteArray &previous, const QByteArray &text, const QDateTime &when)
{
    return formatTime(when, PaneEntryHeader) + "\r\n" + text + "\r\n\r\n " + previous;
}

namespace {
void shortenValue(QByteArray &copy, const QByteArray &value)
{
    if (value.size() >= 10)
        copy.replace(value, value.left(6));
}
} // namespace

QByteArray dataLogsCopy(const QByteArray &reply)
{
    if (reply == "initialize succesed!")
        return "Initialization Completed!";
    QByteArray copy = reply;
    if (copy.contains("STA:") || copy.contains("STS:") || copy.contains("STC"))
        shortenValue(copy, GetItemValue(copy, ":", 0).value);
    int at = copy.indexOf("STD:");
    while (at >= 0) {
        shortenValue(copy, GetItemValue(copy, ":", at).value);
        at = copy.indexOf("STD:", at + 4);
    }
    return copy;
}

namespace {
QString g_setupLogPath;
}

QString SetupLog::defaultPath()
{
    return QDir::toNativeSeparators(QDir::tempPath() + QLatin1Char('/') + QStringLiteral("SetupLog.txt"));
}

QString SetupLog::path()
{
    return g_setupLogPath.isEmpty() ? defaultPath() : g_setupLogPath;
}

void SetupLog::setPath(const QString &p)
{
    g_setupLogPath = p;
}

bool SetupLog::append(const QByteArray &text, const QDateTime &when)
{
    QFile f(path());
    if (!f.open(QIODevice::ReadWrite | QIODevice::Append))
        return false;
    const QByteArray line = formatTime(when, "%Y-%m-%d %H:%M:%S") + "  " + text + "\r\n";
    const bool ok = f.write(line) == line.size();
    f.close();
    return ok;
}

} // namespace kaspen
