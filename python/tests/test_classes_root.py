"""The classes-root store read from Python: the same answers as the C++ store
on files the C++ store wrote, Qt's INI quoting and escapes, and the class
tokens and bus names."""

import os
import shutil
import subprocess
import tempfile
import unittest

import varnix
from varnix import bus_names
from varnix.classes_root import ClassesRoot, config_home, read_top_level, unescape_key, unescape_value

from tests.private_session import program

CLASS_ID = "{3A0F6C21-52D4-4E8B-9C17-2B8E40D1A001}"


class StoreFolders(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="varnix-classes-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        saved = {name: os.environ.get(name)
                 for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_DIRS", "HOME")}
        self.addCleanup(self.restore, saved)
        os.environ["XDG_CONFIG_HOME"] = os.path.join(self.folder, "config")
        os.environ["XDG_DATA_HOME"] = os.path.join(self.folder, "data")
        os.environ["XDG_CONFIG_DIRS"] = os.path.join(self.folder, "etc-xdg")
        os.environ["XDG_DATA_DIRS"] = os.path.join(self.folder, "share1") + ":" + os.path.join(self.folder, "share2")
        self.classes = ClassesRoot()

    @staticmethod
    def restore(saved):
        for name, value in saved.items():
            if value is None:
                os.environ.pop(name, None)
            else:
                os.environ[name] = value

    def write_ini(self, text):
        os.makedirs(os.path.dirname(self.classes.path), exist_ok=True)
        with open(self.classes.path, "w", encoding="utf-8") as file:
            file.write(text)


class AgreesWithTheCppStore(StoreFolders):
    def tool(self, *args):
        """What the C++ store answers: the printed line, None for "no such entry"."""
        done = subprocess.run([program("VARNIX_CLASSES_ROOT_TOOL"), *args], capture_output=True)
        if done.returncode == 1:
            return None
        self.assertEqual(done.returncode, 0, done.stderr)
        return done.stdout[:-1].decode("utf-8") if done.stdout.endswith(b"\n") else done.stdout

    def register(self, class_id, progid, type_name, server):
        self.assertEqual(self.tool("register", class_id, progid, type_name, server), b"")

    def test_the_users_store_comes_first_then_the_installed_ones_in_order(self):
        folders = [os.environ["XDG_CONFIG_HOME"], os.environ["XDG_DATA_HOME"], os.environ["XDG_CONFIG_DIRS"]] \
            + os.environ["XDG_DATA_DIRS"].split(":")
        stores = [os.path.join(folder, "automation", "classes-root.ini") for folder in folders]
        for number, store in enumerate(stores):
            class_id = CLASS_ID[:-5] + "%04d}" % number
            self.assertEqual(self.tool("register-in", store, os.path.join(self.folder, "services%d" % number), class_id,
                                       "Varnix.Ez2181", "Varnix.Ez2181", "/opt/%d/varnix" % number), b"")
        for number, store in enumerate(stores):
            with self.subTest(first_store=store):
                expected = CLASS_ID[:-5] + "%04d}" % number
                self.assertEqual(self.classes.class_id_of_progid("varnix.EZ2181"), expected)
                self.assertEqual(self.tool("lookup", "varnix.EZ2181"), expected)
                key = "CLSID\\" + expected + "\\LocalServer32"
                self.assertEqual(self.classes.value(key), "/opt/%d/varnix" % number)
                self.assertEqual(self.tool("value", key), "/opt/%d/varnix" % number)
                os.remove(store)
        self.assertIsNone(self.classes.class_id_of_progid("Varnix.Ez2181"))
        self.assertIsNone(self.tool("lookup", "Varnix.Ez2181"))

    def test_progid_lookup_ignores_case_as_the_cpp_lookup_does(self):
        self.register(CLASS_ID, "Varnix.Ez2181", "Varnix.Ez2181", "/opt/varnix/bin/varnix")
        for progid in ("Varnix.Ez2181", "varnix.ez2181", "VARNIX.EZ2181", "Varnix.Ez218", "Varnix", "Ez2181"):
            with self.subTest(progid=progid):
                self.assertEqual(self.classes.class_id_of_progid(progid), self.tool("lookup", progid))
        self.assertEqual(self.classes.class_id_of_progid("varnix.EZ2181"), CLASS_ID)
        self.assertEqual(self.classes.bus_names_of_progid("varnix.ez2181"),
                         ("org.varnix.Automation.Class.C3A0F6C21_52D4_4E8B_9C17_2B8E40D1A001",
                          "/org/varnix/Automation/Factory/C3A0F6C21_52D4_4E8B_9C17_2B8E40D1A001"))

    def test_keys_and_values_with_characters_qt_encodes_read_back_as_written(self):
        progid = "Odd Prog,ID;x=y\u00e9\u03a9"
        type_name = '@lead, "quoted"; back\\slash\ttab  '
        server = '  /opt/my dir/va,r;ni"x\\server=1 \u00fc'
        self.register(CLASS_ID, progid, type_name, server)
        key = "CLSID\\" + CLASS_ID
        for name in (progid, progid + "\\CLSID", key, key + "\\ProgID", key + "\\InprocHandler32",
                     key + "\\LocalServer32"):
            with self.subTest(key=name):
                self.assertEqual(self.classes.value(name), self.tool("value", name))
        self.assertEqual(self.classes.value(key + "\\LocalServer32"), server)
        self.assertEqual(self.classes.value(progid), type_name)
        self.assertEqual(self.classes.class_id_of_progid(progid.upper()), CLASS_ID)

    def test_of_two_progids_differing_in_case_both_take_the_same_one(self):
        self.register(CLASS_ID, "Dup.Class", "Dup.Class", "/a")
        self.register("{3A0F6C21-52D4-4E8B-9C17-2B8E40D1A002}", "DUP.class", "DUP.class", "/b")
        self.assertEqual(self.classes.class_id_of_progid("dup.CLASS"), self.tool("lookup", "dup.CLASS"))

    def test_unregistered_class_is_gone_for_both(self):
        self.register(CLASS_ID, "Varnix.Ez2181", "Varnix.Ez2181", "/opt/varnix")
        self.assertEqual(self.tool("unregister", CLASS_ID, "Varnix.Ez2181"), b"")
        self.assertIsNone(self.classes.class_id_of_progid("Varnix.Ez2181"))
        self.assertIsNone(self.tool("lookup", "Varnix.Ez2181"))


class QtIniRules(StoreFolders):
    def test_keys_are_percent_decoded_and_backslash_is_the_group_separator(self):
        self.assertEqual(unescape_key("Varnix.Ez2181%5CCLSID"), "Varnix.Ez2181\\CLSID")
        self.assertEqual(unescape_key("a%7Bb%7D%20c"), "a{b} c")
        self.assertEqual(unescape_key("%U03A9x"), "\u03a9x")
        self.assertEqual(unescape_key("group\\key"), "group/key")
        self.assertEqual(unescape_key("100%"), "100%")
        self.assertEqual(unescape_key("%zz"), "%zz")

    def test_values_are_unquoted_and_unescaped(self):
        self.assertEqual(unescape_value("plain text"), "plain text")
        self.assertEqual(unescape_value('  "  spaced  "  '), "  spaced  ")
        self.assertEqual(unescape_value('"a,b;c"'), "a,b;c")
        self.assertEqual(unescape_value(r"a\tb\\c\"d\x41\101\n"), 'a\tb\\c"dAA\n')
        self.assertEqual(unescape_value("one, two ,three"), ["one", "two", "three"])
        self.assertEqual(unescape_value("trailing   "), "trailing")

    def test_the_file_as_qsettings_reads_it(self):
        self.write_ini("; a comment\n"
                       "Before=first\n"
                       "[Other]\n"
                       "Inner=not top level\n"
                       "[General]\n"
                       "Dup.X%5CCLSID=" + CLASS_ID + " ; a trailing comment\n"
                       "Long=one\\\n"
                       " two\n"
                       "At=@@sign\n"
                       "Bytes=@ByteArray(raw)\n"
                       "List=a, b\n"
                       "Group%5CKey\\Sub=in a group\n")
        entries = read_top_level(self.classes.path)
        self.assertEqual(entries["Before"], "first")
        self.assertNotIn("Inner", entries)
        self.assertEqual(entries["Dup.X\\CLSID"], CLASS_ID)
        self.assertEqual(entries["Long"], "one two")
        self.assertEqual(entries["At"], "@sign")
        self.assertEqual(entries["Bytes"], "raw")
        self.assertEqual(entries["List"], "")
        self.assertNotIn("Group\\Key/Sub", entries)
        self.assertEqual(self.classes.class_id_of_progid("dup.x"), CLASS_ID)

    def test_no_file_is_no_class(self):
        self.assertEqual(read_top_level(os.path.join(self.folder, "absent.ini")), {})
        self.assertIsNone(self.classes.class_id_of_progid("Varnix.Ez2181"))

    def test_malformed_class_id_is_class_not_registered(self):
        self.write_ini("[General]\nBad.Class%5CCLSID={not-a-class-id}\n")
        self.assertEqual(self.classes.class_id_of_progid("bad.class"), "{not-a-class-id}")
        self.assertIsNone(self.classes.bus_names_of_progid("bad.class"))
        with self.assertRaises(varnix.AutomationError) as caught:
            varnix.Dispatch("Bad.Class")
        self.assertEqual(caught.exception.hresult, varnix.REGDB_E_CLASSNOTREG)

    def test_configuration_folder_falls_back_to_home(self):
        self.assertEqual(config_home(), os.path.join(self.folder, "config"))
        os.environ["XDG_CONFIG_HOME"] = "relative/folder"
        os.environ["HOME"] = "/home/someone"
        self.assertEqual(config_home(), "/home/someone/.config")
        del os.environ["XDG_CONFIG_HOME"]
        self.assertEqual(self.classes.path, "/home/someone/.config/automation/classes-root.ini")


class BusNamesOfAClass(unittest.TestCase):
    def test_class_token_from_any_case_with_or_without_braces(self):
        expected = "C3A0F6C21_52D4_4E8B_9C17_2B8E40D1A001"
        self.assertEqual(bus_names.class_token("{3a0f6c21-52d4-4e8b-9c17-2b8e40d1a001}"), expected)
        self.assertEqual(bus_names.class_token("3A0F6C21-52D4-4E8B-9C17-2B8E40D1A001"), expected)

    def test_malformed_class_ids_have_no_token(self):
        for text in ("", "{3A0F6C21-52D4-4E8B-9C17-2B8E40D1A00}", "{3A0F6C21-52D4-4E8B-9C17-2B8E40D1A00G}",
                     "{3A0F6C21_52D4-4E8B-9C17-2B8E40D1A001}", "(3A0F6C21-52D4-4E8B-9C17-2B8E40D1A001)"):
            with self.subTest(text=text):
                self.assertIsNone(bus_names.class_token(text))


if __name__ == "__main__":
    unittest.main()
