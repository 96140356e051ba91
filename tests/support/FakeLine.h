#pragma once
// A link for tests (the serial line, or the Ethernet link with
// LinkKind::Ethernet): records what is written and hands back texts as if the
// logger had answered.

#include "links/CommandLink.h"

#include <QList>
#include <functional>

namespace kaspen::test {

class FakeLine : public CommandLink {
    Q_OBJECT
public:
    explicit FakeLine(QObject *parent = nullptr) : CommandLink(parent) {}
    explicit FakeLine(LinkKind kind, QObject *parent = nullptr) : CommandLink(parent), m_kind(kind) {}
    LinkKind kind() const override { return m_kind; }
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
    LinkKind m_kind = LinkKind::Serial;
    bool m_open = false;
};

} // namespace kaspen::test
