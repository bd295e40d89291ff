#pragma once

#include "configurator/FunctionToneEntry.h"

#include <array>
#include <cstddef>
#include <string>

// The complete configuration of a DSP-Q47 unit, in the user's units (minutes, hertz,
// relay texts). A plain record: the dialogs bind their controls to its fields, the file
// and the serial transfer read and write it field by field. A default-constructed record
// holds the defaults.
struct UnitConfig {
    static constexpr std::size_t kToneRows = 100;

    // Main settings.
    int toneMode = 0;        // 0 Single, 1 Dual
    int monRelayMode = 0;    // 0 Reset on PTT, 1 Always Except PTT, 2 Momentary
    int monRelayTimeMs = 0;  // 0-60000
    int ctcssToneMode = 0;   // 0 PTT Only, 1 Always On
    int pttAuxRelay = 0;     // 0 No Aux Relays, 1 R1 Also on PTT, 2 R2 Also on PTT
    int repeaterMode = 0;
    int revertToR1 = 0;
    int halfDuplex = 0;
    std::string pttFrequency = "2175";  // one of the offered frequencies, at most 4 characters
    int fullTimeTxAudio = 0;
    int pttToneOnly = 0;
    int errorBeeps = 1;
    int audioLoopback = 0;
    int dtmfDecoderDisable = 0;  // 1 = line DTMF decoder disabled

    // Gains, -40...10.
    int sidetoneGain = 0;
    int radioTxGain = 0;
    int lineTxGain = 0;
    int ctcssGain = 0;

    // Morse code identifier.
    int morseAutoMode = 1;     // 0 End of Each PTT, 1 Timer Interval
    int morseIntervalMin = 0;  // 0-200 minutes
    int morseFreqHz = 1200;    // 400-2000 Hz
    int morseGain = -10;       // -40...5 dBm
    std::string morseText;     // at most 50 characters, upper case

    // TX audio.
    int txAgc = 0;
    int txAddCtcss = 0;
    int txPreEmphasis = 0;
    int txLowPass = 0;

    // VOX and phone.
    int voxTriggerLevel = -10;  // -40...10 dBm
    int voxTimeoutSec = 120;    // 0-600 s
    int callTimeoutMin = 0;     // 0-180 minutes
    int alwaysSendHoldTone = 0;
    int phoneInstalled = 0;

    // Dig5 input tone.
    int dig5ToneEnable = 0;
    int dig5ActiveHigh = 1;
    int dig5R1 = 0;
    int dig5R2 = 0;
    int dig5ToneFreq = 2175;  // 300-3000 Hz
    int dig5ToneLevel = -20;  // -40...10 dBm
    int dig5ToneOnMs = 0;     // 0-65000
    int dig5ToneOffMs = 0;    // 0-65000

    // Dig4 input COR.
    int dig4CorEnable = 0;
    int dig4ActiveHigh = 0;
    int dig4R1 = 0;
    int dig4R2 = 0;
    int dig4RxMute = 0;
    int dig4RevertToF1 = 0;
    int dig4RevertSec = 0;  // 0-30000 s

    std::array<FunctionToneEntry, kToneRows> toneTable = DefaultToneTable();

    // Every field back to its default, every row to its row defaults.
    void ResetToDefaults();

    // Rows that name the same relay share its group and duration: copies row `row`'s
    // relayGroup and relayDurationMs to every other row whose relay text equals its own
    // exactly. Nothing happens for a row without relay. True when another row changed.
    bool ShareRelaySettings(std::size_t row);

    static std::array<FunctionToneEntry, kToneRows> DefaultToneTable();

    bool operator==(const UnitConfig&) const = default;
};
