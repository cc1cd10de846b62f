"""A command keeps to the message it started for, whatever else the mail
client does while it runs: another message opens or closes, the message sits
in a frame and closes, the plug-in is unloaded, the session ends. And a zip
that was to replace a file of its name leaves that file as it was whenever it
does not complete. Zapnest.dll in the development host under Wine and Xvfb,
with files large enough (sparse ones, of holes) that the zip takes seconds.

    python3 held_message_test.py WINE_RUN ZAPNEST_HOST ZAPNEST_DLL
"""
import io
import os
import sys
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import commands_test  # noqa: E402
from commands_test import CANCELLED, CAPTION, FILES_ENTRY, OPEN_TITLE, SAVE_TITLE, unix, win, wine_drive_c  # noqa: E402
from progress_test import LARGE, PROGRESS_TITLE, sparse, zip_files  # noqa: E402

# The steps that wait for a zip of LARGE bytes to be done, with room for a
# slow machine; the steps after them wait as long as the others.
UNTIL_DONE = "timeout 180"
AS_USUAL = "timeout 20"
# Message 1 still closes at once: its thread answers within a second, and the
# window goes within three, room for the two seconds that Wine waits for a
# window manager where a prefix hands its windows to one (scripts/wine-init
# keeps them to Wine).
CLOSES_AT_ONCE = ["responsive 1", "timeout 3", "close-window", AS_USUAL]


def earlier_report():
    """The bytes of a small zip that was there before."""
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w") as z:
        z.writestr(zipfile.ZipInfo("report.txt", (2020, 1, 2, 3, 4, 6)), b"the report of last week\n")
    return data.getvalue()


REPORT = earlier_report()


class HeldMessageTestCase(commands_test.SessionTestCase):
    def play(self, s, steps, **options):
        """Plays the steps; returns the result, what message 1 got and the host's other lines about attachments
        (to another message, or to a closed window)."""
        result, attached = s.run(steps, **options)
        elsewhere = [line for line in result.stdout.splitlines() if line.startswith("attached to ")]
        return result, attached, elsewhere

    def assertHolds(self, folder, names):
        """The folder holds exactly these files: no zip and no temporary file beside them."""
        self.assertEqual(sorted(names), sorted(os.listdir(folder)))

    def assertLargeZip(self, zip_path):
        with zipfile.ZipFile(unix(zip_path)) as z:
            self.assertEqual(["big.bin"], z.namelist())
            self.assertEqual(LARGE, z.getinfo("big.bin").file_size)


class OtherMessagesTest(HeldMessageTestCase):
    def test_a_message_opened_while_the_zip_name_is_asked_gets_nothing_and_the_first_still_closes(self):
        s = self.session(InitialFolder="<data>")
        s.file("a.txt", b"alpha\n" * 100)
        zip_path = win(s.temp) + "\\a.txt.zip"
        result, attached, elsewhere = self.play(s, [
            'choose "%s"' % FILES_ENTRY,
            'open-file "%s" "a.txt"' % OPEN_TITLE,
            'file-name "%s" "a.txt.zip"' % SAVE_TITLE,
            "open-message",
            'save-file "%s" "%s"' % (SAVE_TITLE, zip_path),
            'attached "%s"' % zip_path,
            "no-more-attachments",
            *CLOSES_AT_ONCE])
        self.passes(result)
        self.assertEqual([zip_path], attached)
        self.assertEqual([], elsewhere)
        self.assertZip(zip_path, {"a.txt": b"alpha\n" * 100})

    def test_a_message_opened_while_the_zip_is_written_gets_nothing_and_the_first_still_closes(self):
        s = self.session(InitialFolder="<data>")
        sparse(s, "big.bin", LARGE)
        zip_path = win(s.temp) + "\\big.zip"
        result, attached, elsewhere = self.play(s, zip_files(zip_path, "big.bin") + [
            'dialog-shows "%s" "File 1 of 1"' % PROGRESS_TITLE,
            "open-message",
            UNTIL_DONE, 'attached "%s"' % zip_path, AS_USUAL,
            "no-more-attachments",
            *CLOSES_AT_ONCE])
        self.passes(result)
        self.assertEqual([zip_path], attached)
        self.assertEqual([], elsewhere)
        self.assertLargeZip(zip_path)

    def test_a_message_closed_before_the_zip_is_done_gets_nothing_and_the_first_gets_the_zip(self):
        s = self.session(InitialFolder="<data>")
        sparse(s, "big.bin", LARGE)
        zip_path = win(s.temp) + "\\big.zip"
        result, attached, elsewhere = self.play(s, zip_files(zip_path, "big.bin") + [
            'dialog-shows "%s" "File 1 of 1"' % PROGRESS_TITLE,
            "open-message",
            "close-message 2",
            UNTIL_DONE, 'attached "%s"' % zip_path, AS_USUAL,
            "no-more-attachments"])
        self.passes(result)
        self.assertEqual([zip_path], attached)
        self.assertEqual([], elsewhere)
        self.assertLargeZip(zip_path)
        self.assertHolds(s.temp, ["big.zip"])


