// The 21k EZ-KIT board and the mixing console against every fault their simulated
// devices inject, in the same process: the documented error, at most the read
// attempts' time-outs, and the next call on the same object works once the fault is
// cleared.

#include "faults/tests/LineReleaseTest.h"
#include "faults/tests/Outcome.h"
#include "faults/tests/ServedLine.h"

#include "monitor/boards/Ezkit21k.h"
#include "monitor/boards/Faderbox.h"
#include "monitor/boards/tests/SimulatedDeviceLine.h"
#include "monitor/core/tests/IntelHexFiles.h"
#include "simulators/ezkit21k/Ezkit21kSimulator.h"
#include "simulators/faderbox/FaderboxSimulator.h"
#include "platform/tests/ScopedConfigHome.h"
#include "platform/PortMap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Kind21k = Ezkit21kFaultKind;
using KindFader = FaderboxFaultKind;

const char* KindName(Kind21k kind)
{
    switch (kind) {
    case Kind21k::Silence: return "Silence";
    case Kind21k::WrongDescriptor: return "WrongDescriptor";
    case Kind21k::WrongCount: return "WrongCount";
    case Kind21k::Garbage: return "Garbage";
    case Kind21k::Late: return "Late";
    }
    return "?";
}

Variant Values(VarType type, std::size_t count)
{
    SafeArray array = SafeArray::Vector(type, count);
    for (std::size_t i = 0; i < count; ++i)
        array.set(i, type == VT_UI1 ? Variant::UI1(static_cast<std::uint8_t>(i * 3))
                                    : Variant::I4(static_cast<std::int32_t>(0x1000 + i)));
    return Variant::Array(std::move(array));
}

struct Member21k {
    const char* name;
    unsigned spoiledRequest;  // the request packet of the call that the fault spoils
    bool spoiledIsRead;       // that request reads data memory (and is tried again)
    bool isResync;
    std::function<Variant(Ezkit21k&, const std::string& hex)> call;
};

// Request packets: a data read or write is one; a mailbox command writes its
// parameter and its command; a flash read then reads the buffer.
const std::vector<Member21k>& Members21k()
{
    static const std::vector<Member21k> members = {
        {"ResyncComm", 1, false, true, [](Ezkit21k& b, const std::string&) { return b.ResyncComm(); }},
        {"ReadDM", 1, true, false, [](Ezkit21k& b, const std::string&) { return b.ReadDM(0x2000, 300, 0, 0); }},
        {"WriteDM", 1, false, false,
         [](Ezkit21k& b, const std::string&) { Variant d = Values(VT_I4, 300); return b.WriteDM(0x2000, d, 0, 0); }},
        {"ReadFlash", 3, true, false, [](Ezkit21k& b, const std::string&) { return b.ReadFlash(0x400, 256); }},
        {"WriteFlash", 3, false, false,
         [](Ezkit21k& b, const std::string&) { Variant d = Values(VT_UI1, 256); return b.WriteFlash(0x400, d); }},
        {"ProgFlash", 2, false, false, [](Ezkit21k& b, const std::string& hex) { return b.ProgFlash(hex, 0); }},
        {"VerifyFlash", 3, true, false, [](Ezkit21k& b, const std::string& hex) { return b.VerifyFlash(hex, 0); }},
        {"SetLockout", 2, false, false, [](Ezkit21k& b, const std::string&) { return b.SetLockout(0); }},
        {"GetLockout", 5, true, false, [](Ezkit21k& b, const std::string&) { return b.GetLockout(); }},
    };
    return members;
}

// A silent monitor is a serial time-out; a wrong descriptor "Invalid Header"; a wrong
// count "Unexpected packet length" (the resynchronisation sees only a wrong
// header); stray bytes after a reply are thrown away before the next request; a late
// reply costs a read one attempt and a write its call.
Outcome Expected21k(const Member21k& member, Kind21k kind)
{
    switch (kind) {
    case Kind21k::Silence: return Outcome::Error(0, "SerialPort Timeout Error");
    case Kind21k::WrongDescriptor: return Outcome::Error(0, "Invalid Header");
    case Kind21k::WrongCount:
        return Outcome::Error(0, member.isResync ? "Invalid Header" : "Unexpected packet length");
    case Kind21k::Garbage: return Outcome::Ok();
    case Kind21k::Late: return member.spoiledIsRead ? Outcome::Ok() : Outcome::Error(0, "SerialPort Timeout Error");
    }
    return Outcome::Ok();
}

struct Row21k {
    std::size_t member;
    Kind21k kind;
};

