#include "gui/MainWindow.h"
#include "gui/pages/DataRecordChart.h"
#include "gui/pages/DataRecordPage.h"
#include "pages/datarecord/DataRecordModel.h"
#include "support/FakeLine.h"
#include "support/PageFixture.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PageFixture;

namespace {

// A day of hourly records with humidity, three temperatures, a pulse count,
// the inputs and the relays.
QByteArray dayReply(int records)
{
    QList<QByteArray> hum, t1, t2, t3, p, k, o;
    for (int i = 0; i < records; ++i) {
        const double h = 55 + 12 * std::sin(i / 4.0);
        hum << QByteArray::number(h, 'f', 1);
        t1 << QByteArray::number(18 + 6 * std::sin((i - 6) / 3.8), 'f', 1);
        t2 << QByteArray::number(21 + 2 * std::cos(i / 5.0), 'f', 1);
        t3 << QByteArray::number(4 + 1.5 * std::sin(i / 2.0), 'f', 1);
        p << QByteArray::number(100 + 180 * i);
        k << (i % 6 == 2 ? "11000" : "10000");
        o << (i % 8 < 3 ? "10" : "00");
    }
    return "#STD:000001,ORV-A;L:999;D:4;T:" + QByteArray::number(records) + ";TM:260305000000;A00:" + hum.join('|')
        + ";A07:" + t3.join('|') + ";A13:" + t1.join('|') + ";A14:" + t2.join('|') + ";P01:" + p.join('|')
        + ";K01:" + k.join('|') + ";O01:" + o.join('|') + ";#";
}

} // namespace

