#!/usr/bin/env python3
"""The i686 lane's fetch against a small stand-in mirror on this machine.

A loopback HTTP server (a free port, lives at most a few minutes) serves
signed suites of empty packages: the two suites the lane reads, and a
broken extra suite that it must never touch. Each case gives the mirror a
flaw (a Wine version it no longer serves, a file served short once or every
time) and checks what `i686-lane fetch` does: which packages it takes, what
it asks the mirror for and the one line it fails with. No network.
Usage: lane_fetch_test.py   (from anywhere; prints "lane fetch: N passed, M failed")
"""
import glob
import hashlib
import http.server
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import urllib.parse

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
LANE = os.path.join(ROOT, "scripts", "i686-lane")
TRIES = 3
LIBRARIES = ["libxrender1", "libxrandr2", "libxi6", "libxcursor1", "libxfixes3", "libxcomposite1",
             "libxinerama1", "libxxf86vm1", "libgnutls30"]


def run(*args, **kw):
    return subprocess.run(args, check=True, capture_output=True, text=True, **kw).stdout


def pinned():
    """The host's Wine version and the qemu-user version the lane pins."""
    wine = run("dpkg-query", "-W", "-f", "${Version}", "wine64")
    qemu = run("sh", "-c", 'tv_root="$1" WINEPREFIX=; . "$1/scripts/lib/i686-env.sh"; '
               'echo "$tv_lane_suite $tv_lane_qemu_suite $tv_lane_qemu_version"', "sh", ROOT).split()
    return wine, qemu[0], qemu[1], qemu[2]


class Mirror:
    """Suites of empty packages under one folder, signed with a key of its own."""

    def __init__(self, folder):
        self.folder = folder
        self.gnupg = os.path.join(folder, "gnupg")
        os.makedirs(self.gnupg, mode=0o700)
        self.gpg("--quick-gen-key", "Stand-in mirror <mirror@stand-in.invalid>", "ed25519", "sign", "never")
        self.keyring = os.path.join(folder, "stand-in.gpg")
        with open(self.keyring, "wb") as out:
            out.write(subprocess.run(["gpg", "--homedir", self.gnupg, "--export"], check=True,
                                     capture_output=True).stdout)

    def gpg(self, *args):
        run("gpg", "--homedir", self.gnupg, "--batch", "--passphrase", "", "--pinentry-mode", "loopback", *args)

    def close(self):
        subprocess.run(["gpgconf", "--homedir", self.gnupg, "--kill", "all"], capture_output=True)

    def deb(self, pool, name, version, arch, depends=None):
        """Builds an empty package into pool; returns its Packages stanza."""
        tree = os.path.join(self.folder, "tree")
        shutil.rmtree(tree, ignore_errors=True)
        os.makedirs(os.path.join(tree, "DEBIAN"))
        control = f"Package: {name}\nVersion: {version}\nArchitecture: {arch}\nMaintainer: nobody <n@b.invalid>\n"
        control += f"Depends: {depends}\n" if depends else ""
        control += "Description: stand-in\n"
        with open(os.path.join(tree, "DEBIAN", "control"), "w") as out:
            out.write(control)
        filename = f"pool/main/{name}_{version.split(':')[-1]}_{arch}.deb"
        os.makedirs(os.path.join(pool, "pool", "main"), exist_ok=True)
        run("dpkg-deb", "--root-owner-group", "-Zgzip", "--build", tree, os.path.join(pool, filename))
        with open(os.path.join(pool, filename), "rb") as f:
            data = f.read()
        return control + (f"Filename: {filename}\nSize: {len(data)}\n"
                          f"SHA256: {hashlib.sha256(data).hexdigest()}\n")

    def suite(self, base, suite, arch, stanzas, broken=False):
        """Writes dists/SUITE of base: its Packages and its signed InRelease."""
        dists = os.path.join(base, "dists", suite)
        packages = os.path.join(dists, "main", f"binary-{arch}", "Packages")
        os.makedirs(os.path.dirname(packages))
        text = "\n".join(stanzas).encode()
        with open(packages, "wb") as out:
            out.write(text)
        # A broken suite names a Packages file of another size and hash.
        listed = text + b"more" if broken else text
        release = (f"Origin: Stand-in\nSuite: {suite}\nCodename: {suite}\nDate: Sat, 01 Jan 2022 00:00:00 UTC\n"
                   f"Architectures: {arch}\nComponents: main\nSHA256:\n"
                   f" {hashlib.sha256(listed).hexdigest()} {len(listed)} main/binary-{arch}/Packages\n")
        with open(os.path.join(dists, "Release"), "w") as out:
            out.write(release)
        self.gpg("--yes", "--clearsign", "-o", os.path.join(dists, "InRelease"), os.path.join(dists, "Release"))

    def build(self, name, wine, suite, qemu_suite, qemu):
        """A mirror at FOLDER/NAME/debian offering Wine at version wine."""
        base = os.path.join(self.folder, name, "debian")
        i386 = [self.deb(base, "libwine", wine, "i386"),
                self.deb(base, "wine32", wine, "i386", f"libwine (= {wine})")]
        i386 += [self.deb(base, lib, "1.0-1", "i386") for lib in LIBRARIES]
        self.suite(base, suite, "i386", i386)
        self.suite(base, qemu_suite, "amd64", [self.deb(base, "qemu-user", qemu, "amd64")])
        self.suite(base, suite + "-security", "i386", i386, broken=True)


