"""The zapnest command on one thread and on several: the same archive, byte
for byte, whose deflate data is also what Info-ZIP's zip -8 writes.

    python3 threads_test.py ZAPNEST [--wine WINE_RUN]
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zapnest_command  # noqa: E402

# Long enough to be cut into several parts for the threads.
SEGMENT = 512 * 1024


def word_text(size, seed):
    words = ["mail", "zip", "folder", "attach", "message", "window", "deflate", "entry", "header", "the", "of",
             "thread", "segment", "block", "match"]
    rng = random.Random(seed)
    out, length = [], 0
    while length < size:
        word = rng.choice(words) + rng.choice([" ", " ", " ", ", ", ".\n"])
        out.append(word)
        length += len(word)
    return "".join(out).encode()[:size]


def entry_data(path):
    """Each entry's name and the bytes of its data as they lie in the
    archive, read from the local headers the central directory points to."""
    data = {}
    with zipfile.ZipFile(path) as archive, open(path, "rb") as raw:
        for info in archive.infolist():
            raw.seek(info.header_offset)
            header = raw.read(30)
            name_length, extra_length = struct.unpack("<HH", header[26:30])
            raw.seek(info.header_offset + 30 + name_length + extra_length)
            data[info.filename] = (info.compress_type, raw.read(info.compress_size))
    return data


class Threads(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zapnest-threads-")
        self.files = os.path.join(self.dir, "files")
        os.mkdir(self.files)
        rng = random.Random(5)
        contents = {
            "prose.txt": word_text(3 * SEGMENT + 12345, 1),
            # Periodic data: the parts' parses never meet and are taken on.
            "log.txt": b"2026-12-09 12:00:00 INFO the same line again\n" * 30000,
            "noise.bin": bytes(rng.getrandbits(8) for _ in range(SEGMENT + 70000)),
            "mixed.dat": word_text(SEGMENT - 100, 2) + b"\0" * 100000 + word_text(SEGMENT, 3),
            "small.txt": word_text(5000, 4),
            "edge.txt": word_text(SEGMENT + 1, 6),
        }
        for name, content in contents.items():
            with open(os.path.join(self.files, name), "wb") as f:
                f.write(content)
        self.contents = contents

    def tearDown(self):
        shutil.rmtree(self.dir)

    def zapnest(self, threads):
        path = os.path.join(self.dir, "threads-%s.zip" % threads)
        command = zapnest_command.command_line("-q", "--threads=%d" % threads, "--folder", path, self.files)
        environment = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
        result = subprocess.run(command, capture_output=True, text=True, env=environment)
        self.assertEqual(0, result.returncode, result.stderr)
        with open(path, "rb") as f:
            return path, f.read()

    def test_every_thread_count_writes_the_archive_of_one_thread(self):
        one_path, one = self.zapnest(1)
        with zipfile.ZipFile(one_path) as archive:
            self.assertIsNone(archive.testzip())
            for name, content in self.contents.items():
                self.assertEqual(content, archive.read(name), name)
        for threads in (2, 3, 8, 0):
            _, many = self.zapnest(threads)
            self.assertTrue(one == many, "--threads %d wrote other bytes than --threads 1" % threads)

    def test_the_deflate_data_is_what_zip_8_writes(self):
        path, _ = self.zapnest(3)
        reference = os.path.join(self.dir, "infozip.zip")
        subprocess.run(["zip", "-q", "-8", reference] + sorted(self.contents), cwd=self.files, check=True)
        ours, theirs = entry_data(path), entry_data(reference)
        self.assertEqual(sorted(self.contents), sorted(ours))
        for name in self.contents:
            self.assertEqual(zipfile.ZIP_DEFLATED, ours[name][0], name)
            self.assertTrue(ours[name] == theirs[name], "%s: other deflate data than zip -8's" % name)


if __name__ == "__main__":
    unittest.main(argv=zapnest_command.parse_arguments(sys.argv))
