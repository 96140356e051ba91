// The reply intake end to end: any texts under any current command code, on
// both serial links, before and after the device is verified. Each text goes
// through the main window's intake (GSM reassembly, dispatch, result) and
// on to the page models that decode what is forwarded to them.
//
// Input: code choice, flags, then NUL-separated texts; the first text is the
// last command sent (what the station ID and password replies look at), the
// others arrive one after another as replies.

#include "FuzzSupport.h"

#include "pages/BatchCli.h"
#include "protocol/CommandCodes.h"
#include "records/PhoneBook.h"
#include "session/MainModel.h"

#include <memory>

using namespace kaspen;

namespace {

const int kCodes[] = {codes::ConnectStatus, codes::Version,   codes::ReadBlock1, codes::ReadBlock2, codes::ReadBlock3,
                      codes::Status,        codes::Reset,     codes::StationId,  codes::GsmBand,    codes::Passwords,
                      codes::Batch,         codes::DataRecord, codes::Calibration, codes::CalibrationRead, codes::ReadBlock4,
                      codes::SaveAndExit,   codes::EthernetSetup, 11005, 12005, 13001, 14011, 19107, 20031, 30000};

struct World {
    std::unique_ptr<MainModel> model[2];
    std::unique_ptr<CorePages> pages[2];
};

World &world()
{
    static World *w = [] {
        fuzz::setUp();
        PhoneBook::setDirectory(fuzz::scratchDir());
        auto *nw = new World;
        const int models[] = {ModelOrvelA, ModelOrvelB};
        for (int i = 0; i < 2; ++i) {
            nw->model[i] = std::make_unique<MainModel>(models[i]);
            nw->pages[i] = std::make_unique<CorePages>(nw->model[i]->session());
            CorePages *p = nw->pages[i].get();
            QObject::connect(nw->model[i].get(), &MainModel::pageMessage, [p](const PageMessage &m) { p->deliver(m); });
        }
        return nw;
    }();
    return *w;
}

// The phone book as every input starts with it.
void resetBook()
{
    const GsmEntry want{"000001", "0123456789", "111111", "222222"};
    PhoneBook book;
    if (book.gsmTable() == QList<GsmEntry>{want} && book.CurrentGsmEntry() == want)
        return;
    fuzz::writeFile(PhoneBook::gsmBookPath(),
                    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<HEALTHCHECK>\r\n<Records ID=\"000001\" "
                    "Phone=\"0123456789\" EnquiryPassword=\"111111\" SetupPassword=\"222222\" />\r\n</HEALTHCHECK>\r\n");
    book.LoadGsmTable();
    book.SelectGsmEntry("000001");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    World &w = world();
    resetBook();
    fuzz::Input in(data, size);
    const uint8_t choice = in.byte();
    const uint8_t flags = in.byte();
    const int code = choice < std::size(kCodes) ? kCodes[choice] : 10000 + choice * 41;
    MainModel &model = *w.model[flags & 1];
    Session &s = model.session();
    s.setLink(flags & 2 ? LinkGsmModem : LinkRs232);
    s.setVerified(flags & 4);
    s.dataQueryFlag = flags & 8;
    s.dataDownloadFlag = flags & 16;
    model.dispatcher().accumulator().reset();

    const QList<QByteArray> texts = in.texts();
    CommandRecord &r = s.serialRecord();
    r.commandCode = code;
    r.lastText = texts.value(0);
    for (qsizetype i = 1; i < texts.size(); ++i) {
        r.inProgress = true;
        r.resultCode = ResultNoReply;
        model.dispatcher().intake(texts[i]);
    }
    model.clearLogs();
    s.batchTable().clear();
    return 0;
}
