// The batch list: rebuilding from the batch command table, the current
// password, the GSM band entry, the Status column width, colours.

#include "pages/batch/BatchList.h"
#include "pages/batch/BatchSetupModel.h"
#include "support/BatchFixture.h"

#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::BatchFixture;

namespace {

struct PasswordCase {
    const char *recorded;
    const char *pw;
    const char *shown;
};

TEST(BatchListPassword, RecordedTextsTakeTheCurrentPassword)
{
    const PasswordCase cases[] = {
        {"111111#ST:000041#", "222222", "222222#ST:000041#"},
        {"222222#ST:000041#", "222222", "222222#ST:000041#"},             // already current
        {"111111#PS:333333,444444#", "222222", "222222#PS:333333,444444#"}, // new passwords intact
        {"111111#PS:111111,111111#", "222222", "222222#PS:111111,111111#"},
        // The password is replaced where a command starts, never inside a value.
        {"000000#LP1:00000000#", "123456", "123456#LP1:00000000#"},
        {"000000#OC1:00000000000000000000000000#", "123456", "123456#OC1:00000000000000000000000000#"},
        {"111111#ST:000001#111111#TM:2403051407#", "222222", "222222#ST:000001#222222#TM:2403051407#"},
        {"111111#AP1:0111111!#", "222222", "222222#AP1:0111111!#"},
        {"111111#SA:1#", "", "111111#SA:1#"}, // no current entry: as recorded
    };
    for (const auto &c : cases)
        EXPECT_EQ(withCurrentPassword(c.recorded, c.pw), QByteArray(c.shown)) << c.recorded;
}

TEST(BatchListRebuild, RowsInCodeOrderWithDescriptionAndHiddenColumns)
{
    BatchListModel list;
    list.rebuild({{11002, "111111#ST:000041#"}, {11005, "111111#SA:1#"}, {12000, ""}}, "222222", false, true);
    ASSERT_EQ(list.rowCount(), 2); // the empty text is left out
    EXPECT_EQ(list.row(0).number, "01");
    EXPECT_EQ(list.row(1).number, "02");
    EXPECT_EQ(list.row(0).text, "222222#ST:000041#");
    EXPECT_EQ(list.data(list.index(0, BatchListModel::ColCode), Qt::DisplayRole).toString(), "11002");
    EXPECT_EQ(list.row(1).object, "Data Logging Interval");
    EXPECT_EQ(list.row(1).parameters, "05 Minute");
    EXPECT_TRUE(list.row(0).checked);
    EXPECT_EQ(list.data(list.index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    EXPECT_EQ(list.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Status");
    EXPECT_EQ(list.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "");
    EXPECT_EQ(list.headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(), "Parameters");
}

TEST(BatchListRebuild, StatusWidthNarrowsFromThe32ndRowAndWidensBelow30)
{
    BatchListModel list;
    std::vector<std::pair<int, QByteArray>> entries;
    for (int i = 0; i < 31; ++i)
        entries.emplace_back(20001 + i, "111111#TD1:0001#");
    list.rebuild(entries, "111111", false, true);
    EXPECT_EQ(list.statusWidth(), 200);
    entries.emplace_back(20100, "111111#TD2:0002#");
    list.rebuild(entries, "111111", false, true);
    EXPECT_EQ(list.rowCount(), 32);
    EXPECT_EQ(list.statusWidth(), 185);
    list.removeRowList({0, 1});
    EXPECT_EQ(list.statusWidth(), 185); // 30 rows left
    list.removeRowList({5});
    EXPECT_EQ(list.statusWidth(), 200); // 29
    list.rebuild(entries, "111111", false, true);
    EXPECT_EQ(list.statusWidth(), 185);
    list.clearRows(); // Buffer Clear
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.statusWidth(), 200);
}

TEST(BatchListColours, RowsAndStatusTexts)
{
    EXPECT_EQ(batchRowBackground(0), 0xFFFFFFu);
    EXPECT_EQ(batchRowBackground(1), 0xE6EBEBu);
    EXPECT_EQ(batchRowBackground(2), 0xFFFFFFu);
    const std::pair<const char *, unsigned> statuses[] = {
        {"Command Success", batchcolour::Green}, {"Command Fail ", batchcolour::Red},
        {"Password Error", batchcolour::Red},    {"Data Error", batchcolour::Red},
        {"Command Time Out", batchcolour::Blue}, {"Ready", batchcolour::Black},
        {"Command Sending", batchcolour::Black}, {"", batchcolour::Black},
        {"Command Send Fail", batchcolour::Red},
    };
    for (const auto &[text, colour] : statuses)
        EXPECT_EQ(batchStatusColour(QString::fromLatin1(text)), colour) << text;
}

TEST(BatchSetupModelList, BandEntryHiddenUntilTheBatchButtonWasUsed)
{
    BatchFixture f;
    const std::vector<std::pair<int, QByteArray>> entries = {{11005, "222222#SA:1#"}, {11008, "222222#PL:3#"}};
    f.session.batchTable().replaceAll(entries);
    f.model().handleMessage({msg::BatchNotice, ToBatchSetup, 1, {}, 0}); // start notice
    EXPECT_EQ(f.model().list().rowCount(), 1);
    f.model().handleMessage({msg::BatchNotice, ToBatchSetup, 1, {}, 1}); // Batch button
    EXPECT_TRUE(f.model().bandFlag());
    ASSERT_EQ(f.model().list().rowCount(), 2);
    EXPECT_EQ(f.model().list().row(1).object, "GSM Band Selection");
    f.model().handleMessage({msg::BatchNotice, ToBatchSetup, 1, {}, 0}); // the flag is never cleared
    EXPECT_EQ(f.model().list().rowCount(), 2);
}

TEST(BatchSetupModelList, GsmModemLinkEmptiesAndDisablesThePage)
{
    BatchFixture f;
    f.list({{11005, "222222#SA:1#"}});
    ASSERT_EQ(f.model().list().rowCount(), 1);
    f.model().handleMessage({msg::BatchNotice, ToBatchSetup, 0, {}, 0});
    EXPECT_EQ(f.model().list().rowCount(), 0);
    EXPECT_FALSE(f.model().batchButtonsEnabled());
    EXPECT_TRUE(f.model().bufferClearEnabled());
    f.model().handleMessage({msg::BatchNotice, ToBatchSetup, 0, {}, 1});
    EXPECT_TRUE(f.model().batchButtonsEnabled());
}

TEST(BatchSetupModelList, SelectDeselectDeleteAndBufferClearLeaveTheTable)
{
    BatchFixture f;
    f.list({{11002, "222222#ST:000001#"}, {11005, "222222#SA:1#"}, {11007, "222222#CP:!,0#"}});
    f.model().deselectAll();
    for (int r = 0; r < 3; ++r)
        EXPECT_FALSE(f.model().list().row(r).checked);
    f.model().selectAll();
    for (int r = 0; r < 3; ++r)
        EXPECT_TRUE(f.model().list().row(r).checked);
    EXPECT_TRUE(f.model().deleteRows({1}));
    ASSERT_EQ(f.model().list().rowCount(), 2);
    EXPECT_EQ(f.model().list().row(1).number, "03");
    f.model().bufferClear();
    EXPECT_EQ(f.model().list().rowCount(), 0);
    EXPECT_EQ(f.session.batchTable().size(), 3);
}

} // namespace
