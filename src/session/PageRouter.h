#pragma once
// The one page router: delivers a page message to the receivers of its
// targets, synchronously and in target bit order (the order the main window
// sends a window message to its pages). The main window registers its widget
// pages here; kaspen-cli registers the page models of the core (CorePages).
//
// A page registers with addPage(ToDeviceSetup, page) (anything with
// handleMessage(const PageMessage &)), or setReceiver() with any callable.

#include "session/PageMessages.h"

#include <functional>
#include <map>

namespace kaspen {

class PageRouter {
public:
    using Receiver = std::function<void(const PageMessage &)>;
    // Called after each receiver has taken a message (tests, logging).
    using Observer = std::function<void(unsigned target, const PageMessage &)>;

    // Adds (or replaces) the receiver of one target bit.
    void setReceiver(unsigned target, Receiver receiver) { m_receivers[target] = std::move(receiver); }
    template<class Page> void addPage(unsigned target, Page *page)
    {
        setReceiver(target, [page](const PageMessage &m) { page->handleMessage(m); });
    }
    bool hasReceiver(unsigned target) const { return m_receivers.count(target) != 0; }
    void clear() { m_receivers.clear(); }
    void setObserver(Observer observer) { m_observer = std::move(observer); }

    // Delivers m to the receivers of its targets, in bit order.
    void deliver(const PageMessage &m) const
    {
        for (unsigned bit = 1; bit != 0 && bit <= m.targets; bit <<= 1) {
            if (!(m.targets & bit))
                continue;
            const auto it = m_receivers.find(bit);
            if (it == m_receivers.end() || !it->second)
                continue;
            it->second(m);
            if (m_observer)
                m_observer(bit, m);
        }
    }

private:
    std::map<unsigned, Receiver> m_receivers;
    Observer m_observer;
};

} // namespace kaspen
