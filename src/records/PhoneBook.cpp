#include "records/PhoneBook.h"

#include "base/MessageSink.h"
#include "base/Clock.h"
#include "base/InstallPaths.h"
#include "records/XmlDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace kaspen {

namespace {

const char *const kRoot = "HEALTHCHECK";
const char *const kRecord = "Records";

// Attribute names in the order the add operations write them.
const QByteArray kGsmNames[] = {"ID", "Phone", "EnquiryPassword", "SetupPassword"};
const QByteArray kEthNames[] = {"Connect_ID", "Phone_Number", "EnquiryPassword", "SetupPassword", "Device_IP", "Device_MAC"};

const QString kIdExists = QStringLiteral("The ID is exist !");
const QString kIdNotExists = QStringLiteral("The ID is not exist !");

struct SharedState {
    QString directory;
    QList<GsmEntry> gsm;
    QList<EthernetEntry> ethernet;
    GsmEntry currentGsm;
    EthernetEntry currentEthernet;
};

SharedState &shared()
{
    static SharedState s;
    return s;
}

enum class BookState { Ok, Missing, Unreadable, OtherRoot };

// Reads a book; with Ok the position is on the root element.
BookState readBook(XmlDocument &doc, const QString &path)
{
    if (!QFileInfo::exists(path)) {
        doc.LoadFile(path); // for the status text
        return BookState::Missing;
    }
    if (!doc.LoadFile(path))
        return BookState::Unreadable;
    doc.ResetPos();
    if (!doc.FindElement(kRoot))
        return BookState::OtherRoot;
    return BookState::Ok;
}

// With the position inside the root: moves to the first "Records" whose
// position-0 value equals the key.
bool findRecord(XmlDocument &doc, const QByteArray &key)
{
    while (doc.FindElement(kRecord)) {
        if (doc.GetAttribute(doc.AttributeName(0)) == key)
            return true;
    }
    return false;
}

bool idExists(const QString &path, const QByteArray &key)
{
    XmlDocument doc;
    if (readBook(doc, path) != BookState::Ok)
        return false;
    doc.EnterElement();
    return findRecord(doc, key);
}

// Declaration and an empty root, positioned inside the root.
void startNewBook(XmlDocument &doc)
{
    doc.SetDoc(QByteArray());
    doc.AddProcessingInstruction("xml");
    doc.SetAttribute("version", "1.0");
    doc.SetAttribute("encoding", "ISO-8859-1");
    doc.AddElement(kRoot);
    doc.EnterElement();
}

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Keeps an unreadable book beside itself before a new one replaces it.
// False when it could not be kept: then nothing may be written over it.
bool keepUnreadableBook(const QString &path)
{
    const QFileInfo info(path);
    if (info.size() == 0 && info.isReadable())
        return true; // an empty file holds nothing to keep
    const QString stem = path + QStringLiteral(".unreadable-") + QString::fromLatin1(formatTime(clock().now(), "%Y%m%d-%H%M%S"));
    QString backup = stem;
    for (int n = 1; QFileInfo::exists(backup); ++n)
        backup = stem + QLatin1Char('-') + QString::number(n);
    QFile source(path);
    if (!source.copy(backup)) {
        showError(QStringLiteral("The phone book %1 could not be read, and it could not be kept aside (%2). "
                                 "It was left as it is and nothing was saved.")
                      .arg(nativePath(path), source.errorString()));
        return false;
    }
    showMessage(QStringLiteral("The phone book %1 could not be read. It was kept as %2 and a new phone book was started.")
                    .arg(nativePath(path), nativePath(backup)));
    return true;
}

enum class AddStart { Ready, OtherRoot, Refused };

// Reads a book for an add or a merge. Ready: positioned inside the root,
// either of the file or of a new book (an unreadable file kept aside first).
AddStart startAdd(XmlDocument &doc, const QString &path, bool *existing = nullptr)
{
    const BookState state = readBook(doc, path);
    if (existing)
        *existing = state == BookState::Ok;
    switch (state) {
    case BookState::Ok: doc.EnterElement(); return AddStart::Ready;
    case BookState::OtherRoot: return AddStart::OtherRoot;
    case BookState::Unreadable:
        if (!keepUnreadableBook(path))
            return AddStart::Refused;
        [[fallthrough]];
    case BookState::Missing: startNewBook(doc); return AddStart::Ready;
    }
    return AddStart::Refused;
}

bool writeBook(XmlDocument &doc, const QString &path)
{
    doc.ResetPos();
    if (doc.SaveFile(path))
        return true;
    showError(QStringLiteral("The phone book could not be saved to %1: %2").arg(nativePath(path), doc.StatusText()));
    return false;
}

void addRecord(XmlDocument &doc, const QByteArray *names, const QByteArray *values, int count)
{
    doc.AddElement(kRecord, QByteArray(), XmlDocument::Insert | XmlDocument::SpaceBeforeSlash);
    for (int i = 0; i < count; ++i)
        doc.SetAttribute(names[i], values[i]);
}

// Reads a book and moves to the record with this key; false (nothing to
// change) when the book is unusable or the key absent.
bool openRecord(XmlDocument &doc, const QString &path, const QByteArray &key)
{
    if (readBook(doc, path) != BookState::Ok)
        return false;
    doc.EnterElement();
    return findRecord(doc, key);
}

} // namespace

