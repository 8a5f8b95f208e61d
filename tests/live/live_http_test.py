"""qxsim --live against hostile requests, as another site's page or a local
client would send them.

Usage: live_http_test.py QXSIM

Each request must be refused with the status given (and a line on standard
error, readable even when the client asked for compression), the user's
settings file must stay as it was, and slow, idle or greedy clients must not
keep the page from being served.
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
        ]
        for n, (status, want) in enumerate(refused):
            check(status == want, 'request %d: %d, not %d' % (n, status, want))
        check(before is not None and open(settings, 'rb').read() == before,
              'the settings file changed')
        status, headers, _ = s.request('/')
        check(headers['X-Frame-Options'] == 'DENY' and
              "frame-ancestors 'none'" in headers['Content-Security-Policy'], 'framing allowed')

        # Steps a person does not send: unload/load cycles, then a flood.
        statuses = [s.post('/step', step, steer) for _ in range(12) for step in ('unload', 'load')]
        check(statuses.count(429) >= 4 and 202 in statuses, 'reloads: %s' % statuses)
        flood = 0
        while flood < 2000 and s.post('/step', 'select none', steer) != 429:
            flood += 1
        check(flood < 2000, 'no step refused in a flood')

        # A second qxsim on the same port.
        second = subprocess.run([qxsim, '--live', '--port', str(s.port)], cwd=work,
                                capture_output=True, text=True, timeout=60)
        check(second.returncode == 1 and 'cannot listen' in second.stderr,
              'second qxsim on the port: %d %s' % (second.returncode, second.stderr))

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
        sock.sendall(('POST /step HTTP/1.1\r\nHost: %s\r\nTransfer-Encoding: chunked\r\n'
                      'Content-Type: application/x-qxsim\r\n\r\n' % host).encode())
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
                     'POST /step refused (413)', 'refused (429): more than 20 unload',
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
