"""Archives made by the zapnest command, read by readers nobody here wrote:
Python's zipfile, 7-Zip (7z t) and bsdtar (list and extract).

    python3 readers_test.py ZAPNEST [--wine WINE_RUN]

With --wine, ZAPNEST is a Windows program run through WINE_RUN, and paths are
handed to it in Windows form (drive Z: is the Unix root).
"""
import os
import random
import shutil
import stat
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zapnest_command  # noqa: E402


# 2021-07-01 12:34:56 UTC and 2019-02-03 04:05:06 UTC.
MODIFIED = 1625142896
ACCESSED = 1549166706


def run_zapnest(*arguments, as_user=None):
    command = zapnest_command.command_line(*arguments)
    if as_user is not None:
        command = ["setpriv", "--reuid=%d" % as_user, "--regid=%d" % as_user, "--clear-groups"] + command
    return subprocess.run(command, capture_output=True, text=True)


def word_text(size, seed):
    words = ["mail", "zip", "folder", "attach", "message", "window", "deflate", "entry", "header", "the", "of"]
    rng = random.Random(seed)
    out = []
    length = 0
    while length < size:
        word = rng.choice(words) + rng.choice([" ", " ", " ", ", ", ".\n"])
        out.append(word)
        length += len(word)
    return "".join(out).encode()[:size]


def random_bytes(size, seed):
    return random.Random(seed).randbytes(size)


def program_image():
    image = bytearray(random_bytes(4096, 7))
    image[0:2] = b"MZ"
    image[60:64] = struct.pack("<I", 128)
    image[128:132] = b"PE\0\0"
    return bytes(image)


def extended_mtime(extra):
    """The modification time of an extended-timestamp ("UT") field."""
    at = 0
    while at + 4 <= len(extra):
        header_id, size = struct.unpack_from("<HH", extra, at)
        if header_id == 0x5455 and size >= 5 and extra[at + 4] & 1:
            return struct.unpack_from("<i", extra, at + 5)[0]
        at += 4 + size
    return None


class ReadersTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zapnest-readers-")
        os.chmod(self.dir, 0o777)

    def tearDown(self):
        for root, dirs, files in os.walk(self.dir):
            for name in dirs + files:
                os.chmod(os.path.join(root, name), 0o777)
        shutil.rmtree(self.dir)

    def make(self, relative, data, mode=None):
        path = os.path.join(self.dir, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, (ACCESSED, MODIFIED))
        if mode is not None:
            os.chmod(path, mode)
        return path

    def check_with_every_reader(self, archive, expected):
        """expected: entry name -> bytes, in archive order."""
        with zipfile.ZipFile(archive) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual(list(expected), z.namelist())
            for info in z.infolist():
                self.assertEqual(expected[info.filename], z.read(info))
                self.assertEqual(MODIFIED, extended_mtime(info.extra), info.filename)
                # DOS times are local, to the even second below.
                local = time.localtime(MODIFIED)
                self.assertEqual(tuple(local[:5]) + (local[5] // 2 * 2,), info.date_time, info.filename)
        result = subprocess.run(["7z", "t", archive], capture_output=True, text=True)
        self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        self.assertIn("Everything is Ok", result.stdout)
        listing = subprocess.run(["bsdtar", "-tf", archive], capture_output=True, text=True)
        self.assertEqual(0, listing.returncode, listing.stderr)
        self.assertEqual(list(expected), listing.stdout.splitlines())
        target = tempfile.mkdtemp(dir=self.dir)
        extracted = subprocess.run(["bsdtar", "-xf", archive, "-C", target], capture_output=True, text=True)
        self.assertEqual(0, extracted.returncode, extracted.stderr)
        for name, data in expected.items():
            if name.endswith("/"):
                self.assertTrue(os.path.isdir(os.path.join(target, name)), name)
                continue
            with open(os.path.join(target, name), "rb") as f:
                self.assertEqual(data, f.read(), name)

    def test_files_of_every_kind(self):
        sources = {
            "notes.txt": word_text(200000, 1),
            "data.bin": random_bytes(50000, 2),
            "empty.txt": b"",
            "empty.zip": b"",
            "photo.zip": random_bytes(30000, 3),
            "big.dat": word_text(3000000, 4) + random_bytes(2000000, 5),
            "name with spaces.txt": b"spaces\n" * 50,
            "prog.exe": program_image(),
            "locked.txt": b"read-only\n",
        }
        paths = [self.make("in/" + name, data) for name, data in sources.items()]
        os.chmod(os.path.join(self.dir, "in", "prog.exe"), 0o755)
        os.chmod(os.path.join(self.dir, "in", "locked.txt"), 0o444)
        archive = os.path.join(self.dir, "out.zip")
        result = run_zapnest(archive, *paths)
        self.assertEqual(0, result.returncode, result.stderr)
        self.check_with_every_reader(archive, sources)
        with zipfile.ZipFile(archive) as z:
            kinds = {i.filename: (i.compress_type, i.external_attr) for i in z.infolist()}
        self.assertEqual(zipfile.ZIP_STORED, kinds["photo.zip"][0])
        self.assertEqual(zipfile.ZIP_DEFLATED, kinds["notes.txt"][0])
        self.assertEqual(0x81000021, kinds["locked.txt"][1])
        self.assertEqual(0x81C00020, kinds["prog.exe"][1])
        self.assertEqual(0x81800020, kinds["notes.txt"][1])

    def test_each_file_added_is_reported_with_what_became_of_it(self):
        sources = {"notes.txt": b"words " * 1000, "tiny.txt": b"hi", "empty.txt": b"", "photo.zip": b"z" * 10}
        paths = [self.make("in/" + name, data) for name, data in sources.items()]
        archive = os.path.join(self.dir, "out.zip")
        result = run_zapnest(archive, *paths)
        self.assertEqual(0, result.returncode, result.stderr)
        with zipfile.ZipFile(archive) as z:
            sizes = {i.filename: i.compress_size for i in z.infolist()}
        lines = result.stdout.splitlines()
        saved = (6000 - sizes["notes.txt"]) * 100 // 6000
        self.assertIn("  notes.txt: 6000 bytes, deflated %d%%" % saved, lines)
        # Deflate adds a little to what it cannot shrink: said as it is, not as a negative saving.
        self.assertIn("  tiny.txt: 2 bytes, deflated to %d bytes (larger)" % sizes["tiny.txt"], lines)
        self.assertIn("  empty.txt: 0 bytes, deflated to %d bytes (larger)" % sizes["empty.txt"], lines)
        self.assertIn("  photo.zip: 10 bytes, stored", lines)

    def test_a_backslash_becomes_a_folder(self):
        if zapnest_command.WINE_RUN is not None:
            self.skipTest("Windows file names cannot hold a backslash")
        path = self.make("in/docs\\readme.txt", b"inside\n")
        archive = os.path.join(self.dir, "slash.zip")
        result = run_zapnest(archive, path)
        self.assertEqual(0, result.returncode, result.stderr)
        self.check_with_every_reader(archive, {"docs/readme.txt": b"inside\n"})

    def test_an_empty_folder_makes_the_empty_archive(self):
        os.makedirs(os.path.join(self.dir, "nothing"))
        archive = os.path.join(self.dir, "empty.zip")
        result = run_zapnest("--folder", archive, os.path.join(self.dir, "nothing"))
        self.assertEqual(0, result.returncode, result.stderr)
        with open(archive, "rb") as f:
            self.assertEqual(b"PK\x05\x06" + bytes(18), f.read())
        self.check_with_every_reader(archive, {})

    def test_a_folder_of_hundreds_of_files_that_holds_the_archive_itself(self):
        sources = {}
        for i in range(300):
            name = "file%03d.txt" % i
            sources[name] = word_text(100 + i * 7, i)
            self.make("many/" + name, sources[name])
        os.makedirs(os.path.join(self.dir, "many", "subfolder"))
        self.make("many/subfolder/not-taken.txt", b"no")
        archive = os.path.join(self.dir, "many", "all.zip")
        result = run_zapnest("--folder", archive, os.path.join(self.dir, "many"))
        self.assertEqual(0, result.returncode, result.stderr)
        self.check_with_every_reader(archive, sources)

    def test_a_tree_arrives_whole_without_what_links_lead_to(self):
        """--folder -r: files below the folder under their relative names, files
        of a folder before its subfolders, an empty folder as an entry of its
        own; links to a folder or a file outside are named and left out, and
        the archive saved inside the tree is not taken."""
        elsewhere = self.make("elsewhere/private.txt", b"private\n")
        sources = {
            "readme.txt": word_text(3000, 1),
            "Photos/p.dat": random_bytes(5000, 2),
            "docs/a.txt": word_text(20000, 3),
            "docs/deep/b.bin": random_bytes(70000, 4),
            "docs/deep/deeper/c.txt": word_text(500, 5),
        }
        for name, data in sources.items():
            self.make("tree/" + name, data)
        top = os.path.join(self.dir, "tree")
        os.makedirs(os.path.join(top, "empty"))
        os.symlink(os.path.dirname(elsewhere), os.path.join(top, "docs", "away"))
        os.symlink(elsewhere, os.path.join(top, "docs", "deep", "private.txt"))
        for folder in ("docs/deep/deeper", "docs/deep", "docs", "Photos", "empty"):
            os.utime(os.path.join(top, folder), (ACCESSED, MODIFIED))
        archive = os.path.join(top, "docs", "all.zip")
        result = run_zapnest("--folder", "-r", archive, top)
        self.assertEqual(3, result.returncode, result.stderr)
        self.assertIn("away", result.stderr)
        self.assertIn("private.txt", result.stderr)
        expected = dict(sources)
        expected["empty/"] = b""
        self.check_with_every_reader(archive, expected)
        seven = [line[len("Path = "):] for line in subprocess.run(["7z", "l", "-slt", archive], capture_output=True,
                                                                  text=True).stdout.splitlines()
                 if line.startswith("Path = ")][1:]
        self.assertEqual([name.rstrip("/") for name in expected], seven)
        unzip = subprocess.run(["unzip", "-Z1", archive], capture_output=True, text=True).stdout.splitlines()
        self.assertEqual(list(expected), unzip)
        with zipfile.ZipFile(archive) as z:
            folder = z.getinfo("empty/")
            self.assertTrue(folder.is_dir())
            self.assertEqual(0x10, folder.external_attr & 0x10)
        # Without -r the subfolders stay out, as they always did.
        flat = os.path.join(self.dir, "flat.zip")
        result = run_zapnest("--folder", flat, top)
        self.assertEqual(0, result.returncode, result.stderr)
        self.check_with_every_reader(flat, {"readme.txt": sources["readme.txt"]})

    def test_a_failed_run_leaves_no_archive(self):
        present = self.make("in/here.txt", b"here")
        archive = os.path.join(self.dir, "failed.zip")
        result = run_zapnest(archive, present, os.path.join(self.dir, "in", "missing.txt"))
        self.assertEqual(2, result.returncode)
        self.assertIn("missing.txt", result.stderr)
        self.assertFalse(os.path.exists(archive))

    def test_colliding_names_are_refused_before_anything_is_written(self):
        first = self.make("a/Report.txt", b"1")
        second = self.make("b/report.TXT", b"2")
        archive = os.path.join(self.dir, "clash.zip")
        result = run_zapnest(archive, first, second)
        self.assertEqual(1, result.returncode)
        self.assertFalse(os.path.exists(archive))

    def test_unreadable_files_of_a_folder_are_skipped(self):
        if zapnest_command.WINE_RUN is not None or not hasattr(os, "geteuid"):
            self.skipTest("needs a POSIX user without rights to the file")
        self.make("mixed/good.txt", b"good\n")
        self.make("mixed/secret.txt", b"secret\n", mode=0o000)
        archive = os.path.join(self.dir, "mixed.zip")
        # Root reads everything: run as nobody, for whom the permission holds.
        user = 65534 if os.geteuid() == 0 else None
        result = run_zapnest("--folder", archive, os.path.join(self.dir, "mixed"), as_user=user)
        self.assertEqual(3, result.returncode, result.stderr)
        self.assertIn("secret.txt", result.stderr)
        self.assertIn("permission denied", result.stderr.lower())
        self.check_with_every_reader(archive, {"good.txt": b"good\n"})


if __name__ == "__main__":
    unittest.main(argv=zapnest_command.parse_arguments(sys.argv), verbosity=2)