// ---------------------------------------------------------------------------

void PhoneBook::setDirectory(const QString &dir)
{
    shared().directory = dir;
}

QString PhoneBook::defaultDirectory(const QString &executableDir)
{
    // An installed program's directory may be writable (run as root) but is
    // never the place for the user's files.
    const QFileInfo exe(executableDir);
    if (!executableDir.isEmpty() && exe.isDir() && exe.isWritable() && !isInstalled(executableDir))
        return executableDir;
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.kaspen-setup");
    QDir().mkpath(data);
    return data;
}

QString PhoneBook::directory()
{
    SharedState &s = shared();
    if (s.directory.isEmpty())
        s.directory = defaultDirectory(QCoreApplication::applicationDirPath());
    return s.directory;
}

QString PhoneBook::gsmBookPath()
{
    return QDir(directory()).filePath(QStringLiteral("addressbook.xml"));
}

QString PhoneBook::ethernetBookPath()
{
    return QDir(directory()).filePath(QStringLiteral("addressbookEx.xml"));
}

void PhoneBook::resetSharedState()
{
    SharedState &s = shared();
    s.gsm.clear();
    s.ethernet.clear();
    s.currentGsm = GsmEntry();
    s.currentEthernet = EthernetEntry();
}

// --- GSM book ----------------------------------------------------------------

bool PhoneBook::GsmIdExists(const QByteArray &id)
{
    return idExists(gsmBookPath(), id);
}

bool PhoneBook::AddGsmEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup)
{
    if (GsmIdExists(id)) {
        showMessage(kIdExists);
        return false;
    }
    const QString path = gsmBookPath();
    XmlDocument doc;
    bool ok = true;
    switch (startAdd(doc, path)) {
    case AddStart::Refused: return false;
    case AddStart::OtherRoot: break; // not a phone book: left as it is
    case AddStart::Ready: {
        const QByteArray values[] = {id, phone, enquiry, setup};
        addRecord(doc, kGsmNames, values, 4);
        ok = writeBook(doc, path);
        break;
    }
    }
    LoadGsmTable();
    return ok;
}

bool PhoneBook::EditGsmEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup)
{
    if (!GsmIdExists(id)) {
        showMessage(kIdNotExists);
        return false;
    }
    const QString path = gsmBookPath();
    XmlDocument doc;
    bool ok = false;
    if (openRecord(doc, path, id)) {
        doc.SetAttribute(kGsmNames[1], phone);
        doc.SetAttribute(kGsmNames[2], enquiry);
        doc.SetAttribute(kGsmNames[3], setup);
        ok = writeBook(doc, path);
    }
    LoadGsmTable();
    return ok;
}

