// The fake board server of the pellori tests: serves "Varnix.Ez2181" as
// FakeEz2181 when the bus starts it with -Embedding.
#include "automation/core/ApplicationLock.h"
#include "automation/core/ClassFactory.h"
#include "automation/dbus/DBusServer.h"
#include "upgrade/tests/FakeBoardControl.h"
#include "upgrade/tests/FakeEz2181.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    DBusServer server;
    const ClassFactory factory(FakeEz2181::kProgId, FakeEz2181::kClassId, [] {
        FakeBoardControl::Act("Create");
        return std::make_shared<FakeEz2181>();
    });
    if (!server.RegisterClassObject(factory, DBusServer::Instancing::SharedServer)) {
        std::fprintf(stderr, "pellori_fake_server: cannot serve %s\n", FakeEz2181::kProgId);
        return 1;
    }
    FakeBoardControl::WriteServerPid();
    // Creations that arrive from now on start a new copy.
    ApplicationLock::Process().SetOnLastUnlock([&server] {
        server.RevokeClassObjects();
        QCoreApplication::quit();
    });
    QObject::connect(&server, &DBusServer::busDisconnected, [] { QCoreApplication::quit(); });
    return QCoreApplication::exec();
}
