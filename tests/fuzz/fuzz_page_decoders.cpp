// Every page decoder of the core: each page message that carries a reply
// ("#STA:" status records, "#STC1:" to "#STC4:" blocks, "#STD:" data record
// packets, alarm slot replies, calibration replies, the version text) is
// delivered with any text to every page model that takes it, on both
// models. A page model that joins the core (CorePages) is fuzzed with it.
//
// Input: message choice, model, then the text.

#include "FuzzSupport.h"

#include "pages/BatchCli.h"
#include "records/PhoneBook.h"
#include "session/Session.h"

#include <memory>

using namespace kaspen;

namespace {

const int kMessages[] = {msg::Block1,      msg::Block2,    msg::Block3,      msg::VersionReply, msg::StatusReply,
                         msg::FirstStatus, msg::DataRecords, msg::Calibration, msg::Block4,      msg::AlarmText,
                         msg::ClearFields};

struct World {
    std::unique_ptr<Session> session[2];
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
            nw->session[i] = std::make_unique<Session>(models[i]);
            nw->pages[i] = std::make_unique<CorePages>(*nw->session[i]);
        }
        return nw;
    }();
    return *w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    World &w = world();
    fuzz::Input in(data, size);
    const uint8_t choice = in.byte();
    const uint8_t flags = in.byte();
    const int i = flags & 1;
    Session &s = *w.session[i];
    // The counts of the first status record, within what a logger has.
    s.profile().relayCount = (flags >> 1) % (DeviceProfile::MaxRelays + 1);
    s.profile().digitalCount = (flags >> 5) * 2;
    const int message = kMessages[choice % std::size(kMessages)];
    const QByteArray text = in.rest();
    // Every page that could take it, with each wParam the message uses.
    w.pages[i]->deliver(PageMessage{message, ~0u & ~unsigned(ToBatchSetup), (choice >> 4) % 3, text});
    s.batchTable().clear();
    return 0;
}
