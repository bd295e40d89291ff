#include "monitor/core/AutoBase.h"

#include "automation/core/DispatchException.h"

const DispatchMap& AutoBase::Map()
{
    static const DispatchMap map = DispatchMap::Builder<AutoBase>()
                                       .Property("ErrorMethod", &AutoBase::GetErrorMethod, &AutoBase::SetErrorMethod)
                                       .ReadOnlyProperty("ErrorCode", &AutoBase::GetErrorCode)
                                       .ReadOnlyProperty("ErrorString", &AutoBase::GetErrorString)
                                       .Build();
    return map;
}

void AutoBase::SetErrorMethod(std::int32_t method)
{
    if (method == ReturnNull || method == ReturnError || method == ThrowException)
        errorMethod_ = method;
}

void AutoBase::SetError(Variant& result, std::int32_t code, const char* text)
{
    SetError(result, code, std::string(text ? text : "General Error"));
}

Variant AutoBase::Fail(const char* text)
{
    Variant result;
    SetError(result, 0, text);
    return result;
}

Variant AutoBase::Fail(const LinkResult& failure)
{
    Variant result;
    SetError(result, failure);
    return result;
}

Variant AutoBase::Result(const LinkResult& outcome)
{
    return outcome.ok() ? Variant::I4(0) : Fail(outcome);
}

void AutoBase::SetError(Variant& result, const LinkResult& failure)
{
    for (std::span<const FailureText> table : {FailureTexts(), LineFailureTexts()}) {
        for (const FailureText& row : table) {
            if (row.kind != failure.kind)
                continue;
            const std::int32_t code = row.code == FailureText::FromFailure ? failure.code : 0;
            if (row.text == nullptr)
                SetError(result, code, LineFailureText(failure));
            else
                SetError(result, code, row.text);
            return;
        }
    }
    SetError(result, failure.code, nullptr);
}

std::string AutoBase::LineFailureText(const LinkResult&) const
{
    return "General Error";
}

void AutoBase::SetError(Variant& result, std::int32_t code, const std::string& text)
{
    errorCode_ = static_cast<std::int16_t>(code);
    errorString_ = text;
    switch (errorMethod_) {
    case ReturnError:
        result = Variant::Error(static_cast<std::int32_t>(errorCode_) + 5);
        return;
    case ThrowException:
        throw DispatchException(static_cast<std::uint16_t>(errorCode_), errorString_, {}, 0);
    default:
        result = Variant::Null();
        return;
    }
}
