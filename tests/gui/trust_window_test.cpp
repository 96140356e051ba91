// The window as a new user meets it: the connected logger's entry, a failed
// or cancelled batch run, closing with a link open, typed values before a
// read, what a screen reader hears, the status bar and remembered choices.

#include "gui/MainWindow.h"
#include "gui/ModelSelectDialog.h"
#include "gui/common/Accessibility.h"
#include "gui/common/Preferences.h"
#include "gui/common/SetButtonWidget.h"
#include "gui/common/StatusLine.h"
#include "gui/common/UnsentEdits.h"
#include "gui/pages/BatchSetupPage.h"
#include "gui/pages/DeviceSetupPage.h"
#include "gui/pages/PhoneBookPage.h"
#include "links/SerialLine.h"
#include "protocol/CommandCodes.h"
#include "session/LogPanes.h"
#include "support/FakeLine.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTableView>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kaspen;

namespace {

// Saves a picture of the window when KASPEN_SCREENSHOT_DIR names a directory.
void saveShot(QWidget &w, const char *name)
{
    const QByteArray dir = qgetenv("KASPEN_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QCoreApplication::processEvents();
    w.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(name)));
}

struct TrustFixture : ::testing::Test {
    void SetUp() override
    {
        test::emptyPhoneBook(dir.path());
        SetupLog::setPath(dir.filePath("SetupLog.txt"));
        PhoneBook book;
        book.AddGsmEntry("000002", "0222222222", "333333", "444444");
        book.AddGsmEntry("000001", "0111111111", "111111", "222222");
    }
    void TearDown() override
    {
        SetupLog::setPath(QString());
        test::emptyPhoneBook(dir.path());
    }
    // Opens a fake line and makes 000001 the logger it talks to.
    test::FakeLine *connectFake(MainWindow &w, const QByteArray &id = "000001")
    {
        auto line = std::make_unique<test::FakeLine>();
        test::FakeLine *raw = line.get();
        line->open();
        w.session().setSerialLine(std::move(line));
        w.session().serialRecord().link = w.session().link();
        w.session().phoneBook().SelectGsmEntry(id);
        w.session().serialRecord().deviceId = id;
        return raw;
    }
    static void typeInto(QWidget *w, const QString &text)
    {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &press);
        }
    }
    static void pressKey(QWidget *w, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    }
    static void spin(int ms)
    {
        QDeadlineTimer d(ms);
        while (!d.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    // Lets the posted exchange start, then answers the command as the
    // logger would and lets the 100 ms tick end the exchange.
    static void answer(MainWindow &w, test::FakeLine *line, const QByteArray &reply)
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        if (!reply.isEmpty())
            line->reply(reply);
        QDeadlineTimer d(5000);
        while (!d.hasExpired() && w.model().exchange().running())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    // Lets the posted exchange start, presses Stop and lets it end.
    static void stopExchange(MainWindow &w)
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        w.model().stop();
        QDeadlineTimer d(5000);
        while (!d.hasExpired() && w.model().exchange().running())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    void fillBook(PhoneBookPage *p, const QByteArray &id, const QByteArray &phone, const QByteArray &enq,
                  const QByteArray &setup)
    {
        p->idEdit()->setText(QString::fromLatin1(id));
        p->phoneEdit()->setText(QString::fromLatin1(phone));
        p->enquiryEdit()->setText(QString::fromLatin1(enq));
        p->setupEdit()->setText(QString::fromLatin1(setup));
    }

    QTemporaryDir dir;
    test::RecordingSink sink;
};

} // namespace

// --- 1. The connected logger keeps its entry -------------------------------

