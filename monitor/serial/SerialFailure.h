#pragma once

#include "monitor/core/LinkResult.h"
#include "monitor/serial/SerialPortException.h"

// The one place where a SerialPortException of a byte transfer becomes a
// failure value: the links run their exchanges through Catch.
class SerialFailure {
public:
    // Runs `transfer`, which returns a LinkResult, and turns a
    // SerialPortException it throws into LinkResult::SerialFailure.
    template <class Transfer>
    static LinkResult Catch(Transfer&& transfer)
    {
        try {
            return transfer();
        } catch (const SerialPortException& failure) {
            return {LinkResult::SerialFailure, failure.code()};
        }
    }
};
