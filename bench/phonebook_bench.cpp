// Phone book and XML layer on a large book: one change through PhoneBook
// (read, parse, change, write, reload) and the bare parse, with pugixml
// parsing the same bytes as the reference.

#include "base/MessageSink.h"
#include "records/PhoneBook.h"
#include "records/XmlDocument.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#ifdef KASPEN_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

using namespace kaspen;

namespace {

// A GSM book of n records in the layout the program writes.
QByteArray gsmBook(int n)
{
    QByteArray t = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<HEALTHCHECK>\r\n";
    t.reserve(qsizetype(n) * 100 + 100);
    for (int i = n; i >= 1; --i) {
        const QByteArray id = QByteArray::number(i).rightJustified(6, '0');
        t += "<Records ID=\"" + id + "\" Phone=\"+49170" + id + "\" EnquiryPassword=\"" + id + "\" SetupPassword=\"" + id
             + "\" />\r\n";
    }
    t += "</HEALTHCHECK>\r\n";
    return t;
}

class CountingSink : public MessageSink {
public:
    void show(MessageKind, const QString &, const QString &) override { ++shown; }
    bool confirm(const QString &, const QString &) override { return false; }
    int shown = 0;
};

void BM_PhoneBookEdit(benchmark::State &state)
{
    const int n = int(state.range(0));
    QTemporaryDir dir;
    PhoneBook::setDirectory(dir.path());
    PhoneBook::resetSharedState();
    {
        QFile f(PhoneBook::gsmBookPath());
        f.open(QIODevice::WriteOnly);
        f.write(gsmBook(n));
    }
    CountingSink sink;
    setMessageSink(&sink);
    PhoneBook pb;
    const QByteArray id = QByteArray::number(n / 2).rightJustified(6, '0');
    int round = 0;
    for (auto _ : state) {
        const QByteArray phone = "+4917" + QByteArray::number(round++ % 1000);
        if (!pb.EditGsmEntry(id, phone, "111111", "222222"))
            state.SkipWithError("edit failed");
    }
    if (sink.shown || pb.gsmTable().size() != n)
        state.SkipWithError("unexpected book state");
    setMessageSink(nullptr);
    PhoneBook::resetSharedState();
    state.SetLabel("exists check + read + change + crash-safe write + table reload");
}
BENCHMARK(BM_PhoneBookEdit)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_XmlParse(benchmark::State &state)
{
    const QByteArray text = gsmBook(int(state.range(0)));
    for (auto _ : state) {
        XmlDocument doc;
        const bool ok = doc.SetDoc(text);
        benchmark::DoNotOptimize(ok);
        if (!ok)
            state.SkipWithError("not well-formed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_XmlParse)->Arg(10000)->Unit(benchmark::kMillisecond);

#ifdef KASPEN_HAVE_PUGIXML
void BM_PugiXmlParse(benchmark::State &state)
{
    const QByteArray text = gsmBook(int(state.range(0)));
    for (auto _ : state) {
        pugi::xml_document doc;
        const pugi::xml_parse_result r = doc.load_buffer(text.constData(), size_t(text.size()));
        benchmark::DoNotOptimize(r.status);
        if (!r)
            state.SkipWithError("pugixml refused the book");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_PugiXmlParse)->Arg(10000)->Unit(benchmark::kMillisecond);
#endif

} // namespace