class Server(http.server.ThreadingHTTPServer):
    """Serves a folder; a file named in flaws is served short that many times."""

    def __init__(self, folder):
        super().__init__(("127.0.0.1", 0), Handler)
        self.folder = folder
        self.flaws = {}
        self.requests = []
        self.lock = threading.Lock()
        threading.Thread(target=self.serve_forever, daemon=True).start()
        # Stops by itself whatever happens to the test.
        self.timer = threading.Timer(300, self.shutdown)
        self.timer.daemon = True
        self.timer.start()


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        server = self.server
        with server.lock:
            server.requests.append(path)
            short = next((p for p in server.flaws if path.endswith(p) and server.flaws[p] > 0), None)
            if short:
                server.flaws[short] -= 1
        file = os.path.normpath(os.path.join(server.folder, path.lstrip("/")))
        if not file.startswith(server.folder + os.sep) or not os.path.isfile(file):
            self.send_error(404)
            return
        with open(file, "rb") as f:
            data = f.read()
        if short:
            data = data[: len(data) // 2]
        self.send_response(200)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


def main():
    wine, suite, qemu_suite, qemu = pinned()
    other_wine = wine + "+deb12u9"
    index = f"dists/{suite}/main/binary-i386/Packages"
    # name, the Wine version the mirror offers, files served short and how
    # often, and what must follow: the lane succeeds, or the last line it prints.
    cases = [
        ("sound", wine, {}, None),
        ("wine-gone", other_wine, {}, f"i686-lane: wine32 (i386) {wine} wanted; the mirror offers {other_wine}"),
        ("index-short-once", wine, {index: 1}, None),
        ("package-short-once", wine, {f"/libwine_{wine}_i386.deb": 1}, None),
        ("index-short-always", wine, {index: 99},
         re.compile(rf"^i686-lane: suite {suite}: Failed to fetch \S+/{index}  File has unexpected size .*\(after {TRIES} tries\)$")),
    ]
    failed = 0
    with tempfile.TemporaryDirectory(prefix="lane-fetch-") as folder:
        mirror = Mirror(folder)
        server = Server(folder)
        try:
            for name, offered, flaws, failure in cases:
                mirror.build(name, offered, suite, qemu_suite, qemu)
                with server.lock:
                    server.flaws = dict(flaws)
                    server.requests = []
                fetched = os.path.join(folder, name, "fetched")
                env = dict(os.environ, TV_I686_MIRROR=f"http://127.0.0.1:{server.server_port}/{name}/debian",
                           TV_I686_KEYRING=mirror.keyring, TV_APT_TRIES=str(TRIES), TV_APT_PAUSE="0")
                result = subprocess.run([LANE, "fetch", fetched], env=env, capture_output=True, text=True,
                                        timeout=120, stdin=subprocess.DEVNULL)
                lines = result.stderr.strip().splitlines()
                debs = sorted(os.path.basename(p) for p in glob.glob(os.path.join(fetched, "*", "archives", "*.deb")))
                faults = []
                touched = sorted({p for p in server.requests if f"/dists/{suite}/" not in p
                                  and f"/dists/{qemu_suite}/" not in p and "/pool/" not in p})
                if touched:
                    faults.append(f"read other suites: {touched}")
                if failure is None:
                    want = {f"wine32_{wine}_i386.deb", f"libwine_{wine}_i386.deb",
                            f"qemu-user_{qemu.replace(':', '%3a')}_amd64.deb"}
                    ok = result.returncode == 0 and want <= set(debs) and len(debs) == len(LIBRARIES) + 3
                else:
                    last = lines[-1] if lines else ""
                    matches = failure.match(last) if hasattr(failure, "match") else last == failure
                    ok = result.returncode != 0 and matches and not debs
                if not ok:
                    faults.append(f"exit {result.returncode}, fetched {debs}")
                for path, times in flaws.items():
                    # Once more than it was spoiled when it healed, else as often as the lane tries.
                    asked, expected = sum(p.endswith(path) for p in server.requests), min(times + 1, TRIES)
                    if asked != expected:
                        faults.append(f"{path} asked for {asked} times, expected {expected}")
                print(f"{'FAILED' if faults else 'ok'}: {name}" + "".join(f"\n  {f}" for f in faults))
                if faults:
                    print("  lane said:\n    " + "\n    ".join(lines))
                failed += bool(faults)
        finally:
            server.shutdown()
            mirror.close()
    print(f"lane fetch: {len(cases) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
