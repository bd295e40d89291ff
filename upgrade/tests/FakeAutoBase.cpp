#include "upgrade/tests/FakeAutoBase.h"

#include "upgrade/tests/FakeBoardControl.h"

const DispatchMap& FakeAutoBase::Map()
{
    static const DispatchMap map = DispatchMap::Builder<FakeAutoBase>()
                                       .Property("ErrorMethod", &FakeAutoBase::GetErrorMethod, &FakeAutoBase::SetErrorMethod)
                                       .ReadOnlyProperty("ErrorCode", &FakeAutoBase::GetErrorCode)
                                       .ReadOnlyProperty("ErrorString", &FakeAutoBase::GetErrorString)
                                       .Build();
    return map;
}

void FakeAutoBase::SetErrorMethod(std::int32_t method)
{
    FakeBoardControl::Called("ErrorMethod", "put ErrorMethod " + std::to_string(method));
    errorMethod_ = method;
}

std::int32_t FakeAutoBase::GetErrorCode() const
{
    FakeBoardControl::Called("ErrorCode", "get ErrorCode");
    return 0;
}

std::string FakeAutoBase::GetErrorString() const
{
    FakeBoardControl::Called("ErrorString", "get ErrorString");
    return {};
}
