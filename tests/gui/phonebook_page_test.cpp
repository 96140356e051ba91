#include "gui/pages/PhoneBookPage.h"

#include "records/PhoneBook.h"
#include "support/RecordingSink.h"

#include <QApplication>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaspen;

namespace {

void leave(QLineEdit *e)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(e, &out);
}

void type(QLineEdit *e, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(e, &press);
    }
}

QStringList column(const QTableWidget *t, int c)
{
    QStringList out;
    for (int r = 0; r < t->rowCount(); ++r)
        out << t->item(r, c)->text();
    return out;
}

class PhoneBookPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PhoneBook::setDirectory(dir.path());
        PhoneBook::resetSharedState();
    }
    void TearDown() override { PhoneBook::resetSharedState(); }
    void writeGsm(const QByteArray &records)
    {
        QFile f(PhoneBook::gsmBookPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<HEALTHCHECK>\r\n" + records + "</HEALTHCHECK>\r\n");
    }
    void fill(PhoneBookPage &p, const QString &id, const QString &phone, const QString &enq, const QString &setup)
    {
        p.idEdit()->setText(id);
        p.phoneEdit()->setText(phone);
        p.enquiryEdit()->setText(enq);
        p.setupEdit()->setText(setup);
    }

    QTemporaryDir dir;
    test::RecordingSink sink;
};

} // namespace

TEST_F(PhoneBookPageTest, ModelCodeChoosesTheStartingViewAndTheMessageSwitchesIt)
{
    PhoneBookPage orvelA(7), orvelB(13);
    auto gsmShown = [](PhoneBookPage &p) {
        return !p.gsmList()->isHidden() && !p.gsmAddButton()->isHidden() && !p.gsmEditButton()->isHidden()
               && !p.gsmDeleteButton()->isHidden() && p.ethernetList()->isHidden() && p.ethernetEditButton()->isHidden()
               && p.ethernetDeleteButton()->isHidden();
    };
    auto ethernetShown = [](PhoneBookPage &p) {
        return p.gsmList()->isHidden() && p.gsmAddButton()->isHidden() && p.gsmEditButton()->isHidden()
               && p.gsmDeleteButton()->isHidden() && !p.ethernetList()->isHidden() && !p.ethernetEditButton()->isHidden()
               && !p.ethernetDeleteButton()->isHidden();
    };
    EXPECT_TRUE(gsmShown(orvelA));
    EXPECT_TRUE(ethernetShown(orvelB));
    orvelB.switchView(0);
    EXPECT_TRUE(gsmShown(orvelB));
    orvelA.switchView(1);
    EXPECT_TRUE(ethernetShown(orvelA));
    EXPECT_EQ(orvelA.view(), PhoneBookView::Ethernet);

    // Labels, as accessible names and texts.
    EXPECT_EQ(orvelA.fieldsBox()->title(), "Connection No                    Phone Number                   Enquiry Password"
                                           "              Setup Password");
    EXPECT_EQ(orvelA.idEdit()->accessibleName(), "Connection No");
    EXPECT_EQ(orvelA.phoneEdit()->accessibleName(), "Phone Number");
    EXPECT_EQ(orvelA.enquiryEdit()->accessibleName(), "Enquiry Password");
    EXPECT_EQ(orvelA.setupEdit()->accessibleName(), "Setup Password");
    EXPECT_EQ(orvelA.gsmAddButton()->text(), "Add");
    EXPECT_EQ(orvelA.ethernetDeleteButton()->accessibleName(), "Delete");
    EXPECT_EQ(orvelA.ethernetList()->horizontalHeaderItem(5)->text(), "Device MAC Address");
    EXPECT_EQ(orvelA.gsmList()->columnCount(), 4);
}

TEST_F(PhoneBookPageTest, FieldChecksOnLeavingAndOnChange)
{
    PhoneBookPage page(7);
    struct Case {
        QLineEdit *edit;
        QString typed;
        QString after;
        QStringList messages;
    };
    const std::vector<Case> cases = {
        {page.idEdit(), "12", "000012", {}},
        {page.idEdit(), "", "", {}},
        {page.idEdit(), "123456", "123456", {}},
        {page.idEdit(), "12ab34", "001234", {}},       // digits only
        {page.idEdit(), "12345678", "123456", {}},     // at most six
        {page.phoneEdit(), "+4912345", "+4912345", {}},
        {page.phoneEdit(), "12+3", "", {"PhoneNumber is error !"}},
        {page.phoneEdit(), "", "", {}},
        {page.phoneEdit(), "12345678901234567890", "", {"Phone Number over 19 Number!"}},
        {page.enquiryEdit(), "12345", "", {"GSM Quiry Password Is 6 Number!"}},
        {page.enquiryEdit(), "123456", "123456", {}},
        {page.enquiryEdit(), "", "", {}},
        {page.setupEdit(), "1", "", {"GSM Setup Password Is 6 Number!"}},
        {page.setupEdit(), "65x4321", "654321", {}},
    };
    for (const auto &c : cases) {
        c.edit->clear();
        sink.clear();
        type(c.edit, c.typed);
        leave(c.edit);
        EXPECT_EQ(c.edit->text(), c.after) << c.edit->accessibleName().toStdString() << " " << c.typed.toStdString();
        EXPECT_EQ(sink.texts(), c.messages) << c.edit->accessibleName().toStdString() << " " << c.typed.toStdString();
    }
}

