#include "configurator/ConfigFile.h"

#include "configurator/ConfigTextReader.h"
#include "configurator/UnitConversions.h"
#include "platform/RegularFile.h"

#include <cerrno>
#include <cstddef>
#include <fstream>
#include <initializer_list>
#include <unistd.h>

namespace {

constexpr std::size_t kMorseTextChars = 50;
// A configuration file is a few kilobytes; anything beyond this is not looked at.
constexpr std::size_t kMaxFileBytes = 1 << 20;

// Numbers of one line, separated by `separator`, ended with CR LF.
std::string NumberLine(std::initializer_list<int> values, const char* separator)
{
    std::string line;
    for (int value : values) {
        if (!line.empty())
            line += separator;
        line += std::to_string(value);
    }
    return line + "\r\n";
}

std::string Numbers(std::initializer_list<int> values)
{
    return NumberLine(values, "  ");
}

// The relay word as the file holds it: a readable word has no blanks, and an empty
// relay is written as "none".
std::string RelayWord(const std::string& relayName)
{
    std::string word;
    for (char c : relayName) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\v' && c != '\f')
            word.push_back(c);
    }
    return word.empty() ? "none" : word;
}

// Fills `text` from `fd` up to its size or the end of the file, then cuts it to what was read.
bool ReadUpTo(int fd, std::string& text)
{
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n == 0)
            break;
        if (n < 0 && errno != EINTR)
            return false;
        if (n > 0)
            got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return true;
}

// Reads one line of numbers; 1 when every number of it was read, else 0.
int ReadInts(ConfigTextReader& reader, std::initializer_list<int*> fields)
{
    bool whole = true;
    for (int* field : fields)
        whole &= reader.ReadInt(*field);
    return whole ? 1 : 0;
}

}  // namespace

bool WriteConfigFile(const UnitConfig& c, const std::string& path)
{
    std::string text;
    text += Numbers({c.toneMode, c.repeaterMode, c.revertToR1, c.monRelayMode, c.monRelayTimeMs,
                     c.ctcssToneMode, c.pttAuxRelay});
    text += Numbers({c.sidetoneGain, c.radioTxGain, c.lineTxGain, c.ctcssGain, c.halfDuplex});
    for (const FunctionToneEntry& row : c.toneTable) {
        text += RelayWord(row.relayName) + "\r\n";
        text += NumberLine({row.toneActive, row.relayGroup, row.relayDurationMs, row.digitalOutput,
                            row.ctcssTone, row.useDefaultCtcss},
                           " ");
    }
    text += Numbers({c.dig5ToneEnable, c.dig5ActiveHigh, c.dig5ToneLevel, c.dig5R1, c.dig5R2,
                     c.audioLoopback, c.dtmfDecoderDisable, c.dig5ToneFreq, c.dig5ToneOnMs,
                     c.dig5ToneOffMs});
    text += Numbers({c.morseAutoMode, c.morseIntervalMin, c.morseGain, c.morseFreqHz});
    text += Numbers({c.txAddCtcss, c.txAgc, c.txPreEmphasis, c.txLowPass, c.fullTimeTxAudio});
    text += Numbers({c.voxTriggerLevel, c.phoneInstalled, c.voxTimeoutSec, c.callTimeoutMin,
                     c.alwaysSendHoldTone, c.pttToneOnly});
    text += Numbers({c.dig4RxMute, c.dig4ActiveHigh, c.dig4RevertToF1, c.dig4RevertSec,
                     c.dig4CorEnable, c.dig4R1, c.dig4R2, c.errorBeeps,
                     UnitConversions::PttFrequencyValue(c.pttFrequency)});
    text += c.morseText + "\r\n";

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    return !file.fail();
}

bool ReadConfigFile(UnitConfig& c, const std::string& path, int* numberLinesRead)
{
    // A folder, a FIFO or a device is refused at once; a read error leaves nothing to take.
    const int fd = RegularFile::OpenForReading(path);
    if (fd < 0)
        return false;
    std::string text(kMaxFileBytes, '\0');
    const bool read = ReadUpTo(fd, text);
    ::close(fd);
    if (!read)
        return false;

    ConfigTextReader reader(text);
    int lines = 0;
    lines += ReadInts(reader, {&c.toneMode, &c.repeaterMode, &c.revertToR1, &c.monRelayMode,
                               &c.monRelayTimeMs, &c.ctcssToneMode, &c.pttAuxRelay});
    lines += ReadInts(reader, {&c.sidetoneGain, &c.radioTxGain, &c.lineTxGain, &c.ctcssGain,
                               &c.halfDuplex});
    for (FunctionToneEntry& row : c.toneTable) {
        std::string word;
        reader.ReadWord(word);
        row.relayName = word == "none" ? std::string() : word;
        lines += ReadInts(reader, {&row.toneActive, &row.relayGroup, &row.relayDurationMs,
                                   &row.digitalOutput, &row.ctcssTone, &row.useDefaultCtcss});
    }
    lines += ReadInts(reader, {&c.dig5ToneEnable, &c.dig5ActiveHigh, &c.dig5ToneLevel, &c.dig5R1,
                               &c.dig5R2, &c.audioLoopback, &c.dtmfDecoderDisable, &c.dig5ToneFreq,
                               &c.dig5ToneOnMs, &c.dig5ToneOffMs});
    lines += ReadInts(reader, {&c.morseAutoMode, &c.morseIntervalMin, &c.morseGain, &c.morseFreqHz});
    lines += ReadInts(reader, {&c.txAddCtcss, &c.txAgc, &c.txPreEmphasis, &c.txLowPass,
                               &c.fullTimeTxAudio});
    lines += ReadInts(reader, {&c.voxTriggerLevel, &c.phoneInstalled, &c.voxTimeoutSec,
                               &c.callTimeoutMin, &c.alwaysSendHoldTone, &c.pttToneOnly});
    const int lastLineWhole =
        ReadInts(reader, {&c.dig4RxMute, &c.dig4ActiveHigh, &c.dig4RevertToF1, &c.dig4RevertSec,
                          &c.dig4CorEnable, &c.dig4R1, &c.dig4R2, &c.errorBeeps});
    int pttFrequency = 0;
    const bool frequencyRead = reader.ReadInt(pttFrequency);
    if (frequencyRead)
        c.pttFrequency = std::to_string(pttFrequency);
    lines += (lastLineWhole == 1 && frequencyRead) ? 1 : 0;
    reader.ReadNextLine(c.morseText, kMorseTextChars);
    if (numberLinesRead != nullptr)
        *numberLinesRead = lines;
    return true;
}
