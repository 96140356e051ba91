#include "base/MessageSink.h"

#include <cstdio>

namespace kaspen {

namespace {
class StderrSink : public MessageSink {
public:
    void show(MessageKind kind, const QString &text, const QString &caption) override
    {
        const char *tag = kind == MessageKind::Error ? "Error" : "Message";
        const QByteArray c = caption.toLocal8Bit();
        std::fprintf(stderr, "%s%s%s: %s\n", tag, c.isEmpty() ? "" : " ", c.constData(), text.toLocal8Bit().constData());
    }
    bool confirm(const QString &, const QString &) override { return false; }
};

StderrSink g_default;
MessageSink *g_sink = nullptr;
} // namespace

MessageSink &messages()
{
    return g_sink ? *g_sink : g_default;
}

void setMessageSink(MessageSink *sink)
{
    g_sink = sink;
}

QString applicationTitle()
{
    return QStringLiteral("KASPEN_Setup");
}

} // namespace kaspen
