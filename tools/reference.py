#!/usr/bin/env python3
"""Writes docs/reference.md, the project file's reference, from res/config_table.inc.

reference.py          write docs/reference.md
reference.py --check  exit 1 where docs/reference.md is not what it would write

The table gives each string's number, key, kind and defaults; what each one
means is written here, and a row without its meaning stops the script, so
that a string added to the table cannot reach the page undescribed.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TABLE = os.path.join(ROOT, "res", "config_table.inc")
PAGE = os.path.join(ROOT, "docs", "reference.md")

KINDS = {
    "TEXT": "a text, UTF-8, at most 8191 characters",
    "NUMBER": "a whole number from 0 to 65535",
    "SWITCH": "`true` or `false`",
    "SHOW_LOG": "`true`, `false` or `\"on_failure\"`",
    "INT": "a whole number from -32768 to 32767",
    "SIZE": "a whole number from 0 to 32767",
    "WEIGHT": "a whole number from 0 to 1000 (400 normal, 700 bold)",
    "COLOUR": "a text `\"r,g,b\"`, each from 0 to 255",
    "FONT": "a font face, at most 31 bytes",
    "CHAR": "a text of one character",
    "URL": "an `https://` address, without blanks or quotes",
    "CLASS_PATH": "an array of entries `KFNAME`, or one text with `;` after each",
    "SEARCH": "an array of entries, or one text with `;` after each",
}

BUILDER_KEYS = [
    ("arch", "`\"x86\"`, `\"x64\"` or `\"arm64\"`: the template, to match the Java's machine (required)"),
    ("subsystem", "`\"windows\"` (the default) or `\"console\"`, a command-line tool; `--subsystem` overrides it"),
    ("icon", "an `.ico` file: the program's icon"),
    ("splash.bitmap", "a `.bmp` file: the splash's picture at 100 %"),
    ("splash.bitmap_125` to `splash.bitmap_300",
     "the splash's picture made for a screen at 125, 150, 175, 200, 250 or 300 %, each at that scale's size"),
    ("splash.icon", "an `.ico` file: the splash window's icon"),
    ("include", "files carried inside the launcher: paths, or `{file = \"...\", name = \"...\"}`; "
     "sets strings 2002 and 2003"),
    ("runtime", "the folder of a Java home that the launcher carries; sets string 2004"),
    ("version", "a table of texts: `file_version`, `product_version` (each up to four numbers with `.`), "
     "`company`, `description`, `copyright`, `original_filename`, `product_name`"),
    ("strings", "a table of any string by its number, as a text: `[strings]` `2002 = \"0\"`; `\"\"` removes it"),
]

# Strings without a key of their own: who sets them.
SET_BY = {
    2002: "set by `include`, or `[strings]`",
    2003: "set by `include`, or `[strings]`",
    2004: "set by `runtime`",
    2005: "set by `include` with `include_cache`",
}

MEANINGS = {
    101: "the application's name: the splash window's title and `%NAME%` (none: the executable's name)",
    102: "write the application's standard error to the error log; a new console launcher, "
         "or one with `console = true`, writes none unless this is given",
    103: "the error log's file, from the launcher's folder; where that folder refuses it, "
         "the same name in the data folder below `%LOCALAPPDATA%`",
    104: "write the application's standard output to the output log",
    105: "the output log's file, placed as the error log's",
    106: "when the error log is shown in a dialog: `true` as soon as it has text, `false` never, "
         "`\"on_failure\"` only when the start failed",
    107: "accept a Java only with `javaw.exe`, and run that",
    108: "show the splash window while the application starts",
    109: "the status line's left edge in the splash, in pixels at 100 %",
    110: "the status line's top edge",
    111: "the status line's first text, until the application sets its own",
    112: "the status line's font face; empty: the system's GUI font",
    113: "the status line's size in points",
    114: "the status line's colour",
    115: "the second line's left edge, in pixels at 100 %",
    116: "the second line's top edge",
    117: "the second line's text",
    118: "the second line's font face; empty: the system's GUI font",
    119: "the second line's size in points",
    120: "the second line's colour",
    121: "the class path: entries `KFNAME`, kind `A` file, `D` folder, `S` the `.jar` and `.zip` archives "
         "of a folder, `E` a variable; `F` `1` if required; names from the launcher's folder",
    122: "the main class, `.` between packages (required)",
    123: "VM options, split like a command line; the `.vmoptions` files may add to them and replace them",
    124: "words before the user's arguments of `main`, split like a command line",
    125: "the user's leading `-J` words become VM options",
    126: "the lowest Java accepted, a prefix of whole version parts; also `%MIN_VERSION%`; none: any",
    127: "the highest Java accepted, a prefix of whole version parts; none: any",
    128: "where to look for Java, in order: `Y` registry, `E`VARIABLE, `A`FOLDER or `R`FOLDER, `S` search path, "
         "`I` the runtime inside (first where `runtime` is given and no `I` is); the flavour's variable comes last",
    141: "the splash window's width in pixels at 100 %; 0: the picture's own",
    142: "the splash window's height in pixels at 100 %; 0: the picture's own",
    143: "the status line's font weight",
    144: "the second line's font weight",
    145: "the launcher ends once the application shows a window",
    146: "the application's working folder, from the launcher's folder; none: the folder it was started in",
    147: "the splash window stays above other windows",
    148: "below messages 1005 to 1009, what the search found and why each Java was refused",
    149: "the product's folder below `%APPDATA%` (the user's options file) and `%LOCALAPPDATA%` "
         "(refused logs, copies, class-data archives); none: the product's name",
    150: "read the user's own options file, `%APPDATA%\\<data folder>\\<base name>.vmoptions`",
    160: "the `<base name>` of the `.vmoptions` files, beside the executable and in the user's data folder, "
         "so that a window launcher and its console twin read the same (none: the executable's base name; "
         "a new project: its `name`); where the file of that name is not there, the one named after the "
         "executable is read, as before",
    151: "the identifier by which the taskbar groups the application's windows; none: not set",
    152: "the exit code with which the application asks to be started again, from 1; none: no restart",
    153: "a second start hands its folder and words to the running instance",
    154: "a window launcher started from a console passes that console on and ends with the application's code",
    155: "the splash's status line while the runtime inside is copied; `%PERCENT%` is how far",
    156: "the included files are copied once for each content, as the runtime is, not at every start",
    157: "a page where the user gets the Java the product needs; messages that need another Java offer it (1024)",
    158: "a console launcher shows its messages in boxes rather than printing them on standard error",
    159: "the VM maps the application's classes from an archive the launcher keeps below `%LOCALAPPDATA%`",
    2001: "the variable looked at after the search: `t` `TARVO_JAVA_HOME`, `s` `SELVADRIN_JAVA_HOME`",
    2002: "how many files are included",
    2003: "the included files' names, `;` between them",
    2004: "the content hash of the runtime inside, which names its copy's folder; none: no runtime",
    2005: "the content hash of the included files, where `include_cache` is on",
    1001: "the caption of every message box",
    1005: "no Java that fits was found",
    1006: "the Java found on the search path (`S`) does not start",
    1007: "the Java that a variable names (an `E` entry, or the flavour's) does not start",
    1008: "the Java of a folder of the search (`A`, `R`) does not start",
    1009: "a Java from the registry or the runtime inside does not start, or the application ended before `main`",
    1010: "a required class-path entry is missing; `%FILE_NAME%` is its whole path",
    1011: "VM options or words that cannot be split: a quote left open, or `-J` with no word behind it",
    1012: "the variable of a required `E` class-path entry is not set",
    1013: "the launcher itself failed (a timer, the child process, a copy); the code tells which",
    1014: "the main class is not on the class path, or is built for a newer Java",
    1015: "the main class has no `main` method",
    1016: "the application's command line would be longer than Windows takes",
    1017: "the launcher ran out of memory",
    1018: "only a Java of the other bitness was found",
    1019: "a path holds characters that the system's code page cannot express",
    1020: "a `.vmoptions` file cannot be used; where the whole file is refused, `line %LINE%: ` drops out",
    1021: "the application asked for more than five restarts within a minute",
    1022: "with `single_instance`, the running instance does not answer",
    1023: "the line above the error log's text in its dialog",
    1024: "below a message that needs another Java, where `java.download_url` is set; Yes opens the page",
    1025: "the main class's static initialiser threw; `%MAIN_CLASS%` names it; the exception follows, and its cause where the VM gives it",
    1027: "the main class was compiled for a newer Java than the one found (`%NEEDED_JAVA%` from its class file's version); the VM's words follow",
    1028: "below message 1020 for the user's own options file, in a window launcher; Yes starts without that file, No ends",
    1026: "the Java VM crashed in its start and wrote a report of the crash (HotSpot's `hs_err_pid<N>.log`)",
}

TOKEN = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|[A-Za-z_0-9]+|[(),]|\S', re.S)
ESCAPE = re.compile(r'\\(x[0-9A-Fa-f]+|[0-7]{1,3}|.)', re.S)
PLACEHOLDER = re.compile(r"%[A-Z][A-Z0-9_]*%")
SIMPLE = {"n": 10, "t": 9, "r": 13, "a": 7, "b": 8, "f": 12, "v": 11, "0": 0}


def c_string(literal):
    """The table writes other characters as their UTF-8 bytes (\\xE2\\x80\\x94); the page shows them."""
    out, at, body = bytearray(), 0, literal[1:-1]
    for m in ESCAPE.finditer(body):
        out += body[at:m.start()].encode()
        e = m.group(1)
        if e[0] == "x" and len(e) > 1:
            value = int(e[1:], 16)
        elif e[0] in "01234567":
            value = int(e, 8)
        else:
            value = SIMPLE.get(e, ord(e))
        if value > 0xFF:
            sys.exit(f"{TABLE}: escape \\{e} is more than a byte")
        out.append(value)
        at = m.end()
    out += body[at:].encode()
    return out.decode("utf-8")


def rows():
    """(name, number, key, kind, example, fresh), fresh None for SAME; by number, as the table is not."""
    tokens = [t for t in TOKEN.findall(open(TABLE, encoding="utf-8").read()) if not t.startswith(("//", "/*"))]
    found, i = [], 0
    while i < len(tokens):
        if tokens[i] != "CONFIG_STRING":
            i += 1
            continue
        args, depth, i = [[]], 0, i + 2  # past the name and "("
        while depth or tokens[i] != ")":
            depth += {"(": 1, ")": -1}.get(tokens[i], 0)
            if tokens[i] == "," and not depth:
                args.append([])
            else:
                args[-1].append(tokens[i])
            i += 1
        if len(args) != 6:
            sys.exit(f"{TABLE}: a row of {len(args)} fields: {args[0]}")
        text = lambda a: None if a == ["SAME"] else "".join(c_string(t) for t in a)
        name, number, kind = args[0][0], int(args[1][0]), args[3][0]
        found.append((name, number, text(args[2]), kind, text(args[4]), text(args[5])))
    return sorted(found, key=lambda r: r[1])


def toml_text(s):
    """The text as a project file writes it: literal where that spares escapes, as the example does."""
    if "'" not in s and ("\\" in s or '"' in s) and not re.search(r"[\x00-\x1f\x7f]", s):
        return f"'{s}'"
    named = {"\\": "\\\\", '"': '\\"', "\n": "\\n", "\t": "\\t", "\r": "\\r"}
    return '"' + re.sub(r'[\\"\x00-\x1f\x7f]', lambda m: named.get(m[0], f"\\u{ord(m[0]):04X}"), s) + '"'


def toml_value(kind, s):
    if s == "":
        return None
    if kind == "SWITCH":
        return "true" if s == "1" else "false"
    if kind == "SHOW_LOG":
        return {"0": "false", "1": "true", "2": '"on_failure"'}[s]
    if kind in ("NUMBER", "INT", "SIZE", "WEIGHT"):
        return s
    if kind in ("CLASS_PATH", "SEARCH"):
        return "[" + ", ".join(toml_text(e) for e in s.split(";") if e) + "]"
    return toml_text(s)


def cell(value):
    """Code, so that \\n and blanks show as written; an unescaped pipe would end the cell."""
    if value is None:
        return "—"
    fence = "``" if "`" in value else "`"
    pad = " " if "`" in value else ""
    return f"{fence}{pad}{value}{pad}{fence}".replace("|", "\\|")


def problems(table):
    """A row that the page could not describe truly stops it, rather than reaching it half-written."""
    numbers, keys = [r[1] for r in table], [r[2] for r in table if r[2]]
    for n in sorted(set(numbers)):
        if numbers.count(n) > 1:
            yield f"string {n} appears twice"
    for k in sorted(set(keys)):
        if keys.count(k) > 1:
            yield f"the key {k} appears twice"
    for name, number, key, kind, _, _ in table:
        if kind not in KINDS:
            yield f"string {number} ({name}) has the unknown kind {kind}"
        if number not in MEANINGS:
            yield f"string {number} ({name}) has no entry in MEANINGS"
        if not key and number not in SET_BY:
            yield f"string {number} ({name}) has no key and no entry in SET_BY"
    for n in sorted(set(MEANINGS) - set(numbers)):
        yield f"string {n} has an entry in MEANINGS but no row"


def page():
    table = rows()
    for problem in problems(table):
        sys.exit(f"tools/reference.py: {problem}")
    settings = [r for r in table if not 1000 <= r[1] < 2000]
    messages = [r for r in table if 1000 <= r[1] < 2000]
    out = [
        "# The project file's keys and messages",
        "",
        "A product's launcher is written by `tarvo-build` from a TOML project file. This page lists every key of",
        "that file, every string of the launcher's configuration and every message, with a new project's",
        "default and the example's value (`examples/orvan-desk.toml`, what the launcher templates carry).",
        "It is generated by `tools/reference.py` from `res/config_table.inc`: do not edit it by hand; change",
        "the table or the script and run `python3 tools/reference.py`.",
        "",
        "A dotted key `a.b` is written `a.b = ...` at the top, or `b = ...` under `[a]`. Files that the",
        "project names (`icon`, `splash.bitmap`, `splash.icon`, `include`, `runtime`) are read relative to the",
        "project file's folder, unless they begin with `/`, `\\` or a drive such as `C:`. Paths that the",
        "launcher itself reads (logs, class-path entries, the working folder) are taken from the launcher's",
        "folder when it runs. Where `working_directory` is empty, the application runs in the folder it was",
        "started in (for a double-click, the launcher's). A new project keeps the application's standard",
        "error in `error.log` and discards its standard output; a console launcher keeps both on the console.",
        "A new project starts from the column \"new project\"; \"—\" means that the string is left out,",
        "which reads as the empty text.",
        "",
        "| kind | how it is written |",
        "|---|---|",
    ]
    out += [f"| {kind} | {how} |" for kind, how in KINDS.items()]
    out += ["", "## Keys of the builder alone", "",
            "These name files or tables rather than strings; none of them has a string of its own.", "",
            "| key | what |", "|---|---|"]
    out += [f"| `{key}` | {what} |" for key, what in BUILDER_KEYS]
    out += ["", "## Configuration", "",
            "| string | key | kind | new project | example | what |", "|---|---|---|---|---|---|"]
    for name, number, key, kind, example, fresh in settings:
        fresh = example if fresh is None else fresh
        shown = (lambda s: toml_text(s) if s else None) if not key else (lambda s: toml_value(kind, s))
        where = f"`{key}`" if key else SET_BY[number]
        out.append(f"| {number} | {where} | {kind} | {cell(shown(fresh))} | {cell(shown(example))} "
                   f"| {MEANINGS[number]} |")
    out += ["", "## Messages", "",
            "Every message may also name the product and what it needs: `%NAME%` (string 101, else the",
            "executable's name), `%MIN_VERSION%` (string 126) and `%NEEDED_BITS%` (`32-bit`, `64-bit` or `ARM64`,",
            "the Java the launcher can load; `x64` in 1018 where the Java found is ARM64); where",
            "no lower bound is set, \" %MIN_VERSION% or newer\" drops out whole. The example's text is shown",
            "only where it differs from a new project's.", "",
            "| string | key | when | text of a new project | the example's | placeholders |",
            "|---|---|---|---|---|---|"]
    for name, number, key, kind, example, fresh in messages:
        fresh = example if fresh is None else fresh
        tokens = list(dict.fromkeys(PLACEHOLDER.findall(fresh) + PLACEHOLDER.findall(example)))
        other = cell(toml_text(example)) if example != fresh else ""
        where = f"`{key}`" if key else SET_BY[number]
        out.append(f"| {number} | {where} | {MEANINGS[number]} | {cell(toml_text(fresh))} | {other} "
                   f"| {', '.join(f'`{t}`' for t in tokens) or '—'} |")
    return "\n".join(out) + "\n"


def main():
    if sys.argv[1:] not in ([], ["--check"]):
        sys.exit(__doc__.strip())
    text = page()
    if sys.argv[1:] == ["--check"]:
        try:
            with open(PAGE, encoding="utf-8", newline="") as f:
                same = f.read() == text
        except FileNotFoundError:
            same = False
        if not same:
            sys.exit("docs/reference.md is out of date: run python3 tools/reference.py")
        return
    os.makedirs(os.path.dirname(PAGE), exist_ok=True)
    with open(PAGE, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


if __name__ == "__main__":
    main()
