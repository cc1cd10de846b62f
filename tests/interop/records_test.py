"""What an archive of the zapnest command records is true: times outside what
the extended timestamp can hold are held at its ends instead of wrapping
into dates that look real, SOURCE_DATE_EPOCH never moves a file forward or
into another century, and a file that changes while it is read is refused
rather than entered as a mix of two states. Read back with Python's zipfile
and bsdtar.

    python3 records_test.py ZAPNEST [--wine WINE_RUN]
"""
import calendar
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zapnest_command  # noqa: E402

LATEST_UNIX_TIME = 2**31 - 1  # 2038-01-19 03:14:07, where signed and unsigned readers part


def utc(year, month, day, hour=0, minute=0, second=0):
    return calendar.timegm((year, month, day, hour, minute, second))


def extended_times(extra):
    """The times of an extended-timestamp field (0x5455) in `extra`, signed,
    as the field is documented."""
    at = 0
    while at + 4 <= len(extra):
        tag, size = struct.unpack_from("<HH", extra, at)
        if tag == 0x5455:
            count = (size - 1) // 4
            return list(struct.unpack_from("<%di" % count, extra, at + 5))
        at += 4 + size
    return None


class RecordsTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zapnest-records-")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def make(self, name, data=b"x\n", mtime=None):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(data)
        if mtime is not None:
            os.utime(path, (mtime, mtime))
        return path

    def zapnest(self, *arguments, env=None):
        return subprocess.run(zapnest_command.command_line(*arguments), capture_output=True, timeout=300,
                              encoding="utf-8", errors="backslashreplace",
                              env=None if env is None else dict(os.environ, **env))

    def times_in(self, archive):
        """Per entry name: (modification time of the local and of the
        central extended timestamp, DOS date and time)."""
        with open(archive, "rb") as f:
            raw = f.read()
        found = {}
        with zipfile.ZipFile(archive) as z:
            for info in z.infolist():
                name_length, extra_length = struct.unpack_from("<HH", raw, info.header_offset + 26)
                start = info.header_offset + 30 + name_length
                local = extended_times(raw[start:start + extra_length])
                found[info.filename] = (local[0], extended_times(info.extra)[0], info.date_time)
        return found

    def test_times_outside_1970_to_2038_are_held_at_the_nearer_end(self):
        # Dates this file system can hold; 1500 and 2500 are covered by the
        # unit tests, as few file systems keep them.
        cases = {
            "1902.txt": (utc(1902, 6, 1), 0, (1980, 1, 1, 0, 0, 0)),
            "1969.txt": (utc(1969, 12, 31, 23, 59, 59), 0, (1980, 1, 1, 0, 0, 0)),
            "2024.txt": (utc(2024, 3, 9, 10, 15, 36), utc(2024, 3, 9, 10, 15, 36), (2024, 3, 9, 10, 15, 36)),
            "2038.txt": (LATEST_UNIX_TIME, LATEST_UNIX_TIME, (2038, 1, 19, 3, 14, 6)),
            "2040.txt": (utc(2040, 1, 1), LATEST_UNIX_TIME, (2040, 1, 1, 0, 0, 0)),
            "2107.txt": (utc(2107, 12, 31), LATEST_UNIX_TIME, (2107, 12, 31, 0, 0, 0)),
            "2300.txt": (utc(2300, 1, 1), LATEST_UNIX_TIME, (2107, 12, 31, 23, 59, 58)),
        }
        paths = []
        for name, (mtime, _, _) in cases.items():
            path = self.make(name, mtime=mtime)
            if int(os.stat(path).st_mtime) != mtime:
                self.skipTest("this file system cannot hold the time of %s" % name)
            paths.append(path)
        out = os.path.join(self.dir, "out.zip")
        result = self.zapnest(out, *paths, env={"TZ": "UTC"})
        self.assertEqual(0, result.returncode, result.stderr)
        times = self.times_in(out)
        for name, (_, unix_time, dos) in cases.items():
            self.assertEqual((unix_time, unix_time, dos), times[name], name)
        # bsdtar reads the extended timestamp: every date is one of the file's
        # own or an end of the range, never a wrapped one.
        listing = subprocess.run(["bsdtar", "-tvf", out], capture_output=True, text=True,
                                 env=dict(os.environ, TZ="UTC"))
        self.assertEqual(0, listing.returncode, listing.stderr)
        years = {line.split()[-1]: line.split()[-2] for line in listing.stdout.splitlines()}
        self.assertEqual({"1902.txt": "1970", "1969.txt": "1970", "2024.txt": "2024", "2038.txt": "2038",
                          "2040.txt": "2038", "2107.txt": "2038", "2300.txt": "2038"}, years)

    def test_a_source_date_epoch_past_every_file_changes_nothing(self):
        mtime = utc(2024, 3, 9, 10, 15, 36)
        path = self.make("a.txt", mtime=mtime)
        expected = (mtime, mtime, (2024, 3, 9, 10, 15, 36))
        for epoch in ("2147483647", "2147483648", "4102444800", "999999999999999999"):
            out = os.path.join(self.dir, "out%s.zip" % epoch)
            result = self.zapnest(out, path, env={"TZ": "UTC", "SOURCE_DATE_EPOCH": epoch})
            self.assertEqual(0, result.returncode, result.stderr)
            self.assertEqual(expected, self.times_in(out)["a.txt"], epoch)
        # One before the file still holds it back, in both fields.
        out = os.path.join(self.dir, "earlier.zip")
        result = self.zapnest(out, path, env={"TZ": "UTC", "SOURCE_DATE_EPOCH": str(utc(2020, 1, 1))})
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual((utc(2020, 1, 1), utc(2020, 1, 1), (2020, 1, 1, 0, 0, 0)), self.times_in(out)["a.txt"])

    def test_source_date_epoch_gives_the_same_bytes_in_every_time_zone(self):
        epoch = 1700000000  # 2023-11-14 22:13:20 UTC
        files = {"summer.txt": utc(2021, 7, 1, 14, 0, 0),   # 23:00 in Tokyo, 07:00 in Los Angeles
                 "winter.txt": utc(2021, 1, 15, 23, 30, 10),  # the next day in Tokyo
                 "fresh.txt": 1900000000}                     # later than the epoch: held back to it
        paths = [self.make(name, name.encode() * 50) for name in files]
        for path, mtime in zip(paths, files.values()):
            # Read by every run: an access time later than the epoch is held
            # back to it each time, an earlier one would move to now.
            os.utime(path, (time.time(), mtime))
        zones = ("UTC", "Asia/Tokyo", "America/Los_Angeles")

        def archive(zone, epoch_text):
            out = os.path.join(self.dir, "%s-%s.zip" % (zone.replace("/", "-"), epoch_text or "none"))
            env = {"TZ": zone}
            if epoch_text:
                env["SOURCE_DATE_EPOCH"] = epoch_text
            result = self.zapnest(out, *paths, env=env)
            self.assertEqual(0, result.returncode, result.stderr)
            with open(out, "rb") as f:
                data = f.read()
            with zipfile.ZipFile(out) as z:
                return data, {info.filename: info.date_time for info in z.infolist()}

        # Leading zeros name the same second.
        made = [archive(zone, text) for zone in zones for text in (str(epoch), "000" + str(epoch))]
        for data, _ in made[1:]:
            self.assertEqual(made[0][0], data)
        expected = {name: time.gmtime(min(mtime, epoch))[:6] for name, mtime in files.items()}
        for name in expected:  # the DOS field halves the seconds
            expected[name] = expected[name][:5] + (expected[name][5] // 2 * 2,)
        self.assertEqual(expected, made[0][1])
        # Without it the DOS times are local, and the zone shows: the
        # sameness above is the setting's doing.
        local = {zone: archive(zone, None)[1] for zone in zones}
        self.assertEqual(expected["summer.txt"], local["UTC"]["summer.txt"])
        self.assertEqual((2021, 7, 1, 23, 0, 0), local["Asia/Tokyo"]["summer.txt"])
        self.assertEqual((2021, 7, 1, 7, 0, 0), local["America/Los_Angeles"]["summer.txt"])

    def start_and_change(self, change, *arguments):
        """Runs zapnest and, once it has read 8 MiB, calls change() while
        it reads on; returns the finished run."""
        process = subprocess.Popen(zapnest_command.command_line(*arguments), stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, encoding="utf-8", errors="backslashreplace")
        changed = False
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline and process.poll() is None:
            try:
                with open("/proc/%d/io" % process.pid) as io:
                    read = int(next(l for l in io if l.startswith("rchar:")).split()[1])
            except (OSError, StopIteration):
                read = 0
            if read > 8 << 20:
                change()
                changed = process.poll() is None
                break
            time.sleep(0.005)
        stdout, stderr = process.communicate(timeout=300)
        self.assertTrue(changed, "the file was not changed while it was read")
        return process.returncode, stdout, stderr

    def start_and_cut_short(self, big, *arguments):
        """Runs zapnest and, once it has read 8 MiB of `big`, cuts that file
        to 1 MiB; returns the finished run."""
        result = self.start_and_change(lambda: os.truncate(big, 1 << 20), *arguments)
        self.assertEqual(1 << 20, os.path.getsize(big), "the file was not cut while it was read")
        return result

    def make_sparse(self, name, size):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.truncate(size)
        return path

    def test_a_file_cut_short_while_it_is_read_is_refused(self):
        if zapnest_command.WINE_RUN is not None:
            self.skipTest("reads are watched through /proc, which shows the Wine loader's, not the program's")
        # Stored, so the copy runs at the speed of reading: 1.5 GiB of holes.
        big = self.make_sparse("big.gz", 3 << 29)
        out = os.path.join(self.dir, "out.zip")
        code, _, stderr = self.start_and_cut_short(big, out, big)
        self.assertEqual(2, code, stderr)
        self.assertIn("'%s' changed while it was being zipped" % big, stderr)
        self.assertFalse(os.path.exists(out))
        self.assertEqual([], [n for n in os.listdir(self.dir) if n.startswith(".zapnest-")])

        folder = os.path.join(self.dir, "folder")
        os.mkdir(folder)
        os.rename(big, os.path.join(folder, "big.gz"))
        big = os.path.join(folder, "big.gz")
        os.truncate(big, 3 << 29)
        with open(os.path.join(folder, "small.txt"), "wb") as f:
            f.write(b"stays\n")
        code, _, stderr = self.start_and_cut_short(big, "--folder", out, folder)
        self.assertEqual(3, code, stderr)
        self.assertIn("warning: '%s' changed while it was being zipped; skipped" % big, stderr)
        with zipfile.ZipFile(out) as z:
            self.assertEqual(["small.txt"], z.namelist())
            self.assertEqual(b"stays\n", z.read("small.txt"))

    def test_a_file_rewritten_in_place_with_its_time_put_back_is_refused(self):
        if zapnest_command.WINE_RUN is not None:
            self.skipTest("reads are watched through /proc, which shows the Wine loader's, not the program's")
        big = self.make_sparse("big.gz", 3 << 29)
        before = os.stat(big)

        # New bytes where the reading has been and where it is still to go;
        # the size stays, and the last write time is set back to what it was
        # to the nanosecond: only the change time, which utime sets to now,
        # tells.
        def rewrite_in_place():
            with open(big, "r+b") as f:
                for offset in (1 << 20, (3 << 29) - (1 << 20)):
                    f.seek(offset)
                    f.write(b"rewritten in place" * 100)
            os.utime(big, ns=(before.st_atime_ns, before.st_mtime_ns))

        out = os.path.join(self.dir, "out.zip")
        code, _, stderr = self.start_and_change(rewrite_in_place, out, big)
        after = os.stat(big)
        self.assertEqual((before.st_size, before.st_mtime_ns), (after.st_size, after.st_mtime_ns))
        self.assertNotEqual(before.st_ctime_ns, after.st_ctime_ns)
        self.assertEqual(2, code, stderr)
        self.assertIn("'%s' changed while it was being zipped" % big, stderr)
        self.assertFalse(os.path.exists(out))
        self.assertEqual([], [n for n in os.listdir(self.dir) if n.startswith(".zapnest-")])


if __name__ == "__main__":
    unittest.main(argv=zapnest_command.parse_arguments(sys.argv), verbosity=2)
