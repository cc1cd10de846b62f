"""What the zapnest command does around the archive writer: it never spoils
the file it was told to write, refuses inputs and names that would block or
mislead, holds the format's limits, and prints names a terminal cannot be
fooled by. Archives are read back with Python's zipfile.

    python3 cli_safety_test.py ZAPNEST [--wine WINE_RUN]

With --wine, ZAPNEST is a Windows program run through WINE_RUN, and paths are
handed to it in Windows form (drive Z: is the Unix root).
"""
import io
import os
import random
import re
import shutil
import signal
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

MiB = 1 << 20
GiB = 1 << 30
TEMPORARY = re.compile(r"^\.zapnest-(\d+)-(\d+)\.tmp$")


def random_bytes(size, seed):
    return random.Random(seed).randbytes(size)


def has_unnamed_files(folder):
    """Whether the file system of `folder` creates files without a name
    (Linux's O_TMPFILE), as zapnest writes its archives there."""
    try:
        os.close(os.open(folder, os.O_TMPFILE | os.O_WRONLY, 0o600))
        return True
    except (AttributeError, OSError):
        return False


def old_archive_bytes():
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as z:
        z.writestr(zipfile.ZipInfo("old.txt", (2021, 7, 1, 12, 34, 56)), b"the archive from last week\n")
    return buffer.getvalue()


class CommandTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zapnest-safety-")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def skip_under_wine(self, reason):
        if zapnest_command.WINE_RUN is not None:
            self.skipTest(reason)

    def zapnest(self, *arguments, timeout=120, cwd=None, env=None):
        try:
            return subprocess.run(zapnest_command.command_line(*arguments), capture_output=True, timeout=timeout,
                                  encoding="utf-8", errors="backslashreplace", cwd=cwd,
                                  env=None if env is None else dict(os.environ, **env))
        except subprocess.TimeoutExpired:
            self.fail("zapnest %s did not end within %d s" % (" ".join(arguments), timeout))

    def make(self, relative, data=b""):
        path = os.path.join(self.dir, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def contents(self, path):
        with open(path, "rb") as f:
            return f.read()

    def listing(self, folder):
        return sorted(os.listdir(folder))

    def assert_no_temporary(self, folder):
        self.assertEqual([], [n for n in os.listdir(folder) if n.startswith(".zapnest-")])

    def wait_for_the_archive_file(self, process, folder, timeout=60):
        """Waits until zapnest writes its archive in `folder`; returns the
        path under /proc of the descriptor it writes through, and the file's
        name there: "#<inode> (deleted)" for an unnamed file, or a temporary
        name. (None, None) when the process ended first."""
        folder = os.path.realpath(folder)
        descriptors = "/proc/%d/fd" % process.pid
        deadline = time.monotonic() + timeout
        while process.poll() is None and time.monotonic() < deadline:
            try:
                numbers = os.listdir(descriptors)
            except FileNotFoundError:
                break
            for number in numbers:
                try:
                    target = os.readlink(os.path.join(descriptors, number))
                except OSError:
                    continue
                name = os.path.basename(target)
                if os.path.dirname(target) == folder and (name.startswith("#") or TEMPORARY.match(name)):
                    return os.path.join(descriptors, number), name
            time.sleep(0.005)
        return None, None

    def assert_archive(self, path, expected):
        """expected: entry name -> bytes, in archive order."""
        with zipfile.ZipFile(path) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual(list(expected), z.namelist())
            for name, data in expected.items():
                self.assertEqual(data, z.read(name), name)


class OutputSafetyTest(CommandTest):
    def test_a_failed_run_leaves_the_folder_as_it_was(self):
        present = self.make("in/a.txt", b"present\n")
        missing = os.path.join(self.dir, "in", "missing.txt")
        for name, before in (("old.zip", old_archive_bytes()), ("report.txt", b"my report, not an archive\n"),
                             ("new.zip", None)):
            with self.subTest(out=name):
                out = os.path.join(self.dir, name)
                if before is not None:
                    self.make(name, before)
                listed = self.listing(self.dir)
                result = self.zapnest(out, present, missing)
                self.assertEqual(2, result.returncode, result.stderr)
                self.assertIn("missing.txt", result.stderr)
                self.assertEqual(listed, self.listing(self.dir))
                if before is None:
                    self.assertFalse(os.path.lexists(out))
                else:
                    self.assertEqual(before, self.contents(out))

    def test_an_output_that_is_not_a_regular_file_is_left_alone(self):
        present = self.make("in/a.txt", b"present\n")
        missing = os.path.join(self.dir, "in", "missing.txt")
        kinds = [("folder", stat.S_ISDIR, lambda p: os.mkdir(p))]
        if zapnest_command.WINE_RUN is None:
            kinds.append(("pipe", stat.S_ISFIFO, lambda p: os.mkfifo(p)))
            if os.geteuid() == 0:
                kinds.append(("null", stat.S_ISCHR, lambda p: os.mknod(p, stat.S_IFCHR | 0o600, os.makedev(1, 3))))
        for name, is_kind, create in kinds:
            out = os.path.join(self.dir, name + ".zip")
            try:
                create(out)
            except PermissionError:
                continue
            for inputs in ([present], [present, missing]):
                with self.subTest(out=name, inputs=len(inputs)):
                    result = self.zapnest(out, *inputs, timeout=20)
                    self.assertEqual(1, result.returncode, result.stderr)
                    self.assertIn("is not a regular file", result.stderr)
                    self.assertTrue(is_kind(os.lstat(out).st_mode))
                    self.assert_no_temporary(self.dir)

    def test_an_input_that_is_the_archive_itself_is_refused(self):
        out = self.make("self.zip", old_archive_bytes())
        other = self.make("in/other.txt", b"other\n")
        os.link(out, os.path.join(self.dir, "in", "hard.zip"))
        names = [out, os.path.join(self.dir, "in", "hard.zip")]
        if zapnest_command.WINE_RUN is None:
            os.symlink(out, os.path.join(self.dir, "in", "soft.zip"))
            names.append(os.path.join(self.dir, "in", "soft.zip"))
        for name in names:
            with self.subTest(input=os.path.relpath(name, self.dir)):
                result = self.zapnest(out, other, name, timeout=20)
                self.assertEqual(1, result.returncode, result.stderr)
                self.assertIn("is the archive being written", result.stderr)
                self.assertEqual(old_archive_bytes(), self.contents(out))
                self.assert_no_temporary(self.dir)
        result = self.zapnest(out, out, timeout=20)
        self.assertEqual(1, result.returncode, result.stderr)
        self.assertEqual(old_archive_bytes(), self.contents(out))

    def test_an_archive_named_through_a_link_replaces_the_target(self):
        self.skip_under_wine("symbolic links")
        target = self.make("kept/target.zip", old_archive_bytes())
        link = os.path.join(self.dir, "link.zip")
        os.symlink(target, link)
        result = self.zapnest(link, self.make("in/new.txt", b"new\n"))
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertTrue(os.path.islink(link))
        self.assertEqual(target, os.readlink(link))
        self.assert_archive(target, {"new.txt": b"new\n"})
        self.assert_no_temporary(self.dir)
        self.assert_no_temporary(os.path.dirname(target))

    def test_a_replaced_archive_keeps_its_mode(self):
        self.skip_under_wine("POSIX permission bits")
        out = self.make("old.zip", old_archive_bytes())
        os.chmod(out, 0o640)
        result = self.zapnest(out, self.make("in/new.txt", b"new\n"))
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual(0o640, stat.S_IMODE(os.stat(out).st_mode))
        self.assert_archive(out, {"new.txt": b"new\n"})

    def test_an_interrupted_run_leaves_the_old_archive(self):
        self.skip_under_wine("POSIX signals")
        big = [self.make("big/part%d.bin" % i, random_bytes(50 * MiB, i)) for i in range(4)]
        out = self.make("old.zip", old_archive_bytes())
        listed = self.listing(self.dir)
        for number, inputs in ((signal.SIGINT, ["--folder", out, os.path.dirname(big[0])]),
                               (signal.SIGTERM, [out] + big)):
            with self.subTest(signal=number.name):
                process = subprocess.Popen(zapnest_command.command_line(*inputs), stdout=subprocess.DEVNULL,
                                           stderr=subprocess.PIPE, text=True)
                _, name = self.wait_for_the_archive_file(process, self.dir)
                if name is None:
                    process.kill()
                    process.communicate()
                    self.fail("zapnest wrote no file beside the archive")
                if TEMPORARY.match(name):
                    self.assertEqual(str(process.pid), TEMPORARY.match(name).group(1))
                process.send_signal(number)
                try:
                    _, errors = process.communicate(timeout=60)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.communicate()
                    self.fail("zapnest did not end after %s" % number.name)
                self.assertNotEqual(0, process.returncode, errors)
                self.assertEqual(old_archive_bytes(), self.contents(out))
                self.assertEqual(listed, self.listing(self.dir))


class OutputLinkTest(CommandTest):
    """A link as the archive's name is followed, dangling or not, except
    where the kernel would not follow it: another user's link in a sticky
    folder that all may write to."""

    def test_a_dangling_link_is_followed_and_its_target_created(self):
        self.skip_under_wine("symbolic links")
        source = self.make("in/new.txt", b"new\n")
        os.mkdir(os.path.join(self.dir, "kept"))
        cases = [("relative.zip", [("relative.zip", "kept/relative-target.zip")], "kept/relative-target.zip"),
                 ("absolute.zip", [("absolute.zip", os.path.join(self.dir, "kept", "absolute-target.zip"))],
                  "kept/absolute-target.zip"),
                 # A chain: the second link's text is read from its own folder.
                 ("chain.zip", [("chain.zip", "kept/middle.zip"), ("kept/middle.zip", "../kept/end.zip")],
                  "kept/end.zip")]
        for name, links, target in cases:
            with self.subTest(link=name):
                for link, text in links:
                    os.symlink(text, os.path.join(self.dir, link))
                result = self.zapnest(os.path.join(self.dir, name), source)
                self.assertEqual(0, result.returncode, result.stderr)
                for link, text in links:
                    self.assertEqual(text, os.readlink(os.path.join(self.dir, link)))
                self.assert_archive(os.path.join(self.dir, target), {"new.txt": b"new\n"})
                self.assert_no_temporary(self.dir)
                self.assert_no_temporary(os.path.join(self.dir, "kept"))
        with self.subTest(link="loop"):
            os.symlink("loop-b.zip", os.path.join(self.dir, "loop-a.zip"))
            os.symlink("loop-a.zip", os.path.join(self.dir, "loop-b.zip"))
            listed = self.listing(self.dir)
            result = self.zapnest(os.path.join(self.dir, "loop-a.zip"), source)
            self.assertEqual(1, result.returncode, result.stderr)
            self.assertIn("cannot follow the link", result.stderr)
            self.assertEqual(listed, self.listing(self.dir))

    def test_a_strangers_link_in_a_shared_folder_is_not_followed(self):
        self.skip_under_wine("POSIX owners")
        if os.geteuid() != 0:
            self.skipTest("only root may make a link that belongs to another user")
        nobody = 65534
        source = self.make("in/new.txt", b"new\n")
        precious = self.make("victim/precious.txt", b"the victim's own file\n")
        shared = os.path.join(self.dir, "shared")
        os.mkdir(shared)
        os.chmod(shared, 0o1777)

        def link(name, text, owner):
            path = os.path.join(shared, name)
            os.symlink(text, path)
            os.lchown(path, owner, owner)
            return path

        refused = [link("report.zip", precious, nobody),
                   # Each link of a chain: the user's own leads to a stranger's.
                   link("mine-then-theirs.zip", "report.zip", os.geteuid())]
        for path in refused:
            with self.subTest(link=os.path.basename(path)):
                result = self.zapnest(path, source)
                self.assertEqual(1, result.returncode, result.stderr)
                self.assertIn("is a link in a shared folder (sticky, writable by all) owned by another user; "
                              "it is not followed; nothing was written", result.stderr)
                self.assertIn("report.zip", result.stderr)
                self.assertEqual(b"the victim's own file\n", self.contents(precious))
                self.assertTrue(os.path.islink(path))
                self.assert_no_temporary(shared)
                self.assert_no_temporary(os.path.dirname(precious))

        # The user's own link is followed, as the kernel would follow it.
        own = link("own.zip", os.path.join(self.dir, "victim", "own.zip"), os.geteuid())
        result = self.zapnest(own, source)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assert_archive(os.path.join(self.dir, "victim", "own.zip"), {"new.txt": b"new\n"})
        # So is a link of the folder's owner, and any link in a sticky
        # folder that not all may write to.
        os.chown(shared, nobody, nobody)
        result = self.zapnest(os.path.join(shared, "report.zip"), source)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assert_archive(precious, {"new.txt": b"new\n"})
        os.chown(shared, 0, 0)
        os.chmod(shared, 0o1770)
        self.make("victim/precious.txt", b"the victim's own file\n")
        result = self.zapnest(os.path.join(shared, "report.zip"), source)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assert_archive(precious, {"new.txt": b"new\n"})


class PrivateOutputTest(CommandTest):
    """The archive's file is the user's alone until it is complete, gets the
    target's permissions (or a new file's) only then, and a killed run
    leaves nothing where the system has unnamed files."""

    def start_a_long_run(self, out):
        # Zeros deflate quickly but not at once: long enough to look at the
        # file being written, short enough for a test.
        big = self.make("in/zeros.bin")
        os.truncate(big, GiB)
        return subprocess.Popen(zapnest_command.command_line(out, big), stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE)

    def end(self, process):
        if process.poll() is None:
            process.kill()
        process.communicate()

    def test_the_file_being_written_is_private_whatever_it_replaces(self):
        self.skip_under_wine("POSIX permission bits and /proc")
        for before in (None, 0o644, 0o600):
            with self.subTest(target=before and oct(before)):
                out = os.path.join(self.dir, "out.zip")
                if before is not None:
                    self.make("out.zip", old_archive_bytes())
                    os.chmod(out, before)
                process = self.start_a_long_run(out)
                try:
                    descriptor, name = self.wait_for_the_archive_file(process, self.dir)
                    self.assertIsNotNone(descriptor, "zapnest wrote no file beside the archive")
                    self.assertEqual(0o600, stat.S_IMODE(os.stat(descriptor).st_mode), name)
                finally:
                    self.end(process)
                if before is not None:
                    self.assertEqual(old_archive_bytes(), self.contents(out))
                    os.remove(out)

    def test_a_killed_run_leaves_nothing_and_a_leftover_is_never_packed(self):
        self.skip_under_wine("POSIX signals and /proc")
        out = self.make("out.zip", old_archive_bytes())
        os.mkdir(os.path.join(self.dir, "in"))
        listed = self.listing(self.dir)
        # SIGXFSZ is ignored (SignalsTest): only SIGKILL ends a run unasked.
        for number in (signal.SIGKILL,):
            with self.subTest(signal=number.name):
                process = self.start_a_long_run(out)
                try:
                    _, name = self.wait_for_the_archive_file(process, self.dir)
                    self.assertIsNotNone(name, "zapnest wrote no file beside the archive")
                    process.send_signal(number)
                    process.communicate(timeout=60)
                finally:
                    self.end(process)
                self.assertEqual(-number, process.returncode)
                self.assertEqual(old_archive_bytes(), self.contents(out))
                if has_unnamed_files(self.dir):
                    self.assertTrue(name.startswith("#"), "written under the name %s" % name)
                elif TEMPORARY.match(name):
                    # A file system without unnamed files: the named file
                    # stays, and is what the next case is about.
                    os.remove(os.path.join(self.dir, name))
                self.assertEqual(listed, self.listing(self.dir))
        # What a killed run leaves where the system has no unnamed files is
        # never taken for a file of the folder.
        self.make(".zapnest-%d-0.tmp" % process.pid, b"PK half an archive")
        self.make("kept.txt", b"kept\n")
        os.remove(out)
        result = self.zapnest("--folder", os.path.join(self.dir, "in", "out.zip"), self.dir)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assert_archive(os.path.join(self.dir, "in", "out.zip"), {"kept.txt": b"kept\n"})

    def test_the_finished_archive_gets_the_targets_permissions_or_a_new_files(self):
        self.skip_under_wine("POSIX permission bits")
        source = self.make("in/a.txt", b"a\n")
        out = os.path.join(self.dir, "out.zip")
        for umask, expected in ((0o022, 0o644), (0o077, 0o600), (0o002, 0o664)):
            with self.subTest(new=True, umask=oct(umask)):
                result = subprocess.run(zapnest_command.command_line(out, source), capture_output=True, umask=umask)
                self.assertEqual(0, result.returncode, result.stderr)
                self.assertEqual(expected, stat.S_IMODE(os.stat(out).st_mode))
                os.remove(out)
        for before in (0o600, 0o640, 0o604):
            with self.subTest(replaced=oct(before)):
                self.make("out.zip", old_archive_bytes())
                os.chmod(out, before)
                result = subprocess.run(zapnest_command.command_line(out, source), capture_output=True, umask=0o022)
                self.assertEqual(0, result.returncode, result.stderr)
                self.assertEqual(before, stat.S_IMODE(os.stat(out).st_mode))
                self.assert_archive(out, {"a.txt": b"a\n"})
                os.remove(out)

    def test_a_replaced_archive_keeps_its_owner_and_group_when_the_user_may_give_them(self):
        self.skip_under_wine("POSIX owners")
        if os.geteuid() != 0:
            self.skipTest("only root may give a file to another user")
        source = self.make("in/a.txt", b"a\n")
        out = self.make("out.zip", old_archive_bytes())
        os.chown(out, 65534, 65534)
        os.chmod(out, 0o640)
        result = self.zapnest(out, source)
        self.assertEqual(0, result.returncode, result.stderr)
        status = os.stat(out)
        self.assertEqual((65534, 65534, 0o640), (status.st_uid, status.st_gid, stat.S_IMODE(status.st_mode)))
        self.assert_archive(out, {"a.txt": b"a\n"})
        # A new archive is the user's own.
        os.remove(out)
        result = self.zapnest(out, source)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual((os.geteuid(), os.getegid()), (os.stat(out).st_uid, os.stat(out).st_gid))


class SignalsTest(CommandTest):
    """Signals that end a run remove its file; a signal the run inherited as
    ignored (nohup) leaves it running; a file size limit fails the run like
    any failed write. Each case on the path of unnamed files and on the path
    of a temporary name, which a preloaded library forces by answering
    O_TMPFILE as a file system without it does."""

    def setUp(self):
        super().setUp()
        self.skip_under_wine("POSIX signals and resource limits")

    def paths(self):
        """(name, extra environment) for each way the archive's file is made
        that can be tried here."""
        paths = [("unnamed", {})] if has_unnamed_files(self.dir) else []
        library = os.environ.get("ZAPNEST_NO_UNNAMED_FILES")
        if library:
            # A sanitizer's runtime checks that it was loaded first.
            options = ":".join(o for o in (os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0") if o)
            paths.append(("named", {"LD_PRELOAD": library, "ASAN_OPTIONS": options}))
        elif not paths:
            self.skipTest("neither unnamed files nor a way to do without them")
        return paths

    def stop_while_writing(self, command, env):
        """Starts `command`, waits until it has written into its archive's
        file in self.dir (by then it watches for interruptions, which it
        begins to do just after the file is made) and stops it there
        (SIGSTOP); returns the process and the file's name."""
        process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                                   env=dict(os.environ, **env))
        descriptor, name = self.wait_for_the_archive_file(process, self.dir)
        deadline = time.monotonic() + 60
        while name is not None and process.poll() is None and time.monotonic() < deadline:
            try:
                if os.stat(descriptor).st_size > 0:
                    process.send_signal(signal.SIGSTOP)
                    break
            except OSError:
                break
        if name is None or process.poll() is not None:
            process.kill()
            process.communicate()
            self.fail("zapnest ended before it could be stopped while it wrote its archive")
        return process, name

    def test_a_hangup_ignored_by_nohup_does_not_end_the_run(self):
        data = random_bytes(8 * MiB, 3)
        source = self.make("in/data.bin", data * 4)
        out = os.path.join(self.dir, "out.zip")
        for path, env in self.paths():
            for nohup in (True, False):
                with self.subTest(path=path, nohup=nohup):
                    listed = self.listing(self.dir)
                    command = (["nohup"] if nohup else []) + zapnest_command.command_line(out, source)
                    process, name = self.stop_while_writing(command, env)
                    self.assertEqual(path == "named", bool(TEMPORARY.match(name)), name)
                    # Sent while it is stopped in the middle of its work, the
                    # signal arrives when it goes on.
                    process.send_signal(signal.SIGHUP)
                    process.send_signal(signal.SIGCONT)
                    _, errors = process.communicate(timeout=300)
                    if nohup:
                        self.assertEqual(0, process.returncode, errors)
                        with zipfile.ZipFile(out) as z:
                            self.assertIsNone(z.testzip())
                            self.assertEqual(["data.bin"], z.namelist())
                        self.assertEqual(sorted(listed + ["out.zip"]), self.listing(self.dir))
                        os.remove(out)
                    else:
                        self.assertEqual(-signal.SIGHUP, process.returncode, errors)
                        self.assertEqual(listed, self.listing(self.dir))

    def test_a_file_size_limit_fails_the_run_and_leaves_nothing(self):
        import resource
        limit = MiB

        def limited():
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

        source = self.make("in/data.gz", random_bytes(4 * limit, 4))  # stored: the archive passes the limit
        for path, env in self.paths():
            for before in (None, old_archive_bytes()):
                with self.subTest(path=path, replaced=before is not None):
                    out = os.path.join(self.dir, "out.zip")
                    if before is not None:
                        self.make("out.zip", before)
                    listed = self.listing(self.dir)
                    # subprocess gives the program SIGXFSZ's default action,
                    # which ends a program at the limit.
                    result = subprocess.run(zapnest_command.command_line(out, source), capture_output=True,
                                            text=True, timeout=120, env=dict(os.environ, **env),
                                            preexec_fn=limited)
                    self.assertEqual(2, result.returncode, result.stderr)
                    self.assertIn("zapnest: cannot write '%s': file too large" % out, result.stderr)
                    self.assertEqual(listed, self.listing(self.dir))
                    if before is not None:
                        self.assertEqual(before, self.contents(out))
                        os.remove(out)


class InputsTest(CommandTest):
    def test_special_files_are_refused_without_blocking(self):
        present = self.make("in/a.txt", b"present\n")
        specials = [os.path.join(self.dir, "in", "subfolder")]
        os.mkdir(specials[0])
        if zapnest_command.WINE_RUN is None:
            specials.append(os.path.join(self.dir, "in", "pipe"))
            os.mkfifo(specials[-1])
            specials += ["/dev/zero", "/dev/urandom"]
        out = os.path.join(self.dir, "out.zip")
        for special in specials:
            with self.subTest(input=special):
                result = self.zapnest(out, present, special, timeout=20)
                self.assertEqual(2, result.returncode, result.stderr)
                self.assertIn("is not a regular file", result.stderr)
                self.assertIn(os.path.basename(special), result.stderr)
                self.assertFalse(os.path.lexists(out))
                self.assert_no_temporary(self.dir)

    def test_names_that_leave_the_extraction_folder_are_refused(self):
        self.skip_under_wine("Windows file names cannot hold a backslash")
        cases = [("..\\..\\evil.txt", "evil.txt", "would be extracted outside the folder"),
                 ("\\tmp\\x.txt", "x.txt", "would be extracted outside the folder"),
                 ("C:\\x.txt", "x.txt", "would be extracted outside the folder"),
                 ("dir\\", "dir\\", "would be taken for a folder")]
        for index, (name, shown, message) in enumerate(cases):
            with self.subTest(name=name, mode="files"):
                bad = self.make("files%d/%s" % (index, name), b"bad\n")
                out = os.path.join(self.dir, "files%d.zip" % index)
                result = self.zapnest(out, self.make("files%d/normal.txt" % index, b"normal\n"), bad)
                self.assertEqual(1, result.returncode, result.stderr)
                self.assertIn(message, result.stderr)
                self.assertFalse(os.path.lexists(out))
            with self.subTest(name=name, mode="folder"):
                self.make("folder%d/%s" % (index, name), b"bad\n")
                self.make("folder%d/normal.txt" % index, b"normal\n")
                out = os.path.join(self.dir, "folder%d.zip" % index)
                result = self.zapnest("--folder", out, os.path.join(self.dir, "folder%d" % index))
                self.assertEqual(3, result.returncode, result.stderr)
                warning = [line for line in result.stderr.splitlines() if shown in line]
                self.assertEqual(1, len(warning), result.stderr)
                self.assertIn(message, warning[0])
                self.assertTrue(warning[0].endswith("; skipped"), warning[0])
                self.assert_archive(out, {"normal.txt": b"normal\n"})

    def test_names_that_differ_only_in_case_are_refused_and_in_a_folder_the_later_is_skipped(self):
        pairs = [("a.txt", "A.TXT")]
        if zapnest_command.WINE_RUN is None:
            pairs.append(("\u00c4rger.txt", "\u00e4rger.txt"))
        for index, (first, second) in enumerate(pairs):
            with self.subTest(names=(first, second), mode="files"):
                paths = [self.make("files%d/one/%s" % (index, first), b"1"),
                         self.make("files%d/two/%s" % (index, second), b"2")]
                listed = self.listing(self.dir)
                result = self.zapnest(os.path.join(self.dir, "files%d.zip" % index), *paths)
                self.assertEqual(1, result.returncode, result.stderr)
                self.assertIn("differ only in case", result.stderr)
                self.assertEqual(listed, self.listing(self.dir))
            if zapnest_command.WINE_RUN is not None:
                continue  # one Windows folder cannot hold both names
            with self.subTest(names=(first, second), mode="folder"):
                self.make("folder%d/%s" % (index, first), b"1")
                self.make("folder%d/%s" % (index, second), b"2")
                out = os.path.join(self.dir, "folder%d.zip" % index)
                result = self.zapnest("--folder", out, os.path.join(self.dir, "folder%d" % index))
                # The folder's plan takes the first in byte order and skips
                # the other, as the plug-in's folder command does.
                self.assertEqual(3, result.returncode, result.stderr)
                warning = [line for line in result.stderr.splitlines() if "differ only in case" in line]
                self.assertEqual(1, len(warning), result.stderr)
                self.assertTrue(warning[0].endswith("; skipped"), warning[0])
                kept = min(first.encode(), second.encode()).decode()
                self.assert_archive(out, {kept: b"1" if kept == first else b"2"})
        with self.subTest(names="equal"):
            paths = [self.make("one/same.txt", b"1"), self.make("two/same.txt", b"2")]
            result = self.zapnest(os.path.join(self.dir, "equal.zip"), *paths)
            self.assertEqual(1, result.returncode, result.stderr)
            self.assertIn("would both be entered as", result.stderr)
            self.assertFalse(os.path.lexists(os.path.join(self.dir, "equal.zip")))

    def test_messages_give_the_real_reason(self):
        plain = self.make("plain.txt", b"plain\n")
        out = os.path.join(self.dir, "out.zip")
        with self.subTest(case="--folder on a file"):
            result = self.zapnest("--folder", out, plain)
            self.assertEqual(2, result.returncode, result.stderr)
            self.assertNotIn("unknown reason", result.stderr)
            if zapnest_command.WINE_RUN is None:
                self.assertIn("not a directory", result.stderr)
            self.assertFalse(os.path.lexists(out))
        with self.subTest(case="archive under a file"):
            result = self.zapnest(os.path.join(plain, "out.zip"), plain)
            self.assertEqual(2, result.returncode, result.stderr)
            self.assertNotIn("unknown reason", result.stderr)
            self.assertEqual(b"plain\n", self.contents(plain))
        for arguments in (("", plain), (out, ""), (out, plain, ""), ("--folder", out, "")):
            with self.subTest(case="empty name", arguments=arguments):
                result = self.zapnest(*arguments)
                self.assertEqual(1, result.returncode, result.stderr)
                self.assertEqual(["plain.txt"], self.listing(self.dir))

    def test_names_with_control_characters_are_refused_and_shown_escaped(self):
        self.skip_under_wine("Windows file names cannot hold control characters")
        for name, shown, raw in (("a\nb.txt", "a\\nb", "a\nb"), ("x\x01y.txt", "x\\x01y", "\x01")):
            with self.subTest(name=name):
                out = os.path.join(self.dir, "out.zip")
                path = self.make("in/" + name, b"odd\n")
                result = self.zapnest(out, path)
                self.assertEqual(1, result.returncode, result.stderr)
                self.assertIn(shown, result.stderr)
                self.assertIn("control character", result.stderr)
                self.assertNotIn(raw, result.stdout + result.stderr)
                self.assertFalse(os.path.lexists(out))
                self.make("in/plain.txt", b"plain\n")
                result = self.zapnest("--folder", out, os.path.join(self.dir, "in"))
                self.assertEqual(3, result.returncode, result.stderr)
                self.assertIn(shown, result.stderr)
                self.assertNotIn(raw, result.stdout + result.stderr)
                self.assert_archive(out, {"plain.txt": b"plain\n"})
                os.remove(path)
                os.remove(out)


    def test_c1_controls_and_bytes_that_are_not_utf8_are_shown_escaped(self):
        self.skip_under_wine("the bytes of a POSIX file name")
        folder = os.path.join(self.dir, "in")
        os.mkdir(folder)
        out = os.path.join(self.dir, "out.zip")
        # U+009B is CSI to a terminal that reads UTF-8; the name is a valid
        # entry name, so it shows on the line of the file added.
        c1 = os.path.join(folder, "a\u009b2Jb.txt")
        with open(c1, "wb") as f:
            f.write(b"c1\n")
        result = subprocess.run(zapnest_command.command_line(out, c1), capture_output=True, timeout=60)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn(b"  a\\u009b2Jb.txt: 3 bytes", result.stdout)
        self.assertNotIn(b"\xc2\x9b", result.stdout + result.stderr)
        self.assert_archive(out, {"a\u009b2Jb.txt": b"c1\n"})
        os.remove(out)
        # A lone 0x9B is CSI to an 8-bit terminal; the name is refused, and
        # the message shows the byte as an escape.
        raw = os.path.join(os.fsencode(folder), b"x\x9by.txt")
        with open(raw, "wb") as f:
            f.write(b"raw\n")
        result = subprocess.run(zapnest_command.command_line(out) + [raw], capture_output=True, timeout=60)
        self.assertEqual(1, result.returncode, result.stderr)
        self.assertIn(b"x\\x9by.txt", result.stderr)
        self.assertNotIn(b"\x9b", result.stdout + result.stderr)
        self.assertFalse(os.path.lexists(out))


class FolderContentsTest(CommandTest):
    def test_links_out_of_the_folder_are_skipped_and_links_inside_it_are_followed(self):
        self.skip_under_wine("symbolic links")
        secret = self.make("private/id_rsa", b"secret key\n")
        shadow = self.make("etc/shadow", b"root:secret hash\n")
        self.make("share/plain.txt", b"plain\n")
        self.make("share/sub/deep.txt", b"deep\n")
        self.make("sharebc/x.txt", b"beside the folder\n")
        share = os.path.join(self.dir, "share")
        os.symlink("../private/id_rsa", os.path.join(share, "notes.txt"))
        os.symlink(shadow, os.path.join(share, "shadow.txt"))
        os.symlink("../sharebc/x.txt", os.path.join(share, "sibling.txt"))
        os.symlink("plain.txt", os.path.join(share, "alias.txt"))
        os.symlink(os.path.join(share, "sub", "deep.txt"), os.path.join(share, "deep.txt"))
        out = os.path.join(self.dir, "out.zip")
        result = self.zapnest("--folder", out, share)
        self.assertEqual(3, result.returncode, result.stderr)
        for name in ("notes.txt", "shadow.txt", "sibling.txt"):
            self.assertIn("zapnest: warning: '%s' is a link to a file outside the folder; skipped"
                          % os.path.join(share, name), result.stderr.splitlines())
        self.assertIn(", 3 skipped", result.stdout)
        self.assert_archive(out, {"alias.txt": b"plain\n", "deep.txt": b"deep\n", "plain.txt": b"plain\n"})
        archive = self.contents(out)
        for outside in (b"secret", b"beside"):
            self.assertNotIn(outside, archive)

        # Named on the command line, a link is the user's own choice.
        result = self.zapnest(out, os.path.join(share, "notes.txt"))
        self.assertEqual(0, result.returncode, result.stderr)
        self.assert_archive(out, {"notes.txt": b"secret key\n"})
        self.assertEqual(b"secret key\n", self.contents(secret))

    def test_a_temporary_file_left_by_an_interrupted_run_is_never_packed(self):
        self.make("in/a.txt", b"a\n")
        self.make("in/.zapnest-123-0.tmp", b"PK half an archive")
        self.make("in/.zapnest-notes.txt", b"named alike, but a file of the folder\n")
        out = os.path.join(self.dir, "in", "out.zip")
        result = self.zapnest("--folder", out, os.path.join(self.dir, "in"))
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn(".zapnest-123-0.tmp", result.stderr)
        self.assert_archive(out, {".zapnest-notes.txt": b"named alike, but a file of the folder\n", "a.txt": b"a\n"})
        result = self.zapnest("-q", "--folder", out, os.path.join(self.dir, "in"))
        self.assertEqual((0, ""), (result.returncode, result.stderr))


class LimitsTest(CommandTest):
    def test_a_file_too_large_for_the_archive_is_skipped_in_a_folder(self):
        small = random_bytes(MiB, 1)
        text = b"some text beside the large files\n" * 100
        self.make("in/a.gz", small)
        os.truncate(self.make("in/b.gz"), 4 * GiB - MiB)
        self.make("in/c.txt", text)
        out = os.path.join(self.dir, "out.zip")
        result = self.zapnest("--folder", out, os.path.join(self.dir, "in"), timeout=300)
        self.assertEqual(3, result.returncode, result.stderr)
        self.assertIn("b.gz", result.stderr)
        self.assertIn("2 GiB", result.stderr)
        self.assert_archive(out, {"a.gz": small, "c.txt": text})

    def test_a_file_of_4_gib_is_refused(self):
        text = self.make("in/c.txt", b"beside the huge file\n")
        huge = self.make("in/huge.txt")
        os.truncate(huge, 4 * GiB)
        out = self.make("old.zip", old_archive_bytes())
        listed = self.listing(self.dir)
        result = self.zapnest(out, text, huge, timeout=300)
        self.assertEqual(2, result.returncode, result.stderr)
        self.assertIn("4 GiB", result.stderr)
        self.assertEqual(old_archive_bytes(), self.contents(out))
        self.assertEqual(listed, self.listing(self.dir))

    def test_more_entries_than_the_end_record_counts(self):
        self.skip_under_wine("65,536 files are slow to add under Wine")
        folder = os.path.join(self.dir, "many")
        os.mkdir(folder)
        for i in range(65536):
            open(os.path.join(folder, "f%05d.gz" % i), "wb").close()
        out = os.path.join(self.dir, "many.zip")
        result = self.zapnest("-q", "--folder", out, folder, timeout=600)
        self.assertEqual(0, result.returncode, result.stderr)
        warning = [line for line in result.stderr.splitlines() if "65535" in line and "count" in line]
        self.assertEqual(1, len(warning), result.stderr)
        with zipfile.ZipFile(out) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual(["f%05d.gz" % i for i in range(65536)], z.namelist())


class CommandLineTest(CommandTest):
    def test_version_is_the_projects_and_double_dash_ends_the_options(self):
        top = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "CMakeLists.txt")
        with open(top) as f:
            version = re.search(r"project\(Zapnest VERSION ([0-9.]+)", f.read()).group(1)
        result = self.zapnest("--version")
        self.assertEqual((0, "zapnest %s\n" % version), (result.returncode, result.stdout))

        # After "--" a name that looks like an option is a file's.
        self.make("-q", b"a file named like an option\n")
        out = os.path.join(self.dir, "out.zip")
        result = self.zapnest("--", out, "-q", cwd=self.dir)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assert_archive(out, {"-q": b"a file named like an option\n"})
        result = self.zapnest(os.path.join(self.dir, "out2.zip"), "-x", cwd=self.dir)
        self.assertEqual(1, result.returncode)
        self.assertIn("unknown option '-x'", result.stderr)

    def test_the_user_guide_shows_the_help_text_as_it_is(self):
        guide = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "user-guide.md")
        with open(guide) as f:
            text = f.read()
        result = self.zapnest("--help")
        self.assertEqual(0, result.returncode)
        shown = result.stdout.replace("\r\n", "\n")
        self.assertIn("```\n" + shown + "```\n", text)
        self.assertEqual([], [line for line in shown.splitlines() if len(line) > 79])

    def test_source_date_epoch_makes_files_built_anew_give_the_same_archive(self):
        def modification_times(path):
            # The central directory's extended timestamp: its modification time.
            with zipfile.ZipFile(path) as z:
                return [struct.unpack_from("<i", info.extra, 5)[0] for info in z.infolist()]

        epoch = {"SOURCE_DATE_EPOCH": "1700000000"}
        archives = []
        for build in range(2):
            fresh = self.make("fresh.bin", b"built anew\n" * 100)
            os.utime(fresh, (1900000000 + build, 1900000000 + build))  # later than the epoch
            old = self.make("old.txt", b"an old file\n")
            os.utime(old, (1000000000, 1000000000))
            out = os.path.join(self.dir, "out%d.zip" % build)
            result = self.zapnest(out, fresh, old, env=epoch)
            self.assertEqual(0, result.returncode, result.stderr)
            self.assertEqual([1700000000, 1000000000], modification_times(out))
            archives.append(self.contents(out))
            os.remove(fresh)
            os.remove(old)
            time.sleep(1.1)  # the second build's files are created a second later
        self.assertEqual(archives[0], archives[1])

        self.make("a.txt", b"a")
        for value in ("12abc", "-5", " 7", "0x10"):
            out = os.path.join(self.dir, "bad.zip")
            result = self.zapnest(out, os.path.join(self.dir, "a.txt"), env={"SOURCE_DATE_EPOCH": value})
            self.assertEqual(1, result.returncode, value)
            self.assertIn("SOURCE_DATE_EPOCH", result.stderr)
            self.assertFalse(os.path.exists(out))

    def test_long_files_show_progress_on_a_terminal_only(self):
        self.skip_under_wine("a pseudo-terminal is a POSIX device")
        import pty
        big = self.make("big.gz", random_bytes(17 * MiB, 5))  # stored: quick even with sanitizers
        out = os.path.join(self.dir, "out.zip")
        master, slave = pty.openpty()
        try:
            process = subprocess.Popen(zapnest_command.command_line(out, big), stdout=subprocess.PIPE,
                                       stderr=slave)
            os.close(slave)
            shown = b""
            while True:
                try:
                    chunk = os.read(master, 65536)
                except OSError:  # the terminal is gone: the program has ended
                    break
                if not chunk:
                    break
                shown += chunk
            stdout = process.communicate(timeout=120)[0]
        finally:
            os.close(master)
        self.assertEqual(0, process.returncode)
        lines = shown.decode().split("\r")
        self.assertIn("  big.gz: 50 %", lines)
        self.assertIn("  big.gz: 100 %", lines)
        self.assertEqual(("", ""), (lines[-2].strip(), lines[-1]), "the line is wiped at the end")
        self.assertIn(b"big.gz: 17825792 bytes, stored", stdout)

        # Into a pipe nothing but the report.
        result = self.zapnest(out, big)
        self.assertEqual((0, ""), (result.returncode, result.stderr))


if __name__ == "__main__":
    unittest.main(argv=zapnest_command.parse_arguments(sys.argv), verbosity=2)
