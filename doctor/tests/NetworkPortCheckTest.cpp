// Network ports are connected to only with --network, then through Debian's
// ser2net serving the test's own pseudo-terminal.
#include "doctor/NetworkPortCheck.h"
#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/tests/ScopedConfigHome.h"
#include "platform/Ser2netServer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

Report Check(bool network)
{
    const SystemImage image;
    const UserSession session = UserSession::Of(image);
    Report report;
    NetworkPortCheck().Run({image, session, network}, report);
    return report;
}

TEST(NetworkPortCheck, ConnectsAndNegotiatesOnlyWhenAsked)
{
    if (Ser2netServer::Program().empty()) GTEST_SKIP() << "ser2net is not installed";
    ScopedConfigHome home;
    PtyPair line;
    QTemporaryDir folder;
    Ser2netServer server(line.slavePath(), folder.path().toStdString());
    ASSERT_TRUE(server.Start());
    ASSERT_TRUE(PortMap::Link("com3", server.Address()));

    const Report untried = Check(false);
    ASSERT_NE(untried.Find("com3"), nullptr);
    EXPECT_EQ(untried.Find("com3")->summary, "com3 -> " + server.Address() +
                                                 ": network port, not tried (--network connects to it, and the port "
                                                 "server then opens its device)");

    const Report tried = Check(true);
    ASSERT_NE(tried.Find("com3"), nullptr);
    EXPECT_EQ(tried.Find("com3")->status(), Finding::Status::Ok) << tried.Find("com3")->notes.front().cause;
    EXPECT_EQ(tried.Find("com3")->summary.rfind("com3 -> " + server.Address() + ": connected and negotiated RFC 2217 in ", 0), 0u);
}

TEST(NetworkPortCheck, NamesWhyAPortCannotBeUsed)
{
    ScopedConfigHome home;
    // Port 1 on the loopback: nothing listens there.
    ASSERT_TRUE(PortMap::Link("com4", "rfc2217://127.0.0.1:1"));
    const Report report = Check(true);
    const Finding* finding = report.Find("com4");
    ASSERT_NE(finding, nullptr);
    ASSERT_EQ(finding->status(), Finding::Status::Problem);
    EXPECT_NE(finding->notes.front().cause.find("rfc2217://127.0.0.1:1: "), std::string::npos);
    EXPECT_NE(finding->notes.front().cause.find("refused"), std::string::npos) << finding->notes.front().cause;
    EXPECT_EQ(finding->notes.front().fix,
              "check that the port server runs and serves the port with telnet(rfc2217) (docs/network-ports.md), or "
              "correct the link: ln -sfn rfc2217://HOST:PORT " +
                  PortMap::LinkPath("com4"));
}

}  // namespace
