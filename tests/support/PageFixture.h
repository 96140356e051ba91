#pragma once
#include "support/PhoneBookScratch.h"
#include <QTemporaryDir>
// A Session wired for page tests: a fake serial line (or a connected
// Ethernet link), one current phone book entry, and everything the session
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
            session.setLink(link);
        auto l = std::make_unique<FakeLine>();
        l->open();
        line = l.get();
        session.setSerialLine(std::move(l));
        session.setEthernetConnected(true);
        setEntry("000001", "0123456789", "111111", "222222");
        QObject::connect(&session, &Session::sendLogEntry, [this](const QByteArray &t) { logs.append(t); });
        QObject::connect(&session, &Session::ethernetStoreCommand,
                         [this](int code, const QByteArray &t) { ethernet.append({code, t}); });
        QObject::connect(&session, &Session::ethernetSendCommand, [this](int hex, const QByteArray &t) {
            ethernetSent.append(t);
            ethernetHex.append(hex);
        });
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
        ethernetHex.clear();
        logs.clear();
        sink.clear();
    }

    QByteArray lastWritten() const { return line->written.isEmpty() ? QByteArray() : line->written.last(); }

    RecordingSink sink;
    Session session;
    FakeLine *line = nullptr;
    QList<QByteArray> logs;
    QList<SubmittedEthernet> ethernet;
    QList<QByteArray> ethernetSent;
    QList<int> ethernetHex;
};

} // namespace kaspen::test
