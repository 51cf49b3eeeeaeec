#!/usr/bin/env python3
"""Drives headless Chromium through chromedriver (W3C WebDriver over HTTP, standard library only) as an
operator would use Brivan's status page: open it, enter the token, see the servers, press restart on one.
Usage: webdriver_restart.py DRIVER_URL PAGE_URL TOKEN TITLE OTHER_TITLE SCREENSHOT.png PROFILE_DIR"""
import base64
import json
import sys
import time
import urllib.error
import urllib.request

driver, page, token, title, other, screenshot, profile = sys.argv[1:8]
ELEMENT = "element-6066-11e4-a52e-4f735466cecf"


def call(method, path, body=None):
    data = json.dumps(body).encode() if body is not None else None
    req = urllib.request.Request(driver + path, data=data, method=method,
                                 headers={"Content-Type": "application/json"})
    try:
        with urllib.request.urlopen(req, timeout=60) as r:
            return json.load(r)["value"]
    except urllib.error.HTTPError as e:
        raise RuntimeError("%s %s: %s" % (method, path, e.read().decode(errors="replace")[:400])) from None


def fail(why):
    print("FAIL:", why)
    sys.exit(1)


def wait(what, check, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        got = check()
        if got:
            return got
        time.sleep(0.2)
    fail(what)


args = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
        "--disable-background-networking", "--disable-component-update", "--disable-sync",
        "--disable-dev-shm-usage", "--window-size=1280,800", "--user-data-dir=" + profile]
caps = {"capabilities": {"alwaysMatch": {"browserName": "chrome", "goog:chromeOptions": {
    "binary": "/usr/bin/chromium", "args": args}}}}
session = call("POST", "/session", caps)["sessionId"]
s = "/session/" + session


def find(*selectors):
    """The first element found by any of these ("//..." is XPath, anything else CSS)."""
    for sel in selectors:
        using = "xpath" if sel.startswith("/") else "css selector"
        try:
            return call("POST", s + "/element", {"using": using, "value": sel})[ELEMENT]
        except RuntimeError:
            pass
    return None


def fresh(action):
    """The page redraws its rows on every refresh: an element found just before may be gone by the time it
    is used. Stale means "look again", anything else is a failure."""
    try:
        return action()
    except RuntimeError as e:
        if "stale element" in str(e):
            return None
        raise


def table_text():
    table = find("table#servers", "tbody#rows")
    return table and fresh(lambda: call("GET", s + "/element/%s/text" % table))


def click(*selectors):
    element = find(*selectors)
    return element and fresh(lambda: call("POST", s + "/element/%s/click" % element, {}) or True)


def body_text():
    return call("POST", s + "/execute/sync", {"script": "return document.body.innerText;", "args": []})


try:
    call("POST", s + "/url", {"url": page})
    box = wait("no token field input#token on the page", lambda: find("input#token"))
    if title in body_text():
        fail("the page shows the servers before it has the token")
    call("POST", s + "/element/%s/value" % box, {"text": token})
    call("POST", s + "/element/%s/click" % wait("no button to save the token", lambda: find("button#save-token", "form#auth button[type=submit]")), {})
    wait("no servers' table", lambda: find("table#servers", "tbody#rows"))
    wait("the table does not list %r and %r: %r" % (title, other, body_text()[:500]),
         lambda: all(t in (table_text() or "") for t in (title, other)))
    kept = call("POST", s + "/execute/sync",
                {"script": "return [localStorage.length, document.cookie];", "args": []})
    if kept != [0, ""]:
        fail("the token is kept beyond the page's session (localStorage, cookie): %r" % kept)
    time.sleep(1.5)  # one refresh, so the picture shows players and uptime
    with open(screenshot, "wb") as f:
        f.write(base64.b64decode(call("GET", s + "/screenshot")))
    print("status page: both servers listed; screenshot", screenshot)
    wait("no restart button for %r" % title,
         lambda: click('button.restart[data-server="%s"]' % title.replace('"', '\\"'),
                       "//tr[td[normalize-space()='%s']]//button[normalize-space()='Перезапустить']" % title))
    try:  # a confirmation the page may ask
        time.sleep(0.3)
        call("POST", s + "/alert/accept", {})
        print("confirmation accepted")
    except RuntimeError:
        pass
    print("restart pressed for", title)
finally:
    call("DELETE", s)
