// Bounded fuzz driver for the XML layer, built with AddressSanitizer and
// UndefinedBehaviorSanitizer by scripts/test.d/xml-fuzz. It mutates a small
// seed corpus at random (fixed seed, so a failure repeats), parses every
// input, walks and edits it, and checks after each edit that the element
// index of a well-formed document still matches a fresh
// parse of the text.
//
//   xml_fuzz [count] [seed]

#include "records/XmlDocument.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using kaspen::XmlDocument;

namespace {

struct Rng {
    unsigned long long s;
    unsigned long long next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    }
    size_t below(size_t n) { return n ? size_t(next() % n) : 0; }
};

const char *const seeds[] = {
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<HEALTHCHECK>\r\n<Records ID=\"000001\" Phone=\"+4912345\" "
    "EnquiryPassword=\"111111\" SetupPassword=\"222222\" />\r\n</HEALTHCHECK>\r\n",
    "<?xml version='1.0'?><!DOCTYPE a [<!ELEMENT a (#PCDATA|b)*><!ATTLIST a x CDATA '>'><!-- ' -->]><a x=\"&lt;&#65;&#x42;\">t<b/><![CDATA[<x>]]><?pi d?></a>",
    "<a><b><c></b></a>",
    "<a/><b/>",
    "<r>\r\n<x a='1' b=\"2\"/>\r\n  <y k/>\t\r\n<z></z>\r\n</r>",
    "<DATALOG_SETUP>\r\n<Item Code=\"11002\" Command=\"222222#ST:000007#\" />\r\n</DATALOG_SETUP>",
    "< <! <!- <![ <!D <? </ <a",
    "\xef\xbb\xbf<\xc3\xa9l\xc3\xa9ment attr=\"\xf0\x9f\x98\x80\">&#x1F600;&#0;&#xFFFFFFFF;</\xc3\xa9l\xc3\xa9ment>",
};

const char *const tokens[] = {"<", ">", "/>", "</", "<?", "?>", "<!--", "-->", "<![CDATA[", "]]>", "<!DOCTYPE x [", "]>",
                              "\"", "'", "=", "&", "&#", ";", " ", "\r\n", "<a>", "</a>", "<b x='y'/>", "\xc3", "\xff",
                              "\xf0\x9f", "Records", "HEALTHCHECK", "<Records "};

std::string mutate(Rng &rng, std::string s)
{
    const int rounds = 1 + int(rng.below(rng.below(4) ? 2 : 8));
    for (int r = 0; r < rounds; ++r) {
        const size_t pos = rng.below(s.size() + 1);
        switch (rng.below(6)) {
        case 0: // flip a byte
            if (!s.empty())
                s[rng.below(s.size())] = char(rng.next());
            break;
        case 1: // delete a range
            if (!s.empty())
                s.erase(rng.below(s.size()), 1 + rng.below(16));
            break;
        case 2: // insert a token
            s.insert(pos, tokens[rng.below(sizeof tokens / sizeof *tokens)]);
            break;
        case 3: // duplicate a range
            if (!s.empty()) {
                const size_t from = rng.below(s.size());
                s.insert(pos, s.substr(from, 1 + rng.below(32)));
            }
            break;
        case 4: // truncate
            s.resize(rng.below(s.size() + 1));
            break;
        case 5: // splice in part of another seed
        {
            const std::string other = seeds[rng.below(sizeof seeds / sizeof *seeds)];
            const size_t from = rng.below(other.size());
            s.insert(pos, other.substr(from, rng.below(other.size() - from + 1)));
            break;
        }
        }
    }
    return s;
}

QByteArray dump(XmlDocument &doc)
{
    QByteArray out;
    doc.ResetPos();
    std::function<void(int)> walk = [&](int depth) {
        while (doc.FindElement()) {
            out += doc.GetTagName() + '@' + QByteArray::number(doc.ElementOffset()) + '+'
                   + QByteArray::number(doc.ElementLength()) + ' ';
            for (int i = 0; i < 4; ++i)
                out += doc.GetAttribute(doc.AttributeName(i));
            if (depth < 200) {
                doc.EnterElement();
                walk(depth + 1);
                doc.LeaveElement();
            }
        }
    };
    walk(0);
    doc.ResetPos();
    return out;
}

[[noreturn]] void fail(const char *what, const QByteArray &input, const QByteArray &detail = QByteArray())
{
    std::fprintf(stderr, "xml_fuzz: %s for input (%d bytes):\n", what, int(input.size()));
    std::fwrite(input.constData(), 1, size_t(input.size()), stderr);
    std::fprintf(stderr, "\n%s\n", detail.constData());
    std::abort();
}

} // namespace

int main(int argc, char **argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 100000;
    Rng rng{argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 0x9E3779B97F4A7C15ull};
    std::vector<std::string> pool(std::begin(seeds), std::end(seeds));
    long wellFormed = 0, compared = 0, brokenByEdit = 0;
    for (long i = 0; i < count; ++i) {
        const std::string &base = pool[rng.below(pool.size())];
        const std::string text = mutate(rng, base);
        const QByteArray input(text.data(), qsizetype(text.size()));
        XmlDocument doc;
        const bool ok = doc.SetDoc(input);
        wellFormed += ok;
        (void)XmlDocument::Utf8ToLocal(input);
        (void)XmlDocument::LocalToUtf8(input);
        (void)XmlDocument::UnescapeText(input);
        (void)XmlDocument::DeclaredEncoding(input);
        dump(doc);

        // A few edits at random places; the index must stay exact.
        for (int e = 0; e < 3; ++e) {
            doc.ResetPos();
            if (rng.below(4) && doc.FindElement())
                doc.EnterElement(); // mostly inside the root
            int steps = int(rng.below(4));
            while (steps-- > 0 && doc.FindElement()) {
                if (rng.below(2))
                    doc.EnterElement();
            }
            switch (rng.below(5)) {
            case 0: doc.AddElement("n", rng.below(2) ? QByteArray("t<&") : QByteArray(), int(rng.below(4))); break;
            case 1: doc.SetAttribute("ID", "v\"'<&>"); break;
            case 2: doc.RemoveElement(); break;
            case 3:
                doc.AddProcessingInstruction("pi");
                doc.SetAttribute("k", "1");
                break;
            case 4: doc.SetAttribute(doc.AttributeName(int(rng.below(3))), "x"); break;
            }
            // In a well-formed document the index after an edit equals a
            // fresh parse. (Junk the reader tolerates, such as "<b//>" or an
            // unquoted value ending in "/", can read differently once edited;
            // the fresh parse then finds the result broken, so only texts
            // that are still well-formed are compared.)
            XmlDocument fresh;
            const bool stillWellFormed = fresh.SetDoc(doc.GetDoc());
            const QByteArray edited = dump(doc);
            if (ok && !stillWellFormed)
                ++brokenByEdit;
            if (ok && stillWellFormed && ++compared && edited != dump(fresh))
                fail("index differs from a fresh parse after an edit", input,
                     "edit " + QByteArray::number(e) + " gave:\n" + doc.GetDoc() + "\nindex: " + edited + "\nfresh: " + dump(fresh));
        }
        // Keep some inputs as new bases, well-formed ones more often, so
        // that later rounds reach deeper structures.
        if (text.size() < 4096 && rng.below(ok ? 4 : 200) == 0)
            pool.push_back(text);
    }
    std::printf("xml_fuzz: %ld inputs, %ld of them well-formed, %ld edits checked against a fresh parse"
                " (%ld edits of tolerated junk left them broken), no fault\n",
                count, wellFormed, compared, brokenByEdit);
    return 0;
}
