#!/usr/bin/python3
"""A conversion in the page (headless Chromium, window.vok) against the Linux vok, on the same missions.

    bench/web_bench.py [--page build/web/page/index.html] [--vok build/release/bin/vok] [--rounds 30]

Each round converts every example mission to every version and form (36 conversions, types the
target lacks kept). The page times its conversions itself (performance.now, bytes already in the
page); vok converts the three missions of one form to one version and form per start (-o DIR), so
its time includes one process start per three conversions, and it writes into /dev/shm (the page
writes into memory too; on a disk, vok's flushes of every file would dominate). Prints both times per conversion, their ratio, and
the size of the page's folder.
"""
import argparse
import base64
import os
import pathlib
import subprocess
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

ROOT = pathlib.Path(__file__).resolve().parent.parent
VERSIONS = ["df1", "df2", "df3"]
FORMS = ["bms", "mis"]


def page_time(page, examples, rounds):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + tempfile.mkdtemp(prefix="vok-web-bench-")]:
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        driver.get(pathlib.Path(page).resolve().as_uri())
        driver.set_script_timeout(600)
        driver.execute_async_script("window.vok.ready.then(arguments[0])")
        files = [[p.name, base64.b64encode(p.read_bytes()).decode()] for p in examples]
        return driver.execute_script(
            """const [files, versions, forms, rounds] = arguments;
               const missions = files.map(([name, data]) =>
                 [name, Uint8Array.from(atob(data), c => c.charCodeAt(0))]);
               const once = () => { for (const [name, bytes] of missions) for (const to of versions)
                 for (const form of forms) window.vok.convert(bytes, name, {to, form, replace: "skip", epoch: 0}); };
               once();  // warm-up
               const start = performance.now();
               for (let r = 0; r < rounds; ++r) once();
               return (performance.now() - start) / 1000;""", files, VERSIONS, FORMS, rounds)
    finally:
        driver.quit()


def native_time(vok, examples, rounds):
    env = dict(os.environ, SOURCE_DATE_EPOCH="0")
    # One start per input form: two inputs of one name would be written to one file.
    groups = [[p for p in examples if p.suffix == suffix] for suffix in (".bms", ".mis")]
    # The page writes into memory; vok writes into a memory folder too, where its flushes cost little.
    memory = "/dev/shm" if os.path.isdir("/dev/shm") else None
    with tempfile.TemporaryDirectory(dir=memory) as out:
        def once():
            for to in VERSIONS:
                for form in FORMS:
                    for group in groups:
                        subprocess.run([vok, "convert", *map(str, group), "--to", to, "--form", form,
                                        "--replace", "skip", "--quiet", "-o", out], check=True, env=env)
        once()
        start = time.perf_counter()
        for _ in range(rounds):
            once()
        return time.perf_counter() - start


def start_time(vok, rounds):
    """One start of vok that does nothing: what every start adds to its conversions."""
    subprocess.run([vok, "--version"], check=True, capture_output=True)
    start = time.perf_counter()
    for _ in range(rounds):
        subprocess.run([vok, "--version"], check=True, capture_output=True)
    return (time.perf_counter() - start) / rounds


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", default=str(ROOT / "build/web/page/index.html"))
    parser.add_argument("--vok", default=str(ROOT / "build/release/bin/vok"))
    parser.add_argument("--rounds", type=int, default=30)
    args = parser.parse_args()
    examples = sorted((ROOT / "data/examples").glob("*.*"))
    conversions = len(examples) * len(VERSIONS) * len(FORMS) * args.rounds
    page = page_time(args.page, examples, args.rounds) / conversions
    native = native_time(args.vok, examples, args.rounds) / conversions
    starts = start_time(args.vok, args.rounds * 12)
    # Per conversion, without the share of a start (one start per three conversions).
    native_work = native - starts / (len(examples) // 2)
    folder = pathlib.Path(args.page).parent
    size = sum(f.stat().st_size for f in folder.iterdir() if f.is_file())
    core = (folder / "vok_core.js").stat().st_size
    print(f"page:   {page * 1e6:8.1f} us per conversion ({conversions} conversions)")
    print(f"vok:    {native * 1e6:8.1f} us per conversion (one start per {len(examples) // 2} missions)")
    print(f"ratio:  {page / native:8.2f} (page / vok)")
    print(f"vok start alone: {starts * 1e6:.1f} us; vok without its starts: {native_work * 1e6:.1f} us per "
          f"conversion, ratio {page / native_work:.2f}")
    print(f"page size: {size} bytes ({size / 1e6:.2f} MB), of which vok_core.js {core} bytes")


if __name__ == "__main__":
    main()
