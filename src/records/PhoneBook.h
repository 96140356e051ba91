#pragma once
// Placeholder of the phone book interface until the real store lands: the
// tables live in memory only.

#include <QByteArray>
#include <QList>
#include <QString>

namespace kaspen {

struct GsmEntry {
    QByteArray id, phone, enquiryPassword, setupPassword;
};
struct EthernetEntry {
    QByteArray connectId, phone, enquiryPassword, setupPassword, deviceIp, deviceMac;
};
struct DiscoveredDevice {
    int connectionNumber = 0;
    QByteArray ip, mac;
};

class PhoneBook {
public:
    static void setDirectory(const QString &dir);
    static QString directory();
    static void resetSharedState();

    bool GsmIdExists(const QByteArray &id);
    bool AddGsmEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup);
    bool EditGsmEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup);
    bool DeleteGsmEntry(const QByteArray &id);
    bool UpdateGsmPasswords(const QByteArray &id, const QByteArray &enquiry, const QByteArray &setup);
    void LoadGsmTable();
    void SelectGsmEntry(const QByteArray &id);
    GsmEntry CurrentGsmEntry() const;
    QList<GsmEntry> gsmTable() const;

    bool EthernetIdExists(const QByteArray &id);
    bool AddEthernetEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup,
                          const QByteArray &ip, const QByteArray &mac);
    bool EditEthernetEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup);
    bool DeleteEthernetEntry(const QByteArray &id);
    void UpdateEthernetPasswords(const QByteArray &id, const QByteArray &enquiry, const QByteArray &setup);
    void UpdateEthernetIp(const QByteArray &id, const QByteArray &ip);
    void LoadEthernetTable();
    void SelectEthernetEntry(const QByteArray &id);
    EthernetEntry CurrentEthernetEntry() const;
    QList<EthernetEntry> ethernetTable() const;
};

} // namespace kaspen
