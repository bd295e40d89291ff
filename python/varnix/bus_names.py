"""Names on the bus of the automation transport (docs/automation-over-dbus.md, section 2)."""

CLASS_BUS_NAME_PREFIX = "org.varnix.Automation.Class."
FACTORY_PATH_PREFIX = "/org/varnix/Automation/Factory/"
OBJECT_PATH_PREFIX = "/org/varnix/Automation/Object/"
FACTORY_INTERFACE = "org.varnix.Automation.ClassFactory"
DISPATCH_INTERFACE = "org.varnix.Automation.Dispatch"

_HEX = "0123456789abcdefABCDEF"


def canonical_class_id(text):
    """"{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, from a class id with or
    without braces and in any case; None when it is malformed."""
    if len(text) == 38 and text[0] == "{" and text[-1] == "}":
        text = text[1:-1]
    if len(text) != 36:
        return None
    for i, ch in enumerate(text):
        if i in (8, 13, 18, 23):
            if ch != "-":
                return None
        elif ch not in _HEX:
            return None
    return "{" + text.upper() + "}"


def class_token(class_id):
    """"C" and the five groups of the class id in upper case joined by "_"; None when malformed."""
    canonical = canonical_class_id(class_id)
    if canonical is None:
        return None
    return "C" + canonical[1:-1].replace("-", "_")
