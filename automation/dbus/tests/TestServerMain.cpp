// The server program of the transport tests and benchmark.
//   automation_dbus_test_server -Embedding    serve Varnix.TestObject (shared) and
//                                             Varnix.TestSingle (one object per process)
//   automation_dbus_test_server --hold PROGID [STEP]... [PROGID [STEP]...]...
//                                             create the objects, each followed by its
//                                             varnix-call steps (Port=com2, Reset(0)),
//                                             print their paths and "ready", then wait
//                                             until killed (a client to kill)
// As a server it also answers "Ping" on /org/varnix/TestPing with the
// integer it is given: the plain QtDBus round trip that the benchmark
// compares the automation call with.
#include "automation/call/CallScript.h"
#include "automation/core/ApplicationLock.h"
#include "automation/core/ClassFactory.h"
#include "automation/dbus/AutomationError.h"
#include "automation/dbus/DBusServer.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/RemoteMemberError.h"
#include "automation/dbus/tests/TestObject.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>
#include <unistd.h>

namespace {

class PingObject : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        QDBusConnection(connection).send(message.createReply(message.arguments()));
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
};

int Serve()
{
    DBusServer server;
    PingObject ping;
    QDBusConnection::sessionBus().registerVirtualObject(QStringLiteral("/org/varnix/TestPing"), &ping);

    const auto create = [] { return std::make_shared<TestObject>(); };
    int registered = 0;
    registered += server.RegisterClassObject(ClassFactory(TestObject::kProgId, TestObject::kClassId, create),
                                             DBusServer::Instancing::SharedServer);
    registered += server.RegisterClassObject(ClassFactory(TestObject::kSingleProgId, TestObject::kSingleClassId, create),
                                             DBusServer::Instancing::ProcessPerObject);
    if (registered == 0) {
        std::fprintf(stderr, "automation_dbus_test_server: no class could be registered\n");
        return 1;
    }
    // Creations that arrive from now on start a new copy.
    ApplicationLock::Process().SetOnLastUnlock([&server] {
        server.RevokeClassObjects();
        QCoreApplication::quit();
    });
    QObject::connect(&server, &DBusServer::busDisconnected, [] { QCoreApplication::quit(); });
    return QCoreApplication::exec();
}

// A word that names a class rather than a step: a dot, and no '=' or '('.
bool IsProgId(const std::string& word)
{
    return word.find('.') != std::string::npos && word.find_first_of("=(") == std::string::npos;
}

int Hold(const std::vector<std::string>& words)
{
    std::vector<std::unique_ptr<DispatchDriver>> objects;
    try {
        for (const std::string& word : words) {
            if (IsProgId(word)) {
                objects.push_back(std::make_unique<DispatchDriver>());
                objects.back()->Create(word);
                std::printf("created %s\n", qPrintable(objects.back()->ObjectPath()));
                continue;
            }
            std::string error;
            const auto step = CallScript::ParseStep(word, error);
            if (!step || objects.empty()) {
                std::fprintf(stderr, "automation_dbus_test_server: %s\n", step ? "a step before any PROGID" : error.c_str());
                return 3;
            }
            DispatchDriver& object = *objects.back();
            if (step->kind == CallScript::Step::Kind::Put)
                object.PutByName(step->member, step->args.front());
            else
                object.CallByName(step->member, step->args);
        }
    } catch (const AutomationError& e) {
        std::fprintf(stderr, "automation_dbus_test_server: %s\n", e.what());
        return 2;
    } catch (const RemoteMemberError& e) {
        std::fprintf(stderr, "automation_dbus_test_server: %s\n", e.what());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) ::pause();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 2 && QString::fromLocal8Bit(argv[1]).compare(QLatin1String("-Embedding"), Qt::CaseInsensitive) == 0)
        return Serve();
    if (argc >= 3 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--hold"))
        return Hold(std::vector<std::string>(argv + 2, argv + argc));
    std::fprintf(stderr, "usage: automation_dbus_test_server -Embedding | --hold PROGID [STEP]...\n");
    return 3;
}
