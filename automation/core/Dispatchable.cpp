#include "automation/core/Dispatchable.h"

#include <exception>
#include <new>

#include "automation/core/DispatchException.h"
#include "automation/core/VariantConversion.h"

namespace {

InvokeResult Failure(HRESULT hr, std::uint32_t argErr = 0)
{
    InvokeResult result;
    result.hr = hr;
    result.argErr = argErr;
    return result;
}

InvokeResult ExceptionResult(ExcepInfo info)
{
    InvokeResult result;
    result.hr = DISP_E_EXCEPTION;
    result.excep = std::move(info);
    return result;
}

InvokeResult UnexpectedResult(HRESULT scode, std::string description)
{
    ExcepInfo info;
    info.scode = scode;
    info.description = std::move(description);
    return ExceptionResult(std::move(info));
}

// Brings `value` to `type` in place; VT_VARIANT accepts anything as it is.
HRESULT Coerce(Variant& value, VarType type)
{
    if (type == VT_VARIANT)
        return S_OK;
    Variant converted;
    const HRESULT hr = ChangeType(value, type, converted);
    if (Succeeded(hr))
        value = std::move(converted);
    return hr;
}

}  // namespace

Dispatchable::~Dispatchable() = default;

HRESULT Dispatchable::GetIDsOfNames(std::string_view name, std::int32_t& dispid) const
{
    const auto found = GetDispatchMap().FindDispId(name);
    if (!found)
        return DISP_E_UNKNOWNNAME;
    dispid = *found;
    return S_OK;
}

InvokeResult Dispatchable::Invoke(std::int32_t dispid, InvokeKind kind, std::vector<Variant> args)
{
    try {
        const DispatchMap::Member* member = GetDispatchMap().FindMember(dispid);
        if (!member)
            return Failure(DISP_E_MEMBERNOTFOUND);
        BeginCall();
        const bool put = HasFlag(kind, InvokeKind::PropertyPut);
        const bool get = HasFlag(kind, InvokeKind::Method) || HasFlag(kind, InvokeKind::PropertyGet);
        if (!put && !get)
            return Failure(HasFlag(kind, InvokeKind::PropertyPutRef) ? DISP_E_MEMBERNOTFOUND : E_INVALIDARG);
        if (member->kind == DispatchMap::MemberKind::Method)
            return put ? Failure(DISP_E_MEMBERNOTFOUND) : CallMethod(*member, args);
        return put ? PutProperty(*member, args) : GetProperty(*member, args);
    } catch (const DispatchException& e) {
        return ExceptionResult(e.info());
    } catch (const std::bad_alloc&) {
        return UnexpectedResult(E_OUTOFMEMORY, "Out of memory.");
    } catch (const std::exception& e) {
        return UnexpectedResult(E_UNEXPECTED, e.what());
    } catch (...) {
        return UnexpectedResult(E_UNEXPECTED, "Unexpected failure.");
    }
}

InvokeResult Dispatchable::CallMethod(const DispatchMap::Member& member, std::vector<Variant>& args)
{
    if (args.size() != member.params.size())
        return Failure(DISP_E_BADPARAMCOUNT);
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (const HRESULT hr = Coerce(args[i], member.params[i]); Failed(hr))
            return Failure(hr, static_cast<std::uint32_t>(i));
    }
    InvokeResult result;
    result.result = member.call(*this, args);
    return result;
}

InvokeResult Dispatchable::GetProperty(const DispatchMap::Member& member, const std::vector<Variant>& args)
{
    if (!member.get)
        throw DispatchException::WriteOnly();
    if (!args.empty())
        return Failure(DISP_E_BADPARAMCOUNT);
    InvokeResult result;
    result.result = member.get(*this);
    return result;
}

InvokeResult Dispatchable::PutProperty(const DispatchMap::Member& member, std::vector<Variant>& args)
{
    if (!member.put)
        throw DispatchException::ReadOnly();
    if (args.size() != 1)
        return Failure(DISP_E_BADPARAMCOUNT);
    if (const HRESULT hr = Coerce(args[0], member.type); Failed(hr))
        return Failure(hr, 0);
    member.put(*this, args[0]);
    return InvokeResult();
}