TEST_F(TrustFixture, EditingAnotherEntryKeepsTheConnectedLoggersPasswords)
{
    MainWindow w(ModelOrvelA);
    test::FakeLine *line = connectFake(w);
    PhoneBookPage *p = w.phoneBookPage();
    PhoneBook &book = w.session().phoneBook();

    // Another entry edited: the connected logger still uses 000001.
    fillBook(p, "000002", "0222222222", "555555", "666666");
    p->gsmEditButton()->click();
    EXPECT_EQ(book.CurrentGsmEntry().id, "000001");
    EXPECT_EQ(book.CurrentGsmEntry().setupPassword, "222222");
    w.button("read1")->click();
    ASSERT_FALSE(line->written.isEmpty());
    EXPECT_TRUE(line->written.last().startsWith("111111#")) << line->written.last().constData();
    stopExchange(w);

    // The batch list takes the connected logger's Setup password.
    w.session().batchTable().replaceAll({{11002, "999999#ST:000041#"}});
    w.button("batch")->click();
    EXPECT_EQ(w.batchSetupPage()->model().list().row(0).text, "222222#ST:000041#");

    // Its own entry edited: the new passwords are used from now on.
    fillBook(p, "000001", "0111111111", "777777", "888888");
    p->gsmEditButton()->click();
    EXPECT_EQ(book.CurrentGsmEntry().id, "000001");
    EXPECT_EQ(book.CurrentGsmEntry().setupPassword, "888888");

    // Deleting another entry asks, and changes nothing for the logger.
    sink.clear();
    fillBook(p, "000002", "0222222222", "555555", "666666");
    p->gsmDeleteButton()->click();
    EXPECT_EQ(sink.questions, QStringList{"Delete logger 000002 from the phone book?"});
    EXPECT_FALSE(book.GsmIdExists("000002"));
    EXPECT_EQ(book.CurrentGsmEntry().id, "000001");

    // Its own entry cannot be deleted while connected.
    sink.clear();
    fillBook(p, "000001", "0111111111", "777777", "888888");
    p->gsmDeleteButton()->click();
    EXPECT_EQ(sink.texts(),
              QStringList{"Logger 000001 is connected. Disconnect it before deleting its phone book entry."});
    EXPECT_TRUE(sink.questions.isEmpty());
    EXPECT_TRUE(book.GsmIdExists("000001"));
}

TEST_F(TrustFixture, WithNothingConnectedEditMakesTheEntryCurrentAndDeleteAsks)
{
    MainWindow w(ModelOrvelA);
    PhoneBookPage *p = w.phoneBookPage();
    PhoneBook &book = w.session().phoneBook();
    book.SelectGsmEntry("000001");
    fillBook(p, "000002", "0222222222", "555555", "666666");
    p->gsmEditButton()->click();
    EXPECT_EQ(book.CurrentGsmEntry().id, "000002");
    EXPECT_EQ(book.CurrentGsmEntry().setupPassword, "666666");

    sink.answer = false; // "No" keeps the entry
    p->gsmDeleteButton()->click();
    EXPECT_EQ(sink.questions.size(), 1);
    EXPECT_TRUE(book.GsmIdExists("000002"));
    sink.answer = true;
    p->gsmDeleteButton()->click();
    EXPECT_FALSE(book.GsmIdExists("000002"));
}

// --- 3. Closing asks while something is open -----------------------------

