#pragma once

#include <cstdint>

// Thrown by value by the byte transfers of SerialPort and caught by value at
// each automation method.
class SerialPortException {
public:
    enum Code : std::int32_t {
        Unknown = 0,
        Timeout = 1,      // no byte within the read time-out, or the read failed
        WriteFailed = 2,  // a write failed or did not write the byte
    };

    explicit SerialPortException(std::int32_t code) : code_(code) {}
    std::int32_t code() const { return code_; }

private:
    std::int32_t code_;
};
