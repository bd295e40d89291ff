#pragma once

#include <string>

class AutomationError;
class RemoteMemberError;

// What pellori says about a failed call of the board object, in the dialog and
// in batch mode: the error's own text first, then what pellori knows beyond it.
class CallFailureText {
public:
    // The server's text for a flash byte that differs from the file.
    static constexpr const char* kVerifyMismatch = "Verify Error at Addr";

    // The server's text. A verify mismatch gains the address its error code
    // carries: "Verify Error at Addr 0x034D (low 16 bits)"; the code holds
    // only the low 16 bits of a wider address.
    static std::string Of(const RemoteMemberError& failure);
    // The automation layer's text. Once the server has ended, the object is
    // gone for good: the text says so and what to do.
    static std::string Of(const AutomationError& failure);

    static constexpr const char* kServerEndedRemedy = "close pellori and start it again";
};
