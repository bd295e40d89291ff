#include <gtest/gtest.h>

#include "automation/core/DispatchException.h"
#include "monitor/core/AutoBase.h"
#include "monitor/core/tests/ClientCalls.h"

namespace {

// One level below AutoBase, with members that fail on request.
class Probe : public AutoBase {
public:
    static const DispatchMap& Map()
    {
        static const DispatchMap map = DispatchMap::Builder<Probe, AutoBase>()
                                           .Method("Fail", &Probe::Fail)                        // 1
                                           .Method("FailWithoutText", &Probe::FailWithoutText)  // 2
                                           .Method("Succeed", &Probe::Succeed)                  // 3
                                           .Build();
        return map;
    }
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    Variant Fail(std::int32_t code, const std::string& text)
    {
        Variant result = Variant::I4(99);
        SetError(result, code, text);
        return result;
    }
    Variant FailWithoutText(std::int32_t code)
    {
        Variant result;
        SetError(result, code, nullptr);
        return result;
    }
    Variant Succeed() { return Variant::I4(1); }
};

class Middle : public Probe {
public:
    static const DispatchMap& Map()
    {
        static const DispatchMap map = DispatchMap::Builder<Middle, Probe>().Build();
        return map;
    }
    const DispatchMap& GetDispatchMap() const override { return Map(); }
};

// Three levels below AutoBase; declares a member whose name clashes with one of AutoBase's.
class Deep : public Middle {
public:
    static const DispatchMap& Map()
    {
        static const DispatchMap map = DispatchMap::Builder<Deep, Middle>()
                                           .Method("Nothing", &Deep::Nothing)             // 1
                                           .ReadOnlyProperty("errorcode", &Deep::Shadow)  // 2
                                           .Build();
        return map;
    }
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    Variant Nothing() { return Variant(); }
    std::string Shadow() const { return "shadow"; }
};

constexpr std::int32_t kErrorMethod = 0x10001;
constexpr std::int32_t kErrorCode = 0x10002;
constexpr std::int32_t kErrorString = 0x10003;
constexpr std::int32_t kFail = 1;
constexpr std::int32_t kFailWithoutText = 2;
constexpr std::int32_t kSucceed = 3;

class AutoBaseTest : public ::testing::Test {
protected:
    Variant Get(std::int32_t id)
    {
        const InvokeResult r = probe.Invoke(id, InvokeKind::PropertyGet, {});
        EXPECT_EQ(r.hr, S_OK);
        return r.result;
    }
    InvokeResult Put(std::int32_t id, Variant value)
    {
        return probe.Invoke(id, InvokeKind::PropertyPut, {std::move(value)});
    }
    void UseErrorMethod(std::int32_t method) { ASSERT_EQ(Put(kErrorMethod, Variant::I4(method)).hr, S_OK); }
    InvokeResult Call(std::int32_t id, std::vector<Variant> args)
    {
        return probe.Invoke(id, InvokeKind::Method, std::move(args));
    }
    InvokeResult Fail(std::int32_t code, const std::string& text)
    {
        return Call(kFail, {Variant::I4(code), Variant::Bstr(text)});
    }

    Probe probe;
};

}  // namespace

TEST(AutoBaseIds, FollowTheDepthOfTheObjectsClass)
{
    Probe probe;
    EXPECT_EQ(IdOf(probe, "ErrorMethod"), 0x10001);
    EXPECT_EQ(IdOf(probe, "ErrorCode"), 0x10002);
    EXPECT_EQ(IdOf(probe, "ErrorString"), 0x10003);
    Middle middle;
    EXPECT_EQ(IdOf(middle, "ErrorMethod"), 0x20001);
    EXPECT_EQ(IdOf(middle, "Fail"), 0x10001);
    Deep deep;
    EXPECT_EQ(IdOf(deep, "ErrorMethod"), 0x30001);
    EXPECT_EQ(IdOf(deep, "ErrorString"), 0x30003);
    EXPECT_EQ(IdOf(deep, "Succeed"), 0x20003);
}

