#include "simulators/dspq47/Q47Unit.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Feed(Q47Unit& unit, const Bytes& bytes)
{
    Bytes answer;
    for (std::uint8_t b : bytes) {
        const Bytes part = unit.Receive(b);
        answer.insert(answer.end(), part.begin(), part.end());
    }
    return answer;
}

// Command 0x42, the fields and a checksum (the right one unless given).
Bytes WriteStream(const Q47Unit::Fields& fields, int checksum = -1)
{
    const int sum = checksum >= 0 ? checksum : Q47Unit::Checksum(fields);
    Bytes s{Q47Unit::kWriteConfig};
    s.insert(s.end(), fields.begin(), fields.end());
    s.push_back(static_cast<std::uint8_t>(sum >> 8));
    s.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    return s;
}

Q47Unit::Fields SomeFields()
{
    Q47Unit::Fields f = Q47Unit::FactoryFields();
    f[0] = 1;     // dual tone mode
    f[2] = 0xEA;  // MON relay time 60000
    f[3] = 0x60;
    f[12 + 8 * 5 + 2] = 2;  // row 5 on relay 2
    f[812] = 0xFF;          // sidetone gain -40
    f[813] = 0xD8;
    f[Q47Unit::kTextOffset] = 'Q';
    return f;
}

}  // namespace

TEST(Q47UnitTest, FactoryConfigurationHasTheKnownChecksum)
{
    EXPECT_EQ(Q47Unit::Checksum(Q47Unit::FactoryFields()), 0x42D5);
}

TEST(Q47UnitTest, ChecksumCountsTextBytesSignedAndWordsWhole)
{
    Q47Unit::Fields f{};
    EXPECT_EQ(Q47Unit::Checksum(f), 0);
    f[Q47Unit::kTextOffset + 49] = 0xC9;  // -55
    EXPECT_EQ(Q47Unit::Checksum(f), 0x10000 - 55);
    f[Q47Unit::kTextOffset + 49] = 0;
    f[2] = 0x01;    // header word at 2: 0x0100
    f[4] = 0x02;    // header byte at 4
    f[12] = 0x03;   // row 0 duration high byte: 0x0300
    f[15] = 0x04;   // row 0 tone active byte
    f[886] = 0x05;  // last word: 0x0500
    EXPECT_EQ(Q47Unit::Checksum(f), 0x0100 + 2 + 0x0300 + 4 + 0x0500);
}

TEST(Q47UnitTest, ReadCommandAnswersTheFieldsAndTheirChecksum)
{
    Q47Unit unit;
    const Bytes answer = Feed(unit, {Q47Unit::kReadConfig});
    ASSERT_EQ(answer.size(), Q47Unit::kStreamBytes);
    const Q47Unit::Fields factory = Q47Unit::FactoryFields();
    EXPECT_TRUE(std::equal(factory.begin(), factory.end(), answer.begin()));
    EXPECT_EQ(answer[938], 0x42);
    EXPECT_EQ(answer[939], 0xD5);
    EXPECT_EQ(unit.ReadRequests(), 1u);
}

TEST(Q47UnitTest, GoodConfigurationIsTakenAndAcknowledged)
{
    Q47Unit unit;
    EXPECT_EQ(Feed(unit, WriteStream(SomeFields())), Bytes{0x41});
    EXPECT_EQ(unit.StoredFields(), SomeFields());
    EXPECT_EQ(unit.ConfigurationsTaken(), 1u);
    const Bytes answer = Feed(unit, {Q47Unit::kReadConfig});
    ASSERT_EQ(answer.size(), Q47Unit::kStreamBytes);
    EXPECT_EQ(answer[0], 1);
    EXPECT_EQ(answer[812], 0xFF);
}

TEST(Q47UnitTest, WrongChecksumIsRefusedAndTheOldConfigurationKept)
{
    Q47Unit unit;
    const int wrong = (Q47Unit::Checksum(SomeFields()) + 1) & 0xFFFF;
    EXPECT_EQ(Feed(unit, WriteStream(SomeFields(), wrong)), Bytes{0x15});
    EXPECT_EQ(unit.StoredFields(), Q47Unit::FactoryFields());
    EXPECT_EQ(unit.ConfigurationsRefused(), 1u);
}