TEST(DataRecordPage, QueryFillsListAndChartScreenshot)
{
    PageFixture f(ModelOrvelA);
    DataRecordPage page(f.session);
    page.resize(1000, 520);
    for (QWidget *w : {static_cast<QWidget *>(page.queryDate()), static_cast<QWidget *>(page.hourList()),
                       static_cast<QWidget *>(page.minuteList()), static_cast<QWidget *>(page.countList()),
                       static_cast<QWidget *>(page.startDate()), static_cast<QWidget *>(page.endDate()),
                       static_cast<QWidget *>(page.perRequestList()), static_cast<QWidget *>(page.filePath())})
        EXPECT_FALSE(w->accessibleName().isEmpty());
    EXPECT_EQ(page.hourList()->count(), 24);
    EXPECT_EQ(page.minuteList()->count(), 60);
    EXPECT_EQ(page.retrieveButton()->accessibleName(), QStringLiteral("Retrieve"));

    page.queryDate()->setDate(QDate(2026, 3, 5));
    page.hourList()->setCurrentIndex(0);
    page.minuteList()->setCurrentIndex(0);
    page.countList()->setCurrentIndex(page.countList()->findText("24"));
    page.queryButton()->click();
    EXPECT_EQ(f.lastWritten(), "111111#REDEEM260305000024#");
    page.handleMessage({msg::DataRecords, ToDataRecord, 0, dayReply(24), 0});
    ASSERT_EQ(page.list()->rowCount(), 24);
    EXPECT_EQ(page.list()->columnCount(), 5 + 5 + 5 + 2);
    EXPECT_EQ(page.list()->horizontalHeaderItem(6)->text(), QStringLiteral("Temperature_3"));
    EXPECT_EQ(page.list()->columnWidth(6), 100);
    EXPECT_EQ(page.list()->item(23, 4)->text(), QStringLiteral("23:00:00"));

    const QList<QLineSeries *> series = page.chart()->seriesList();
    QStringList names;
    for (QLineSeries *s : series)
        names << s->name();
    EXPECT_EQ(names, (QStringList{"Humidity", "Temperature_3", "Temperature_1", "Temperature_2", "K00", "K01", "K02",
                                  "K03", "K04", "O01", "O02"}));
    EXPECT_EQ(series.first()->count(), 24);
    EXPECT_GT(series.at(5)->count(), 24); // steps: two points per change of time

    page.show();
    const QString out = QStringLiteral(KASPEN_BUILD_DIR "/screenshots");
    QDir().mkpath(out);
    EXPECT_TRUE(page.grab().save(out + "/data_record_list.png"));
    page.views()->setCurrentIndex(1);
    EXPECT_TRUE(page.grab().save(out + "/data_record_chart.png"));

    // Export through the page.
    QTemporaryDir dir;
    page.setCsvChooser([&] { return dir.filePath("day.csv"); });
    page.exportButton()->click();
    QFile csv(dir.filePath("day.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readLine().startsWith("Count,Header,Station ID,Date,Time,Humidity,"));
    EXPECT_TRUE(csv.readLine().startsWith("1,STD,000001,2026-03-05,00:00:00,55.0,"));
}

TEST(DataRecordPage, DownloadWindowShowsProgressAndCancelKeepsTheFile)
{
    PageFixture f(ModelOrvelA);
    DataRecordPage page(f.session);
    QTemporaryDir dir;
    const QString path = dir.filePath("d.txt");
    QString proposed;
    page.setSaveChooser([&](const QString &name) {
        proposed = name;
        return path;
    });
    const QDate today = QDate::currentDate();
    page.startDate()->setDate(today.addDays(-1));
    page.endDate()->setDate(today.addDays(-1));
    page.retrieve();
    EXPECT_EQ(proposed, QStringLiteral("000001_%1.txt").arg(today.addDays(-1).toString("yyMMdd")));
    EXPECT_EQ(page.filePath()->text(), path);
    DownloadStatusWindow *w = page.statusWindow();
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("File Download Status"));
    const QByteArray tm = today.addDays(-1).toString("yyMMdd").toLatin1();
    page.handleMessage({msg::DataRecords, ToDataRecord, 1, "#STD:000001;D:1;T:1;TM:" + tm + "000000;A00:1;#", 0});
    page.handleMessage({msg::DataRecords, ToDataRecord, 1, "#STD:000001;D:1;T:1;TM:" + tm + "000500;A00:2;#", 0});
    EXPECT_EQ(w->text()->text(), QStringLiteral("2\\288"));
    EXPECT_EQ(w->bar()->maximum(), 288);
    EXPECT_EQ(w->bar()->value(), 2);
    QDir().mkpath(QStringLiteral(KASPEN_BUILD_DIR "/screenshots"));
    EXPECT_TRUE(w->grab().save(QStringLiteral(KASPEN_BUILD_DIR "/screenshots/download_status.png")));
    w->cancelButton()->click();
    EXPECT_EQ(page.statusWindow(), nullptr);
    EXPECT_EQ(f.sink.last(), QStringLiteral("DownLoad Cancel Success!\n2 records saved in %1").arg(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("\r\n"), 2);

    // Closing the window ends a download too.
    page.retrieve();
    ASSERT_TRUE(page.statusWindow());
    page.statusWindow()->close();
    EXPECT_FALSE(page.model().downloadActive());
}

TEST(DataRecordPage, IsSheetPageSixAndGetsTheRepliesOfItsQuery)
{
    QTemporaryDir dir;
    test::emptyPhoneBook(dir.path());
    {
        PhoneBook book;
        book.AddGsmEntry("000001", "0123456789", "111111", "222222");
        book.SelectGsmEntry("000001");
    }
    test::RecordingSink sink;
    MainWindow w(ModelOrvelA);
    ASSERT_EQ(w.settingsSheet()->widget(6), w.dataRecordPage());
    EXPECT_EQ(w.settingsSheet()->tabText(6), QStringLiteral("  Data Record  "));
    auto line = std::make_unique<test::FakeLine>();
    test::FakeLine *raw = line.get();
    line->open();
    w.session().setSerialLine(std::move(line));
    w.session().setVerified(true);
    w.settingsSheet()->setEnabled(true); // as after the first status record
    DataRecordPage &page = *w.dataRecordPage();
    page.hourList()->setCurrentIndex(0);
    page.minuteList()->setCurrentIndex(0);
    page.countList()->setCurrentIndex(page.countList()->findText("24"));
    page.queryButton()->click();
    ASSERT_FALSE(raw->written.isEmpty());
    EXPECT_TRUE(raw->written.last().contains("#REDEEM")) << raw->written.last().constData();
    raw->reply(dayReply(24)); // WM_USER+1, then WM_USER+14 to the page
    EXPECT_EQ(page.list()->rowCount(), 24);
    // A status record during the query: the live row.
    raw->reply("#STA:000001,ORV-A;L:50;D:4;T:1;TM:260305120000;A00:50.0;K01:10000;O01:00;#");
    EXPECT_EQ(page.list()->rowCount(), 1);
    EXPECT_EQ(page.list()->item(0, 1)->text(), QStringLiteral("STA"));
    test::emptyPhoneBook(dir.path());
}
