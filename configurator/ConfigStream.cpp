#include "configurator/ConfigStream.h"

#include "configurator/UnitConversions.h"

#include <string>

namespace {

enum class WordSign { Signed,
                      Unsigned };

// Walks the fields of a record in stream order. `Config` is UnitConfig or const
// UnitConfig, so that the encoder and the decoder share the one order.
template <typename Config, typename Visitor>
void ForEachField(Config& c, Visitor& v)
{
    v.Byte(c.toneMode);
    v.Byte(c.monRelayMode);
    v.Word(c.monRelayTimeMs, WordSign::Unsigned);
    v.Byte(c.ctcssToneMode);
    v.Byte(c.pttAuxRelay);
    v.Word(c.repeaterMode);
    v.Word(c.revertToR1);
    v.Word(c.halfDuplex);
    for (auto& row : c.toneTable) {
        v.Word(row.relayDurationMs);
        v.Relay(row.relayName);
        v.Byte(row.toneActive);
        v.Byte(row.relayGroup);
        v.Byte(row.digitalOutput);
        v.Byte(row.ctcssTone);
        v.Byte(row.useDefaultCtcss);
    }
    v.Word(c.sidetoneGain);
    v.Word(c.radioTxGain);
    v.Word(c.lineTxGain);
    v.Word(c.ctcssGain);
    v.PttFrequency(c.pttFrequency);
    v.Word(c.audioLoopback);
    v.Word(c.dtmfDecoderDisable);
    v.Word(c.dig5ToneEnable);
    v.Word(c.dig5ActiveHigh);
    v.Word(c.dig5ToneLevel);
    v.Word(c.dig5ToneFreq);
    v.Word(c.dig5ToneOnMs, WordSign::Unsigned);
    v.Word(c.dig5ToneOffMs, WordSign::Unsigned);
    v.Word(c.dig5R1);
    v.Word(c.dig5R2);
    v.Word(c.morseAutoMode);
    v.Converted(c.morseIntervalMin, &UnitConversions::MinutesToSeconds, &UnitConversions::SecondsToMinutes);
    v.Converted(c.morseFreqHz, &UnitConversions::MorseFreqToWire, &UnitConversions::MorseFreqFromWire);
    v.Word(c.morseGain);
    v.Word(c.fullTimeTxAudio);
    v.Word(c.txAddCtcss);
    v.Word(c.txAgc);
    v.Word(c.txPreEmphasis);
    v.Word(c.txLowPass);
    v.Word(c.voxTriggerLevel);
    v.Word(c.phoneInstalled);
    v.Word(c.voxTimeoutSec);
    v.Converted(c.callTimeoutMin, &UnitConversions::MinutesToSeconds, &UnitConversions::SecondsToMinutes);
    v.Word(c.alwaysSendHoldTone);
    v.Word(c.pttToneOnly);
    v.Word(c.dig4RxMute);
    v.Word(c.dig4ActiveHigh);
    v.Word(c.dig4RevertToF1);
    v.Word(c.dig4RevertSec);
    v.Word(c.dig4CorEnable);
    v.Word(c.dig4R1);
    v.Word(c.dig4R2);
    v.Word(c.errorBeeps);
    v.MorseText(c.morseText);
}

using ConvertFn = int (*)(int);

class Encoder {
public:
    explicit Encoder(ConfigStream::Bytes& out) : out_(out) {}

    void Byte(int value)
    {
        const std::uint8_t sent = static_cast<std::uint8_t>(value & 0xFF);
        out_[pos_++] = sent;
        sum_ += sent;
    }
    void Word(int value, WordSign = WordSign::Signed)
    {
        const std::uint16_t sent = static_cast<std::uint16_t>(value & 0xFFFF);
        out_[pos_++] = static_cast<std::uint8_t>(sent >> 8);
        out_[pos_++] = static_cast<std::uint8_t>(sent & 0xFF);
        sum_ += sent;
    }
    void Relay(const std::string& relayName) { Byte(UnitConversions::RelayNumber(relayName)); }
    void Converted(int value, ConvertFn toWire, ConvertFn) { Word(toWire(value)); }
    void PttFrequency(const std::string& text) { Word(UnitConversions::PttFrequencyValue(text)); }
    void MorseText(const std::string& text)
    {
        for (std::size_t i = 0; i < ConfigStream::kMorseTextBytes; ++i) {
            const char c = i < text.size() ? text[i] : '\0';
            out_[pos_++] = static_cast<std::uint8_t>(c);
            sum_ += static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(c)));
        }
    }
    void Checksum() { Word(static_cast<int>(sum_ & 0xFFFF)); }

private:
    ConfigStream::Bytes& out_;
    std::size_t pos_ = 0;
    std::uint32_t sum_ = 0;  // modulo 2^32, of which the low 16 bits count
};

class Decoder {
public:
    explicit Decoder(const ConfigStream::Bytes& in) : in_(in) {}

    void Byte(int& field)
    {
        field = in_[pos_++];
        sum_ += static_cast<std::uint32_t>(field);
    }
    void Word(int& field, WordSign sign = WordSign::Signed)
    {
        const std::uint16_t raw = NextWord();
        sum_ += raw;
        field = sign == WordSign::Unsigned ? raw : static_cast<std::int16_t>(raw);
    }
    void Relay(std::string& relayName)
    {
        int number = 0;
        Byte(number);
        relayName = UnitConversions::RelayText(number);
    }
    void Converted(int& field, ConvertFn, ConvertFn fromWire)
    {
        int wire = 0;
        Word(wire);
        field = fromWire(wire);
    }
    void PttFrequency(std::string& text)
    {
        int value = 0;
        Word(value);
        text = std::to_string(value);
    }
    void MorseText(std::string& text)
    {
        text.clear();
        bool ended = false;
        for (std::size_t i = 0; i < ConfigStream::kMorseTextBytes; ++i) {
            const std::uint8_t b = in_[pos_++];
            sum_ += static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(b)));
            ended = ended || b == 0;
            if (!ended)
                text.push_back(static_cast<char>(b));
        }
    }
    bool ChecksumMatches() { return NextWord() == (sum_ & 0xFFFF); }

private:
    std::uint16_t NextWord()
    {
        const std::uint16_t raw = static_cast<std::uint16_t>((in_[pos_] << 8) | in_[pos_ + 1]);
        pos_ += 2;
        return raw;
    }

    const ConfigStream::Bytes& in_;
    std::size_t pos_ = 0;
    std::uint32_t sum_ = 0;
};

}  // namespace

ConfigStream::Bytes ConfigStream::Encode(const UnitConfig& config)
{
    Bytes out{};
    Encoder encoder(out);
    ForEachField(config, encoder);
    encoder.Checksum();
    return out;
}

bool ConfigStream::Decode(const Bytes& stream, UnitConfig& config)
{
    UnitConfig received = config;
    Decoder decoder(stream);
    ForEachField(received, decoder);
    if (!decoder.ChecksumMatches())
        return false;
    config = std::move(received);
    return true;
}
