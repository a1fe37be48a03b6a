#!/usr/bin/python3
"""The converter page in headless Chromium (Selenium, Debian's chromium and chromium-driver).

- every example converted to every version and form through window.vok gives the bytes of the Linux
  vok with the same epoch (and the same names, the same detection, the same refusals);
- two missions picked through the page's own control, the replacement dialog (each type asked
  once), a download of one file and of the zip;
- a damaged binary and a damaged ascii file show the messages the core gives;
- lists changed in the page (an editor entry, an "OK-S" answer) are there again after a reload;
- the page logs no error on the console.
"""
import argparse
import base64
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as EC
from selenium.webdriver.support.ui import WebDriverWait

ARGS = None
EPOCH = 1700000000
VERSIONS = ["df1", "df2", "df3"]
FORMS = ["bms", "mis"]


def native(*args, epoch=EPOCH):
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch))
    return subprocess.run([ARGS.vok, *args], capture_output=True, text=True, env=env)


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = pathlib.Path(tempfile.mkdtemp(prefix="vok-web-test-"))
        cls.downloads = cls.tmp / "downloads"
        cls.downloads.mkdir()
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--disable-dev-shm-usage", "--window-size=1200,900",
                     "--user-data-dir=" + str(cls.tmp / "profile")]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        cls.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        cls.driver.execute_cdp_cmd("Page.setDownloadBehavior",
                                   {"behavior": "allow", "downloadPath": str(cls.downloads)})
        cls.url = pathlib.Path(ARGS.page).resolve().as_uri()
        cls.open_page()

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    @classmethod
    def open_page(cls):
        cls.driver.get(cls.url)
        cls.driver.set_script_timeout(60)
        cls.driver.execute_async_script("window.vok.ready.then(arguments[0])")

    def tearDown(self):
        errors = [e for e in self.driver.get_log("browser") if e["level"] == "SEVERE"]
        self.assertEqual(errors, [], "the page logged errors")

    # -- helpers --
    def hook_convert(self, path, options):
        data = base64.b64encode(pathlib.Path(path).read_bytes()).decode()
        return self.driver.execute_script(
            """const bytes = Uint8Array.from(atob(arguments[0]), c => c.charCodeAt(0));
               try {
                 const r = window.vok.convert(bytes, arguments[1], arguments[2]);
                 let text = ""; for (const b of r.bytes) text += String.fromCharCode(b);
                 return {bytes: btoa(text), name: r.name, report: r.report};
               } catch (e) { return {error: e.message}; }""", data, pathlib.Path(path).name, options)

    def hook_detect(self, path):
        data = base64.b64encode(pathlib.Path(path).read_bytes()).decode()
        return self.driver.execute_script(
            "return window.vok.detect(Uint8Array.from(atob(arguments[0]), c => c.charCodeAt(0)), arguments[1]);",
            data, pathlib.Path(path).name)

    def wait(self, condition, timeout=30):
        return WebDriverWait(self.driver, timeout).until(condition)

    def pick(self, *paths):
        self.driver.find_element(By.ID, "tab-convert").click()
        self.driver.find_element(By.ID, "clear").click()
        self.driver.find_element(By.ID, "pick").send_keys("\n".join(str(pathlib.Path(p).resolve()) for p in paths))
        self.wait(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#missions .mission")) == len(paths)
                  and all(c.find_elements(By.CSS_SELECTOR, ".facts, .message, .question")
                          for c in d.find_elements(By.CSS_SELECTOR, "#missions .mission")))
        return self.driver.find_elements(By.CSS_SELECTOR, "#missions .mission")

    def choose(self, select_id, value):
        self.driver.execute_script("document.getElementById(arguments[0]).value = arguments[1];", select_id, value)

    def answer_dialog(self, answers):
        """Answers every question of the replacement dialog: answers(question) gives the button id."""
        questions = []
        while True:
            try:
                self.wait(lambda d: d.execute_script("return document.getElementById('replace-dialog').open")
                          or "converted" in d.find_element(By.ID, "status").text
                          or "Cancel Save" in d.find_element(By.ID, "status").text, timeout=20)
            except Exception:
                break
            if not self.driver.execute_script("return document.getElementById('replace-dialog').open"):
                break
            question = self.driver.find_element(By.ID, "replace-question").text
            questions.append(question)
            self.driver.find_element(By.ID, answers(question)).click()
            self.wait(lambda d: not d.execute_script("return document.getElementById('replace-dialog').open")
                      or d.find_element(By.ID, "replace-question").text != question)
        return questions

    def downloaded(self, name, timeout=20):
        target = self.downloads / name
        end = time.time() + timeout
        while time.time() < end:
            if target.exists() and not (self.downloads / (name + ".crdownload")).exists():
                return target.read_bytes()
            time.sleep(0.1)
        self.fail(f"{name} was not downloaded")

    # -- the hook against the Linux vok --
    def test_every_example_version_and_form_gives_vok_bytes(self):
        examples = sorted(pathlib.Path(ARGS.examples).glob("*.*"))
        self.assertEqual(len(examples), 6)
        out = self.tmp / "native"
        out.mkdir(exist_ok=True)
        compared = 0
        for example in examples:
            for to in VERSIONS:
                for form in FORMS:
                    for replace in ["skip", "remove"]:
                        with self.subTest(example=example.name, to=to, form=form, replace=replace):
                            expected = out / f"{example.stem}.{form}"
                            result = native("convert", str(example), str(expected), "--to", to,
                                            "--replace", replace)
                            self.assertEqual(result.returncode, 0, result.stderr)
                            page = self.hook_convert(example, {"to": to, "form": form, "replace": replace,
                                                               "epoch": EPOCH})
                            self.assertNotIn("error", page)
                            self.assertEqual(page["name"], expected.name)
                            self.assertEqual(base64.b64decode(page["bytes"]), expected.read_bytes())
                            compared += 1
        self.assertEqual(compared, 6 * 3 * 2 * 2)

    def test_detect_and_refusals_agree_with_vok(self):
        for example in sorted(pathlib.Path(ARGS.examples).glob("*.*")):
            with self.subTest(example=example.name):
                self.assertEqual(self.hook_detect(example), native("detect", str(example)).stdout.strip())
        # Missing types with "fail": both refuse, naming the same types.
        rows = [("df1_harbour.bms", "df3"), ("df2_night_raid.mis", "df1"), ("df3_mountain_pass.bms", "df2")]
        for name, to in rows:
            with self.subTest(example=name, to=to):
                example = pathlib.Path(ARGS.examples) / name
                result = native("convert", str(example), str(self.tmp / "refused.bms"), "--to", to)
                page = self.hook_convert(example, {"to": to, "replace": "fail"})
                self.assertNotEqual(result.returncode, 0)
                self.assertIn("error", page)
                listed = [line.split()[0] for line in result.stderr.splitlines() if line.startswith("  ")]
                self.assertEqual([line.split()[0] for line in page["error"].splitlines() if line.startswith("  ")],
                                 listed)
        page = self.hook_convert(pathlib.Path(ARGS.examples) / "df1_harbour.bms", {"to": "df4"})
        self.assertIn("df4", page["error"])

    # -- the page's own controls --
    def test_two_missions_through_the_dialog_and_downloads(self):
        first = pathlib.Path(ARGS.examples) / "df1_harbour.bms"
        second = pathlib.Path(ARGS.examples) / "df2_night_raid.mis"
        cards = self.pick(first, second)
        self.assertIn("DF1, binary", cards[0].text)
        self.assertIn("DF2, ascii", cards[1].text)
        self.choose("target", "df3")
        self.choose("form", "bms")
        self.driver.find_element(By.ID, "convert").click()
        questions = self.answer_dialog(lambda q: "answer-skip")
        self.assertGreater(len(questions), 0)
        self.assertEqual(len(questions), len(set(questions)), "a type was asked twice")
        # Every type the two conversions miss is asked exactly once.
        expected_types = set()
        for example in (first, second):
            result = native("convert", str(example), str(self.tmp / "fail.bms"), "--to", "df3")
            expected_types |= {(example.name[:3], line.split()[0]) for line in result.stderr.splitlines()
                               if line.startswith("  ")}
        self.assertEqual(len(questions), len(expected_types))
        self.wait(lambda d: "2 missions converted" in d.find_element(By.ID, "status").text)

        expected = {}
        for example in (first, second):
            target = self.tmp / f"{example.stem}.bms"
            self.assertEqual(native("convert", str(example), str(target), "--to", "df3", "--replace", "skip")
                             .returncode, 0)
            expected[target.name] = target.read_bytes()
        links = self.driver.find_elements(By.CSS_SELECTOR, "a.download")
        self.assertEqual([link.get_attribute("download") for link in links], list(expected))
        links[0].click()
        self.assertEqual(self.downloaded(links[0].get_attribute("download")), expected[links[0].get_attribute("download")])
        self.driver.find_element(By.ID, "zip").click()
        self.downloaded("vok-converted.zip")
        with zipfile.ZipFile(self.downloads / "vok-converted.zip") as archive:
            self.assertEqual({n: archive.read(n) for n in archive.namelist()}, expected)

        # Cancel Save at the first question: nothing is converted.
        self.driver.find_element(By.ID, "convert").click()
        self.assertEqual(len(self.answer_dialog(lambda q: "answer-cancel")), 1)
        self.assertIn("nothing was converted", self.driver.find_element(By.ID, "status").text)

    def test_files_dropped_on_the_page(self):
        self.driver.find_element(By.ID, "tab-convert").click()
        self.driver.find_element(By.ID, "clear").click()
        files = [[p.name, base64.b64encode(p.read_bytes()).decode()]
                 for p in (pathlib.Path(ARGS.examples) / "df3_mountain_pass.bms", pathlib.Path(ARGS.examples) / "df1_harbour.mis")]
        self.driver.execute_script(
            """const transfer = new DataTransfer();
               for (const [name, data] of arguments[0]) {
                 transfer.items.add(new File([Uint8Array.from(atob(data), c => c.charCodeAt(0))], name));
               }
               const zone = document.getElementById("drop");
               zone.dispatchEvent(new DragEvent("dragover", {dataTransfer: transfer, bubbles: true, cancelable: true}));
               zone.dispatchEvent(new DragEvent("drop", {dataTransfer: transfer, bubbles: true, cancelable: true}));""",
            files)
        self.wait(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#missions .mission .facts")) == 2)
        cards = self.driver.find_elements(By.CSS_SELECTOR, "#missions .mission")
        self.assertIn("DF:LW, binary", cards[0].text)
        self.assertIn("DF1, ascii", cards[1].text)

    def test_damaged_files_show_the_cores_messages(self):
        examples = pathlib.Path(ARGS.examples)
        short = self.tmp / "damaged.bms"
        short.write_bytes((examples / "df2_night_raid.bms").read_bytes()[:600])
        bad_line = self.tmp / "damaged.mis"
        lines = (examples / "df2_night_raid.mis").read_text(encoding="latin-1").splitlines(keepends=True)
        team = next(i for i, line in enumerate(lines) if line.strip().startswith("team"))
        lines[team] = "team 99999\r\n"
        bad_line.write_text("".join(lines), encoding="latin-1")
        cards = self.pick(short, bad_line)
        for card, path in zip(cards, (short, bad_line)):
            with self.subTest(file=path.name):
                message = card.find_element(By.CSS_SELECTOR, ".message").text
                result = native("convert", str(path), str(self.tmp / "never.bms"), "--from", "df2")
                self.assertNotEqual(result.returncode, 0)
                # vok writes "vok: PATH: description" or "vok: PATH:" and the window's message.
                said = result.stderr.split(str(path) + ":", 1)[1].strip()
                for line in said.splitlines():
                    self.assertIn(line.strip(), message)
        self.assertIn("Warning!: Error in OpenDF2MIS", cards[1].text)
        self.assertIn(f"At Line: {team + 1}", cards[1].text)

    def test_an_unrecognised_version_is_asked_for(self):
        lines = (pathlib.Path(ARGS.examples) / "df2_night_raid.mis").read_text(encoding="latin-1").splitlines(True)
        start = next(i for i, line in enumerate(lines) if line.startswith("begin general_information"))
        end = next(i for i, line in enumerate(lines) if line.startswith("end general_information"))
        general = self.tmp / "general.MIS"
        general.write_text("".join(lines[start:end + 1]), encoding="latin-1")
        self.assertEqual(native("detect", str(general)).stdout.strip(), "unknown")
        self.assertEqual(self.hook_detect(general), "unknown")
        card = self.pick(general)[0]
        self.assertIn("The File Version Could Not Be Determined!", card.find_element(By.CSS_SELECTOR, ".question").text)
        card.find_element(By.CSS_SELECTOR, "select").send_keys("DF2")
        card.find_element(By.CSS_SELECTOR, "button").click()
        self.wait(lambda d: "DF2, ascii" in d.find_element(By.CSS_SELECTOR, "#missions .mission").text)
        self.assertIn("Night Raid", self.driver.find_element(By.CSS_SELECTOR, "#missions .mission").text)

    def test_lists_saved_and_loaded_in_both_forms(self):
        d = self.driver
        d.find_element(By.ID, "tab-lists").click()
        d.find_element(By.ID, "save-text").click()
        d.find_element(By.ID, "save-vok").click()
        exported = self.tmp / "exported"
        self.assertEqual(native("--lists", str(pathlib.Path(ARGS.vok).parent), "lists", "export", str(exported))
                         .returncode, 0)
        self.downloaded("vok-lists-text.zip")
        self.downloaded("vok-lists.zip")
        with zipfile.ZipFile(self.downloads / "vok-lists-text.zip") as archive:
            self.assertEqual({n: archive.read(n) for n in archive.namelist()},
                             {p.name: p.read_bytes() for p in exported.iterdir()})
        with zipfile.ZipFile(self.downloads / "vok-lists.zip") as archive:
            starter = pathlib.Path(ARGS.vok).parent
            self.assertEqual({n: archive.read(n) for n in archive.namelist()},
                             {n: (starter / n).read_bytes() for n in archive.namelist()})
            self.assertEqual(len(archive.namelist()), 6)

        # Six text files with one description changed load as the lists in use; five are refused.
        items = exported / "DF3Items.txt"
        lines = items.read_text(encoding="utf-8").splitlines(True)
        entry = next(i for i, line in enumerate(lines) if not line.startswith("#"))
        identifier = lines[entry].split("\t")[0]
        lines[entry] = identifier + "\tRenamed in text\n"
        items.write_text("".join(lines), encoding="utf-8")
        texts = sorted(str(p) for p in exported.iterdir())
        d.find_element(By.ID, "load-text").send_keys("\n".join(texts[:5]))
        self.wait(lambda d: "missing: DF3Replace.txt" in d.find_element(By.ID, "list-status").text)
        d.find_element(By.ID, "load-text").send_keys("\n".join(texts))
        self.wait(lambda d: "Loaded the six lists" in d.find_element(By.ID, "list-status").text)
        self.choose("list-which", "3")
        d.execute_script("document.getElementById('list-which').dispatchEvent(new Event('change'))")
        d.find_element(By.ID, "list-filter").send_keys("renamed in")
        self.assertEqual([r.text for r in d.find_elements(By.CSS_SELECTOR, "#list-body tr")],
                         [identifier + " Renamed in text"])
        # The six .vok files of the starter lists bring them back.
        starter = pathlib.Path(ARGS.vok).parent
        d.find_element(By.ID, "load-vok").send_keys("\n".join(str((starter / n).resolve()) for n in
                                                              ["DF1Items.vok", "DF2Items.vok", "DF3Items.vok",
                                                               "DF1Replace.vok", "DF2Replace.vok", "DF3Replace.vok"]))
        self.wait(lambda d: d.find_elements(By.CSS_SELECTOR, "#list-body tr") == [])
        d.find_element(By.ID, "starter").click()

    def test_lists_saved_in_the_browser_survive_a_reload(self):
        d = self.driver
        d.find_element(By.ID, "tab-lists").click()
        self.choose("list-which", "2")
        d.execute_script("document.getElementById('list-which').dispatchEvent(new Event('change'))")
        d.find_element(By.ID, "entry-id").send_keys("2999")
        d.find_element(By.ID, "entry-description").send_keys("Hovercraft Ärger")
        d.find_element(By.ID, "entry-add").click()
        self.assertIn("Added", d.find_element(By.ID, "list-status").text)
        # A taken identifier is refused with the editor's message.
        d.find_element(By.ID, "entry-add").click()
        self.assertIn("Invalid ID, Or Item ID is already used!", d.find_element(By.ID, "list-status").text)
        # Replacements follow the editor's rules: one per type and version, and only listed types.
        self.choose("list-which", "4")
        d.execute_script("document.getElementById('list-which').dispatchEvent(new Event('change'))")
        refusals = [("2031", "df2", "2005", "Item 2031 Already Has A Replacement In DF2: 2005"),
                    ("9000", "df2", "9998", "Invalid Replacement ID: 9998 (not in list) In DF2!")]
        for source, to, replacement, message in refusals:
            with self.subTest(source=source, replacement=replacement):
                for field, value in (("rep-id", source), ("rep-replacement", replacement)):
                    d.find_element(By.ID, field).clear()
                    d.find_element(By.ID, field).send_keys(value)
                self.choose("rep-to", to)
                d.find_element(By.ID, "entry-add").click()
                self.assertIn(message, d.find_element(By.ID, "list-status").text)
        self.choose("list-which", "2")
        d.execute_script("document.getElementById('list-which').dispatchEvent(new Event('change'))")

        # "OK-S" in the replacement dialog saves into the source version's replacement list.
        d.find_element(By.ID, "tab-convert").click()
        self.pick(pathlib.Path(ARGS.examples) / "df1_harbour.bms")
        self.choose("target", "df3")
        d.find_element(By.ID, "convert").click()
        answers = iter(["answer-ok-s"])
        questions = self.answer_dialog(lambda q: next(answers, "answer-skip"))
        missing_id = questions[0].split(" type ")[1].split()[0]

        self.open_page()
        d.find_element(By.ID, "tab-lists").click()
        self.choose("list-which", "4")
        d.execute_script("document.getElementById('list-which').dispatchEvent(new Event('change'))")
        saved = [r.text.split()[0] for r in d.find_elements(By.CSS_SELECTOR, "#list-body tr")]
        self.assertIn(missing_id, saved)
        self.choose("list-which", "2")
        d.execute_script("document.getElementById('list-which').dispatchEvent(new Event('change'))")
        d.find_element(By.ID, "list-filter").send_keys("hovercraft")
        rows = d.find_elements(By.CSS_SELECTOR, "#list-body tr")
        self.assertEqual([r.text for r in rows], ["2999 Hovercraft Ärger"])
        self.assertIn("Your own lists", d.find_element(By.ID, "list-origin").text)
        # Back to the starter lists, which a reload keeps too.
        d.find_element(By.ID, "starter").click()
        self.open_page()
        d.find_element(By.ID, "tab-lists").click()
        self.assertIn("starter", d.find_element(By.ID, "list-origin").text)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--vok", required=True)
    parser.add_argument("--examples", required=True)
    ARGS, rest = parser.parse_known_args()
    if not os.access(ARGS.vok, os.X_OK):
        print(f"browser_test: {ARGS.vok} is missing: build the release preset first", file=sys.stderr)
        return 1
    return 0 if unittest.main(argv=[sys.argv[0], *rest], exit=False).result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