std::vector<Row21k> Rows21k()
{
    std::vector<Row21k> rows;
    for (std::size_t m = 0; m < Members21k().size(); ++m)
        for (Kind21k kind : {Kind21k::Silence, Kind21k::WrongDescriptor, Kind21k::WrongCount, Kind21k::Garbage,
                             Kind21k::Late})
            rows.push_back({m, kind});
    return rows;
}

class Ezkit21kFaultMatrixTest : public ::testing::TestWithParam<Row21k> {
protected:
    Ezkit21kFaultMatrixTest()
    {
        auto device = std::make_unique<SimulatedDeviceLine>(monitor);
        line = device.get();
        board = std::make_unique<Ezkit21k>(std::move(device));
        std::vector<std::uint8_t> page = PatternBytes(256, 9);
        hex = MakeIntelHexFile(folder, "page.hex", {{0x500, page}});
        for (std::size_t i = 0; i < page.size(); ++i)
            monitor.SetFlashByte(static_cast<std::uint32_t>(0x500 + i), page[i]);
    }

    ScopedConfigHome home{"com1"};
    TempFolder folder;
    std::string hex;
    Ezkit21kSimulator monitor;
    SimulatedDeviceLine* line = nullptr;
    std::unique_ptr<Ezkit21k> board;
};

TEST_P(Ezkit21kFaultMatrixTest, DocumentedErrorThenTheNextCallWorks)
{
    const Member21k& member = Members21k()[GetParam().member];
    monitor.InjectFault({GetParam().kind, member.spoiledRequest, std::nullopt});

    const Variant failed = member.call(*board, hex);
    ExpectOutcome(failed, Expected21k(member, GetParam().kind), board->GetErrorCode(), board->GetErrorString());
    // A read is tried four times. GetLockout goes on with its second status byte and
    // then sends its closing command; on a hung monitor each of those waits once more.
    const std::size_t laterWaits = std::string(member.name) == "GetLockout" ? 2 : 1;
    EXPECT_LE(line->readTimeouts(), Ezkit21kLink::kReadAttempts + laterWaits);

    monitor.ClearFaults();
    const Variant again = member.call(*board, hex);
    EXPECT_TRUE(Succeeded(again)) << member.name << " after the fault: " << again << " "
                                  << board->GetErrorString();
    EXPECT_FALSE(monitor.ReadingLockoutStatus());
}

std::string RowName21k(const ::testing::TestParamInfo<Row21k>& row)
{
    return std::string(Members21k()[row.param.member].name) + "_" + KindName(row.param.kind);
}

INSTANTIATE_TEST_SUITE_P(AllMembersAllFaults, Ezkit21kFaultMatrixTest, ::testing::ValuesIn(Rows21k()), RowName21k);

struct RowFader {
    const char* name;
    KindFader kind;
    Outcome expected;
};

std::vector<RowFader> RowsFader()
{
    const Outcome timeout = Outcome::Error(0, "SerialPort Timeout Error");
    return {
        {"Silence", KindFader::Silence, timeout},
        {"WrongFirstByte", KindFader::WrongFirstByte, Outcome::Error(0, "Ping reply does not start with 0xA5")},
        {"WrongThirdByte", KindFader::WrongThirdByte, Outcome::Error(0, "Ping reply code is not 0x7F")},
        {"ShortReply", KindFader::ShortReply, timeout},
        {"Garbage", KindFader::Garbage, Outcome::Ok()},
        {"Late", KindFader::Late, timeout},
    };
}

class FaderboxFaultMatrixTest : public ::testing::TestWithParam<RowFader> {};

TEST_P(FaderboxFaultMatrixTest, PingGivesTheDocumentedErrorThenWorks)
{
    ScopedConfigHome home{"com1"};
    FaderboxSimulator console;
    console.SetPingValues(0xFFFF, 42);
    auto device = std::make_unique<SimulatedDeviceLine>(console);
    SimulatedDeviceLine* line = device.get();
    Faderbox faderbox(std::move(device));
    console.InjectFault({GetParam().kind, 1, std::nullopt});

    const Variant failed = faderbox.Ping();
    ExpectOutcome(failed, GetParam().expected, faderbox.GetErrorCode(), faderbox.GetErrorString());
    EXPECT_LE(line->readTimeouts(), 1u);

    console.ClearFaults();
    const Variant again = faderbox.Ping();
    ASSERT_TRUE(again.IsArray()) << again;
    EXPECT_EQ(again.array().at(0), Variant::I4(0xFFFF));
    EXPECT_EQ(again.array().at(1), Variant::I4(42));
}