TEST_F(PhoneBookPageTest, ButtonsRefuseEmptyFieldsWithTheirMessages)
{
    PhoneBookPage page(7);
    struct Case {
        int view;
        QPushButton *button;
        QStringList fields;
        QString message;
    };
    const std::vector<Case> cases = {
        {0, page.gsmAddButton(), {"", "", "", ""}, "GSM ID Is Null!"},
        {0, page.gsmEditButton(), {"000001", "", "", ""}, "GSM Phone Number Is Null!"},
        {0, page.gsmDeleteButton(), {"000001", "1", "", ""}, "GSM Qudry Password Is Null!"},
        {0, page.gsmAddButton(), {"000001", "1", "111111", ""}, "GSM Setup Password Is Null!"},
        {1, page.ethernetEditButton(), {"", "1", "1", "1"}, "Connect ID Is Null!"},
        {1, page.ethernetDeleteButton(), {"000001", "", "", ""}, "GSM Phone Number Is Null!"},
        {1, page.ethernetEditButton(), {"000001", "1", "", ""}, "Quiry Password Is Null!"},
        {1, page.ethernetDeleteButton(), {"000001", "1", "111111", ""}, "Setup Password Is Null!"},
    };
    for (const auto &c : cases) {
        page.switchView(c.view);
        fill(page, c.fields[0], c.fields[1], c.fields[2], c.fields[3]);
        sink.clear();
        c.button->click();
        EXPECT_EQ(sink.texts(), QStringList{c.message}) << c.message.toStdString();
    }
    EXPECT_FALSE(QFile::exists(PhoneBook::gsmBookPath()));
    EXPECT_FALSE(QFile::exists(PhoneBook::ethernetBookPath()));
}

TEST_F(PhoneBookPageTest, AddEditDeleteAndSelect)
{
    PhoneBookPage page(7);
    PhoneBook pb;
    fill(page, "000001", "+491", "111111", "222222");
    page.gsmAddButton()->click();
    fill(page, "000002", "+492", "333333", "444444");
    page.gsmAddButton()->click();
    EXPECT_EQ(column(page.gsmList(), 0), (QStringList{"000002", "000001"})); // new records on top
    EXPECT_TRUE(sink.shown.isEmpty());

    page.gsmAddButton()->click();
    EXPECT_EQ(sink.texts(), QStringList{"The ID is exist !"});
    sink.clear();

    // Selecting a row fills the edits; an empty selection empties them.
    page.gsmList()->selectRow(1);
    EXPECT_EQ(page.idEdit()->text(), "000001");
    EXPECT_EQ(page.phoneEdit()->text(), "+491");
    EXPECT_EQ(page.setupEdit()->text(), "222222");
    page.phoneEdit()->setText("+499");
    page.gsmEditButton()->click();
    EXPECT_EQ(column(page.gsmList(), 1), (QStringList{"+492", "+499"}));
    EXPECT_EQ(pb.CurrentGsmEntry(), (GsmEntry{"000001", "+499", "111111", "222222"}));
    page.gsmList()->selectRow(0);
    EXPECT_EQ(page.idEdit()->text(), "000002");
    page.gsmList()->clearSelection();
    EXPECT_EQ(page.idEdit()->text(), "");
    EXPECT_EQ(page.enquiryEdit()->text(), "");

    fill(page, "000009", "1", "111111", "111111");
    page.gsmEditButton()->click();
    EXPECT_EQ(sink.texts(), QStringList{"The ID is not exist !"});
    sink.clear();

    page.gsmList()->selectRow(0);
    page.gsmDeleteButton()->click();
    EXPECT_EQ(column(page.gsmList(), 0), QStringList{"000001"});

    // Ethernet view: edit and delete (records come from elsewhere).
    pb.AddEthernetEntry("000007", "7", "777777", "777777", "10.0.0.7", "MAC-7");
    page.switchView(1);
    page.reloadBook(1);
    ASSERT_EQ(page.ethernetList()->rowCount(), 1);
    page.ethernetList()->selectRow(0);
    page.setupEdit()->setText("999999");
    page.ethernetEditButton()->click();
    EXPECT_EQ(pb.CurrentEthernetEntry(), (EthernetEntry{"000007", "7", "777777", "999999", "10.0.0.7", "MAC-7"}));
    EXPECT_EQ(column(page.ethernetList(), 4), QStringList{"10.0.0.7"});
    page.ethernetList()->selectRow(0);
    page.ethernetDeleteButton()->click();
    EXPECT_EQ(page.ethernetList()->rowCount(), 0);
    EXPECT_TRUE(sink.shown.isEmpty());
}

