#include "gui/MainWindow.h"
#include "links/SerialLine.h"
#include "pages/device/DeviceSetupModel.h"
#include "gui/pages/DeviceSetupPage.h"
#include "session/LogPanes.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"
#include "support/SimPeer.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::waitUntil;

namespace {
void screenshot(QWidget &w, const QString &name)
{
    const QByteArray dir = qgetenv("KASPEN_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QCoreApplication::processEvents();
    w.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(name));
}
} // namespace

// A new user without hardware: connect to the demo port, add the demo logger
// when offered, choose it, read "#1".
TEST(Demo, FirstStepsWithoutHardware)
{
    QTemporaryDir dir;
    test::emptyPhoneBook(dir.path());
    SetupLog::setPath(dir.filePath("SetupLog.txt"));
    test::RecordingSink sink;
    for (int model : {ModelOrvelA, ModelOrvelB}) {
        SCOPED_TRACE(model);
        test::emptyPhoneBook(dir.path());
        sink.clear();
        MainWindow w(model);
        w.show();
        if (model == ModelOrvelB)
            w.selectLinkRadio(LinkGsmModem);
        w.portList()->setCurrentText(demoPortName());
        w.connectButton()->click();
        ASSERT_TRUE(w.session().serialOpen()) << sink.last().toStdString();
        ASSERT_EQ(sink.questions.size(), 1);
        EXPECT_TRUE(sink.questions[0].contains("000001"));
        PhoneBook book;
        ASSERT_TRUE(book.GsmIdExists("000001"));

        // Opening the Connection list refills it from the book.
        w.connectionList()->showPopup();
        w.connectionList()->hidePopup();
        ASSERT_EQ(w.connectionList()->count(), 1);
        w.connectionList()->setCurrentIndex(0);
        emit w.connectionList()->activated(0);
        ASSERT_TRUE(w.model().exchange().running());
        const int waitMs = model == ModelOrvelB ? 30000 : 10000;
        ASSERT_TRUE(waitUntil([&] { return !w.model().exchange().running(); }, waitMs));
        EXPECT_EQ(w.statusText()->text(), "Command Success");
        EXPECT_TRUE(w.settingsSheet()->isEnabled());

        w.button("read1")->click();
        ASSERT_TRUE(waitUntil([&] { return w.model().exchange().running(); }, 1000)); // the start is posted
        ASSERT_TRUE(waitUntil([&] { return !w.model().exchange().running(); }, waitMs));
        EXPECT_EQ(w.statusText()->text(), "Command Success");
        EXPECT_EQ(w.deviceSetupPage()->model().stationId(), "000001");
        EXPECT_TRUE(sink.shown.isEmpty()) << sink.last().toStdString();
        screenshot(w, model == ModelOrvelA ? "demo-orvel-a.png" : "demo-orvel-b.png");
        w.connectButton()->click();
    }
    SetupLog::setPath(QString());
}
