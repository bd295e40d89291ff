// What a malformed value may cost the server that decodes it: no more memory
// than the elements the message really carries.
#include "automation/core/SafeArray.h"
#include "automation/dbus/BusNames.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/VariantWire.h"
#include "automation/dbus/tests/BusFixture.h"
#include "automation/dbus/tests/TestObject.h"

#include <QDBusArgument>
#include <QDBusVariant>

#include <fstream>
#include <string>

namespace {

class VariantWireLimitsTest : public BusFixture {};

// The peak resident memory of a process in KiB (VmHWM), or -1.
long PeakResidentKiB(std::int32_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string field;
    while (status >> field) {
        if (field == "VmHWM:") {
            long kib = -1;
            status >> kib;
            return kib;
        }
    }
    return -1;
}

// An array of variants whose bounds declare the most elements an array may
// have, holding one element that is such an array again, `depth` levels
// down to an empty one: a few hundred bytes on the wire.
QVariant NestedPromise(int depth)
{
    QDBusArgument value;
    value.beginStructure();
    value.beginArray(QMetaType::fromType<WireBound>());
    value << WireBound{static_cast<std::uint32_t>(SafeArray::kMaxElements), 0};
    value.endArray();
    value.beginArray(QMetaType::fromType<WireVariant>());
    if (depth > 0) {
        value.beginStructure();
        value << static_cast<ushort>(VT_ARRAY | VT_VARIANT) << QDBusVariant(NestedPromise(depth - 1));
        value.endStructure();
    }
    value.endArray();
    value.endStructure();
    return QVariant::fromValue(value);
}

}  // namespace

TEST_F(VariantWireLimitsTest, BoundsThatPromiseMillionsOfElementsCostNoMemoryWithoutThem)
{
    DispatchDriver driver(client_);
    driver.Create(TestObject::kProgId);
    const std::int32_t server = driver.Get(TestObject::kProcessId).i4();
    const long before = PeakResidentKiB(server);
    ASSERT_GT(before, 0);

    QDBusArgument args;
    args.beginArray(QMetaType::fromType<WireVariant>());
    args.beginStructure();
    args << static_cast<ushort>(VT_ARRAY | VT_VARIANT) << QDBusVariant(NestedPromise(3));
    args.endStructure();
    args.endArray();
    QDBusMessage call = QDBusMessage::createMethodCall(driver.ServerName(), driver.ObjectPath(),
                                                       BusNames::kDispatchInterface, QStringLiteral("Invoke"));
    call << std::int32_t{TestObject::kEcho} << 1u << QVariant::fromValue(args);
    const QDBusMessage reply = client_.call(call);

    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_EQ(reply.arguments().at(0).toInt(), E_INVALIDARG);
    EXPECT_EQ(reply.arguments().at(3).toUInt(), 0u);
    // Four levels of 4194304 elements made before their elements were read
    // took more than a gigabyte.
    EXPECT_LT(PeakResidentKiB(server) - before, 64 * 1024);
    EXPECT_EQ(driver.Call(TestObject::kAdd, {Variant::I4(2), Variant::I4(3)}), Variant::I4(5));
}
