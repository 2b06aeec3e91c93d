#!/usr/bin/env python3
"""Parses an application manifest as XML and checks what a release of the
launcher must state: Windows 7 to 11 as supported systems, the explicit
execution level requireAdministrator without UI access, no DPI awareness,
and the version. Prints every difference.

Usage: check_manifest.py MANIFEST.xml X.Y.Z   (exit 0: as expected, 1: not)
"""
import sys
import xml.etree.ElementTree as ET

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
SYSTEMS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


def check(root, version):
    problems = []

    def expect(what, expected, actual):
        if expected != actual:
            problems.append(f"{what}: expected {expected!r}, found {actual!r}")

    expect("root element", ASM_V1 + "assembly", root.tag)
    expect("manifestVersion", "1.0", root.get("manifestVersion"))
    identity = root.find(ASM_V1 + "assemblyIdentity")
    expect("assemblyIdentity version", version + ".0", identity.get("version") if identity is not None else None)
    expect("assemblyIdentity type", "win32", identity.get("type") if identity is not None else None)

    levels = root.findall(f"{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/"
                          f"{ASM_V3}requestedExecutionLevel")
    expect("requestedExecutionLevel elements", 1, len(levels))
    if levels:
        expect("execution level", "requireAdministrator", levels[0].get("level"))
        expect("uiAccess", "false", levels[0].get("uiAccess"))

    ids = [e.get("Id", "").lower() for e in root.findall(f"{COMPAT}compatibility/{COMPAT}application/{COMPAT}supportedOS")]
    expect("supported systems", sorted(SYSTEMS.values()), sorted(SYSTEMS.get(i, i) for i in ids))

    # DPI settings may sit in any namespace; none may be declared.
    dpi = sorted({e.tag for e in root.iter() if e.tag.split("}")[-1].lower() in ("dpiaware", "dpiawareness")})
    expect("DPI awareness elements", [], dpi)
    return problems


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    path, version = sys.argv[1], sys.argv[2]
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as error:
        print(f"{path}: not a readable XML manifest: {error}")
        return 1
    problems = check(root, version)
    for problem in problems:
        print(f"{path}: {problem}")
    if not problems:
        print(f"{path}: manifest as expected (version {version}, requireAdministrator, Windows 7 to 11, no DPI awareness)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
