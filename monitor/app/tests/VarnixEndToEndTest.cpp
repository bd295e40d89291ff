#include "automation/dbus/BusNames.h"
#include "monitor/app/tests/VarnixBusFixture.h"
#include "monitor/boards/Ez2181.h"
#include "platform/PortMap.h"
#include "platform/tests/LoopbackPeer.h"

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTemporaryDir>

namespace {

class VarnixEndToEndTest : public VarnixBusFixture {};

TEST_F(VarnixEndToEndTest, AScriptProgramsAndVerifiesTheSimulatedBoardsFlash)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    // The script's simulator serves com1: the fixture's own line gives the name up, as a
    // simulator never takes over a link to a live line.
    PortMap::Unlink("com1");
    QProcess script;
    script.start(QStringLiteral("/bin/sh"), {QStringLiteral(PROGRAM_FLASH_SCRIPT), QStringLiteral(VARNIX_CALL_PATH),
                                             QStringLiteral(EZ2181_SIM_PATH), work.path()});
    ASSERT_TRUE(script.waitForFinished(180000));
    const QByteArray errors = script.readAllStandardError();
    EXPECT_EQ(script.exitCode(), 0) << errors.toStdString();
    // SetBaud, ProgFlash and VerifyFlash return 0 and no error is left; the
    // other image differs first at 0x1010 (4112), where the verify stops.
    EXPECT_EQ(script.readAllStandardOutput().toStdString(),
              "0\n0\n0\n0\nvarnix-call: VerifyFlash: Verify Error at Addr (code 4112)\n");

    // Each varnix-call released its object when it ended, and so the server ended.
    EXPECT_TRUE(NameGone(*BusNames::ClassBusName(Ez2181::kClassId)));
}

// A port that cannot be opened: the first thing a newcomer types, before a simulator has
// linked com1, and a network port where nothing listens. Whatever the error method,
// varnix-call says what the object recorded and exits 1, PowerOn as soon as Reset.
TEST_F(VarnixEndToEndTest, ACallOnAPortThatCannotBeOpenedSaysWhyByEveryErrorMethod)
{
    LoopbackPeer refusing(LoopbackPeer::Kind::Refusing);
    ASSERT_TRUE(refusing.ok());
    PortMap::Unlink("com1");
    const std::string notMapped = "Can't write to serial port (" + PortMap::NotMappedText("COM1") + ")";
    const std::string refused = "Can't write to serial port (COM1 (" + PortMap::LinkPath("com1") + "): " +
                                refusing.HostAndPort() + " refused the connection (no port server listens there))";
    const struct {
        std::string link;  // com1's link text; empty for none
        QStringList steps;
        std::string failure;
    } cases[] = {
        {"", {"Reset(0)"}, "Reset: " + notMapped + " (code 0)"},
        {"", {"ErrorMethod=1", "Reset(0)"}, "Reset: " + notMapped + " (code 0)"},
        {"", {"ErrorMethod=2", "PowerOn"}, "PowerOn: " + notMapped + " (code 0)"},
        {refusing.Address(), {"PowerOn"}, "PowerOn: " + refused + " (code 0)"},
        {refusing.Address(), {"ErrorMethod=1", "PowerOn"}, "PowerOn: " + refused + " (code 0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps.join(' ').toStdString() + " on " + c.link);
        PortMap::Unlink("com1");
        if (!c.link.empty()) {
            ASSERT_TRUE(PortMap::Link("com1", c.link));
        }
        QProcess call;
        call.start(QStringLiteral(VARNIX_CALL_PATH), QStringList{QStringLiteral("varnix.ez2181")} + c.steps);
        ASSERT_TRUE(call.waitForFinished(120000));
        EXPECT_EQ(call.readAllStandardError().toStdString(), "varnix-call: " + c.failure + "\n");
        EXPECT_EQ(call.readAllStandardOutput().toStdString(), "");
        EXPECT_EQ(call.exitCode(), 1);
    }
    EXPECT_NE(notMapped.find("ln -sfn /dev/ttyUSB0 " + PortMap::LinkPath("com1")), std::string::npos);
}

}  // namespace
