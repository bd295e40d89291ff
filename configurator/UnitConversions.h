#pragma once

#include <string>
#include <string_view>

// The rules that turn the record's user-facing values into the unit's values and back:
// relay texts and numbers, relay group texts, the PTT frequency text, minutes and the
// Morse tone frequency.
class UnitConversions {
public:
    // Decimal value of a text the way the C library's atoi reads it: leading blanks, an
    // optional sign, digits up to the first non-digit; 0 without digits. Saturates at the
    // int range instead of overflowing.
    static int LeadingInteger(std::string_view text);

    // Relay number of a relay text: the digits after the first character, leading blanks
    // skipped ("R01" and "R1" give 1, "X7" gives 7, "7" and "" give 0).
    static int RelayNumber(std::string_view relayText);
    // Relay text of a relay number: empty for 0, else "R" and at least two digits
    // (5 gives "R05", 123 gives "R123" so that it reads back as 123).
    static std::string RelayText(int relayNumber);

    // Group of a typed group text: its decimal value, or 1 when that value is 0
    // (empty, "0" or not a number). "9" stays 9.
    static int RelayGroup(std::string_view groupText);
    // The text shown for a group: its decimal digits ("1" for 1).
    static std::string RelayGroupText(int group);

    // Integer value of the PTT frequency text (0 when it is not a number).
    static int PttFrequencyValue(std::string_view pttFrequency);

    // Minutes to seconds on the wire, and back with integer division.
    static int MinutesToSeconds(int minutes);
    static int SecondsToMinutes(int seconds);

    // Morse tone frequency in Hz to the unit's value (Hz x 8.192, truncated toward zero)
    // and back, rounded to the nearest hertz so that every frequency survives a round trip.
    static int MorseFreqToWire(int hz);
    static int MorseFreqFromWire(int wire);
};