TEST(AutoBaseIds, NameLookupIgnoresCase)
{
    Probe probe;
    EXPECT_EQ(IdOf(probe, "errorstring"), kErrorString);
    EXPECT_EQ(IdOf(probe, "ERRORSTRING"), kErrorString);
    EXPECT_EQ(IdOf(probe, "ErrorSTRING"), kErrorString);
    Deep deep;
    EXPECT_EQ(IdOf(deep, "errorstring"), 0x30003);
}

TEST(AutoBaseIds, OwnClassIsSearchedFirst)
{
    Deep deep;
    EXPECT_EQ(IdOf(deep, "ErrorCode"), 2);
    EXPECT_EQ(deep.Invoke(2, InvokeKind::PropertyGet, {}).result, Variant::Bstr("shadow"));
    EXPECT_EQ(deep.Invoke(0x30002, InvokeKind::PropertyGet, {}).result, Variant::I4(0));
}

TEST(AutoBaseIds, SameMemberThroughEachClassesIdentifier)
{
    Deep deep;
    ASSERT_EQ(deep.Invoke(0x30001, InvokeKind::PropertyPut, {Variant::I4(1)}).hr, S_OK);
    EXPECT_EQ(deep.Invoke(0x20001, InvokeKind::Method, {Variant::I4(7), Variant::Bstr("x")}).result,
              Variant::Error(12));
    EXPECT_EQ(deep.Invoke(0x30002, InvokeKind::PropertyGet, {}).result, Variant::I4(7));
    EXPECT_EQ(deep.Invoke(1, InvokeKind::Method, {}).hr, S_OK);                         // Deep's own Nothing
    EXPECT_EQ(deep.Invoke(0x10001, InvokeKind::Method, {}).hr, DISP_E_MEMBERNOTFOUND);  // Middle declares none
    EXPECT_EQ(deep.Invoke(0x40001, InvokeKind::PropertyGet, {}).hr, DISP_E_MEMBERNOTFOUND);
}

TEST_F(AutoBaseTest, FreshObjectHasNoError)
{
    EXPECT_EQ(Get(kErrorMethod), Variant::I4(0));
    EXPECT_EQ(Get(kErrorCode), Variant::I4(0));
    EXPECT_EQ(Get(kErrorString), Variant::Bstr(""));
}

TEST_F(AutoBaseTest, ErrorMethodAcceptsOnlyZeroToTwo)
{
    UseErrorMethod(1);
    EXPECT_EQ(Put(kErrorMethod, Variant::I4(3)).hr, S_OK);
    EXPECT_EQ(Get(kErrorMethod), Variant::I4(1));
    EXPECT_EQ(Put(kErrorMethod, Variant::I4(-1)).hr, S_OK);
    EXPECT_EQ(Get(kErrorMethod), Variant::I4(1));
    UseErrorMethod(2);
    EXPECT_EQ(Get(kErrorMethod), Variant::I4(2));
    UseErrorMethod(0);
    EXPECT_EQ(Get(kErrorMethod), Variant::I4(0));
}

TEST_F(AutoBaseTest, ErrorMethodTakesNumbersInAnyForm)
{
    EXPECT_EQ(Put(kErrorMethod, Variant::Bstr("2")).hr, S_OK);
    EXPECT_EQ(Get(kErrorMethod), Variant::I4(2));
    EXPECT_EQ(Put(kErrorMethod, Variant::I2(1)).hr, S_OK);
    EXPECT_EQ(Get(kErrorMethod), Variant::I4(1));
    const InvokeResult r = Put(kErrorMethod, Variant::Bstr("two"));
    EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(r.argErr, 0u);
    EXPECT_EQ(Get(kErrorMethod), Variant::I4(1));
}

TEST_F(AutoBaseTest, MethodZeroReturnsNullAndKeepsTheError)
{
    const InvokeResult r = Fail(3, "Error opening file");
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.result, Variant::Null());
    EXPECT_EQ(Get(kErrorCode), Variant::I4(3));
    EXPECT_EQ(Get(kErrorString), Variant::Bstr("Error opening file"));
    // A later success leaves the last failure in place.
    EXPECT_EQ(Call(kSucceed, {}).result, Variant::I4(1));
    EXPECT_EQ(Get(kErrorCode), Variant::I4(3));
    EXPECT_EQ(Get(kErrorString), Variant::Bstr("Error opening file"));
}

