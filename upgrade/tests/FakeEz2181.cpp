#include "upgrade/tests/FakeEz2181.h"

#include "upgrade/tests/FakeBoardControl.h"

const DispatchMap& FakeEz2181::Map()
{
    static const DispatchMap map = DispatchMap::Builder<FakeEz2181, FakeAd21xx>()
                                       .Method("Reset", &FakeEz2181::Reset)
                                       .Method("Run", &FakeEz2181::Run)
                                       .Method("SetBaud", &FakeEz2181::SetBaud)
                                       .Method("PowerOn", &FakeEz2181::PowerOn)
                                       .Build();
    return map;
}

Variant FakeEz2181::Reset()
{
    FakeBoardControl::Called("Reset", "Reset");
    return Variant::I4(0);
}

Variant FakeEz2181::Run()
{
    FakeBoardControl::Called("Run", "Run");
    return Variant::I4(0);
}

Variant FakeEz2181::SetBaud(std::int32_t rate)
{
    FakeBoardControl::Called("SetBaud", "SetBaud " + std::to_string(rate));
    return Variant::I4(0);
}

Variant FakeEz2181::PowerOn()
{
    FakeBoardControl::Called("PowerOn", "PowerOn");
    return Variant::I4(0);
}
