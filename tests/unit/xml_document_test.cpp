#include "records/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace kaspen;

namespace {

// Every element as "name@offset+length" in document order, read through
// the navigation interface.
QByteArray dumpTree(XmlDocument &doc)
{
    QByteArray out;
    doc.ResetPos();
    std::function<void()> walk = [&]() {
        while (doc.FindElement()) {
            out += doc.GetTagName() + '@' + QByteArray::number(doc.ElementOffset()) + '+'
                   + QByteArray::number(doc.ElementLength()) + (doc.ElementNotEnded() ? "!" : "") + ' ';
            doc.EnterElement();
            walk();
            doc.LeaveElement();
        }
    };
    walk();
    doc.ResetPos();
    return out;
}

// The index after edits must equal the index of a fresh parse of the text.
void expectIndexExact(XmlDocument &edited)
{
    XmlDocument fresh;
    fresh.SetDoc(edited.GetDoc());
    EXPECT_EQ(dumpTree(edited), dumpTree(fresh)) << edited.GetDoc().constData();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(XmlDocument, ParseProblemsNameTheFirstFaultAndItsOffset)
{
    struct Case {
        QByteArray text;
        bool wellFormed;
        QString problem;
    };
    const std::vector<Case> cases = {
        {"<a>x</a>", true, ""},
        {"<?xml version=\"1.0\"?>\r\n<!DOCTYPE a [<!ELEMENT a ANY><!-- > ' -->]>\r\n<a b='>'/>\r\n", true, ""},
        {"<a><b></a>", false, "End tag 'a' at offset 7 does not match start tag 'b' at offset 3"},
        {"<a/><b/>", false, "Root element has sibling"},
        {"", false, "Empty document"},
        {"just text", false, "No root element"},
        {"<?xml version='1.0'?>", false, "No root element"},
        {"<a>< b</a>", false, "Incorrect tag name character at offset 3"},
        {"<a><!1></a>", false, "Incorrect ! tag at offset 3"},
        {"<a><!-x--></a>", false, "Incorrect comment tag at offset 3"},
        {"<a><![X[y]]></a>", false, "Incorrect tag at offset 3"},
        {"<a><b", false, "Element tag at offset 3 unterminated"},
        {"<a><b c='>", false, "Element tag at offset 3 unterminated"},
        {"<a></a", false, "Element end tag at offset 3 unterminated"},
        {"<a><![CDATA[x</a>", false, "CDATA Section at offset 3 unterminated"},
        {"<a><?pi x</a>", false, "Processing instruction at offset 3 unterminated"},
        {"<a><!-- x</a>", false, "Comment at offset 3 unterminated"},
        {"<a/><!DOCTYPE a [", false, "Doctype at offset 4 unterminated"},
        {"<a><", false, "tag at offset 3 unterminated"},
        {"<a></b></a>", false, "No start tag for end tag 'b' at offset 3"},
        {"<a><b>", false, "Element 'b' at offset 3 not ended"},
        {"<a/></a>", false, "No start tag for end tag 'a' at offset 4"},
    };
    for (const auto &c : cases) {
        XmlDocument doc;
        EXPECT_EQ(doc.SetDoc(c.text), c.wellFormed) << c.text.constData();
        EXPECT_EQ(doc.IsWellFormed(), c.wellFormed) << c.text.constData();
        EXPECT_EQ(doc.ParseProblem(), c.problem) << c.text.constData();
        const QString status = QStringLiteral("%1 bytes").arg(c.text.size())
                               + (c.problem.isEmpty() ? QString() : QStringLiteral(", ") + c.problem);
        EXPECT_EQ(doc.StatusText(), status) << c.text.constData();
    }
}

TEST(XmlDocument, MismatchedEndTagClosesInnerElementAsNotEnded)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ab.xml");
    writeAll(path, "<a><b></a>");
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadFile(path));
    EXPECT_EQ(doc.StatusText(), "10 bytes, End tag 'a' at offset 7 does not match start tag 'b' at offset 3");
    EXPECT_EQ(dumpTree(doc), "a@0+10 b@3+3! ");
}

TEST(XmlDocument, MissingFileGivesOneLineErrorText)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadFile(QStringLiteral("/nonexistent/dir/x.xml")));
    EXPECT_FALSE(doc.StatusText().isEmpty());
    EXPECT_FALSE(doc.StatusText().contains('\n'));
    EXPECT_FALSE(doc.FindElement());
}

