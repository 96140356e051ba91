#pragma once
// A settings page that is not built yet: says so, and keeps what the main
// window told it.

#include "session/PageMessages.h"

#include <QList>
#include <QWidget>

namespace kaspen::ui {

class PlaceholderPage : public QWidget {
    Q_OBJECT
public:
    PlaceholderPage(const QString &title, QWidget *parent = nullptr);
    void handleMessage(const PageMessage &m) { m_received.append(m); }
    const QList<PageMessage> &received() const { return m_received; }
    void clearReceived() { m_received.clear(); }

private:
    QList<PageMessage> m_received;
};

} // namespace kaspen::ui
