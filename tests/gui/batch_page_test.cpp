// The Batch Setup page's window, offscreen: columns, widths, colours, menus,
// buttons following the link and the run.

#include "gui/pages/BatchSetupPage.h"
#include "support/BatchFixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>

#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::BatchFixture;

namespace {

struct PageFixture : BatchFixture {
    PageFixture() : page(session)
    {
        page.model().setResultDelayMs(0);
        page.resize(900, 500);
        page.show();
    }
    void listOnPage(const std::vector<std::pair<int, QByteArray>> &entries, bool band = false)
    {
        session.batchTable().replaceAll(entries);
        page.handleMessage({msg::BatchNotice, ToBatchSetup, 1, {}, band ? 1 : 0});
    }
    BatchSetupPage page;
};

std::vector<std::pair<int, QByteArray>> rows(int n)
{
    std::vector<std::pair<int, QByteArray>> e;
    for (int i = 0; i < n; ++i)
        e.emplace_back(20001 + i, "222222#TD1:" + QByteArray::number(i).rightJustified(4, '0') + "#");
    return e;
}

TEST(BatchSetupPage, ColumnsHiddenColumnsAndStatusWidth)
{
    PageFixture f;
    f.listOnPage(rows(31));
    QTableView *v = f.page.listView();
    EXPECT_TRUE(v->isColumnHidden(2));
    EXPECT_TRUE(v->isColumnHidden(3));
    EXPECT_EQ(v->horizontalHeader()->sectionSize(0), 100);
    EXPECT_EQ(v->horizontalHeader()->sectionSize(1), 200);
    EXPECT_EQ(v->horizontalHeader()->sectionSize(4), 240);
    f.listOnPage(rows(32));
    EXPECT_EQ(v->horizontalHeader()->sectionSize(1), 185);
    f.page.bufferClearButton()->click();
    EXPECT_EQ(v->model()->rowCount(), 0);
    EXPECT_EQ(v->horizontalHeader()->sectionSize(1), 200);
}

TEST(BatchSetupPage, RowAndStatusColours)
{
    PageFixture f;
    f.listOnPage(rows(3));
    f.page.model().list().setStatus(0, QStringLiteral("Command Success"));
    f.page.model().list().setStatus(1, QStringLiteral("Command Time Out"));
    f.page.model().list().setStatus(2, QStringLiteral("Password Error"));
    QAbstractItemModel *m = f.page.listView()->model();
    auto bg = [&](int r) { return m->data(m->index(r, 0), Qt::BackgroundRole).value<QBrush>().color(); };
    auto fg = [&](int r, int c) { return m->data(m->index(r, c), Qt::ForegroundRole).value<QBrush>().color(); };
    EXPECT_EQ(bg(0), QColor(255, 255, 255));
    EXPECT_EQ(bg(1), QColor(230, 235, 235));
    EXPECT_EQ(fg(0, 1), QColor(0, 128, 0));
    EXPECT_EQ(fg(1, 1), QColor(0, 0, 255));
    EXPECT_EQ(fg(2, 1), QColor(255, 0, 0));
    EXPECT_EQ(fg(1, 2), QColor(230, 235, 235)); // hidden column in the row's colour
    EXPECT_EQ(fg(0, 4), QColor(0, 0, 0));
}

TEST(BatchSetupPage, MenusAndAccessibleNames)
{
    PageFixture f;
    QMenu *file = f.page.buildFileMenu();
    QStringList texts;
    for (QAction *a : file->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(texts, QStringList({"Open Configure File", "-", "Save Configure File"}));
    EXPECT_EQ(f.page.buildListMenu()->actions().first()->text(), "Delete");
    for (QWidget *w : {static_cast<QWidget *>(f.page.fileButton()), static_cast<QWidget *>(f.page.selectAllButton()),
                       static_cast<QWidget *>(f.page.deselectAllButton()), static_cast<QWidget *>(f.page.bufferClearButton()),
                       static_cast<QWidget *>(f.page.batchSetupButton()), static_cast<QWidget *>(f.page.autoStationIdBox())})
        EXPECT_FALSE(w->accessibleName().isEmpty());
    EXPECT_EQ(f.page.batchSetupButton()->accessibleName(), "Batch Setup");
    EXPECT_EQ(f.page.autoStationIdBox()->text(), "Auto Station ID");
}

TEST(BatchSetupPage, DeleteTakesTheSelectedRows)
{
    PageFixture f;
    f.listOnPage(rows(4));
    QTableView *v = f.page.listView();
    v->selectionModel()->select(v->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    v->selectionModel()->select(v->model()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    f.page.runMenuCommand(BatchSetupPage::DeleteRows);
    ASSERT_EQ(v->model()->rowCount(), 2);
    EXPECT_EQ(f.page.model().list().row(0).number, "01");
    EXPECT_EQ(f.page.model().list().row(1).number, "03");
    EXPECT_EQ(f.session.batchTable().size(), 4);
}

TEST(BatchSetupPage, ButtonsFollowTheLinkAndTheRun)
{
    PageFixture f;
    f.listOnPage(rows(2));
    f.page.handleMessage({msg::BatchNotice, ToBatchSetup, 0, {}, 0}); // GSM modem
    EXPECT_EQ(f.page.listView()->model()->rowCount(), 0);
    for (QPushButton *b : {f.page.batchSetupButton(), f.page.fileButton(), f.page.selectAllButton(), f.page.deselectAllButton()})
        EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
    EXPECT_TRUE(f.page.bufferClearButton()->isEnabled());
    f.page.handleMessage({msg::BatchNotice, ToBatchSetup, 0, {}, 1}); // RS232
    EXPECT_TRUE(f.page.batchSetupButton()->isEnabled());

    f.timing = [] { return kaspen::test::ResultTiming::Never; };
    f.listOnPage(rows(2));
    f.page.autoStationIdBox()->setChecked(true);
    EXPECT_TRUE(f.page.model().autoStationId());
    f.page.batchSetupButton()->click();
    EXPECT_TRUE(f.page.model().running());
    QDeadlineTimer guard(5000);
    while (f.page.batchSetupButton()->isEnabled() && !guard.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(f.page.batchSetupButton()->isEnabled()); // after the 500 ms tick
    EXPECT_FALSE(f.page.bufferClearButton()->isEnabled());
}

} // namespace

#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(BatchSetupPage, FileMenuSavesAndOpensThroughTheChooser)
{
    PageFixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath("page"); // ".cfg" is appended
    QList<bool> asked;
    f.page.setFileChooser([&](bool save) {
        asked << save;
        return save ? path : path + ".cfg";
    });
    // Nothing listed: Save asks for no file.
    f.page.runMenuCommand(BatchSetupPage::SaveConfigureFile);
    EXPECT_TRUE(asked.isEmpty());
    f.listOnPage({{11002, "222222#ST:000041#"}, {11005, "222222#SA:1#"}});
    f.page.runMenuCommand(BatchSetupPage::SaveConfigureFile);
    ASSERT_TRUE(QFile::exists(path + ".cfg"));
    f.session.batchTable().clear();
    f.page.bufferClearButton()->click();
    f.page.runMenuCommand(BatchSetupPage::OpenConfigureFile);
    EXPECT_EQ(asked, (QList<bool>{true, false}));
    ASSERT_EQ(f.page.listView()->model()->rowCount(), 2);
    EXPECT_EQ(f.page.listView()->model()->data(f.page.listView()->model()->index(0, 0), Qt::CheckStateRole).toInt(),
              int(Qt::Unchecked));
    EXPECT_EQ(f.session.batchTable().size(), 2);
    EXPECT_TRUE(f.sink.shown.isEmpty());
}

} // namespace
