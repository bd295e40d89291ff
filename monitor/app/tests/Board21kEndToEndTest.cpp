#include "automation/dbus/BusNames.h"
#include "monitor/app/tests/VarnixBusFixture.h"
#include "monitor/boards/Ezkit21k.h"
#include "monitor/boards/Faderbox.h"
#include "platform/PortMap.h"

#include <QProcess>
#include <QTemporaryDir>

namespace {

class Board21kEndToEndTest : public VarnixBusFixture {};

TEST_F(Board21kEndToEndTest, AScriptProgramsThe21kBoardFromHexAndPingsTheConsole)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    // The script's simulator serves com1: the fixture's own line gives the name up, as a
    // simulator never takes over a link to a live line.
    PortMap::Unlink("com1");
    QProcess script;
    script.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral(PROGRAM_21K_SCRIPT), QStringLiteral(VARNIX_CALL_PATH), QStringLiteral(EZKIT21K_SIM_PATH),
                  QStringLiteral(FADERBOX_SIM_PATH), work.path()});
    ASSERT_TRUE(script.waitForFinished(180000));
    const QByteArray errors = script.readAllStandardError();
    EXPECT_EQ(script.exitCode(), 0) << errors.toStdString();
    // ProgFlash and VerifyFlash return 0, GetLockout the board's bit 1, no error is
    // left; the other image differs first at 0x20F0 (8432); the console answers one
    // ping and then stays silent.
    EXPECT_EQ(script.readAllStandardOutput().toStdString(),
              "0\n0\n2\n0\n"
              "varnix-call: VerifyFlash: Verify Error at Addr (code 8432)\n"
              "[65535, 42]\n"
              "varnix-call: Ping: SerialPort Timeout Error (code 0)\n");

    EXPECT_TRUE(NameGone(*BusNames::ClassBusName(Ezkit21k::kClassId)));
    EXPECT_TRUE(NameGone(*BusNames::ClassBusName(Faderbox::kClassId)));
}

}  // namespace
