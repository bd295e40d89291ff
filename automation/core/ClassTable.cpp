#include "automation/core/ClassTable.h"

#include "automation/core/EqualsIgnoringCase.h"

HRESULT ClassTable::Add(ClassFactory factory)
{
    if (FindByProgId(factory.progId()) || FindByClassId(factory.classId()))
        return E_INVALIDARG;
    factories_.push_back(std::move(factory));
    return S_OK;
}

const ClassFactory* ClassTable::FindByProgId(std::string_view progId) const
{
    for (const auto& factory : factories_) {
        if (EqualsIgnoringCase(factory.progId(), progId))
            return &factory;
    }
    return nullptr;
}

const ClassFactory* ClassTable::FindByClassId(std::string_view classId) const
{
    const auto canonical = ClassFactory::CanonicalClassId(classId);
    if (!canonical)
        return nullptr;
    for (const auto& factory : factories_) {
        if (factory.classId() == *canonical)
            return &factory;
    }
    return nullptr;
}

HRESULT ClassTable::ClassIdFromProgId(std::string_view progId, std::string& classId) const
{
    const ClassFactory* factory = FindByProgId(progId);
    if (!factory)
        return CO_E_CLASSSTRING;
    classId = factory->classId();
    return S_OK;
}

HRESULT ClassTable::Create(std::string_view classId, std::shared_ptr<Dispatchable>& object) const
{
    if (!ClassFactory::CanonicalClassId(classId))
        return CO_E_CLASSSTRING;
    const ClassFactory* factory = FindByClassId(classId);
    if (!factory)
        return REGDB_E_CLASSNOTREG;
    return factory->CreateInstance(object);
}
