"""The installed zapnest and its manual page say the same thing.

    python3 manual_page_test.py CMAKE BUILD_DIR

Installs BUILD_DIR with `cmake --install` into a fresh prefix, renders the
installed page with man-db's `man -l`, and holds it against what the
installed command's --help prints: every paragraph, option and exit code of
--help must be in the page in the same words, and the page may name no
option or exit code that --help lacks.
"""
import os
import re
import subprocess
import sys
import tempfile
import unittest

CMAKE, BUILD_DIR = sys.argv[1:3]


def normalized(text):
    """Text without layout: man's typographic dashes and quotes as ASCII,
    bold or underline overstrikes dropped, every run of white space one
    space."""
    text = re.sub(r".\x08", "", text)
    for fancy, plain in (("\u2010", "-"), ("\u2212", "-"), ("\u2018", "'"), ("\u2019", "'"),
                         ("\u201c", '"'), ("\u201d", '"')):
        text = text.replace(fancy, plain)
    return " ".join(text.split())


def help_parts(help_text):
    """--help's usage lines, its prose paragraphs, its options as
    (tags, description) and its exit codes as (code, description)."""
    blocks = help_text.strip("\n").split("\n\n")
    usage, prose, options, exit_codes = blocks[0], [], [], []
    for block in blocks[1:]:
        lines = block.split("\n")
        if lines[0] == "Exit codes:":
            items, pattern = exit_codes, re.compile(r"^  (\d)  (.*)$")
            lines = lines[1:]
        elif lines[0].startswith("  -"):
            items, pattern = options, re.compile(r"^  (\S+(?: [A-Z]+)?(?:, \S+)?)\s{2,}(.*)$")
        else:
            prose.append(normalized(block))
            continue
        for line in lines:
            match = pattern.match(line)
            if match:
                items.append([match.group(1), match.group(2)])
            else:  # a continuation of the item above
                items[-1][1] += " " + line.strip()
    return usage, prose, options, exit_codes


def page_sections(rendered):
    """The rendered page's sections by heading (lines in capitals at the
    margin), each as normalized text."""
    sections, name = {}, None
    for line in rendered.split("\n"):
        if re.match(r"^[A-Z][A-Z ]+$", line):
            name = line
            sections[name] = ""
        elif name is not None:
            sections[name] += line + "\n"
    return {key: normalized(value) for key, value in sections.items()}


def roff_tags(source, section):
    """The tags of the .TP items of one section of the page's source, with
    roff's font macros and escapes taken away, and without their arguments."""
    text = source.split(".SH " + section + "\n", 1)[1].split("\n.SH ", 1)[0]
    tags = []
    for tag_line in re.findall(r"^\.TP\n(.*)$", text, re.M):
        words = re.sub(r"^\.[A-Z]+ ", "", tag_line).replace("\\-", "-").replace('"', "")
        words = [word.strip(",") for word in words.split() if word.strip(",")]
        # An option's argument (--threads N) is no tag of its own.
        is_option = any(word.startswith("-") for word in words)
        tags.extend(word for word in words if not (is_option and word.isupper()))
    return tags


class InstalledManualPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = tempfile.TemporaryDirectory()
        subprocess.run([CMAKE, "--install", BUILD_DIR, "--prefix", cls.prefix.name], check=True,
                       capture_output=True)
        cls.program = os.path.join(cls.prefix.name, "bin", "zapnest")
        cls.page = os.path.join(cls.prefix.name, "share", "man", "man1", "zapnest.1")
        environment = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="100", MANPAGER="cat", PAGER="cat")
        environment.pop("MAN_KEEP_FORMATTING", None)
        cls.render = subprocess.run(["man", "--warnings", "-l", cls.page], capture_output=True, text=True,
                                    env=environment)
        cls.help = subprocess.run([cls.program, "--help"], capture_output=True, text=True, check=True).stdout
        cls.version = subprocess.run([cls.program, "--version"], capture_output=True, text=True,
                                     check=True).stdout.strip()
        with open(cls.page, encoding="utf-8") as page:
            cls.source = page.read()

    @classmethod
    def tearDownClass(cls):
        cls.prefix.cleanup()

    def test_install_puts_the_program_and_its_page_where_users_look(self):
        self.assertTrue(os.access(self.program, os.X_OK))
        self.assertTrue(os.path.isfile(self.page))

    def test_man_renders_the_page_without_a_warning(self):
        self.assertEqual(0, self.render.returncode, self.render.stderr)
        self.assertEqual("", self.render.stderr)
        self.assertIn("zapnest - make a zip archive", normalized(self.render.stdout))

    def test_page_carries_the_version_the_program_reports(self):
        self.assertRegex(self.version, r"^zapnest \d+\.\d+")
        self.assertIn(self.version, normalized(self.render.stdout))

    def test_every_paragraph_of_help_is_in_the_page(self):
        _, prose, _, _ = help_parts(self.help)
        self.assertGreaterEqual(len(prose), 3)
        page = normalized(self.render.stdout)
        for paragraph in prose:
            self.assertIn(paragraph, page)

    def test_options_are_the_same_with_the_same_words(self):
        usage, _, options, _ = help_parts(self.help)
        self.assertGreaterEqual(len(options), 4)
        section = page_sections(self.render.stdout)["OPTIONS"]
        for tags, description in options:
            self.assertIn(normalized(tags + " " + description), section)
        # The page's options, --folder among them, are all --help's.
        known = set(re.findall(r"--?[a-z]*", usage))
        for tags, _ in options:
            known.update(tags.split(", "))
        page_tags = roff_tags(self.source, "OPTIONS")
        self.assertIn("--folder", page_tags)
        self.assertLessEqual(set(page_tags), known)

    def test_exit_codes_are_the_same_with_the_same_words(self):
        _, _, _, exit_codes = help_parts(self.help)
        self.assertEqual(["0", "1", "2", "3"], [code for code, _ in exit_codes])
        section = page_sections(self.render.stdout)["EXIT STATUS"]
        for code, description in exit_codes:
            self.assertIn(normalized(code + " " + description), section)
        self.assertEqual([code for code, _ in exit_codes], roff_tags(self.source, "EXIT STATUS"))

    def test_every_variable_help_names_has_its_entry(self):
        environment = roff_tags(self.source, "ENVIRONMENT")
        for variable in set(re.findall(r"\b[A-Z][A-Z_]{3,}\b", self.help)) - {"FILE", "DIR"}:
            self.assertIn(variable, environment)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
