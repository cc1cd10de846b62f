"""The development host's scripted mode under Wine and Xvfb, with a probe
plug-in that shows an open dialog, the folder browser and message boxes.

    python3 scenario_player_test.py WINE_RUN ZAPNEST_HOST PROBE_DLL
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

WINE_RUN = HOST = PROBE = None
# Wine names Unix files in the locale's character set and takes its ANSI code
# page from the locale's language: C.UTF-8 gives UTF-8 names (what Python
# writes) and code page 1252, which holds "é" but not "Ω".
WINE_ENVIRONMENT = dict(os.environ, LC_ALL="C.UTF-8")


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine_drive_c():
    prefix = subprocess.run([WINE_RUN, "--prefix"], capture_output=True, text=True, check=True).stdout.strip()
    return os.path.join(prefix, "drive_c")


class ScenarioPlayerTestCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zapnest-scenario-")
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)
        self.file = os.path.join(self.dir, "report.txt")
        with open(self.file, "w") as f:
            f.write("report\n")
        os.makedirs(os.path.join(self.dir, "folder"))

    def play(self, steps, options=(), script=None, plugin=None, start=""):
        """Plays the steps, written as UTF-8 after `start`; the host's output
        is read as UTF-8 (Wine's own messages need not be)."""
        script = script or os.path.join(self.dir, "scenario.txt")
        with open(script, "w", encoding="utf-8") as f:
            f.write(start + "timeout 20\n" + "\n".join(steps) + "\n")
        command = [WINE_RUN, HOST, "--plugin", windows_path(plugin or PROBE), "--script", windows_path(script),
                   *options]
        return subprocess.run(command, capture_output=True, encoding="utf-8", errors="replace", timeout=180,
                              env=WINE_ENVIRONMENT)


class ScenarioPlayerTest(ScenarioPlayerTestCase):
    def question(self):
        return "Attach %s from C:\\windows?" % windows_path(self.file)

    def common_steps(self):
        return ['choose "&Probe Dialogs..."',
                'open-file "Probe Open" "%s"' % windows_path(self.file),
                'browse-folder "Browse for Folder" "C:\\windows"']

    def test_a_scenario_that_meets_every_expectation_passes(self):
        question = "Attach %s from C:\\windows?" % windows_path(self.file)
        result = self.play(self.common_steps() + [
            'message "Probe" question yes "%s"' % question,
            'attached "%s"' % windows_path(self.file),
            "no-more-attachments"])
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn("scenario passed", result.stdout)

    def test_the_other_answer_takes_the_other_way(self):
        question = "Attach %s from C:\\windows?" % windows_path(self.file)
        result = self.play(self.common_steps() + [
            'message "Probe" question no "%s"' % question,
            'message "Probe" information ok "Nothing attached."',
            "no-more-attachments"])
        self.assertEqual(0, result.returncode, result.stderr)

    def test_an_unknown_step_or_a_wrong_count_of_arguments_is_refused_before_the_host_starts(self):
        for step in ['press "OK"', 'choose "&Probe Dialogs..." "again"', 'message "Probe" question yes',
                     "no-more-attachments now", 'attached-to "C:\\a.zip"', "close-message", "end-session now"]:
            with self.subTest(step=step):
                result = self.play(['no-dialog "Probe Open" 1', step])
                self.assertEqual(2, result.returncode)
                self.assertIn("line 3: unknown step or wrong number of arguments: " + step, result.stderr)

    def test_a_wrong_text_fails_and_says_what_appeared(self):
        result = self.play(self.common_steps() + ['message "Probe" question yes "Something else"'])
        self.assertEqual(1, result.returncode)
        self.assertIn("the message says 'Attach", result.stderr)

    def test_a_wrong_icon_fails(self):
        result = self.play(self.common_steps() + ['message "Probe" warning yes "whatever"'])
        self.assertEqual(1, result.returncode)

    def test_a_dialog_that_never_comes_fails_after_its_timeout(self):
        result = self.play(['timeout 3', 'choose "&Probe Dialogs..."', 'open-file "Another Title" "x"'])
        self.assertEqual(1, result.returncode)
        self.assertIn("no dialog titled 'Another Title' appeared; showing: 'Probe Open'", result.stderr)

    def test_an_entry_that_is_not_in_the_menu_fails(self):
        result = self.play(['choose "Zip and Attach F&ile(s)..."'])
        self.assertEqual(1, result.returncode)
        self.assertIn("'&Probe Dialogs...', 'Probe Ω 日本語 ａ...'", result.stderr)

    def test_a_message_can_be_read_whatever_it_says(self):
        result = self.play(self.common_steps() + [
            'read-message "Probe" no',
            'message "Probe" information ok "Nothing attached."',
            "no-more-attachments"])
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn("message: " + self.question(), result.stdout)

    def test_a_dialog_left_open_at_the_end_fails(self):
        result = self.play(self.common_steps())
        self.assertEqual(1, result.returncode)
        self.assertIn("still open after the last step: 'Probe'", result.stderr)

    def test_no_dialog_passes_in_quiet_and_fails_when_one_shows(self):
        result = self.play(['no-dialog "Probe Open" 1', 'choose "&Probe Dialogs..."', 'cancel "Probe Open"'])
        self.assertEqual(0, result.returncode, result.stderr)
        result = self.play(['choose "&Probe Dialogs..."', 'no-dialog "Probe Open" 5'])
        self.assertEqual(1, result.returncode)
        self.assertIn("a dialog titled 'Probe Open' appeared", result.stderr)

    def test_a_menu_is_opened_at_an_entry_and_closed_again_and_pictures_show_the_whole_screen(self):
        pictures = os.path.join(self.dir, "pictures")
        os.makedirs(pictures)
        result = self.play(['open-menu "&Probe Dialogs..."', 'choose "&Probe Dialogs..."', 'cancel "Probe Open"',
                            'picture "end"'], ["--screenshots", windows_path(pictures)])
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual(["01-open-menu-menu.bmp", "02-cancel-Probe_Open.bmp", "03-picture-end.bmp"],
                         sorted(os.listdir(pictures)))
        for name in os.listdir(pictures):
            with open(os.path.join(pictures, name), "rb") as f:
                header = f.read(54)
            self.assertEqual(b"BM", header[:2])
            # The whole screen (xvfb-run's is 640 by 480), not one window.
            width, height = struct.unpack_from("<ii", header, 18)
            self.assertGreaterEqual(width, 640, name)
            self.assertGreaterEqual(height, 480, name)

    def test_a_menu_entry_that_is_not_there_cannot_be_opened(self):
        result = self.play(['open-menu "Zip and Attach F&older..."'])
        self.assertEqual(1, result.returncode)
        self.assertIn("no menu entry 'Zip and Attach F&older...'; the menu holds", result.stderr)


class MessagesAndThePluginsLifeTest(ScenarioPlayerTestCase):
    """More messages, a frame, a plug-in dropped, the end of the session. The
    probe attaches to the message it was told of last."""

    def up_to_the_question(self):
        question = "Attach %s from C:\\windows?" % windows_path(self.file)
        return ['choose "&Probe Dialogs..."',
                'open-file "Probe Open" "%s"' % windows_path(self.file),
                'browse-folder "Browse for Folder" "C:\\windows"',
                'dialog-shows "Probe" "%s"' % question], 'message "Probe" question yes "%s"' % question

    def test_a_file_attached_to_another_message_is_checked_and_printed_with_its_number(self):
        steps, yes = self.up_to_the_question()
        result = self.play(steps + ["open-message", yes, 'attached-to 2 "%s"' % windows_path(self.file),
                                    "no-more-attachments"])
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn("attached to message 2: %s\n" % windows_path(self.file), result.stdout)
        self.assertNotIn("attached: ", result.stdout)

    def test_a_file_attached_to_a_closed_message_is_printed_as_such_and_fails_an_attached_step(self):
        steps, yes = self.up_to_the_question()
        result = self.play(steps + ["open-message", "close-message 2", yes,
                                    'attached "%s"' % windows_path(self.file)])
        self.assertEqual(1, result.returncode)
        self.assertIn("the file was attached to a closed window", result.stderr)
        self.assertIn("attached to a closed window: %s\n" % windows_path(self.file), result.stdout)

    def test_a_message_that_is_not_open_cannot_be_closed(self):
        result = self.play(["open-message", "close-message 2", "close-message 2"])
        self.assertEqual(1, result.returncode)
        self.assertIn("line 4 (close-message): no message 2 is open", result.stderr)

    def test_in_a_frame_the_menu_is_the_frames_and_the_frame_outlives_its_first_message(self):
        steps, yes = self.up_to_the_question()
        result = self.play(['menu-item 14 "&Probe Dialogs..."'] + steps + [
            yes, 'attached "%s"' % windows_path(self.file),
            "close-window",
            # The frame takes the next message, and the menu is still there.
            "open-message",
            'choose "&Probe Dialogs..."', 'cancel "Probe Open"'], ["--frame"])
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn("attached: %s\n" % windows_path(self.file), result.stdout)

    def test_after_free_library_the_plugins_entries_start_nothing(self):
        result = self.play(["free-library", 'choose "&Probe Dialogs..."', 'no-dialog "Probe Open" 2',
                            "open-message", 'choose "&Probe Dialogs..."', 'no-dialog "Probe Open" 1'])
        self.assertEqual(0, result.returncode, result.stderr)

    def test_a_plugin_freed_under_its_own_dialog_crashes_the_host_and_the_crash_fails(self):
        # The open dialog returns into the probe's code, which is gone.
        result = self.play(['choose "&Probe Dialogs..."', 'file-name "Probe Open" ""', "free-library",
                            'cancel "Probe Open"'])
        self.assertEqual(3, result.returncode, result.stderr)
        self.assertIn("zapnest-host: crashed: exception c0000005", result.stderr)

    def test_the_end_of_the_session_ends_the_host_at_once_and_prints_what_was_attached(self):
        steps, yes = self.up_to_the_question()
        result = self.play(steps + [yes, 'attached "%s"' % windows_path(self.file),
                                    'choose "&Probe Dialogs..."', 'file-name "Probe Open" ""',
                                    "end-session",
                                    'open-file "Never Shown" "x"'])
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn("zapnest-host: session ended\nattached: %s\n" % windows_path(self.file), result.stdout)
        self.assertNotIn("scenario passed", result.stdout)


class NamesOutsideTheAnsiCodePageTest(ScenarioPlayerTestCase):
    """Names the ANSI code page lacks, or holds only as look-alikes: the
    host must type, find and check them as they are. Beside each such name
    lies its look-alike (O for Ω, a for full-width a), which an ANSI call
    would reach instead."""

    FILES = ["Ω.txt", "日本語.txt", "😀.txt", "sub＼y.txt", "ａ.txt", "Größe café.txt", "O.txt", "a.txt"]
    FOLDERS = ["Ω", "日本語", "😀", "ａ", "Größe café", "O", "a"]

    def setUp(self):
        super().setUp()
        for name in self.FILES:
            with open(os.path.join(self.dir, name), "w", encoding="utf-8") as f:
                f.write(name + "\n")
        # The folder browser reaches only Wine's drive C:.
        self.drive_c_dir = tempfile.mkdtemp(prefix="zapnest-scenario-", dir=wine_drive_c())
        self.addCleanup(shutil.rmtree, self.drive_c_dir, ignore_errors=True)
        for name in self.FOLDERS:
            os.makedirs(os.path.join(self.drive_c_dir, name))

    def file_path(self, name):
        return windows_path(os.path.join(self.dir, name))

    def folder_path(self, name):
        return "C:\\%s\\%s" % (os.path.basename(self.drive_c_dir), name)

    def probe(self, file, folder):
        """The probe's dialogs answered with `file` and `folder`, up to its question."""
        return ['choose "&Probe Dialogs..."',
                'open-file "Probe Open" "%s"' % self.file_path(file),
                'browse-folder "Browse for Folder" "%s"' % self.folder_path(folder)]

    def question(self, file, folder):
        return "Attach %s from %s?" % (self.file_path(file), self.folder_path(folder))

    def test_names_are_typed_into_the_open_dialog_browsed_to_and_checked_in_the_question_exactly(self):
        steps = []
        for file, folder in [("Ω.txt", "日本語"), ("日本語.txt", "Ω"), ("😀.txt", "ａ"),
                             ("sub＼y.txt", "😀"), ("ａ.txt", "Größe café")]:
            steps += self.probe(file, folder) + [
                'message "Probe" question no "%s"' % self.question(file, folder),
                'message "Probe" information ok "Nothing attached."']
        result = self.play(steps + ["no-more-attachments"])
        self.assertEqual(0, result.returncode, result.stderr)

    def test_a_look_alike_text_fails_and_the_failure_shows_the_real_text_in_utf8(self):
        result = self.play(self.probe("Ω.txt", "ａ") + [
            'message "Probe" question no "%s"' % self.question("O.txt", "a")])
        self.assertEqual(1, result.returncode)
        self.assertIn("the message says '%s'" % self.question("Ω.txt", "ａ"), result.stderr)

    def test_a_name_the_ansi_code_page_holds_is_attached_and_printed_in_utf8(self):
        file = "Größe café.txt"
        result = self.play(self.probe(file, "Größe café") + [
            'message "Probe" question yes "%s"' % self.question(file, "Größe café"),
            'attached "%s"' % self.file_path(file),
            "no-more-attachments"])
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn("attached: %s\n" % self.file_path(file), result.stdout)

    def test_a_message_naming_what_the_code_page_lacks_is_printed_in_utf8_and_nothing_is_attached(self):
        file = "😀.txt"
        result = self.play(self.probe(file, "日本語") + [
            'read-message "Probe" yes',
            'message "Probe" information ok "Nothing attached: %s has no ANSI form."' % self.file_path(file),
            "no-more-attachments"])
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn("message: %s\n" % self.question(file, "日本語"), result.stdout)

    def test_the_host_takes_its_script_plugin_and_picture_folder_from_paths_outside_the_code_page(self):
        folder = os.path.join(self.dir, "Ω 日本語 ａ")
        pictures = os.path.join(folder, "pictures 😀")
        os.makedirs(pictures)
        plugin = os.path.join(folder, "probe ａ.dll")
        shutil.copy(PROBE, plugin)
        result = self.play(['menu-item 15 "Probe Ω 日本語 ａ..."', 'choose "Probe Ω 日本語 ａ..."',
                            'cancel "Probe Open"'],
                           ["--screenshots", windows_path(pictures)], script=os.path.join(folder, "scénario Ω.txt"),
                           plugin=plugin)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual(["01-cancel-Probe_Open.bmp"], os.listdir(pictures))

    def test_a_scenario_file_may_start_with_a_byte_order_mark(self):
        result = self.play(['no-dialog "Probe Open" 1'], start="\ufeff")
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn("scenario passed (2 steps)", result.stdout)

    def test_a_scenario_that_is_not_utf8_is_refused_with_its_line(self):
        script = os.path.join(self.dir, "latin1.txt")
        with open(script, "wb") as f:
            f.write(b"timeout 20\nno-dialog \"caf\xe9\" 1\n")
        result = subprocess.run([WINE_RUN, HOST, "--plugin", windows_path(PROBE), "--script", windows_path(script)],
                                capture_output=True, encoding="utf-8", errors="replace", timeout=180,
                                env=WINE_ENVIRONMENT)
        self.assertNotEqual(0, result.returncode)
        self.assertIn("line 2: not UTF-8", result.stderr)

    def test_a_temporary_folder_the_ansi_code_page_cannot_hold_is_refused_at_start(self):
        result = self.play(['no-dialog "Probe Open" 1'], ["--temp", "C:\\Ω\\"])
        self.assertEqual(2, result.returncode)
        self.assertIn("the temporary folder C:\\Ω\\ cannot be given to the plug-in", result.stderr)
        result = self.play(['no-dialog "Probe Open" 1'], ["--temp", "C:\\Größe café\\"])
        self.assertEqual(0, result.returncode, result.stderr)


if __name__ == "__main__":
    WINE_RUN, HOST, PROBE = sys.argv[1:4]
    unittest.main(argv=[sys.argv[0]], verbosity=2)