std::string RowNameFader(const ::testing::TestParamInfo<RowFader>& row)
{
    return row.param.name;
}

INSTANTIATE_TEST_SUITE_P(EveryFault, FaderboxFaultMatrixTest, ::testing::ValuesIn(RowsFader()), RowNameFader);

}  // namespace

// The line-release cases (LineReleaseTest.h).

TEST_F(LineReleaseTest, Ezkit21kLineVanishingMidReadThenANewLine)
{
    Ezkit21kSimulator firstMonitor;
    auto first = std::make_unique<ServedLine>(firstMonitor);
    ASSERT_TRUE(first->ok());
    const std::string firstPath = first->SlavePath();
    const int held = DescriptorsOn(firstPath);
    auto board = std::make_unique<Ezkit21k>();

    firstMonitor.InjectFault({Ezkit21kFaultKind::Silence, 1, std::nullopt});
    std::thread unplug([&] {
        WaitFor([&] { return !firstMonitor.ReceivedPackets().empty(); });
        first->Vanish();
    });
    EXPECT_EQ(board->ReadDM(0x100, 16, 0, 0), Variant::Null());
    unplug.join();
    // The read is tried again, and the later attempts find no line to write to; the text
    // says why the line could not be opened again.
    EXPECT_EQ(board->GetErrorString(), "Can't write to serial port (COM1 (" + PortMap::LinkPath("com1") + "): No such file or directory)");
    EXPECT_EQ(DescriptorsOn(firstPath), held);

    Ezkit21kSimulator secondMonitor;
    secondMonitor.SetDataWord(0x100, 0x12345678);
    ServedLine second(secondMonitor);
    ASSERT_TRUE(second.ok());
    // A failed open is tried once a call: the client's next call, through the
    // object's dispatch, opens the new line.
    std::int32_t readDm = 0;
    ASSERT_EQ(board->GetIDsOfNames("ReadDM", readDm), S_OK);
    const Variant words =
        board->Invoke(readDm, InvokeKind::Method, {Variant::I4(0x100), Variant::I4(16), Variant::I4(0), Variant::I4(0)})
            .result;
    ASSERT_TRUE(words.IsArray()) << words << " " << board->GetErrorString();
    EXPECT_EQ(words.array().at(0), Variant::I4(0x12345678));
    EXPECT_FALSE(PortFree(second.SlavePath()));
    board.reset();
    EXPECT_TRUE(PortFree(second.SlavePath()));
}

TEST_F(LineReleaseTest, FaderboxWrongReplyThenTheObjectGoneLeavesThePortFree)
{
    FaderboxSimulator console;
    ServedLine line(console);
    ASSERT_TRUE(line.ok());
    {
        Faderbox faderbox;
        console.InjectFault({FaderboxFaultKind::WrongFirstByte, 1, std::nullopt});
        EXPECT_EQ(faderbox.Ping(), Variant::Null());
        EXPECT_EQ(faderbox.GetErrorString(), "Ping reply does not start with 0xA5");
        EXPECT_FALSE(PortFree(line.SlavePath()));
    }
    EXPECT_TRUE(PortFree(line.SlavePath()));
}

TEST_F(LineReleaseTest, FaderboxLineVanishingDuringAPingThenANewLine)
{
    FaderboxSimulator firstConsole;
    auto first = std::make_unique<ServedLine>(firstConsole);
    ASSERT_TRUE(first->ok());
    const std::string firstPath = first->SlavePath();
    const int held = DescriptorsOn(firstPath);
    Faderbox faderbox;

    firstConsole.InjectFault({FaderboxFaultKind::Silence, 1, std::nullopt});
    std::thread unplug([&] {
        WaitFor([&] { return firstConsole.PingsReceived() > 0; });
        first->Vanish();
    });
    EXPECT_EQ(faderbox.Ping(), Variant::Null());
    unplug.join();
    EXPECT_EQ(faderbox.GetErrorString(), "SerialPort Timeout Error");
    EXPECT_EQ(DescriptorsOn(firstPath), held);

    FaderboxSimulator secondConsole;
    secondConsole.SetPingValues(7, 8);
    ServedLine second(secondConsole);
    ASSERT_TRUE(second.ok());
    const Variant values = faderbox.Ping();
    ASSERT_TRUE(values.IsArray()) << values << " " << faderbox.GetErrorString();
    EXPECT_EQ(values.array().at(0), Variant::I4(7));
    EXPECT_EQ(values.array().at(1), Variant::I4(8));
}
