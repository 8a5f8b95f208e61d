"""qxsim --live driven through its page in headless Chromium.

Usage: live_page_test.py QXSIM [--screenshot PNG]

Starts a live session with a start-up scenario that moves the view, lets
another site's page send a window to it 66 times and ask for 45 pages to
be prefetched, then opens the URL qxsim printed, as its user would, and
steers
it with the virtual cap's keys, a synthetic game controller and a drag on
the picture, toggles a setting and switches the rotation mode between
motions, downloads the recorded scenario, ends the session and replays the
scenario in virtual time on a profile whose switches are all the other way:
the replay's transcript must equal the live one line for line up to the
time the recording ends. Also checks that a
second page only watches, that bad requests get a 4xx and a log line, that
seven pages of one browser all follow the session (they share one event
stream), that the steering page closed or hidden while a key is held
releases the cap, and the transcript's filter and the panes' size; that the
page comes with the picture, a refused step stays in its box, a page opened
late starts with the log's tail and the end names the transcript and the log;
that a step that fails when it runs stays in the box too, that the cap is
released when the steering page goes after a `key` step, that the page
--open starts the browser on opens the session in a browser that has no
cookie yet, and that a motion's chart is drawn while it runs, from its passes.
"""
import base64
import http.server
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import urllib.error
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dies_with_parent  # noqa: E402,F401 (the test and all it starts end with its runner)
import cdp  # noqa: E402

TIMEOUT = 30


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def status_of(url, cookie, data=None, token=''):
    headers = {'Content-Type': 'application/x-qxsim', 'X-Qxsim-Secret': token} if data else {}
    headers['Cookie'] = cookie
    try:
        return urllib.request.urlopen(urllib.request.Request(url, data=data, headers=headers),
                                      timeout=10).status
    except urllib.error.HTTPError as err:
        return err.code


def stat_mode(path):
    return os.stat(path).st_mode & 0o777


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


def recorded_ms(scenario):
    """The time a recorded scenario runs to: its waits added up."""
    return sum(int(line.split()[1]) for line in scenario.splitlines()
               if line.startswith('wait '))


def lines_before(transcript, end):
    """The transcript's lines stamped before `end`."""
    return [line.rstrip('\n') for line in open(transcript) if json.loads(line)['t'] < end]


def after_watchdog(page):
    """Waits for the module's watchdog to check the daemon (every 2 s), so that
    a short motion begun then ends before the next check. Replays in virtual
    time were seen to take up a release hundreds of ms late when a check came
    during its motion, which no placement of the release can make up for."""
    checks = page.js("qx.counts['lib qxGetDevNum'] || 0")
    page.wait("qx.counts['lib qxGetDevNum'] > %d" % checks, 5)


def download(page, folder):
    """The recorded scenario, downloaded through the page's link into `folder`."""
    page.call('Browser.setDownloadBehavior', behavior='allow', downloadPath=folder,
              eventsEnabled=True)
    page.js("document.getElementById('download').click()")
    page.event('Browser.downloadProgress', lambda p: p['state'] == 'completed', TIMEOUT)
    return open(os.path.join(folder, 'live-session.qxs')).read()


def replayed(qxsim, work, scenario):
    """Replays a recorded scenario in virtual time; returns its transcript's path."""
    with open(os.path.join(work, 'live.qxs'), 'w') as out:
        out.write(scenario)
    # On a profile whose switches are all the other way: the scenario's head
    # sets the values the session started with.
    shutil.copytree(os.path.join(work, 'start-profile'), os.path.join(work, 'replay-profile'))
    ini = os.path.join(work, 'replay-profile', 'QuorvexDevice', 'Applications', 'autocad_addin.ini')
    text = open(ini).read()
    flipped = re.sub(r'= (on|off)\b', lambda m: '= ' + ('off' if m.group(1) == 'on' else 'on'), text)
    check(flipped != text, 'no switch to flip in ' + ini)
    with open(ini, 'w') as out:
        out.write(flipped)
    subprocess.run([qxsim, '--profile', 'replay-profile', '--transcript', 'replay.jsonl',
                    'live.qxs'], cwd=work, check=True, stdout=subprocess.DEVNULL, timeout=120)
    return os.path.join(work, 'replay.jsonl')


# Another site's page: it sends a window to the session 66 times, one after
# another, and asks for its pages to be prefetched.
HOSTILE = """<!DOCTYPE html><title>another site</title>
<script type="speculationrules">{"prefetch": [{"source": "list", "eagerness": "immediate",
  "urls": [%(urls)s]}]}</script>
<script>
window.done = false;
function attack() {
  window.w = window.open('about:blank', 'victim');
  let n = 0;
  (function next() {
    if (n === 66) { window.done = true; return; }
    w.location = '%(target)s?n=' + n++;
    setTimeout(next, 200);
  })();
}
</script>"""


