// The GSM modem link's reassembly of SMS parts: any sequence of parts, as
// the main window's intake sees them after the modem's echoes.
//
// Input: NUL-separated parts. Checks that a completed reply holds nothing
// that did not arrive, and that what is held back stays bounded.

#include "FuzzSupport.h"

#include "protocol/ReplyItems.h"

#include <cstdlib>

using namespace kaspen;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Input in(data, size);
    GsmAccumulator acc;
    qsizetype arrived = 0;
    for (const QByteArray &part : in.texts()) {
        arrived += part.size();
        const QByteArray whole = acc.ReassembleGsmText(part);
        if (whole.size() > arrived)
            std::abort(); // more came out than went in
        if (!whole.isEmpty()) {
            acc.reset();
            arrived = 0;
        }
        if (acc.buffer().size() > arrived)
            std::abort();
    }
    return 0;
}
