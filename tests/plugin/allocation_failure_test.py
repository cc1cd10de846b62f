"""The commands when memory runs out, in the development host under Wine,
with a build of the plug-in whose operator new fails on purpose (see
failing_allocations.cc): the command ends with "Error creating zip
archive.", nothing is attached, and the host and the plug-in live on.

    python3 allocation_failure_test.py WINE_RUN ZAPNEST_HOST FAILING_DLL
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import commands_test as commands  # noqa: E402
from commands_test import CAPTION, FILES_ENTRY, FOLDER_ENTRY, OPEN_TITLE, SAVE_TITLE, win  # noqa: E402

CREATE_ERROR = "Error creating zip archive."
NEVER = 1000000000


def budget(count):
    return 'set-environment ZAPNEST_ALLOCATIONS_LEFT "%d"' % count


NO_BUDGET = 'set-environment ZAPNEST_ALLOCATIONS_LEFT ""'


class AllocationFailureTest(commands.SessionTestCase):
    def test_the_files_command_out_of_memory_tells_and_the_next_run_works(self):
        s = self.session()
        a = s.file("a.txt", b"alpha\n" * 100)
        zip_path = win(s.temp) + "\\a.txt.zip"
        result, attached = s.run([
            budget(0),
            'choose "%s"' % FILES_ENTRY,
            'message "%s" information ok "%s"' % (CAPTION, CREATE_ERROR),
            "no-more-attachments",
            NO_BUDGET,
            'choose "%s"' % FILES_ENTRY,
            'open-file "%s" "%s"' % (OPEN_TITLE, win(a)),
            'save-file "%s" "%s"' % (SAVE_TITLE, zip_path),
            'attached "%s"' % zip_path,
            "no-more-attachments"])
        self.passes(result)
        self.assertZip(zip_path, {"a.txt": b"alpha\n" * 100})

    def test_the_folder_command_out_of_memory_while_zipping_attaches_nothing(self):
        s = self.session(ShowZipFolder="1")
        folder = s.top_folder("many")
        files = {"f%02d.txt" % i: (b"line %d\n" % i) * 200 for i in range(30)}
        for name, data in files.items():
            s.put(folder, name, data)
        zip_path = win(s.temp) + "\\folder.zip"
        question = 'message "%s" question yes "Create zip from 30 files with a total size of %d KB?"' % (
            CAPTION, sum(len(d) for d in files.values()) // 1024)
        answer = ['save-file "%s" "%s"' % (SAVE_TITLE, zip_path)]

        # How many allocations the whole command makes, so that the next run
        # can fail among the last ones, with the zip open and most files in it.
        # The budget is taken away once the zip is attached: what the library
        # allocates later, writing its settings as it unloads, is not counted.
        report = os.path.join(s.root, "allocations.txt")
        os.environ["ZAPNEST_ALLOCATION_REPORT"] = win(report)
        self.addCleanup(os.environ.pop, "ZAPNEST_ALLOCATION_REPORT", None)
        result, attached = s.run([budget(NEVER), 'choose "%s"' % FOLDER_ENTRY,
                                  'browse-folder "Browse for Folder" "%s"' % win(folder), question] + answer +
                                 ['attached "%s"' % zip_path, "no-more-attachments", NO_BUDGET])
        self.passes(result)
        self.assertZip(zip_path, files)
        with open(report) as f:
            total = int(f.read())
        self.assertGreater(total, 60)  # at least two for every file's path
        os.remove(commands.unix(zip_path))

        result, attached = s.run([budget(total - 2), 'choose "%s"' % FOLDER_ENTRY,
                                  'browse-folder "Browse for Folder" "%s"' % win(folder), question] + answer + [
            'message "%s" information ok "%s"' % (CAPTION, CREATE_ERROR),
            "no-more-attachments"])
        self.passes(result)
        self.assertEqual([], attached)

        # At the very first allocation: the folder browser's start folder,
        # made wide before the browser opens.
        result, attached = s.run([budget(0), 'choose "%s"' % FOLDER_ENTRY,
                                  'message "%s" information ok "%s"' % (CAPTION, CREATE_ERROR),
                                  "no-dialog \"Browse for Folder\" 1",
                                  "no-more-attachments"])
        self.passes(result)


if __name__ == "__main__":
    commands.WINE_RUN, commands.HOST, commands.DLL = sys.argv[1:4]
    unittest.main(argv=[sys.argv[0]], verbosity=2)
