// Four simulated 2181 boards on four pseudo-terminals (com2 to com5), served by one
// varnix: calls on different boards run at the same time, and a client that dies
// lets go of its own ports only.
#include "automation/core/Dispatchable.h"
#include "automation/dbus/BusNames.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/VariantWire.h"
#include "monitor/app/tests/VarnixBusFixture.h"
#include "monitor/core/tests/SRecordFiles.h"
#include "platform/PortMap.h"
#include "platform/TermiosCommDevice.h"
#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ptyline/PtyLinePort.h"

#include <QDBusPendingCall>
#include <QProcess>

#include <array>
#include <atomic>
#include <csignal>
#include <memory>

namespace {

constexpr std::int32_t kProgFlash = 0x10006;  // Ad21xx 6 on an Ez2181
constexpr std::uint32_t kImageAddress = 0x000400;

bool PortFree(const char* name)
{
    TermiosCommDevice device;
    return device.Open(PortMap::DevicePath(name));
}

class SeveralBoardsTest : public VarnixBusFixture {
protected:
    static constexpr std::array<const char*, 4> kPorts = {"com2", "com3", "com4", "com5"};

    void SetUp() override
    {
        VarnixBusFixture::SetUp();
        // The first board is slow (9600 baud), so that its programming lasts long
        // next to a few short calls on the others.
        for (std::size_t i = 0; i < kPorts.size(); ++i) {
            lines_[i] = std::make_unique<PtyLinePort>(boards_[i], i == 0 ? 9600 : 0);
            ASSERT_TRUE(lines_[i]->Start(kPorts[i]));
        }
    }

    void TearDown() override
    {
        for (auto& line : lines_)
            if (line) line->Stop();
        VarnixBusFixture::TearDown();
    }

    // A board object of this test's client on `port`.
    std::unique_ptr<DispatchDriver> Board(const char* port)
    {
        auto board = std::make_unique<DispatchDriver>(client_);
        board->Create("varnix.ez2181");
        board->PutByName("ErrorMethod", Variant::I4(2));
        board->PutByName("Port", Variant::Bstr(port));
        return board;
    }

    std::array<Ez2181Simulator, 4> boards_;
    std::array<std::unique_ptr<PtyLinePort>, 4> lines_;
    TempFolder files_;
};

// Asserted by the order of events, not by time: every short call on the other
// boards returns while the first board is still being programmed.
TEST_F(SeveralBoardsTest, ALongProgFlashOnOneBoardDoesNotHoldUpCallsOnTheOthers)
{
    const std::vector<std::uint8_t> image = PatternBytes(2048, 5);
    const std::string file = MakeSRecordFile(files_, "slow.bnm", {{kImageAddress, image}});
    std::atomic<int> framesToFirst{0};
    boards_[0].SetFrameListener([&framesToFirst](const Ez2181Frame&) { ++framesToFirst; });

    auto first = Board(kPorts[0]);
    std::array<std::unique_ptr<DispatchDriver>, 3> others = {Board(kPorts[1]), Board(kPorts[2]), Board(kPorts[3])};
    ASSERT_EQ(first->ServerName(), others[0]->ServerName());

    QDBusMessage program = QDBusMessage::createMethodCall(first->ServerName(), first->ObjectPath(),
                                                          BusNames::kDispatchInterface, QStringLiteral("Invoke"));
    program << kProgFlash << static_cast<uint>(InvokeKind::Method)
            << QVariant::fromValue(QList<WireVariant>{WireVariant{Variant::Bstr(file), true}});
    QDBusPendingCall programming = client_.asyncCall(program, 120000);
    ASSERT_TRUE(WaitFor([&] { return framesToFirst > 0; }));

    for (std::size_t i = 0; i < others.size(); ++i) {
        EXPECT_EQ(others[i]->CallByName("Reset", {Variant::I4(0)}), Variant::I4(0));
        EXPECT_EQ(others[i]->CallByName("WriteDM", {Variant::I4(16), Variant::I4(0x100 + static_cast<int>(i)),
                                                    Variant::I4(0), Variant::I4(0)}),
                  Variant::I4(0));
    }
    const int framesMeanwhile = framesToFirst;
    EXPECT_FALSE(programming.isFinished());

    programming.waitForFinished();
    const QDBusMessage reply = programming.reply();
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_EQ(reply.arguments().at(0).toInt(), S_OK);
    EXPECT_GT(framesToFirst.load(), framesMeanwhile);
    EXPECT_EQ(boards_[0].FlashBytes(kImageAddress, image.size()), image);
    for (std::size_t i = 1; i < boards_.size(); ++i)
        EXPECT_EQ(boards_[i].DataWord(16), 0x100 + i - 1) << kPorts[i];
}

TEST_F(SeveralBoardsTest, AKilledClientFreesItsOwnPortsOnly)
{
    // A client with boards on com2 and com3, each line opened by a call.
    QProcess doomed;
    doomed.start(QStringLiteral(HOLDER_PATH), {QStringLiteral("--hold"), QStringLiteral("varnix.ez2181"),
                                               QStringLiteral("Port=com2"), QStringLiteral("Reset(0)"),
                                               QStringLiteral("varnix.ez2181"), QStringLiteral("Port=com3"),
                                               QStringLiteral("Reset(0)")});
    ASSERT_TRUE(WaitFor([&] {
        doomed.waitForReadyRead(100);
        return doomed.readAll().contains("ready") || doomed.state() == QProcess::NotRunning;
    }));
    ASSERT_EQ(doomed.state(), QProcess::Running) << doomed.readAllStandardError().toStdString();
    // This test's own boards on com4 and com5.
    auto third = Board(kPorts[2]);
    auto fourth = Board(kPorts[3]);
    EXPECT_EQ(third->CallByName("Reset", {Variant::I4(0)}), Variant::I4(0));
    EXPECT_EQ(fourth->CallByName("Reset", {Variant::I4(0)}), Variant::I4(0));
    for (const char* port : kPorts) EXPECT_FALSE(PortFree(port)) << port;

    ::kill(static_cast<pid_t>(doomed.processId()), SIGKILL);
    doomed.waitForFinished();
    EXPECT_TRUE(WaitFor([] { return PortFree("com2") && PortFree("com3"); }));
    EXPECT_FALSE(PortFree("com4"));
    EXPECT_FALSE(PortFree("com5"));
    EXPECT_EQ(third->CallByName("Reset", {Variant::I4(0)}), Variant::I4(0));
    EXPECT_EQ(fourth->CallByName("Port"), Variant::Bstr("com5"));
}

}  // namespace
