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
#include "pages/alarms/AlarmMessageModel.h"
#include "pages/channels/AnalogChannelModel.h"
#include "pages/channels/DigitalChannelModel.h"

namespace kaspen {

CorePages::CorePages(Session &session) : m_batch(std::make_unique<BatchSetupModel>(session))
{
    m_router.addPage(ToBatchSetup, m_batch.get());
    auto add = [&](auto model, unsigned target) {
        auto *raw = model.get();
        m_router.addPage(target, raw);
        m_models.push_back(std::move(model));
        return raw;
    };
    add(std::make_shared<DeviceSetupModel>(session), ToDeviceSetup);
    add(std::make_shared<RelayOutputModel>(session), ToRelayOutput);
    m_analog = add(std::make_shared<AnalogChannelModel>(session), ToAnalogChannel);
    add(std::make_shared<DigitalChannelModel>(session), ToDigitalChannel);
    m_adAlarm = add(std::make_shared<AlarmMessageModel>(session, AlarmPage::Ad), ToAdAlarmMessage);
    m_inAlarm = add(std::make_shared<AlarmMessageModel>(session, AlarmPage::In), ToInAlarmMessage);
}

CorePages::~CorePages()
{
    m_router.clear();
    m_models.clear();
}

AlarmMessageModel *CorePages::alarmModelOf(int slot, int *row, int *column) const
{
    AlarmPage page;
    if (!alarmslots::locate(slot, &page, row, column))
        return nullptr;
    return page == AlarmPage::Ad ? m_adAlarm : m_inAlarm;
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

// One slot read; prints "SMS:NN" and the status text.
int runSlotRead(MainModel &model, AlarmMessageModel &page, int row, int column, const Output &out)
{
    const int result = model.runToEnd([&] { page.sendRead(row, column); });
    if (result < 0)
        return ExitRefused;
    out("SMS:" + alarmslots::slotText(alarmslots::slot(page.page(), row, column)) + '\t'
        + model.exchange().statusText().toLatin1() + '\n');
    return result;
}

} // namespace

int readMessage(MainModel &model, CorePages &pages, int slot, const Output &out)
{
    int row = 0, column = 0;
    AlarmMessageModel *page = pages.alarmModelOf(slot, &row, &column);
    if (!page)
        return ExitRefused;
    const int result = model.runToEnd([&] { page->sendRead(row, column); });
    if (result < 0)
        return ExitRefused;
    out(model.exchange().statusText().toLocal8Bit() + '\n');
    out(alarmslots::slotText(slot) + '\t' + alarmslots::cellName(page->page(), row, column) + '\t'
        + (page->ticked(row, column) ? "1" : "0") + '\t' + page->text(row, column) + '\n');
    return result;
}

int setMessage(MainModel &model, CorePages &pages, int slot, bool ticked, const QByteArray &text, const Output &out)
{
    int row = 0, column = 0;
    AlarmMessageModel *page = pages.alarmModelOf(slot, &row, &column);
    if (!page)
        return ExitRefused;
    page->setCell(row, column, ticked, text);
    const int result = model.runToEnd([&] { page->sendSet(row, column); });
    if (result < 0)
        return ExitRefused;
    out(model.exchange().statusText().toLocal8Bit() + '\n');
    return result;
}

int backup(MainModel &model, CorePages &pages, const QString &path, const Output &out, bool messages)
{
    for (int n = 1; n <= 3; ++n) {
        const int r = runRead(model, n, out);
        if (r != ResultSuccess)
            return r;
    }
    // The alarm delays come only with "#CHEACK4#"; a backup holds them too.
    AnalogChannelModel &analog = pages.analogChannel();
    const int delays = model.runToEnd([&] { analog.checkSensorSerialNumbers(); });
    if (delays < 0)
        return ExitRefused;
    out("#CHEACK4#\t" + model.exchange().statusText().toLatin1() + '\n');
    if (delays != ResultSuccess)
        return delays;
    analog.recordAlarmDelays();
    for (int slot = 0; messages && slot < alarmslots::SlotCount; ++slot) {
        int row = 0, column = 0;
        AlarmMessageModel *page = pages.alarmModelOf(slot, &row, &column);
        const int r = runSlotRead(model, *page, row, column, out);
        if (r != ResultSuccess)
            return r;
        if (!page->recordCell(row, column))
            out("SMS:" + alarmslots::slotText(slot) + "\tnot recorded\n");
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
    if (!batch.startBatchRun(false, QStringLiteral("apply"))) {
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
    AnalogChannelModel &analog = pages.analogChannel();
    run.addRead([&analog](MainModel &) { analog.checkSensorSerialNumbers(); },
                [&analog](MainModel &) { analog.recordAlarmDelays(); });
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
