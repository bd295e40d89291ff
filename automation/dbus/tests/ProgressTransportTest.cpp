// Progress of long calls over the bus: sent to the caller that asked for it,
// and to no one else.
#include "automation/dbus/AutomationError.h"
#include "automation/dbus/BusNames.h"
#include "automation/dbus/DBusErrorNames.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/ProgressAnnouncer.h"
#include "automation/dbus/ProgressReceiver.h"
#include "automation/dbus/tests/BusFixture.h"
#include "automation/dbus/tests/TestObject.h"
#include "platform/ProgramInfo.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <utility>
#include <vector>

namespace {

using Reports = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

class ProgressTransportTest : public BusFixture {
protected:
    // Listens on `connection` for any Progress signal of `driver`'s object,
    // whether or not anything was asked for.
    std::unique_ptr<ProgressReceiver> Eavesdrop(QDBusConnection connection, const DispatchDriver& driver, Reports& heard)
    {
        auto receiver = std::make_unique<ProgressReceiver>(
            [&heard](std::uint64_t done, std::uint64_t total) { heard.emplace_back(done, total); });
        EXPECT_TRUE(connection.connect(driver.ServerName(), driver.ObjectPath(), BusNames::kDispatchInterface,
                                       ProgressAnnouncer::kSignalName, receiver.get(),
                                       SLOT(OnProgress(qulonglong, qulonglong))));
        return receiver;
    }

    // Lets signals that are on their way arrive: the reply to a later call
    // comes after them.
    static void Settle(DispatchDriver& driver)
    {
        driver.Call(TestObject::kAdd, {Variant::I4(1), Variant::I4(2)});
        QCoreApplication::processEvents();
    }
};

TEST_F(ProgressTransportTest, ASubscribedCallerGetsOneReportPerPercentBeforeTheResult)
{
    DispatchDriver driver(client_);
    Reports reports;
    driver.SetProgressHandler([&reports](std::uint64_t done, std::uint64_t total) { reports.emplace_back(done, total); });
    driver.Create(TestObject::kProgId);
    EXPECT_EQ(driver.Call(TestObject::kCountTo, {Variant::I4(1000)}), Variant::I4(1000));
    // All of them were handled while the call waited: none comes later.
    ASSERT_EQ(reports.size(), 101u);
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].first, i * 10) << i;
        EXPECT_EQ(reports[i].second, 1000u);
    }
    const std::size_t seen = reports.size();
    Settle(driver);
    EXPECT_EQ(reports.size(), seen);
}

