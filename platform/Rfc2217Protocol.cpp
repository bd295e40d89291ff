#include "platform/Rfc2217Protocol.h"

void Rfc2217Protocol::AppendGreeting(Bytes& out)
{
    for (const std::uint8_t option : {kBinary, kSuppressGoAhead}) {
        out.insert(out.end(), {kIac, kWill, option, kIac, kDo, option});
        local_[option] = OptionState::Asked;
        remote_[option] = OptionState::Asked;
    }
    out.insert(out.end(), {kIac, kWill, kComPort});
    local_[kComPort] = OptionState::Asked;
}

void Rfc2217Protocol::AppendData(Bytes& out, const std::uint8_t* data, std::size_t count)
{
    out.reserve(out.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(data[i]);
        if (data[i] == kIac) out.push_back(kIac);
    }
}

void Rfc2217Protocol::AppendCommand(Bytes& out, Command command, const Bytes& value)
{
    out.insert(out.end(), {kIac, kSb, kComPort, command});
    AppendData(out, value.data(), value.size());
    out.insert(out.end(), {kIac, kSe});
}

void Rfc2217Protocol::AppendBaudRate(Bytes& out, std::uint32_t rate)
{
    AppendCommand(out, SetBaudRate,
                  {static_cast<std::uint8_t>(rate >> 24), static_cast<std::uint8_t>(rate >> 16),
                   static_cast<std::uint8_t>(rate >> 8), static_cast<std::uint8_t>(rate)});
}

std::uint32_t Rfc2217Protocol::AnsweredBaudRate() const
{
    const Bytes& value = answers_[SetBaudRate].value;
    if (value.size() != 4) return 0;
    return (std::uint32_t{value[0]} << 24) | (std::uint32_t{value[1]} << 16) | (std::uint32_t{value[2]} << 8) | value[3];
}

Rfc2217Protocol::Bytes Rfc2217Protocol::TakeReplies()
{
    Bytes taken;
    taken.swap(replies_);
    return taken;
}

void Rfc2217Protocol::Receive(const std::uint8_t* bytes, std::size_t count, Bytes& data)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t byte = bytes[i];
        switch (state_) {
        case State::Data:
            if (byte == kIac)
                state_ = State::Iac;
            else
                data.push_back(byte);
            break;
        case State::Iac:
            if (byte == kIac) {
                data.push_back(kIac);
                state_ = State::Data;
            } else {
                TakeCommand(byte);
            }
            break;
        case State::Option:
            Negotiate(verb_, byte);
            state_ = State::Data;
            break;
        case State::Sub:
            if (byte == kIac)
                state_ = State::SubIac;
            else if (sub_.size() < kLongestSubnegotiation)
                sub_.push_back(byte);
            else
                subTooLong_ = true;
            break;
        case State::SubIac:
            if (byte == kIac) {
                state_ = State::Sub;
                if (sub_.size() < kLongestSubnegotiation)
                    sub_.push_back(kIac);
                else
                    subTooLong_ = true;
            } else if (byte == kSe) {
                EndSubnegotiation(data.size());
                state_ = State::Data;
            } else {
                // Cut short by another command: the subnegotiation is dropped and the
                // command taken as it is.
                ++malformed_;
                TakeCommand(byte);
            }
            break;
        }
    }
}

void Rfc2217Protocol::TakeCommand(std::uint8_t byte)
{
    heardTelnet_ = true;
    state_ = State::Data;
    if (byte == kWill || byte == kWont || byte == kDo || byte == kDont) {
        verb_ = byte;
        state_ = State::Option;
    } else if (byte == kSb) {
        sub_.clear();
        subTooLong_ = false;
        state_ = State::Sub;
    }
    // Anything else (NOP, GA, a stray SE, ...) carries nothing for a serial line.
}

bool Rfc2217Protocol::WantedHere(std::uint8_t option)
{
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

bool Rfc2217Protocol::WantedThere(std::uint8_t option)
{
    return option == kBinary || option == kSuppressGoAhead;
}

void Rfc2217Protocol::Reply(std::uint8_t verb, std::uint8_t option)
{
    replies_.insert(replies_.end(), {kIac, verb, option});
}

// The peer asks for an option to be on (DO for this side, WILL for its own): refused
// with `no` when it is not `wanted`, else turned on and confirmed with `yes` unless it was
// on or already being turned on.
void Rfc2217Protocol::AskedToEnable(OptionState& state, bool wanted, std::uint8_t yes, std::uint8_t no,
                                    std::uint8_t option)
{
    if (!wanted) {
        Reply(no, option);
    } else if (state != OptionState::On) {
        if (state == OptionState::Off) Reply(yes, option);
        state = OptionState::On;
    }
}

// Answers only what changes an option's state, so that two sides never answer each
// other's answers for ever.
void Rfc2217Protocol::Negotiate(std::uint8_t verb, std::uint8_t option)
{
    OptionState& here = local_[option];
    OptionState& there = remote_[option];
    switch (verb) {
    case kDo:
        AskedToEnable(here, WantedHere(option), kWill, kWont, option);
        break;
    case kDont:
        if (here == OptionState::On) Reply(kWont, option);
        if (option == kComPort && here != OptionState::Off) comPortRefused_ = true;
        here = OptionState::Off;
        break;
    case kWill:
        AskedToEnable(there, WantedThere(option), kDo, kDont, option);
        break;
    case kWont:
        if (there == OptionState::On) Reply(kDont, option);
        there = OptionState::Off;
        break;
    default:
        break;
    }
}

bool Rfc2217Protocol::LengthFits(std::uint8_t command, std::size_t valueLength)
{
    switch (command) {
    case Signature: return true;
    case SetBaudRate: return valueLength == 4;
    case FlowControlSuspend:
    case FlowControlResume: return valueLength == 0;
    default: return command < kCommandCount && valueLength == 1;
    }
}

void Rfc2217Protocol::EndSubnegotiation(std::size_t dataSize)
{
    // Other options' subnegotiations are none of this side's business.
    if (sub_.empty() || sub_[0] != kComPort) return;
    if (subTooLong_ || sub_.size() < 2 || sub_[1] < kServerOffset || !LengthFits(static_cast<std::uint8_t>(sub_[1] - kServerOffset), sub_.size() - 2)) {
        ++malformed_;
        return;
    }
    const auto command = static_cast<Command>(sub_[1] - kServerOffset);
    Answer& answer = answers_[command];
    ++answer.count;
    answer.value.assign(sub_.begin() + 2, sub_.end());
    answer.dataBefore = dataSize;
    if (command == NotifyModemState) modemState_ = sub_[2];
}
