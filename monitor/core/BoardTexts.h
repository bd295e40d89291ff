#pragma once

// Texts that several boards and the serial port object record for the same
// failure of a member.
class BoardTexts {
public:
    // The script's data cannot be converted, or no result array can be made.
    static constexpr const char* kNoDataAccess = "Can't access data";
    // The same, as the flash block reads spell it.
    static constexpr const char* kNoFlashDataAccess = "Can't access Data";
    // The board did not give a right reply.
    static constexpr const char* kNoResponse = "No Response from Device";
};
