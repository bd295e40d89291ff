#include "automation/tests/TestObject.h"

#include "automation/DispatchException.h"

#include <csignal>
#include <unistd.h>

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