TEST_F(TrustFixture, ClosingAsksWhileALinkIsOpen)
{
    {
        // Nothing open: Esc closes as before, without a question.
        MainWindow w(ModelOrvelA);
        w.show();
        pressKey(w.portList()->lineEdit(), Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
        EXPECT_TRUE(sink.questions.isEmpty());
    }
    struct Case {
        const char *how;
        bool answer;
    };
    for (const Case &c : {Case{"esc", false}, Case{"close", false}, Case{"exit", false}, Case{"esc", true},
                          Case{"close", true}}) {
        SCOPED_TRACE(c.how);
        MainWindow w(ModelOrvelA);
        w.show();
        connectFake(w);
        sink.clear();
        sink.answer = c.answer;
        if (QByteArray(c.how) == "esc")
            pressKey(w.portList()->lineEdit(), Qt::Key_Escape);
        else if (QByteArray(c.how) == "close")
            w.close();
        else
            w.reject(); // File > Exit
        EXPECT_EQ(sink.questions, QStringList{"Disconnect and close KASPEN Setup?"});
        EXPECT_EQ(w.isVisible(), !c.answer);
    }
    // File > Exit is in the menu.
    MainWindow w(ModelOrvelA);
    QStringList actions;
    for (QAction *a : w.findChildren<QAction *>())
        actions << a->text();
    EXPECT_TRUE(actions.contains("E&xit"));
}

// --- 4. Typed values are marked and a read asks first ----------------------

TEST_F(TrustFixture, UnsentEditsAreMarkedAndAReadAsksFirst)
{
    MainWindow w(ModelOrvelA);
    w.show();
    test::FakeLine *line = connectFake(w);
    w.settingsSheet()->setEnabled(true);
    w.settingsSheet()->setCurrentIndex(0);
    auto *station = w.deviceSetupPage()->findChild<QLineEdit *>("stationId");
    auto *logging = w.deviceSetupPage()->findChild<QComboBox *>("loggingInterval");
    ASSERT_TRUE(station && logging);
    ui::UnsentEdits *unsent = w.unsentEdits();

    station->setFocus();
    typeInto(station, "000042");
    EXPECT_EQ(station->text(), "000042");
    EXPECT_TRUE(unsent->isMarked(station));
    EXPECT_TRUE(station->accessibleDescription().contains("Changed, not set yet"));
    logging->setCurrentIndex(2); // as a choice from the list or a screen reader's
    EXPECT_TRUE(unsent->isMarked(logging));
    saveShot(w, "trust-unsent.png");

    // Enter in the field runs "#1": it asks, naming the fields; No keeps them.
    sink.answer = false;
    const qsizetype before = line->written.size();
    pressKey(station, Qt::Key_Return);
    ASSERT_EQ(sink.questions.size(), 1);
    EXPECT_TRUE(sink.questions[0].contains("Station ID")) << sink.questions[0].toStdString();
    EXPECT_TRUE(sink.questions[0].contains("Data Logging Interval"));
    EXPECT_EQ(line->written.size(), before);
    EXPECT_EQ(station->text(), "000042");

    // The station ID set successfully: its mark goes, the other stays.
    auto *setStation = w.deviceSetupPage()->findChild<QPushButton *>("setStationId");
    setStation->click();
    ASSERT_GT(line->written.size(), before);
    EXPECT_TRUE(line->written.last().contains("#ST:000042#"));
    answer(w, line, "Set success!");
    EXPECT_FALSE(unsent->isMarked(station));
    EXPECT_TRUE(station->accessibleDescription().isEmpty());
    EXPECT_TRUE(unsent->isMarked(logging));

    // Yes: the read goes out and its reply replaces the marked values.
    sink.clear();
    sink.answer = true;
    w.button("read1")->click();
    EXPECT_EQ(sink.questions.size(), 1);
    EXPECT_TRUE(line->written.last().contains("#CHEACK1#"));
    answer(w, line, "#STC1:000007;TM:2403051407;PS:111111,222222;SA:1;SD:12,0,1;CP:0123,9;AP8:888;ER:00;XH:23;#");
    EXPECT_FALSE(unsent->isMarked(logging));
    EXPECT_TRUE(unsent->marked(w.deviceSetupPage()).isEmpty());

    // With nothing marked, a read asks nothing.
    sink.clear();
    w.button("read1")->click();
    EXPECT_TRUE(sink.questions.isEmpty());
    stopExchange(w);
}

// --- 5. What a screen reader hears -----------------------------------------

namespace {
QList<QAccessible::Event> g_events;
QObject *g_watched = nullptr;
void recordEvent(QAccessibleEvent *e)
{
    if (e->object() == g_watched)
        g_events << e->type();
}
} // namespace

TEST_F(TrustFixture, TheResultIsTextAndAnnouncedAndCombosAreNamedByTheirLabel)
{
    MainWindow w(ModelOrvelA);
    w.show();
    test::FakeLine *line = connectFake(w);

    QAccessible::setActive(true);
    g_watched = w.statusText();
    g_events.clear();
    const auto previous = QAccessible::installUpdateHandler(recordEvent);

    w.button("read1")->click();
    answer(w, line, "Password is error!");
    QAccessibleInterface *status = QAccessible::queryAccessibleInterface(w.statusText());
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(QAccessible::Name), "Status");
    EXPECT_EQ(status->text(QAccessible::Value), "Password Error");
    ASSERT_NE(status->textInterface(), nullptr);
    EXPECT_EQ(status->textInterface()->text(0, -1), "Password Error");
    EXPECT_EQ(status->textInterface()->characterCount(), QString("Password Error").size());
    if (QAccessible::isActive()) {
        EXPECT_TRUE(g_events.contains(QAccessible::TextUpdated));
        EXPECT_TRUE(g_events.contains(QAccessible::ValueChanged));
    }
    QAccessible::installUpdateHandler(previous);
    g_watched = nullptr;

    // Every combo box of the window is named by its label, its entry is the value.
    int combos = 0;
    for (QComboBox *c : w.findChildren<QComboBox *>()) {
        QAccessibleInterface *i = QAccessible::queryAccessibleInterface(c);
        ASSERT_NE(i, nullptr);
        EXPECT_FALSE(c->accessibleName().isEmpty()) << c->objectName().toStdString();
        EXPECT_EQ(i->text(QAccessible::Name), c->accessibleName()) << c->objectName().toStdString();
        ++combos;
    }
    EXPECT_GT(combos, 3);
    auto *logging = w.deviceSetupPage()->findChild<QComboBox *>("loggingInterval");
    logging->setCurrentIndex(2);
    QAccessibleInterface *i = QAccessible::queryAccessibleInterface(logging);
    EXPECT_EQ(i->text(QAccessible::Name), "Data Logging Interval");
    EXPECT_EQ(i->text(QAccessible::Value), logging->currentText());
    EXPECT_EQ(i->role(), QAccessible::ComboBox);

    // Icon-only buttons say what they do ("Set Station ID", "Calibrate Humidity").
    for (SetButtonWidget *b : w.findChildren<SetButtonWidget *>()) {
        EXPECT_TRUE(b->toolTip().startsWith("Set ") || b->toolTip().startsWith("Calibrate "))
            << b->objectName().toStdString();
        EXPECT_EQ(b->toolTip(), b->accessibleName());
    }
}