TEST_F(ProgressTransportTest, AFewUnitsGiveEveryStepAndNothingToDoGivesCompletion)
{
    DispatchDriver driver(client_);
    Reports reports;
    driver.Create(TestObject::kProgId);
    // Set after creation: the subscription follows.
    driver.SetProgressHandler([&reports](std::uint64_t done, std::uint64_t total) { reports.emplace_back(done, total); });
    driver.Call(TestObject::kCountTo, {Variant::I4(3)});
    EXPECT_EQ(reports, (Reports{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));
    reports.clear();
    driver.Call(TestObject::kCountTo, {Variant::I4(0)});
    EXPECT_EQ(reports, (Reports{{0, 0}}));
}

TEST_F(ProgressTransportTest, ACallWithNeitherReplyNorProgressWithinItsBoundStoppedAnswering)
{
    DispatchDriver driver(client_);
    driver.SetProgressHandler([](std::uint64_t, std::uint64_t) {});
    driver.Create(TestObject::kProgId);
    driver.SetCallTimeout(std::chrono::milliseconds(300));
    try {
        driver.Call(TestObject::kWaitAtGate, {Variant::I4(20000)});
        ADD_FAILURE() << "the call returned";
    } catch (const AutomationError& failure) {
        EXPECT_EQ(failure.status(), RPC_E_TIMEOUT);
        EXPECT_EQ(std::string(failure.what()).rfind("the server stopped answering; its messages go to the "
                                                    "session bus's standard error",
                                                    0),
                  0u)
            << failure.what();
    }
    // Once the server answers again, so does the object, which the driver kept.
    DispatchDriver opener(client_);
    opener.Create(TestObject::kProgId);
    opener.Call(TestObject::kOpenGate);
    driver.SetCallTimeout(std::chrono::seconds(30));
    EXPECT_EQ(driver.Call(TestObject::kAdd, {Variant::I4(1), Variant::I4(2)}), Variant::I4(3));
}

TEST_F(ProgressTransportTest, AReplyThatArrivesBeforeTheWaitBeginsEndsTheWait)
{
    // The moment a waiting call must not lose: its reply is in before the wait
    // has been set up. Held open here, it shows every time what happens rarely
    // on a busy machine.
    DispatchDriver driver(client_);
    driver.SetProgressHandler([](std::uint64_t, std::uint64_t) {});
    driver.Create(TestObject::kProgId);
    driver.SetCallTimeout(std::chrono::seconds(20));
    bool replyWasIn = false;
    driver.SetBeforeWaitHook([&replyWasIn](const QDBusPendingCall& pending) {
        for (int i = 0; i < 2000 && !pending.isFinished(); ++i) QThread::msleep(5);
        replyWasIn = pending.isFinished();
    });
    for (int i = 0; i < 3; ++i) EXPECT_EQ(driver.Call(TestObject::kAdd, {Variant::I4(i), Variant::I4(2)}), Variant::I4(i + 2));
    EXPECT_TRUE(replyWasIn);
}

TEST_F(ProgressTransportTest, NothingIsSentToAClientThatDidNotAsk)
{
    // A client without a main loop would pile such messages up unread.
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    Reports heard;
    const auto receiver = Eavesdrop(client_, driver, heard);
    EXPECT_EQ(driver.Call(TestObject::kCountTo, {Variant::I4(50)}), Variant::I4(50));
    Settle(driver);
    EXPECT_TRUE(heard.empty());
}

TEST_F(ProgressTransportTest, AClientThatStopsAskingGetsNoMore)
{
    DispatchDriver driver(client_);
    Reports reports;
    driver.SetProgressHandler([&reports](std::uint64_t done, std::uint64_t total) { reports.emplace_back(done, total); });
    driver.Create(TestObject::kProgId);
    driver.Call(TestObject::kCountTo, {Variant::I4(2)});
    EXPECT_EQ(reports.size(), 3u);
    driver.SetProgressHandler(nullptr);
    Reports heard;
    const auto receiver = Eavesdrop(client_, driver, heard);
    driver.Call(TestObject::kCountTo, {Variant::I4(2)});
    Settle(driver);
    EXPECT_EQ(reports.size(), 3u);
    EXPECT_TRUE(heard.empty());
}

TEST_F(ProgressTransportTest, AnotherClientHearsNothingOfTheCall)
{
    QDBusConnection other = Connect();
    DispatchDriver caller(client_);
    Reports callerReports;
    caller.SetProgressHandler([&callerReports](std::uint64_t d, std::uint64_t t) { callerReports.emplace_back(d, t); });
    caller.Create(TestObject::kProgId);
    // The other client asked for progress of its own object, and listens to the caller's too.
    DispatchDriver bystander(other);
    Reports bystanderReports;
    bystander.SetProgressHandler([&bystanderReports](std::uint64_t d, std::uint64_t t) { bystanderReports.emplace_back(d, t); });
    bystander.Create(TestObject::kProgId);
    Reports heard;
    const auto receiver = Eavesdrop(other, caller, heard);

    caller.Call(TestObject::kCountTo, {Variant::I4(4)});
    EXPECT_EQ(callerReports.size(), 5u);
    Settle(bystander);
    EXPECT_TRUE(bystanderReports.empty());
    EXPECT_TRUE(heard.empty());
}

TEST_F(ProgressTransportTest, WatchProgressTakesOneBooleanFromTheOwnerOnly)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    const auto watch = [&](const QDBusConnection& connection, const QList<QVariant>& args) {
        QDBusMessage call = QDBusMessage::createMethodCall(driver.ServerName(), driver.ObjectPath(),
                                                           BusNames::kDispatchInterface, QStringLiteral("WatchProgress"));
        call.setArguments(args);
        return QDBusConnection(connection).call(call);
    };
    EXPECT_EQ(watch(client_, {QVariant::fromValue(1)}).errorName(), DBusErrorNames::kInvalidArgs);
    EXPECT_EQ(watch(Connect(), {QVariant::fromValue(true)}).errorName(), DBusErrorNames::kAccessDenied);
    EXPECT_EQ(watch(client_, {QVariant::fromValue(true)}).type(), QDBusMessage::ReplyMessage);
}

