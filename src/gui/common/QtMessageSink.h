#pragma once
// The message seam's window side: real modal message boxes.

#include "base/MessageSink.h"

class QWidget;

namespace kaspen::ui {

class QtMessageSink : public MessageSink {
public:
    explicit QtMessageSink(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    void show(MessageKind kind, const QString &text, const QString &caption) override;
    bool confirm(const QString &caption, const QString &text) override;

private:
    QWidget *m_parent;
};

} // namespace kaspen::ui
