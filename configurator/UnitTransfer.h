#pragma once

#include "configurator/MessagePresenter.h"
#include "configurator/UnitConfig.h"

#include <cstdint>
#include <memory>
#include <string>

class CommDevice;

enum class TransferResult {
    Done,
    PortError,      // the port could not be opened
    NotAccepted,    // the data did not all go out, or the unit did not acknowledge it
    Timeout,        // the unit went quiet before the end of the rows
    ChecksumError,  // the stream was incomplete after the rows, or its checksum differs
};

// How long the transfer waits. The product uses the defaults; tests may shorten them.
struct TransferTiming {
    // The longest wait for the next byte from the unit.
    std::uint32_t readTimeoutMs = 100;
    // The longest time the 941 bytes of a send may take to leave the port: more than
    // twice what 4800 baud needs, yet a port that never lets them out cannot hang the
    // program.
    std::uint32_t sendLimitMs = 5000;
};

// The two exchanges with a DSP-Q47 unit over "Com1" (port selection 0) or "Com2" (any
// other selection), each opening the port, running to its end and closing the port:
// SendToUnit writes command 0x42 and the configuration stream and expects 0x41 back;
// ReceiveFromUnit writes 0x41 and reads the unit's stream. Each shows its outcome through
// the presenter, with the unit's fixed texts; a port that does not open is presented with
// its cause (OpenFailure).
class UnitTransfer {
public:
    static constexpr std::uint8_t kSendCommand = 0x42;
    static constexpr std::uint8_t kReceiveCommand = 0x41;
    static constexpr std::uint8_t kAcknowledge = 0x41;
    static constexpr std::uint32_t kBaudRate = 4800;

    static constexpr const char* kOpenFailed = "Error Opening Comm Port";
    static constexpr const char* kSentOk = "Data Received by DSP-Q47 OK";
    static constexpr const char* kSendFailed = "Error in Data sent to DSP-Q47";
    static constexpr const char* kReceiveTimeout = "Timeout receiving Data from DSP-Q47, Check Cables";
    static constexpr const char* kReceiveFailed = "Error in Data Received from DSP-Q47";
    static constexpr const char* kReceivedOk = "Data received from DSP-Q47 OK";

    // Over a serial line of the machine, found through the port map.
    explicit UnitTransfer(MessagePresenter& presenter, TransferTiming timing = {});
    // Over the given device (opened and closed by each exchange).
    UnitTransfer(MessagePresenter& presenter, CommDevice& device, TransferTiming timing = {});
    ~UnitTransfer();
    UnitTransfer(const UnitTransfer&) = delete;
    UnitTransfer& operator=(const UnitTransfer&) = delete;

    TransferResult SendToUnit(const UnitConfig& config, int portSelection);

    // The record is replaced only by a complete stream whose checksum matches; after any
    // failure it is exactly as it was.
    TransferResult ReceiveFromUnit(UnitConfig& config, int portSelection);

    static std::string PortName(int portSelection);

    // Why the port did not open at the last exchange that gave kOpenFailed ("Com1 is not
    // in the port map ...", "Com1 (<device>): Permission denied (<who may>)"); empty otherwise.
    const std::string& OpenFailure() const { return openFailure_; }

private:
    bool OpenPort(int portSelection);
    bool SendWholly(const std::uint8_t* bytes, std::size_t count);
    bool ReadByte(std::uint8_t& byte, std::uint32_t timeoutMs);
    TransferResult Finish(TransferResult result, const char* message, MessageIcon icon);

    MessagePresenter& presenter_;
    std::unique_ptr<CommDevice> ownDevice_;
    CommDevice& device_;
    TransferTiming timing_;
    std::string openFailure_;
};
