#pragma once

#include "doctor/SystemImage.h"

#include <optional>
#include <string>
#include <vector>

// What sysfs and udev's /dev/serial links tell about a tty: its driver, and
// for a USB adapter its vendor, product, serial number, names and latency
// timer. Read from files and links only; the tty itself is never touched.
struct UsbSerialFacts {
    std::string tty;                  // "ttyUSB0"
    std::string driver;               // "ftdi_sio", empty when sysfs does not say
    std::string vendorId;             // "0403", empty for a tty that is not on USB
    std::string productId;            // "6001"
    std::string product;              // "FT232R USB UART"
    std::string serial;               // "A10K4ZQB"
    std::string interface;            // "00"
    std::vector<std::string> byId;    // /dev/serial/by-id/... links to the tty
    std::vector<std::string> byPath;  // /dev/serial/by-path/...
    std::optional<int> latencyTimerMs;
    std::string latencyTimerFile;  // the sysfs file that holds it

    bool IsUsb() const { return !vendorId.empty(); }
    // Two adapters with the same identity get the same by-id name.
    bool SameIdentity(const UsbSerialFacts& other) const;

    static UsbSerialFacts Of(const SystemImage& image, const std::string& tty);
    // The facts of every USB tty sysfs lists.
    static std::vector<UsbSerialFacts> AllUsb(const SystemImage& image);
};
