// Every member of the 2181 board that talks to the monitor, against every fault the
// simulated monitor injects, in the same process on a fake clock: the documented
// error (code and text), no more waiting than one read time-out, and the next call on
// the same object works once the fault is cleared.

#include "faults/tests/LineReleaseTest.h"
#include "faults/tests/Outcome.h"
#include "faults/tests/ServedLine.h"

#include "monitor/boards/Ez2181.h"
#include "monitor/boards/tests/SimulatedDeviceLine.h"
#include "monitor/core/tests/SRecordFiles.h"
#include "platform/tests/FakeClock.h"
#include "simulators/ez2181/Ez2181Simulator.h"
#include "platform/tests/ScopedConfigHome.h"
#include "simulators/ptyline/PtyLinePort.h"
#include "platform/PortMap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Kind = Ez2181FaultKind;

// How a member's link transfer reports a spoiled reply; each group has its own
// mapping from the link's failure codes to the recorded error.
enum class Group { Command,
                   Operand,
                   ReadWords,
                   WriteWords,
                   Flash };

struct Member {
    const char* name;
    Group group;
    unsigned frames;  // request frames one call sends; the fault spoils the last
    std::function<Variant(Ez2181&, const std::string& image)> call;
};

Variant Words(std::size_t count)
{
    SafeArray array = SafeArray::Vector(VT_I4, count);
    for (std::size_t i = 0; i < count; ++i)
        array.set(i, Variant::I4(static_cast<std::int32_t>(0x100 + i)));
    return Variant::Array(std::move(array));
}

Variant FlashBytes(std::size_t count)
{
    SafeArray array = SafeArray::Vector(VT_UI1, count);
    for (std::size_t i = 0; i < count; ++i)
        array.set(i, Variant::UI1(static_cast<std::uint8_t>(i * 7)));
    return Variant::Array(std::move(array));
}

const std::vector<Member>& Members()
{
    static const std::vector<Member> members = {
        {"Reset", Group::Command, 1, [](Ez2181& ez, const std::string&) { return ez.Reset(0); }},
        {"Run", Group::Operand, 1, [](Ez2181& ez, const std::string&) { return ez.Run(1); }},
        {"ReadDM", Group::ReadWords, 2, [](Ez2181& ez, const std::string&) { return ez.ReadDM(0x10, 50, 0, 0); }},
        {"ReadPM", Group::ReadWords, 2, [](Ez2181& ez, const std::string&) { return ez.ReadPM(0x10, 50, 0, 0); }},
        {"ReadIO", Group::ReadWords, 1, [](Ez2181& ez, const std::string&) { return ez.ReadIO(0x10, 8); }},
        {"WriteDM", Group::WriteWords, 2,
         [](Ez2181& ez, const std::string&) { Variant data = Words(50); return ez.WriteDM(0x10, data, 0, 0); }},
        {"WritePM", Group::WriteWords, 2,
         [](Ez2181& ez, const std::string&) { Variant data = Words(50); return ez.WritePM(0x10, data, 0, 0); }},
        {"WriteIO", Group::WriteWords, 1,
         [](Ez2181& ez, const std::string&) { Variant data = Words(8); return ez.WriteIO(0x10, data); }},
        {"ReadFlash", Group::Flash, 2, [](Ez2181& ez, const std::string&) { return ez.ReadFlash(0x200, 256); }},
        {"WriteFlash", Group::Flash, 3,
         [](Ez2181& ez, const std::string&) { Variant data = FlashBytes(256); return ez.WriteFlash(0x200, data); }},
        {"ProgFlash", Group::Flash, 3, [](Ez2181& ez, const std::string& image) { return ez.ProgFlash(image); }},
        {"VerifyFlash", Group::Flash, 2, [](Ez2181& ez, const std::string& image) { return ez.VerifyFlash(image); }},
    };
    return members;
}

const std::vector<Ez2181Fault>& Faults()
{
    static const std::vector<Ez2181Fault> faults = {
        {Kind::WrongSync},
        {Kind::WrongAddress},
        {Kind::WrongLength},
        {Kind::WrongStatus},
        {Kind::WrongCheckByte},
        {Kind::DroppedByte},
        {Kind::Silence},
    };
    return faults;
}

