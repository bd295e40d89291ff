#include "upgrade/tests/FakeDevice.h"

#include "upgrade/tests/FakeBoardControl.h"

namespace {

constexpr const char* kNames[] = {"ReadSym", "FindSym", "WriteSym", "ReadFlash", "WriteFlash"};

}  // namespace

template <int Index>
Variant FakeDevice::Unexpected()
{
    FakeBoardControl::Called(kNames[Index], kNames[Index]);
    return Variant::I4(0);
}

const DispatchMap& FakeDevice::Map()
{
    static const DispatchMap map = DispatchMap::Builder<FakeDevice, FakeAutoBase>()
                                       .Method(kNames[0], &FakeDevice::Unexpected<0>)
                                       .Method(kNames[1], &FakeDevice::Unexpected<1>)
                                       .Method(kNames[2], &FakeDevice::Unexpected<2>)
                                       .Method(kNames[3], &FakeDevice::Unexpected<3>)
                                       .Method(kNames[4], &FakeDevice::Unexpected<4>)
                                       .Build();
    return map;
}
