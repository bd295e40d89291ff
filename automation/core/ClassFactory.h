#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "automation/core/HResult.h"

class Dispatchable;

// Makes the objects of one creatable class, known by its ProgID
// ("Varnix.Ez2181") and its class id, a GUID string.
class ClassFactory {
public:
    using Creator = std::function<std::shared_ptr<Dispatchable>()>;

    // `classId` is a GUID with or without braces, in any case; it is kept in
    // the canonical form "{8C0F5E62-3B1A-4D2E-9F10-0123456789AB}". An invalid
    // class id or an empty ProgID or creator is a programming error and
    // throws std::invalid_argument.
    ClassFactory(std::string progId, std::string_view classId, Creator create);

    const std::string& progId() const { return progId_; }
    const std::string& classId() const { return classId_; }

    // S_OK with a new object; E_OUTOFMEMORY when memory ran out;
    // CO_E_SERVER_EXEC_FAILURE when the class failed to make one.
    HRESULT CreateInstance(std::shared_ptr<Dispatchable>& object) const;

    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, from a GUID
    // with or without braces in any case; nullopt for anything else.
    static std::optional<std::string> CanonicalClassId(std::string_view text);

private:
    std::string progId_;
    std::string classId_;
    Creator create_;
};
