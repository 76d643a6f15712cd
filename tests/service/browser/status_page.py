#!/usr/bin/env python3
"""kasd's status page in headless Chromium: kasd against kasemu as COM1, one
receipt printed and one refused through the API, the rendered page read; then
kasd with a token, where the page asks for it. Exits 77 without chromium.

    status_page.py --kasd PATH --kasemu PATH [--screenshot FILE]"""
import argparse
import html
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

SALE = {"lines": [{"name": "Батон", "quantity": 2, "price": 1250, "taxGroup": "А"},
                  {"name": "Сыр", "quantity": 350, "decimals": 3, "price": 40000, "taxGroup": "А"}],
        "payments": [{"form": "card", "amount": 1000}, {"form": "cash", "amount": 20000}]}
# Group Б has no rate on a fresh register: the register refuses the second line.
REFUSED = {"lines": [{"name": "Чай", "quantity": 1, "price": 9900, "taxGroup": "А"},
                     {"name": "Вино", "quantity": 1, "price": 45000, "taxGroup": "Б"}],
           "payments": [{"form": "cash", "amount": 60000}]}


def call(base, path, body=None, key=None):
    req = urllib.request.Request(base + path, data=body and json.dumps(body).encode(),
                                 headers={"Idempotency-Key": key} if key else {})
    try:
        with urllib.request.urlopen(req, timeout=60) as r:
            return r.status, r.headers.get("Content-Type"), r.read().decode()
    except urllib.error.HTTPError as e:
        return e.code, e.headers.get("Content-Type"), e.read().decode()


class Run:
    def __init__(self, a, tmp, browser):
        self.a, self.tmp, self.browser, self.failures = a, tmp, browser, []
        self.env = dict(os.environ, KASDRV_DEVICES=tmp)
        self.log = open(os.path.join(tmp, "kasd.err"), "w+")

    def kasd(self, *words):
        """Starts kasd on the run's journal; its process and its base URL."""
        p = subprocess.Popen([self.a.kasd, "--listen", "127.0.0.1:0", "--journal",
                              os.path.join(self.tmp, "journal.sqlite3"), *words], env=self.env,
                             stdout=subprocess.PIPE, stderr=self.log, text=True)
        line = p.stdout.readline()
        if not line.startswith("kasd: listening on http://"):
            self.log.seek(0)
            raise RuntimeError("kasd did not start: " + line + self.log.read())
        return p, line.split(" on ", 1)[1].strip()

    def chromium(self, url, *args):
        return subprocess.run([self.browser, "--headless", "--no-sandbox", "--disable-gpu",
                               "--disable-dev-shm-usage", "--no-first-run", "--disable-extensions",
                               "--disable-background-networking", "--disable-component-update",
                               "--user-data-dir=" + os.path.join(self.tmp, "chromium"),
                               "--virtual-time-budget=4000", *args, url],
                              capture_output=True, text=True, timeout=120).stdout

    def expect(self, dom, marker, text):
        """The element the marker is on, up to the end of its row, shows the text."""
        at = dom.find(marker)
        row = re.split(r"</(?:dd|tr|h3|p|form)>", dom[dom.find(">", at) + 1:])[0]
        if at < 0 or not re.search(text, html.unescape(re.sub(r"<[^>]*>", "", row)).strip()):
            self.failures.append(f"the page has no {marker} with {text!r}")


def check(run):
    kasd, base = run.kasd()
    call(base, "/v1/registers/1/status")  # kasd's first look at the register
    sale = json.loads(call(base, "/v1/registers/1/receipts", SALE, "kassa1-0001")[2])
    refused = json.loads(call(base, "/v1/registers/1/receipts", REFUSED, "kassa1-0002")[2])
    status, type_, page = call(base, "/")
    if status != 200 or not type_.startswith("text/html") or re.search(r"https?://", page):
        run.failures.append(f"GET / answered {status} {type_}, or the page refers elsewhere")
    if sale.get("outcome") != "printed" or refused.get("outcome") != "annulled":
        run.failures.append(f"receipts: {sale} {refused}")
    dom = run.chromium(base + "/", "--dump-dom")
    for marker, text in [('id="updated"', "^Обновлено в"),
                         ('data-state="idle"', "готов"),
                         ('data-flag="shiftOpen"', "открыта"),
                         ('data-flag="receiptOpen"', "закрыт"),
                         ('data-paper=""', "в норме"),
                         ('data-key="kassa1-0001"',
                          f"напечатан.*чек №\u00a0{sale.get('receiptNumber')}, HTTP 200"),
                         ('data-key="kassa1-0002"', "аннулирован.*HTTP 422.*Налоговая группа")]:
        run.expect(dom, marker, text)
    picture = os.path.abspath(run.a.screenshot or os.path.join(run.tmp, "kasd-status.png"))
    run.chromium(base + "/", "--hide-scrollbars", "--window-size=1100,760",
                 "--screenshot=" + picture)
    with open(picture, "rb") as f:
        if f.read(8) != b"\x89PNG\r\n\x1a\n":
            run.failures.append("no screenshot")
    kasd.terminate()
    kasd.wait()
    # With a token the page itself is served, and it asks for the token.
    token = os.path.join(run.tmp, "token")
    with open(token, "w") as f:
        f.write("a-token-of-the-shop-0123456789\n")
    kasd, base = run.kasd("--token-file", token)
    locked = run.chromium(base + "/", "--dump-dom")
    run.expect(locked, '<form id="login">', "Нужен токен доступа")
    run.expect(locked, 'id="updated"', "^Нужен токен доступа$")
    if '<section id="board" hidden' not in locked:
        run.failures.append("the registers are shown without the token")
    kasd.terminate()
    kasd.wait()
    if run.failures:
        print(dom, locked, sep="\n")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--kasd", required=True)
    ap.add_argument("--kasemu", required=True)
    ap.add_argument("--screenshot")
    a = ap.parse_args()
    browser = shutil.which("chromium")
    if not browser:
        print("chromium is not installed: skipped")
        return 77
    started = time.monotonic()
    tmp = tempfile.mkdtemp(prefix="kasd-browser-")
    run = Run(a, tmp, browser)
    emulator = subprocess.Popen([a.kasemu, "--port", "1", "--print-speed", "0"], env=run.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for _ in range(200):
            if os.path.exists(os.path.join(tmp, "com1")):
                break
            time.sleep(0.05)
        check(run)
    finally:
        emulator.terminate()
        emulator.wait()
        shutil.rmtree(tmp, ignore_errors=True)
    print("\n".join(run.failures))
    print(f"status page in chromium: {len(run.failures)} failed, {time.monotonic() - started:.1f} s")
    return 1 if run.failures else 0


if __name__ == "__main__":
    sys.exit(main())
