#include "links/DemoLine.h"

#include "sim/Demo.h"
#include "sim/Frontend.h"

namespace kaspen {

DemoLine::DemoLine(int modelCode, QObject *parent) : SerialLine(parent), m_logger(sim::demoLogger(modelCode)) {}

DemoLine::~DemoLine()
{
    delete m_frontend;
}

int DemoLine::open()
{
    if (m_frontend)
        return 1;
    m_frontend = new sim::Frontend(m_logger, sim::Frontend::Kind::Auto, this);
    m_frontend->setBaud(9600);
    // An SMS round trip in the demo is quicker than a real network's, but
    // every part still arrives as a text of its own.
    sim::FrontendTiming t;
    t.smsDelayMs = 800;
    t.smsGapMs = 500;
    m_frontend->setTiming(t);
    connect(m_frontend, &sim::Frontend::output, this, &DemoLine::collect);
    connect(m_frontend, &sim::Frontend::closeRequested, this, [this] {
        close();
        emit lost(QStringLiteral("The demo logger closed the line."));
    });
    discardCollected();
    return 1;
}

int DemoLine::close()
{
    if (m_frontend) {
        m_frontend->reset();
        m_frontend->disconnect(this);
        m_frontend->deleteLater();
        m_frontend = nullptr;
    }
    flush(); // what has arrived is not lost
    return 1;
}

bool DemoLine::isOpen() const
{
    return m_frontend != nullptr;
}

int DemoLine::write(const QByteArray &bytes)
{
    if (!m_frontend)
        return 0;
    m_frontend->receive(bytes);
    return 1;
}

QString DemoLine::name() const
{
    return demoPortName();
}

std::unique_ptr<SerialLine> createDemoLine(int modelCode, QObject *parent)
{
    return std::make_unique<DemoLine>(modelCode, parent);
}

} // namespace kaspen