bool PhoneBook::DeleteGsmEntry(const QByteArray &id)
{
    if (!GsmIdExists(id)) {
        showMessage(kIdNotExists);
        return false;
    }
    const QString path = gsmBookPath();
    XmlDocument doc;
    bool ok = false;
    if (openRecord(doc, path, id)) {
        doc.RemoveElement();
        ok = writeBook(doc, path);
    }
    LoadGsmTable();
    return ok;
}

bool PhoneBook::UpdateGsmPasswords(const QByteArray &id, const QByteArray &enquiry, const QByteArray &setup)
{
    if (!GsmIdExists(id)) {
        showMessage(kIdNotExists);
        return false;
    }
    const QString path = gsmBookPath();
    XmlDocument doc;
    bool ok = false;
    if (openRecord(doc, path, id)) {
        doc.SetAttribute(kGsmNames[2], enquiry);
        doc.SetAttribute(kGsmNames[3], setup);
        ok = writeBook(doc, path);
    }
    LoadGsmTable();
    SelectGsmEntry(id);
    return ok;
}

void PhoneBook::LoadGsmTable()
{
    QList<GsmEntry> &table = shared().gsm;
    table.clear();
    XmlDocument doc;
    if (readBook(doc, gsmBookPath()) != BookState::Ok)
        return;
    doc.EnterElement();
    while (doc.FindElement(kRecord)) {
        GsmEntry e;
        e.id = doc.GetAttribute(doc.AttributeName(0));
        e.phone = doc.GetAttribute(doc.AttributeName(1));
        e.enquiryPassword = doc.GetAttribute(doc.AttributeName(2));
        e.setupPassword = doc.GetAttribute(doc.AttributeName(3));
        table.append(e);
    }
}

void PhoneBook::SelectGsmEntry(const QByteArray &id)
{
    SharedState &s = shared();
    const auto it = std::find_if(s.gsm.cbegin(), s.gsm.cend(), [&](const GsmEntry &e) { return e.id == id; });
    if (it != s.gsm.cend())
        s.currentGsm = *it;
}

GsmEntry PhoneBook::CurrentGsmEntry() const
{
    return shared().currentGsm;
}

QList<GsmEntry> PhoneBook::gsmTable() const
{
    return shared().gsm;
}

// --- Ethernet book -----------------------------------------------------------

bool PhoneBook::EthernetIdExists(const QByteArray &id)
{
    return idExists(ethernetBookPath(), id);
}

bool PhoneBook::AddEthernetEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry,
                                 const QByteArray &setup, const QByteArray &ip, const QByteArray &mac)
{
    const QString path = ethernetBookPath();
    XmlDocument doc;
    bool ok = true;
    switch (startAdd(doc, path)) {
    case AddStart::Refused: return false;
    case AddStart::OtherRoot: break;
    case AddStart::Ready: {
        const QByteArray values[] = {id, phone, enquiry, setup, ip, mac};
        addRecord(doc, kEthNames, values, 6);
        ok = writeBook(doc, path);
        break;
    }
    }
    LoadEthernetTable();
    return ok;
}

bool PhoneBook::EditEthernetEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry,
                                  const QByteArray &setup)
{
    if (!EthernetIdExists(id)) {
        showMessage(kIdNotExists);
        return false;
    }
    const QString path = ethernetBookPath();
    XmlDocument doc;
    bool ok = false;
    if (openRecord(doc, path, id)) {
        doc.SetAttribute(kEthNames[1], phone);
        doc.SetAttribute(kEthNames[2], enquiry);
        doc.SetAttribute(kEthNames[3], setup);
        ok = writeBook(doc, path);
    }
    LoadEthernetTable();
    return ok;
}

bool PhoneBook::DeleteEthernetEntry(const QByteArray &id)
{
    if (!EthernetIdExists(id)) {
        showMessage(kIdNotExists);
        return false;
    }
    const QString path = ethernetBookPath();
    XmlDocument doc;
    bool ok = false;
    if (openRecord(doc, path, id)) {
        doc.RemoveElement();
        ok = writeBook(doc, path);
    }
    LoadEthernetTable();
    return ok;
}

