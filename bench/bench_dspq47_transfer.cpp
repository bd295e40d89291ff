// Sends a configuration to the simulated DSP-Q47 unit and reads it back, over a
// pseudo-terminal paced at 4800 baud, and prints each exchange's time divided by the
// time the 941 bytes of an exchange need on the line (goal: at most 1.05). Then the same
// behind the model of a USB adapter at an FTDI chip's default 16 ms latency: the unit
// acknowledges a configuration once, so the adapter should cost little (reported).

#include "bench/BenchResult.h"

#include "configurator/MessagePresenter.h"
#include "configurator/UnitConfig.h"
#include "configurator/UnitTransfer.h"
#include "simulators/dspq47/Q47Unit.h"
#include "simulators/ptyline/PtyLinePort.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRounds = 3;
constexpr double kWireMinimumSeconds = 941.0 * 10.0 / 4800.0;

class SilentPresenter : public MessagePresenter {
public:
    void Present(const std::string&, MessageIcon) override {}
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Times `exchange` kRounds times; false when one of them failed.
bool Measure(const std::string& name, const std::function<TransferResult()>& exchange)
{
    std::vector<double> ratios;
    for (int round = 0; round < kRounds; ++round) {
        const Clock::time_point start = Clock::now();
        const TransferResult result = exchange();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (result != TransferResult::Done) {
            std::printf("%s: round %d failed\n", name.c_str(), round + 1);
            return false;
        }
        ratios.push_back(seconds / kWireMinimumSeconds);
        std::printf("%s: %.3f s, %.4f x the wire minimum\n", name.c_str(), seconds, ratios.back());
    }
    std::printf("%s: median %.4f x the wire minimum of %.4f s (goal <= 1.05)\n", name.c_str(), Median(ratios),
                kWireMinimumSeconds);
    const std::string resultName = "dspq47_" + name;
    PrintResult(resultName.c_str(), Median(ratios) * kWireMinimumSeconds, "s", "wire-minimum", kWireMinimumSeconds);
    return true;
}

}  // namespace

int main()
{
    std::string folder = (std::filesystem::temp_directory_path() / "bench-dspq47-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr)
        return 1;
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);

    bool ok = true;
    UnitConfig config;
    config.morseText = "DE DSPQ47";
    UnitConfig received;
    for (const bool behindAdapter : {false, true}) {
        Q47Unit unit;
        PtyLinePort runner(unit, Q47Unit::kBaud);
        if (behindAdapter)
            runner.Server().SetAdapter(UsbAdapter::Settings{std::chrono::milliseconds(16), 62});
        if (!runner.Start("com1")) {
            std::printf("cannot start the simulated unit\n");
            return 1;
        }
        SilentPresenter presenter;
        UnitTransfer transfer(presenter);
        const std::string suffix = behindAdapter ? "_usb16ms" : "";
        ok = ok && Measure("send" + suffix, [&] { return transfer.SendToUnit(config, 0); }) && Measure("receive" + suffix, [&] { return transfer.ReceiveFromUnit(received, 0); });
        runner.Stop();
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    if (ok && received != config) {
        std::printf("the configuration read back differs from the one sent\n");
        return 1;
    }
    return ok ? 0 : 1;
}
