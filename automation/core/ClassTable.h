#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/core/ClassFactory.h"
#include "automation/core/HResult.h"

class Dispatchable;

// The creatable classes of a program: ProgID (compared without regard to
// case) and class id to factory. The server registers its factories here;
// a transport looks classes up and creates objects through it.
class ClassTable {
public:
    // S_OK, or E_INVALIDARG when the ProgID (in any case) or the class id is
    // already in the table.
    HRESULT Add(ClassFactory factory);

    const ClassFactory* FindByProgId(std::string_view progId) const;
    // Any GUID spelling (braces optional, any case); nullptr when unknown.
    const ClassFactory* FindByClassId(std::string_view classId) const;

    // S_OK with the canonical class id, or CO_E_CLASSSTRING for an unknown ProgID.
    HRESULT ClassIdFromProgId(std::string_view progId, std::string& classId) const;

    // A new object of the class: CO_E_CLASSSTRING when `classId` is not a
    // GUID, REGDB_E_CLASSNOTREG when no factory has it, else the factory's
    // own result.
    HRESULT Create(std::string_view classId, std::shared_ptr<Dispatchable>& object) const;

    const std::vector<ClassFactory>& factories() const { return factories_; }

private:
    std::vector<ClassFactory> factories_;
};
