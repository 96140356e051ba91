#include "pages/phonebook/ConnectedEntry.h"
#include "session/Session.h"
#include "support/FakeLine.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kaspen;

// Both books: the connected logger's entry stays current while another is
// edited, is taken again when it is edited itself, and cannot be deleted.
TEST(ConnectedEntry, TheConnectedLoggerKeepsItsEntryInBothBooks)
{
    QTemporaryDir dir;
    test::emptyPhoneBook(dir.path());
    test::RecordingSink sink;
    Session session(ModelOrvelB);
    PhoneBook &book = session.phoneBook();
    book.AddGsmEntry("000001", "0111", "111111", "222222");
    book.AddGsmEntry("000002", "0222", "333333", "444444");
    book.AddEthernetEntry("000001", "0111", "111111", "222222", "127.0.0.10", "00-11-22-33-44-01");
    book.AddEthernetEntry("000002", "0222", "333333", "444444", "127.0.0.11", "00-11-22-33-44-02");
    book.LoadGsmTable();
    book.LoadEthernetTable();
    book.SelectGsmEntry("000001");
    book.SelectEthernetEntry("000001");

    // Nothing connected: nothing is pinned, Edit makes the edited entry current.
    EXPECT_TRUE(connectedEntryId(session, PhoneBookView::Gsm).isEmpty());
    EXPECT_TRUE(connectedEntryId(session, PhoneBookView::Ethernet).isEmpty());
    EXPECT_TRUE(deleteRefusal(session, PhoneBookView::Gsm, "000001").isEmpty());

    auto line = std::make_unique<test::FakeLine>();
    line->open();
    session.setSerialLine(std::move(line));
    auto ethernet = std::make_unique<test::FakeLine>(LinkKind::Ethernet);
    ethernet->open();
    session.installLink(std::move(ethernet));
    ASSERT_TRUE(session.ethernetConnected());
    for (PhoneBookView view : {PhoneBookView::Gsm, PhoneBookView::Ethernet}) {
        SCOPED_TRACE(int(view));
        const bool gsm = view == PhoneBookView::Gsm;
        auto current = [&] { return gsm ? book.CurrentGsmEntry().id : book.CurrentEthernetEntry().connectId; };
        auto setup = [&] { return gsm ? book.CurrentGsmEntry().setupPassword : book.CurrentEthernetEntry().setupPassword; };
        EXPECT_EQ(connectedEntryId(session, view), "000001");
        if (gsm)
            book.EditGsmEntry("000002", "0222", "555555", "666666");
        else
            book.EditEthernetEntry("000002", "0222", "555555", "666666");
        selectAfterEdit(session, view, "000002");
        EXPECT_EQ(current(), "000001");
        if (gsm)
            book.EditGsmEntry("000001", "0111", "777777", "888888");
        else
            book.EditEthernetEntry("000001", "0111", "777777", "888888");
        selectAfterEdit(session, view, "000001");
        EXPECT_EQ(setup(), "888888");
        EXPECT_FALSE(deleteRefusal(session, view, "000001").isEmpty());
        EXPECT_TRUE(deleteRefusal(session, view, "000002").isEmpty());
    }
    test::emptyPhoneBook(dir.path());
}
