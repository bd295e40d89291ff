// Low-latency mode and the USB adapter's latency timer. No virtual tty of the kernel
// takes TIOCGSERIAL or TIOCSSERIAL, so a thin stand-in plays the driver's part of those
// two requests (it records what it is asked); everything else runs on a real
// pseudo-terminal. The adapter's sysfs files are a folder of the test's own.

#include "platform/LowLatencyMode.h"
#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/TermiosCommDevice.h"
#include "platform/UsbLatencyTimer.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

// A driver that takes the serial requests, or refuses them with ENOTTY as a
// pseudo-terminal does.
class RecordingDriver : public LowLatencyMode::Driver {
public:
    explicit RecordingDriver(int flags, bool takesGet = true, bool takesSet = true)
        : flags_(flags), takesGet_(takesGet), takesSet_(takesSet)
    {
    }

    int GetSerial(int, serial_struct& out) override
    {
        calls.push_back("get");
        if (!takesGet_) return Refuse();
        out = serial_struct{};
        out.flags = flags_;
        out.xmit_fifo_size = 17;  // a field the requests must carry back unchanged
        return 0;
    }
    int SetSerial(int, const serial_struct& in) override
    {
        char text[48];
        std::snprintf(text, sizeof text, "set flags=0x%x fifo=%d", static_cast<unsigned>(in.flags),
                      in.xmit_fifo_size);
        calls.push_back(text);
        if (!takesSet_) return Refuse();
        flags_ = in.flags;
        return 0;
    }

    Calls calls;

private:
    static int Refuse()
    {
        errno = ENOTTY;
        return -1;
    }

    int flags_;
    bool takesGet_;
    bool takesSet_;
};

constexpr int kSkipTest = 0x40;  // ASYNC_SKIP_TEST: some other flag the driver has set

TEST(LowLatencyModeTest, RequestsAndPutsBackTheFlags)
{
    struct Case {
        const char* what;
        RecordingDriver driver;
        bool granted;
        Calls onRequest;
        Calls onRestore;
    };
    Case cases[] = {
        {"flag off", RecordingDriver(kSkipTest), true, {"get", "set flags=0x2040 fifo=17"}, {"get", "set flags=0x40 fifo=17"}},
        {"flag already on", RecordingDriver(kSkipTest | ASYNC_LOW_LATENCY), true, {"get"}, {}},
        {"no serial requests (a pseudo-terminal)", RecordingDriver(0, false), false, {"get"}, {}},
        {"flag refused", RecordingDriver(0, true, false), false, {"get", "set flags=0x2000 fifo=17"}, {}},
    };
    for (Case& c : cases) {
        LowLatencyMode mode(c.driver);
        EXPECT_EQ(mode.Request(3), c.granted) << c.what;
        EXPECT_EQ(c.driver.calls, c.onRequest) << c.what;
        c.driver.calls.clear();
        mode.Restore(3);
        EXPECT_EQ(c.driver.calls, c.onRestore) << c.what;
        c.driver.calls.clear();
        mode.Restore(3);  // once only
        EXPECT_TRUE(c.driver.calls.empty()) << c.what;
    }
}

// A sysfs of the test's own, with a latency timer for the tty named `name`.
class FakeSysfs {
public:
    explicit FakeSysfs(const std::string& folder) : root_(folder + "/sys") {}
    void SetTimer(const std::string& name, const std::string& text)
    {
        const std::filesystem::path device = root_ + "/class/tty/" + name + "/device";
        std::filesystem::create_directories(device);
        std::ofstream(device / "latency_timer") << text;
    }
    const std::string& root() const { return root_; }

private:
    std::string root_;
};

TEST(UsbLatencyTimerTest, ReadsTheTimerOfTheDeviceAtTheEndOfTheLinks)
{
    ScopedConfigHome home;
    FakeSysfs sysfs(home.path());
    // The adapter's node, a by-path name leading to it, and the port map's link to that.
    const std::string node = home.path() + "/ttyUSB3";
    std::ofstream(node).put('\0');
    const std::string byPath = home.path() + "/pci-0000:00:14.0-usb-0:2:1.0-port0";
    std::filesystem::create_symlink(node, byPath);
    ASSERT_TRUE(PortMap::Link("com1", byPath));

    struct Case {
        const char* timer;  // nullptr: no timer file
        std::optional<int> ms;
        bool warns;
    };
    const Case cases[] = {
        {"16\n", 16, true},
        {"3\n", 3, true},
        {"2\n", 2, false},
        {"1\n", 1, false},
        {nullptr, std::nullopt, false},
        {"many\n", std::nullopt, false},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(sysfs.root());
        if (c.timer) sysfs.SetTimer("ttyUSB3", c.timer);
        EXPECT_EQ(UsbLatencyTimer::ReadMs(PortMap::LinkPath("com1"), sysfs.root()), c.ms) << c.timer;
        EXPECT_EQ(!UsbLatencyTimer::Warning(PortMap::LinkPath("com1"), sysfs.root()).empty(), c.warns) << c.timer;
    }
    sysfs.SetTimer("ttyUSB3", "16\n");
    EXPECT_EQ(UsbLatencyTimer::Warning(PortMap::LinkPath("com1"), sysfs.root()),
              "ttyUSB3: the USB adapter's latency timer is 16 ms, so every reply can wait that long (its driver "
              "did not take low-latency mode). Set it to 1 ms: echo 1 | sudo tee "
              "/sys/class/tty/ttyUSB3/device/latency_timer, or for good with the udev rule in "
              "docs/usb-adapters.md (example file 60-varnix-usb-serial.rules)");
    EXPECT_FALSE(UsbLatencyTimer::ReadMs(home.path() + "/no-such-node", sysfs.root()));
}

TEST(TermiosLowLatencyTest, OpenAsksCloseRestoresAndASlowTimerIsReportedOncePerOpening)
{
    ScopedConfigHome home;
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(PortMap::Link("com1", pty.slavePath()));
    FakeSysfs sysfs(home.path());
    const std::string name = std::filesystem::path(pty.slavePath()).filename().string();
    sysfs.SetTimer(name, "16\n");
    RecordingDriver driver(0);
    TermiosCommDevice device(driver, sysfs.root());

    for (int opening = 1; opening <= 2; ++opening) {
        ::testing::internal::CaptureStderr();
        ASSERT_TRUE(device.Open(PortMap::LinkPath("com1"))) << device.LastError();
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(driver.calls, (Calls{"get", "set flags=0x2000 fifo=17"})) << opening;
        EXPECT_NE(device.LatencyWarning().find(name + ": the USB adapter's latency timer is 16 ms"),
                  std::string::npos);
        EXPECT_EQ(said, std::string(program_invocation_short_name) + ": " + device.LatencyWarning() + "\n");
        driver.calls.clear();
        device.Close();
        EXPECT_EQ(driver.calls, (Calls{"get", "set flags=0x0 fifo=17"})) << opening;
        driver.calls.clear();
    }

    // The driver took low-latency mode and the timer followed: nothing to say.
    sysfs.SetTimer(name, "1\n");
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(device.Open(pty.slavePath()));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(device.LatencyWarning(), "");
}

TEST(TermiosLowLatencyTest, APseudoTerminalRefusesAndNothingIsSaid)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TermiosCommDevice device;
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(device.Open(pty.slavePath())) << device.LastError();
    device.Close();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
