"""Entry names as every reader shows them: names outside ASCII are written
in UTF-8 with general-purpose bit 11, ASCII names as they always were, and
names that a Windows recipient would lose are refused. Read back with
Python's zipfile, 7-Zip, bsdtar and Info-ZIP's unzip.

    python3 names_test.py ZAPNEST [--wine WINE_RUN]

With --wine, ZAPNEST is a Windows program run through WINE_RUN, and paths are
handed to it in Windows form (drive Z: is the Unix root).
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zapnest_command  # noqa: E402

UTF8_FLAG = 0x0800
# Every name beside its look-alike in an ANSI code page ("ａ" reads as "a"
# there, "Ω" as "O", the full-width backslash as a separator), a name
# beyond the Basic Multilingual Plane and one that code page 1252 holds.
NAMES = {
    "a.txt": b"plain a\n",
    "\uff41.txt": b"full-width a\n",
    "O.txt": b"plain O\n",
    "\u03a9.txt": b"omega\n",
    "\u65e5\u672c\u8a9e.txt": b"nihongo\n",
    "\U0001f600.txt": b"beyond the plane\n",
    "sub\uff3cy.txt": b"full-width backslash\n",
    "Gr\u00f6\u00dfe caf\u00e9.txt": b"latin\n",
}
# Readers print names in the locale's encoding: UTF-8 for all of them.
UTF8_LOCALE = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")


def under_wine():
    return zapnest_command.WINE_RUN is not None


class NamesTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zapnest-names-")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def make(self, relative, data):
        path = os.path.join(self.dir.encode(), relative if isinstance(relative, bytes) else relative.encode())
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path.decode("utf-8", "surrogateescape")

    def zapnest(self, *arguments):
        command = zapnest_command.command_line(*arguments)
        result = subprocess.run(command, capture_output=True, env=UTF8_LOCALE, timeout=120)
        result.stdout = result.stdout.decode("utf-8", "backslashreplace")
        result.stderr = result.stderr.decode("utf-8", "backslashreplace")
        return result

    def reader_lines(self, *command):
        result = subprocess.run(command, capture_output=True, env=UTF8_LOCALE)
        self.assertEqual(0, result.returncode, result.stderr)
        return result.stdout.decode("utf-8").splitlines()

    def assert_every_reader_shows(self, archive, expected):
        """expected: entry name -> bytes."""
        with open(archive, "rb") as f:
            raw = f.read()
        with zipfile.ZipFile(archive) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual(sorted(expected), sorted(z.namelist()))
            for info in z.infolist():
                self.assertEqual(expected[info.filename], z.read(info))
                ascii_name = info.filename.isascii()
                flag = 0 if ascii_name else UTF8_FLAG
                self.assertEqual(flag, info.flag_bits & UTF8_FLAG, info.filename)
                local_flags, = struct.unpack_from("<H", raw, info.header_offset + 6)
                self.assertEqual(flag, local_flags & UTF8_FLAG, info.filename)
                if ascii_name:
                    self.assertEqual(info.filename.encode("ascii"), info.orig_filename.encode("ascii"))
        seven = [line[len("Path = "):] for line in self.reader_lines("7z", "l", "-slt", archive)
                 if line.startswith("Path = ")][1:]  # the first is the archive itself
        self.assertEqual(sorted(expected), sorted(seven))
        self.assertEqual(sorted(expected), sorted(self.reader_lines("bsdtar", "-tf", archive)))
        self.assertEqual(sorted(expected), sorted(self.reader_lines("unzip", "-Z1", archive)))

    def test_names_outside_ascii_are_utf8_with_the_flag_in_file_mode(self):
        paths = [self.make("in/" + name, data) for name, data in NAMES.items()]
        out = os.path.join(self.dir, "\u03a9 out.zip")
        result = self.zapnest(out, *paths)
        self.assertEqual(0, result.returncode, result.stderr)
        for name in NAMES:
            self.assertIn("  %s: " % name, result.stdout)  # printed as UTF-8 into the pipe
        self.assert_every_reader_shows(out, NAMES)

    def test_names_outside_ascii_are_utf8_with_the_flag_in_folder_mode(self):
        for name, data in NAMES.items():
            self.make("in/" + name, data)
        self.make("in/sub/y.txt", b"inside the subfolder\n")
        out = os.path.join(self.dir, "out.zip")
        result = self.zapnest("--folder", out, os.path.join(self.dir, "in"))
        self.assertEqual(0, result.returncode, result.stderr)
        self.assert_every_reader_shows(out, NAMES)

    def test_names_that_are_not_utf8_are_refused(self):
        if under_wine():
            self.skipTest("Windows names are UTF-16, always convertible")
        latin1 = b"caf\xe9.txt"
        path = self.make(b"in/" + latin1, b"latin-1 name\n")
        self.make("in/ok.txt", b"ok\n")
        out = os.path.join(self.dir, "out.zip")
        result = self.zapnest(out, path)
        self.assertEqual(1, result.returncode, result.stderr)
        self.assertIn("not valid UTF-8", result.stderr)
        self.assertFalse(os.path.exists(out))
        result = self.zapnest("--folder", out, os.path.join(self.dir, "in"))
        self.assertEqual(3, result.returncode, result.stderr)
        self.assertIn("not valid UTF-8", result.stderr)
        self.assertIn("skipped", result.stderr)
        self.assert_every_reader_shows(out, {"ok.txt": b"ok\n"})

    def test_names_that_windows_would_lose_are_refused_with_their_rule(self):
        if under_wine():
            self.skipTest("a Windows folder cannot hold these names")
        cases = {
            "a.txt.": "ends in a dot or a space",
            "a.txt ": "ends in a dot or a space",
            "CON": "device name",
            "aux.txt": "device name",
            "nul.txt": "device name",
            "Com1.log": "device name",
            "lpt9": "device name",
            "ab:c.txt": "does not allow",
            "star*.txt": "does not allow",
            "why?.txt": "does not allow",
            'say"hi".txt': "does not allow",
            "a<b.txt": "does not allow",
            "a>b.txt": "does not allow",
            "a|b.txt": "does not allow",
            "bell\x07.txt": "does not allow",
        }
        self.make("in/ok.txt", b"ok\n")
        for index, (name, rule) in enumerate(cases.items()):
            with self.subTest(name=name, mode="files"):
                path = self.make("in/" + name, b"lost\n")
                out = os.path.join(self.dir, "files%d.zip" % index)
                result = self.zapnest(out, os.path.join(self.dir, "in", "ok.txt"), path)
                self.assertEqual(1, result.returncode, result.stderr)
                self.assertIn(rule, result.stderr)
                self.assertFalse(os.path.exists(out))
        with self.subTest(mode="folder"):
            out = os.path.join(self.dir, "folder.zip")
            result = self.zapnest("--folder", out, os.path.join(self.dir, "in"))
            self.assertEqual(3, result.returncode, result.stderr)
            warnings = [line for line in result.stderr.splitlines() if line.startswith("zapnest: warning:")]
            self.assertEqual(len(cases), len(warnings), result.stderr)
            self.assertIn("%d skipped" % len(cases), result.stdout)
            self.assert_every_reader_shows(out, {"ok.txt": b"ok\n"})

    def test_a_file_and_a_folder_of_its_name_are_refused_and_in_a_folder_the_later_is_skipped(self):
        if under_wine():
            self.skipTest("a Windows file name cannot hold a backslash")
        # Entered as "a" and "a/b.txt": unzip, bsdtar and 7z fail on the second.
        first = self.make("in/a", b"a file\n")
        second = self.make("in/a\\b.txt", b"a file inside a\n")
        out = os.path.join(self.dir, "out.zip")
        for arguments in ((out, first, second), (out, second, first)):
            with self.subTest(arguments=arguments[:-1]):
                result = self.zapnest(*arguments)
                self.assertEqual(1, result.returncode, result.stderr)
                self.assertIn("a folder of the other", result.stderr)
                self.assertFalse(os.path.exists(out))
        # The folder's plan takes the first in byte order and skips the
        # other, as the plug-in's folder command does.
        result = self.zapnest("--folder", out, os.path.join(self.dir, "in"))
        self.assertEqual(3, result.returncode, result.stderr)
        self.assertIn("a folder of the other; skipped", result.stderr)
        self.assert_every_reader_shows(out, {"a": b"a file\n"})

    def test_names_that_differ_only_in_normalisation_are_two_entries_as_given(self):
        if under_wine():
            self.skipTest("extraction by the Linux readers")
        # "café" with U+00E9, and with "e" and the combining U+0301: two files
        # on Linux and Windows, one name on macOS and for libarchive.
        names = {"caf\u00e9.txt": b"composed\n", "cafe\u0301.txt": b"decomposed\n"}
        for name, data in names.items():
            self.make("in/" + name, data)
        out = os.path.join(self.dir, "out.zip")
        result = self.zapnest("--folder", out, os.path.join(self.dir, "in"))
        self.assertEqual(0, result.returncode, result.stderr)
        with zipfile.ZipFile(out) as z:
            # Byte for byte as the file system gave them, neither form made
            # the other.
            self.assertEqual(sorted(n.encode() for n in names), sorted(i.orig_filename.encode() for i in z.infolist()))
            self.assertEqual(names, {name: z.read(name) for name in z.namelist()})
        # Readers that keep them apart extract both.
        for reader, command in (("unzip", ["unzip", "-q", out]), ("7z", ["7z", "x", "-y", out]),
                                ("zipfile", [sys.executable, "-c", "import sys, zipfile; "
                                             "zipfile.ZipFile(sys.argv[1]).extractall()", out])):
            with self.subTest(reader=reader):
                folder = os.path.join(self.dir, "by-" + reader)
                os.mkdir(folder)
                extracted = subprocess.run(command, cwd=folder, capture_output=True, env=UTF8_LOCALE)
                self.assertEqual(0, extracted.returncode, extracted.stderr)
                found = {}
                for name in os.listdir(folder):
                    with open(os.path.join(folder, name), "rb") as f:
                        found[name] = f.read()
                self.assertEqual(names, found)

    def test_a_device_is_never_the_archive(self):
        source = self.make("in/a.txt", b"a\n")
        # On Windows a colon after the drive names a stream inside a file.
        targets = ["/dev/null"] if not under_wine() else [os.path.join(self.dir, name)
                                                            for name in ("nul.zip", "CON", "com1.zip", "out.zip:s")]
        for target in targets:
            with self.subTest(target=target):
                result = self.zapnest(target, source)
                self.assertEqual(1, result.returncode, result.stderr)
                self.assertIn("not a regular file", result.stderr)
        self.assertEqual(["in"], os.listdir(self.dir))


if __name__ == "__main__":
    unittest.main(argv=zapnest_command.parse_arguments(sys.argv), verbosity=2)
