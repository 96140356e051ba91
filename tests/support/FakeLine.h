#pragma once
// A serial line for tests: records what is written, can refuse writes and
// can hand the program a received text.

#include "links/SerialLine.h"

#include <QList>

namespace kaspen::test {

class FakeLine : public SerialLine {
public:
    explicit FakeLine(bool open = true, QObject *parent = nullptr) : SerialLine(parent), m_open(open) {}

    int open() override
    {
        m_open = true;
        return 1;
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
        writes.append(bytes);
        return 1;
    }
    QString name() const override { return QStringLiteral("fake"); }

    // Delivers a text as if the logger had answered (WM_USER+1).
    void receive(const QByteArray &text) { emit textReceived(text); }

    QByteArray last() const { return writes.isEmpty() ? QByteArray() : writes.last(); }

    QList<QByteArray> writes;
    bool failWrites = false;

private:
    bool m_open;
};

} // namespace kaspen::test
