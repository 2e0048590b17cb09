#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Plays video files in headless Chromium as a web page would.

usage: browser_playback.py FILE...

Serves the files and a page on localhost, starts Debian's chromium once for
all of them, and lets the page load each file into a <video> element, seek
to its middle, draw that picture on a canvas and post back what it found.
Prints one line per file, in the order given:

    INDEX duration=SECONDS spread=N error=TEXT

duration is what the element reports, spread the difference between the
brightest and the darkest drawn pixel (0 for a blank picture), error empty
unless the element failed. Exit status 0 when every file reported, 1 when
Chromium gave no answer in time.
"""
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading

PAGE = """<!doctype html><html><body><script>
const names = %s;
async function check(name) {
  const v = document.createElement('video');
  v.muted = true; v.preload = 'auto'; v.src = name;
  document.body.appendChild(v);
  try {
    await new Promise((ok, fail) => { v.onloadeddata = ok; v.onerror = () => fail(v.error ? v.error.code : 0); });
    await new Promise((ok, fail) => { v.onseeked = ok; v.onerror = () => fail(v.error ? v.error.code : 0);
                                       v.currentTime = v.duration / 2; });
    const c = document.createElement('canvas');
    c.width = v.videoWidth; c.height = v.videoHeight;
    const g = c.getContext('2d');
    g.drawImage(v, 0, 0);
    const d = g.getImageData(0, 0, c.width, c.height).data;
    let low = 255, high = 0;
    for (let i = 0; i < d.length; i += 4) {
      const y = (d[i] + d[i + 1] + d[i + 2]) / 3;
      if (y < low) low = y;
      if (y > high) high = y;
    }
    return {duration: v.duration, spread: Math.round(high - low), error: ''};
  } catch (e) {
    return {duration: 0, spread: 0, error: 'media error ' + e};
  }
}
(async () => {
  const results = [];
  for (const n of names) results.push(await check(n));
  await fetch('/result', {method: 'POST', body: JSON.stringify(results)});
})();
</script></body></html>
"""


def main():
    files = sys.argv[1:]
    if not files:
        print(__doc__, file=sys.stderr)
        return 2
    root = tempfile.mkdtemp(prefix="clipmill-browser-")
    profile = tempfile.mkdtemp(prefix="clipmill-chromium-")
    names = []
    for i, f in enumerate(files):
        name = "v%d%s" % (i, os.path.splitext(f)[1])
        os.symlink(os.path.abspath(f), os.path.join(root, name))
        names.append(name)
    with open(os.path.join(root, "index.html"), "w") as page:
        page.write(PAGE % json.dumps(names))

    answer = {}

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=root, **kwargs)

        def log_message(self, *args):
            pass

        def do_POST(self):
            length = int(self.headers.get("Content-Length", 0))
            answer["results"] = json.loads(self.rfile.read(length).decode())
            self.send_response(200)
            self.end_headers()
            threading.Thread(target=server.shutdown).start()

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    url = "http://127.0.0.1:%d/index.html" % server.server_address[1]
    # Without the background-networking flags Chromium keeps trying to
    # reach Google, and a closed network refuses it.
    browser = subprocess.Popen(
        ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--user-data-dir=" + profile, url],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    timer = threading.Timer(90, server.shutdown)
    timer.start()
    server.serve_forever()
    timer.cancel()
    browser.kill()
    browser.wait()
    shutil.rmtree(root, ignore_errors=True)
    shutil.rmtree(profile, ignore_errors=True)

    results = answer.get("results")
    if results is None:
        print("no answer from chromium", file=sys.stderr)
        return 1
    for i, r in enumerate(results):
        print("%d duration=%s spread=%s error=%s" % (i, r["duration"], r["spread"], r["error"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