// --- Batch runs: confirmation, progress, Cancel, no stuck exchange --------

TEST_F(TrustFixture, BatchRunAsksShowsProgressAndCancelStopsAfterTheCurrentRow)
{
    MainWindow w(ModelOrvelA);
    w.show();
    test::FakeLine *line = connectFake(w);
    w.settingsSheet()->setEnabled(true); // as after the logger's first status record
    BatchSetupPage *page = w.batchSetupPage();
    BatchSetupModel &batch = page->model();
    batch.setResultDelayMs(0);
    w.session().batchTable().replaceAll(
        {{11002, "222222#ST:000041#"}, {11003, "222222#SA:2#"}, {11004, "222222#SD:12,0,1#"}, {11005, "222222#PL:1#"}});
    w.button("batch")->click();
    ASSERT_EQ(batch.list().rowCount(), 4);

    // "No" sends nothing.
    sink.answer = false;
    EXPECT_FALSE(batch.startBatchRun(true));
    EXPECT_EQ(sink.questions, QStringList{"Send 4 settings to logger 000001 on RS232?"});
    EXPECT_TRUE(line->written.isEmpty());

    sink.clear();
    sink.answer = true;
    page->batchSetupButton()->click();
    EXPECT_EQ(sink.questions.size(), 1);
    // The first row goes out: "Row 1 of 4", with Cancel.
    QDeadlineTimer d(5000);
    while (!d.hasExpired() && !w.model().exchange().running())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(line->written.size(), 1);
    EXPECT_EQ(page->runLabel()->text(), "Row 1 of 4");
    EXPECT_FALSE(page->cancelButton()->isHidden());
    EXPECT_EQ(page->runProgressBar()->value(), 1);
    EXPECT_EQ(page->runProgressBar()->maximum(), 4);
    EXPECT_EQ(w.statusLine()->runText(), "Row 1 of 4");

    line->reply("Set success!");
    // The reply comes once row 2's exchange has started, as over a cable.
    d = QDeadlineTimer(5000);
    while (!d.hasExpired() && (line->written.size() < 2 || !w.model().exchange().running()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(line->written.size(), 2);
    EXPECT_EQ(page->runLabel()->text(), "Row 2 of 4");
    w.selectTopTab(1);
    w.settingsSheet()->setCurrentIndex(7);
    saveShot(w, "trust-batch-run.png");

    // Cancel: row 2 still gets its result, rows 3 and 4 are not sent.
    page->cancelButton()->click();
    line->reply("Set success!");
    d = QDeadlineTimer(5000);
    while (!d.hasExpired() && (batch.running() || w.model().exchange().running() || !page->cancelButton()->isHidden()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    spin(50);
    EXPECT_EQ(line->written.size(), 2);
    QStringList statuses;
    for (int r = 0; r < batch.list().rowCount(); ++r)
        statuses << batch.list().row(r).status;
    EXPECT_EQ(statuses, (QStringList{"Command Success", "Command Success", "Not sent", "Not sent"}));
    EXPECT_TRUE(page->cancelButton()->isHidden());
    EXPECT_TRUE(w.statusLine()->runText().isEmpty());
    EXPECT_TRUE(page->batchSetupButton()->isEnabled());
    EXPECT_FALSE(w.session().serialRecord().inProgress);
}

TEST_F(TrustFixture, AStoppedRunLeavesNoExchangeOpen)
{
    MainWindow w(ModelOrvelA);
    w.show();
    test::FakeLine *line = connectFake(w);
    BatchSetupModel &batch = w.batchSetupPage()->model();
    batch.setResultDelayMs(0);
    w.session().batchTable().replaceAll({{11002, "222222#ST:000041#"}, {11003, "222222#SA:2#"}, {11004, "222222#PL:1#"}});
    w.button("batch")->click();
    batch.startBatchRun();
    QDeadlineTimer d(5000);
    while (!d.hasExpired() && !w.model().exchange().running())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(w.model().exchange().running());

    // The line goes away while the first row waits for its reply.
    line->lose();
    d = QDeadlineTimer(3000);
    while (!d.hasExpired() && (w.model().exchange().running() || batch.running()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(w.model().exchange().running());
    EXPECT_FALSE(w.session().serialRecord().inProgress);
    EXPECT_FALSE(batch.running());
    for (int r = 0; r < batch.list().rowCount(); ++r)
        EXPECT_NE(batch.list().row(r).status, "Command Sending") << r;
    EXPECT_EQ(batch.list().row(0).status, "Connection Error");
    EXPECT_TRUE(batch.batchButtonsEnabled());

    // Init is not refused as "in progress" any more.
    sink.clear();
    test::FakeLine *again = connectFake(w);
    Q_UNUSED(again);
    sink.answer = false; // the Init question is enough
    w.button("init")->click();
    EXPECT_FALSE(sink.texts().contains("Command is Progress , Don't Disconnect!"));
    ASSERT_EQ(sink.questions.size(), 1);
    EXPECT_TRUE(sink.questions[0].startsWith("Please confirm to initialize the device."));
    EXPECT_TRUE(sink.questions[0].contains("Logger 000001 on RS232")) << sink.questions[0].toStdString();
    // The number it names is the number of rows the default file lists.
    ASSERT_TRUE(batch.loadDefaultFile(ModelOrvelA));
    EXPECT_TRUE(sink.questions[0].endsWith(
        QString("Logger 000001 on RS232: %1 settings from ORVEL-A.cfg are written.").arg(batch.list().rowCount())))
        << sink.questions[0].toStdString();
}

// --- Status bar, remembered choices, window size ---------------------------

TEST_F(TrustFixture, StatusBarFollowsLinkLoggerAndResult)
{
    MainWindow w(ModelOrvelA);
    w.show();
    ui::StatusLine *bar = w.statusLine();
    EXPECT_EQ(bar->linkText(), "RS232");
    EXPECT_EQ(bar->placeText(), "Not connected");
    test::FakeLine *line = connectFake(w);
    emit w.model().serialStateChanged(true);
    EXPECT_EQ(bar->placeText(), "Port fake");
    EXPECT_EQ(bar->loggerText(), "Logger 000001");
    w.button("read1")->click();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    // While the reply is awaited, its time-out counts down.
    EXPECT_TRUE(bar->resultText().startsWith("Command in progress, time-out in ")) << bar->resultText().toStdString();
    answer(w, line, "Password is error!");
    EXPECT_TRUE(bar->resultText().startsWith("Password Error at ")) << bar->resultText().toStdString();
    EXPECT_EQ(w.statusText()->text(), "Password Error");
}

TEST_F(TrustFixture, LastChoicesAreRemembered)
{
    {
        // A first start: nothing chosen, as before.
        ModelSelectDialog d;
        EXPECT_EQ(d.modelCode(), 0);
        d.radio(ModelOrvelB)->click();
        d.accept();
    }
    {
        ModelSelectDialog d;
        EXPECT_EQ(d.modelCode(), ModelOrvelB);
        EXPECT_TRUE(d.radio(ModelOrvelB)->isChecked());
    }
    {
        MainWindow w(ModelOrvelA);
        EXPECT_EQ(w.session().link(), LinkRs232);
        w.gsmRadio()->click();
        w.portList()->setEditText(demoPortName());
        w.connectButton()->click();
        ASSERT_TRUE(w.model().serialOpen());
        w.connectButton()->click();
    }
    MainWindow w(ModelOrvelA);
    EXPECT_EQ(w.session().link(), LinkGsmModem);
    EXPECT_TRUE(w.gsmRadio()->isChecked());
    EXPECT_EQ(w.portList()->currentText(), demoPortName());
    EXPECT_EQ(ui::prefs::lastBaud(ModelOrvelA), 9600);
    // ORVEL-B keeps its own choice.
    MainWindow b(ModelOrvelB);
    EXPECT_EQ(b.session().link(), LinkEthernet);
}

// --- The window on the screen ----------------------------------------------

namespace {

QString shotDir(QTemporaryDir &fallback)
{
    const QByteArray dir = qgetenv("KASPEN_SCREENSHOT_DIR");
    return dir.isEmpty() ? fallback.path() : QString::fromLocal8Bit(dir);
}

QPalette darkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 48));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(30, 30, 32));
    p.setColor(QPalette::AlternateBase, QColor(50, 50, 54));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::Button, QColor(60, 60, 64));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
    p.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    p.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(130, 130, 130));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(130, 130, 130));
    return p;
}

