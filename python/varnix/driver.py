"""The client side of one automation object in another process, by dispatch
identifier: create it by ProgID (the bus starts the server when needed), call
it, release it. It behaves as the C++ DispatchDriver does, failure for failure
(docs/automation-over-dbus.md, sections 3 and 4).
"""

import dbus
import dbus.lowlevel

from . import bus_names
from . import hresult as _hr
from . import wire
from .classes_root import ClassesRoot
from .errors import AutomationError, DispatchError

METHOD = 1
PROPERTY_GET = 2
PROPERTY_PUT = 4

# Board calls can take 30 s, and the calls of all clients are served in turn.
DEFAULT_CALL_TIMEOUT = 300.0
DEFAULT_CREATE_TIMEOUT = 60.0
# The release, a short call: a server that stopped answering is not waited for long.
RELEASE_TIMEOUT = 10.0

_CREATE_ATTEMPTS = 4
_INVOKE_REPLY = "i(qv)(qiayayayu)u"

_ERROR = "org.freedesktop.DBus.Error."
_NO_REPLY = (_ERROR + "NoReply", _ERROR + "TimedOut")
_GONE = (_ERROR + "ServiceUnknown", _ERROR + "NameHasNoOwner", _ERROR + "Disconnected")
_UNKNOWN_OBJECT = _ERROR + "UnknownObject"
_ACCESS_DENIED = _ERROR + "AccessDenied"


def session_bus():
    """The shared session bus connection; AutomationError when there is none."""
    try:
        return dbus.SessionBus()
    except dbus.exceptions.DBusException:
        raise AutomationError(_hr.CO_E_NOTINITIALIZED) from None


def _text(data):
    return bytes(data).decode("utf-8", "surrogateescape")


class DispatchDriver:
    """One object of a class registered in the classes-root store.

    Calls block until the server answers and raise DispatchError (the member
    raised a dispatch exception) or AutomationError (every other failure). The
    driver keeps its object after a failed call.
    """

    def __init__(self, bus=None, classes=None):
        self._bus = bus
        self.classes = classes or ClassesRoot()
        self.call_timeout = DEFAULT_CALL_TIMEOUT
        self.create_timeout = DEFAULT_CREATE_TIMEOUT
        self.server_name = None
        self.object_path = None

    @property
    def bus(self):
        if self._bus is None:
            self._bus = session_bus()
        return self._bus

    @property
    def is_created(self):
        return self.object_path is not None

    def create(self, progid):
        """Releases any object held, then creates one of the class registered
        under `progid` (case ignored)."""
        self.release()
        names = self.classes.bus_names_of_progid(progid)
        if names is None:
            raise AutomationError(_hr.REGDB_E_CLASSNOTREG)
        bus_name, factory_path = names
        bus = self.bus
        if not bus.get_is_connected():
            raise AutomationError(_hr.CO_E_NOTINITIALIZED)
        # A copy that serves one object per process may hand its last object
        # out between our look at the name and our call; the next attempt
        # starts a fresh copy.
        for _ in range(_CREATE_ATTEMPTS):
            call = dbus.lowlevel.MethodCallMessage(bus_name, factory_path, bus_names.FACTORY_INTERFACE, "CreateInstance")
            try:
                reply = bus.send_message_with_reply_and_block(call, self.create_timeout)
            except dbus.exceptions.DBusException as failure:
                if failure.get_dbus_name() == _UNKNOWN_OBJECT:
                    continue
                raise AutomationError(_hr.CO_E_SERVER_EXEC_FAILURE) from None
            if reply.get_signature() != "io":
                raise AutomationError(_hr.CO_E_SERVER_EXEC_FAILURE)
            status, path = reply.get_args_list()
            if _hr.failed(status):
                raise AutomationError(status)
            self.server_name = reply.get_sender()
            self.object_path = str(path)
            return
        raise AutomationError(_hr.CLASS_E_CLASSNOTAVAILABLE)

    def release(self):
        """Drops the object; does nothing if there is none. Never raises."""
        if not self.is_created:
            return
        try:
            self.bus.send_message_with_reply_and_block(self._object_call("Release"), min(self.call_timeout, RELEASE_TIMEOUT))
        except (dbus.exceptions.DBusException, AutomationError):
            pass
        finally:
            self.server_name = None
            self.object_path = None

    def invoke(self, dispid, flags, args=()):
        """Invoke with Variant arguments in natural order; the result as a Variant."""
        self._require_object()
        call = self._object_call("Invoke")
        call.append(dbus.Int32(dispid), dbus.UInt32(flags), wire.arguments_to_dbus(args), signature="iua(qv)")
        reply = self._call(call)
        if reply.get_signature() != _INVOKE_REPLY:
            raise AutomationError(_hr.RPC_E_SERVERFAULT)
        status, result, excepinfo, argerr = reply.get_args_list(byte_arrays=True)
        status = _hr.normalize(status)
        if status == _hr.DISP_E_EXCEPTION:
            code, scode, source, description, helpfile, helpcontext = excepinfo
            raise DispatchError(int(code), _text(description), _text(source), _text(helpfile), int(helpcontext), int(scode))
        if _hr.failed(status):
            raise AutomationError(status, int(argerr))
        try:
            return wire.from_dbus(result)
        except wire.MalformedValue:
            raise AutomationError(_hr.RPC_E_SERVERFAULT) from None

    def dispid_of_name(self, name):
        """The dispatch identifier of a member, the name compared without regard to case."""
        self._require_object()
        call = self._object_call("GetIDsOfNames")
        call.append(name, signature="s")
        reply = self._call(call)
        if reply.get_signature() != "ii":
            raise AutomationError(_hr.RPC_E_SERVERFAULT)
        status, dispid = reply.get_args_list()
        if _hr.failed(status):
            raise AutomationError(status)
        return int(dispid)

    def _object_call(self, method):
        call = dbus.lowlevel.MethodCallMessage(self.server_name, self.object_path, bus_names.DISPATCH_INTERFACE, method)
        # The object lives in that one process; never start another copy for it.
        call.set_auto_start(False)
        return call

    def _send(self, call):
        return self.bus.send_message_with_reply_and_block(call, self.call_timeout)

    def _call(self, call):
        try:
            return self._send(call)
        except dbus.exceptions.DBusException as failure:
            raise AutomationError(self._status_of_call_failure(failure.get_dbus_name())) from None

    def _status_of_call_failure(self, name):
        bus = self.bus
        connected = bus.get_is_connected()
        if name in _NO_REPLY:
            # The bus says "no reply" both when our time-out ran out and when the
            # server left the bus during the call: look whether it is still there.
            try:
                server_there = connected and bus.name_has_owner(self.server_name)
            except dbus.exceptions.DBusException:
                server_there = False
            return _hr.RPC_E_TIMEOUT if server_there else _hr.RPC_E_SERVER_DIED
        if name in _GONE or not connected:
            return _hr.RPC_E_DISCONNECTED
        if name == _UNKNOWN_OBJECT:
            return _hr.CO_E_OBJNOTCONNECTED
        if name == _ACCESS_DENIED:
            return _hr.E_ACCESSDENIED
        return _hr.RPC_E_SERVERFAULT

    def _require_object(self):
        if not self.is_created:
            raise AutomationError(_hr.CO_E_OBJNOTCONNECTED)
