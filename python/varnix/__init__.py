"""Scripting the varnix automation servers from Python.

    import varnix
    with varnix.Dispatch("Varnix.Ez2181") as board:
        board.ErrorMethod = 2
        print(board.ReadDM(16, 4, 0, 0))

docs/python-scripting.md is the guide; docs/automation-over-dbus.md the
contract underneath.
"""

from .classes_root import ClassesRoot
from .dispatch import Dispatch, DispatchObject, Method
from .driver import METHOD, PROPERTY_GET, PROPERTY_PUT, DispatchDriver
from .errors import AutomationError, DispatchError, UnknownNameError, VarnixError
from .hresult import *  # noqa: F401,F403  the status codes
from .hresult import __all__ as _hresult_names
from .variant import *  # noqa: F401,F403  the VT tags, Variant, Null, ErrorValue
from .variant import __all__ as _variant_names

__all__ = ["ClassesRoot", "Dispatch", "DispatchObject", "Method", "METHOD", "PROPERTY_GET", "PROPERTY_PUT",
           "DispatchDriver", "AutomationError", "DispatchError", "UnknownNameError", "VarnixError"]
__all__ += _hresult_names + _variant_names

__version__ = "1.0"
