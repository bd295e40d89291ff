#include "monitor/boards/Ez2181.h"

#include "automation/core/VariantConversion.h"

#include <optional>
#include <vector>

namespace {

constexpr const char* kError = "Error";

std::uint8_t ReadCommand(std::int32_t space)
{
    return space == Ad21xx::IoSpace ? Ez2181Link::kReadIoWords : Ez2181Link::kReadWords;
}

std::uint8_t WriteCommand(std::int32_t space)
{
    return space == Ad21xx::IoSpace ? Ez2181Link::kWriteIoWords : Ez2181Link::kWriteWords;
}

std::uint32_t LineAddress(std::int32_t address, std::int32_t space)
{
    const auto word = static_cast<std::uint32_t>(address);
    return space == Ad21xx::DataSpace ? word + Ez2181::kDataMemoryLineBase : word;
}

// An array of `count` VT_I4 elements, or nothing for a count no array can have.
std::optional<SafeArray> I4Array(std::int32_t count)
{
    if (count < 0) return std::nullopt;
    return SafeArray::Create(VT_I4, {{static_cast<std::uint32_t>(count), 0}});
}

}  // namespace

Ez2181::Ez2181() : link_(Clock::Steady())
{
    OpenLine();
}

Ez2181::Ez2181(std::unique_ptr<CommDevice> device, Clock& clock) : link_(std::move(device), clock)
{
    OpenLine();
}

// A port that does not open is not reported here: the first transfer fails.
void Ez2181::OpenLine()
{
    link_.Open();
    link_.SetBaudRate(kInitialBaudRate);
}

const DispatchMap& Ez2181::Map()
{
    static const DispatchMap map = DispatchMap::Builder<Ez2181, Ad21xx>()
        .Method("Reset", &Ez2181::Reset)      // 1
        .Method("Run", &Ez2181::Run)          // 2
        .Method("SetBaud", &Ez2181::SetBaud)  // 3
        .Method("PowerOn", &Ez2181::PowerOn)  // 4
        .Build();
    return map;
}

Variant Ez2181::Reset(std::int32_t)
{
    return RunSerial([&] {
        Variant result = Variant::I4(0);
        const int code = link_.Exchange(Ez2181Link::kReset);
        if (code != 0) SetError(result, code, kError);
        return result;
    });
}

Variant Ez2181::Run(std::int32_t operand)
{
    const std::int32_t value = operand < 2 ? operand : HeldStartWord();
    return RunSerial([&] {
        Variant result = Variant::I4(0);
        const int code = link_.SendOperand(Ez2181Link::kRun, static_cast<std::uint32_t>(value));
        if (code == Ez2181Link::kBadCheckBytes)
            SetError(result, 1, kError);
        else if (code != 0)
            SetError(result, code, kError);
        return result;
    });
}

// The outcome of the driver call is not looked at: nothing is sent to the board.
Variant Ez2181::SetBaud(std::int32_t rate)
{
    link_.SetBaudRate(static_cast<std::uint32_t>(rate));
    return Variant::I4(0);
}

Variant Ez2181::PowerOn()
{
    return RunSerial([&] {
        Variant result = Variant::I4(0);
        if (link_.WaitForHello() != 0) SetError(result, 0, "ERROR: Device Timeout");
        return result;
    });
}

Variant Ez2181::ReadSpace(std::int32_t address, std::int32_t count, std::int32_t space)
{
    std::optional<SafeArray> array = I4Array(count);
    if (!array) {
        Variant result;
        SetError(result, 0, "Can't access data");
        return result;
    }
    return RunSerial([&] {
        Variant result;
        std::vector<std::uint32_t> words(static_cast<std::size_t>(count));
        const int code = link_.ReadWords(ReadCommand(space), LineAddress(address, space), count, words.data());
        if (code == Ez2181Link::kBadCheckBytes) {
            SetError(result, 0, "Invalid Checksum");
        } else if (code != 0) {
            SetError(result, code, kError);
        } else {
            for (std::size_t i = 0; i < words.size(); ++i)
                array->set(i, Variant::I4(static_cast<std::int32_t>(words[i])));
            result = Variant::Array(std::move(*array));
        }
        return result;
    });
}

Variant Ez2181::WriteSpace(std::int32_t address, Variant& data, std::int32_t space)
{
    std::optional<std::vector<Variant>> elements = ConvertToElements(data, VT_I4);
    if (!elements) {
        Variant result;
        SetError(result, 0, "Can't access data");
        return result;
    }
    std::vector<std::uint32_t> words;
    words.reserve(elements->size());
    for (const Variant& element : *elements)
        words.push_back(element.ui4());
    return RunSerial([&] {
        Variant result = Variant::I4(0);
        const int code = link_.WriteWords(WriteCommand(space), LineAddress(address, space),
                                          static_cast<int>(words.size()), words.data());
        if (code == Ez2181Link::kBadCheckBytes)
            SetError(result, 1, kError);
        else if (code != 0)
            SetError(result, code, kError);
        return result;
    });
}

Variant Ez2181::ReadFlashBlock(std::int32_t address, std::int32_t count)
{
    std::optional<SafeArray> array = I4Array(count);
    if (!array) {
        Variant result;
        SetError(result, 0, "Can't access Data");
        return result;
    }
    return RunSerial([&] {
        Variant result;
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
        if (link_.ReadFlashBytes(static_cast<std::uint32_t>(address), count, bytes.data()) != 0) {
            SetError(result, 0, "No Response from Device");
        } else {
            for (std::size_t i = 0; i < bytes.size(); ++i)
                array->set(i, Variant::I4(bytes[i]));
            result = Variant::Array(std::move(*array));
        }
        return result;
    });
}

Variant Ez2181::WriteFlashBlock(std::int32_t address, Variant& data)
{
    std::optional<std::vector<Variant>> elements = ConvertToElements(data, VT_UI1);
    if (!elements) {
        Variant result;
        SetError(result, 0, "Can't access data");
        return result;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(elements->size());
    for (const Variant& element : *elements)
        bytes.push_back(element.ui1());
    return RunSerial([&] {
        Variant result = Variant::I4(0);
        if (link_.WriteFlashBytes(static_cast<std::uint32_t>(address), static_cast<int>(bytes.size()),
                                  bytes.data()) != 0)
            SetError(result, 0, "No Response from Device");
        return result;
    });
}