const char* KindName(Kind kind)
{
    switch (kind) {
    case Kind::WrongSync: return "WrongSync";
    case Kind::WrongAddress: return "WrongAddress";
    case Kind::WrongLength: return "WrongLength";
    case Kind::WrongStatus: return "WrongStatus";
    case Kind::WrongCheckByte: return "WrongCheckByte";
    case Kind::DroppedByte: return "DroppedByte";
    case Kind::Silence: return "Silence";
    }
    return "?";
}

// The documented outcome: the link's failure codes (1 no sync, 2 address byte,
// 3 length or status, 4 length, 6 check bytes) as each member records them; a byte
// that never comes is a serial time-out; the reply's address byte is looked at by
// the plain command exchange only.
Outcome Expected(Group group, Kind kind)
{
    const Outcome timeout = Outcome::Error(0, "SerialPort Timeout Error");
    if (kind == Kind::DroppedByte || kind == Kind::Silence)
        return timeout;
    if (group == Group::Flash)
        return kind == Kind::WrongAddress ? Outcome::Ok() : Outcome::Error(0, "No Response from Device");
    if (group == Group::Command) {
        switch (kind) {
        case Kind::WrongSync: return Outcome::Error(1, "Error");
        case Kind::WrongAddress: return Outcome::Error(2, "Error");
        case Kind::WrongCheckByte: return Outcome::Error(6, "Error");
        default: return Outcome::Error(4, "Error");
        }
    }
    switch (kind) {
    case Kind::WrongSync: return Outcome::Error(1, "Error");
    case Kind::WrongAddress: return Outcome::Ok();
    case Kind::WrongStatus: return Outcome::Error(3, "Error");
    case Kind::WrongLength: return Outcome::Error(4, "Error");
    default:
        return group == Group::ReadWords ? Outcome::Error(0, "Invalid Checksum") : Outcome::Error(1, "Error");
    }
}

struct Row {
    std::size_t member;
    Ez2181Fault fault;
};

std::vector<Row> Rows()
{
    std::vector<Row> rows;
    for (std::size_t m = 0; m < Members().size(); ++m)
        for (const Ez2181Fault& fault : Faults())
            rows.push_back({m, fault});
    return rows;
}

std::string RowName(const ::testing::TestParamInfo<Row>& info)
{
    return std::string(Members()[info.param.member].name) + "_" + KindName(info.param.fault.kind);
}

class Ez2181FaultMatrixTest : public ::testing::TestWithParam<Row> {
protected:
    Ez2181FaultMatrixTest()
    {
        auto device = std::make_unique<SimulatedDeviceLine>(board, &clock);
        ez = std::make_unique<Ez2181>(std::move(device), clock);
        // One page of flash image, programmed and verified by the flash members.
        image = MakeSRecordFile(folder, "page.bnm", {{0x300, PatternBytes(256, 5)}});
        for (std::size_t i = 0; i < 256; ++i)
            board.SetFlashByte(0x300 + i, PatternBytes(256, 5)[i]);
    }

    ScopedConfigHome home{"com1"};
    TempFolder folder;
    std::string image;
    Ez2181Simulator board;
    FakeClock clock;
    std::unique_ptr<Ez2181> ez;
};

TEST_P(Ez2181FaultMatrixTest, DocumentedErrorThenTheNextCallWorks)
{
    const Member& member = Members()[GetParam().member];
    Ez2181Fault fault = GetParam().fault;
    fault.request = member.frames;
    board.InjectFault(fault);

    const std::uint64_t before = clock.NowMs();
    const Variant failed = member.call(*ez, image);
    ExpectOutcome(failed, Expected(member.group, fault.kind), ez->GetErrorCode(), ez->GetErrorString());
    // A missing byte ends the call at its first read time-out (1 s on this line).
    EXPECT_LE(clock.NowMs() - before, 1000u);

    board.ClearFaults();
    const Variant again = member.call(*ez, image);
    EXPECT_TRUE(Succeeded(again)) << member.name << " after the fault: " << again << " "
                                  << ez->GetErrorString();
}

INSTANTIATE_TEST_SUITE_P(AllMembersAllFaults, Ez2181FaultMatrixTest, ::testing::ValuesIn(Rows()), RowName);

}  // namespace

