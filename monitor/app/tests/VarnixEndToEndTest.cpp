#include "automation/dbus/BusNames.h"
#include "monitor/app/tests/VarnixBusFixture.h"
#include "monitor/boards/Ez2181.h"
#include "platform/PortMap.h"

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

// The first thing a newcomer types, before a simulator has linked com1.
TEST_F(VarnixEndToEndTest, ACallOnAPortNotInThePortMapFailsAndSaysHowToLinkIt)
{
    PortMap::Unlink("com1");
    QProcess call;
    call.start(QStringLiteral(VARNIX_CALL_PATH), {QStringLiteral("varnix.ez2181"), QStringLiteral("Reset(0)")});
    ASSERT_TRUE(call.waitForFinished(120000));
    const std::string errors = call.readAllStandardError().toStdString();
    EXPECT_EQ(call.exitCode(), 1) << errors;
    EXPECT_NE(errors.find("COM1 is not in the port map: "), std::string::npos) << errors;
    EXPECT_NE(errors.find("ln -sfn /dev/ttyUSB0 " + PortMap::LinkPath("com1")), std::string::npos) << errors;
}

}  // namespace
