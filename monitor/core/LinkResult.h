#pragma once

#include <cstdint>

// How an operation of a board link or a board hook ended: Ok, or the kind of
// failure and the code that goes with it. Every link returns this from each of
// its operations and lets no exception out, and the hooks that the family
// classes call on a board return it too, so that a failed byte transfer, a
// wrong reply and a request the board refuses reach the automation edge the
// same way; each board turns the kinds into its own texts and codes in one
// table (FailureText).
struct LinkResult {
    enum Kind {
        Ok,
        SerialFailure,  // `code` is the SerialPortException code
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
        // Refusals of the board hooks; nothing was sent.
        NoDataAccess,       // the script's data does not convert, or no result array can be made
        NoFlashDataAccess,  // a flash block read's count cannot be served
        FlashReadTooLong,   // more flash values than one read of the board carries
        FlashWriteTooLong,  // more flash values than one write of the board carries
        PacketTooLong,      // more words than one packet of the board carries
        // A memory read whose reply check bytes do not match its contents.
        BadMemoryCheckBytes,
    };
    Kind kind = Ok;
    std::int32_t code = 0;

    bool ok() const { return kind == Ok; }
    bool operator==(const LinkResult&) const = default;
};
