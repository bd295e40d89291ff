#include <gtest/gtest.h>

#include <stdexcept>

#include "monitor/serial/SerialFailure.h"
#include "monitor/serial/SerialPort.h"

// How a failed transfer is recorded by the error methods is tested where it
// happens, on Sport's GetBytes and the boards' members; here the failure value
// and its texts.
TEST(SerialFailure, AnExceptionBecomesItsCodeAndTheTextOfThatCode)
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
    const SerialPort line(0);  // never opened: no cause follows the texts
    for (const auto& c : cases) {
        const LinkResult outcome = SerialFailure::Catch([&]() -> LinkResult { throw SerialPortException(c.exceptionCode); });
        EXPECT_EQ(outcome, (LinkResult{LinkResult::SerialFailure, c.exceptionCode}));
        EXPECT_STREQ(SerialFailure::ExceptionText(c.exceptionCode), c.text);
        EXPECT_EQ(SerialFailure::Text(outcome.code, line), c.text);
    }
}

TEST(SerialFailure, SuccessAndOtherExceptionsPassThrough)
{
    EXPECT_EQ(SerialFailure::Catch([] { return LinkResult{}; }), LinkResult{});
    EXPECT_EQ(SerialFailure::Catch([] { return LinkResult{LinkResult::WrongStart, 3}; }),
              (LinkResult{LinkResult::WrongStart, 3}));
    EXPECT_THROW(SerialFailure::Catch([]() -> LinkResult { throw std::runtime_error("not a serial failure"); }),
                 std::runtime_error);
}
