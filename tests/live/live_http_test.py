"""qxsim --live against hostile requests, as another site's page or a local
client would send them.

Usage: live_http_test.py QXSIM [--sanitized]

--sanitized: QXSIM runs under a sanitizer, many times slower: the time a
step behind slow bodies takes is not checked.

Without the launch token (in the URL qxsim printed, or the cookie it is
exchanged for) nothing is served: no page, no secret, no stream, not even a
body read. With it, each bad request must be refused with the status given,
a refusal must be the last answer on its connection, the user's settings
file must stay as it was, slow, idle or greedy clients must not keep the
page or a step from being served, standard error must stay safe for a
terminal, and a second qxsim must leave a running one's files alone. The
curl session of docs/live.md runs as written.
"""
import os
import re
import resource
import signal
import socket
import stat
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

DOCS = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'docs', 'live.md')
import dies_with_parent  # noqa: F401 (the test and all it starts end with its runner)

TIMEOUT = 10
SANITIZED = '--sanitized' in sys.argv[2:]


def check(condition, message):
    if not condition:
        raise AssertionError(message)


class Session:
    def __init__(self, qxsim, work, port=0, files=None):
        limit = (lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (files, files))) if files \
            else None
        self.proc = subprocess.Popen([qxsim, '--live', '--port', str(port)], cwd=work,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     preexec_fn=limit)
        self.printed = self.proc.stdout.readline().decode()
        self.token_url = re.search(r'http://\S+', self.printed).group(0)
        self.url = self.token_url.split('?')[0]
        self.port = int(re.search(r':(\d+)/', self.url).group(1))
        self.cookie = 'qxsim-%d=%s' % (self.port, self.token_url.partition('?token=')[2])

    def request(self, path, body=None, headers=None, method=None, cookie=True):
        """(status, headers, body) of one request, with the cookie unless not
        `cookie`; `body` as text is POSTed."""
        headers = dict(headers or {})
        if cookie:
            headers.setdefault('Cookie', self.cookie)
        req = urllib.request.Request(self.url + path.lstrip('/'), method=method,
                                     data=body.encode() if body is not None else None,
                                     headers=headers)
        try:
            with urllib.request.urlopen(req, timeout=TIMEOUT) as res:
                return res.status, res.headers, res.read()
        except urllib.error.HTTPError as err:
            return err.code, err.headers, err.read()

    def ticket(self):
        """A page's (token, number), as the served page carries them."""
        page = self.request('/')[2].decode()
        return (re.search(r"token: '(\w+)'", page).group(1),
                int(re.search(r'number: (\d+)', page).group(1)))

    def post(self, path, body, token, **headers):
        """The status of a POST as a page sends it, with `headers` on top."""
        sent = {'Content-Type': 'application/x-qxsim', 'X-Qxsim-Secret': token}
        sent.update({k.replace('_', '-'): v for k, v in headers.items()})
        return self.request(path, body, sent)[0]

    def connect(self):
        return socket.create_connection(('127.0.0.1', self.port), timeout=TIMEOUT)

    def stream(self, token):
        """An open event stream: the socket and the first bytes of its answer."""
        sock = self.connect()
        sock.sendall(('GET /events?secret=%s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nCookie: %s\r\n\r\n'
                      % (token, self.port, self.cookie)).encode())
        return sock, sock.recv(4096)

    def refuses_once(self, data, status):
        """Whether `data` gets one answer, of `status`, and the end of its
        connection (within TIMEOUT); and what came. Host: HOST is this
        server's, with the cookie."""
        sock = self.connect()
        if isinstance(data, str):
            data = data.encode()
        sock.sendall(data.replace(b'Host: HOST\r\n', b'Host: 127.0.0.1:%d\r\nCookie: %s\r\n'
                                  % (self.port, self.cookie.encode())))
        got, deadline = b'', time.monotonic() + TIMEOUT
        while time.monotonic() < deadline:
            more = sock.recv(65536)
            if not more:
                sock.close()
                return got.startswith(b'HTTP/1.1 %d ' % status) and got.count(b'HTTP/1.1') == 1, got
            got += more
        sock.close()
        return False, got + b' (still open)'


