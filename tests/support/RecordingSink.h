#pragma once
// A message sink for tests: records every box and answers questions as told.

#include "base/MessageSink.h"

#include <QList>
#include <QString>

namespace kaspen::test {

struct ShownMessage {
    MessageKind kind;
    QString text;
    QString caption;
};

class RecordingSink : public MessageSink {
public:
    RecordingSink() { setMessageSink(this); }
    ~RecordingSink() override { setMessageSink(nullptr); }

    void show(MessageKind kind, const QString &text, const QString &caption) override
    {
        shown.append({kind, text, caption});
    }
    bool confirm(const QString &caption, const QString &text) override
    {
        questions.append(text);
        return answer;
    }

    QStringList texts() const
    {
        QStringList t;
        for (const auto &m : shown)
            t << m.text;
        return t;
    }
    QString last() const { return shown.isEmpty() ? QString() : shown.last().text; }
    void clear() { shown.clear(); questions.clear(); }

    QList<ShownMessage> shown;
    QStringList questions;
    bool answer = true;
};

} // namespace kaspen::test