// The line-release cases (LineReleaseTest.h).

TEST_F(LineReleaseTest, Ez2181SilentBoardThenTheObjectGoneLeavesThePortFree)
{
    Ez2181Simulator board;
    PtyLinePort line(board);
    ASSERT_TRUE(line.Start("com1"));
    {
        Ez2181 ez;
        board.InjectFault({Ez2181FaultKind::Silence});
        EXPECT_EQ(ez.Reset(0), Variant::Null());
        EXPECT_EQ(ez.GetErrorString(), "SerialPort Timeout Error");
        EXPECT_FALSE(PortFree(line.SlavePath()));
    }
    EXPECT_TRUE(PortFree(line.SlavePath()));
}

TEST_F(LineReleaseTest, Ez2181LineVanishingMidTransferThenANewLine)
{
    const std::vector<std::uint8_t> page = PatternBytes(256, 11);
    const std::string image = MakeSRecordFile(folder, "page.bnm", {{0x100, page}});
    Ez2181Simulator firstBoard;
    auto first = std::make_unique<PtyLinePort>(firstBoard);
    ASSERT_TRUE(first->Start("com1"));
    const std::string firstPath = first->SlavePath();
    const int held = DescriptorsOn(firstPath);
    Ez2181 ez;

    // The second frame of the page (its second buffer load) is never answered, and the
    // line goes while the PC waits for the answer.
    firstBoard.InjectFault({Ez2181FaultKind::Silence, 2});
    std::thread unplug([&] {
        WaitFor([&] { return firstBoard.Silent(); });
        first->VanishLine();
    });
    const Variant failed = ez.ProgFlash(image);
    unplug.join();
    EXPECT_EQ(failed, Variant::Null());
    EXPECT_EQ(ez.GetErrorCode(), 0);
    EXPECT_EQ(ez.GetErrorString(), "SerialPort Timeout Error");
    EXPECT_EQ(DescriptorsOn(firstPath), held);

    Ez2181Simulator secondBoard;
    PtyLinePort second(secondBoard);
    ASSERT_TRUE(second.Start("com1"));
    EXPECT_EQ(ez.ProgFlash(image), Variant::I4(0)) << ez.GetErrorString();
    EXPECT_EQ(secondBoard.FlashBytes(0x100, page.size()), page);
    EXPECT_FALSE(PortFree(second.SlavePath()));
}

TEST_F(LineReleaseTest, Ez2181BehindAByPathNameFollowsTheAdapterToItsNewNode)
{
    const std::vector<std::uint8_t> page = PatternBytes(256, 12);
    const std::string image = MakeSRecordFile(folder, "page.bnm", {{0x100, page}});
    const std::filesystem::path byPath = folder.Path("serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0");
    std::filesystem::create_directories(byPath.parent_path());
    ASSERT_TRUE(PortMap::Link("com1", byPath.string()));

    Ez2181Simulator firstBoard;
    auto first = std::make_unique<ServedLine>(firstBoard, byPath);
    ASSERT_TRUE(first->ok());
    Ez2181 ez;
    EXPECT_EQ(ez.ProgFlash(image), Variant::I4(0)) << ez.GetErrorString();
    EXPECT_EQ(firstBoard.FlashBytes(0x100, page.size()), page);

    // Unplugged, and plugged in again as another node, which the by-path name now names.
    first->Vanish();
    Ez2181Simulator secondBoard;
    ServedLine second(secondBoard, byPath);
    ASSERT_TRUE(second.ok());
    ASSERT_NE(second.SlavePath(), first->SlavePath());

    // The call that finds the old line gone fails and lets it go; the next one opens
    // the port again through the port map's link and the by-path name.
    EXPECT_EQ(ez.ProgFlash(image), Variant::Null());
    EXPECT_EQ(ez.GetErrorString(), "Can't write to serial port");
    EXPECT_EQ(ez.ProgFlash(image), Variant::I4(0)) << ez.GetErrorString();
    EXPECT_EQ(secondBoard.FlashBytes(0x100, page.size()), page);
    EXPECT_FALSE(PortFree(second.SlavePath()));
    EXPECT_EQ(std::filesystem::read_symlink(PortMap::LinkPath("com1")), byPath);
}
