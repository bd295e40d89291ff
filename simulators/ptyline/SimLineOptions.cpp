#include "simulators/ptyline/SimLineOptions.h"

#include "simulators/ptyline/PtyLineServer.h"
#include "simulators/ptyline/SimCommandLine.h"

#include <limits>

namespace {

// The largest latency timer an FTDI chip takes.
constexpr std::uint32_t kLongestLatencyMs = 255;

}  // namespace

bool SimLineOptions::IsLineOption(const std::string& option)
{
    return option == "--baud" || option == "--adapter" || option == "--latency";
}

bool SimLineOptions::Take(const std::string& option, const std::string& value, std::string& error)
{
    if (option == "--baud") {
        const auto rate = SimCommandLine::ParseNumber(value, std::numeric_limits<std::uint32_t>::max());
        if (!rate || *rate == 0) {
            error = option + " needs a number above 0, not \"" + value + "\"";
            return false;
        }
        baud = *rate;
        return true;
    }
    if (option == "--adapter") {
        const auto preset = UsbAdapter::Preset(value);
        if (!preset) {
            error = "unknown adapter \"" + value + "\" (" + UsbAdapter::PresetNames() + ")";
            return false;
        }
        adapter = preset;
    } else if (option == "--latency") {
        const auto ms = SimCommandLine::ParseNumber(value, kLongestLatencyMs);
        if (!ms) {
            error = "--latency takes milliseconds from 0 to 255, not \"" + value + "\"";
            return false;
        }
        latency_ = std::chrono::milliseconds(*ms);
        if (!adapter)
            adapter = UsbAdapter::Settings{};
    } else {
        error = "unknown option " + option;
        return false;
    }
    if (latency_)
        adapter->latency = *latency_;
    return true;
}

void SimLineOptions::ApplyTo(PtyLineServer& server) const
{
    server.SetBaud(baud);
    server.SetAdapter(adapter);
}

std::string SimLineOptions::Description() const
{
    std::string text;
    if (baud != 0)
        text += ", paced at " + std::to_string(baud) + " baud";
    if (adapter)
        text += ", behind a USB adapter of " + std::to_string(adapter->latency.count()) + " ms latency and " +
                std::to_string(adapter->chunkBytes) + "-byte chunks";
    return text;
}

const char* SimLineOptions::Usage()
{
    return "  --baud RATE     pace both directions of the line at RATE baud, 10 bits a byte\n"
           "                  (default: unpaced)\n"
           "  --adapter KIND  the PC reaches the line through a USB serial adapter: ftdi\n"
           "                  (16 ms latency timer, 62-byte chunks), ftdi-low-latency (1 ms)\n"
           "                  or cp210x (2 ms, 64-byte chunks); bytes to the PC wait for a\n"
           "                  full chunk or the latency, bytes from it for the next 1 ms frame\n"
           "  --latency MS    the adapter's latency timer in milliseconds (0 to 255); without\n"
           "                  --adapter, an adapter with 62-byte chunks\n";
}
