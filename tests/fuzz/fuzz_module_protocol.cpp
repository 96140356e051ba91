// The Ethernet module protocol: any datagram as the program's module client
// or a module receives it. A datagram that decodes must encode again to a
// datagram that decodes to the same message; nothing read past the input.

#include "protocol/ModuleProtocol.h"

#include <cstdlib>

using namespace kaspen;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray datagram(reinterpret_cast<const char *>(data), qsizetype(size));
    module::Message m;
    module::DecodeError error = module::DecodeError::None;
    if (!module::decode(datagram, &m, &error)) {
        if (error == module::DecodeError::None)
            std::abort(); // a failure must say why
        (void)module::decodeErrorText(error);
        return 0;
    }
    for (const auto &field : m.fields) {
        (void)module::isConfigKeyName(field.first);
        (void)module::isDottedIpv4(field.second);
    }
    (void)m.configFields();
    const QByteArray again = module::encode(m);
    if (again.isEmpty())
        return 0; // a decoded message the encoder's stricter rules refuse
    module::Message back;
    if (!module::decode(again, &back) || back.type != m.type || back.sequence != m.sequence || back.fields != m.fields)
        std::abort();
    return 0;
}
