#include "upgrade/Ez2181Driver.h"

#include "automation/dbus/AutomationError.h"

#include <utility>

Ez2181Driver::Ez2181Driver(QDBusConnection bus) : dispatch_(std::move(bus))
{
}

Ez2181Driver::~Ez2181Driver()
{
    Release();
}

void Ez2181Driver::SetCallRunner(CallRunner runner)
{
    runner_ = std::move(runner);
}

void Ez2181Driver::Create(const std::string& progId)
{
    try {
        RunBlocking([&] { dispatch_.Create(progId); });
        missingObjectStatus_ = CO_E_OBJNOTCONNECTED;
    } catch (const AutomationError& failure) {
        missingObjectStatus_ = failure.status();
        throw;
    }
}

void Ez2181Driver::Release()
{
    dispatch_.Release();
}

void Ez2181Driver::SetErrorMethod(std::int32_t method)
{
    Run(kErrorMethod, InvokeKind::PropertyPut, {Variant::I4(method)});
}

void Ez2181Driver::SetPort(const std::string& portName)
{
    Run(kPort, InvokeKind::PropertyPut, {Variant::Bstr(portName)});
}

Variant Ez2181Driver::SetBaud(std::int32_t rate)
{
    return Run(kSetBaud, InvokeKind::Method, {Variant::I4(rate)});
}

Variant Ez2181Driver::PowerOn()
{
    return Run(kPowerOn, InvokeKind::Method, {});
}

Variant Ez2181Driver::ProgFlash(const std::string& path)
{
    return Run(kProgFlash, InvokeKind::Method, {Variant::Bstr(path)});
}

Variant Ez2181Driver::VerifyFlash(const std::string& path)
{
    return Run(kVerifyFlash, InvokeKind::Method, {Variant::Bstr(path)});
}

Variant Ez2181Driver::Run(std::int32_t dispid, InvokeKind kind, std::vector<Variant> args)
{
    // Without an object nothing goes on the bus: the caller learns why there is none.
    if (!dispatch_.IsCreated()) throw AutomationError(missingObjectStatus_);
    Variant result;
    RunBlocking([&] { result = dispatch_.Invoke(dispid, kind, std::move(args)); });
    return result;
}

void Ez2181Driver::RunBlocking(const std::function<void()>& call)
{
    if (runner_)
        runner_(call);
    else
        call();
}
