#pragma once
// Fleet provisioning without windows (kaspen-cli "backup" and "apply"):
// read a logger's parameter blocks into the batch command table and save it
// as a ".cfg" file, or open a ".cfg" file and run every row through the
// batch runner.
//
// Both work on a MainModel whose device has been chosen and verified (the
// connect-time status query answered), with the page models of the core
// receiving what the main window forwards, as the windows would.

#include "session/PageMessages.h"
#include "session/PageRouter.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace kaspen {

class BatchSetupModel;
class MainModel;
class Session;

// The page models of the core library, each receiving the messages for its
// page in target bit order. The Batch Setup model is always there; every
// page model that is part of the core joins on construction.
class CorePages {
public:
    explicit CorePages(Session &session);
    ~CorePages();

    // Delivers a page message to the models of its targets, in bit order.
    void deliver(const PageMessage &m) const { m_router.deliver(m); }
    // Adds (or replaces) the receiver of a target.
    void setReceiver(unsigned target, PageRouter::Receiver receiver) { m_router.setReceiver(target, std::move(receiver)); }
    bool hasReceiver(unsigned target) const { return m_router.hasReceiver(target); }
    PageRouter &router() { return m_router; }

    BatchSetupModel &batch() { return *m_batch; }

private:
    std::unique_ptr<BatchSetupModel> m_batch;
    std::vector<std::shared_ptr<void>> m_models; // the other page models
    PageRouter m_router;
};

namespace batchcli {

// Exit codes besides the exchange's result codes (0, 1, 2, 3, 5).
inline constexpr int ExitRefused = 64; // refused before sending (the message was shown)
inline constexpr int ExitNotSent = 66; // a row could not be sent, or the link went away

using Output = std::function<void(const QByteArray &)>;

// The result code a row's status text stands for; ExitNotSent for a row
// that could not be sent or lost its link, -1 for an empty status.
int resultCodeOf(const QString &status);

// "#1", "#2", "#3" one after another; every block that arrives is decoded by
// the page models and recorded in the batch command table. Then the table is
// listed with every row checked and saved to path as Save Configure File
// does. Prints one line per saved row ("No.", Object, Parameters). Returns 0,
// or the result code of the first read that failed, or ExitRefused.
int backup(MainModel &model, CorePages &pages, const QString &path, const Output &out);

// Opens path as Open Configure File does, checks every row and runs them as
// the "Batch Setup" button does (Auto Station ID when asked). Prints one line
// per row as its result arrives: number, Object, Parameters, result text,
// separated by tabs. Returns 0 when every row succeeded, otherwise the result
// code of the first row that did not (ExitNotSent for one never sent).
// The run's record goes to the audit trail as "apply"; pages.batch().lastRun()
// holds it afterwards (kaspen-cli apply --report).
int apply(MainModel &model, CorePages &pages, const QString &path, bool autoStationId, const Output &out);

// Compares the rows of the file at path with the logger (Compare with
// Logger): reads the logger, then prints one tab-separated line per row
// (number, same / different / not readable, Object, file value, logger
// value; passwords never shown). Returns 0 when every row is the same,
// ExitDiffers when one is not, the result code of a read that failed, or
// ExitRefused.
inline constexpr int ExitDiffers = 1;
int diff(MainModel &model, CorePages &pages, const QString &path, const Output &out);

} // namespace batchcli
} // namespace kaspen
