#include "automation/core/VarType.h"

namespace {

const char* BaseName(VarType t)
{
    switch (t) {
    case VT_EMPTY: return "VT_EMPTY";
    case VT_NULL: return "VT_NULL";
    case VT_I2: return "VT_I2";
    case VT_I4: return "VT_I4";
    case VT_R4: return "VT_R4";
    case VT_R8: return "VT_R8";
    case VT_CY: return "VT_CY";
    case VT_DATE: return "VT_DATE";
    case VT_BSTR: return "VT_BSTR";
    case VT_DISPATCH: return "VT_DISPATCH";
    case VT_ERROR: return "VT_ERROR";
    case VT_BOOL: return "VT_BOOL";
    case VT_VARIANT: return "VT_VARIANT";
    case VT_I1: return "VT_I1";
    case VT_UI1: return "VT_UI1";
    case VT_UI2: return "VT_UI2";
    case VT_UI4: return "VT_UI4";
    case VT_I8: return "VT_I8";
    case VT_UI8: return "VT_UI8";
    case VT_INT: return "VT_INT";
    case VT_UINT: return "VT_UINT";
    default: return nullptr;
    }
}

}  // namespace

std::string VarTypeName(VarType t)
{
    std::string name;
    if (t & VT_BYREF)
        name += "VT_BYREF|";
    if (t & VT_ARRAY)
        name += "VT_ARRAY|";
    const VarType base = BaseType(t);
    const char* baseName = BaseName(base);
    name += baseName ? std::string(baseName) : "VT_" + std::to_string(base);
    return name;
}
