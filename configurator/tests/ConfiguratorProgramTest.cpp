// The dspq47 program as a shell runs it.
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

TEST(ConfiguratorProgramTest, WithoutADisplayItSaysSoAndEndsWithStatus1)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    QProcess dspq47;
    dspq47.setProcessEnvironment(environment);
    dspq47.start(QStringLiteral(DSPQ47_PATH), {});
    ASSERT_TRUE(dspq47.waitForFinished(60000));
    EXPECT_EQ(dspq47.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(dspq47.exitCode(), 1);
    EXPECT_EQ(dspq47.readAllStandardError().toStdString(),
              "dspq47: there is no display to show the dialog on; dspq47-cli needs none (dspq47 --help)\n");
    EXPECT_EQ(dspq47.readAllStandardOutput().toStdString(), "");
}

}  // namespace
