// Each situation that keeps a board from working, built as a system image
// (--root) with a port map of the test's own, and the finding and fix the
// doctor gives for it.
#include "doctor/BrlttyCheck.h"
#include "doctor/ExampleRules.h"
#include "doctor/ModemManagerCheck.h"
#include "doctor/ParallelPortCheck.h"
#include "doctor/PortMapCheck.h"
#include "doctor/tests/SystemTree.h"
#include "platform/PortMap.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

namespace {

using Status = Finding::Status;

// alice (1000) is in dialout (20) in the group database; the session decides
// whether this login is.
void AddAlice(SystemTree& tree, bool dialoutInSession)
{
    tree.AddGroup("dialout", 20, "alice");
    tree.AddGroup("alice", 1000, "");
    tree.AddUser("alice", 1000, 1000);
    tree.SetSession(1000, 1000, dialoutInSession ? std::vector<unsigned>{1000, 20} : std::vector<unsigned>{1000});
}

struct Case {
    const char* name;
    std::function<void(SystemTree&)> build;
    std::function<std::unique_ptr<Check>()> check;
    std::string subject;
    Status status;
    std::string cause;      // a part of the first note's cause ("" for no note)
    std::string fix;        // the first note's fix ("" for no note); "%LINK" stands for com1's link
    std::string fact = {};  // "name=value" the finding holds
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

std::unique_ptr<Check> Ports() { return std::make_unique<PortMapCheck>(); }
std::unique_ptr<Check> Modem() { return std::make_unique<ModemManagerCheck>(); }
std::unique_ptr<Check> Brltty() { return std::make_unique<BrlttyCheck>(); }
std::unique_ptr<Check> Parallel() { return std::make_unique<ParallelPortCheck>(); }

const std::string kBrlttyRules = "/usr/lib/udev/rules.d/85-brltty.rules";
// What the check tells a user whose brltty claims serial adapters.
const std::string kBrlttyFix = "without a braille display: sudo apt-get remove brltty; or mask its rules: sudo ln -s "
                               "/dev/null /etc/udev/rules.d/85-brltty.rules";
const std::string kBrlttyText =
    "# Device: 1A86:7523\n"
    "ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\", GOTO=\"brltty_usb_run\"\n"
    "SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"10c4\", ATTRS{idProduct}==\"ea60\", GOTO=\"brltty_usb_run\"\n"
    "ENV{PRODUCT}==\"f4b/100/*\", GOTO=\"brltty_usb_run\"\n";

const Case kCases[] = {
    {"LatencyTimerOf16",
     [](SystemTree& t) {
         AddAlice(t, true);
         t.AddAdapter({.latencyTimer = 16});
         PortMap::Link("com1", "/dev/ttyUSB0");
     },
     Ports, "com1", Status::Warning, "the latency timer of ttyUSB0 is 16 ms",
     "echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB0/latency_timer (until it is unplugged); to keep it: " +
         ExampleRules::InstallCommand(),
     "driver=ftdi_sio"},
    {"LatencyTimerOf1IsFine",
     [](SystemTree& t) {
         AddAlice(t, true);
         t.AddAdapter({.latencyTimer = 1});
         PortMap::Link("com1", "/dev/ttyUSB0");
     },
     Ports, "com1", Status::Ok, "", "", "by-id=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K4ZQB-if00-port0"},
    {"TwoAdaptersShareOneByIdName",
     [](SystemTree& t) {
         AddAlice(t, true);
         t.AddAdapter({.tty = "ttyUSB0", .usbPort = "1-1", .serial = "0000"});
         t.AddAdapter({.tty = "ttyUSB1", .usbPort = "1-2", .serial = "0000"});
         PortMap::Link("com1", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_0000-if00-port0");
     },
     Ports, "com1", Status::Warning,
     "ttyUSB1 and ttyUSB0 are two adapters with the same vendor, product and serial number (\"0000\")",
     "link the port by the USB socket instead: ln -sfn /dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0 %LINK",
     "device=/dev/ttyUSB1"},
    {"InDialoutInTheDatabaseButNotInThisLogin",
     [](SystemTree& t) {
         AddAlice(t, false);
         t.AddAdapter({});
         PortMap::Link("com1", "/dev/ttyUSB0");
     },
     Ports, "com1", Status::Problem, "alice is in group \"dialout\" in the group database, but not in this login",
     "log in again (or, for this shell only: newgrp dialout)", "access=denied"},
    {"NotInDialoutAtAll",
     [](SystemTree& t) {
         t.AddGroup("dialout", 20, "");
         t.AddUser("bob", 1001, 1001);
         t.SetSession(1001, 1001, {1001});
         t.AddAdapter({});
         PortMap::Link("com1", "/dev/ttyUSB0");
     },
     Ports, "com1", Status::Problem, "/dev/ttyUSB0 belongs to group \"dialout\"",
     "sudo usermod -aG dialout bob, then log in again", "group=dialout"},
    {"DanglingLink",
     [](SystemTree&) { PortMap::Link("com1", "/dev/ttyUSB3"); },
     Ports, "com1", Status::Problem, "/dev/ttyUSB3 does not exist",
     "plug the adapter in, or link the port to its device: ln -sfn /dev/serial/by-id/<adapter> %LINK"},
    {"LinkToARegularFile",
     [](SystemTree& t) {
         t.AddFile("/home/notes.txt", "x");
         PortMap::Link("com1", "/home/notes.txt");
     },
     Ports, "com1", Status::Problem, "/home/notes.txt is a regular file, not a serial device",
     "link the port to its device: ln -sfn /dev/serial/by-id/<adapter> %LINK", "kind=regular file"},
    {"ModemManagerRunning",
     [](SystemTree& t) {
         t.AddProcess(1, "systemd");
         t.AddProcess(812, "ModemManager");
     },
     Modem, "ModemManager", Status::Warning, "ModemManager is running",
     "let it leave the adapters alone (ENV{ID_MM_DEVICE_IGNORE}=\"1\" in " + ExampleRules::Path() +
         "): " + ExampleRules::InstallCommand() + "; or, without a modem: sudo systemctl disable --now ModemManager",
     "process=812"},
    {"ModemManagerToldToLeaveAdaptersAlone",
     [](SystemTree& t) {
         t.AddProcess(812, "ModemManager");
         t.AddFile("/etc/udev/rules.d/60-varnix-serial.rules", "ATTRS{idVendor}==\"0403\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"\n");
     },
     Modem, "ModemManager", Status::Ok, "", "", "rules=/etc/udev/rules.d/60-varnix-serial.rules"},
    {"BrlttyRulesClaimSerialChips",
     [](SystemTree& t) { t.AddFile(kBrlttyRules, kBrlttyText); },
     Brltty, kBrlttyRules, Status::Warning, "claim the serial adapter chips CP210x (10c4:ea60), CH340 (1a86:7523)",
     kBrlttyFix},
    {"BrlttyRulesClaimAnAdapterPluggedIn",
     [](SystemTree& t) {
         t.AddFile(kBrlttyRules, kBrlttyText);
         t.AddAdapter({.vendor = "1a86", .product = "7523", .driver = "ch341"});
     },
     Brltty, kBrlttyRules, Status::Problem, "and one of them is plugged in now",
     kBrlttyFix},
    {"BrlttyRulesMasked",
     [](SystemTree& t) {
         t.AddFile(kBrlttyRules, kBrlttyText);
         t.AddLink("/etc/udev/rules.d/85-brltty.rules", "/dev/null");
     },
     Brltty, "/etc/udev/rules.d/85-brltty.rules", Status::Ok, "", ""},
    {"ParallelPortWithoutPpdev",
     [](SystemTree& t) {
         AddAlice(t, true);
         t.AddGroup("lp", 7, "alice");
         t.SetSession(1000, 1000, {1000, 7});
         t.AddNode("/dev/parport0", 0660, 0, 7);
         PortMap::Link("lpt1", "/dev/parport0");
     },
     Parallel, "lpt1", Status::Problem, "the ppdev module",
     "sudo modprobe ppdev; to load it at every start: echo ppdev | sudo tee /etc/modules-load.d/ppdev.conf",
     "group=lp"},
    {"ParallelPortReady",
     [](SystemTree& t) {
         t.AddNode("/dev/parport0", 0660, 0, 7);
         t.AddFile("/sys/module/ppdev/refcnt", "0\n");
         PortMap::Link("lpt1", "/dev/parport0");
     },
     Parallel, "lpt1", Status::Ok, "", "", "ppdev=loaded"},
};

class DoctorChecksTest : public ::testing::TestWithParam<Case> {};

TEST_P(DoctorChecksTest, FindsTheSituationAndItsFix)
{
    if (!SystemTree::CanMakeNodes()) GTEST_SKIP() << "mknod is not allowed here: the device nodes cannot be built";
    const Case& c = GetParam();
    ScopedConfigHome home;
    SystemTree tree;
    c.build(tree);
    const SystemImage image(tree.Root());
    const UserSession session = UserSession::Of(image);
    Report report;
    c.check()->Run({image, session, false}, report);

    const Finding* finding = report.Find(c.subject);
    ASSERT_NE(finding, nullptr) << "no finding about " << c.subject;
    EXPECT_EQ(finding->status(), c.status) << finding->summary;
    if (c.cause.empty()) {
        EXPECT_TRUE(finding->notes.empty()) << finding->notes.front().cause;
    } else {
        ASSERT_FALSE(finding->notes.empty());
        EXPECT_NE(finding->notes.front().cause.find(c.cause), std::string::npos) << finding->notes.front().cause;
        std::string fix = c.fix;
        if (const auto at = fix.find("%LINK"); at != std::string::npos) fix.replace(at, 5, PortMap::LinkPath("com1"));
        EXPECT_EQ(finding->notes.front().fix, fix);
    }
    if (!c.fact.empty()) {
        const std::string name = c.fact.substr(0, c.fact.find('=')), value = c.fact.substr(c.fact.find('=') + 1);
        EXPECT_NE(std::find(finding->facts.begin(), finding->facts.end(), std::make_pair(name, value)),
                  finding->facts.end())
            << c.fact;
    }
}

INSTANTIATE_TEST_SUITE_P(Situations, DoctorChecksTest, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(BrlttyRules, ClaimedIdsReadBothFormsAndPadLeadingZeros)
{
    EXPECT_EQ(BrlttyCheck::ClaimedIds(kBrlttyText), (std::vector<std::string>{"0f4b:0100", "10c4:ea60", "1a86:7523"}));
}

}  // namespace
