#include "upgrade/tests/FakeAd21xx.h"

#include "upgrade/tests/FakeBoardControl.h"

namespace {

constexpr const char* kNames[] = {"ReadDM", "WriteDM", "LoadProg", "ReadPM", "WritePM", "ProgFlash", "VerifyFlash",
                                  "ReadIO", "WriteIO"};

}  // namespace

template <int Index>
Variant FakeAd21xx::Unexpected()
{
    FakeBoardControl::Called(kNames[Index], kNames[Index]);
    return Variant::I4(0);
}

const DispatchMap& FakeAd21xx::Map()
{
    static const DispatchMap map = DispatchMap::Builder<FakeAd21xx, FakeDevice>()
                                       .Method(kNames[0], &FakeAd21xx::Unexpected<0>)
                                       .Method(kNames[1], &FakeAd21xx::Unexpected<1>)
                                       .Method(kNames[2], &FakeAd21xx::Unexpected<2>)
                                       .Method(kNames[3], &FakeAd21xx::Unexpected<3>)
                                       .Method(kNames[4], &FakeAd21xx::Unexpected<4>)
                                       .Method("ProgFlash", &FakeAd21xx::ProgFlash)
                                       .Method("VerifyFlash", &FakeAd21xx::VerifyFlash)
                                       .Method(kNames[7], &FakeAd21xx::Unexpected<7>)
                                       .Method(kNames[8], &FakeAd21xx::Unexpected<8>)
                                       .Build();
    return map;
}

Variant FakeAd21xx::ProgFlash(const std::string& path)
{
    FakeBoardControl::Called("ProgFlash", "ProgFlash " + path);
    return Variant::I4(0);
}

Variant FakeAd21xx::VerifyFlash(const std::string& path)
{
    FakeBoardControl::Called("VerifyFlash", "VerifyFlash " + path);
    return Variant::I4(0);
}
