#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "automation/core/Dispatchable.h"
#include "automation/core/Variant.h"
#include "monitor/core/FailureText.h"
#include "monitor/core/LinkResult.h"

// Root of every automation class of the server. It carries the error model:
// ErrorMethod decides how a failure reaches the client, ErrorCode and
// ErrorString keep the last failure. Every failing member of a derived class
// records its failure through SetError.
//
// Dispatch map (positions 1 to 3): ErrorMethod, ErrorCode, ErrorString.
class AutoBase : public Dispatchable {
public:
    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    // How SetError reports a failure.
    enum ErrorMethod : std::int32_t {
        ReturnNull = 0,      // the result becomes VT_NULL
        ReturnError = 1,     // the result becomes VT_ERROR with scode = code + 5
        ThrowException = 2,  // the call fails with DISP_E_EXCEPTION
    };

    // Automation properties.
    std::int32_t GetErrorMethod() const { return errorMethod_; }
    void SetErrorMethod(std::int32_t method);                 // 0, 1 or 2; any other value is ignored
    std::int32_t GetErrorCode() const { return errorCode_; }  // 16 bits, sign-extended
    std::string GetErrorString() const { return errorString_; }

protected:
    AutoBase() = default;

    // Records a failure: keeps the low 16 bits of `code` and `text` ("General
    // Error" when null), then by the error method sets `result` to VT_NULL,
    // sets it to VT_ERROR (code sign-extended + 5), or throws the
    // DispatchException (code, text, help context 0) that fails the call.
    void SetError(Variant& result, std::int32_t code, const char* text);
    void SetError(Variant& result, std::int32_t code, const std::string& text);
    // Records `text` with code 0 and returns the error result.
    Variant Fail(const char* text);
    // Records `failure` with the text and code its kind has in FailureTexts()
    // or LineFailureTexts() and returns the error result.
    Variant Fail(const LinkResult& failure);
    void SetError(Variant& result, const LinkResult& failure);
    // VT_I4 0 when `outcome` is Ok, else the recorded failure.
    Variant Result(const LinkResult& outcome);

    // The board's failure table; empty unless the board has one.
    virtual std::span<const FailureText> FailureTexts() const { return {}; }
    // The rows that every board on the same kind of line shares, looked up
    // after the board's own.
    virtual std::span<const FailureText> LineFailureTexts() const { return {}; }
    // The text of a failure whose table row defers to the line: why the
    // transfer failed there ("General Error" unless the board knows better).
    virtual std::string LineFailureText(const LinkResult& failure) const;

private:
    std::int32_t errorMethod_ = ReturnNull;
    std::int16_t errorCode_ = 0;
    std::string errorString_;
};