// The buttons of the Read Parameters group are never squeezed below their text.
void expectButtonsFit(MainWindow &w)
{
    for (const char *name : {"read1", "read2", "read3", "status", "clear", "ver", "batch", "init"}) {
        QPushButton *b = w.button(name);
        if (!b->isVisible())
            continue;
        EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text().trimmed())) << name;
    }
}

} // namespace

TEST(TrustScreen, MainWindowAtFullHdStretchesItsTables)
{
    QTemporaryDir tmp;
    MainWindow w(ModelOrvelA);
    w.applyScreenSize(QSize(1920, 1080));
    EXPECT_EQ(w.size(), QSize(1632, 918));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    w.show();
    w.resize(1632, 918);
    w.selectTopTab(1);
    w.settingsSheet()->setCurrentIndex(7);
    QCoreApplication::processEvents();
    EXPECT_GT(w.settingsSheet()->width(), 1500);
    EXPECT_GT(w.batchSetupPage()->listView()->width(), 1400);
    expectButtonsFit(w);
    const QImage shot = w.grab().toImage();
    EXPECT_EQ(shot.size(), w.size() * w.devicePixelRatio());
    EXPECT_TRUE(shot.save(QDir(shotDir(tmp)).filePath("trust-1920x1080.png")));
    w.settingsSheet()->setCurrentIndex(0);
    QCoreApplication::processEvents();
    w.grab().save(QDir(shotDir(tmp)).filePath("trust-1920x1080-device.png"));
}

