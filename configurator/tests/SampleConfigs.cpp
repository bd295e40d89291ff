#include "configurator/tests/SampleConfigs.h"

#include "configurator/UnitConversions.h"

UnitConfig BusyConfig()
{
    UnitConfig c;
    c.toneMode = 1;
    c.monRelayMode = 2;
    c.monRelayTimeMs = 60000;
    c.ctcssToneMode = 1;
    c.pttAuxRelay = 2;
    c.repeaterMode = 1;
    c.revertToR1 = 1;
    c.halfDuplex = 1;
    c.pttFrequency = "2970";
    c.fullTimeTxAudio = 1;
    c.pttToneOnly = 1;
    c.errorBeeps = 0;
    c.audioLoopback = 1;
    c.dtmfDecoderDisable = 1;
    c.sidetoneGain = -40;
    c.radioTxGain = 10;
    c.lineTxGain = -7;
    c.ctcssGain = 3;
    c.morseAutoMode = 0;
    c.morseIntervalMin = 200;
    c.morseFreqHz = 401;
    c.morseGain = 5;
    c.morseText = "DE VK2ABC QTH SYDNEY 73";
    c.txAgc = 1;
    c.txAddCtcss = 1;
    c.txPreEmphasis = 1;
    c.txLowPass = 1;
    c.voxTriggerLevel = -40;
    c.voxTimeoutSec = 600;
    c.callTimeoutMin = 180;
    c.alwaysSendHoldTone = 1;
    c.phoneInstalled = 1;
    c.dig5ToneEnable = 1;
    c.dig5ActiveHigh = 0;
    c.dig5R1 = 1;
    c.dig5R2 = 1;
    c.dig5ToneFreq = 3000;
    c.dig5ToneLevel = -40;
    c.dig5ToneOnMs = 65000;
    c.dig5ToneOffMs = 32768;
    c.dig4CorEnable = 1;
    c.dig4ActiveHigh = 1;
    c.dig4R1 = 1;
    c.dig4R2 = 1;
    c.dig4RxMute = 1;
    c.dig4RevertToF1 = 1;
    c.dig4RevertSec = 30000;
    for (std::size_t i = 0; i < c.toneTable.size(); ++i) {
        FunctionToneEntry& row = c.toneTable[i];
        const int n = static_cast<int>(i);
        row.toneActive = n % 3 == 0 ? 0 : 1;
        row.relayName = UnitConversions::RelayText(n % 4);
        row.relayGroup = 1 + n % 4;
        row.relayDurationMs = n * 300;
        row.digitalOutput = 64 - n % 65;
        row.ctcssTone = n % 65;
        row.useDefaultCtcss = n % 2;
    }
    return c;
}
