#include "pages/BatchCli.h"

#include "session/MainModel.h"
#include "session/Session.h"
#include "pages/batch/BatchSetupModel.h"
#include "pages/batch/CompareRun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

// The page models of the core: each one decodes what the main window
// forwards to its page and records the settings it reads back. A page model
// that joins the core is added here and in CorePages::CorePages.
#include "pages/device/DeviceSetupModel.h"
#include "pages/device/RelayOutputModel.h"

namespace kaspen {

CorePages::CorePages(Session &session) : m_batch(std::make_unique<BatchSetupModel>(session))
{
    m_router.addPage(ToBatchSetup, m_batch.get());
    auto add = [&](auto model, unsigned target) {
        m_router.addPage(target, model.get());
        m_models.push_back(std::move(model));
    };
    add(std::make_shared<DeviceSetupModel>(session), ToDeviceSetup);
    add(std::make_shared<RelayOutputModel>(session), ToRelayOutput);
}

CorePages::~CorePages()
{
    m_router.clear();
    m_models.clear();
}

namespace batchcli {

int resultCodeOf(const QString &status)
{
    if (status == QLatin1String("Command Success"))
        return ResultSuccess;
    if (status == QLatin1String("Command Fail "))
        return ResultRefused;
    if (status == QLatin1String("Command Time Out"))
        return ResultNoReply;
    if (status == QLatin1String("Password Error"))
        return ResultPasswordError;
    if (status == QLatin1String("Data Error"))
        return ResultDataError;
    if (status.isEmpty())
        return -1;
    return ExitNotSent;
}

namespace {

QByteArray rowLine(const BatchRow &r, const QString &status)
{
    QByteArray line = r.number + '\t' + r.object + '\t' + r.parameters;
    if (!status.isNull())
        line += '\t' + status.toLatin1();
    return line + '\n';
}

// Runs the event loop until cond holds; cond is looked at whenever something
// happened and at least every 100 ms.
void waitUntil(const std::function<bool()> &cond)
{
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(100);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (cond())
            loop.quit();
    });
    poll.start();
    if (!cond())
        loop.exec();
}

int runRead(MainModel &model, int n, const Output &out)
{
    const int result = model.runToEnd([&] { model.readBlock(n); });
    if (result < 0)
        return ExitRefused;
    out("#" + QByteArray::number(n) + '\t' + model.exchange().statusText().toLatin1() + '\n');
    return result;
}

} // namespace

int backup(MainModel &model, CorePages &pages, const QString &path, const Output &out)
{
    for (int n = 1; n <= 3; ++n) {
        const int r = runRead(model, n, out);
        if (r != ResultSuccess)
            return r;
    }
    BatchSetupModel &batch = pages.batch();
    // As the main window's Batch button lists the table: every row checked.
    batch.handleMessage({msg::BatchNotice, ToBatchSetup, 1, {}, 1}); // WM_USER+18
    if (!batch.canSave()) {
        out("Nothing was read that could be saved.\n");
        return ExitRefused;
    }
    if (!batch.saveConfigFile(path))
        return ExitRefused;
    const BatchListModel &list = batch.list();
    for (int r = 0; r < list.rowCount(); ++r)
        out(rowLine(list.row(r), QString()));
    out("Saved " + QByteArray::number(list.rowCount()) + " rows to "
        + BatchSetupModel::withCfgSuffix(path).toLocal8Bit() + '\n');
    return ResultSuccess;
}

int apply(MainModel &model, CorePages &pages, const QString &path, bool autoStationId, const Output &out)
{
    BatchSetupModel &batch = pages.batch();
    if (!batch.openConfigFile(path))
        return ExitRefused;
    // Every row of the file, the GSM band command included.
    batch.handleMessage({msg::BatchNotice, ToBatchSetup, 1, {}, 1}); // WM_USER+18
    batch.setAutoStationId(autoStationId);
    const BatchListModel &list = batch.list();
    if (list.rowCount() == 0) {
        out("The file holds no commands.\n");
        return ExitRefused;
    }
    auto c = QObject::connect(&batch, &BatchSetupModel::rowFinished,
                              [&](int row, const QString &status) { out(rowLine(list.row(row), status)); });
    if (!batch.startBatchRun(QStringLiteral("apply"))) {
        QObject::disconnect(c);
        return ExitRefused;
    }
    auto outstanding = [&] {
        if (batch.running() || model.exchange().running())
            return true;
        for (int r = 0; r < list.rowCount(); ++r) {
            const QString &s = list.row(r).status;
            if (s == QLatin1String(batchstatus::Ready) || s == QLatin1String(batchstatus::Sending))
                return true;
        }
        return false;
    };
    waitUntil([&] { return !outstanding(); });
    QObject::disconnect(c);

    int exitCode = ResultSuccess;
    for (int r = 0; r < list.rowCount(); ++r) {
        const QString &s = list.row(r).status;
        if (s.isEmpty())
            out(rowLine(list.row(r), QStringLiteral("Not sent")));
        const int code = s.isEmpty() ? ExitNotSent : resultCodeOf(s);
        if (exitCode == ResultSuccess && code != ResultSuccess)
            exitCode = code;
    }
    return exitCode;
}

int diff(MainModel &model, CorePages &pages, const QString &path, const Output &out)
{
    BatchSetupModel &batch = pages.batch();
    if (!batch.openConfigFile(path))
        return ExitRefused;
    std::vector<std::pair<int, QByteArray>> fileRows;
    for (const auto &entry : model.session().batchTable().entries())
        if (!entry.second.isEmpty())
            fileRows.push_back(entry);
    if (fileRows.empty()) {
        out("The file holds no commands.\n");
        return ExitRefused;
    }
    CompareRun run(model);
    if (!run.start(fileRows))
        return ExitRefused;
    waitUntil([&] { return !run.running(); });
    if (run.readResult() != 0)
        return run.readResult() < 0 ? ExitRefused : run.readResult();
    int n = 0;
    for (const CompareRow &row : run.rows())
        out(compare::lineOf(++n, row) + '\n');
    return compare::differingCount(run.rows()) ? ExitDiffers : ResultSuccess;
}

} // namespace batchcli
} // namespace kaspen