TEST(XmlDocument, DeclaredEncodingDecidesConversionBothWays)
{
    struct Case {
        const char *what;
        QByteArray file;
        QByteArray text;  // held in memory (local code page = UTF-8 here)
        QByteArray saved; // written back
    };
    const std::vector<Case> cases = {
        {"no declaration, UTF-8", "<a>\xc3\xa9</a>", "<a>\xc3\xa9</a>", "<a>\xc3\xa9</a>"},
        {"no declaration, stray byte", "<a>\xe9</a>", "<a>?</a>", "<a>?</a>"},
        {"UTF-8, lower case", "<?xml version='1.0' encoding='utf-8'?><a>\xe9\xc3\xa9</a>",
         "<?xml version='1.0' encoding='utf-8'?><a>?\xc3\xa9</a>", "<?xml version='1.0' encoding='utf-8'?><a>?\xc3\xa9</a>"},
        {"ISO-8859-1 byte for byte", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xe9\xc3</a>",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xe9\xc3</a>",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xe9\xc3</a>"},
        {"four-byte character kept", "<a>\xf0\x9f\x98\x80</a>", "<a>\xf0\x9f\x98\x80</a>", "<a>\xf0\x9f\x98\x80</a>"},
        {"overlong form and 11111xxx lead", "<a>\xc0\x80\xf8</a>", "<a>??</a>", "<a>??</a>"},
        {"UTF-16 LE with mark", QByteArray("\xff\xfe<\0a\0/\0>\0", 10), "\xef\xbb\xbf<a/>", QByteArray("\xff\xfe<\0a\0/\0>\0", 10)},
        {"UTF-16 BE with mark", QByteArray("\xfe\xff\0<\0a\0/\0>", 10), "\xef\xbb\xbf<a/>", QByteArray("\xfe\xff\0<\0a\0/\0>", 10)},
    };
    QTemporaryDir dir;
    for (const auto &c : cases) {
        const QString in = dir.filePath("in.xml"), out = dir.filePath("out.xml");
        writeAll(in, c.file);
        XmlDocument doc;
        EXPECT_TRUE(doc.LoadFile(in)) << c.what << " " << doc.StatusText().toStdString();
        EXPECT_EQ(doc.GetDoc(), c.text) << c.what;
        EXPECT_EQ(doc.StatusText(), QStringLiteral("%1 bytes").arg(c.file.size())) << c.what;
        EXPECT_TRUE(doc.SaveFile(out)) << c.what;
        EXPECT_EQ(readAll(out), c.saved) << c.what;
        EXPECT_EQ(doc.StatusText(), QStringLiteral("%1 bytes").arg(c.saved.size())) << c.what;
    }
}

TEST(XmlDocument, LocalTextIsWrittenAsUtf8WithBadBytesAsQuestionMarks)
{
    QTemporaryDir dir;
    XmlDocument doc;
    doc.SetDoc("<a>\xe9\xc3\xa9</a>");
    ASSERT_TRUE(doc.SaveFile(dir.filePath("x.xml")));
    EXPECT_EQ(readAll(dir.filePath("x.xml")), "<a>?\xc3\xa9</a>");
    // An empty document writes an empty file.
    XmlDocument empty;
    EXPECT_TRUE(empty.SaveFile(dir.filePath("empty.xml")));
    EXPECT_EQ(readAll(dir.filePath("empty.xml")), "");
    EXPECT_EQ(empty.StatusText(), "0 bytes");
    // A write that cannot happen is reported, not pretended.
    EXPECT_FALSE(doc.SaveFile(dir.filePath("no/such/dir/x.xml")));
    EXPECT_FALSE(doc.StatusText().isEmpty());
}

TEST(XmlDocument, AttributesReadByPositionAndName)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDoc("<r a = \"1\" b='two' c=3 d e=\"&lt;&amp;&gt;&apos;&quot;&#65;&#x42;&#x1F600;&#0;&#xZZ;&foo;&#12345678;\"/>"));
    ASSERT_TRUE(doc.FindElement("r"));
    const std::vector<std::pair<int, QByteArray>> names = {{0, "a"}, {1, "b"}, {2, "c"}, {3, "d"}, {4, "e"}, {5, ""}, {99, ""}, {-1, ""}};
    for (const auto &[n, name] : names)
        EXPECT_EQ(doc.AttributeName(n), name) << n;
    EXPECT_EQ(doc.GetAttribute("a"), "1");
    EXPECT_EQ(doc.GetAttribute("b"), "two");
    EXPECT_EQ(doc.GetAttribute("c"), "3");
    EXPECT_EQ(doc.GetAttribute("d"), "");
    EXPECT_EQ(doc.GetAttribute("e"), "<&>'\"AB\xf0\x9f\x98\x80&#0;&#xZZ;&foo;&#12345678;");
    EXPECT_EQ(doc.GetAttribute("A"), "");
    EXPECT_EQ(doc.GetAttribute("missing"), "");
    // Nothing current: nothing to read or write.
    XmlDocument none;
    none.SetDoc("<r a='1'/>");
    EXPECT_EQ(none.AttributeName(0), "");
    EXPECT_EQ(none.GetAttribute("a"), "");
    EXPECT_FALSE(none.SetAttribute("a", "2"));
}

