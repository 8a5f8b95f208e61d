"""qxsim --live driven through its page in headless Chromium.

Usage: live_page_test.py QXSIM [--screenshot PNG]

Steers a live session with the virtual cap's keys and a synthetic game
controller, switches the rotation mode between motions, downloads the
recorded scenario, ends the session and replays the scenario in virtual time:
each motion must take the same number of passes as it did live, so the
final views agree to rounding (1e-9 of the view's size). Also checks that a
second page only watches, that bad requests get a 4xx and a log line, that
seven pages of one browser all follow the session (they share one event
stream), that the steering page closed or hidden while a key is held
releases the cap, and the transcript's filter and the panes' size; that the
page comes with the picture, a refused step stays in its box, a page opened
late starts with the log's tail and the end names the transcript and the log.
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


def status_of(url, data=None, token=''):
    headers = {'Content-Type': 'application/x-qxsim', 'X-Qxsim-Token': token} if data else {}
    try:
        return urllib.request.urlopen(urllib.request.Request(url, data=data, headers=headers),
                                      timeout=10).status
    except urllib.error.HTTPError as err:
        return err.code


def steering(pages):
    """The page that steers, once one does (the others watch)."""
    return cdp.wait_until(lambda: next((p for p in pages if p.js('qx.role') == 'steering'), None),
                          20, 'a steering page')


def held_motion(page, key, views=15):
    """Holds `key` on `page` until the view moved `views` times; the key stays held."""
    after_watchdog(page)
    page.call('Page.bringToFront')
    start = page.js('qx.views')
    page.key('keyDown', key)
    page.wait('qx.views >= %d && qx.lastRest === false' % (start + views))


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


def download(page, folder):
    """The recorded scenario, downloaded through the page's link into `folder`."""
    page.call('Browser.setDownloadBehavior', behavior='allow', downloadPath=folder,
              eventsEnabled=True)
    page.js("document.getElementById('download').click()")
    page.event('Browser.downloadProgress', lambda p: p['state'] == 'completed', TIMEOUT)
    return open(os.path.join(folder, 'live-session.qxs')).read()


