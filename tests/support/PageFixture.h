#pragma once
#include "support/PhoneBookScratch.h"
#include <QTemporaryDir>
// A Session wired for page tests: a fake serial line and a fake, open
// Ethernet link, one current phone book entry, and everything the session
// hands on recorded.

#include "session/Session.h"
#include "support/FakeLine.h"
#include "support/RecordingSink.h"

#include <QList>
#include <memory>
#include <utility>

namespace kaspen::test {

struct SubmittedEthernet {
    int code;
    QByteArray text;
};

class PageFixture {
public:
    QTemporaryDir bookDir; // the phone book of the test
    // model 7 (ORVEL-A) starts on RS232, 13 (ORVEL-B) on Ethernet.
    explicit PageFixture(int model, int link = -1)
        : session(model)
    {
        emptyPhoneBook(bookDir.path());
        if (link >= 0)
            session.setLink(Link(link));
        auto l = std::make_unique<FakeLine>();
        l->open();
        line = l.get();
        session.installLink(std::move(l));
        auto e = std::make_unique<FakeLine>(LinkKind::Ethernet);
        e->open();
        // What the Ethernet record holds as the text goes out.
        e->onWrite = [this](const QByteArray &bytes) {
            ethernet.append({session.ethernetRecord().commandCode, session.ethernetRecord().lastText});
            ethernetSent.append(bytes);
        };
        ethernetLine = e.get();
        session.installLink(std::move(e));
        setEntry("000001", "0123456789", "111111", "222222");
        QObject::connect(&session, &Session::sendLogEntry, [this](const QByteArray &t) { logs.append(t); });
    }
    ~PageFixture() { PhoneBook::resetSharedState(); }

    // Replaces the current entry of both books.
    void setEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup)
    {
        emptyPhoneBook(bookDir.path());
        PhoneBook &book = session.phoneBook();
        book.AddGsmEntry(id, phone, enquiry, setup);
        book.SelectGsmEntry(id);
        book.AddEthernetEntry(id, phone, enquiry, setup, "192.168.1.10", "00-11-22-33-44-55");
        book.SelectEthernetEntry(id);
    }

    // Everything that left the program for the logger: serial writes or
    // Ethernet sends, in order.
    QList<QByteArray> sent() const { return session.onEthernet() ? ethernetSent : line->written; }
    void forget()
    {
        line->written.clear();
        ethernet.clear();
        ethernetSent.clear();
        logs.clear();
        sink.clear();
    }

    QByteArray lastWritten() const { return line->written.isEmpty() ? QByteArray() : line->written.last(); }

    RecordingSink sink;
    Session session;
    FakeLine *line = nullptr;
    FakeLine *ethernetLine = nullptr;
    QList<QByteArray> logs;
    QList<SubmittedEthernet> ethernet;
    QList<QByteArray> ethernetSent;
};

} // namespace kaspen::test