TEST(XmlDocument, SetAttributeReplacesInPlaceOrAppendsAndQuotesRoundTrip)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDoc("<r>\r\n<x a='1' b=\"2\"/>\r\n<y k/>\r\n<z></z>\r\n</r>"));
    doc.FindElement("r");
    doc.EnterElement();
    doc.FindElement("x");
    EXPECT_TRUE(doc.SetAttribute("a", "say \"hi\" & 'bye' <now>"));
    EXPECT_TRUE(doc.SetAttribute("c", "3"));
    doc.FindElement("y");
    EXPECT_TRUE(doc.SetAttribute("k", "v"));
    doc.FindElement("z");
    EXPECT_TRUE(doc.SetAttribute("n", ""));
    EXPECT_EQ(doc.GetDoc(), "<r>\r\n<x a=\"say &quot;hi&quot; &amp; &apos;bye&apos; &lt;now&gt;\" b=\"2\" c=\"3\"/>\r\n"
                            "<y k=\"v\"/>\r\n<z n=\"\"></z>\r\n</r>");
    expectIndexExact(doc);
    doc.ResetPos();
    doc.FindElement("r");
    doc.EnterElement();
    doc.FindElement("x");
    EXPECT_EQ(doc.GetAttribute("a"), "say \"hi\" & 'bye' <now>");
}

TEST(XmlDocument, FindElementMatchesNamesExactlyOrAsPrefixBeforeSeparators)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDoc("<r><Rec/><Records/><records/><Records2/></r>"));
    struct Case {
        QByteArray query;
        qsizetype offset; // of the first match, -1 none
    };
    const std::vector<Case> cases = {
        {"Records", 9}, {"records", 19}, {"Rec", 3}, {"Records/x", 9}, {"Records x", 9}, {"Records=", 9},
        {"Records[1]", 9}, {"Records]", 9}, {"Records2", 29}, {"Recordsx", -1}, {"", 3}, {"Nope", -1},
    };
    for (const auto &c : cases) {
        doc.ResetPos();
        doc.FindElement("r");
        doc.EnterElement();
        const bool found = doc.FindElement(c.query);
        EXPECT_EQ(found, c.offset >= 0) << c.query.constData();
        EXPECT_EQ(doc.ElementOffset(), c.offset) << c.query.constData();
    }
    // A failed search leaves the position where it was.
    doc.ResetPos();
    doc.FindElement("r");
    doc.EnterElement();
    doc.FindElement("Records");
    EXPECT_FALSE(doc.FindElement("Rec"));
    EXPECT_EQ(doc.ElementOffset(), 9);
    EXPECT_FALSE(doc.EnterElement() && doc.FindElement());
    EXPECT_TRUE(doc.LeaveElement());
    EXPECT_EQ(doc.ElementOffset(), 9);
    EXPECT_TRUE(doc.LeaveElement());
    EXPECT_EQ(doc.GetTagName(), "r");
    EXPECT_FALSE(doc.LeaveElement());
}

TEST(XmlDocument, FirstChildOfEmptyRootGivesStartAndEndTagOnOwnLines)
{
    struct Case {
        QByteArray before;
        int flags;
        QByteArray after;
    };
    const std::vector<Case> cases = {
        {"<root/>", XmlDocument::NoFlags, "<root>\r\n<item/>\r\n</root>"},
        {"<root a=\"1\"/>\r\n", XmlDocument::Insert | XmlDocument::SpaceBeforeSlash,
         "<root a=\"1\">\r\n<item />\r\n</root>\r\n"},
        {"<root>\r\n</root>", XmlDocument::NoFlags, "<root>\r\n<item/>\r\n</root>"},
        {"<root>\r\n<old/>\r\n</root>", XmlDocument::Insert, "<root>\r\n<item/>\r\n<old/>\r\n</root>"},
        {"<root>\r\n<old/>\r\n</root>", XmlDocument::NoFlags, "<root>\r\n<old/>\r\n<item/>\r\n</root>"},
    };
    for (const auto &c : cases) {
        XmlDocument doc;
        ASSERT_TRUE(doc.SetDoc(c.before));
        doc.FindElement("root");
        doc.EnterElement();
        EXPECT_TRUE(doc.AddElement("item", {}, c.flags));
        EXPECT_EQ(doc.GetDoc(), c.after) << c.before.constData();
        EXPECT_EQ(doc.GetTagName(), "item");
        expectIndexExact(doc);
        XmlDocument again;
        EXPECT_TRUE(again.SetDoc(doc.GetDoc()));
    }
}

