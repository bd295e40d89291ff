"""Status codes of the automation layer and the texts that describe them.

The codes are written as unsigned 32-bit numbers (0x80040154), as they are in
the documentation; `normalize` turns the signed form the bus carries into this
one. The texts are those of the C++ client and of varnix-call.
"""

S_OK = 0x00000000
S_FALSE = 0x00000001

E_NOTIMPL = 0x80004001
E_NOINTERFACE = 0x80004002
E_POINTER = 0x80004003
E_ABORT = 0x80004004
E_FAIL = 0x80004005
E_UNEXPECTED = 0x8000FFFF
E_ACCESSDENIED = 0x80070005
E_OUTOFMEMORY = 0x8007000E
E_INVALIDARG = 0x80070057

DISP_E_UNKNOWNINTERFACE = 0x80020001
DISP_E_MEMBERNOTFOUND = 0x80020003
DISP_E_PARAMNOTFOUND = 0x80020004
DISP_E_TYPEMISMATCH = 0x80020005
DISP_E_UNKNOWNNAME = 0x80020006
DISP_E_NONAMEDARGS = 0x80020007
DISP_E_BADVARTYPE = 0x80020008
DISP_E_EXCEPTION = 0x80020009
DISP_E_OVERFLOW = 0x8002000A
DISP_E_BADINDEX = 0x8002000B
DISP_E_ARRAYISLOCKED = 0x8002000D
DISP_E_BADPARAMCOUNT = 0x8002000E
DISP_E_PARAMNOTOPTIONAL = 0x8002000F

CLASS_E_NOAGGREGATION = 0x80040110
CLASS_E_CLASSNOTAVAILABLE = 0x80040111
REGDB_E_CLASSNOTREG = 0x80040154
CO_E_NOTINITIALIZED = 0x800401F0
CO_E_CLASSSTRING = 0x800401F3
CO_E_OBJNOTCONNECTED = 0x800401FD
CO_E_SERVER_EXEC_FAILURE = 0x80080005

RPC_E_CALL_REJECTED = 0x80010001
RPC_E_SERVER_DIED = 0x80010007
RPC_E_SERVER_DIED_DNE = 0x80010012
RPC_E_SERVERFAULT = 0x80010105
RPC_E_DISCONNECTED = 0x80010108
RPC_E_TIMEOUT = 0x8001011F

__all__ = [name for name in dir() if name[:2] in ("S_", "E_") or "_E_" in name]

_TEXTS = {
    S_OK: "success",
    S_FALSE: "success (false)",
    E_NOTIMPL: "not implemented",
    E_NOINTERFACE: "interface not supported",
    E_POINTER: "invalid pointer",
    E_ABORT: "operation aborted",
    E_FAIL: "unspecified failure",
    E_UNEXPECTED: "unexpected failure",
    E_ACCESSDENIED: "access denied",
    E_OUTOFMEMORY: "out of memory",
    E_INVALIDARG: "invalid argument",
    DISP_E_UNKNOWNINTERFACE: "unknown interface",
    DISP_E_MEMBERNOTFOUND: "member not found",
    DISP_E_PARAMNOTFOUND: "parameter not found",
    DISP_E_TYPEMISMATCH: "type mismatch",
    DISP_E_UNKNOWNNAME: "unknown name",
    DISP_E_NONAMEDARGS: "no named arguments",
    DISP_E_BADVARTYPE: "bad variable type",
    DISP_E_EXCEPTION: "exception occurred",
    DISP_E_OVERFLOW: "out of present range",
    DISP_E_BADINDEX: "invalid index",
    DISP_E_ARRAYISLOCKED: "memory is locked",
    DISP_E_BADPARAMCOUNT: "invalid number of parameters",
    DISP_E_PARAMNOTOPTIONAL: "parameter not optional",
    CLASS_E_NOAGGREGATION: "class does not support aggregation",
    CLASS_E_CLASSNOTAVAILABLE: "class not available",
    REGDB_E_CLASSNOTREG: "class not registered",
    CO_E_NOTINITIALIZED: "automation runtime not started",
    CO_E_CLASSSTRING: "invalid class string",
    CO_E_OBJNOTCONNECTED: "object is not connected to the server",
    CO_E_SERVER_EXEC_FAILURE: "server execution failed",
    RPC_E_CALL_REJECTED: "call rejected by the server",
    RPC_E_SERVER_DIED: "the server ended during the call",
    RPC_E_SERVER_DIED_DNE: "the server ended before the call ran",
    RPC_E_SERVERFAULT: "the server failed while running the call",
    RPC_E_DISCONNECTED: "the server has disconnected",
    RPC_E_TIMEOUT: "the server stopped answering",
}


def normalize(hresult):
    """The unsigned 32-bit form of a status code (the bus carries it signed)."""
    return int(hresult) & 0xFFFFFFFF


def failed(hresult):
    return normalize(hresult) & 0x80000000 != 0


def text(hresult):
    """A short lower-case text: "class not registered", "the server has disconnected"...;
    a code without a text of its own reads "unknown error 0x8000ABCD"."""
    code = normalize(hresult)
    return _TEXTS.get(code, "unknown error 0x%08X" % code)


# What a client adds to the statuses of a setup that fails: what to do about it.
_REMEDIES = {
    REGDB_E_CLASSNOTREG: "class not registered: run varnix -Register to register the server",
    CO_E_SERVER_EXEC_FAILURE: "server execution failed: run varnix -Register again; the server's messages go "
    "to the session bus's standard error (docs/getting-started.md)",
    CO_E_NOTINITIALIZED: "the session bus cannot be reached: start one as docs/getting-started.md says "
    "(\"A session bus where there is no desktop\")",
    RPC_E_TIMEOUT: "the server stopped answering; its messages go to the session bus's standard error "
    "(docs/getting-started.md, \"Where the server's messages go\")",
}


def client_text(hresult):
    """What a client shows for a status: text(), and for a setup that fails (not
    registered, a server that does not start, no session bus) what to do about it."""
    code = normalize(hresult)
    return _REMEDIES.get(code, text(code))
