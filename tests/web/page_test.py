#!/usr/bin/env python3
"""The browser build in headless Chromium over its DevTools protocol (see
tests/web/run.sh). usage: page_test.py play|audio|broken URL WORK"""
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
const put = CanvasRenderingContext2D.prototype.putImageData, make = AudioContext.prototype.createScriptProcessor;
CanvasRenderingContext2D.prototype.putImageData = function (...a) { __frames.push(performance.now()); return put.apply(this, a); };
AudioContext.prototype.createScriptProcessor = function (...a) {
  const node = make.apply(this, a);
  Object.defineProperty(node, 'onaudioprocess', { set: (f) => node.addEventListener('audioprocess', (e) => {
    f(e);
    const l = e.outputBuffer.getChannelData(0), r = e.outputBuffer.getChannelData(1), out = new Int16Array(l.length * 2);
    for (let i = 0; i < l.length; i++) { out[2 * i] = Math.round(l[i] * 32768); out[2 * i + 1] = Math.round(r[i] * 32768); }
    if (__audio.length < 1200) __audio.push(out);
    if (out.some((v) => v !== 0)) __loud.push(performance.now());
  }) });
  return node;
};
"""

BOX = "(() => { const r = canvas.getBoundingClientRect(); return [r.left, r.top]; })()"

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
            self.log.append(" ".join(str(a.get("value", a.get("description"))) for a in params["args"]))
            if params["type"] == "error":
                self.errors.append(self.log[-1])
        elif method == "Runtime.exceptionThrown" or (method == "Log.entryAdded" and params["entry"]["level"] == "error"):
            self.errors.append(json.dumps(params)[:300])

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

    async def press(self, x, y, touch=False):
        """A click (or a tap) at (x, y) of the game's picture, then the mouse away."""
        left, top = await self.eval(BOX)
        x, y = left + x, top + y
        if touch:
            for kind, points in (("touchStart", [{"x": x, "y": y}]), ("touchEnd", [])):
                await self.call("Input.dispatchTouchEvent", type=kind, touchPoints=points)
                await asyncio.sleep(0.1)
        else:
            await self.call("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
            for kind in ("mousePressed", "mouseReleased"):
                self.clicked_at = await self.eval("performance.now()")  # a click is its release
                await self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)
                await asyncio.sleep(0.1)
            await self.call("Input.dispatchMouseEvent", type="mouseMoved", x=left + 300, y=top + 250)
        await asyncio.sleep(0.4)

def fail(why):
    print(f"FAIL: {why}", flush=True)
    sys.exit(1)

PIXELS = "((x, y, w, h) => Array.from(canvas.getContext('2d').getImageData(x, y, w, h).data))"
MEAN = f"((x, y, w, h) => {{ const d = {PIXELS}(x, y, w, h); let s = 0; for (let i = 0; i < d.length; i += 4) s += d[i] + d[i + 1] + d[i + 2]; return s / d.length; }})"

async def play(page, work):
    await page.until("window.__frames.length > 0", 20, "no frame reached the canvas")
    print(f"first frame {await page.eval('window.__frames[0]') / 1000:.2f} s after navigation")
    size = await page.eval("[canvas.width, canvas.height, canvas.clientWidth, canvas.clientHeight]")
    if size != [800, 600, 800, 600]:
        fail(f"the canvas is {size}, not 800x600 at scale 1")
    await asyncio.sleep(2)
    png = await page.eval("canvas.toDataURL('image/png')")
    open(os.path.join(work, "web.png"), "wb").write(base64.b64decode(png.split(",", 1)[1]))
    frames = await page.eval("(n => (n - 61) * 1000 / (__frames[n - 1] - __frames[60]))(__frames.length)")
    print(f"{frames:.1f} frames a second")
    if not 50 <= frames <= 62:  # a busy machine loses a few
        fail(f"{frames:.1f} frames a second, not about 60")
    print(f"wasm heap {await page.eval('Module.HEAP8.length') / 1048576:.0f} MiB")
    if await page.eval("Module.SDL2.audioContext.state") != "suspended":
        fail("the sound started before any click, tap or key")

    site = f"{MEAN}(160, 488, 48, 48)"
    money = f"{PIXELS}(150, 2, 120, 20).join()"
    before, money_before = await page.eval(site), await page.eval(money)
    await page.press(184, 512)  # the site at row 1, column 3
    await page.until("Module.SDL2.audioContext.state === 'running' && window.__loud.length > 0", 3,
                     "the first click did not start the sound")
    after = await page.eval(site)
    if not before > after * 1.08:
        fail("a click on a site did not select it")
    await page.press(647, 62)  # the first gun, 200
    money_bought = await page.eval(money)
    if money_bought == money_before:
        fail('buying a gun by click did not change "Money:"')
    await page.call("Emulation.setTouchEmulationEnabled", enabled=True)
    await page.press(280, 512, touch=True)  # the site at row 1, column 5
    await page.press(647, 62, touch=True)
    if await page.eval(money) == money_bought:
        fail('buying a gun by touch did not change "Money:"')
    print('"Money:" changed by click and by touch')

    for kind in ("keyDown", "keyUp"):
        await page.call("Input.dispatchKeyEvent", type=kind, key="Escape", code="Escape", windowsVirtualKeyCode=27)
    await page.until("document.getElementById('status').textContent.includes('The game has ended')", 5,
                     "Escape did not end the game")
    count = "[window.__frames.length, window.__loud.length]"
    n = await page.eval(count)
    await asyncio.sleep(0.5)
    if await page.eval(count) != n:
        fail("frames or sound go on after Escape")
    print("Escape: " + await page.eval("document.getElementById('status').textContent"))

async def audio(page, work):
    await page.until("window.__loud.length > 0", 20, "no sound reached the browser")
    print(f"audio context at {await page.eval('Module.SDL2.audioContext.sampleRate')} Hz")
    await asyncio.sleep(float(os.environ.get("AUDIO_SECONDS", "12")))
    await page.press(622, 566)  # the "sound" box
    clicked = page.clicked_at
    await asyncio.sleep(1.0)
    last = await page.eval("window.__loud[window.__loud.length - 1]")
    print(f'"sound" box: silent {max(0, last - clicked):.0f} ms after the click')
    if last - clicked > 400:
        fail("the sound box did not silence the music within 400 ms")
    data = await page.eval("(() => { let b = ''; for (const a of window.__audio) { const u = new Uint8Array(a.buffer); "
                           "for (let i = 0; i < u.length; i += 8192) b += String.fromCharCode(...u.subarray(i, i + 8192)); } "
                           "return btoa(b); })()")
    # Against xmrender --volume 20 (WORK/v20.wav), from the first sound on in both.
    wav, heard = open(os.path.join(work, "v20.wav"), "rb").read(), base64.b64decode(data)
    wav = wav[wav.index(b"data") + 8:]
    wav, heard = (d[next(i for i in range(0, len(d), 4) if d[i:i + 4] != bytes(4)):] for d in (wav, heard))
    same = next((i for i in range(min(len(wav), len(heard))) if wav[i] != heard[i]), min(len(wav), len(heard)))
    print(f"audio: the first {same // 4 / 48000:.2f} s of {len(heard) // 4 / 48000:.2f} s heard equal xmrender --volume 20")
    if same // 4 < 10 * 48000:
        fail("the page's audio is not xmrender's")

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
        port, path = open(port_file).read().split()
        async with websockets.connect(f"ws://127.0.0.1:{port}{path}", max_size=None) as ws:
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
