"""Automation objects with members called by name, as scripts know them:

    board = varnix.Dispatch("Varnix.Ez2181")
    board.ErrorMethod = 2
    words = board.ReadDM(16, 4, 0, 0)

A member name is looked up once per object (GetIDsOfNames). Whether it is a
method or a property is asked once as well, with a property put of no value:
the object refuses that without running anything, "member not found" for a
method and a parameter or read-only failure for a property. So reading
`board.ErrorString` gets the property, while `board.PowerOn` is a callable
that runs the method only when it is called.
"""

import atexit
import weakref

from . import hresult as _hr
from .driver import METHOD, PROPERTY_GET, PROPERTY_PUT, DispatchDriver
from .errors import AutomationError, DispatchError, UnknownNameError
from .variant import Variant

_live = weakref.WeakSet()


@atexit.register
def _release_all():
    """The script ends: every object still held goes back to its server."""
    for obj in list(_live):
        obj.Release()


def _arguments(args):
    values = []
    for index, arg in enumerate(args):
        try:
            values.append(Variant.of(arg))
        except AutomationError as failure:
            raise AutomationError(failure.hresult, index) from None
    return values


class Method:
    """A method of an automation object, bound to it; call it with its arguments."""

    def __init__(self, obj, name, dispid):
        self._obj = obj
        self.name = name
        self.dispid = dispid

    def __call__(self, *args, **kwargs):
        if kwargs:
            raise AutomationError(_hr.DISP_E_NONAMEDARGS)
        return self._obj._invoke(self.dispid, METHOD | PROPERTY_GET, _arguments(args)).value

    def __repr__(self):
        return "<method %s of %r>" % (self.name, self._obj)


class DispatchObject:
    """An automation object in a server process.

    Members by name: methods are called (`board.ReadDM(16, 4, 0, 0)`),
    properties read (`board.ErrorString`) and set (`board.ErrorMethod = 2`).
    Arguments are plain Python values or Variants, results plain Python
    values (see varnix.variant). A name the object does not know raises
    UnknownNameError, which is also an AttributeError.

    `Release()`, leaving a `with` block, `del` of the last reference, or the
    script's end give the object back to its server; afterwards every call
    raises AutomationError "object is not connected to the server".
    """

    def __init__(self, driver, progid):
        object.__setattr__(self, "_driver", driver)
        object.__setattr__(self, "_progid", progid)
        object.__setattr__(self, "_dispids", {})
        object.__setattr__(self, "_methods", {})
        _live.add(self)

    # -- members by name --------------------------------------------------

    def __getattr__(self, name):
        if name.startswith("_"):
            raise AttributeError(name)
        dispid = self._dispid(name)
        if self._is_method(dispid):
            return Method(self, name, dispid)
        return self._invoke(dispid, PROPERTY_GET, []).value

    def __setattr__(self, name, value):
        if name.startswith("_"):
            object.__setattr__(self, name, value)
            return
        dispid = self._dispid(name)
        self._invoke(dispid, PROPERTY_PUT, _arguments([value]))

    def __dir__(self):
        return list(super().__dir__()) + [name for name, _ in self._dispids.values()]

    def _dispid(self, name):
        key = name.casefold()
        if key not in self._dispids:
            try:
                self._dispids[key] = (name, self._driver.dispid_of_name(name))
            except AutomationError as failure:
                if failure.hresult == _hr.DISP_E_UNKNOWNNAME:
                    raise UnknownNameError(name) from None
                raise
        return self._dispids[key][1]

    def _is_method(self, dispid):
        if dispid not in self._methods:
            try:
                self._driver.invoke(dispid, PROPERTY_PUT, [])
                self._methods[dispid] = False
            except AutomationError as failure:
                if failure.hresult not in (_hr.DISP_E_MEMBERNOTFOUND, _hr.DISP_E_BADPARAMCOUNT,
                                           _hr.DISP_E_PARAMNOTFOUND):
                    raise
                self._methods[dispid] = failure.hresult == _hr.DISP_E_MEMBERNOTFOUND
            except DispatchError:
                # A read-only property refuses the put with its own exception.
                self._methods[dispid] = False
        return self._methods[dispid]

    # -- by dispatch identifier, with Variants ----------------------------

    def _invoke(self, dispid, flags, args):
        """Invoke by dispatch identifier with Variant arguments; the result as a Variant."""
        return self._driver.invoke(dispid, flags, args)

    def _get_ids_of_names(self, name):
        return self._driver.dispid_of_name(name)

    # -- life -------------------------------------------------------------

    def Release(self):
        """Gives the object back to its server now. Calling it again does nothing."""
        driver = self.__dict__.get("_driver")
        if driver is not None:
            driver.release()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.Release()
        return False

    def __del__(self):
        try:
            self.Release()
        except Exception:  # the interpreter may be going down
            pass

    def __repr__(self):
        driver = self.__dict__.get("_driver")
        if driver is None or not driver.is_created:
            return "<%s object, released>" % self.__dict__.get("_progid")
        return "<%s object %s on %s>" % (self._progid, driver.object_path, driver.server_name)


def Dispatch(progid, bus=None, create_timeout=None, call_timeout=None):
    """Creates an object of the class registered under `progid` (case ignored).

    The bus starts the class's server when none runs. Raises AutomationError:
    "class not registered", "server execution failed", ...

    `bus`: a dbus-python bus connection (the session bus by default);
    `create_timeout`, `call_timeout`: seconds (60 and 300 by default).
    """
    driver = DispatchDriver(bus)
    if create_timeout is not None:
        driver.create_timeout = create_timeout
    if call_timeout is not None:
        driver.call_timeout = call_timeout
    driver.create(progid)
    return DispatchObject(driver, progid)