def until_seen(sock, seen, wanted):
    """Reads an event stream until `wanted` has come."""
    while wanted not in seen:
        more = sock.recv(65536)
        check(more, 'the stream ended before %r' % wanted)
        seen += more
    return seen


def post(path, body, *headers):
    return ('POST %s HTTP/1.1\r\nHost: HOST\r\n%sContent-Type: application/x-qxsim\r\n'
            'Content-Length: %d\r\n\r\n%s' % (path, ''.join(h + '\r\n' for h in headers),
                                              len(body), body))


def terminal_safe(err):
    """Whether standard error holds nothing a terminal acts on but line ends:
    no C0 or C1 control, no DEL, no byte that is no UTF-8."""
    try:
        text = err.decode('utf-8')
    except UnicodeDecodeError:
        return False
    return not re.search('[\x00-\x09\x0b-\x1f\x7f-\x9f]', text)


def without_token(s):
    """Nothing without the launch token, however asked: another site's
    navigations (no cookie goes with them), the same site's (a page of
    another local server: the cookie goes, Sec-Fetch-Site tells), prefetches
    of speculation rules, a local client's guesses. Each is refused on its
    head, and gets no page and no secret."""
    nav = {'Sec-Fetch-Dest': 'document', 'Sec-Fetch-Mode': 'navigate',
           'Upgrade-Insecure-Requests': '1'}
    asks = ([('/', dict(nav, **{'Sec-Fetch-Site': 'cross-site'}), False)] * 66 +
            [('/', dict(nav, **{'Sec-Fetch-Site': 'same-site'}), True)] * 66 +
            [('/?n=%d' % (n % 45), dict(nav, **{'Sec-Purpose': ('prefetch', 'prefetch;prerender')
                                                 [n % 2]}), n % 2 == 1) for n in range(135)] +
            [('/', {}, False), ('/?token=' + '0' * 32, {}, False), ('/events', {}, False),
             ('/scenario', {}, False), ('/', {'Cookie': 'qxsim-%d=%s' % (s.port, '0' * 32)}, False),
             ('/?token=' + s.cookie.partition('=')[2], {'Sec-Purpose': 'prefetch'}, False)])
    for n, (path, headers, cookie) in enumerate(asks):
        status, got, page = s.request(path, headers=headers, cookie=cookie)
        check(status == 403 and b"token: '" not in page and 'X-Qxsim-Secret' not in got,
              'ask %d without the token (%s %s): %d' % (n, path, headers, status))
    # A local client's step with a guessed secret: refused on its head, the
    # connection closed before the body it announced.
    sock = s.connect()
    sock.sendall(post('/step', '', 'X-Qxsim-Secret: ' + '0' * 32)
                 .replace('Length: 0', 'Length: 20').replace('HOST', '127.0.0.1').encode())
    got = b''
    while True:
        more = sock.recv(65536)
        if not more:
            break
        got += more
    sock.close()
    check(got.startswith(b'HTTP/1.1 403 ') and got.count(b'HTTP/1.1') == 1, 'a step: %r' % got)


