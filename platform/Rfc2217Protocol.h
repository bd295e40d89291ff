#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The bytes of a network serial port: telnet (RFC 854) with the com-port control
// option (RFC 2217), apart from any socket so that it can be read, tested and fuzzed
// alone. Rfc2217CommDevice moves these bytes over TCP.
//
// Sending: the greeting asks for binary transmission and suppressed go-ahead both ways
// and offers the com-port option; data goes out with every 0xFF doubled; a com-port
// command is IAC SB 44 <command> <value> IAC SE.
//
// Receiving: Receive() splits what the peer sent into the line's data and telnet
// commands, answers the peer's option requests (TakeReplies), and keeps the
// server's answers to the com-port commands and its modem-state notifications.
// A subnegotiation ends at IAC SE and nothing after it is taken into it; one that is
// cut short by another telnet command, is too long, or does not have the length its
// command needs is dropped and counted.
class Rfc2217Protocol {
public:
    using Bytes = std::vector<std::uint8_t>;

    // Telnet commands and options.
    static constexpr std::uint8_t kIac = 255;
    static constexpr std::uint8_t kDont = 254;
    static constexpr std::uint8_t kDo = 253;
    static constexpr std::uint8_t kWont = 252;
    static constexpr std::uint8_t kWill = 251;
    static constexpr std::uint8_t kSb = 250;
    static constexpr std::uint8_t kSe = 240;
    static constexpr std::uint8_t kBinary = 0;
    static constexpr std::uint8_t kSuppressGoAhead = 3;
    static constexpr std::uint8_t kComPort = 44;

    // Com-port commands from client to server; the server answers each with the
    // command plus kServerOffset and the value it now has.
    enum Command : std::uint8_t {
        Signature = 0,
        SetBaudRate = 1,
        SetDataSize = 2,
        SetParity = 3,
        SetStopSize = 4,
        SetControl = 5,
        NotifyLineState = 6,
        NotifyModemState = 7,
        FlowControlSuspend = 8,
        FlowControlResume = 9,
        SetLineStateMask = 10,
        SetModemStateMask = 11,
        PurgeData = 12,
    };
    static constexpr std::uint8_t kServerOffset = 100;
    static constexpr std::size_t kCommandCount = 13;

    // Values of SET-CONTROL.
    enum Control : std::uint8_t {
        OutboundFlowNone = 1,
        OutboundFlowXonXoff = 2,
        OutboundFlowHardware = 3,
        DtrOn = 8,
        DtrOff = 9,
        RtsOn = 11,
        RtsOff = 12,
    };
    // Values of PURGE-DATA: the server's buffer of bytes received from the line and
    // not yet sent on, the one of bytes waiting to go out on the line, or both.
    enum Purge : std::uint8_t { PurgeReceived = 1,
                                PurgeTransmit = 2,
                                PurgeBoth = 3 };

    // A subnegotiation longer than this is dropped (the longest answer, a signature,
    // is a line of text).
    static constexpr std::size_t kLongestSubnegotiation = 256;

    // The client's opening: WILL and DO BINARY, WILL and DO SUPPRESS-GO-AHEAD, WILL
    // COM-PORT-OPTION. Call once, before Receive().
    void AppendGreeting(Bytes& out);
    // `count` data bytes with every 0xFF doubled.
    static void AppendData(Bytes& out, const std::uint8_t* data, std::size_t count);
    // IAC SB COM-PORT-OPTION command value IAC SE, with 0xFF in the value doubled.
    static void AppendCommand(Bytes& out, Command command, const Bytes& value);
    // SET-BAUDRATE with the rate in network byte order (0 asks for the current one).
    static void AppendBaudRate(Bytes& out, std::uint32_t rate);

    // Takes bytes from the peer, appending the line's data to `data`.
    void Receive(const std::uint8_t* bytes, std::size_t count, Bytes& data);
    // The answers owed to the peer's option requests since the last call.
    Bytes TakeReplies();

    // The peer agreed to the com-port option (DO COM-PORT-OPTION).
    bool ComPortAccepted() const { return local_[kComPort] == OptionState::On; }
    // The peer refused it (DONT COM-PORT-OPTION).
    bool ComPortRefused() const { return comPortRefused_; }
    // The peer sent at least one telnet command.
    bool HeardTelnet() const { return heardTelnet_; }

    // How many answers to `command` came, and the value of the last one.
    std::uint32_t Answers(Command command) const { return answers_[command].count; }
    const Bytes& LastAnswer(Command command) const { return answers_[command].value; }
    // The size the `data` of Receive() had when the last answer to `command` came: the
    // data that came before it (what a purge drops).
    std::size_t DataBeforeLastAnswer(Command command) const { return answers_[command].dataBefore; }
    // The rate of the last SET-BAUDRATE answer, 0 before one came.
    std::uint32_t AnsweredBaudRate() const;
    // The last modem state the server notified: CTS 0x10, DSR 0x20, RI 0x40, CD 0x80
    // and their change bits below.
    std::uint8_t ModemState() const { return modemState_; }
    // Subnegotiations that were dropped as malformed.
    std::size_t Malformed() const { return malformed_; }

private:
    enum class OptionState : std::uint8_t { Off,
                                            Asked,
                                            On };
    enum class State : std::uint8_t { Data,
                                      Iac,
                                      Option,
                                      Sub,
                                      SubIac };

    void TakeCommand(std::uint8_t byte);  // the byte after an IAC
    void Negotiate(std::uint8_t verb, std::uint8_t option);
    void EndSubnegotiation(std::size_t dataSize);
    void Reply(std::uint8_t verb, std::uint8_t option);
    void AskedToEnable(OptionState& state, bool wanted, std::uint8_t yes, std::uint8_t no, std::uint8_t option);
    static bool WantedHere(std::uint8_t option);
    static bool WantedThere(std::uint8_t option);
    static bool LengthFits(std::uint8_t command, std::size_t valueLength);

    struct Answer {
        std::uint32_t count = 0;
        Bytes value;
        std::size_t dataBefore = 0;
    };

    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    Bytes sub_;
    bool subTooLong_ = false;
    std::array<OptionState, 256> local_{};   // options this side performs
    std::array<OptionState, 256> remote_{};  // options the peer performs
    bool comPortRefused_ = false;
    bool heardTelnet_ = false;
    std::array<Answer, kCommandCount> answers_{};
    std::uint8_t modemState_ = 0;
    std::size_t malformed_ = 0;
    Bytes replies_;
};
