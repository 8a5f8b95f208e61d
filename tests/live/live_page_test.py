"""qxsim --live driven through its page in headless Chromium.

Usage: live_page_test.py QXSIM [--screenshot PNG]

Steers a live session with the virtual cap's keys and a synthetic game
controller, switches the rotation mode between motions, downloads the
recorded scenario, ends the session and replays the scenario in virtual time:
each motion must take the same number of passes as it did live, so the
final views agree to rounding (1e-9 of the view's size). Also checks that a
second page only watches, that bad requests get a 4xx and a log line, and
that a closed page ends nothing.
"""
import base64
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import urllib.error
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cdp  # noqa: E402

TIMEOUT = 30


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def status_of(url, data=None):
    try:
        return urllib.request.urlopen(urllib.request.Request(url, data=data), timeout=10).status
    except urllib.error.HTTPError as err:
        return err.code


def passes(transcript):
    """The events, and the times of the passes that redrew the view and of those
    that found the cap at rest, in ms since the module loaded."""
    events = [json.loads(line) for line in open(transcript)]
    load = next(e['t'] for e in events if e['ev'] == 'load')
    return (events, [e['t'] - load for e in events if e['ev'] in ('view', 'paper_view')],
            [e['t'] - load for e in events if e['ev'] == 'view_saved'])


def motions(scenario):
    """(written start, written end, live passes) of each motion of a recorded scenario."""
    result, at, start = [], 0, None
    for line in scenario.splitlines():
        words = line.split()
        if not words:
            continue
        if words[0] == 'wait':
            at += int(words[1])
        elif words[0] == 'cap' and start is None:
            start = at
        elif line.startswith('# motion'):
            result.append((start, at, int(re.search(r': (\d+) passes', line).group(1))))
            start = None
    return result


def after_watchdog(page):
    """Waits for the module's watchdog to check the daemon (every 2 s), so that
    a short motion begun then ends before the next check. Replays in virtual
    time were seen to take up a release hundreds of ms late when a check came
    during its motion, which no placement of the release can make up for."""
    checks = page.js("qx.counts['lib qxGetDevNum'] || 0")
    page.wait("qx.counts['lib qxGetDevNum'] > %d" % checks, 5)


def last_view(events):
    return next(e for e in reversed(events) if e['ev'] == 'view')