TEST_F(AutoBaseTest, MethodOneReturnsErrorWithCodePlusFive)
{
    UseErrorMethod(1);
    EXPECT_EQ(Fail(0, "a").result, Variant::Error(5));
    EXPECT_EQ(Fail(7, "b").result, Variant::Error(12));
    EXPECT_EQ(Get(kErrorCode), Variant::I4(7));
    const InvokeResult r = Fail(0xFFFF, "c");
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.result, Variant::Error(4));
    EXPECT_EQ(Get(kErrorCode), Variant::I4(-1));
    EXPECT_EQ(Get(kErrorString), Variant::Bstr("c"));
}

TEST_F(AutoBaseTest, MethodTwoFailsTheCallWithTheError)
{
    UseErrorMethod(2);
    const InvokeResult r = Fail(7, "Verify Error at Addr");
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.code, 7);
    EXPECT_EQ(r.excep.description, "Verify Error at Addr");
    EXPECT_EQ(r.excep.helpContext, 0u);
    EXPECT_EQ(r.excep.scode, S_OK);
    EXPECT_EQ(r.result, Variant());
    EXPECT_EQ(Get(kErrorCode), Variant::I4(7));
    EXPECT_EQ(Get(kErrorString), Variant::Bstr("Verify Error at Addr"));
}

TEST_F(AutoBaseTest, MethodTwoCarriesTheSixteenBitCode)
{
    UseErrorMethod(2);
    const InvokeResult r = Fail(0xFFFF, "x");
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.code, 0xFFFF);
    EXPECT_EQ(Get(kErrorCode), Variant::I4(-1));
}

TEST_F(AutoBaseTest, MissingTextIsGeneralError)
{
    EXPECT_EQ(Call(kFailWithoutText, {Variant::I4(4)}).result, Variant::Null());
    EXPECT_EQ(Get(kErrorString), Variant::Bstr("General Error"));
    EXPECT_EQ(Get(kErrorCode), Variant::I4(4));
    UseErrorMethod(2);
    EXPECT_EQ(Call(kFailWithoutText, {Variant::I4(4)}).excep.description, "General Error");
}

TEST_F(AutoBaseTest, WideCodeKeepsItsLowSixteenBits)
{
    Fail(0x12345, "Verify Error at Addr");
    EXPECT_EQ(Get(kErrorCode), Variant::I4(0x2345));
    UseErrorMethod(1);
    EXPECT_EQ(Fail(0x18000, "x").result, Variant::Error(-32768 + 5));
    EXPECT_EQ(Get(kErrorCode), Variant::I4(-32768));
}

TEST_F(AutoBaseTest, TextKeepsEveryByte)
{
    const std::string text("a\0\xFF"
                           "b",
                           4);
    Fail(1, text);
    EXPECT_EQ(Get(kErrorString), Variant::Bstr(text));
}

TEST_F(AutoBaseTest, ErrorCodeAndErrorStringAreReadOnly)
{
    Fail(9, "kept");
    for (std::int32_t id : {kErrorCode, kErrorString}) {
        const InvokeResult r = Put(id, Variant::I4(1));
        EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(r.excep.description, "Unable to write read-only property.");
    }
    EXPECT_EQ(Get(kErrorCode), Variant::I4(9));
    EXPECT_EQ(Get(kErrorString), Variant::Bstr("kept"));
}

TEST_F(AutoBaseTest, StandardCallFailures)
{
    EXPECT_EQ(Call(kFail, {Variant::I4(1)}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(probe.Invoke(kErrorMethod, InvokeKind::PropertyPut, {}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(probe.Invoke(kErrorCode, InvokeKind::PropertyGet, {Variant::I4(1)}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(0x10004, {}).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(6, {}).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(0x20001, {}).hr, DISP_E_MEMBERNOTFOUND);
    const InvokeResult mismatch = Call(kFail, {Variant::Bstr("seven"), Variant::Bstr("x")});
    EXPECT_EQ(mismatch.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(mismatch.argErr, 0u);
    // The member did not run.
    EXPECT_EQ(Get(kErrorString), Variant::Bstr(""));
}
