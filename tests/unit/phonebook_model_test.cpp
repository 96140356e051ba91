#include "pages/phonebook/PhoneBookModel.h"

#include <gtest/gtest.h>

using namespace kaspen;

TEST(PhoneBookModel, FieldRules)
{
    const std::vector<std::pair<QByteArray, QByteArray>> pads = {
        {"12", "000012"}, {"", ""}, {"1", "000001"}, {"12345", "012345"}, {"123456", "123456"}, {"1234567", "1234567"}};
    for (const auto &[in, out] : pads)
        EXPECT_EQ(PhoneBookModel::padConnectionNo(in), out) << in.constData();

    const std::vector<std::pair<QByteArray, bool>> phones = {
        {"", true}, {"+", true}, {"+4912345", true}, {"0123", true}, {"12+3", false}, {"a1", false}, {"1 2", false}, {"++1", false}};
    for (const auto &[in, ok] : phones)
        EXPECT_EQ(PhoneBookModel::phoneNumberValid(in), ok) << in.constData();
    EXPECT_FALSE(PhoneBookModel::phoneNumberTooLong(QByteArray(19, '1')));
    EXPECT_TRUE(PhoneBookModel::phoneNumberTooLong(QByteArray(20, '1')));

    const std::vector<std::pair<QByteArray, bool>> passwords = {{"", true}, {"123456", true}, {"12345", false}, {"1234567", false}};
    for (const auto &[in, ok] : passwords)
        EXPECT_EQ(PhoneBookModel::passwordValid(in), ok) << in.constData();
}

TEST(PhoneBookModel, ButtonChecksNameTheFirstEmptyField)
{
    struct Case {
        PhoneBookView view;
        QByteArray id, phone, enq, setup;
        QString message;
    };
    const std::vector<Case> cases = {
        {PhoneBookView::Gsm, "", "", "", "", "GSM ID Is Null!"},
        {PhoneBookView::Gsm, "", "1", "1", "1", "GSM ID Is Null!"},
        {PhoneBookView::Gsm, "1", "", "", "1", "GSM Phone Number Is Null!"},
        {PhoneBookView::Gsm, "1", "1", "", "", "GSM Qudry Password Is Null!"},
        {PhoneBookView::Gsm, "1", "1", "1", "", "GSM Setup Password Is Null!"},
        {PhoneBookView::Gsm, "1", "1", "1", "1", ""},
        {PhoneBookView::Ethernet, "", "", "", "", "Connect ID Is Null!"},
        {PhoneBookView::Ethernet, "1", "", "", "", "GSM Phone Number Is Null!"},
        {PhoneBookView::Ethernet, "1", "1", "", "", "Quiry Password Is Null!"},
        {PhoneBookView::Ethernet, "1", "1", "1", "", "Setup Password Is Null!"},
        {PhoneBookView::Ethernet, "1", "1", "1", "1", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PhoneBookModel::missingFieldMessage(c.view, c.id, c.phone, c.enq, c.setup), c.message)
            << c.id.constData() << "|" << c.phone.constData() << "|" << c.enq.constData() << "|" << c.setup.constData();
}

TEST(PhoneBookModel, HeaderClicksShareColumnAndDirectionAndSortByteWise)
{
    PhoneBookModel m;
    QList<PhoneBookRow> rows = {{"a", "9"}, {"b", "10"}, {"c", "100"}, {"d", "10"}};
    auto order = [&] {
        QByteArray s;
        for (const auto &r : rows)
            s += r[0];
        return s;
    };
    struct Click {
        int column;
        bool ascending;
        QByteArray order;
    };
    const std::vector<Click> clicks = {
        {1, true, "bdca"},  // "10" "10" "100" "9": byte-wise, equal keys keep their order
        {1, false, "acbd"}, // same column again: reversed
        {1, true, "bdca"},
        {0, true, "abcd"},  // another column: ascending
        {0, false, "dcba"},
        {1, true, "dbca"},  // the sort is stable
    };
    for (const auto &c : clicks) {
        EXPECT_EQ(m.headerClicked(c.column), c.ascending);
        PhoneBookModel::sortRows(rows, c.column, c.ascending);
        EXPECT_EQ(order(), c.order) << c.column;
    }
    EXPECT_EQ(PhoneBookModel::columnWidths(PhoneBookView::Gsm, 480), (QList<int>{60, 120, 80, 60}));
    EXPECT_EQ(PhoneBookModel::columnWidths(PhoneBookView::Ethernet, 600), (QList<int>{75, 120, 100, 100, 100, 150}));
    EXPECT_EQ(PhoneBookModel::columnTitles(PhoneBookView::Ethernet).last(), "Device MAC Address");
}