def slow_bodies(qxsim):
    """At 512 descriptors: 550 local connections without the token, each
    sending the head of a POST and no body, and 550 of the holder's own that
    leave their bodies unsent, do not delay the holder's steps by 100 ms."""
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (max(soft, min(hard, 4096)), hard))
    s = Session(qxsim, tempfile.mkdtemp(prefix='qx-live-slow-'), files=512)
    held = []
    try:
        secret, _ = s.ticket()
        steering, _ = s.stream(secret)
        # A secret, if a local client without the token can get one.
        found = re.search(rb"token: '(\w+)'", s.request('/', cookie=False)[2])
        guess = found.group(1).decode() if found else '0' * 32
        head = post('/visibility', '', 'X-Qxsim-Secret: %s').replace('Length: 0', 'Length: 7')
        for n in range(1100):
            sock = s.connect()
            sock.sendall((head % guess).replace('Host: HOST', 'Host: 127.0.0.1').encode()
                         if n % 2 else s_head(s, head % secret))
            held.append(sock)
        took = []
        for _ in range(5):
            started = time.monotonic()
            check(s.post('/step', 'select none', secret) == 202, 'a step behind slow bodies')
            took.append(time.monotonic() - started)
        check(SANITIZED or max(took) < 0.1, 'steps behind slow bodies took %s s' % took)
        steering.close()
    finally:
        for sock in held:
            sock.close()
        s.proc.kill()
        s.proc.wait()


def s_head(s, data):
    """`data` with this server's Host and the cookie."""
    return data.replace('Host: HOST\r\n', 'Host: 127.0.0.1:%d\r\nCookie: %s\r\n'
                        % (s.port, s.cookie)).encode()


def head_of(s, size, short):
    """A head of `size` bytes with this server's Host and the cookie, and
    many short fields or one long one."""
    head = s_head(s, 'GET /favicon.ico HTTP/1.1\r\nHost: HOST\r\n\r\n')
    if not short:
        return head[:-2] + b'X: ' + b'x' * (size - len(head) - 5) + b'\r\n\r\n'
    fields, filler = divmod(size - len(head), 6)
    return head[:-2] + b'X: 1' + b'1' * filler + b'\r\n' + b'X: 1\r\n' * (fields - 1) + b'\r\n'


def docs_session(qxsim):
    """The curl session of docs/live.md, run as written where qxsim runs."""
    text = open(DOCS).read()
    script = re.search(r'\n```bash\n(url=.*?)\n```\n', text, re.S).group(1)
    work = tempfile.mkdtemp(prefix='qx-live-docs-')
    s = Session(qxsim, work)
    try:
        ran = subprocess.run(['bash', '-e', '-c', script], cwd=work, capture_output=True,
                             text=True, timeout=60)
        check(ran.returncode == 0, 'the curl session: %d\n%s\n%s'
              % (ran.returncode, ran.stdout, ran.stderr))
        check(s.proc.wait(TIMEOUT) == 0, 'qxsim after the curl session')
        recorded = open(os.path.join(work, 'live-session.qxs')).read()
        for step in ('\ncap 0 0 0 0 40 0\n', '\nrelease\n', '\nview top\n'):
            check(step in recorded, 'no %r in the recording:\n%s' % (step, recorded))
        check(not os.path.exists(os.path.join(work, 'qxsim-transcript.url')),
              'the URL file stayed')
    finally:
        if s.proc.poll() is None:
            s.proc.kill()


