// Every member of the four-wire 21xx target that talks to it, against every fault the
// simulated target shows, on a fake clock: the documented error within the link's
// time-outs and attempts, and the next call on the same object works once the fault
// is cleared and the line has been quiet long enough for the target to start afresh.

#include "faults/tests/Outcome.h"

#include "monitor/boards/FourWire21xx.h"
#include "monitor/core/tests/SRecordFiles.h"
#include "platform/tests/FakeClock.h"
#include "simulators/fourwire/FourWireTarget.h"
#include "simulators/fourwire/FourWireTargetPort.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Kind = FourWireFaultKind;

Variant Values(VarType type, std::size_t count)
{
    SafeArray array = SafeArray::Vector(type, count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto value = static_cast<std::int32_t>(i * 5 + 1);
        array.set(i, type == VT_UI1  ? Variant::UI1(static_cast<std::uint8_t>(value))
                     : type == VT_I2 ? Variant::I2(static_cast<std::int16_t>(value))
                                     : Variant::I4(value));
    }
    return Variant::Array(std::move(array));
}

// Which commands a member sends decides which faults reach it.
enum class Uses { StartUp,
                  Version,
                  SummedTransfer };

struct Member {
    const char* name;
    Uses uses;
    std::function<Variant(FourWire21xx&, const std::string& image)> call;
};

const std::vector<Member>& Members()
{
    static const std::vector<Member> members = {
        {"PowerOn", Uses::StartUp, [](FourWire21xx& b, const std::string&) { return b.PowerOn(); }},
        {"GetVer", Uses::Version, [](FourWire21xx& b, const std::string&) { return b.GetVer(); }},
        {"ReadDM", Uses::SummedTransfer, [](FourWire21xx& b, const std::string&) { return b.ReadDM(0x40, 20, 0, 0); }},
        {"WriteDM", Uses::SummedTransfer,
         [](FourWire21xx& b, const std::string&) { Variant d = Values(VT_I2, 20); return b.WriteDM(0x40, d, 0, 0); }},
        {"ReadPM", Uses::SummedTransfer, [](FourWire21xx& b, const std::string&) { return b.ReadPM(0x40, 20, 0, 0); }},
        {"WritePM", Uses::SummedTransfer,
         [](FourWire21xx& b, const std::string&) { Variant d = Values(VT_I4, 20); return b.WritePM(0x40, d, 0, 0); }},
        {"ReadIO", Uses::SummedTransfer, [](FourWire21xx& b, const std::string&) { return b.ReadIO(0x40, 4); }},
        {"WriteIO", Uses::SummedTransfer,
         [](FourWire21xx& b, const std::string&) { Variant d = Values(VT_I4, 4); return b.WriteIO(0x40, d); }},
        {"ReadFlash", Uses::SummedTransfer, [](FourWire21xx& b, const std::string&) { return b.ReadFlash(0x800, 256); }},
        {"WriteFlash", Uses::SummedTransfer,
         [](FourWire21xx& b, const std::string&) { Variant d = Values(VT_UI1, 256); return b.WriteFlash(0x800, d); }},
        {"ProgFlash", Uses::SummedTransfer, [](FourWire21xx& b, const std::string& image) { return b.ProgFlash(image); }},
        {"VerifyFlash", Uses::SummedTransfer,
         [](FourWire21xx& b, const std::string& image) { return b.VerifyFlash(image); }},
    };
    return members;
}

const char* KindName(Kind kind)
{
    switch (kind) {
    case Kind::StallMidByte: return "StallMidByte";
    case Kind::WrongStatus: return "WrongStatus";
    case Kind::BadCheckSum: return "BadCheckSum";
    case Kind::NeverPowerUp: return "NeverPowerUp";
    case Kind::DropInput1Early: return "DropInput1Early";
    }
    return "?";
}

// The version query (also the end of the start-up) reports "Timeout Error" and
// carries no sum; every other transfer reports "No Response from Device". A wrong
// status byte belongs to the version query, the early clock drop to the start-up.
Outcome Expected(Uses uses, Kind kind)
{
    const Outcome versionFailed = Outcome::Error(0, "Timeout Error");
    const Outcome transferFailed = Outcome::Error(0, "No Response from Device");
    switch (kind) {
    case Kind::StallMidByte:
    case Kind::NeverPowerUp:
        return uses == Uses::SummedTransfer ? transferFailed : versionFailed;
    case Kind::WrongStatus: return uses == Uses::SummedTransfer ? Outcome::Ok() : versionFailed;
    case Kind::BadCheckSum: return uses == Uses::SummedTransfer ? transferFailed : Outcome::Ok();
    case Kind::DropInput1Early: return uses == Uses::StartUp ? versionFailed : Outcome::Ok();
    }
    return Outcome::Ok();
}

struct Row {
    std::size_t member;
    Kind kind;
};

std::vector<Row> Rows()
{
    std::vector<Row> rows;
    for (std::size_t m = 0; m < Members().size(); ++m)
        for (Kind kind : {Kind::StallMidByte, Kind::WrongStatus, Kind::BadCheckSum, Kind::NeverPowerUp,
                          Kind::DropInput1Early})
            rows.push_back({m, kind});
    return rows;
}

class FourWireFaultMatrixTest : public ::testing::TestWithParam<Row> {
protected:
    FourWireFaultMatrixTest()
    {
        target.SetAnswerDelayMs(2);
        auto owned = std::make_unique<FourWireTargetPort>(target);
        board = std::make_unique<FourWire21xx>(FourWireLink(LPTDigitalInstrument(std::move(owned)), clock));
        const std::vector<std::uint8_t> page = PatternBytes(256, 3);
        image = MakeSRecordFile(folder, "page.bnm", {{0x900, page}});
        for (std::size_t i = 0; i < page.size(); ++i)
            target.SetFlashByte(static_cast<std::uint32_t>(0x900 + i), page[i]);
    }

    TempFolder folder;
    std::string image;
    FakeClock clock{1};  // a millisecond passes with every reading
    FourWireTarget target{clock};
    std::unique_ptr<FourWire21xx> board;
};

TEST_P(FourWireFaultMatrixTest, DocumentedErrorThenTheNextCallWorks)
{
    const Member& member = Members()[GetParam().member];
    target.InjectFault({GetParam().kind, 0, 0});

    // Every wait of the link runs on the fake clock, so a call that returns has kept
    // to its time-outs.
    const Variant failed = member.call(*board, image);
    ExpectOutcome(failed, Expected(member.uses, GetParam().kind), board->GetErrorCode(), board->GetErrorString());

    target.ClearFaults();
    clock.Advance(FourWireTarget::kResyncGapMs + 1);
    const Variant again = member.call(*board, image);
    EXPECT_TRUE(Succeeded(again)) << member.name << " after the fault: " << again << " "
                                  << board->GetErrorString();
}

std::string RowName(const ::testing::TestParamInfo<Row>& row)
{
    return std::string(Members()[row.param.member].name) + "_" + KindName(row.param.kind);
}

INSTANTIATE_TEST_SUITE_P(AllMembersAllFaults, FourWireFaultMatrixTest, ::testing::ValuesIn(Rows()), RowName);

}  // namespace
