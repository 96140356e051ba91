#include "records/PhoneBook.h"
#include "app/MessageSink.h"

namespace kaspen {

namespace {
struct Shared {
    QString dir;
    QList<GsmEntry> gsm;
    QList<EthernetEntry> eth;
    GsmEntry currentGsm;
    EthernetEntry currentEth;
};
Shared &shared()
{
    static Shared s;
    return s;
}
template<class L, class F> int find(const L &list, F key, const QByteArray &id)
{
    for (int i = 0; i < list.size(); ++i)
        if (key(list[i]) == id)
            return i;
    return -1;
}
auto gsmKey = [](const GsmEntry &e) { return e.id; };
auto ethKey = [](const EthernetEntry &e) { return e.connectId; };
} // namespace

void PhoneBook::setDirectory(const QString &dir) { shared().dir = dir; }
QString PhoneBook::directory() { return shared().dir; }
void PhoneBook::resetSharedState() { shared() = Shared{}; }

bool PhoneBook::GsmIdExists(const QByteArray &id) { return find(shared().gsm, gsmKey, id) >= 0; }
bool PhoneBook::AddGsmEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup)
{
    if (GsmIdExists(id)) {
        showMessage(QStringLiteral("The ID is exist !"));
        return false;
    }
    shared().gsm.prepend({id, phone, enquiry, setup});
    return true;
}
bool PhoneBook::EditGsmEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup)
{
    const int i = find(shared().gsm, gsmKey, id);
    if (i < 0) {
        showMessage(QStringLiteral("The ID is not exist !"));
        return false;
    }
    shared().gsm[i] = {id, phone, enquiry, setup};
    return true;
}
bool PhoneBook::DeleteGsmEntry(const QByteArray &id)
{
    const int i = find(shared().gsm, gsmKey, id);
    if (i < 0) {
        showMessage(QStringLiteral("The ID is not exist !"));
        return false;
    }
    shared().gsm.removeAt(i);
    return true;
}
bool PhoneBook::UpdateGsmPasswords(const QByteArray &id, const QByteArray &enquiry, const QByteArray &setup)
{
    const int i = find(shared().gsm, gsmKey, id);
    if (i < 0) {
        showMessage(QStringLiteral("The ID is not exist !"));
        return false;
    }
    shared().gsm[i].enquiryPassword = enquiry;
    shared().gsm[i].setupPassword = setup;
    SelectGsmEntry(id);
    return true;
}
void PhoneBook::LoadGsmTable() {}
void PhoneBook::SelectGsmEntry(const QByteArray &id)
{
    const int i = find(shared().gsm, gsmKey, id);
    if (i >= 0)
        shared().currentGsm = shared().gsm[i];
}
GsmEntry PhoneBook::CurrentGsmEntry() const { return shared().currentGsm; }
QList<GsmEntry> PhoneBook::gsmTable() const { return shared().gsm; }

bool PhoneBook::EthernetIdExists(const QByteArray &id) { return find(shared().eth, ethKey, id) >= 0; }
bool PhoneBook::AddEthernetEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup,
                                 const QByteArray &ip, const QByteArray &mac)
{
    shared().eth.prepend({id, phone, enquiry, setup, ip, mac});
    return true;
}
bool PhoneBook::EditEthernetEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup)
{
    const int i = find(shared().eth, ethKey, id);
    if (i < 0) {
        showMessage(QStringLiteral("The ID is not exist !"));
        return false;
    }
    auto &e = shared().eth[i];
    e.phone = phone;
    e.enquiryPassword = enquiry;
    e.setupPassword = setup;
    return true;
}
bool PhoneBook::DeleteEthernetEntry(const QByteArray &id)
{
    const int i = find(shared().eth, ethKey, id);
    if (i < 0) {
        showMessage(QStringLiteral("The ID is not exist !"));
        return false;
    }
    shared().eth.removeAt(i);
    return true;
}
void PhoneBook::UpdateEthernetPasswords(const QByteArray &id, const QByteArray &enquiry, const QByteArray &setup)
{
    const int i = find(shared().eth, ethKey, id);
    if (i >= 0) {
        shared().eth[i].enquiryPassword = enquiry;
        shared().eth[i].setupPassword = setup;
    }
    SelectEthernetEntry(id);
}
void PhoneBook::UpdateEthernetIp(const QByteArray &id, const QByteArray &ip)
{
    const int i = find(shared().eth, ethKey, id);
    if (i >= 0)
        shared().eth[i].deviceIp = ip;
}
void PhoneBook::LoadEthernetTable() {}
void PhoneBook::SelectEthernetEntry(const QByteArray &id)
{
    const int i = find(shared().eth, ethKey, id);
    if (i >= 0)
        shared().currentEth = shared().eth[i];
}
EthernetEntry PhoneBook::CurrentEthernetEntry() const { return shared().currentEth; }
QList<EthernetEntry> PhoneBook::ethernetTable() const { return shared().eth; }

} // namespace kaspen