class StoppedCommandTest(HeldMessageTestCase):
    """The message goes, the plug-in is unloaded, the session ends: the zip
    stops, nothing is attached and no file is left."""

    def start(self, s):
        sparse(s, "big.bin", LARGE)
        zip_path = win(s.temp) + "\\big.zip"
        return zip_path, zip_files(zip_path, "big.bin") + ['dialog-shows "%s" "File 1 of 1"' % PROGRESS_TITLE]

    def test_closing_a_message_in_a_frame_takes_its_progress_window_away_and_leaves_nothing(self):
        # Windows made the frame the owner of the progress window: it would
        # outlive the message.
        s = self.session(InitialFolder="<data>")
        zip_path, steps = self.start(s)
        result, attached, elsewhere = self.play(s, steps + [
            "close-window",
            "timeout 2", 'dialog-gone "%s"' % PROGRESS_TITLE, AS_USUAL,
            'no-dialog "%s" 2' % CAPTION,
            "no-more-attachments"], host_options=["--frame"])
        self.passes(result)
        self.assertEqual([], attached + elsewhere)
        self.assertHolds(s.temp, [])

    def test_unloading_the_plugin_while_its_zip_is_written_stops_it_and_leaves_nothing(self):
        s = self.session(InitialFolder="<data>")
        zip_path, steps = self.start(s)
        result, attached, elsewhere = self.play(s, steps + [
            "unload-plugin",
            'dialog-gone "%s"' % PROGRESS_TITLE,
            'no-dialog "%s" 2' % CAPTION,
            "no-more-attachments"])
        self.passes(result)
        self.assertEqual([], attached + elsewhere)
        self.assertHolds(s.temp, [])

    def test_freeing_the_plugin_while_its_zip_is_written_leaves_the_host_running_and_no_partial_file(self):
        # Without OVC_OnExit the plug-in is not told: it may finish its zip
        # (and attach it), but the host must not crash and no part of a zip
        # may stay.
        s = self.session(InitialFolder="<data>")
        zip_path, steps = self.start(s)
        result, attached, elsewhere = self.play(s, steps + [
            "free-library",
            UNTIL_DONE, 'dialog-gone "%s"' % PROGRESS_TITLE, AS_USUAL])
        self.assertNotIn("crashed", result.stderr)
        self.passes(result)
        self.assertEqual([], elsewhere)
        if os.listdir(s.temp):
            self.assertHolds(s.temp, ["big.zip"])
            with zipfile.ZipFile(unix(zip_path)) as z:
                self.assertIsNone(z.testzip())
            self.assertLargeZip(zip_path)
            self.assertIn(attached, ([], [zip_path]))
        else:
            self.assertEqual([], attached)

    def test_the_end_of_the_session_while_the_zip_is_written_leaves_nothing(self):
        s = self.session(InitialFolder="<data>")
        zip_path, steps = self.start(s)
        result, attached, elsewhere = self.play(s, steps + ["end-session"])
        self.passes(result)
        self.assertIn("zapnest-host: session ended", result.stdout)
        self.assertEqual([], attached + elsewhere)
        self.assertHolds(s.temp, [])


