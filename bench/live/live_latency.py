"""Latency of qxsim --live: from a key press in the page to the redrawn view.

Usage: live_latency.py QXSIM [PRESSES]

Headless Chromium opens the live page. A first key (L: twist) starts a
motion and stays held; then key I (tilt) is pressed and released PRESSES
times (default 200). Each press and each release changes the cap. The page
itself measures each one: from its keydown/keyup handler (performance.now)
to the first animation frame after it drew a picture that the server made
after playing that step. So the figure covers the page's request, the
hand-over to the host's main thread, the next pass of the module's timer
loop, the redraw's picture, its Server-Sent Event and the page's redraw.
A few presses from rest (no motion under way) are measured too: there the
module takes up the cap only at its next idle tick (every 100 ms).
"""
import os
import re
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..',
                                'tests', 'live'))
import cdp  # noqa: E402


def figures(name, values):
    values = sorted(values)
    p99 = values[min(len(values) - 1, int(round(0.99 * (len(values) - 1))))]
    print('%-32s n=%3d  median %6.1f ms  p99 %6.1f ms  min %5.1f  max %6.1f  over 100 ms: %d'
          % (name, len(values), statistics.median(values), p99, values[0], values[-1],
             sum(1 for v in values if v > 100)))
    return statistics.median(values)


def measured(page, count):
    page.wait('qx.latencies.length >= %d' % count, 10)
    return count


def main():
    qxsim = sys.argv[1]
    presses = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    work = tempfile.mkdtemp(prefix='qx-live-bench-')
    session = subprocess.Popen([qxsim, '--live', '--port', '0'], cwd=work,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    browser = cdp.Browser()
    try:
        url = re.search(r'http://\S+', session.stdout.readline()).group(0)
        page = browser.page(url)
        page.wait("qx.role === 'steering' && qx.frames > 0")

        # From rest: press and release, waiting for the view written back each time.
        n = 0
        for i in range(10):
            page.key('keyDown', 'l')
            n = measured(page, n + 1)
            page.key('keyUp', 'l')
            n = measured(page, n + 1)
            page.wait('qx.counts.view_saved === %d' % (i + 1))
        rest = page.js('qx.latencies')[0::2]

        page.key('keyDown', 'l')
        n = measured(page, n + 1)
        downs, ups, arrivals = [], [], []
        for _ in range(presses):
            page.key('keyDown', 'i')
            n = measured(page, n + 1)
            downs.append(page.js('qx.latencies.at(-1)'))
            arrivals.append(page.js('qx.arrivals.at(-1)'))
            page.key('keyUp', 'i')
            n = measured(page, n + 1)
            ups.append(page.js('qx.latencies.at(-1)'))
        page.key('keyUp', 'l')
        page.js("document.getElementById('quit').click()")
        session.wait(30)
    finally:
        browser.close()
        if session.poll() is None:
            session.kill()
    median = figures('press during a motion', downs)
    figures('  (picture arrived, no paint)', arrivals)
    figures('release during a motion', ups)
    figures('press from rest', rest)
    print('target: median under 26 ms (one frame plus one motion tick) -> %s'
          % ('met' if median < 26 else 'NOT met'))


if __name__ == '__main__':
    main()
