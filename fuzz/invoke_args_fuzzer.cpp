// Fuzz target: the arguments of Invoke as the automation server decodes them
// from a bus message. The input drives the D-Bus values of an Invoke call
// (WireArgumentWriter); the call goes from this process's connection to an
// object the process serves itself, so that QtDBus marshals it into a D-Bus
// message and reads it back, as it does for a call from another process, and
// the server decodes it, calls the object and answers. Needs a session bus:
//   dbus-run-session -- invoke_args_fuzzer [libFuzzer options] [corpus]
#include "automation/core/ClassFactory.h"
#include "automation/core/DispatchMap.h"
#include "automation/dbus/BusNames.h"
#include "automation/dbus/DBusServer.h"
#include "automation/dbus/VariantWire.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/WireArgumentWriter.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>

#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kProgId = "Varnix.FuzzTarget";

// A class id of this process's own, so that processes sharing the bus (libFuzzer's
// -jobs starts a child beside the process that started it) do not claim one name.
std::string ClassIdOfThisProcess()
{
    char id[64];
    std::snprintf(id, sizeof id, "{6A1E0C55-2B7D-4F3A-9C11-%012llX}", static_cast<unsigned long long>(::getpid()));
    return id;
}

// The called object: a member that gives back any value, one with a
// parameter of every declared type, and a property.
class InvokeTarget : public Dispatchable {
public:
    static const DispatchMap& Map()
    {
        static const DispatchMap map = DispatchMap::Builder<InvokeTarget>()
                                           .Method("Echo", &InvokeTarget::Echo)                                  // 1
                                           .Method("TakeAll", &InvokeTarget::TakeAll)                            // 2
                                           .Property("Value", &InvokeTarget::GetValue, &InvokeTarget::SetValue)  // 3
                                           .Build();
        return map;
    }
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    Variant Echo(const Variant& value) { return value; }
    Variant TakeAll(std::int32_t, std::int16_t, bool, std::uint8_t, float, double, const std::string& text,
                    Variant& value)
    {
        return text.empty() ? value : Variant::Bstr(text);
    }
    std::int32_t GetValue() const { return value_; }
    void SetValue(std::int32_t value) { value_ = value; }

private:
    std::int32_t value_ = 0;
};

// The server on the session bus, and a client connection of its own: a call to the
// same connection's own objects could not wait for their answers.
struct Served {
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fuzz-client"));
    DBusServer server{bus};
    QString objectPath;
};

Served* served = nullptr;

QDBusMessage Call(const QString& path, const QString& interface, const QString& member)
{
    return QDBusMessage::createMethodCall(served->bus.baseService(), path, interface, member);
}

// Sends `call` from the client connection and waits for the answer while this thread's
// events run, as the server's factory lives on this thread. The object answers from a
// thread of its own, so its answer may come before the wait begins: the watcher reports
// even such an answer through this thread's loop, where QDBus::BlockWithGui can miss it
// and wait until its time-out.
QDBusMessage CallAndWait(const QDBusMessage& call)
{
    QDBusPendingCallWatcher watcher(served->client.asyncCall(call));
    if (!watcher.isFinished()) {
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return watcher.reply();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    if (!QDBusConnection::sessionBus().isConnected()) {
        std::fprintf(stderr, "invoke_args_fuzzer: no session bus; run it under dbus-run-session\n");
        std::exit(1);
    }
    WireArgumentWriter::RegisterTypes();
    served = new Served;
    const std::string classId = ClassIdOfThisProcess();
    FUZZ_CHECK(served->server.RegisterClassObject(
        ClassFactory(kProgId, classId, [] { return std::make_shared<InvokeTarget>(); }),
        DBusServer::Instancing::SharedServer));
    const QDBusMessage created =
        CallAndWait(Call(*BusNames::FactoryPath(classId), BusNames::kFactoryInterface, QStringLiteral("CreateInstance")));
    FUZZ_CHECK(created.type() == QDBusMessage::ReplyMessage && created.arguments().at(0).toInt() == S_OK);
    served->objectPath = created.arguments().at(1).value<QDBusObjectPath>().path();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint8_t shape = in.Byte();
    const auto dispid = static_cast<int>(shape % 8 == 7 ? in.Word32() : shape % 4);
    const uint flags = shape % 16 == 15 ? in.Word32() : 1u + in.Byte() % 4;

    QDBusMessage call = Call(served->objectPath, BusNames::kDispatchInterface, QStringLiteral("Invoke"));
    if (shape >= 248)
        call << dispid << flags;  // too few arguments
    else
        call << dispid << flags << WireArgumentWriter(in).ArgumentList();
    const QDBusMessage reply = CallAndWait(call);

    if (shape >= 248) {
        FUZZ_CHECK(reply.type() == QDBusMessage::ErrorMessage);
        return 0;
    }
    FUZZ_CHECK(reply.type() == QDBusMessage::ReplyMessage);
    FUZZ_CHECK(reply.signature() == QLatin1String("i(qv)(qiayayayu)u"));
    const auto result = qdbus_cast<WireVariant>(reply.arguments().at(1));
    FUZZ_CHECK(result.valid);
    if (reply.arguments().at(0).toInt() != S_OK)
        FUZZ_CHECK(result.value.IsEmpty());
    return 0;
}
