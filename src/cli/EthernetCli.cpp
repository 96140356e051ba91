#include "cli/EthernetCli.h"

#include "base/MessageSink.h"
#include "cli/CliApp.h"
#include "pages/ethernet/EthernetSettingModel.h"
#include "pages/phonebook/PhoneBookModel.h"
#include "protocol/ModuleProtocol.h"
#include "session/EthernetModules.h"
#include "session/MainModel.h"
#include "session/Session.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace kaspen::cli {

namespace {

void spinUntil(const std::function<bool()> &done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

// Auto Scan to its end; the number found, or -1 when refused.
int scanNow(EthernetModules &modules)
{
    int found = -1;
    bool finished = false;
    if (!modules.autoScan([&](int n) {
            found = n;
            finished = true;
        }))
        return -1;
    spinUntil([&] { return finished; });
    return found;
}

// Scan, then choose the Connection ID: the module's configuration is read
// and the PC becomes its client. 0 when the module answered.
int chooseModule(EthernetModules &modules, const QByteArray &id)
{
    PhoneBook &book = modules.session().phoneBook();
    book.LoadEthernetTable();
    if (!book.EthernetIdExists(id)) {
        showError(QStringLiteral("The Connect ID %1 is not in the Ethernet phone book.").arg(QString::fromLatin1(id)));
        return ExitRefused;
    }
    if (scanNow(modules) <= 0)
        return ResultNoReply;
    int reachable = -1;
    if (!modules.chooseConnectionId(id, [&](bool r) { reachable = r ? 1 : 0; }))
        return ExitRefused;
    spinUntil([&] { return reachable >= 0; });
    if (reachable == 0) {
        showError(QStringLiteral("The module of %1 did not answer.").arg(QString::fromLatin1(id)));
        return ResultNoReply;
    }
    return 0;
}

// The exit code of a module operation's outcome.
int outcomeExitCode(int outcome)
{
    switch (outcome) {
    case OutcomeSuccess: return 0;
    case OutcomeConnectError: return ResultNoReply;
    default: return ResultRefused; // "Command Fail", "Unknown Error"
    }
}

// The Check operation a "module check" group names; 0 for another word.
int checkOperationOf(const QString &group)
{
    if (group == QLatin1String("device"))
        return EthernetSettingModel::CheckDevice;
    if (group == QLatin1String("local"))
        return EthernetSettingModel::CheckLocal;
    if (group == QLatin1String("servers"))
        return EthernetSettingModel::CheckServers;
    return 0;
}

} // namespace

int scanCommand(const Printer &out)
{
    Session session(ModelOrvelB);
    session.setLink(LinkEthernet);
    EthernetModules modules(session);
    const int found = scanNow(modules);
    if (found < 0)
        return ExitRefused;
    if (found == 0)
        return ResultNoReply;
    out("No\tIP Address\tMAC Address\n");
    for (const DiscoveredModule &d : modules.discovered())
        out(QByteArray::number(d.number) + '\t' + d.ip + '\t' + d.mac + '\n');
    return 0;
}

int moduleCommand(const QStringList &rest, const Printer &out)
{
    const QString verb = rest.value(1);
    const QByteArray id = PhoneBookModel::padConnectionNo(rest.value(2).toLocal8Bit());
    const bool checking = verb == QLatin1String("check");
    if ((verb != QLatin1String("show") && verb != QLatin1String("set") && !checking) || id.isEmpty()
        || (verb == QLatin1String("set") && rest.size() != 5) || (checking && rest.size() != 4)) {
        showError(QStringLiteral("module needs show CONNECTID, check CONNECTID device|local|servers or set CONNECTID KEY "
                                 "VALUE"));
        return ExitUsage;
    }
    const int checkOperation = checking ? checkOperationOf(rest.value(3)) : 0;
    if (checking && !checkOperation) {
        showError(QStringLiteral("module check takes device, local or servers, not \"%1\"").arg(rest.value(3)));
        return ExitUsage;
    }
    const EthernetSettingModel::SetOperation *op = nullptr;
    if (verb == QLatin1String("set")) {
        op = EthernetSettingModel::setOperationForKey(rest.value(3).toUpper().toLatin1());
        if (!op) {
            QStringList keys;
            for (const auto &o : EthernetSettingModel::setOperations())
                keys << QString::fromLatin1(o.key);
            showError(QStringLiteral("module set takes one of the keys %1").arg(keys.join(QLatin1String(", "))));
            return ExitUsage;
        }
    }
    Session session(ModelOrvelB);
    session.setLink(LinkEthernet);
    EthernetModules modules(session);
    EthernetSettingModel page(modules);
    const int chosen = chooseModule(modules, id);
    if (chosen != 0)
        return chosen;
    if (verb == QLatin1String("show")) {
        const ModuleConfigRow *row = modules.config(modules.chosenNumber());
        if (!row)
            return ResultNoReply;
        for (const char *key : ModuleConfigRow::keys())
            out(QByteArray(key) + '\t' + row->value(key) + '\n');
        return 0;
    }
    int outcome = -1;
    QObject::connect(&page, &EthernetSettingModel::operationDone, [&](int, int o) { outcome = o; });
    if (checking) {
        // The page's Check button: the group's keys read again from the
        // module, each shown as the page shows it.
        if (!page.check(checkOperation))
            return ExitRefused;
        spinUntil([&] { return outcome >= 0; });
        for (const EthernetSettingModel::CheckRead &r : EthernetSettingModel::checkReads(checkOperation)) {
            EthernetSettingModel::Field f = r.field;
            if (f == EthernetSettingModel::Server1Ip && page.server1Mode() == 1)
                f = EthernetSettingModel::Server1Domain;
            out(QByteArray(r.key) + '\t' + page.field(f) + '\n');
        }
        out(moduleOutcomeText(outcome).toLatin1() + '\n');
        return outcomeExitCode(outcome);
    }
    const QByteArray value = rest.value(4).toLocal8Bit();
    if (op->operation == EthernetSettingModel::SetServer1)
        page.setServer1Mode(module::isDottedIpv4(value) ? 0 : 1);
    const EthernetSettingModel::Field field =
        op->operation == EthernetSettingModel::SetServer1 && page.server1Mode() == 1 ? EthernetSettingModel::Server1Domain
                                                                                      : op->field;
    page.setField(field, value);
    if (!page.set(op->operation))
        return ExitRefused;
    spinUntil([&] { return outcome >= 0; });
    out(moduleOutcomeText(outcome).toLatin1() + '\n');
    return outcomeExitCode(outcome);
}

int ethernetPhonebookCommand(const QString &verb, const QMap<QString, QString> &values, const Printer &out)
{
    PhoneBook book;
    if (verb == QLatin1String("list")) {
        book.LoadEthernetTable();
        out("Connect ID\tPhone Number\tEnquiry Password\tSetup Password\tDevice IP\tDevice MAC\n");
        for (const EthernetEntry &e : book.ethernetTable())
            out(e.connectId + '\t' + e.phone + '\t' + e.enquiryPassword + '\t' + e.setupPassword + '\t' + e.deviceIp
                + '\t' + e.deviceMac + '\n');
        return 0;
    }
    if (verb != QLatin1String("add") && verb != QLatin1String("edit") && verb != QLatin1String("delete")) {
        showError(QStringLiteral("phonebook --ethernet needs list, add, edit or delete"));
        return ExitUsage;
    }
    const QByteArray id = PhoneBookModel::padConnectionNo(values.value(QStringLiteral("id")).toLocal8Bit());
    const QByteArray phone = values.value(QStringLiteral("phone")).toLocal8Bit();
    const QByteArray enquiry = values.value(QStringLiteral("enquiry")).toLocal8Bit();
    const QByteArray setup = values.value(QStringLiteral("setup")).toLocal8Bit();
    const QByteArray ip = values.value(QStringLiteral("ip")).toLocal8Bit();
    const QByteArray mac = values.value(QStringLiteral("mac")).toLocal8Bit().toUpper();
    // The page's rules: the field checks, then the buttons'.
    QString refusal;
    if (verb == QLatin1String("delete")) {
        if (id.isEmpty())
            refusal = PhoneBookModel::missingFieldMessage(PhoneBookView::Ethernet, id, "x", "x", "x");
    } else if (!PhoneBookModel::phoneNumberValid(phone)) {
        refusal = PhoneBookModel::phoneNumberError();
    } else if (PhoneBookModel::phoneNumberTooLong(phone)) {
        refusal = PhoneBookModel::phoneNumberTooLongError();
    } else if (!PhoneBookModel::passwordValid(enquiry)) {
        refusal = PhoneBookModel::enquiryPasswordError();
    } else if (!PhoneBookModel::passwordValid(setup)) {
        refusal = PhoneBookModel::setupPasswordError();
    } else {
        refusal = PhoneBookModel::missingFieldMessage(PhoneBookView::Ethernet, id, phone, enquiry, setup);
    }
    if (refusal.isEmpty() && verb == QLatin1String("add")) {
        if (!ip.isEmpty() && !module::isDottedIpv4(ip))
            refusal = QStringLiteral("\"%1\" is not an IP address (four numbers 0 to 255).").arg(QString::fromLatin1(ip));
        else if (mac.isEmpty())
            refusal = QStringLiteral("add needs --mac MAC (the module's MAC address, as Auto Scan shows it).");
    }
    if (!refusal.isEmpty()) {
        showMessage(refusal);
        return ExitRefused;
    }
    bool ok = false;
    if (verb == QLatin1String("add"))
        ok = book.AddEthernetEntry(id, phone, enquiry, setup, ip, mac);
    else if (verb == QLatin1String("edit"))
        ok = book.EditEthernetEntry(id, phone, enquiry, setup);
    else
        ok = book.DeleteEthernetEntry(id);
    if (!ok)
        return ExitRefused;
    out(verb.toLocal8Bit() + " " + id + "\n");
    return 0;
}

int connectEthernet(MainModel &model, const QByteArray &connectId)
{
    const QByteArray id = PhoneBookModel::padConnectionNo(connectId);
    const int chosen = chooseModule(model.ethernetModules(), id);
    if (chosen != 0)
        return chosen == ResultNoReply ? ResultNoReply : ExitRefused;
    int result = -1;
    bool refused = false;
    result = model.runToEnd([&] { refused = !model.ethernet().toggle(id); });
    if (refused)
        return ExitRefused;
    return result;
}

QString ethernetUsage()
{
    return QStringLiteral(
        "  kaspen-cli [--data-dir DIR] scan\n"
        "  kaspen-cli [--data-dir DIR] module show CONNECTID\n"
        "  kaspen-cli [--data-dir DIR] module check CONNECTID device|local|servers\n"
        "  kaspen-cli [--data-dir DIR] module set CONNECTID KEY VALUE\n"
        "  kaspen-cli [--data-dir DIR] phonebook --ethernet list\n"
        "  kaspen-cli [--data-dir DIR] phonebook --ethernet add --id ID --phone P --enquiry E --setup S --ip IP --mac MAC\n"
        "  kaspen-cli [--data-dir DIR] phonebook --ethernet edit --id ID --phone P --enquiry E --setup S\n"
        "  kaspen-cli [--data-dir DIR] phonebook --ethernet delete --id ID\n"
        "\n"
        "scan looks for Ethernet modules (Auto Scan, about a second), prints number,\n"
        "IP and MAC of each and merges them into the Ethernet book. Where it looks:\n"
        "KASPEN_SCAN_ADDRESSES (addresses and ranges such as 127.0.0.1-8, comma-\n"
        "separated) when set, else the broadcast address of every network the PC is on.\n"
        "module show and module set scan, choose the Connection ID (the module's\n"
        "configuration is read and the PC made its client), then print the module's\n"
        "keys or write one (KEY: IP, C1_PORT, MARK, GATEWAY, DNS, C1_CLI_IP1 ...\n"
        "C1_CLI_IP4, C1_CLI_PP1 ... C1_CLI_PP4) with the Ethernet Setting page's checks.\n"
        "module check reads one group of keys again, as the page's Check buttons do:\n"
        "device (IP, C1_PORT, MARK, GATEWAY, DNS), local (C1_CLI_IP4, C1_CLI_PP4) or\n"
        "servers (C1_CLI_IP1 ... C1_CLI_IP3 and their ports).\n");
}

} // namespace kaspen::cli
