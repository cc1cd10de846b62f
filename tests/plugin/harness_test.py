"""The development host's scripted mode under Wine and Xvfb, with a probe
plug-in that shows an open dialog, the folder browser and message boxes.

    python3 harness_test.py WINE_RUN ZAPNEST_HOST PROBE_DLL
"""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

WINE_RUN = HOST = PROBE = None


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class HarnessTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zapnest-harness-")
        self.file = os.path.join(self.dir, "report.txt")
        with open(self.file, "w") as f:
            f.write("report\n")
        os.makedirs(os.path.join(self.dir, "folder"))

    def play(self, steps, options=()):
        script = os.path.join(self.dir, "scenario.txt")
        with open(script, "w") as f:
            f.write("timeout 20\n" + "\n".join(steps) + "\n")
        return subprocess.run([WINE_RUN, HOST, "--plugin", PROBE, "--script", windows_path(script), *options],
                              capture_output=True, text=True, errors="replace", timeout=180)

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
        self.assertIn("&Probe Dialogs...", result.stderr)

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


if __name__ == "__main__":
    WINE_RUN, HOST, PROBE = sys.argv[1:4]
    unittest.main(argv=[sys.argv[0]], verbosity=2)
