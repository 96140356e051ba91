#include "records/AuditTrail.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kaspen::audit {

namespace {

QString &overridePath()
{
    static QString p;
    return p;
}

bool syncToDevice(QFile &f)
{
    if (!f.flush())
        return false;
#ifdef Q_OS_WIN
    return _commit(f.handle()) == 0;
#else
    return ::fsync(f.handle()) == 0;
#endif
}

QByteArray timeText(const QDateTime &t)
{
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs).toUtf8();
}

} // namespace

QByteArray fileSha256(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    if (!h.addData(&f))
        return {};
    return h.result().toHex();
}

QByteArray csvField(const QString &text)
{
    QByteArray u = text.toUtf8();
    if (u.contains(',') || u.contains('"') || u.contains('\r') || u.contains('\n')) {
        u.replace("\"", "\"\"");
        return '"' + u + '"';
    }
    return u;
}

bool succeeded(const QString &result)
{
    return result == QLatin1String("Command Success");
}

QString summaryText(const AuditRun &run)
{
    int ok = 0, notSent = 0;
    for (const AuditRow &r : run.rows) {
        if (succeeded(r.result))
            ++ok;
        else if (r.result.isEmpty() || r.result == QLatin1String("Not sent") || r.result == QLatin1String("Ready"))
            ++notSent;
    }
    const int failed = int(run.rows.size()) - ok - notSent;
    return QStringLiteral("%1 rows: %2 succeeded, %3 failed, %4 not sent")
        .arg(run.rows.size()).arg(ok).arg(failed).arg(notSent);
}

QByteArray recordText(const AuditRun &run)
{
    QByteArray head;
    for (const QString &f : {QString::fromUtf8(timeText(run.started)), run.kind, run.loggerId, run.link, run.endpoint,
                             run.fileName, QString::fromLatin1(run.fileSha256)})
        head += csvField(f) + ',';
    QByteArray out;
    int n = 0;
    for (const AuditRow &r : run.rows) {
        ++n;
        out += head + QByteArray::number(n) + ',' + QByteArray::number(r.code) + ','
            + csvField(QString::fromLatin1(r.object)) + ',' + csvField(QString::fromLatin1(r.parameters)) + ','
            + csvField(r.result.isEmpty() ? QStringLiteral("Not sent") : r.result) + "\r\n";
    }
    out += head + "summary,,,," + csvField(summaryText(run)) + "\r\n";
    return out;
}

QString path()
{
    if (!overridePath().isEmpty())
        return overridePath();
    const QString env = qEnvironmentVariable("KASPEN_AUDIT_FILE");
    if (!env.isEmpty())
        return env;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.kaspen-setup");
    return QDir(dir).filePath(QStringLiteral("audit.csv"));
}

void setPath(const QString &p)
{
    overridePath() = p;
}

bool append(const AuditRun &run, QString *error)
{
    const QString p = path();
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (!f.open(QIODevice::ReadWrite)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    QByteArray out;
    const qint64 size = f.size();
    if (size == 0) {
        out = QByteArray(Header) + "\r\n";
    } else {
        // A record cut short by a kill ends without its line end: close it off
        // so the new record starts on a line of its own.
        f.seek(size - 1);
        char last = 0;
        if (f.getChar(&last) && last != '\n')
            out = "\r\n";
    }
    out += recordText(run);
    f.seek(size);
    if (f.write(out) != out.size() || !syncToDevice(f)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

bool writeReport(const QString &p, const AuditRun &run, QString *error)
{
    QSaveFile f(p);
    const QByteArray out = QByteArray(Header) + "\r\n" + recordText(run);
    if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size() || !f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

} // namespace kaspen::audit
