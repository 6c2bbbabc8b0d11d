#!/usr/bin/env python3
"""The browser build in headless Chromium, driven over its DevTools protocol.
usage: page_test.py SCENARIO URL WORK   (SCENARIO: play, audio, gesture, broken)
play: no console errors, an 800x600 canvas at scale 1, the first frame saved
as WORK/web.png, a click on a site selects it, buying a gun (by click, then
by touch) changes "Money:", about 60 frames a second, and Escape ends the
game. audio: the sound SDL hands the browser saved as WORK/audio.raw (16-bit
stereo), and how long after a click on "sound" it still played. gesture:
sound waits for the first click. broken: the page shows the error text."""
import asyncio
import base64
import json
import os
import subprocess
import sys
import tempfile
import time

import websockets

# Counts the game's presents (SDL's software frames reach the canvas through
# putImageData) and keeps what SDL's audio node hands the browser.
PROBE = """
window.__frames = []; window.__audio = []; window.__loud = [];
const put = CanvasRenderingContext2D.prototype.putImageData;
CanvasRenderingContext2D.prototype.putImageData = function (...a) {
  window.__frames.push(performance.now()); return put.apply(this, a); };
const make = AudioContext.prototype.createScriptProcessor;
AudioContext.prototype.createScriptProcessor = function (...a) {
  const node = make.apply(this, a);
  let handler = null;
  Object.defineProperty(node, 'onaudioprocess', { get: () => handler, set: (f) => {
    handler = f;
    node.addEventListener('audioprocess', (e) => {
      f(e);
      const l = e.outputBuffer.getChannelData(0), r = e.outputBuffer.getChannelData(1);
      const out = new Int16Array(l.length * 2);
      let loud = false;
      for (let i = 0; i < l.length; i++) {
        out[2 * i] = Math.round(l[i] * 32768); out[2 * i + 1] = Math.round(r[i] * 32768);
        loud = loud || out[2 * i] !== 0 || out[2 * i + 1] !== 0;
      }
      if (window.__audio.length < 1200) window.__audio.push(out);
      if (loud) window.__loud.push(performance.now());
    });
  }});
  return node;
};
"""


