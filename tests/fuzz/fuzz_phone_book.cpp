// The phone book reader: any "addressbook.xml" or "addressbookEx.xml" is
// loaded as the Phone Book page and the Connection lists load it, then
// edited, added to and merged into as the program does. A change that
// reports success must leave a book that reads back with the change.

#include "FuzzSupport.h"

#include "records/PhoneBook.h"

#include <cstdlib>

using namespace kaspen;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = [] {
        fuzz::setUp();
        return true;
    }();
    (void)ready;
    fuzz::Input in(data, size);
    const uint8_t flags = in.byte();
    const QString dir = fuzz::scratchDir() + (flags & 1 ? QStringLiteral("/eth") : QStringLiteral("/gsm"));
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    PhoneBook::setDirectory(dir);
    PhoneBook::resetSharedState();
    const bool ethernet = flags & 1;
    fuzz::writeFile(ethernet ? PhoneBook::ethernetBookPath() : PhoneBook::gsmBookPath(), in.rest());

    PhoneBook book;
    if (!ethernet) {
        book.LoadGsmTable();
        const QList<GsmEntry> table = book.gsmTable();
        if (!table.isEmpty()) {
            const GsmEntry first = table.first();
            book.SelectGsmEntry(first.id);
            if (flags & 2)
                book.EditGsmEntry(first.id, "0123456789", "333333", "444444");
            if (flags & 4)
                book.DeleteGsmEntry(first.id);
        }
        if (book.AddGsmEntry("999999", "0123456789", "111111", "222222")) {
            PhoneBook::resetSharedState();
            book.LoadGsmTable();
            bool found = false;
            for (const GsmEntry &e : book.gsmTable())
                found = found || e.id == "999999";
            if (!found)
                std::abort(); // reported as added, but not in the book
        }
    } else {
        book.LoadEthernetTable();
        const QList<EthernetEntry> table = book.ethernetTable();
        if (!table.isEmpty()) {
            book.SelectEthernetEntry(table.first().connectId);
            if (flags & 2)
                book.EditEthernetEntry(table.first().connectId, "1", "333333", "444444");
            if (flags & 4)
                book.UpdateEthernetIp(table.first().connectId, "10.0.0.9");
        }
        book.MergeDiscoveredDevices({{7, "10.0.0.7", "00-11-22-33-44-55"}, {3, "10.0.0.3", "AA-BB-CC-DD-EE-FF"}});
        book.LoadEthernetTable();
        if (book.AddEthernetEntry("999999", "1", "111111", "222222", "10.0.0.1", "00-00-00-00-00-01")) {
            PhoneBook::resetSharedState();
            book.LoadEthernetTable();
            bool found = false;
            for (const EthernetEntry &e : book.ethernetTable())
                found = found || e.connectId == "999999";
            if (!found)
                std::abort();
        }
    }
    PhoneBook::resetSharedState();
    return 0;
}
