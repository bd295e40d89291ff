#pragma once

#include "automation/core/ApplicationLock.h"
#include "automation/core/Variant.h"
#include "monitor/core/FailureText.h"
#include "monitor/serial/SerialFailure.h"
#include "monitor/serial/SerialPort.h"
#include "platform/PortMap.h"

#include <cstdint>
#include <span>
#include <string>
#include <utility>

// What every board on a serial port shares, between its family class (Ad21xx,
// Ad21k) and the board: the link on the port, opened by the object's first call
// that needs the line and kept, exclusively, until the object is destroyed or
// Port names another port; the Port property and SetBaud; a failed transfer
// recorded with code 0 and the text of the line; and a lock on the program
// while the object lives. A new object takes no port before it needs one, so
// that boards created at once, each set to its own port, never find COM1 held
// by another's creation. `LinkType` is a SerialPort.
//
// The board lists GetPort/SetPort (and SetBaud, where it has it) in its own
// dispatch map; this class adds no level of identifiers.
template <class Family, class LinkType>
class SerialBoard : public Family {
public:
    // The port-map name of the board's port, "com1" at first. Setting it closes
    // the line; the next call opens the new port at the rate the line had. A name
    // that is not a serial port of the port map (no comN, or no link for it in the
    // map's folder) is recorded as a failure with code 0 and changes nothing.
    std::string GetPort() const { return link_.PortMapName(); }
    void SetPort(const std::string& name)
    {
        Variant ignored;
        if (!SerialPort::IsPortName(name)) {
            this->SetError(ignored, 0, "Port must be a serial port of the port map, com1 to com" + std::to_string(SerialPort::kHighestPortNumber) + ", not \"" + name + "\"");
            return;
        }
        if (const std::string notMapped = PortMap::NotMappedText(name); !notMapped.empty()) {
            this->SetError(ignored, 0, notMapped);
            return;
        }
        link_.SelectPort(name);
    }

    // Changes the PC's line rate only; the board must already listen at that rate.
    // Nothing is sent, and the outcome of the driver call is not looked at.
    Variant SetBaud(std::int32_t rate)
    {
        link_.SetBaudRate(static_cast<std::uint32_t>(rate));
        return Variant::I4(0);
    }

    const LinkType& Link() const { return link_; }

protected:
    // The link is made from `linkArguments` (none: COM1 through the port map), to
    // be opened at `initialRate`.
    template <class... LinkArguments>
    explicit SerialBoard(std::uint32_t initialRate, LinkArguments&&... linkArguments)
        : link_(std::forward<LinkArguments>(linkArguments)...)
    {
        link_.OpenWhenUsed();
        link_.SetBaudRate(initialRate);
    }

private:
    ApplicationLock::Holder programLock_;

protected:
    LinkType link_;

private:
    static constexpr FailureText kLineFailures[] = {
        {LinkResult::SerialFailure, nullptr},
    };

    void BeginCall() override { link_.BeginCall(); }
    std::span<const FailureText> LineFailureTexts() const override { return kLineFailures; }
    std::string LineFailureText(const LinkResult& failure) const override
    {
        return SerialFailure::Text(failure.code, link_);
    }
};