def main():
    qxsim = sys.argv[1]
    screenshot = sys.argv[sys.argv.index('--screenshot') + 1] if '--screenshot' in sys.argv else None
    work = tempfile.mkdtemp(prefix='qx-live-')
    session = subprocess.Popen([qxsim, '--live', '--port', '0', '--transcript', 'live.jsonl'],
                               cwd=work, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    browser = None
    try:
        url = re.search(r'http://\S+', session.stdout.readline()).group(0)
        check(url.startswith('http://127.0.0.1:'), 'bound to ' + url)

        # Bad requests: a 4xx each and a log line (checked at the end).
        check(status_of(url + 'nothing-here') == 404, 'unknown path')
        check(status_of(url + 'events') == 400, 'events without a page name')
        check(status_of(url + 'step?page=nobody', b'release') == 403, 'step from no open page')

        browser = cdp.Browser()
        page = browser.page(url)
        page.call('Page.enable')
        page.wait("qx.role === 'steering' && qx.frames > 0")
        check(status_of(url + 'step?page=' + page.js('qx.page'), b'cap 1 2') == 400, 'short cap')
        check(status_of(url + 'step?page=' + page.js('qx.page'), b'wait 10') == 400, 'a wait')

        # A second page watches the same session; closing it ends nothing.
        watcher = browser.page(url)
        watcher.wait("qx.role === 'watching' && qx.frames > 0")
        page.call('Page.bringToFront')
        check(status_of(url + 'step?page=' + watcher.js('qx.page'), b'release') == 403,
              'a watching page steers')

        # Motion 1: twist with the virtual cap (key L: RY +).
        before = page.js("document.getElementById('view').innerHTML")
        after_watchdog(page)
        views = page.js('qx.views')
        page.key('keyDown', 'l')
        page.wait('qx.views >= %d' % (views + 20))
        watcher.wait('qx.views >= %d' % (views + 20))
        check(page.js("document.getElementById('view').innerHTML") != before, 'picture unchanged')
        page.key('keyUp', 'l')
        page.wait("qx.counts.view_saved === 1")
        watcher.close()

        # The rotation mode switched at rest, then motion 2: tilt (key I: RX +).
        after_watchdog(page)
        settings = page.js("qx.counts['lib qxGetAdvancedSettings'] || 0")
        page.js("document.querySelector('[data-step=\"rotation 2\"]').click()")
        page.wait("qx.counts['lib qxGetAdvancedSettings'] > %d" % settings)
        views = page.js('qx.views')
        page.key('keyDown', 'i')
        page.wait('qx.views >= %d' % (views + 15))
        page.key('keyUp', 'i')
        page.wait("qx.counts.view_saved === 2")
        if screenshot:
            with open(screenshot, 'wb') as out:
                out.write(base64.b64decode(page.call('Page.captureScreenshot', format='png')['data']))

        # Motion 3: a game controller (injected) pans, then a button sends zoom all.
        after_watchdog(page)
        page.js("""(() => {
            const pad = { id: 'Synthetic six-axis controller', axes: [0.5, 0, 0, 0, 0, 0],
                          buttons: Array.from({ length: 8 }, () => ({ pressed: false })) };
            window.synthetic = pad;
            navigator.getGamepads = () => [pad];
            window.dispatchEvent(new Event('gamepadconnected'));
        })()""")
        page.wait("qx.pad === 'Synthetic six-axis controller' && qx.sent.includes('cap 175 0 0 0 0 0')")
        views = page.js('qx.views')
        page.wait('qx.views >= %d' % (views + 15))
        page.js('synthetic.axes = [0, 0, 0, 0, 0, 0]')
        page.wait("qx.sent.at(-1) === 'release' && qx.counts.view_saved === 3")
        page.js('synthetic.buttons[3].pressed = true')
        page.wait("qx.sent.includes('key 0x2000C')")
        page.wait("document.getElementById('transcript').textContent.includes('_ZOOM _ALL')")
        check(page.js('qx.errors.length') == 0, 'page errors: %s' % page.js('qx.errors'))

        # Download the recorded scenario through the page's link.
        downloads = os.path.join(work, 'downloads')
        page.call('Browser.setDownloadBehavior', behavior='allow', downloadPath=downloads,
                  eventsEnabled=True)
        page.js("document.getElementById('download').click()")
        page.event('Browser.downloadProgress', lambda p: p['state'] == 'completed', TIMEOUT)
        scenario = open(os.path.join(downloads, 'live-session.qxs')).read()

        page.js("document.getElementById('quit').click()")
        check(session.wait(TIMEOUT) == 0, 'live session exit code')
        log = session.stderr.read()
        for status in ('404', '400', '403'):
            check('refused (%s)' % status in log, 'no log line for a %s in: %s' % (status, log))
    finally:
        if browser:
            browser.close()
        if session.poll() is None:
            session.kill()

    # The replay in virtual time: the same passes in each motion, the same final view.
    with open(os.path.join(work, 'live.qxs'), 'w') as out:
        out.write(scenario)
    subprocess.run([qxsim, '--transcript', 'replay.jsonl', 'live.qxs'], cwd=work, check=True,
                   stdout=subprocess.DEVNULL, timeout=120)
    live_events, _, _ = passes(os.path.join(work, 'live.jsonl'))
    replay_events, replay_passes, replay_rests = passes(os.path.join(work, 'replay.jsonl'))
    written = motions(scenario)
    check(len(written) == 3, 'motions in the scenario:\n' + scenario)
    for n, (start, end, live_count) in enumerate(written, 1):
        # Passes that moved the view: up to the one that found the cap at rest.
        rest = min(t for t in replay_rests if t >= end)
        replayed = sum(1 for t in replay_passes if start <= t < rest)
        check(replayed == live_count, 'motion %d: %d passes live, %d replayed\n%s'
              % (n, live_count, replayed, scenario))
    live, replay = last_view(live_events), last_view(replay_events)
    scale = max(live['width'], live['height'])
    for field in ('position', 'target', 'up'):
        for a, b in zip(live[field], replay[field]):
            check(abs(a - b) <= 1e-9 * scale, '%s: live %s, replay %s' % (field, live, replay))
    check(live['width'] == replay['width'] and live['height'] == replay['height'], 'field')
    shutil.rmtree(work, ignore_errors=True)
    print('live page test passed: %d motions, passes %s' % (len(written), [w[2] for w in written]))


if __name__ == '__main__':
    main()
