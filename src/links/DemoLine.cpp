#include "links/SerialLine.h"

namespace kaspen {

std::unique_ptr<SerialLine> createDemoLine(int, QObject *)
{
    return nullptr;
}

} // namespace kaspen
