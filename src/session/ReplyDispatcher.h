#pragma once
// Reply intake: every text that arrives from a link (WM_USER+1) is matched
// against the current command code, sets the exchange's result and is
// forwarded to the pages that decode it.

#include "session/PageMessages.h"
#include "protocol/ReplyItems.h"

#include <QByteArray>
#include <QObject>

namespace kaspen {

class Session;

class ReplyDispatcher : public QObject {
    Q_OBJECT
public:
    explicit ReplyDispatcher(Session &session, QObject *parent = nullptr);

    // WM_USER+1: the whole intake, in order.
    void intake(const QByteArray &text);

    GsmAccumulator &accumulator() { return m_gsm; }

signals:
    // A message for pages; delivered synchronously, in emission order.
    void pageMessage(const kaspen::PageMessage &message);
    // The Data Logs display copy of a reply.
    void dataLogEntry(const QByteArray &copy);
    // After a confirmed station ID change: refill the Connection list of the
    // link (0 serial list, 1 Ethernet list) and select its first item.
    void connectionListChanged(int which);
    // First status record accepted: the device is verified.
    void deviceVerified();
    // Show page n of the settings sheet.
    void showSheetPage(int index);
    // Enable the settings sheet.
    void enableSettingsSheet();

private:
    void dispatch(int code, const QByteArray &text, bool resultFinal);
    void connectTimeStatus(int code, const QByteArray &text, bool resultFinal);
    void deviceSetupFamily(int code, const QByteArray &text, bool resultFinal);
    void setResult(int result, bool resultFinal, bool endExchange = true);
    void send(int message, unsigned targets, const QByteArray &text, int wParam = 0);

    Session &m_session;
    GsmAccumulator m_gsm;
};

// Whether code falls under the generic "Set success!" / "SET fail!" rule.
bool isGenericRuleCode(int code);

} // namespace kaspen