def replayed(qxsim, work, scenario, count):
    """Replays a calibrated scenario in virtual time and checks that each of its
    `count` motions takes the passes it took live; returns the replay's events."""
    check(scenario.startswith('# Recorded by qxsim --live, calibrated') and
          '\nsetting toggleRotationCenter "on"\n' in scenario, 'not calibrated:\n' + scenario)
    with open(os.path.join(work, 'live.qxs'), 'w') as out:
        out.write(scenario)
    # On a profile whose switches are all the other way: the scenario's head
    # sets the values the session started with.
    shutil.rmtree(os.path.join(work, 'replay-profile'), ignore_errors=True)
    shutil.copytree(os.path.join(work, 'start-profile'), os.path.join(work, 'replay-profile'))
    ini = os.path.join(work, 'replay-profile', 'QuorvexDevice', 'Applications', 'autocad_addin.ini')
    text = open(ini).read()
    flipped = re.sub(r'= (on|off)\b', lambda m: '= ' + ('off' if m.group(1) == 'on' else 'on'), text)
    check(flipped != text, 'no switch to flip in ' + ini)
    with open(ini, 'w') as out:
        out.write(flipped)
    subprocess.run([qxsim, '--profile', 'replay-profile', '--transcript', 'replay.jsonl',
                    'live.qxs'], cwd=work, check=True, stdout=subprocess.DEVNULL, timeout=120)
    events, replay_passes, replay_rests = passes(os.path.join(work, 'replay.jsonl'))
    written = motions(scenario)
    check(len(written) == count, 'motions in the scenario:\n' + scenario)
    for n, (start, end, live_count) in enumerate(written, 1):
        # Passes that moved the view: up to the one that found the cap at rest.
        rest = min(t for t in replay_rests if t >= end)
        seen = sum(1 for t in replay_passes if start <= t < rest)
        check(seen == live_count, 'motion %d: %d passes live, %d replayed\n%s'
              % (n, live_count, seen, scenario))
    return events


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
        shutil.copytree(os.path.join(work, 'qxsim-profile'), os.path.join(work, 'start-profile'))

        # Bad requests: a 4xx each and a log line (checked at the end).
        check(status_of(url + 'nothing-here') == 404, 'unknown path')
        check(status_of(url + 'events') == 403, 'events without a secret')
        check(status_of(url + 'step', b'release', 'nobody') == 403, 'step from no page')

        # The page comes with the picture as it stands, before its event stream.
        check('<svg' in urllib.request.urlopen(url, timeout=10).read().decode(), 'no first picture')

        browser = cdp.Browser()
        page = browser.page(url)
        page.call('Page.enable')
        page.wait("qx.role === 'steering' && qx.frames > 0")
        token = page.js('ticket.token')
        check(status_of(url + 'step', b'cap 1 2', token) == 400, 'short cap')
        check(status_of(url + 'step', b'wait 10', token) == 400, 'a wait')

        # A second page watches the same session; closing it ends nothing.
        watcher = browser.page(url)
        watcher.wait("qx.role === 'watching' && qx.frames > 0")
        page.call('Page.bringToFront')
        check(status_of(url + 'step', b'release', watcher.js('ticket.token')) == 403,
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

        # A setting toggled and the rotation mode switched at rest, then motion 2:
        # tilt (key I: RX +).
        page.js("document.querySelector('[data-step=\"command QX_Toggle_Rotation_Center\"]').click()")
        page.wait("qx.sent.includes('command QX_Toggle_Rotation_Center')")
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
        page.wait("qx.sent.includes('key zoomall')")
        page.wait("document.getElementById('transcript').textContent.includes('_ZOOM _ALL')")
        first = download(page, os.path.join(work, 'first'))

        # Motion 4: a drag on the picture, through several cap values.
        after_watchdog(page)
        box = page.js("(r => [r.x + r.width / 2, r.y + r.height / 2])("
                      "document.getElementById('view').getBoundingClientRect())")
        page.call('Input.dispatchMouseEvent', type='mousePressed', x=box[0], y=box[1],
                  button='left', clickCount=1)
        for dx in range(25, 150, 25):
            page.call('Input.dispatchMouseEvent', type='mouseMoved', x=box[0] + dx, y=box[1],
                      button='left', buttons=1)
            page.wait("qx.sent.at(-1) === 'cap 0 0 0 0 %d 0'" % round(dx * 15 / 25))
            page.wait('qx.views >= %d' % (page.js('qx.views') + 3))
        page.call('Input.dispatchMouseEvent', type='mouseReleased', x=box[0] + 125, y=box[1],
                  button='left', clickCount=1)
        page.wait("qx.sent.at(-1) === 'release' && qx.counts.view_saved === 4")
        check(page.js('qx.errors.length') == 0, 'page errors: %s' % page.js('qx.errors'))

        # A refused typed step stays in the box, marked.
        page.js("document.getElementById('step').value = 'cap 1 2 3'")
        page.js("document.querySelector('#stepform button').click()")
        page.wait("qx.errors.length === 1")
        check(page.js("(s => s.value + ' ' + s.className)(document.getElementById('step'))")
              == 'cap 1 2 3 refused', 'the refused step left the box')
        page.js("document.getElementById('step').value = ''")

        # The transcript hides timer lines and the library's polls unless asked;
        # long lines wrap inside the panes.
        page.wait("qx.counts.timer > 0 && qx.counts['lib qxGetDevNum'] > 0")
        shown = page.js("document.getElementById('transcript').textContent")
        check('"ev":"timer"' not in shown and 'qxGetDevNum' not in shown, 'routine lines shown')
        page.js("document.getElementById('hidetimer').click()")
        page.wait("""document.getElementById('transcript').textContent.includes('"ev":"timer"')""")
        check(page.js("""[...document.querySelectorAll('#panels pre')].every(p =>
                  p.scrollWidth <= p.clientWidth && p.getBoundingClientRect().right <= innerWidth
                  && p.clientHeight === 180)"""), 'a pane grew with its lines')

        # Seven pages of one browser all follow the session.
        pages = [page] + [browser.page(url) for _ in range(6)]
        for p in pages[1:]:
            p.wait("qx.role === 'watching' && qx.frames > 0")
        views = pages[-1].js('qx.views')
        held_motion(page, 'l')
        pages[-1].wait('qx.views >= %d' % (views + 15))

        # Motion 5 ends when the steering page goes with the key held (its
        # renderer crashes: no word from it): the cap is released (view_saved)
        # and another page steers.
        page.crash()
        page.close()
        pages = pages[1:]
        page = steering(pages)
        page.wait('qx.lastRest === true')
        # Motion 6: the steering page hidden with a key held releases the cap too.
        held_motion(page, 'j')
        page.js("post('/visibility', 'hidden')")
        page.wait('qx.lastRest === true')
        page.js("post('/visibility', 'visible')")
        page.key('keyUp', 'j')
        for p in pages:
            if p is not page:
                p.close()

        scenario = download(page, os.path.join(work, 'last'))

        # A page opened late still starts with the log's tail, however busy
        # the transcript was: the module's start-up entries are there.
        late = re.search(r"token: '(\w+)'", urllib.request.urlopen(url, timeout=10).read().decode())
        with urllib.request.urlopen(url + 'events?token=' + late.group(1), timeout=10) as events:
            head = ''
            while 'event: transcript' not in head:
                head += events.readline().decode()
        check('event: log\ndata: ---' in head and 'logfile' in head, 'no log tail: ' + head[:300])

        # The end says where the transcript and the log are, on the page and
        # on standard output.
        page.js("document.getElementById('quit').click()")
        page.wait("document.getElementById('ended').textContent.includes('live.jsonl')")
        check(session.wait(TIMEOUT) == 0, 'live session exit code')
        out = session.stdout.read()
        check('the live session ended' in out and 'live.jsonl' in out and
              'autocad_addin_log.txt' in out, 'no places at the end: ' + out)
        log = session.stderr.read()
        for line in ('refused (404)', 'refused (400)', 'refused (403)',
                     'closed its event stream: the cap is released',
                     'hidden for more than 1000 ms: the cap is released'):
            check(line in log, 'no line %r in: %s' % (line, log))
    finally:
        if browser:
            browser.close()
        if session.poll() is None:
            session.kill()

    # The replay in virtual time: the same passes in each motion and, for the
    # whole session, the same final view. A drag's steps come during a motion;
    # when a replay cannot match its passes the file keeps the live timing and
    # says so.
    replayed(qxsim, work, first, 3)
    check(len(motions(scenario)) == 6, 'motions in the scenario:\n' + scenario)
    if scenario.startswith('# Recorded by qxsim --live, with the live timing'):
        print('the whole session kept its live timing')
    else:
        live = last_view(passes(os.path.join(work, 'live.jsonl'))[0])
        replay = last_view(replayed(qxsim, work, scenario, 6))
        scale = max(live['width'], live['height'])
        for field in ('position', 'target', 'up'):
            for a, b in zip(live[field], replay[field]):
                check(abs(a - b) <= 1e-9 * scale, '%s: live %s, replay %s' % (field, live, replay))
        check(live['width'] == replay['width'] and live['height'] == replay['height'], 'field')
    shutil.rmtree(work, ignore_errors=True)
    print('live page test passed: passes %s' % [w[2] for w in motions(scenario)])


if __name__ == '__main__':
    main()
