#pragma once
// The phone book: the installer's list of devices, in two books side by side.
//
//  - the GSM book "addressbook.xml", keyed by the six-digit Connection No,
//    used with the RS232 and GSM modem links;
//  - the Ethernet book "addressbookEx.xml", keyed by the Connect ID, which
//    also holds the IP and MAC address of the device's Ethernet module.
//
// Every change reads the whole file, changes it, writes it back (crash-safe)
// and reloads that book's table. The tables and the two current records are
// process-wide: every PhoneBook object sees the same ones, so a page or the
// main window simply embeds one.
//
// Records are read by attribute position, not by name (position 0 is the
// key); they are written by name. A book that cannot be read is never
// overwritten silently: before an add or a merge starts a new book over it,
// the old file is kept beside it as "<name>.unreadable-YYYYMMDD-HHMMSS" and
// the user is told. Failed writes are reported in the "Error" box.

#include <QByteArray>
#include <QList>
#include <QString>

namespace kaspen {

// The current GSM record: what commands take their phone number and
// passwords from on the RS232 and GSM modem links.
struct GsmEntry {
    QByteArray id, phone, enquiryPassword, setupPassword;
    bool operator==(const GsmEntry &) const = default;
};

// The current Ethernet record (Ethernet link).
struct EthernetEntry {
    QByteArray connectId, phone, enquiryPassword, setupPassword, deviceIp, deviceMac;
    bool operator==(const EthernetEntry &) const = default;
};

// One Ethernet module found on the network.
struct DiscoveredDevice {
    int connectionNumber = 0;
    QByteArray ip, mac;
};

class PhoneBook {
public:
    PhoneBook() = default;

    // Where both books live. By default the directory of the executable when
    // it is writable and not an install's, else the per-user application
    // data directory.
    static void setDirectory(const QString &dir);
    static QString directory();
    // The default for a program in executableDir: that directory when it is
    // writable and not an install's bin/ (see isInstalled), else the per-user
    // application data directory (created).
    static QString defaultDirectory(const QString &executableDir);
    static QString gsmBookPath();
    static QString ethernetBookPath();
    // Clears both tables and both current records (tests).
    static void resetSharedState();

    // --- GSM book ---------------------------------------------------------
    bool GsmIdExists(const QByteArray &id);
    // "The ID is exist !" when the ID is already in the book. New records
    // go first in the file.
    bool AddGsmEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup);
    // These three show "The ID is not exist !" for an unknown ID.
    bool EditGsmEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup);
    bool DeleteGsmEntry(const QByteArray &id);
    bool UpdateGsmPasswords(const QByteArray &id, const QByteArray &enquiry, const QByteArray &setup);
    void LoadGsmTable();
    // Copies the first row with this ID into the current record; no match
    // leaves it unchanged.
    void SelectGsmEntry(const QByteArray &id);
    GsmEntry CurrentGsmEntry() const;
    QList<GsmEntry> gsmTable() const;

    // --- Ethernet book ----------------------------------------------------
    bool EthernetIdExists(const QByteArray &id);
    // No duplicate check: the same Connect ID may appear twice, and then
    // edits, deletes and selections reach the first one.
    bool AddEthernetEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup,
                          const QByteArray &ip, const QByteArray &mac);
    bool EditEthernetEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup);
    bool DeleteEthernetEntry(const QByteArray &id);
    void UpdateEthernetPasswords(const QByteArray &id, const QByteArray &enquiry, const QByteArray &setup);
    void UpdateEthernetIp(const QByteArray &id, const QByteArray &ip);
    // A module whose MAC is in the book gets the new IP and keeps its
    // Connect ID and passwords; an unknown MAC gets a new record with empty
    // phone number and passwords. Writes the file; does not reload the table.
    void MergeDiscoveredDevice(const QByteArray &id, const QByteArray &ip, const QByteArray &mac);
    // One merge per device, in ascending order of connection number, with
    // the Connect ID "%06d" of that number.
    void MergeDiscoveredDevices(const QList<DiscoveredDevice> &devices);
    void LoadEthernetTable();
    void SelectEthernetEntry(const QByteArray &id);
    EthernetEntry CurrentEthernetEntry() const;
    QList<EthernetEntry> ethernetTable() const;
};

} // namespace kaspen