TEST(TrustScreen, MainWindowInADarkPalette)
{
    QTemporaryDir tmp;
    const QPalette before = QApplication::palette();
    QApplication::setPalette(darkPalette());
    {
        MainWindow w(ModelOrvelA);
        w.applyScreenSize(QSize(1920, 1080));
        w.show();
        w.settingsSheet()->setCurrentIndex(0);
        QCoreApplication::processEvents();
        // The window takes the system's colours: light text on a dark ground.
        EXPECT_GT(w.statusText()->palette().color(QPalette::WindowText).lightness(), 150);
        EXPECT_LT(w.palette().color(QPalette::Window).lightness(), 80);
        EXPECT_LT(w.deviceSetupPage()->findChild<QLineEdit *>("stationId")->palette().color(QPalette::Base).lightness(), 80);
        EXPECT_TRUE(w.grab().save(QDir(shotDir(tmp)).filePath("trust-dark.png")));
        // The batch list takes the dark grounds too.
        w.session().batchTable().replaceAll({{11002, "222222#ST:000041#"}, {11003, "222222#SA:2#"}});
        w.batchSetupPage()->handleMessage({msg::BatchNotice, ToBatchSetup, 1, {}, 0});
        w.settingsSheet()->setCurrentIndex(7);
        QAbstractItemModel *list = w.batchSetupPage()->listView()->model();
        ASSERT_EQ(list->rowCount(), 2);
        for (int r = 0; r < 2; ++r) {
            EXPECT_LT(list->index(r, 1).data(Qt::BackgroundRole).value<QBrush>().color().lightness(), 100) << r;
            EXPECT_GT(list->index(r, BatchListModel::ColObject).data(Qt::ForegroundRole).value<QBrush>().color().lightness(), 150) << r;
        }
        w.grab().save(QDir(shotDir(tmp)).filePath("trust-dark-batch.png"));
    }
    QApplication::setPalette(before);
}