TEST(Q47UnitTest, CommandValuesInsideAConfigurationAreData)
{
    Q47Unit::Fields f = Q47Unit::FactoryFields();
    f[0] = Q47Unit::kReadConfig;
    f[1] = Q47Unit::kWriteConfig;
    Q47Unit unit;
    EXPECT_EQ(Feed(unit, WriteStream(f)), Bytes{0x41});
    EXPECT_EQ(unit.StoredFields(), f);
    EXPECT_EQ(unit.ReadRequests(), 0u);
}

TEST(Q47UnitTest, StrayBytesBetweenCommandsAreIgnored)
{
    Q47Unit unit;
    EXPECT_TRUE(Feed(unit, {0x00, 0xFF, 0x43, 0x0D}).empty());
    EXPECT_FALSE(unit.InFrame());
}

TEST(Q47UnitTest, QuietLineForgetsAHalfReceivedConfiguration)
{
    Q47Unit unit;
    Bytes part = WriteStream(SomeFields());
    part.resize(300);
    EXPECT_TRUE(Feed(unit, part).empty());
    EXPECT_TRUE(unit.InFrame());
    unit.AbandonPartialFrame();
    EXPECT_FALSE(unit.InFrame());
    EXPECT_EQ(Feed(unit, {Q47Unit::kReadConfig}).size(), Q47Unit::kStreamBytes);
    EXPECT_EQ(unit.StoredFields(), Q47Unit::FactoryFields());
}

TEST(Q47UnitTest, SilentUnitAnswersNothing)
{
    Q47Unit unit;
    unit.SetFault({Q47FaultKind::Silence, 0});
    EXPECT_TRUE(Feed(unit, {Q47Unit::kReadConfig}).empty());
    EXPECT_TRUE(Feed(unit, WriteStream(SomeFields())).empty());
    EXPECT_EQ(unit.StoredFields(), Q47Unit::FactoryFields());
}

TEST(Q47UnitTest, WrongAcknowledgeAnswersTheGivenByteAndKeepsTheOldConfiguration)
{
    Q47Unit unit;
    unit.SetFault({Q47FaultKind::WrongAcknowledge, 0x4E});
    EXPECT_EQ(Feed(unit, WriteStream(SomeFields())), Bytes{0x4E});
    EXPECT_EQ(unit.StoredFields(), Q47Unit::FactoryFields());
}

TEST(Q47UnitTest, StopInRowSendsTheRowsBeforeAndHalfTheRow)
{
    Q47Unit unit;
    unit.SetFault({Q47FaultKind::StopInRow, 40});
    const Bytes answer = Feed(unit, {Q47Unit::kReadConfig});
    EXPECT_EQ(answer.size(), 12u + 40u * 8u + 4u);
    const Q47Unit::Fields factory = Q47Unit::FactoryFields();
    EXPECT_TRUE(std::equal(answer.begin(), answer.end(), factory.begin()));
}

TEST(Q47UnitTest, StopAfterRowsSendsHeaderAndRowsOnly)
{
    Q47Unit unit;
    unit.SetFault({Q47FaultKind::StopAfterRows, 0});
    EXPECT_EQ(Feed(unit, {Q47Unit::kReadConfig}).size(), 812u);
}

TEST(Q47UnitTest, BadChecksumSendsTheChecksumOneTooHigh)
{
    Q47Unit unit;
    unit.SetFault({Q47FaultKind::BadChecksum, 0});
    const Bytes answer = Feed(unit, {Q47Unit::kReadConfig});
    ASSERT_EQ(answer.size(), Q47Unit::kStreamBytes);
    EXPECT_EQ(answer[938], 0x42);
    EXPECT_EQ(answer[939], 0xD6);
}

TEST(Q47UnitTest, ReadFaultsDoNotHinderTakingAConfiguration)
{
    Q47Unit unit;
    unit.SetFault({Q47FaultKind::BadChecksum, 0});
    EXPECT_EQ(Feed(unit, WriteStream(SomeFields())), Bytes{0x41});
    EXPECT_EQ(unit.StoredFields(), SomeFields());
}
