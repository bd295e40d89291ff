#pragma once

#include "automation/core/ApplicationLock.h"
#include "automation/core/Dispatchable.h"

#include <atomic>
#include <cstdint>
#include <string>

// The creatable class of the transport tests' server program. Its members,
// in dispatch-map order (identifiers 1..15):
//   Echo(v) -> v              Add(a, b) -> a + b (VT_I4)
//   Fail(code, text)          raises a dispatch exception: source "TestObject", help context 7
//   Value                     VT_I4 property, 0 at first
//   ProcessId                 read-only: the server's process id
//   LiveObjects               read-only: TestObjects alive in the server
//   Crash()                   the server process kills itself (SIGKILL) during the call
//   Secret                    write-only VT_I4 property
//   Concat(a, b) -> a + b     VT_BSTR
//   NestedLoop(path)          creates the file `path`, then runs a nested event loop for 1 s
//                             (as a message box would)
//   CallDepth                 read-only: how many calls are running in the server, this one included
//   CountTo(n) -> n           reports progress 0 of n, 1 of n, ... n of n
//   WaitAtGate(ms) -> 1 or 0  waits until the server's one gate is open (1), or ms
//                             milliseconds (0)
//   OpenGate()                opens the gate, for good
//   WaitingAtGate             read-only: how many calls wait at the gate
class TestObject : public Dispatchable {
public:
    static constexpr const char* kProgId = "Varnix.TestObject";
    static constexpr const char* kClassId = "{5B2E4C1A-7D3F-4A60-8E91-0A1B2C3D4E01}";
    // A class of one object per server process.
    static constexpr const char* kSingleProgId = "Varnix.TestSingle";
    static constexpr const char* kSingleClassId = "{5B2E4C1A-7D3F-4A60-8E91-0A1B2C3D4E02}";

    enum DispId : std::int32_t { kEcho = 1,
                                 kAdd,
                                 kFail,
                                 kValue,
                                 kProcessId,
                                 kLiveObjects,
                                 kCrash,
                                 kSecret,
                                 kConcat,
                                 kNestedLoop,
                                 kCallDepth,
                                 kCountTo,
                                 kWaitAtGate,
                                 kOpenGate,
                                 kWaitingAtGate };

    TestObject();
    ~TestObject() override;

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    Variant Echo(const Variant& value) { return value; }
    Variant Add(std::int32_t a, std::int32_t b) { return Variant::I4(a + b); }
    Variant Fail(std::int32_t code, const std::string& text);
    std::int32_t GetValue() const { return value_; }
    void SetValue(std::int32_t value) { value_ = value; }
    std::int32_t GetProcessId() const;
    std::int32_t GetLiveObjects() const { return live_; }
    Variant Crash();
    void SetSecret(std::int32_t value) { value_ = value; }
    std::string Concat(const std::string& a, const std::string& b) { return a + b; }
    Variant NestedLoop(const std::string& markerPath);
    std::int32_t GetCallDepth() const { return nesting_ + 1; }
    Variant CountTo(std::int32_t total);
    Variant WaitAtGate(std::int32_t milliseconds);
    Variant OpenGate();
    std::int32_t GetWaitingAtGate() const;

private:
    // Members of different objects run on threads of their own.
    static inline std::atomic<std::int32_t> live_ = 0;
    static inline std::atomic<std::int32_t> nesting_ = 0;
    ApplicationLock::Holder lock_;
    std::int32_t value_ = 0;
};
