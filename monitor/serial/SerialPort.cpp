#include "monitor/serial/SerialPort.h"

#include "platform/PortCommDevice.h"
#include "platform/PortMap.h"

#include <cctype>

namespace {

constexpr std::uint32_t kReadIntervalMs = 500;
constexpr std::uint32_t kReadTotalMs = 1000;
constexpr std::uint32_t kOpenBaudRate = 9600;
constexpr std::uint32_t kTransmitMarginMs = 100;
// Assumed when the rate cannot be read: slower than any rate the boards use.
constexpr std::uint32_t kSlowestBaudRate = 300;

// What Open sets; every other field stays as the driver has it.
void SetOpenDefaults(CommSettings& settings)
{
    settings.baudRate = kOpenBaudRate;
    settings.dataBits = 8;
    settings.parity = Parity::None;
    settings.stopBits = 1;
    settings.ctsOutFlow = false;
    settings.dsrOutFlow = false;
}

// The number of "COM<n>" in any case, n from 1 without leading zeros; 0 for any other name.
int ComPortNumber(std::string_view name)
{
    if (name.size() < 4 || name.size() > 6 || name[3] == '0') return 0;
    for (std::size_t i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
    int number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

}  // namespace

SerialPort::SerialPort(std::int32_t endianMode)
    : SerialPort(endianMode, std::make_unique<PortCommDevice>())
{
}

SerialPort::SerialPort(std::int32_t endianMode, std::unique_ptr<CommDevice> device)
    : device_(std::move(device)), endianMode_(endianMode)
{
}

SerialPort::~SerialPort()
{
    Close();
}

void SerialPort::SetPort(std::int16_t number)
{
    Close();
    // "COM" and one digit: a number above 9 names no port and is refused like one below 1.
    if (number < 1 || number > 9) return;
    portNumber_ = number;
    portName_ = "COM";
    portName_ += static_cast<char>('0' + number);
}

std::string SerialPort::PortMapName() const
{
    std::string name = portName_;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

bool SerialPort::IsPortName(std::string_view name)
{
    const int number = ComPortNumber(name);
    return number >= 1 && number <= kHighestPortNumber;
}

bool SerialPort::SelectPort(std::string_view name)
{
    if (!IsPortName(name)) return false;
    const int number = ComPortNumber(name);
    Close();
    portNumber_ = static_cast<std::int16_t>(number);
    portName_ = "COM" + std::to_string(number);
    wantedOpen_ = true;
    return true;
}

bool SerialPort::Open()
{
    Close();
    rtsToggle_ = false;
    SetOpenDefaults(settings_);
    if (!OpenDevice()) return false;
    wantedOpen_ = true;

    CommSettings settings;
    if (!device_->GetSettings(settings)) return false;  // open, but left as the driver has it
    SetOpenDefaults(settings);
    ApplySettings(settings);
    device_->SetReadTimeouts(kReadIntervalMs, kReadTotalMs);
    return true;
}

bool SerialPort::OpenDevice()
{
    const std::string path = PortMap::DevicePath(portName_);
    if (path.empty()) {
        openFailure_ = PortMap::NotMappedText(portName_);
        openFailedThisCall_ = true;
        return false;
    }
    if (!device_->Open(path)) {
        openFailure_ = portName_ + " (" + path + "): " + device_->LastError();
        openFailedThisCall_ = true;
        return false;
    }
    openFailure_.clear();
    return true;
}

void SerialPort::OpenWhenUsed()
{
    Close();
    rtsToggle_ = false;
    SetOpenDefaults(settings_);
    wantedOpen_ = true;
}

void SerialPort::Close()
{
    wantedOpen_ = false;
    openFailure_.clear();
    openFailedThisCall_ = false;
    if (device_->IsOpen()) device_->Close();
}

void SerialPort::DropLine()
{
    lineLost_ = false;
    if (device_->IsOpen()) device_->Close();
}

bool SerialPort::ReopenLostLine()
{
    if (device_->IsOpen()) return true;
    if (!wantedOpen_ || openFailedThisCall_ || !OpenDevice()) return false;
    device_->SetSettings(settings_);
    device_->SetReadTimeouts(kReadIntervalMs, kReadTotalMs);
    return true;
}

bool SerialPort::ApplySettings(const CommSettings& settings)
{
    if (!device_->SetSettings(settings)) return false;
    settings_ = settings;
    return true;
}

bool SerialPort::IsOpen() const
{
    return device_->IsOpen();
}

bool SerialPort::ReadSettings(CommSettings& out)
{
    return ReopenLostLine() && device_->GetSettings(out);
}

// The boards' SetBaud looks at no outcome, so opening the line here would only cost a
// network port's time-out a second time, before the transfer that reports the failure.
bool SerialPort::SetBaudRate(std::uint32_t rate)
{
    CommSettings settings;
    if (!device_->IsOpen() || !device_->GetSettings(settings)) {
        settings_.baudRate = rate;
        return false;
    }
    settings.baudRate = rate;
    return ApplySettings(settings);
}

std::uint32_t SerialPort::GetBaudRate()
{
    CommSettings settings;
    return ReadSettings(settings) ? settings.baudRate : 0;
}

bool SerialPort::SetCtsFlow(bool on)
{
    CommSettings settings;
    if (!ReadSettings(settings)) return false;
    settings.ctsOutFlow = on;
    return ApplySettings(settings);
}

int SerialPort::GetCtsFlow()
{
    CommSettings settings;
    return ReadSettings(settings) && settings.ctsOutFlow ? 1 : 0;
}

bool SerialPort::SetRtsControl(int mode)
{
    CommSettings settings;
    if (!ReadSettings(settings)) return false;
    rtsToggle_ = (mode == 3);
    settings.rtsControl = rtsToggle_ ? 0 : (mode & 3);
    return ApplySettings(settings);
}

int SerialPort::GetRtsControl()
{
    if (rtsToggle_) return 3;
    CommSettings settings;
    return ReadSettings(settings) ? settings.rtsControl : 0;
}

int SerialPort::GetCTS()
{
    std::uint32_t status = 0;
    return device_->IsOpen() && device_->GetModemStatus(status) && (status & ModemCts) ? 1 : 0;
}

int SerialPort::GetDSR()
{
    std::uint32_t status = 0;
    return device_->IsOpen() && device_->GetModemStatus(status) && (status & ModemDsr) ? 1 : 0;
}

bool SerialPort::SetRts(bool on)
{
    return device_->IsOpen() && device_->Escape(on ? EscapeFunction::SetRts : EscapeFunction::ClrRts);
}

bool SerialPort::SetDtr(bool on)
{
    return device_->IsOpen() && device_->Escape(on ? EscapeFunction::SetDtr : EscapeFunction::ClrDtr);
}

bool SerialPort::PurgeInput()
{
    return ReopenLostLine() && device_->PurgeInput();
}

// Nothing is on the line of a closed port.
bool SerialPort::TransmitterEmpty()
{
    return !device_->IsOpen() || device_->WaitTransmitterEmpty(0);
}

std::string SerialPort::LastError() const
{
    return device_->LastError();
}

void SerialPort::WriteByte(std::uint8_t b)
{
    if (!ReopenLostLine()) throw SerialPortException(SerialPortException::WriteFailed);
    const long written = device_->Write(&b, 1);
    if (written == 1) return;
    // Inside a toggled block the line is given up once RTS is back up.
    lineLost_ = written < 0;
    if (lineLost_ && !inToggledBlock_) DropLine();
    throw SerialPortException(SerialPortException::WriteFailed);
}

std::uint8_t SerialPort::ReadByte()
{
    std::uint8_t b = 0;
    if (!ReadOneByte(b)) throw SerialPortException(SerialPortException::Timeout);
    return b;
}

bool SerialPort::ReadOneByte(std::uint8_t& out)
{
    if (!ReopenLostLine()) return false;
    const long got = device_->Read(&out, 1);
    if (got < 0) DropLine();
    return got == 1;
}

bool SerialPort::TryReadByte(std::uint8_t* out)
{
    std::uint8_t scratch = 0;
    return ReadOneByte(out != nullptr ? *out : scratch);
}

void SerialPort::SendBlock(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty()) return;
    if (!ReopenLostLine()) throw SerialPortException(SerialPortException::WriteFailed);
    const long written = device_->Write(bytes.data(), bytes.size());
    if (written == static_cast<long>(bytes.size())) return;
    // Short of a failure the device writes the whole block: a part written means the
    // line failed under the rest, as a single byte's failed write does.
    if (written != 0) DropLine();
    throw SerialPortException(SerialPortException::WriteFailed);
}

void SerialPort::ReceiveBlock(std::span<std::uint8_t> bytes)
{
    for (std::size_t got = 0; got < bytes.size();) {
        if (!ReopenLostLine()) throw SerialPortException(SerialPortException::Timeout);
        const long n = device_->ReadArrived(bytes.data() + got, bytes.size() - got, kReadTotalMs);
        if (n < 0) DropLine();
        if (n <= 0) throw SerialPortException(SerialPortException::Timeout);
        got += static_cast<std::size_t>(n);
    }
}

void SerialPort::AppendWord32(std::vector<std::uint8_t>& out, std::uint32_t value) const
{
    for (int i = 0; i < 4; ++i) {
        const int shift = MostSignificantFirst() ? 24 - 8 * i : 8 * i;
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint16_t SerialPort::Word16At(const std::uint8_t* bytes) const
{
    const std::uint16_t first = bytes[0];
    const std::uint16_t second = bytes[1];
    return static_cast<std::uint16_t>(MostSignificantFirst() ? (first << 8) | second : (second << 8) | first);
}

std::uint32_t SerialPort::Word32At(const std::uint8_t* bytes) const
{
    const std::uint32_t first = Word16At(bytes);
    const std::uint32_t second = Word16At(bytes + 2);
    return MostSignificantFirst() ? (first << 16) | second : (second << 16) | first;
}

void SerialPort::WriteWord16(std::uint16_t w)
{
    const auto high = static_cast<std::uint8_t>(w >> 8);
    const auto low = static_cast<std::uint8_t>(w);
    WriteByte(MostSignificantFirst() ? high : low);
    WriteByte(MostSignificantFirst() ? low : high);
}

void SerialPort::WriteWord32(std::uint32_t v)
{
    const auto high = static_cast<std::uint16_t>(v >> 16);
    const auto low = static_cast<std::uint16_t>(v);
    WriteWord16(MostSignificantFirst() ? high : low);
    WriteWord16(MostSignificantFirst() ? low : high);
}

std::uint16_t SerialPort::ReadWord16()
{
    const std::uint16_t first = ReadByte();
    const std::uint16_t second = ReadByte();
    return static_cast<std::uint16_t>(MostSignificantFirst() ? (first << 8) | second
                                                             : (second << 8) | first);
}

std::uint32_t SerialPort::ReadWord32()
{
    const std::uint32_t first = ReadWord16();
    const std::uint32_t second = ReadWord16();
    return MostSignificantFirst() ? (first << 16) | second : (second << 16) | first;
}

std::uint32_t SerialPort::TransmitTimeLimitMs(int count, std::uint32_t baudRate)
{
    const std::uint64_t bits = 10ull * static_cast<std::uint64_t>(count > 0 ? count : 0);
    const std::uint64_t rate = baudRate > 0 ? baudRate : kSlowestBaudRate;
    return static_cast<std::uint32_t>((bits * 1000 + rate - 1) / rate) + kTransmitMarginMs;
}

// In toggle mode RTS is low while the block is on the line and goes high again once the
// transmitter is empty, or once it should long have been, and on every way out.
void SerialPort::WriteBytes(int count, const std::uint8_t* data)
{
    const bool toggle = rtsToggle_;
    if (toggle) device_->Escape(EscapeFunction::ClrRts);
    inToggledBlock_ = toggle;
    int sent = 0;
    try {
        for (; sent < count; ++sent) WriteByte(data[sent]);
    } catch (...) {
        inToggledBlock_ = false;
        if (toggle) EndToggledBlock(sent);
        if (lineLost_) DropLine();
        throw;
    }
    inToggledBlock_ = false;
    if (toggle) EndToggledBlock(sent);
}

void SerialPort::EndToggledBlock(int bytesSent)
{
    device_->WaitTransmitterEmpty(TransmitTimeLimitMs(bytesSent, GetBaudRate()));
    device_->Escape(EscapeFunction::SetRts);
}

void SerialPort::WriteWords32(int count, const std::uint32_t* values)
{
    for (int i = 0; i < count; ++i) WriteWord32(values[i]);
}

void SerialPort::ReadBytes(int count, std::uint8_t* buffer)
{
    for (int i = 0; i < count; ++i) buffer[i] = ReadByte();
}

void SerialPort::ReadWords16(int count, std::uint16_t* buffer)
{
    for (int i = 0; i < count; ++i) buffer[i] = ReadWord16();
}

void SerialPort::ReadWords32(int count, std::uint32_t* buffer)
{
    for (int i = 0; i < count; ++i) buffer[i] = ReadWord32();
}