def serve(page):
    """Serves `page` on a port of its own; returns the port."""
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            self.send_response(200)
            self.send_header('Content-Type', 'text/html')
            self.end_headers()
            self.wfile.write(page.encode())

        def log_message(self, *args):
            pass
    server = http.server.HTTPServer(('127.0.0.1', 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


STARTUP = """drawing sample
view iso
wait 150
cap 0 0 0 0 120 0
wait 300
release
wait 200
"""


def main():
    qxsim = sys.argv[1]
    screenshot = sys.argv[sys.argv.index('--screenshot') + 1] if '--screenshot' in sys.argv else None
    work = tempfile.mkdtemp(prefix='qx-live-')
    with open(os.path.join(work, 'startup.qxs'), 'w') as out:
        out.write(STARTUP)
    # --open starts "xdg-open" on a page that takes the browser to the session.
    os.mkdir(os.path.join(work, 'bin'))
    with open(os.path.join(work, 'bin', 'xdg-open'), 'w') as out:
        out.write('#!/bin/sh\nprintf %s "$1" > "$(dirname "$0")/opened"\n')
    os.chmod(os.path.join(work, 'bin', 'xdg-open'), 0o755)
    env = dict(os.environ, PATH=os.path.join(work, 'bin') + os.pathsep + os.environ['PATH'])
    session = subprocess.Popen([qxsim, '--live', '--port', '0', '--open', '--transcript',
                                'live.jsonl', 'startup.qxs'], cwd=work, env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    browser = None
    try:
        printed = re.search(r'http://\S+', session.stdout.readline()).group(0)
        url = printed.split('?')[0]
        cookie = 'qxsim-%s=%s' % (re.search(r':(\d+)/', url).group(1),
                                  printed.partition('?token=')[2])
        check(url.startswith('http://127.0.0.1:'), 'bound to ' + url)
        shutil.copytree(os.path.join(work, 'qxsim-profile'), os.path.join(work, 'start-profile'))

        # Bad requests: a 4xx each.
        check(status_of(url + 'nothing-here', cookie) == 404, 'unknown path')
        check(status_of(url + 'events', cookie) == 403, 'events without a secret')
        check(status_of(url + 'step', cookie, b'release', 'nobody') == 403, 'step from no page')

        # Another site's page sends a window to the session, again and again,
        # before its user opens it; then its user opens the URL qxsim printed.
        browser = cdp.Browser()
        hostile = browser.page('http://localhost:%d/' % serve(HOSTILE % {
            'target': url, 'urls': ', '.join('"%s?p=%d"' % (url, n) for n in range(45))}))
        hostile.wait('typeof attack === "function"')
        hostile.call('Runtime.evaluate', expression='attack()', userGesture=True)
        hostile.wait('window.done', 30)
        hostile.js('w.close()')
        hostile.close()
        page = browser.page(printed)
        page.call('Page.enable')
        page.wait("qx.role === 'steering' && qx.frames > 0")
        check(page.js('location.href') == url and page.js('document.cookie') == '',
              'the token stayed in the address, or the cookie is not HttpOnly')
        token = page.js('ticket.token')
        # A page comes with the picture as it stands, before its event stream.
        check('<svg' in urllib.request.urlopen(printed, timeout=10).read().decode(),
              'no first picture')
        check(status_of(url + 'step', cookie, b'cap 1 2', token) == 400, 'short cap')
        check(status_of(url + 'step', cookie, b'wait 10', token) == 400, 'a wait')

        # A second page watches the same session; closing it ends nothing.
        watcher = browser.page(url)
        watcher.wait("qx.role === 'watching' && qx.frames > 0")
        page.call('Page.bringToFront')
        check(status_of(url + 'step', cookie, b'release', watcher.js('ticket.token')) == 403,
              'a watching page steers')
        # The page --open had the browser start on opens the session too, in
        # a browser without the cookie.
        opened = open(os.path.join(work, 'bin', 'opened')).read()
        check(stat_mode(opened) == 0o600, 'the page that opens the session can be read by others')
        other = browser.isolated_page('file://' + opened)
        other.wait("qx.role === 'watching' && qx.frames > 0 && location.href === '%s'" % url)
        other.close()

        # Motion 1: twist with the virtual cap (key L: RY +).
        before = page.js("document.getElementById('view').innerHTML")
        after_watchdog(page)
        views = page.js('qx.views')
        page.key('keyDown', 'l')
        page.wait('qx.views >= %d' % (views + 20))
        watcher.wait('qx.views >= %d' % (views + 20))
        check(page.js("document.getElementById('view').innerHTML") != before, 'picture unchanged')
        # Its chart is drawn as it runs: its passes arrive, the cap the key gave
        # in each, and the chart drawn from them.
        page.wait("qx.chart.state === 'running' && qx.chart.rows.length >= 5")
        check(page.js("qx.chart.rows.every(r => r.split(',').slice(5, 11).join(' ') === "
                      "'0 0 0 0 15 0')"), 'rows: %s' % page.js('qx.chart.rows.slice(0, 3)'))
        motion = page.js('qx.chart.motion')
        check(page.js("document.querySelector('#chart svg.chart') !== null"), 'no chart drawn')
        page.key('keyUp', 'l')
        page.wait("qx.counts.view_saved === 2")  # the start-up motion's, then this one's
        page.wait("qx.chart.state === 'ended' && qx.chart.rows.at(-1).endsWith('release')")
        check(page.js('qx.chart.motion') == motion and
              page.js("document.getElementById('chart').textContent").find(
                  'motion %d: ' % motion) >= 0, 'the chart of another motion')
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
        page.wait("qx.counts.view_saved === 3")
        if screenshot:
            page.wait("qx.chart.state === 'ended'")
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
        page.wait("qx.sent.at(-1) === 'release' && qx.counts.view_saved === 4")
        page.js('synthetic.buttons[3].pressed = true')
        page.wait("qx.sent.includes('key zoomall')")
        page.wait("document.getElementById('transcript').textContent.includes('_ZOOM _ALL')")

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
        page.wait("qx.sent.at(-1) === 'release' && qx.counts.view_saved === 5")
        check(page.js('qx.errors.length') == 0, 'page errors: %s' % page.js('qx.errors'))

        # A typed step refused at once, and one that fails when it runs (a
        # setting while the module is loaded): each stays in the box, marked,
        # with its reason.
        for n, (typed, reason) in enumerate((
                ('cap 1 2 3', "'cap' takes 6 values"),
                ('setting toggleRotationCenter off', "page step \\d+ 'setting toggleRotationCenter "
                 "off' failed: 'setting' expects an unloaded module"))):
            page.js("document.getElementById('step').value = '%s'" % typed)
            page.js("document.querySelector('#stepform button').click()")
            page.wait("qx.errors.length === %d" % (n + 1))
            check(page.js("(s => s.value + ' ' + s.className)(document.getElementById('step'))")
                  == typed + ' refused', 'the refused step left the box: ' + typed)
            check(re.match(reason, page.js("document.getElementById('steperror').textContent")),
                  'no reason for %s: %s' % (typed, page.js("document.getElementById('steperror').textContent")))
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

        # Motion 5 ends when the steering page goes with the key held, a `key`
        # step its last (its renderer crashes: no word from it): the cap is
        # released (view_saved) and another page steers.
        page.js("document.querySelector('[data-step=\"key zoomall\"]').click()")
        page.wait("qx.sent.at(-1) === 'key zoomall'")
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
        late = re.search(r"token: '(\w+)'",
                         urllib.request.urlopen(printed, timeout=10).read().decode())
        with urllib.request.urlopen(urllib.request.Request(
                url + 'events?secret=' + late.group(1), headers={'Cookie': cookie}),
                timeout=10) as events:
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
        check(not os.path.exists(opened), 'the page that opens the session stayed')
        log = session.stderr.read()
        for line in ('refused (403)', 'closed its event stream: the cap is released',
                     'hidden for more than 1000 ms: the cap is released'):
            check(line in log, 'no line %r in: %s' % (line, log))
    finally:
        if browser:
            browser.close()
        if session.poll() is None:
            session.kill()

    # The replay in virtual time: the same transcript, line for line, up to
    # the time the recording runs to (the live session went on to its end).
    for line in ('\nsetting toggleRotationCenter "on"\n', '\n' + STARTUP,
                 '\ncommand QX_Toggle_Rotation_Center\n', '\nrotation 2\n', '\nkey zoomall\n',
                 '\ncap 0 0 0 0 15 0\n', '\ncap 0 0 0 0 60 0\n'):
        check(line in scenario, 'no %r in the recording:\n%s' % (line, scenario))
    check('calibrat' not in scenario, 'the recording speaks of calibration')
    end = recorded_ms(scenario)
    live = lines_before(os.path.join(work, 'live.jsonl'), end)
    replay = lines_before(replayed(qxsim, work, scenario), end)
    check(len(live) > 300, 'a short session: %d lines' % len(live))
    for n, (a, b) in enumerate(zip(live, replay), 1):
        check(a == b, 'line %d differs:\n live   %s\n replay %s' % (n, a, b))
    check(len(live) == len(replay), '%d lines live, %d replayed' % (len(live), len(replay)))
    shutil.rmtree(work, ignore_errors=True)
    print('live page test passed: %d lines alike up to %d ms' % (len(live), end))


if __name__ == '__main__':
    main()