TEST(TrustScreen, MainWindowAtTwoHundredPercent)
{
    if (qgetenv("QT_SCALE_FACTOR") == "2") {
        // The child run: the window at 200 %.
        QTemporaryDir tmp;
        MainWindow w(ModelOrvelA);
        w.applyScreenSize(QSize(1920, 1080) / 2);
        w.show();
        w.settingsSheet()->setCurrentIndex(0);
        QCoreApplication::processEvents();
        EXPECT_EQ(w.devicePixelRatio(), 2);
        expectButtonsFit(w);
        const QImage shot = w.grab().toImage();
        EXPECT_EQ(shot.size(), w.size() * 2);
        EXPECT_TRUE(shot.save(QDir(shotDir(tmp)).filePath("trust-200.png")));
        return;
    }
    QTemporaryDir tmp;
    QProcess self;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_SCALE_FACTOR", "2");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_QPA_OFFSCREEN_SCREEN_SIZE", "1920x1080"); // ignored where unknown
    if (!env.contains("KASPEN_SCREENSHOT_DIR"))
        env.insert("KASPEN_SCREENSHOT_DIR", tmp.path());
    self.setProcessEnvironment(env);
    self.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=TrustScreen.MainWindowAtTwoHundredPercent"});
    ASSERT_TRUE(self.waitForFinished(120000));
    EXPECT_EQ(self.exitCode(), 0) << self.readAllStandardOutput().toStdString();
    EXPECT_TRUE(QFile::exists(QDir(env.value("KASPEN_SCREENSHOT_DIR")).filePath("trust-200.png")));
}
