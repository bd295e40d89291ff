#pragma once

// Faults the simulated four-wire target shows on request.
enum class FourWireFaultKind {
    StallMidByte,     // stops clocking after four bits of a byte, in either direction
    WrongStatus,      // answers command 1 with the status byte 0xF0 instead of 0xF1
    BadCheckSum,      // sends a check sum one above the right one
    NeverPowerUp,     // never answers the start-up attention (nor anything else)
    DropInput1Early,  // at start-up lowers its clock before its data
};

// `times` is how often the fault strikes before it is used up; 0 means every
// time until the faults are cleared. For a stall, `skipBytes` whole bytes
// (counted in both directions from the moment of injection) go through
// before the byte that stalls.
struct FourWireFault {
    FourWireFaultKind kind = FourWireFaultKind::BadCheckSum;
    unsigned times = 1;
    unsigned skipBytes = 0;
};
