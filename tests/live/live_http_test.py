"""qxsim --live against hostile requests, as another site's page or a local
client would send them.

Usage: live_http_test.py QXSIM

Each request must be refused with the status given (and a line on standard
error, readable even when the client asked for compression), a refusal must
be the last answer on its connection, the user's settings file must stay as
it was, slow, idle or greedy clients must not keep the page from being
served, and a second qxsim must leave a running one's files alone.
"""
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

import dies_with_parent  # noqa: F401 (the test and all it starts end with its runner)

TIMEOUT = 10


def check(condition, message):
    if not condition:
        raise AssertionError(message)


class Session:
    def __init__(self, qxsim, work, port=0):
        self.proc = subprocess.Popen([qxsim, '--live', '--port', str(port)], cwd=work,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        self.url = re.search(r'http://\S+', line).group(0)
        self.port = int(re.search(r':(\d+)/', self.url).group(1))

    def request(self, path, body=None, headers=None, method=None):
        """(status, headers, body) of one request; `body` as text is POSTed."""
        req = urllib.request.Request(self.url + path.lstrip('/'), method=method,
                                     data=body.encode() if body is not None else None,
                                     headers=headers or {})
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
        sent = {'Content-Type': 'application/x-qxsim', 'X-Qxsim-Token': token}
        sent.update({k.replace('_', '-'): v for k, v in headers.items()})
        return self.request(path, body, sent)[0]

    def connect(self):
        return socket.create_connection(('127.0.0.1', self.port), timeout=TIMEOUT)

    def stream(self, token):
        """An open event stream: the socket and the first bytes of its answer."""
        sock = self.connect()
        sock.sendall(('GET /events?token=%s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n\r\n'
                      % (token, self.port)).encode())
        return sock, sock.recv(4096)

    def refuses_once(self, data, status):
        """Whether `data` gets one answer, of `status`, and the end of its
        connection (within TIMEOUT); and what came."""
        sock = self.connect()
        sock.sendall(data.replace('HOST', '127.0.0.1:%d' % self.port).encode())
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


def main():
    qxsim = sys.argv[1]
    work = tempfile.mkdtemp(prefix='qx-live-http-')
    s = Session(qxsim, work)
    host = '127.0.0.1:%d' % s.port
    try:
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
            (s.request('/events?token=' + steer, headers=rebind)[0], 403),
            (s.request('/', headers=rebind)[0], 403),
            (s.request('/events?page=spy')[0], 403),
            (s.request('/scenario')[0], 403),
            (s.request('/', headers={'Range': 'bytes=0-1,2-3,4-5'})[0], 416),
            (s.request('/scenario?token=' + watch, headers={'Range': 'bytes=0-1,0-1'})[0], 416),
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
        # is read one way only, and a bad one is answered too.
        smuggled = 'GET / HTTP/1.1\r\nHost: HOST\r\n\r\n'
        visible = post('/visibility', 'visible', 'X-Qxsim-Token: ' + steer)
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
            ('GET /scenario?token=%s HTTP/1.1\r\nHost: HOST\r\nRange: bytes=99999999-\r\n\r\n'
             % watch, 416),
        ] + [('GET / HTTP/1.1\r\nHost: HOST\r\nContent-Length: %s\r\n\r\n' % length, status)
             for length, status in (('-1', 400), ('9' * 20, 400), ('65537', 413))]
        for n, (data, status) in enumerate(once):
            ok, got = s.refuses_once(data, status)
            check(ok, 'request %d of the refusals: %r' % (n, got))
        status, headers, part = s.request('/scenario?token=' + watch, headers={'Range': 'bytes=2-9'})
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
            ok, got = s.refuses_once('GET /events?token=%s HTTP/1.1\r\nHost: HOST\r\n\r\n'
                                     % steer, 409)
            check(ok, 'a second stream of one secret: %r' % got)
        status, _, number = s.request('/step', 'select none', {
            'Content-Type': 'application/x-qxsim', 'X-Qxsim-Token': steer})
        check(status == 202, 'the steering page lost its place: %d' % status)
        head = until_seen(steering, head, b'"applied":' + number)
        other, other_head = s.stream(watch)
        check(other_head.startswith(b'HTTP/1.1 200'), 'another page: %r' % other_head)
        other.close()

        # Heads are judged before bodies: heads whose bodies never come hold nothing.
        waiting = [s.connect() for _ in range(24)]
        for n, sock in enumerate(waiting):
            sock.sendall(post('/visibility', '', 'X-Qxsim-Token: ' + (steer if n % 2 else ''))
                         .replace('Length: 0', 'Length: 65536').replace('HOST', host).encode())
        started = time.monotonic()
        check(all(sock.recv(100).startswith(b'HTTP/1.1 403') for sock in waiting[0::2]),
              'a head without a secret waited for its body')
        check(s.request('/')[0] == 200 and time.monotonic() - started < 2,
              'the page behind heads waiting for bodies took %.1f s'
              % (time.monotonic() - started))
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
        started = time.monotonic()
        check(s.request('/')[0] == 200, 'the page behind greedy clients')
        check(time.monotonic() - started < 3, 'the page took %.1f s' % (time.monotonic() - started))
        check(all(sock.recv(100) == b'' for sock in slow), 'a slow head was not cut off')
        for sock in slow + idle + [sock for sock, _ in streams]:
            sock.close()

        # A chunked body is cut at the limit while it streams.
        sock = s.connect()
        sock.sendall(('POST /visibility HTTP/1.1\r\nHost: %s\r\nTransfer-Encoding: chunked\r\n'
                      'Content-Type: application/x-qxsim\r\nX-Qxsim-Token: %s\r\n\r\n'
                      % (host, steer)).encode())
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
        log = s.proc.stderr.read()
        for line in ("POST /step refused (403): requests from another site's pages",
                     'POST /visibility refused (413)', 'refused (429): more than 20 unload',
                     'GET /nothing refused (404)', 'refused (416): one range at most'):
            check(line in log, 'no line %r in:\n%s' % (line, log))
    finally:
        if s.proc.poll() is None:
            s.proc.kill()

    # A FIFO in place of the module's log blocks nothing: steps play, SIGINT ends the session.
    work = tempfile.mkdtemp(prefix='qx-live-fifo-')
    os.makedirs(os.path.join(work, 'qxsim-profile', 'QuorvexDevice'))
    os.mkfifo(os.path.join(work, 'qxsim-profile', 'QuorvexDevice', 'autocad_addin_log.txt'))
    s = Session(qxsim, work)
    try:
        token, _ = s.ticket()
        sock, seen = s.stream(token)
        status, _, number = s.request('/step', 'select none', {
            'Content-Type': 'application/x-qxsim', 'X-Qxsim-Token': token})
        check(status == 202, 'step: %d' % status)
        while b'"applied":' + number not in seen:
            more = sock.recv(65536)
            check(more, 'the step was not played')
            seen += more
        s.proc.send_signal(signal.SIGINT)
        check(s.proc.wait(TIMEOUT) == 0, 'exit code after SIGINT')
    finally:
        if s.proc.poll() is None:
            s.proc.kill()
    print('live http test passed')


if __name__ == '__main__':
    main()
