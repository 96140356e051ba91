#pragma once
// Shared by the fuzz targets: one QCoreApplication for the run, a scratch
// directory (on tmpfs where there is one) for the files a target reads and
// writes, a message sink that keeps quiet, and a reader for the input.

#include "base/MessageSink.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace kaspen::fuzz {

class QuietSink : public MessageSink {
public:
    void show(MessageKind, const QString &text, const QString &) override { last = text; }
    bool confirm(const QString &, const QString &) override { return false; }
    QString last;
};

inline void setUp()
{
    static int argc = 1;
    static char name[] = "kaspen-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QuietSink sink;
    setMessageSink(&sink);
}

inline QString scratchDir()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/kaspen-fuzz-XXXXXX")
                                                                        : QDir::tempPath() + QStringLiteral("/kaspen-fuzz-XXXXXX"));
    return dir.path();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

// Takes the input apart: single bytes from the front for the choices, the
// rest as texts separated by NUL bytes.
class Input {
public:
    Input(const uint8_t *data, size_t size) : m_data(reinterpret_cast<const char *>(data), qsizetype(size)) {}
    uint8_t byte()
    {
        if (m_pos >= m_data.size())
            return 0;
        return uint8_t(m_data[m_pos++]);
    }
    QList<QByteArray> texts() const { return m_data.mid(m_pos).split('\0'); }
    QByteArray rest() const { return m_data.mid(m_pos); }

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
};

} // namespace kaspen::fuzz
