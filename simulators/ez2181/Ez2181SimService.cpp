#include "simulators/ez2181/Ez2181SimService.h"

#include "simulators/ez2181/Ez2181SimProgram.h"
#include "simulators/ez2181/Ez2181Simulator.h"

#include <cstdio>
#include <string>

namespace {

// "request 3 to 0xFF: command 0x02, payload 00 00 40 10 04"
void Trace(std::size_t number, const Ez2181Frame& frame)
{
    std::string payload;
    for (std::uint8_t b : frame.payload) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        payload += hex;
    }
    std::fprintf(stderr, "ez2181-sim: request %zu to 0x%02X: command 0x%02X, payload%s\n", number, frame.address,
                 frame.command, payload.empty() ? " none" : payload.c_str());
}

}  // namespace

Ez2181SimService::Ez2181SimService(std::unique_ptr<Ez2181Simulator> board, const Ez2181SimProgram& options)
    : PtySimService(std::move(board), "EZ-KIT 2181 board"), board_(static_cast<Ez2181Simulator&>(Device())), options_(options)
{
    Server().SetRequireMatchingRate(options.strictRate);
    if (options.verbose)
        board_.SetFrameListener([this](const Ez2181Frame& frame) { Trace(++requests_, frame); });
}

void Ez2181SimService::Serving()
{
    if (options_.powerUp)
        PowerCycle();
}

void Ez2181SimService::PowerCycle()
{
    board_.PowerUp();
    poweredUp_ = true;
}

std::optional<std::chrono::milliseconds> Ez2181SimService::TickDue() const
{
    if (!poweredUp_ || options_.powerUpEveryMs == 0 || board_.PowerOnAcknowledged())
        return std::nullopt;
    return std::chrono::milliseconds(options_.powerUpEveryMs);
}

void Ez2181SimService::Tick()
{
    if (!board_.PowerOnAcknowledged())
        board_.SendPowerOnFrame();
}
