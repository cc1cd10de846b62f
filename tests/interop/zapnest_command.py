"""How the interoperability tests run the zapnest command: the native
program, or a Windows build through a Wine runner, which is handed paths in
Windows form (drive Z: is the Unix root).

    python3 SOME_TEST.py ZAPNEST [--wine WINE_RUN] [unittest arguments]
"""
import os

ZAPNEST = None
WINE_RUN = None


def parse_arguments(argv):
    """Takes ZAPNEST and --wine WINE_RUN from the command line; returns the
    arguments left for unittest."""
    global ZAPNEST, WINE_RUN
    ZAPNEST = argv[1]
    rest = argv[2:]
    if rest[:1] == ["--wine"]:
        WINE_RUN = rest[1]
        rest = rest[2:]
    return [argv[0]] + rest


def program_path(path):
    if WINE_RUN is None or path == "":
        return path
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def command_line(*arguments):
    """The command that runs zapnest with these arguments; options stay as
    they are, everything else is taken for a path."""
    command = [ZAPNEST] if WINE_RUN is None else [WINE_RUN, ZAPNEST]
    return command + [a if a.startswith("-") else program_path(a) for a in arguments]
