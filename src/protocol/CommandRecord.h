#pragma once
// The state of the current command exchange. Two instances: the serial record
// (RS232 and GSM modem) and the Ethernet record.

#include <QByteArray>
#include "protocol/CommandCodes.h"
#include "protocol/CommandText.h"

namespace kaspen {

// Result codes of an exchange.
enum ResultCode : int {
    ResultSuccess = 0,
    ResultRefused = 1,
    ResultNoReply = 2,
    ResultPasswordError = 3,
    ResultDataError = 5,
};

struct CommandRecord {
    QByteArray deviceId;      // ID of the current phone book entry
    Link link = LinkRs232;
    int modelCode = 0;
    QByteArray lastText;      // as sent (GSM modem: wrapped)
    int commandCode = codes::None;
    bool inProgress = false;
    int resultCode = ResultSuccess;
    QByteArray stationIdText; // six characters of the station ID
};

} // namespace kaspen
