#include "automation/core/HResult.h"

#include <cstdio>

std::string HResultText(HRESULT hr)
{
    switch (hr) {
    case S_OK: return "success";
    case S_FALSE: return "success (false)";
    case E_NOTIMPL: return "not implemented";
    case E_NOINTERFACE: return "interface not supported";
    case E_POINTER: return "invalid pointer";
    case E_ABORT: return "operation aborted";
    case E_FAIL: return "unspecified failure";
    case E_UNEXPECTED: return "unexpected failure";
    case E_ACCESSDENIED: return "access denied";
    case E_OUTOFMEMORY: return "out of memory";
    case E_INVALIDARG: return "invalid argument";
    case DISP_E_UNKNOWNINTERFACE: return "unknown interface";
    case DISP_E_MEMBERNOTFOUND: return "member not found";
    case DISP_E_PARAMNOTFOUND: return "parameter not found";
    case DISP_E_TYPEMISMATCH: return "type mismatch";
    case DISP_E_UNKNOWNNAME: return "unknown name";
    case DISP_E_NONAMEDARGS: return "no named arguments";
    case DISP_E_BADVARTYPE: return "bad variable type";
    case DISP_E_EXCEPTION: return "exception occurred";
    case DISP_E_OVERFLOW: return "out of present range";
    case DISP_E_BADINDEX: return "invalid index";
    case DISP_E_ARRAYISLOCKED: return "memory is locked";
    case DISP_E_BADPARAMCOUNT: return "invalid number of parameters";
    case DISP_E_PARAMNOTOPTIONAL: return "parameter not optional";
    case CLASS_E_NOAGGREGATION: return "class does not support aggregation";
    case CLASS_E_CLASSNOTAVAILABLE: return "class not available";
    case REGDB_E_CLASSNOTREG: return "class not registered";
    case CO_E_NOTINITIALIZED: return "automation runtime not started";
    case CO_E_CLASSSTRING: return "invalid class string";
    case CO_E_OBJNOTCONNECTED: return "object is not connected to the server";
    case CO_E_SERVER_EXEC_FAILURE: return "server execution failed";
    case RPC_E_CALL_REJECTED: return "call rejected by the server";
    case RPC_E_SERVER_DIED: return "the server ended during the call";
    case RPC_E_SERVER_DIED_DNE: return "the server ended before the call ran";
    case RPC_E_SERVERFAULT: return "the server failed while running the call";
    case RPC_E_DISCONNECTED: return "the server has disconnected";
    case RPC_E_TIMEOUT: return "the server stopped answering";
    default: break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "unknown error 0x%08X", static_cast<unsigned>(hr));
    return text;
}