void PhoneBook::UpdateEthernetPasswords(const QByteArray &id, const QByteArray &enquiry, const QByteArray &setup)
{
    const QString path = ethernetBookPath();
    XmlDocument doc;
    if (openRecord(doc, path, id)) {
        doc.SetAttribute(kEthNames[2], enquiry);
        doc.SetAttribute(kEthNames[3], setup);
        writeBook(doc, path);
    }
    LoadEthernetTable();
    SelectEthernetEntry(id);
}

void PhoneBook::UpdateEthernetIp(const QByteArray &id, const QByteArray &ip)
{
    const QString path = ethernetBookPath();
    XmlDocument doc;
    if (openRecord(doc, path, id)) {
        doc.SetAttribute(kEthNames[4], ip);
        writeBook(doc, path);
    }
    LoadEthernetTable();
}

void PhoneBook::MergeDiscoveredDevice(const QByteArray &id, const QByteArray &ip, const QByteArray &mac)
{
    const QString path = ethernetBookPath();
    XmlDocument doc;
    bool existing = false;
    switch (startAdd(doc, path, &existing)) {
    case AddStart::Refused:
    case AddStart::OtherRoot: return;
    case AddStart::Ready: break;
    }
    bool matched = false;
    if (existing) {
        while (doc.FindElement(kRecord)) {
            if (doc.GetAttribute(doc.AttributeName(5)) != mac)
                continue;
            // A known module: its Connect ID and passwords stay, its IP changes.
            const QByteArray phone = doc.GetAttribute(doc.AttributeName(1));
            const QByteArray enquiry = doc.GetAttribute(doc.AttributeName(2));
            const QByteArray setup = doc.GetAttribute(doc.AttributeName(3));
            doc.SetAttribute(kEthNames[1], phone);
            doc.SetAttribute(kEthNames[2], enquiry);
            doc.SetAttribute(kEthNames[3], setup);
            doc.SetAttribute(kEthNames[4], ip);
            matched = true;
            break;
        }
    }
    if (!matched) {
        // Placed before the record the walk stopped at (the last one), or
        // first in an empty book.
        const QByteArray values[] = {id, QByteArray(), QByteArray(), QByteArray(), ip, mac};
        addRecord(doc, kEthNames, values, 6);
    }
    writeBook(doc, path);
}

void PhoneBook::MergeDiscoveredDevices(const QList<DiscoveredDevice> &devices)
{
    QList<DiscoveredDevice> sorted = devices;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const DiscoveredDevice &a, const DiscoveredDevice &b) { return a.connectionNumber < b.connectionNumber; });
    for (const DiscoveredDevice &d : sorted)
        MergeDiscoveredDevice(QString::asprintf("%06d", d.connectionNumber).toLatin1(), d.ip, d.mac);
}

void PhoneBook::LoadEthernetTable()
{
    QList<EthernetEntry> &table = shared().ethernet;
    table.clear();
    XmlDocument doc;
    if (readBook(doc, ethernetBookPath()) != BookState::Ok)
        return;
    doc.EnterElement();
    while (doc.FindElement(kRecord)) {
        EthernetEntry e;
        e.connectId = doc.GetAttribute(doc.AttributeName(0));
        e.phone = doc.GetAttribute(doc.AttributeName(1));
        e.enquiryPassword = doc.GetAttribute(doc.AttributeName(2));
        e.setupPassword = doc.GetAttribute(doc.AttributeName(3));
        e.deviceIp = doc.GetAttribute(doc.AttributeName(4));
        e.deviceMac = doc.GetAttribute(doc.AttributeName(5));
        table.append(e);
    }
}

void PhoneBook::SelectEthernetEntry(const QByteArray &id)
{
    SharedState &s = shared();
    const auto it = std::find_if(s.ethernet.cbegin(), s.ethernet.cend(),
                                 [&](const EthernetEntry &e) { return e.connectId == id; });
    if (it != s.ethernet.cend())
        s.currentEthernet = *it;
}

EthernetEntry PhoneBook::CurrentEthernetEntry() const
{
    return shared().currentEthernet;
}

QList<EthernetEntry> PhoneBook::ethernetTable() const
{
    return shared().ethernet;
}

} // namespace kaspen
