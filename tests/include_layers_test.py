#!/usr/bin/env python3
"""Fails when an installer/ source includes a layer it must not use.

base is the bottom; package, net, system and ui use base and not each other; app joins
them; resources (the exe's resource script) may use base only."""
import pathlib
import re
import sys

ALLOWED = {
    "base": {"base"},
    "package": {"base", "package"},
    "net": {"base", "net"},
    "system": {"base", "system"},
    "ui": {"base", "ui"},
    "resources": {"base", "resources"},
    "app": {"base", "package", "net", "system", "ui", "app"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"installer/([^/"]+)/', re.MULTILINE)


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parents[1])
    wrong = []
    for path in sorted((root / "installer").rglob("*")):
        if path.suffix not in {".h", ".cpp", ".rc", ".in"} or not path.is_file():
            continue
        layer = path.relative_to(root / "installer").parts[0]
        if layer not in ALLOWED:
            wrong.append(f"{path.relative_to(root)}: folder {layer} is in no layer")
            continue
        for used in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            if used not in ALLOWED[layer]:
                wrong.append(f"{path.relative_to(root)}: {layer} includes {used}")
    print("\n".join(wrong) if wrong else "every include follows the layers")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
