#pragma once

#include "monitor/core/LinkResult.h"
#include "monitor/serial/SerialPortException.h"

#include <cstdint>
#include <string>

class SerialPort;

// The one place where a SerialPortException of a byte transfer becomes a
// failure value and its text: the links run their exchanges through Catch,
// and the serial objects record a SerialFailure with Text.
class SerialFailure {
public:
    // Runs `transfer`, which returns a LinkResult, and turns a
    // SerialPortException it throws into LinkResult::SerialFailure.
    // Nothing else is caught.
    template <class Transfer>
    static LinkResult Catch(Transfer&& transfer)
    {
        try {
            return transfer();
        } catch (const SerialPortException& failure) {
            return {LinkResult::SerialFailure, failure.code()};
        }
    }

    // The text of a SerialPortException with this code.
    static const char* ExceptionText(std::int32_t exceptionCode);
    // The text a failed transfer on `line` is recorded with: the text of its
    // exception code, followed by why the line did not open when that is the
    // cause ("Can't write to serial port (COM1 is not in the port map: ...)").
    static std::string Text(std::int32_t exceptionCode, const SerialPort& line);
};