TEST_F(PhoneBookPageTest, ReloadMessageFillsEditsAtTheNextReload)
{
    writeGsm("<Records ID=\"000005\" Phone=\"5\" EnquiryPassword=\"555555\" SetupPassword=\"565656\" />\r\n");
    PhoneBookPage page(7);
    page.reloadBook(0); // WM_USER+16
    EXPECT_EQ(page.gsmList()->rowCount(), 1);
    EXPECT_EQ(page.idEdit()->text(), "");
    EXPECT_TRUE(page.fillEditsPending());
    page.reloadBook(0);
    EXPECT_EQ(page.idEdit()->text(), "000005");
    EXPECT_EQ(page.phoneEdit()->text(), "5");
    EXPECT_EQ(page.enquiryEdit()->text(), "555555");
    EXPECT_EQ(page.setupEdit()->text(), "565656");
    EXPECT_TRUE(page.fillEditsPending()); // set again by the second message

    // The same through the main window's message hand-over.
    PhoneBookPage viaMessages(7);
    viaMessages.handleMessage({msg::BookView, ToPhoneBook, 1});
    EXPECT_EQ(viaMessages.view(), PhoneBookView::Ethernet);
    viaMessages.handleMessage({msg::ReloadBook, ToPhoneBook, 0});
    viaMessages.handleMessage({msg::ReloadBook, ToPhoneBook, 0});
    EXPECT_EQ(viaMessages.gsmList()->rowCount(), 1);
    EXPECT_EQ(viaMessages.idEdit()->text(), "000005");
    viaMessages.handleMessage({msg::BookView, ToPhoneBook, 0});
    EXPECT_EQ(viaMessages.view(), PhoneBookView::Gsm);
}

TEST_F(PhoneBookPageTest, ShowingReloadsAndHeaderClicksSortByteWise)
{
    writeGsm("<Records ID=\"000010\" Phone=\"10\" EnquiryPassword=\"1\" SetupPassword=\"1\" />\r\n"
             "<Records ID=\"000009\" Phone=\"9\" EnquiryPassword=\"1\" SetupPassword=\"1\" />\r\n"
             "<Records ID=\"000100\" Phone=\"100\" EnquiryPassword=\"1\" SetupPassword=\"1\" />\r\n");
    PhoneBook().AddEthernetEntry("000002", "2", "1", "1", "ip", "mac");
    PhoneBookPage page(13);
    page.resize(960, 500);
    page.show();
    QApplication::processEvents();
    EXPECT_EQ(column(page.gsmList(), 0), (QStringList{"000010", "000009", "000100"}));
    EXPECT_EQ(page.ethernetList()->rowCount(), 1);

    // Column widths are fractions of the list's width.
    const int w = page.ethernetList()->width();
    const QList<int> want = {w / 8, w / 5, w / 6, w / 6, w / 6, w / 4};
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(page.ethernetList()->columnWidth(c), want[c]) << c;

    page.switchView(0);
    QApplication::processEvents();
    QHeaderView *gsmHeader = page.gsmList()->horizontalHeader();
    emit gsmHeader->sectionClicked(1);
    EXPECT_EQ(column(page.gsmList(), 1), (QStringList{"10", "100", "9"}));
    emit gsmHeader->sectionClicked(1);
    EXPECT_EQ(column(page.gsmList(), 1), (QStringList{"9", "100", "10"}));
    emit gsmHeader->sectionClicked(0);
    EXPECT_EQ(column(page.gsmList(), 0), (QStringList{"000009", "000010", "000100"}));
    // The direction is shared with the other list: the same column again reverses.
    emit page.ethernetList()->horizontalHeader()->sectionClicked(0);
    emit gsmHeader->sectionClicked(0);
    EXPECT_EQ(column(page.gsmList(), 0), (QStringList{"000009", "000010", "000100"}));
    EXPECT_TRUE(sink.shown.isEmpty());
}