struct CallOutcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

CallOutcome RunVarnixCall(const QStringList& args)
{
    QProcess call;
    call.start(QStringLiteral(VARNIX_CALL_PATH), args);
    CallOutcome outcome;
    if (!call.waitForFinished(60000)) return outcome;
    outcome.status = call.exitCode();
    outcome.out = call.readAllStandardOutput();
    outcome.err = call.readAllStandardError();
    return outcome;
}

TEST_F(ProgressTransportTest, TheCommandLineClientShowsProgressOnStandardErrorWhenAsked)
{
    const CallOutcome shown = RunVarnixCall({QStringLiteral("--progress"), QStringLiteral("varnix.testobject"),
                                             QStringLiteral("CountTo(40)"), QStringLiteral("Add(1, 2)")});
    EXPECT_EQ(shown.status, 0) << shown.err.toStdString();
    EXPECT_EQ(shown.out, QByteArray("40\n3\n"));
    // Every line shown is one of the server's reports, in order, and the last is
    // completion. Under heavy load the first reports of a call have been seen to
    // arrive before the client's subscription took effect, so they are not required.
    QList<QByteArray> expected;
    for (int done = 0; done <= 40; done += 2)
        expected << QStringLiteral("varnix-call: CountTo: %1% (%2 of 40 bytes)").arg(done * 100 / 40).arg(done).toUtf8();
    QList<QByteArray> lines = shown.err.split('\n');
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.takeLast().isEmpty()) << shown.err.toStdString();
    ASSERT_FALSE(lines.isEmpty()) << "no progress shown";
    EXPECT_EQ(lines.last(), expected.last());
    qsizetype next = 0;
    for (const QByteArray& line : lines) {
        const qsizetype at = expected.indexOf(line, next);
        EXPECT_GE(at, next) << "unexpected or out-of-order line: " << line.toStdString();
        if (at >= 0) next = at + 1;
    }

    // Not on a terminal and not asked for: standard error stays as it was.
    const CallOutcome quiet = RunVarnixCall({QStringLiteral("varnix.testobject"), QStringLiteral("CountTo(40)")});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, QByteArray("40\n"));
    EXPECT_EQ(quiet.err, QByteArray());
}

TEST_F(ProgressTransportTest, TheCommandLineClientAnswersHelpAndVersion)
{
    const CallOutcome version = RunVarnixCall({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.toStdString(), ProgramInfo::VersionText("varnix-call"));
    const CallOutcome help = RunVarnixCall({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("usage: varnix-call [--timeout SECONDS] [--progress] PROGID STEP...\n"));
    EXPECT_TRUE(help.out.contains("ln -sfn /dev/ttyUSB0 ~/.config/dosdevices/com1"));
    const CallOutcome wrong = RunVarnixCall({QStringLiteral("--nonsense"), QStringLiteral("varnix.testobject")});
    EXPECT_EQ(wrong.status, 3);
}

}  // namespace