TEST(XmlDocument, InsertBuildsListBackwardsInNewDocument)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.AddProcessingInstruction("xml"));
    EXPECT_TRUE(doc.SetAttribute("version", "1.0"));
    EXPECT_TRUE(doc.SetAttribute("encoding", "ISO-8859-1"));
    EXPECT_EQ(doc.AttributeName(1), "encoding");
    EXPECT_TRUE(doc.AddElement("DATALOG_SETUP"));
    EXPECT_TRUE(doc.EnterElement());
    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(doc.AddElement("Item", {}, XmlDocument::Insert | XmlDocument::SpaceBeforeSlash));
        EXPECT_TRUE(doc.SetAttribute("n", QByteArray::number(i)));
        EXPECT_TRUE(doc.SetAttribute("code", QByteArray::number(1000 + i)));
    }
    EXPECT_TRUE(doc.AddElement("Note", "a<b & c>d"));
    const QByteArray expected = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                                "<DATALOG_SETUP>\r\n"
                                "<Item n=\"3\" code=\"1003\" />\r\n"
                                "<Note>a&lt;b &amp; c&gt;d</Note>\r\n"
                                "<Item n=\"2\" code=\"1002\" />\r\n"
                                "<Item n=\"1\" code=\"1001\" />\r\n"
                                "</DATALOG_SETUP>\r\n";
    EXPECT_EQ(doc.GetDoc(), expected);
    expectIndexExact(doc);

    XmlDocument read;
    ASSERT_TRUE(read.SetDoc(expected));
    ASSERT_TRUE(read.FindElement("DATALOG_SETUP"));
    read.EnterElement();
    QByteArray order;
    while (read.FindElement("Item"))
        order += read.GetAttribute(read.AttributeName(0)) + read.GetAttribute(read.AttributeName(1)) + ' ';
    EXPECT_EQ(order, "31003 21002 11001 ");
}

TEST(XmlDocument, RemoveElementTakesContentAndFollowingWhiteSpace)
{
    const QByteArray text = "<r>\r\n<a><x/></a>\r\n  <b/>\t\r\n<c/>\r\n</r>";
    struct Case {
        QByteArray remove;
        QByteArray after;
        QByteArray currentAfter; // previous sibling, empty when it was the first
    };
    const std::vector<Case> cases = {
        {"a", "<r>\r\n<b/>\t\r\n<c/>\r\n</r>", ""},
        {"b", "<r>\r\n<a><x/></a>\r\n  <c/>\r\n</r>", "a"},
        {"c", "<r>\r\n<a><x/></a>\r\n  <b/>\t\r\n</r>", "b"},
    };
    for (const auto &c : cases) {
        XmlDocument doc;
        ASSERT_TRUE(doc.SetDoc(text));
        doc.FindElement("r");
        doc.EnterElement();
        ASSERT_TRUE(doc.FindElement(c.remove));
        EXPECT_TRUE(doc.RemoveElement());
        EXPECT_EQ(doc.GetDoc(), c.after) << c.remove.constData();
        EXPECT_EQ(doc.GetTagName(), c.currentAfter);
        expectIndexExact(doc);
        // Editing goes on at the right place afterwards.
        EXPECT_TRUE(doc.AddElement("n"));
        expectIndexExact(doc);
    }
    XmlDocument none;
    none.SetDoc("<r/>");
    EXPECT_FALSE(none.RemoveElement());
}

TEST(XmlDocument, ManyEditsKeepOffsetsExact)
{
    // A longer sequence across index growth: the index after each round
    // matches a fresh parse of the text.
    XmlDocument doc;
    doc.SetDoc("<?xml version=\"1.0\"?>\r\n<HEALTHCHECK/>\r\n");
    for (int i = 0; i < 300; ++i) {
        doc.ResetPos();
        doc.FindElement("HEALTHCHECK");
        doc.EnterElement();
        for (int k = 0; k <= i % 7; ++k)
            doc.FindElement("Records");
        switch (i % 4) {
        case 0:
        case 1: doc.AddElement("Records", {}, XmlDocument::Insert | XmlDocument::SpaceBeforeSlash); break;
        case 2: doc.SetAttribute("ID", QByteArray::number(i) + QByteArray(i % 5, 'x')); break;
        case 3:
            if (i % 8 == 3)
                doc.RemoveElement();
            else
                doc.AddElement("Records", "t" + QByteArray::number(i));
            break;
        }
        if (i % 50 == 0)
            expectIndexExact(doc);
    }
    expectIndexExact(doc);
    XmlDocument again;
    EXPECT_TRUE(again.SetDoc(doc.GetDoc())) << again.StatusText().toStdString();
}
