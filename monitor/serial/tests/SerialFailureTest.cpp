#include <gtest/gtest.h>

#include <stdexcept>

#include "monitor/core/AutoBase.h"
#include "monitor/serial/SerialFailure.h"
#include "monitor/serial/SerialPort.h"

namespace {

// An automation object whose members run serial traffic that fails on request,
// recording a failed transfer as the serial objects do.
class LineProbe : public AutoBase {
public:
    static const DispatchMap& Map()
    {
        static const DispatchMap map = DispatchMap::Builder<LineProbe, AutoBase>()
            .Method("SerialFail", &LineProbe::SerialFail)  // 1
            .Method("OtherFail", &LineProbe::OtherFail)    // 2
            .Method("Fail", &LineProbe::FailWith)          // 3
            .Build();
        return map;
    }
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    // A negative code succeeds.
    Variant SerialFail(std::int32_t exceptionCode)
    {
        return Result(SerialFailure::Catch([&] {
            if (exceptionCode >= 0)
                throw SerialPortException(exceptionCode);
            return LinkResult{};
        }));
    }
    Variant OtherFail()
    {
        return Result(SerialFailure::Catch([]() -> LinkResult { throw std::runtime_error("not a serial failure"); }));
    }
    Variant FailWith(std::int32_t code, const std::string& text)
    {
        Variant result = Variant::I4(99);
        SetError(result, code, text);
        return result;
    }

private:
    std::span<const FailureText> FailureTexts() const override { return kFailures; }
    std::string LineFailureText(const LinkResult& failure) const override
    {
        return SerialFailure::Text(failure.code, line_);
    }

    static constexpr FailureText kFailures[] = {{LinkResult::SerialFailure, nullptr}};
    SerialPort line_{0};  // never opened: no cause follows the texts
};

constexpr std::int32_t kErrorMethod = 0x10001;
constexpr std::int32_t kErrorCode = 0x10002;
constexpr std::int32_t kErrorString = 0x10003;
constexpr std::int32_t kSerialFail = 1;
constexpr std::int32_t kOtherFail = 2;
constexpr std::int32_t kFail = 3;

class SerialFailureTest : public ::testing::Test {
protected:
    Variant Get(std::int32_t id)
    {
        const InvokeResult r = probe.Invoke(id, InvokeKind::PropertyGet, {});
        EXPECT_EQ(r.hr, S_OK);
        return r.result;
    }
    void UseErrorMethod(std::int32_t method)
    {
        ASSERT_EQ(probe.Invoke(kErrorMethod, InvokeKind::PropertyPut, {Variant::I4(method)}).hr, S_OK);
    }
    InvokeResult Call(std::int32_t id, std::vector<Variant> args)
    {
        return probe.Invoke(id, InvokeKind::Method, std::move(args));
    }
    void Fail(std::int32_t code, const std::string& text) { Call(kFail, {Variant::I4(code), Variant::Bstr(text)}); }

    LineProbe probe;
};

}  // namespace

TEST_F(SerialFailureTest, SerialFailuresAreRecordedWithCodeZero)
{
    const struct {
        std::int32_t exceptionCode;
        const char* text;
    } cases[] = {
        {SerialPortException::Unknown, "Unknown SerialPort Error"},
        {SerialPortException::Timeout, "SerialPort Timeout Error"},
        {SerialPortException::WriteFailed, "Can't write to serial port"},
        {9, "Unknown SerialPort Error"},
    };
    for (const auto& c : cases) {
        Fail(5, "before");
        const InvokeResult r = Call(kSerialFail, {Variant::I4(c.exceptionCode)});
        EXPECT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.result, Variant::Null());
        EXPECT_EQ(Get(kErrorCode), Variant::I4(0));
        EXPECT_EQ(Get(kErrorString), Variant::Bstr(c.text));
    }
}

TEST_F(SerialFailureTest, SerialSuccessPassesTheResultThrough)
{
    EXPECT_EQ(Call(kSerialFail, {Variant::I4(-1)}).result, Variant::I4(0));
    EXPECT_EQ(Get(kErrorString), Variant::Bstr(""));
}

TEST_F(SerialFailureTest, SerialFailureFollowsTheErrorMethod)
{
    UseErrorMethod(1);
    EXPECT_EQ(Call(kSerialFail, {Variant::I4(SerialPortException::Timeout)}).result, Variant::Error(5));
    UseErrorMethod(2);
    const InvokeResult r = Call(kSerialFail, {Variant::I4(SerialPortException::WriteFailed)});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.code, 0);
    EXPECT_EQ(r.excep.description, "Can't write to serial port");
}

TEST_F(SerialFailureTest, OtherExceptionsAreNotRecorded)
{
    Fail(5, "before");
    const InvokeResult r = Call(kOtherFail, {});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.excep.scode, E_UNEXPECTED);
    EXPECT_EQ(Get(kErrorCode), Variant::I4(5));
    EXPECT_EQ(Get(kErrorString), Variant::Bstr("before"));
}
