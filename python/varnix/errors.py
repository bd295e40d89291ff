"""The exceptions a script sees.

A member that raises a dispatch exception (error method 2 on the board
classes) fails with DispatchError: the object's own code and text. Everything
else that goes wrong in the automation layer (class not registered, the server
did not start or has gone, a wrong argument count, a type mismatch) fails with
AutomationError: the status code and its text.
"""

from . import hresult as _hr


class VarnixError(Exception):
    """Base of both: catch this to catch every failure of a call."""


class AutomationError(VarnixError):
    """A failure of the automation layer itself.

    `hresult`: the status, unsigned (0x80040154); `text`: what it means, and
    for a setup that fails what to do ("class not registered: run varnix
    -Register to register the server"); `argument_index`: for an argument that
    could not be used (type mismatch, overflow, bad type), its 0-based
    position; 0 otherwise.
    """

    def __init__(self, hresult, argument_index=0):
        self.hresult = _hr.normalize(hresult)
        self.text = _hr.client_text(self.hresult)
        self.argument_index = int(argument_index)
        super().__init__("%s (0x%08X)" % (self.text, self.hresult))


class UnknownNameError(AutomationError, AttributeError):
    """The object has no member of that name (DISP_E_UNKNOWNNAME).

    Also an AttributeError, so that hasattr() and getattr() with a default
    work on automation objects as on any Python object.
    """

    def __init__(self, name):
        AutomationError.__init__(self, _hr.DISP_E_UNKNOWNNAME)
        self.name = name  # after the base classes, as AttributeError has a `name` of its own
        self.args = ("%s: %s (0x%08X)" % (name, self.text, self.hresult),)


class DispatchError(VarnixError):
    """The member raised a dispatch exception (DISP_E_EXCEPTION).

    `code`: the object's 16-bit error code; `description`: its text ("Verify
    Error at Addr"); `source`, `helpfile`, `helpcontext` as the object gave
    them; `scode`: a status (unsigned) when the failure was not one of the
    object's own errors (out of memory, an unexpected fault), 0 otherwise.
    str() of the exception is the description followed by the code.
    """

    hresult = _hr.DISP_E_EXCEPTION

    def __init__(self, code, description, source="", helpfile="", helpcontext=0, scode=0):
        self.code = int(code)
        self.description = description
        self.source = source
        self.helpfile = helpfile
        self.helpcontext = int(helpcontext)
        self.scode = _hr.normalize(scode)
        if self.scode:
            message = "%s (0x%08X)" % (description, self.scode)
        else:
            message = "%s (code %d)" % (description, self.code)
        super().__init__(message)
