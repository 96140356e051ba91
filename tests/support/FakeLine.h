#pragma once
// A serial line for tests: records what is written and hands back texts as
// if the logger had answered.

#include "links/SerialLine.h"

#include <QList>
#include <functional>

namespace kaspen::test {

class FakeLine : public SerialLine {
    Q_OBJECT
public:
    explicit FakeLine(QObject *parent = nullptr) : SerialLine(parent) {}
    int open() override
    {
        m_open = openSucceeds;
        return m_open ? 1 : 0;
    }
    int close() override
    {
        m_open = false;
        return 1;
    }
    bool isOpen() const override { return m_open; }
    int write(const QByteArray &bytes) override
    {
        if (!m_open || failWrites)
            return 0;
        written.append(bytes);
        if (onWrite)
            onWrite(bytes);
        return 1;
    }
    QString name() const override { return QStringLiteral("fake"); }

    // The logger answers.
    void reply(const QByteArray &text) { emit replyReceived(text); }
    void lose(const QString &reason = QStringLiteral("gone")) { m_open = false; emit lost(reason); }

    QList<QByteArray> written;
    bool openSucceeds = true;
    bool failWrites = false;
    std::function<void(const QByteArray &)> onWrite;

private:
    bool m_open = false;
};

} // namespace kaspen::test