class ReplacedZipTest(HeldMessageTestCase):
    """report.zip is chosen again, and the save dialog's question whether to
    replace it answered yes: until the new zip is complete the old one stays
    as it was."""

    def replace(self, folder, zip_path):
        """Puts the earlier report.zip into the folder; the steps that choose it, Windows path `zip_path`, again."""
        with open(os.path.join(folder, "report.zip"), "wb") as f:
            f.write(REPORT)
        return ['save-file "%s" "%s"' % (SAVE_TITLE, zip_path), 'confirm "%s" yes' % SAVE_TITLE]

    def assertReportKept(self, folder):
        self.assertHolds(folder, ["report.zip"])
        with open(os.path.join(folder, "report.zip"), "rb") as f:
            self.assertEqual(REPORT, f.read())

    def test_cancel_in_the_progress_window_keeps_the_earlier_zip(self):
        s = self.session(InitialFolder="<data>")
        sparse(s, "big.bin", LARGE)
        replace = self.replace(s.temp, win(s.temp) + "\\report.zip")
        result, attached, elsewhere = self.play(s, [
            'choose "%s"' % FILES_ENTRY,
            'open-file "%s" "big.bin"' % OPEN_TITLE,
            *replace,
            'dialog-shows "%s" "File 1 of 1"' % PROGRESS_TITLE,
            'cancel "%s"' % PROGRESS_TITLE,
            'message "%s" information ok "%s"' % (CAPTION, CANCELLED),
            "no-more-attachments"])
        self.passes(result)
        self.assertEqual([], attached + elsewhere)
        self.assertReportKept(s.temp)

    def test_closing_the_message_keeps_the_earlier_zip(self):
        s = self.session(InitialFolder="<data>")
        sparse(s, "big.bin", LARGE)
        replace = self.replace(s.temp, win(s.temp) + "\\report.zip")
        result, attached, elsewhere = self.play(s, [
            'choose "%s"' % FILES_ENTRY,
            'open-file "%s" "big.bin"' % OPEN_TITLE,
            *replace,
            'dialog-shows "%s" "File 1 of 1"' % PROGRESS_TITLE,
            "close-window",
            'no-dialog "%s" 2' % CAPTION])
        self.passes(result)
        self.assertEqual([], attached + elsewhere)
        self.assertReportKept(s.temp)

    def test_a_file_that_cannot_be_read_keeps_the_earlier_zip(self):
        s = self.session(InitialFolder="<data>")
        s.file("a.txt", b"a")
        held = s.file("b.txt", b"b")
        replace = self.replace(s.temp, win(s.temp) + "\\report.zip")
        result, attached, elsewhere = self.play(s, [
            'choose "%s"' % FILES_ENTRY,
            "open-file \"%s\" '\"a.txt\" \"b.txt\"'" % OPEN_TITLE,
            *replace,
            'message "%s" information ok "Error adding file to zip archive."' % CAPTION,
            "no-more-attachments"], hold=[held])
        self.passes(result)
        self.assertEqual([], attached + elsewhere)
        self.assertReportKept(s.temp)

    def test_a_drive_that_fills_keeps_the_earlier_zip(self):
        full_disk = os.environ.get("ZAPNEST_FULL_DISK_DIR", "")
        if not full_disk.upper().startswith("T:"):
            self.skipTest("no small drive T: (scripts/test provides one)")
        drive = os.path.realpath(os.path.join(os.path.dirname(wine_drive_c()), "dosdevices", "t:"))
        self.assertEqual([], os.listdir(drive), "drive T: is not empty")

        def empty_drive():
            for name in os.listdir(drive):
                os.remove(os.path.join(drive, name))
        self.addCleanup(empty_drive)
        s = self.session(ShowZipFolder="1")
        replace = self.replace(drive, "T:\\report.zip")
        # Room for the files, so that the size check lets them through, but
        # not for the zip's headers beside them: the last file fails with a
        # full disk. The earlier zip holds its room until it is replaced.
        stat = os.statvfs(drive)
        free = stat.f_bavail * stat.f_frsize
        folder = s.top_folder("fills")
        sizes = [free // 4 - 200] * 3 + [free - 3 * (free // 4 - 200) - 100]
        for i, size in enumerate(sizes):
            s.put(folder, "part%d.bin" % i, os.urandom(size))
        result, attached, elsewhere = self.play(s, [
            *self.zip_folder(folder, 4, "%d KB" % (sum(sizes) // 1024)),
            *replace,
            'message "%s" question yes %s' % (CAPTION, self.warning(s)[0]), self.warning(s)[1],
            'message "%s" information ok "Error creating zip archive."' % CAPTION,
            "no-more-attachments"])
        self.passes(result)
        self.assertEqual([], attached + elsewhere)
        self.assertReportKept(drive)


if __name__ == "__main__":
    commands_test.WINE_RUN, commands_test.HOST, commands_test.DLL = sys.argv[1:4]
    unittest.main(argv=[sys.argv[0]], verbosity=2)
