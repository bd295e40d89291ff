#include "automation/dbus/tests/TestObject.h"

#include "automation/core/DispatchException.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex gateMutex;
std::condition_variable gateOpened;
bool gateOpen = false;
int waitingAtGate = 0;

}  // namespace

TestObject::TestObject()
{
    ++live_;
}

TestObject::~TestObject()
{
    --live_;
}

const DispatchMap& TestObject::Map()
{
    static const DispatchMap map = DispatchMap::Builder<TestObject>()
                                       .Method("Echo", &TestObject::Echo)
                                       .Method("Add", &TestObject::Add)
                                       .Method("Fail", &TestObject::Fail)
                                       .Property("Value", &TestObject::GetValue, &TestObject::SetValue)
                                       .ReadOnlyProperty("ProcessId", &TestObject::GetProcessId)
                                       .ReadOnlyProperty("LiveObjects", &TestObject::GetLiveObjects)
                                       .Method("Crash", &TestObject::Crash)
                                       .WriteOnlyProperty("Secret", &TestObject::SetSecret)
                                       .Method("Concat", &TestObject::Concat)
                                       .Method("NestedLoop", &TestObject::NestedLoop)
                                       .ReadOnlyProperty("CallDepth", &TestObject::GetCallDepth)
                                       .Method("CountTo", &TestObject::CountTo)
                                       .Method("WaitAtGate", &TestObject::WaitAtGate)
                                       .Method("OpenGate", &TestObject::OpenGate)
                                       .ReadOnlyProperty("WaitingAtGate", &TestObject::GetWaitingAtGate)
                                       .Build();
    return map;
}

Variant TestObject::Fail(std::int32_t code, const std::string& text)
{
    throw DispatchException(static_cast<std::uint16_t>(code), text, "TestObject", 7);
}

std::int32_t TestObject::GetProcessId() const
{
    return static_cast<std::int32_t>(::getpid());
}

Variant TestObject::Crash()
{
    ::raise(SIGKILL);
    return {};
}

Variant TestObject::NestedLoop(const std::string& markerPath)
{
    ++nesting_;
    QFile marker(QString::fromStdString(markerPath));
    marker.open(QIODevice::WriteOnly);
    marker.close();
    QEventLoop loop;
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    --nesting_;
    return Variant::I4(nesting_);
}

Variant TestObject::CountTo(std::int32_t total)
{
    const auto units = static_cast<std::uint64_t>(std::max(total, 0));
    for (std::uint64_t done = 0; done <= units; ++done) ReportProgress(done, units);
    return Variant::I4(total);
}

Variant TestObject::WaitAtGate(std::int32_t milliseconds)
{
    std::unique_lock<std::mutex> lock(gateMutex);
    ++waitingAtGate;
    const bool opened = gateOpened.wait_for(lock, std::chrono::milliseconds(milliseconds), [] { return gateOpen; });
    --waitingAtGate;
    return Variant::I4(opened ? 1 : 0);
}

std::int32_t TestObject::GetWaitingAtGate() const
{
    const std::lock_guard<std::mutex> lock(gateMutex);
    return waitingAtGate;
}

Variant TestObject::OpenGate()
{
    {
        std::lock_guard<std::mutex> lock(gateMutex);
        gateOpen = true;
    }
    gateOpened.notify_all();
    return Variant::I4(0);
}
