"""The classes-root store: registered classes as data in INI files named
automation/classes-root.ini, written by the servers through Qt's QSettings
(docs/automation-over-dbus.md, section 1): the user's own in $XDG_CONFIG_HOME,
read first, then those an installation writes for everyone.

This reads the files as QSettings does: keys percent-decoded, values unquoted
and unescaped, and looks a ProgID up the way the C++ client does.
"""

import os
import pwd

from . import bus_names

DEFAULT_FILE = "automation/classes-root.ini"

_ESCAPES = {"a": "\a", "b": "\b", "f": "\f", "n": "\n", "r": "\r", "t": "\t", "v": "\v",
            '"': '"', "?": "?", "'": "'", "\\": "\\"}
_HEX = "0123456789abcdefABCDEF"


def config_home():
    """$XDG_CONFIG_HOME when it is an absolute path, otherwise $HOME/.config."""
    xdg = os.environ.get("XDG_CONFIG_HOME", "")
    if xdg.startswith("/"):
        return xdg
    home = os.environ.get("HOME", "")
    if home:
        return home + "/.config"
    try:
        return pwd.getpwuid(os.getuid()).pw_dir + "/.config"
    except KeyError:
        return "/.config"


def _data_home():
    xdg = os.environ.get("XDG_DATA_HOME", "")
    if xdg.startswith("/"):
        return xdg
    return os.path.join(os.path.dirname(config_home().rstrip("/")) if not os.environ.get("HOME")
                        else os.environ["HOME"], ".local", "share")


def _xdg_folders(variable, defaults):
    folders = [folder for folder in os.environ.get(variable, "").split(":") if folder.startswith("/")]
    return folders or defaults


def installed_store_files():
    """The stores installations write, in the order they are read after the
    user's: $XDG_DATA_HOME, each of $XDG_CONFIG_DIRS (/etc/xdg), each of
    $XDG_DATA_DIRS (/usr/local/share, /usr/share)."""
    folders = [_data_home()]
    folders += _xdg_folders("XDG_CONFIG_DIRS", ["/etc/xdg"])
    folders += _xdg_folders("XDG_DATA_DIRS", ["/usr/local/share", "/usr/share"])
    files = []
    for folder in folders:
        path = os.path.join(folder, DEFAULT_FILE)
        if path not in files:
            files.append(path)
    return files


def unescape_key(text):
    """A key as QSettings reads it: "%XX" and "%UXXXX" decoded, "\\" the group separator "/"."""
    out = []
    i = 0
    while i < len(text):
        ch = text[i]
        if ch == "\\":
            out.append("/")
            i += 1
            continue
        if ch != "%" or i == len(text) - 1:
            out.append(ch)
            i += 1
            continue
        first, digits = i + 1, 2
        if text[first] == "U":
            first, digits = first + 1, 4
        code = text[first:first + digits]
        if len(code) != digits or any(c not in _HEX for c in code):
            out.append("%")
            i += 1
            continue
        out.append(chr(int(code, 16)))
        i = first + digits
    return "".join(out)


def _chop_trailing_blanks(text, keep):
    while len(text) > keep and text[-1] in " \t":
        text = text[:-1]
    return text


def unescape_value(text):
    """A value as QSettings reads it: a str, or a list of str when the value
    had unquoted commas in it."""
    items = []
    current = ""
    is_list = False
    in_quotes = False
    quoted = False
    keep = 0
    i = 0
    size = len(text)

    def skip_blanks(at):
        while at < size and text[at] in " \t":
            at += 1
        return at

    i = skip_blanks(i)
    while i < size:
        ch = text[i]
        if ch == "\\":
            i += 1
            if i >= size:
                break
            ch = text[i]
            i += 1
            if ch in _ESCAPES:
                current += _ESCAPES[ch]
            elif ch == "x" or ch in "01234567":
                base, digits = (16, _HEX) if ch == "x" else (8, "01234567")
                start = i if ch == "x" else i - 1
                end = start
                while end < size and text[end] in digits:
                    end += 1
                if end > start:
                    current += chr(int(text[start:end], base) & 0xFFFF)
                i = end
            keep = len(current)
        elif ch == '"':
            i += 1
            quoted = True
            in_quotes = not in_quotes
            if not in_quotes:
                i = skip_blanks(i)
        elif ch == "," and not in_quotes:
            if not quoted:
                current = _chop_trailing_blanks(current, keep)
            is_list = True
            items.append(current)
            current, quoted, keep = "", False, 0
            i = skip_blanks(i + 1)
        else:
            end = i + 1
            while end < size and text[end] not in '\\",':
                end += 1
            current += text[i:end]
            i = end
    if not quoted:
        current = _chop_trailing_blanks(current, keep)
    if is_list:
        items.append(current)
        return items
    return current


