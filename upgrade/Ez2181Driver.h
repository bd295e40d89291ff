#pragma once

#include "automation/core/HResult.h"
#include "automation/dbus/DispatchDriver.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

// The program's one client of the monitor server's board object: creates
// "varnix.Ez2181" once, calls it only by fixed dispatch identifiers (never by
// name, so the order of the server's dispatch maps is a contract), and releases
// it when the program ends.
//
// A failed call throws what DispatchDriver throws: RemoteMemberError (the server
// reported the failure; its text is the description) or AutomationError (the
// automation layer failed). With no object, because creation failed or was
// never tried, every call throws AutomationError without any bus traffic.
class Ez2181Driver {
public:
    static constexpr const char* kProgId = "varnix.Ez2181";

    // The identifiers that the server's numbering gives these members on an
    // Ez2181 object: depth from Ez2181 (0) up to the declaring class, and the
    // member's position in that class's map.
    static constexpr std::int32_t kErrorMethod = 0x30001;  // AutoBase 1
    static constexpr std::int32_t kSetBaud = 3;            // Ez2181 3
    static constexpr std::int32_t kPowerOn = 4;            // Ez2181 4
    static constexpr std::int32_t kPort = 5;               // Ez2181 5
    static constexpr std::int32_t kProgFlash = 0x10006;    // Ad21xx 6
    static constexpr std::int32_t kVerifyFlash = 0x10007;  // Ad21xx 7

    // Failures arrive as dispatch exceptions with the server's text.
    static constexpr std::int32_t kThrowExceptions = 2;

    // Runs one blocking call; the dialog's runner keeps painting meanwhile.
    // It must run `call` exactly once and let its exception through.
    using CallRunner = std::function<void(const std::function<void()>& call)>;

    explicit Ez2181Driver(QDBusConnection bus = QDBusConnection::sessionBus());
    ~Ez2181Driver();
    Ez2181Driver(const Ez2181Driver&) = delete;
    Ez2181Driver& operator=(const Ez2181Driver&) = delete;

    // Runs every call that waits for the server, creation included.
    void SetCallRunner(CallRunner runner);
    // How long creation waits for the server to start and answer.
    void SetCreateTimeout(std::chrono::milliseconds timeout) { dispatch_.SetCreateTimeout(timeout); }
    // How long a call may go without its answer or a progress report.
    void SetCallTimeout(std::chrono::milliseconds timeout) { dispatch_.SetCallTimeout(timeout); }
    // Progress of ProgFlash and VerifyFlash, in bytes, in the thread that set it
    // (see DispatchDriver::SetProgressHandler).
    void SetProgressHandler(ProgressReceiver::Handler handler) { dispatch_.SetProgressHandler(std::move(handler)); }

    // Creates the object of `progId` (any case). Throws AutomationError and
    // stays empty on failure.
    void Create(const std::string& progId = kProgId);
    bool IsCreated() const { return dispatch_.IsCreated(); }
    // Drops the object, letting a server started for it end. Never throws.
    void Release();

    void SetErrorMethod(std::int32_t method);
    // The board's port, by its port-map name ("com2").
    void SetPort(const std::string& portName);
    Variant SetBaud(std::int32_t rate);
    Variant PowerOn();
    Variant ProgFlash(const std::string& path);
    Variant VerifyFlash(const std::string& path);

    // The server's unique bus name while an object is held.
    QString ServerName() const { return dispatch_.ServerName(); }

private:
    Variant Run(std::int32_t dispid, InvokeKind kind, std::vector<Variant> args);
    void RunBlocking(const std::function<void()>& call);

    DispatchDriver dispatch_;
    CallRunner runner_;
    // Why there is no object: the status of the failed creation.
    HRESULT missingObjectStatus_ = CO_E_OBJNOTCONNECTED;
};