class Page:
    def __init__(self, ws):
        self.ws, self.next_id, self.errors, self.log = ws, 0, [], []

    async def call(self, method, **params):
        self.next_id += 1
        my_id = self.next_id
        await self.ws.send(json.dumps({"id": my_id, "method": method, "params": params}))
        while True:
            message = json.loads(await self.ws.recv())
            if message.get("id") == my_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message["result"]
            self.note(message)

    def note(self, message):
        method, params = message.get("method"), message.get("params", {})
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description"))) for a in params["args"])
            self.log.append(text)
            if params["type"] == "error":
                self.errors.append(text)
        elif method == "Runtime.exceptionThrown":
            self.errors.append(params["exceptionDetails"].get("exception", {}).get("description", "exception"))
        elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
            self.errors.append(params["entry"]["text"] + " " + params["entry"].get("url", ""))

    async def eval(self, expression):
        result = await self.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    async def until(self, expression, seconds, what):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if await self.eval(f"(() => {{ try {{ return {expression}; }} catch (e) {{ return false; }} }})()"):
                return
            await asyncio.sleep(0.05)
        status = await self.eval("document.getElementById('status').textContent")
        fail(f"{what} (waited {seconds} s); page: {status!r}; console: " + " | ".join(self.log[-8:] + self.errors))

    async def mouse(self, x, y):
        box = await self.eval("(() => { const r = canvas.getBoundingClientRect(); return [r.left, r.top]; })()")
        await self.call("Input.dispatchMouseEvent", type="mouseMoved", x=box[0] + x, y=box[1] + y)
        await asyncio.sleep(0.1)
        for kind in ("mousePressed", "mouseReleased"):
            self.clicked_at = await self.eval("performance.now()")  # a click is its release
            await self.call("Input.dispatchMouseEvent", type=kind, x=box[0] + x, y=box[1] + y, button="left",
                            clickCount=1)
            await asyncio.sleep(0.1)
        await self.call("Input.dispatchMouseEvent", type="mouseMoved", x=box[0] + 300, y=box[1] + 250)
        await asyncio.sleep(0.4)

    async def tap(self, x, y):
        box = await self.eval("(() => { const r = canvas.getBoundingClientRect(); return [r.left, r.top]; })()")
        point = [{"x": box[0] + x, "y": box[1] + y}]
        await self.call("Input.dispatchTouchEvent", type="touchStart", touchPoints=point)
        await asyncio.sleep(0.1)
        await self.call("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])
        await asyncio.sleep(0.5)


def fail(why):
    print(f"FAIL: {why}", flush=True)
    sys.exit(1)


PIXELS = "((x, y, w, h) => Array.from(canvas.getContext('2d').getImageData(x, y, w, h).data))"
MEAN = f"((x, y, w, h) => {{ const d = {PIXELS}(x, y, w, h); let s = 0; for (let i = 0; i < d.length; i += 4) s += d[i] + d[i + 1] + d[i + 2]; return s / d.length; }})"


async def play(page, work):
    await page.until("window.__frames.length > 0", 20, "no frame reached the canvas")
    first = await page.eval("window.__frames[0]")
    print(f"first frame {first / 1000:.2f} s after navigation")
    size = await page.eval("[canvas.width, canvas.height, canvas.clientWidth, canvas.clientHeight]")
    print(f"canvas {size[0]}x{size[1]}, shown at {size[2]}x{size[3]}")
    if size != [800, 600, 800, 600]:
        fail(f"the canvas is {size}, not 800x600 at scale 1")
    await asyncio.sleep(2)
    png = await page.eval("canvas.toDataURL('image/png')")
    with open(os.path.join(work, "web.png"), "wb") as f:
        f.write(base64.b64decode(png.split(",", 1)[1]))
    frames = await page.eval("(() => { const f = window.__frames, n = f.length; "
                             "return (n - 61) * 1000 / (f[n - 1] - f[60]); })()")
    print(f"{frames:.1f} frames a second")
    if not 55 <= frames <= 62:
        fail(f"{frames:.1f} frames a second, not about 60")
    heap = await page.eval("Module.HEAP8.length")
    print(f"wasm heap {heap / 1048576:.0f} MiB")

    site = f"{MEAN}(160, 488, 48, 48)"
    money = f"{PIXELS}(150, 2, 120, 20).join()"
    before, money_before = await page.eval(site), await page.eval(money)
    await page.mouse(184, 512)  # the site at row 1, column 3
    after = await page.eval(site)
    print(f"site brightness {before:.1f}, {after:.1f} selected")
    if not before > after * 1.08:
        fail("a click on a site did not select it")
    await page.mouse(647, 62)  # the first gun, 200
    money_bought = await page.eval(money)
    if os.environ.get("KEEP_SHOTS"):
        png = await page.eval("canvas.toDataURL('image/png')")
        open(os.path.join(work, "bought.png"), "wb").write(base64.b64decode(png.split(",", 1)[1]))
    if money_bought == money_before:
        fail('buying a gun by click did not change "Money:"')
    await page.call("Emulation.setTouchEmulationEnabled", enabled=True)
    await page.tap(280, 512)  # the site at row 1, column 5
    await page.tap(647, 62)
    if await page.eval(money) == money_bought:
        fail('buying a gun by touch did not change "Money:"')
    print('"Money:" changed by click and by touch')

    await page.call("Input.dispatchKeyEvent", type="keyDown", key="Escape", code="Escape",
                    windowsVirtualKeyCode=27, nativeVirtualKeyCode=27)
    await page.call("Input.dispatchKeyEvent", type="keyUp", key="Escape", code="Escape",
                    windowsVirtualKeyCode=27, nativeVirtualKeyCode=27)
    await page.until("document.getElementById('status').textContent.includes('The game has ended')", 5,
                     "Escape did not end the game")
    n = await page.eval("window.__frames.length")
    await asyncio.sleep(0.5)
    if await page.eval("window.__frames.length") != n:
        fail("frames go on after Escape")
    print("Escape: " + await page.eval("document.getElementById('status').textContent"))


async def audio(page, work):
    await page.until("window.__loud.length > 0", 20, "no sound reached the browser")
    rate = await page.eval("Module.SDL2.audioContext.sampleRate")
    print(f"audio context at {rate} Hz")
    await asyncio.sleep(float(os.environ.get("AUDIO_SECONDS", "12")))
    await page.mouse(622, 566)  # the "sound" box
    clicked = page.clicked_at
    await asyncio.sleep(1.0)
    last = await page.eval("window.__loud[window.__loud.length - 1]")
    print(f'"sound" box: silent {max(0, last - clicked):.0f} ms after the click')
    if last - clicked > 400:
        fail("the sound box did not silence the music within 400 ms")
    data = await page.eval("(() => { let b = ''; for (const a of window.__audio) { const u = new Uint8Array(a.buffer); "
                           "for (let i = 0; i < u.length; i += 8192) b += String.fromCharCode(...u.subarray(i, i + 8192)); } "
                           "return btoa(b); })()")
    with open(os.path.join(work, "audio.raw"), "wb") as f:
        f.write(base64.b64decode(data))


async def gesture(page, work):
    await page.until("window.__frames.length > 10", 20, "no frames")
    state = await page.eval("Module.SDL2.audioContext.state")
    if state != "suspended":
        fail(f"the sound started before any gesture ({state})")
    await page.mouse(400, 300)
    await page.until("Module.SDL2.audioContext.state === 'running'", 3, "the first click did not start the sound")
    await page.until("window.__loud.length > 0", 5, "no sound after the first click")
    print("sound starts with the first click")


async def broken(page, work):
    await page.until("document.getElementById('status').textContent.includes('Error while loading Halvex Engine')",
                     20, "no error text in the page")
    print("error shown: " + await page.eval("document.getElementById('status').textContent"))
    page.errors.clear()


async def main():
    scenario, url, work = sys.argv[1], sys.argv[2], sys.argv[3]
    profile = tempfile.mkdtemp(dir=work)
    flags = ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--remote-debugging-port=0", f"--user-data-dir={profile}", "--window-size=800,600"]
    if scenario == "audio":
        flags.append("--autoplay-policy=no-user-gesture-required")
    browser = subprocess.Popen(["chromium", *flags, "about:blank"], stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(work, f"chromium-{scenario}.log"), "w"))
    try:
        port_file = os.path.join(profile, "DevToolsActivePort")
        for _ in range(300):
            if os.path.exists(port_file) and len(open(port_file).read().split()) == 2:
                break
            time.sleep(0.1)
        else:
            fail("Chromium did not start")
        port = open(port_file).read().split()[0]
        async with websockets.connect(f"ws://127.0.0.1:{port}" + open(port_file).read().split()[1],
                                      max_size=None) as ws:
            target = await Page(ws).call("Target.createTarget", url="about:blank")
        async with websockets.connect(f"ws://127.0.0.1:{port}/devtools/page/{target['targetId']}",
                                      max_size=None) as ws:
            page = Page(ws)
            for domain in ("Runtime", "Log", "Page"):
                await page.call(f"{domain}.enable")
            await page.call("Emulation.setDeviceMetricsOverride", width=800, height=600, deviceScaleFactor=1,
                            mobile=False)
            await page.call("Page.addScriptToEvaluateOnNewDocument", source=PROBE)
            await page.call("Page.navigate", url=url)
            await globals()[scenario](page, work)
            if page.errors:
                fail("console errors: " + "; ".join(page.errors))
    finally:
        browser.terminate()
        browser.wait()


asyncio.run(main())
