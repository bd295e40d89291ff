#pragma once

#include "monitor/serial/SerialPortException.h"

#include <cstdint>

// How an operation of a board link ended: Ok, or the kind of failure and the
// code that goes with it. Every link returns this from each of its operations
// and lets no exception out, so that a failed byte transfer and a wrong reply
// reach the board's automation class the same way; each board turns the
// kinds into its own texts and codes in one table.
struct LinkResult {
    enum Kind {
        Ok,
        SerialFailure,        // `code` is the SerialPortException code
        // A reply that is not the one expected. Where the link numbers its
        // faults, `code` is that number.
        WrongStart,           // the reply's first byte is not the one that starts a reply
        WrongAddress,         // the reply's address byte is not one the PC accepts
        ShortLength,          // the reply's length byte is below the least a reply has
        WrongStatus,          // the reply's status (or reply code) is not the one of success
        InvalidHeader,        // the reply's descriptor is not the one expected
        UnexpectedLength,     // the reply's length or count is not the one expected
        BadCheckBytes,        // the reply's check bytes do not match its contents
        InvalidLockoutValue,  // `code` is the status byte, neither 0xFF nor 0xFE
        NoResponse,           // the board did not give a right reply
        NoPowerOnFrame,       // the board did not announce itself in time
        NoPortAccess,         // the port cannot be reached at all
        OutOfRange,           // the request does not fit the link's fields; nothing was sent
    };
    Kind kind = Ok;
    std::int32_t code = 0;

    bool ok() const { return kind == Ok; }
    bool operator==(const LinkResult&) const = default;

    // Runs `transfer`, which returns a LinkResult, and turns a
    // SerialPortException it throws into SerialFailure.
    template <class Transfer>
    static LinkResult CatchSerialFailure(Transfer&& transfer)
    {
        try {
            return transfer();
        } catch (const SerialPortException& failure) {
            return {SerialFailure, failure.code()};
        }
    }
};
