"""A small DevTools-protocol client for headless Chromium (python3-websocket).

Chromium runs with its own profile folder and an ephemeral debugging port,
read from the DevToolsActivePort file it writes there. Every wait has a
deadline and waits on something that happens (a protocol event, a page
value), never on the passing of time alone.
"""
import json
import os
import shutil
import subprocess
import tempfile
import time
import urllib.request

import websocket


class Timeout(Exception):
    pass


def wait_until(check, timeout, what):
    """Polls check() until it returns a true value; raises Timeout after `timeout` s."""
    deadline = time.monotonic() + timeout
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Timeout('timed out waiting for ' + what)
        time.sleep(0.02)


class Browser:
    def __init__(self, chromium='chromium'):
        self.dir = tempfile.mkdtemp(prefix='qx-chromium-')
        self.proc = subprocess.Popen(
            [chromium, '--headless=new', '--remote-debugging-port=0', '--no-sandbox',
             '--user-data-dir=' + self.dir, '--no-first-run', '--disable-gpu',
             '--window-size=1280,900', '--disable-background-timer-throttling',
             '--disable-renderer-backgrounding', '--disable-backgrounding-occluded-windows',
             'about:blank'],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(self.dir, 'DevToolsActivePort')
        wait_until(lambda: os.path.exists(port_file) and open(port_file).read().count('\n') >= 1,
                   30, 'Chromium to open its debugging port')
        self.port = int(open(port_file).read().split('\n')[0])

    def page(self, url):
        """Opens a new tab on `url` and returns its protocol session."""
        req = urllib.request.Request(
            'http://127.0.0.1:%d/json/new?%s' % (self.port, url), method='PUT')
        target = json.load(urllib.request.urlopen(req, timeout=10))
        return Page(target['webSocketDebuggerUrl'], target['id'], self.port)

    def isolated_page(self, url):
        """Opens `url` in a browser context of its own (its own cookies), which
        lasts until the browser closes."""
        if not hasattr(self, 'root'):
            version = json.load(urllib.request.urlopen(
                'http://127.0.0.1:%d/json/version' % self.port, timeout=10))
            self.root = Page(version['webSocketDebuggerUrl'], None, self.port)
        context = self.root.call('Target.createBrowserContext')['browserContextId']
        target = self.root.call('Target.createTarget', url=url,
                                browserContextId=context)['targetId']
        found = json.load(urllib.request.urlopen('http://127.0.0.1:%d/json/list' % self.port,
                                                 timeout=10))
        ws_url = next(t['webSocketDebuggerUrl'] for t in found if t['id'] == target)
        return Page(ws_url, target, self.port)

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
        shutil.rmtree(self.dir, ignore_errors=True)


class Page:
    def __init__(self, ws_url, target_id, port):
        self.ws = websocket.create_connection(ws_url, timeout=30, suppress_origin=True)
        self.id = target_id
        self.port = port
        self.next_id = 0
        self.events = []

    def call(self, method, **params):
        self.next_id += 1
        self.ws.send(json.dumps({'id': self.next_id, 'method': method, 'params': params}))
        while True:
            msg = json.loads(self.ws.recv())
            if msg.get('id') == self.next_id:
                if 'error' in msg:
                    raise RuntimeError('%s: %s' % (method, msg['error']))
                return msg.get('result', {})
            if 'method' in msg:
                self.events.append(msg)

    def event(self, method, check=lambda params: True, timeout=30):
        """Waits for a protocol event (one that came already counts)."""
        deadline = time.monotonic() + timeout
        while True:
            for msg in self.events:
                if msg['method'] == method and check(msg['params']):
                    self.events.remove(msg)
                    return msg['params']
            left = deadline - time.monotonic()
            if left <= 0:
                raise Timeout('timed out waiting for ' + method)
            self.ws.settimeout(left)
            msg = json.loads(self.ws.recv())
            if 'method' in msg:
                self.events.append(msg)

    def js(self, expression):
        result = self.call('Runtime.evaluate', expression=expression, returnByValue=True,
                           awaitPromise=True)
        if 'exceptionDetails' in result:
            raise RuntimeError('%s: %s' % (expression, result['exceptionDetails']))
        return result['result'].get('value')

    def wait(self, expression, timeout=20):
        """Waits until `expression` is true in the page (false while it throws, as before load,
        or while the page navigates away under the evaluation)."""
        guarded = '(() => { try { return %s; } catch (e) { return false; } })()' % expression

        def check():
            try:
                return self.js(guarded)
            except RuntimeError as error:
                if 'Inspected target navigated or closed' in str(error):
                    return False
                raise
        return wait_until(check, timeout, expression)

    def key(self, kind, key):
        self.call('Input.dispatchKeyEvent', type=kind, key=key,
                  code='Key' + key.upper(), windowsVirtualKeyCode=ord(key.upper()))

    def crash(self):
        """Crashes the page's renderer: it closes without a word to its server."""
        self.next_id += 1
        self.ws.send(json.dumps({'id': self.next_id, 'method': 'Page.crash', 'params': {}}))

    def close(self):
        urllib.request.urlopen('http://127.0.0.1:%d/json/close/%s' % (self.port, self.id),
                               timeout=10).read()
        self.ws.close()
