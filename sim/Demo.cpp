#include "sim/Demo.h"

#include <map>
#include <memory>

namespace kaspen::sim {

DemoIdentity defaultIdentity()
{
    const LoggerState s;
    return {s.stationId, s.phone, s.enquiryPassword, s.setupPassword};
}

Logger &demoLogger(int code)
{
    static std::map<int, std::unique_ptr<Logger>> loggers;
    const Model model = modelFromCode(code);
    auto &slot = loggers[model == Model::B ? 13 : 7];
    if (!slot)
        slot = std::make_unique<Logger>(LoggerState::defaults(model, QDateTime::currentDateTime()));
    return *slot;
}

DemoIdentity demoIdentity(int code)
{
    const LoggerState &s = demoLogger(code).state();
    return {s.stationId, s.phone, s.enquiryPassword, s.setupPassword};
}

} // namespace kaspen::sim
