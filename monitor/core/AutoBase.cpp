#include "monitor/core/AutoBase.h"

#include "automation/core/DispatchException.h"
#include "monitor/serial/SerialPort.h"
#include "platform/PortMap.h"

const DispatchMap& AutoBase::Map()
{
    static const DispatchMap map = DispatchMap::Builder<AutoBase>()
        .Property("ErrorMethod", &AutoBase::GetErrorMethod, &AutoBase::SetErrorMethod).Quick()
        .ReadOnlyProperty("ErrorCode", &AutoBase::GetErrorCode).Quick()
        .ReadOnlyProperty("ErrorString", &AutoBase::GetErrorString).Quick()
        .Build();
    return map;
}

void AutoBase::SetErrorMethod(std::int32_t method)
{
    if (method == ReturnNull || method == ReturnError || method == ThrowException)
        errorMethod_ = method;
}

const char* AutoBase::SerialErrorText(std::int32_t exceptionCode)
{
    switch (exceptionCode) {
    case SerialPortException::Timeout: return "SerialPort Timeout Error";
    case SerialPortException::WriteFailed: return "Can't write to serial port";
    default: return "Unknown SerialPort Error";
    }
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
    for (const FailureText& row : FailureTexts()) {
        if (row.kind != failure.kind)
            continue;
        const std::int32_t code = row.code == FailureText::FromFailure ? failure.code : 0;
        if (row.text == nullptr)
            SetError(result, code, LineFailureText(failure));
        else
            SetError(result, code, row.text);
        return;
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

void AutoBase::SelectPort(SerialPort& line, const std::string& name)
{
    Variant ignored;
    if (!SerialPort::IsPortName(name)) {
        SetError(ignored, 0, "Port must be a serial port of the port map, com1 to com" +
                                 std::to_string(SerialPort::kHighestPortNumber) + ", not \"" + name + "\"");
        return;
    }
    if (const std::string notMapped = PortMap::NotMappedText(name); !notMapped.empty()) {
        SetError(ignored, 0, notMapped);
        return;
    }
    line.SelectPort(name);
}

void AutoBase::RecordSerialFailure(Variant& result, std::int32_t exceptionCode, const SerialPort& line)
{
    SetError(result, 0, SerialFailureText(exceptionCode, line));
}

std::string AutoBase::SerialFailureText(std::int32_t exceptionCode, const SerialPort& line)
{
    std::string text = SerialErrorText(exceptionCode);
    if (!line.OpenFailure().empty()) text += " (" + line.OpenFailure() + ")";
    return text;
}
