#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "automation/core/DispatchMap.h"
#include "automation/core/HResult.h"
#include "automation/core/InvokeResult.h"
#include "automation/core/Variant.h"

// The base of every automation object: name lookup and calls through the
// class's dispatch map (see DispatchMap.h for how a class declares it).
// Works in-process; a transport only forwards GetIDsOfNames and Invoke.
class Dispatchable {
public:
    Dispatchable() = default;
    Dispatchable(const Dispatchable&) = delete;
    Dispatchable& operator=(const Dispatchable&) = delete;
    virtual ~Dispatchable();

    // The map of the object's own class; each class with a map overrides it.
    virtual const DispatchMap& GetDispatchMap() const = 0;

    // S_OK with the identifier of `name` (any case; the object's own class
    // first, then its bases), or DISP_E_UNKNOWNNAME.
    HRESULT GetIDsOfNames(std::string_view name, std::int32_t& dispid) const;

    // Calls a member. `args` are in parameter order (first parameter first);
    // a property put takes the new value as its one argument. Each argument
    // is converted to the declared type first. Never throws: a
    // DispatchException from the member becomes DISP_E_EXCEPTION with its
    // information; any other exception becomes DISP_E_EXCEPTION with scode
    // E_OUTOFMEMORY (out of memory) or E_UNEXPECTED and its text.
    // Reading a write-only or writing a read-only property fails with
    // DISP_E_EXCEPTION and "Unable to read write-only property." or
    // "Unable to write read-only property.". See InvokeResult for the codes.
    InvokeResult Invoke(std::int32_t dispid, InvokeKind kind, std::vector<Variant> args);

    // Told how far a long member has got: `done` of `total` units (bytes of
    // flash, for instance). A transport sets it for the length of one call.
    using ProgressHook = std::function<void(std::uint64_t done, std::uint64_t total)>;
    void SetProgressHook(ProgressHook hook) { progressHook_ = std::move(hook); }

protected:
    // Called by Invoke before each member runs, so that an object can tell one
    // client call from the next (a serial board tries a failed open once a call).
    virtual void BeginCall() {}

    // Passes progress to the hook, if one is set.
    void ReportProgress(std::uint64_t done, std::uint64_t total) const
    {
        if (progressHook_) progressHook_(done, total);
    }

private:
    InvokeResult CallMethod(const DispatchMap::Member& member, std::vector<Variant>& args);
    InvokeResult GetProperty(const DispatchMap::Member& member, const std::vector<Variant>& args);
    InvokeResult PutProperty(const DispatchMap::Member& member, std::vector<Variant>& args);

    ProgressHook progressHook_;
};