def main():
    qxsim = sys.argv[1]
    started = time.monotonic()
    work = tempfile.mkdtemp(prefix='qx-live-http-')
    s = Session(qxsim, work)
    host = '127.0.0.1:%d' % s.port
    try:
        # The launch token: in the URL printed and in a file beside the
        # transcript that only the user reads; exchanged for the cookie.
        check(re.fullmatch(r'http://127\.0\.0\.1:\d+/\?token=[0-9a-f]{32}', s.token_url),
              'printed: ' + s.printed)
        url_file = os.path.join(work, 'qxsim-transcript.url')
        check(stat.S_IMODE(os.lstat(url_file).st_mode) == 0o600 and
              open(url_file).read() == s.token_url + '\n', 'the URL file')
        status, headers, _ = s.request('/?token=' + s.cookie.partition('=')[2], cookie=False)
        check(status == 200 and headers['Set-Cookie'] == s.cookie +
              '; Path=/; HttpOnly; SameSite=Strict', 'the token for a cookie: %s' % headers)
        check(s.request('/', headers={'Cookie': 'other=1; %s; more=2' % s.cookie})[0] == 200,
              'the cookie among others')
        without_token(s)

        steer, steer_number = s.ticket()
        steering, head = s.stream(steer)
        check(head.startswith(b'HTTP/1.1 200'), 'event stream: %r' % head)
        watch, _ = s.ticket()
        settings = os.path.join(work, 'qxsim-profile', 'QuorvexDevice', 'Applications',
                                'autocad_addin.ini')
        before = open(settings, 'rb').read() if os.path.exists(settings) else None

        # Another site steers or reads; a watcher steers; nobody frames the page.
        rebind = {'Host': 'rebind.example:%d' % s.port}
        refused = [
            (s.request('/step?page=%d' % steer_number, 'command QX_Toggle_Scroll_Mode',
                       {'Origin': 'http://evil.example', 'Content-Type': 'text/plain',
                        'Accept-Encoding': 'gzip, br'})[0], 403),
            # A form with enctype="text/plain": no secret, no type of the server's.
            (s.post('/step', 'command QX_Toggle_Scroll_Mode #=', '', Content_Type='text/plain'),
             415),
            (s.post('/step', 'unload', ''), 403),
            (s.post('/step', 'unload', steer, Origin='http://evil.example'), 403),
            (s.post('/step', 'release', watch), 403),
            (s.post('/quit', '', watch), 403),
            (s.request('/events?secret=' + steer, headers=rebind)[0], 403),
            (s.request('/', headers=rebind)[0], 403),
            (s.request('/events?page=spy')[0], 403),
            (s.request('/scenario')[0], 403),
            (s.request('/', headers={'Range': 'bytes=0-1,2-3,4-5'})[0], 416),
            (s.request('/scenario?secret=' + watch, headers={'Range': 'bytes=0-1,0-1'})[0], 416),
            (s.request('/nothing', headers={'Accept-Encoding': 'gzip, br'})[0], 404),
            (s.post('/step', 'cap 1 2', steer), 400),
            (s.request('/', headers={'Host': 'localhost.rebind.example:%d' % s.port})[0], 403),
            (s.request('/', headers={'Origin': 'http://localhost:%d' % s.port})[0], 403),
        ]
        for n, (status, want) in enumerate(refused):
            check(status == want, 'request %d: %d, not %d' % (n, status, want))
        check(before is not None and open(settings, 'rb').read() == before,
              'the settings file changed')
        status, headers, _ = s.request('/')
        check(headers['X-Frame-Options'] == 'DENY' and
              "frame-ancestors 'none'" in headers['Content-Security-Policy'], 'framing allowed')
        # A forwarded port: the loopback's names with any port are the page's own.
        for name in ('localhost:9', '[::1]:65000', '127.0.0.1'):
            check(s.request('/', headers={'Host': name, 'Origin': 'http://' + name})[0] == 200,
                  'forwarded as ' + name)

        # A refusal is the last answer on its connection: nothing after its
        # head (a body holding a request, say) is read as a request. Framing
        # is read one way only, and a bad one is answered too. A head is
        # 16 KiB at most, however many its fields.
        smuggled = 'GET / HTTP/1.1\r\nHost: HOST\r\n\r\n'
        visible = post('/visibility', 'visible', 'X-Qxsim-Secret: ' + steer)
        once = [
            (post('/step', smuggled, 'Origin: http://evil.example'), 403),
            (post('/step', smuggled).replace('HOST', 'rebind.example', 1), 403),
            ('GET /favicon.ico HTTP/1.1\r\nHost: HOST\r\nRange: bytes=0-1,2-3\r\n'
             'Content-Length: %d\r\n\r\n%s' % (len(smuggled), smuggled), 416),
            ('NOT A REQUEST\r\n\r\n' + smuggled, 400),
            ('GET / HTTP/1.1\r\nHost: HOST\r\nHost: rebind.example\r\n\r\n', 400),
            ('GET / HTTP/1.1\r\nHost: rebind.example\r\nHost: HOST\r\n\r\n', 400),
            (visible.replace('\r\n\r\n', '\r\nContent-Length: 7\r\n\r\n'), 400),
            (visible.replace('\r\n\r\n', '\r\nTransfer-Encoding: chunked\r\n\r\n')
             .replace('visible', '7\r\nvisible\r\n0\r\n\r\n'), 400),
            (visible.replace('Content-Length: 7', 'Transfer-Encoding: chunked')
             .replace('visible', 'ffffffffffffffffffff\r\n'), 400),
            ('GET /scenario?secret=%s HTTP/1.1\r\nHost: HOST\r\nRange: bytes=99999999-\r\n\r\n'
             % watch, 416),
        ] + [('GET / HTTP/1.1\r\nHost: HOST\r\nContent-Length: %s\r\n\r\n' % length, status)
             for length, status in (('-1', 400), ('9' * 20, 400), ('65537', 413))]
        for n, (data, status) in enumerate(once):
            ok, got = s.refuses_once(data, status)
            check(ok, 'request %d of the refusals: %r' % (n, got[:200]))
        for size, short in ((16384, True), (16385, True), (16384, False), (16385, False)):
            sock = s.connect()
            sock.sendall(head_of(s, size, short))
            got = sock.recv(100)
            sock.close()
            check(got.startswith(b'HTTP/1.1 204 ' if size == 16384 else b'HTTP/1.1 431 '),
                  'a head of %d bytes: %r' % (size, got))
        status, headers, part = s.request('/scenario?secret=' + watch,
                                          headers={'Range': 'bytes=2-9'})
        check(status == 206 and part == b'Recorded' and headers['Content-Range'].startswith(
            'bytes 2-9/'), 'one range of the download: %d %r' % (status, part))

        # Secrets go with the page to a browser's tab only, and those in use stay.
        for dest in ('image', 'iframe', 'empty'):
            status, _, page = s.request('/', headers={'Sec-Fetch-Dest': dest})
            check(status == 403 and b'token' not in page, 'a secret for a %s: %d' % (dest, status))
        check(s.request('/', headers={'Sec-Fetch-Dest': 'document'})[0] == 200, 'no tab')
        tabs = [s.ticket()[0] for _ in range(70)]
        for token in (steer, watch, tabs[-1]):
            check(s.post('/visibility', 'visible', token) == 204, 'a secret in use was dropped')

        # One event stream per secret; a second one leaves the first alone.
        for _ in range(7):
            ok, got = s.refuses_once('GET /events?secret=%s HTTP/1.1\r\nHost: HOST\r\n\r\n'
                                     % steer, 409)
            check(ok, 'a second stream of one secret: %r' % got)
        status, _, number = s.request('/step', 'select none', {
            'Content-Type': 'application/x-qxsim', 'X-Qxsim-Secret': steer})
        check(status == 202, 'the steering page lost its place: %d' % status)
        head = until_seen(steering, head, b'"applied":' + number)
        other, other_head = s.stream(watch)
        check(other_head.startswith(b'HTTP/1.1 200'), 'another page: %r' % other_head)
        other.close()

        # Heads are judged before bodies: heads whose bodies never come hold nothing.
        waiting = [s.connect() for _ in range(24)]
        for n, sock in enumerate(waiting):
            sock.sendall(s_head(s, post('/visibility', '', 'X-Qxsim-Secret: ' +
                                        (steer if n % 2 else ''))
                                .replace('Length: 0', 'Length: 65536')))
        started_waiting = time.monotonic()
        check(all(sock.recv(100).startswith(b'HTTP/1.1 403') for sock in waiting[0::2]),
              'a head without a secret waited for its body')
        check(s.request('/')[0] == 200 and time.monotonic() - started_waiting < 2,
              'the page behind heads waiting for bodies took %.1f s'
              % (time.monotonic() - started_waiting))
        for sock in waiting:
            sock.close()

        # Steps a person does not send: unload/load cycles, then a flood.
        statuses = [s.post('/step', step, steer) for _ in range(12) for step in ('unload', 'load')]
        check(statuses.count(429) >= 4 and 202 in statuses, 'reloads: %s' % statuses)
        flood = 0
        while flood < 2000 and s.post('/step', 'select none', steer) != 429:
            flood += 1
        check(flood < 2000, 'no step refused in a flood')

        # A second qxsim finds the first before it touches a file: on the same
        # port, in the same folder (live or not); stopped, the first writes nothing.
        files = [os.path.join(work, 'qxsim-transcript.jsonl'),
                 os.path.join(work, 'qxsim-profile', 'QuorvexDevice', 'autocad_addin_log.txt')]
        elsewhere = tempfile.mkdtemp(prefix='qx-live-second-')
        here = 'qxsim already runs in this folder (process %d)' % s.proc.pid
        s.proc.send_signal(signal.SIGSTOP)
        try:
            written = [open(f, 'rb').read() for f in files]
            for args, cwd, says in ((['--live', '--port', str(s.port)], work, 'cannot listen'),
                                    (['--live', '--port', str(s.port)], elsewhere, 'cannot listen'),
                                    (['--live', '--port', '0'], work, here), ([], work, here)):
                second = subprocess.run([qxsim] + args, cwd=cwd, capture_output=True, text=True,
                                        timeout=60)
                check(second.returncode == 1 and says in second.stderr,
                      'a second qxsim %s: %d %s' % (args, second.returncode, second.stderr))
            check([open(f, 'rb').read() for f in files] == written, "the first one's files changed")
            check(os.listdir(elsewhere) == [], 'a qxsim on a busy port made %s'
                  % os.listdir(elsewhere))
        finally:
            s.proc.send_signal(signal.SIGCONT)

        # Greedy clients: many streams, slowloris, idle connections.
        streams = [s.stream(s.ticket()[0]) for _ in range(16)]
        check(sum(b' 503 ' in head for _, head in streams) >= 10, 'streams were not bounded')
        slow = [s.connect() for _ in range(16)]
        for sock in slow:
            sock.sendall(b'GET / HTTP/1.1\r\nHost: ' + host.encode() + b'\r\nX-Slow: ')
        idle = [s.connect() for _ in range(200)]
        started_greedy = time.monotonic()
        check(s.request('/')[0] == 200, 'the page behind greedy clients')
        check(time.monotonic() - started_greedy < 3,
              'the page took %.1f s' % (time.monotonic() - started_greedy))
        check(all(sock.recv(100) == b'' for sock in slow), 'a slow head was not cut off')
        for sock in slow + idle + [sock for sock, _ in streams]:
            sock.close()

        # A chunked body is cut at the limit while it streams.
        sock = s.connect()
        sock.sendall(('POST /visibility HTTP/1.1\r\nHost: %s\r\nTransfer-Encoding: chunked\r\n'
                      'Content-Type: application/x-qxsim\r\nX-Qxsim-Secret: %s\r\nCookie: %s\r\n\r\n'
                      % (host, steer, s.cookie)).encode())
        sent, chunk = 0, b'4000\r\n' + b'x' * 0x4000 + b'\r\n'
        try:
            while sent < 64 << 20:
                sock.sendall(chunk)
                sent += len(chunk)
        except OSError:
            pass
        check(sent < 8 << 20, 'a chunked body of %d bytes was read' % sent)
        sock.close()

        check(s.post('/quit', '', steer) == 202, 'quit')
        check(s.proc.wait(TIMEOUT * 3) == 0, 'exit code')
        steering.close()
        out, err = s.proc.stdout.read().decode(), s.proc.stderr.read()
        check(not os.path.exists(url_file), 'the URL file stayed')
        # Refusals on standard error: a few at once, then one a second, and
        # all of them counted in the summary.
        told = len(re.findall(rb' refused \(\d{3}\): ', err))
        untold = [int(n) for n in re.findall(rb'\(and (\d+) more refused since the last line\)', err)]
        counted = re.search(r'refused: +(\d+) requests \((\d+) of them not told', out)
        seconds = time.monotonic() - started
        check(counted and int(counted.group(1)) >= 300 and
              told == int(counted.group(1)) - int(counted.group(2)) and told <= 11 + seconds and
              0 < sum(untold) <= int(counted.group(2)) and min(untold) > 0,
              '%d refusals told in %.0f s, %s untold between; the summary: %s'
              % (told, seconds, untold, counted and counted.group(0)))
    finally:
        if s.proc.poll() is None:
            s.proc.kill()

    # A FIFO in place of the module's log blocks nothing: steps play, SIGINT
    # ends the session. Bytes a terminal acts on, from the network, reach
    # standard error escaped: in a path (refused: no token) and in a step that
    # fails after it was taken.
    work = tempfile.mkdtemp(prefix='qx-live-fifo-')
    os.makedirs(os.path.join(work, 'qxsim-profile', 'QuorvexDevice'))
    os.mkfifo(os.path.join(work, 'qxsim-profile', 'QuorvexDevice', 'autocad_addin_log.txt'))
    s = Session(qxsim, work)
    try:
        # UTF-8 at its bounds: U+07FF, U+0800, U+10FFFF kept; an overlong
        # form, a surrogate and U+110000 escaped.
        utf8 = b'/\xdf\xbf\xe0\xa0\x80\xf4\x8f\xbf\xbf|\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80'
        for path in (b'/\x9b2J', b'/\xc2\x9b2J', b'/\xff\xfe', b'/\xc3\xa9t\xc3\xa9', utf8):
            sock = s.connect()
            sock.sendall(b'GET ' + path + b' HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n')
            sock.recv(100)
            sock.close()
        token, _ = s.ticket()
        sock, seen = s.stream(token)
        check(s.post('/step', 'setting logging "\x1b]0;owned\x07\x1b[2J"', token) == 202,
              'a setting while the module is loaded')
        status, _, number = s.request('/step', 'select none', {
            'Content-Type': 'application/x-qxsim', 'X-Qxsim-Secret': token})
        check(status == 202, 'step: %d' % status)
        while b'"applied":' + number not in seen:
            more = sock.recv(65536)
            check(more, 'the step was not played')
            seen += more
        s.proc.send_signal(signal.SIGINT)
        check(s.proc.wait(TIMEOUT) == 0, 'exit code after SIGINT')
        check(not os.path.exists(os.path.join(work, 'qxsim-transcript.url')),
              'the URL file stayed after SIGINT')
        err = s.proc.stderr.read()
        check(terminal_safe(err), 'raw control bytes on standard error:\n%r' % err)
        for line in (b'GET /\\x9b2J refused (403)', b'GET /\\xc2\\x9b2J refused', b'/\\xff\\xfe',
                     '/\u00e9t\u00e9'.encode(), b"'setting logging \"\\x1b]0;owned\\x07\\x1b[2J\"' "
                     b"failed: 'setting' expects an unloaded module",
                     '/\u07ff\u0800\U0010ffff|'.encode() + b'\\xc0\\xaf\\xed\\xa0\\x80\\xf4\\x90\\x80\\x80'):
            check(line in err, 'no line %r in:\n%r' % (line, err))
    finally:
        if s.proc.poll() is None:
            s.proc.kill()

    # The URL's file is made anew: a link in its place is no way to write elsewhere.
    work = tempfile.mkdtemp(prefix='qx-live-link-')
    os.symlink('target', os.path.join(work, 'qxsim-transcript.url'))
    linked = subprocess.run([qxsim, '--live', '--port', '0'], cwd=work, capture_output=True,
                            text=True, timeout=60)
    check(linked.returncode != 0 and 'qxsim-transcript.url' in linked.stderr and
          not os.path.exists(os.path.join(work, 'target')), 'a link for the URL file: %d %s'
          % (linked.returncode, linked.stderr))

    slow_bodies(qxsim)
    docs_session(qxsim)
    print('live http test passed')


if __name__ == '__main__':
    main()