def _value_as_text(value):
    """A read value as QSettings' value().toString() gives it."""
    if isinstance(value, list):
        return value[0] if len(value) == 1 else ""
    if value.startswith("@"):
        if value.endswith(")"):
            for prefix in ("@ByteArray(", "@String("):
                if value.startswith(prefix):
                    return value[len(prefix):-1]
            if value.startswith(("@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point(", "@Invalid()")):
                return ""
        elif value.startswith("@@"):
            return value[1:]
    return value


def _logical_lines(text):
    """The file's lines, a backslash before a line end joining two, comments dropped."""
    lines = []
    current = []
    in_quotes = False
    i = 0
    while i < len(text):
        ch = text[i]
        if ch in "\r\n":
            lines.append("".join(current))
            current, in_quotes = [], False
        elif ch == "\\" and i + 1 < len(text) and text[i + 1] in "\r\n":
            # A line end after a backslash continues the line ("\r\n" counts as one).
            current.append("\\\n")
            i += 2 if text[i + 1:i + 3] == "\r\n" else 1
        elif ch == "\\" and i + 1 < len(text):
            current.append(text[i:i + 2])
            i += 1
        elif ch == '"':
            in_quotes = not in_quotes
            current.append(ch)
        elif ch == ";" and not in_quotes:
            while i + 1 < len(text) and text[i + 1] not in "\r\n":
                i += 1
        else:
            current.append(ch)
        i += 1
    lines.append("".join(current))
    return lines


def read_top_level(path):
    """The top-level keys of an INI file written by QSettings ("[General]" or
    before any section), decoded, with their values as read; {} when there is
    no file."""
    try:
        with open(path, "rb") as file:
            text = file.read().decode("utf-8", "replace")
    except FileNotFoundError:
        return {}
    entries = {}
    section = ""
    for line in _logical_lines(text):
        stripped = line.strip()
        if not stripped:
            continue
        if stripped.startswith("["):
            name = stripped[1:stripped.index("]")] if "]" in stripped else stripped[1:]
            name = unescape_key(name.strip())
            section = "" if name.lower() == "general" else name
            continue
        if section or "=" not in stripped:
            continue
        key, _, value = line.partition("=")
        key = unescape_key(key.strip())
        if "/" in key:
            continue
        entries[key] = _value_as_text(unescape_value(value))
    return entries


class ClassesRoot:
    """The classes-root stores: the user's below the configuration folder
    first, then the installed ones (looked up when each question is asked, so
    a changed environment counts). The first store that knows a key answers."""

    def __init__(self, relative_path=DEFAULT_FILE):
        self.relative_path = relative_path

    @property
    def path(self):
        """The user's store, the one registration writes."""
        return os.path.join(config_home(), self.relative_path)

    def lookup_files(self):
        files = [self.path]
        if self.relative_path == DEFAULT_FILE:
            files += [path for path in installed_store_files() if path not in files]
        return files

    def class_id_of_progid(self, progid):
        """The class id that "<ProgID>\\CLSID" holds, the ProgID compared without
        regard to case; None when no store registers such a ProgID."""
        wanted = (progid + "\\CLSID").casefold()
        for path in self.lookup_files():
            entries = read_top_level(path)
            for key in sorted(entries):
                if key.casefold() == wanted:
                    return entries[key]
        return None

    def value(self, key):
        """The default value of a registry key ("CLSID\\{...}\\LocalServer32"), None if absent."""
        for path in self.lookup_files():
            entries = read_top_level(path)
            if key in entries:
                return entries[key]
        return None

    def bus_names_of_progid(self, progid):
        """(bus name, factory path) of the class registered under `progid`; None
        when it is not registered or its class id is malformed."""
        class_id = self.class_id_of_progid(progid)
        if class_id is None:
            return None
        token = bus_names.class_token(class_id)
        if token is None:
            return None
        return bus_names.CLASS_BUS_NAME_PREFIX + token, bus_names.FACTORY_PATH_PREFIX + token
