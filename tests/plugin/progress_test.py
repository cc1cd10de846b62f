"""The window that shows while a zip is written, and its Cancel: Zapnest.dll in
the development host under Wine and Xvfb, with files large enough (sparse
ones, of holes) that the zip takes seconds.

    python3 progress_test.py WINE_RUN ZAPNEST_HOST ZAPNEST_DLL
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import commands_test  # noqa: E402
from commands_test import CANCELLED, CAPTION, FILES_ENTRY, FOLDER_ENTRY, OPEN_TITLE, SAVE_TITLE, unix, win  # noqa: E402

PROGRESS_TITLE = "Creating zip archive"
LARGE = 3 << 29  # 1.5 GiB of holes: deflated for several seconds


def sparse(s, relative, size):
    path = s.file(relative, b"")
    os.truncate(path, size)
    return path


def zip_files(zip_path, file_name):
    """The files command on one file of the data folder, up to the zip's name."""
    return ['choose "%s"' % FILES_ENTRY,
            'open-file "%s" "%s"' % (OPEN_TITLE, file_name),
            'save-file "%s" "%s"' % (SAVE_TITLE, zip_path)]


class ProgressTest(commands_test.SessionTestCase):
    def assertStoppedWithoutTrace(self, result, attached, zip_path):
        self.passes(result)
        self.assertEqual([], attached)
        self.assertFalse(os.path.exists(unix(zip_path)), "the stopped zip was left behind")

    def test_a_long_zip_shows_its_progress_answers_the_window_and_cancel_deletes_it(self):
        s = self.session(InitialFolder="<data>")
        sparse(s, "big.bin", LARGE)
        zip_path = win(s.temp) + "\\big.zip"
        result, attached = s.run(zip_files(zip_path, "big.bin") + [
            'dialog-shows "%s" "File 1 of 1"' % PROGRESS_TITLE,
            'dialog-shows "%s" "big.bin"' % PROGRESS_TITLE,
            # One file is being compressed, and the mail client still answers.
            "responsive 2",
            # A second command while this one runs starts nothing.
            'choose "%s"' % FILES_ENTRY,
            'no-dialog "%s" 2' % OPEN_TITLE,
            'cancel "%s"' % PROGRESS_TITLE,
            'message "%s" information ok "%s"' % (CAPTION, CANCELLED),
            "no-more-attachments"])
        self.assertStoppedWithoutTrace(result, attached, zip_path)

    def test_cancelling_a_folder_zip_attaches_nothing_and_leaves_no_zip(self):
        s = self.session(InitialFolder="<data>", ShowZipFolder="1")
        folder = s.top_folder("big")
        s.put(folder, "a.txt", b"small\n")
        os.truncate(s.put(folder, "big.bin", b""), LARGE)
        zip_path = win(s.temp) + "\\folder.zip"
        result, attached = s.run([
            'choose "%s"' % FOLDER_ENTRY,
            'browse-folder "Browse for Folder" "%s"' % win(folder),
            'confirm "%s" yes' % CAPTION,
            'save-file "%s" "%s"' % (SAVE_TITLE, zip_path),
            'dialog-shows "%s" "big.bin"' % PROGRESS_TITLE,
            'cancel "%s"' % PROGRESS_TITLE,
            'message "%s" information ok "%s"' % (CAPTION, CANCELLED),
            "no-more-attachments"])
        self.assertStoppedWithoutTrace(result, attached, zip_path)

    def test_closing_the_message_while_its_zip_is_written_ends_the_zip_without_a_word(self):
        s = self.session(InitialFolder="<data>")
        sparse(s, "big.bin", LARGE)
        zip_path = win(s.temp) + "\\big.zip"
        result, attached = s.run(zip_files(zip_path, "big.bin") + [
            'dialog-shows "%s" "File 1 of 1"' % PROGRESS_TITLE,
            "close-window",
            'no-dialog "%s" 2' % CAPTION])
        self.assertStoppedWithoutTrace(result, attached, zip_path)

    def test_a_zip_saved_over_a_file_of_its_folder_counts_neither_and_cancel_leaves_that_file(self):
        s = self.session(InitialFolder="<data>", ShowZipFolder="1", ShowSaveWarning="0")
        folder = s.top_folder("replacing")
        os.truncate(s.put(folder, "big.bin", b""), LARGE)
        old = s.put(folder, "report.zip", b"last week's zip")
        zip_path = win(old)
        result, attached = s.run([
            'choose "%s"' % FOLDER_ENTRY,
            'browse-folder "Browse for Folder" "%s"' % win(folder),
            'confirm "%s" yes' % CAPTION,
            'save-file "%s" "%s"' % (SAVE_TITLE, zip_path),
            'confirm "%s" yes' % SAVE_TITLE,  # Windows asks whether to replace report.zip
            # Neither the file it replaces nor the zip being written counts.
            'dialog-shows "%s" "File 1 of 1"' % PROGRESS_TITLE,
            'cancel "%s"' % PROGRESS_TITLE,
            'message "%s" information ok "%s"' % (CAPTION, CANCELLED),
            "no-more-attachments"])
        self.passes(result)
        self.assertEqual([], attached)
        with open(old, "rb") as f:
            self.assertEqual(b"last week's zip", f.read())
        self.assertEqual(["big.bin", "report.zip"], sorted(os.listdir(folder)))

    def test_a_small_zip_shows_no_progress_window(self):
        s = self.session(InitialFolder="<data>")
        s.file("a.txt", b"a small file\n" * 100)
        zip_path = win(s.temp) + "\\a.txt.zip"
        result, attached = s.run(zip_files(zip_path, "a.txt") + [
            'no-dialog "%s" 2' % PROGRESS_TITLE,
            'attached "%s"' % zip_path])
        self.passes(result)
        self.assertZip(zip_path, {"a.txt": b"a small file\n" * 100})


if __name__ == "__main__":
    commands_test.WINE_RUN, commands_test.HOST, commands_test.DLL = sys.argv[1:4]
    unittest.main(argv=[sys.argv[0]], verbosity=2)
