#include "monitor/serial/SerialFailure.h"

#include "monitor/serial/SerialPort.h"

const char* SerialFailure::ExceptionText(std::int32_t exceptionCode)
{
    switch (exceptionCode) {
    case SerialPortException::Timeout: return "SerialPort Timeout Error";
    case SerialPortException::WriteFailed: return "Can't write to serial port";
    default: return "Unknown SerialPort Error";
    }
}

std::string SerialFailure::Text(std::int32_t exceptionCode, const SerialPort& line)
{
    std::string text = ExceptionText(exceptionCode);
    if (!line.OpenFailure().empty()) text += " (" + line.OpenFailure() + ")";
    return text;
}
