#!/usr/bin/env python3
"""Drives headless Chromium through the DevTools protocol, to test the web
build of a game in a real browser.

Chromium is started with --remote-debugging-pipe: it reads commands from file
descriptor 3 and writes replies and events to descriptor 4, each message being
JSON followed by a NUL byte. Only the standard library is needed.

As a module:

    with StaticServer('build/web/reedfire') as server, Browser() as browser:
        page = browser.open_page(server.url + 'index.html?seed=3')
        page.wait_console('ready', timeout=20)
        page.press('Space')

From the command line, to watch a page's console for a while:

    python3 tests/web/browser.py build/web/reedfire?seed=3 --seconds 20
"""
import argparse
import base64
import collections
import contextlib
import fcntl
import http.server
import itertools
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

CHROMIUM = '/usr/bin/chromium'


class StaticServer:
    """Serves the folder `root` over http on 127.0.0.1, on a free port."""

    TYPES = {'.wasm': 'application/wasm', '.js': 'text/javascript',
             '.mjs': 'text/javascript', '.data': 'application/octet-stream',
             '.html': 'text/html', '.json': 'application/json'}

    def __init__(self, root, headers=None):
        extra = dict(headers or {})  # e.g. the cross-origin isolation pair

        class Handler(http.server.SimpleHTTPRequestHandler):
            extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                              **self.TYPES}

            def end_headers(self):
                self.send_header('Cache-Control', 'no-store')
                for name, value in extra.items():
                    self.send_header(name, value)
                super().end_headers()

            def do_GET(self):
                # Browsers ask for an icon nobody made; spare the log a 404.
                if self.path == '/favicon.ico' and not os.path.exists(self.translate_path(self.path)):
                    self.send_response(204)
                    self.end_headers()
                else:
                    super().do_GET()

            def log_message(self, *args):
                pass

        root = os.path.abspath(root)
        self._server = http.server.ThreadingHTTPServer(
            ('127.0.0.1', 0), lambda *args: Handler(*args, directory=root))
        self._server.handle_error = lambda request, address: None  # dropped connections
        self.url = 'http://127.0.0.1:%d/' % self._server.server_address[1]
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)
        self._thread.start()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self._server.shutdown()
        self._server.server_close()


class ProtocolError(RuntimeError):
    """The browser answered a command with an error, or went away."""


class JavaScriptError(RuntimeError):
    """An evaluated expression threw."""


def _text(obj):
    """Renders a Runtime.RemoteObject the way the console would."""
    if 'value' in obj:
        value = obj['value']
        return value if isinstance(value, str) else json.dumps(value)
    return obj.get('unserializableValue') or obj.get('description') or obj.get('type', '')


def _exception_text(details):
    if 'exception' in details:
        return _text(details['exception'])
    return details.get('text', 'exception')


class Browser:
    """A headless Chromium. With a `user_data_dir` the profile (IndexedDB,
    localStorage) survives into the next Browser using the same folder;
    without one a temporary profile is removed at close()."""

    def __init__(self, user_data_dir=None, autoplay=False, args=(),
                 chromium=CHROMIUM, stderr=subprocess.DEVNULL):
        self._temp_dir = None if user_data_dir else tempfile.mkdtemp(prefix='chromium-')
        self.user_data_dir = user_data_dir or self._temp_dir
        flags = ['--headless=new', '--no-sandbox', '--use-angle=swiftshader',
                 '--enable-unsafe-swiftshader', '--remote-debugging-pipe',
                 '--user-data-dir=' + self.user_data_dir, '--no-first-run',
                 '--no-default-browser-check', '--disable-gpu-sandbox',
                 '--window-size=1024,768']
        if autoplay:
            flags.append('--autoplay-policy=no-user-gesture-required')
        flags += list(args)

        # The browser's ends of the pipes must become its descriptors 3 and 4.
        # Park them at 10 or above first, so the redirections below cannot
        # trample each other (bash, as dash only takes one-digit descriptors).
        to_browser, self._write_fd = os.pipe()
        self._read_fd, from_browser = os.pipe()
        far = [fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10) for fd in (to_browser, from_browser)]
        os.close(to_browser)
        os.close(from_browser)
        shell = 'exec "$0" "$@" 3<&{0} 4>&{1} {0}<&- {1}>&-'.format(*far)
        self.process = subprocess.Popen(
            ['/bin/bash', '-c', shell, chromium] + flags, pass_fds=far,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=stderr,
            start_new_session=True)
        for fd in far:
            os.close(fd)

        self._out = open(self._write_fd, 'wb')
        self._ids = itertools.count(1)
        self._lock = threading.Lock()
        self._write_lock = threading.Lock()
        self._pending = {}  # command id -> {'done': Event, 'reply': message}
        self._closed = False
        self._pages = {}  # session id -> Page
        self.events = collections.deque(maxlen=10000)  # every event, newest last
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _read(self):
        pieces = []
        while True:
            try:
                chunk = os.read(self._read_fd, 1 << 16)
            except OSError:
                break
            if not chunk:
                break
            start = 0
            while (end := chunk.find(b'\0', start)) >= 0:
                pieces.append(chunk[start:end])
                self._dispatch(json.loads(b''.join(pieces)))
                pieces, start = [], end + 1
            pieces.append(chunk[start:])
        with self._lock:  # wake everyone still waiting for a reply
            self._closed = True
            for slot in self._pending.values():
                slot['done'].set()
            self._pending.clear()

    def _dispatch(self, message):
        if 'id' in message:
            with self._lock:
                slot = self._pending.pop(message['id'], None)
            if slot:
                slot['reply'] = message
                slot['done'].set()
            return
        page = self._pages.get(message.get('sessionId'))
        if page:
            page._event(message['method'], message.get('params', {}))
        self.events.append(message)

    def send(self, method, params=None, session=None, timeout=30):
        """Sends a command and returns its result."""
        with self._lock:
            if self._closed:
                raise ProtocolError('the browser has gone away (%s)' % method)
            ident = next(self._ids)
            slot = self._pending[ident] = {'done': threading.Event()}
        message = {'id': ident, 'method': method, 'params': params or {}}
        if session:
            message['sessionId'] = session
        try:
            with self._write_lock:
                self._out.write(json.dumps(message).encode() + b'\0')
                self._out.flush()
        except OSError as error:
            raise ProtocolError('cannot write to the browser: %s' % error) from None
        if not slot['done'].wait(timeout):
            with self._lock:
                self._pending.pop(ident, None)
            raise TimeoutError('no reply to %s in %gs' % (method, timeout))
        reply = slot.get('reply')
        if reply is None:
            raise ProtocolError('the browser went away during %s' % method)
        if 'error' in reply:
            error = reply['error']
            raise ProtocolError('%s: %s %s' % (method, error.get('message'), error.get('data', '')))
        return reply.get('result', {})

    def open_page(self, url, timeout=30, viewport=(1024, 768)):
        """Opens a new tab, and returns its Page once `url` has loaded.
        Headless windows keep room for an imaginary toolbar, so the page
        area is set to `viewport` (CSS pixels) unless that is None."""
        target = self.send('Target.createTarget', {'url': 'about:blank'})['targetId']
        session = self.send('Target.attachToTarget',
                            {'targetId': target, 'flatten': True})['sessionId']
        page = self._pages[session] = Page(self, target, session)
        for domain in ('Runtime', 'Page', 'Log'):
            page.send(domain + '.enable')
        if viewport:
            width, height = viewport
            page.send('Emulation.setDeviceMetricsOverride', {
                'width': width, 'height': height, 'deviceScaleFactor': 1, 'mobile': False,
                'screenWidth': width, 'screenHeight': height})
        page.navigate(url, timeout)
        return page

    def close(self):
        """Asks the browser to quit, killing it if it does not."""
        if self.process.poll() is None:
            with contextlib.suppress(ProtocolError, TimeoutError):
                self.send('Browser.close', timeout=5)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                for sig in (signal.SIGTERM, signal.SIGKILL):
                    with contextlib.suppress(ProcessLookupError):
                        os.killpg(self.process.pid, sig)
                    with contextlib.suppress(subprocess.TimeoutExpired):
                        self.process.wait(5)
                        break
        with contextlib.suppress(OSError):
            self._out.close()
        self._reader.join(5)
        with contextlib.suppress(OSError):
            os.close(self._read_fd)
        if self._temp_dir:
            shutil.rmtree(self._temp_dir, ignore_errors=True)


# KeyboardEvent.code -> (key, text, windowsVirtualKeyCode), besides KeyA..KeyZ
# and Digit0..Digit9 which are worked out.
_KEYS = {'Space': (' ', ' ', 32), 'Enter': ('Enter', '\r', 13),
         'Escape': ('Escape', '', 27), 'Tab': ('Tab', '', 9),
         'Backspace': ('Backspace', '', 8), 'ArrowLeft': ('ArrowLeft', '', 37),
         'ArrowUp': ('ArrowUp', '', 38), 'ArrowRight': ('ArrowRight', '', 39),
         'ArrowDown': ('ArrowDown', '', 40), 'ShiftLeft': ('Shift', '', 16),
         'ShiftRight': ('Shift', '', 16), 'ControlLeft': ('Control', '', 17),
         'ControlRight': ('Control', '', 17), 'AltLeft': ('Alt', '', 18)}


def _key_info(code):
    if len(code) == 4 and code.startswith('Key'):
        return code[3].lower(), code[3].lower(), ord(code[3])
    if len(code) == 6 and code.startswith('Digit'):
        return code[5], code[5], ord(code[5])
    return _KEYS.get(code, (code, '', 0))


class Page:
    """One tab. `console` collects console output in order, with uncaught
    exceptions as "uncaught: ..." lines (also kept in `errors`); `log` holds
    the browser's own messages, such as failed requests."""

    def __init__(self, browser, target_id, session):
        self.browser, self.target_id, self.session = browser, target_id, session
        self.console, self.errors, self.log = [], [], []
        self._loads = 0
        self._cond = threading.Condition()

    def _event(self, method, params):  # on the reader thread
        with self._cond:
            if method == 'Runtime.consoleAPICalled':
                self.console.append(' '.join(_text(arg) for arg in params.get('args', [])))
            elif method == 'Runtime.exceptionThrown':
                text = _exception_text(params['exceptionDetails'])
                self.errors.append(text)
                self.console.append('uncaught: ' + text)
            elif method == 'Log.entryAdded':
                entry = params['entry']
                self.log.append('%s: %s %s' % (entry['level'], entry['text'], entry.get('url', '')))
            elif method == 'Page.loadEventFired':
                self._loads += 1
            self._cond.notify_all()

    def send(self, method, params=None, timeout=30):
        return self.browser.send(method, params, self.session, timeout)

    def wait_console(self, match, timeout=10, since=0):
        """Returns the first console line from index `since` on that contains
        `match`, or for which `match(line)` is true."""
        test = match if callable(match) else (lambda line: match in line)
        deadline = time.monotonic() + timeout
        with self._cond:
            while True:
                for line in itertools.islice(self.console, since, None):
                    if test(line):
                        return line
                since = max(since, len(self.console))
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError('no console line matching %r in %gs; last lines:\n%s'
                                       % (match, timeout, '\n'.join(self.console[-30:])))
                self._cond.wait(left)

    def _load(self, method, params, timeout):
        with self._cond:
            loads = self._loads
        result = self.send(method, params, timeout)
        if result.get('errorText'):
            raise ProtocolError('%s: %s' % (method, result['errorText']))
        with self._cond:
            if not self._cond.wait_for(lambda: self._loads > loads, timeout):
                raise TimeoutError('page did not load in %gs' % timeout)

    def navigate(self, url, timeout=30):
        self._load('Page.navigate', {'url': url}, timeout)

    def reload(self, timeout=30):
        self._load('Page.reload', {}, timeout)

    def evaluate(self, expression, await_promise=True, timeout=30):
        """Returns the value of a JavaScript expression, as JSON would carry it."""
        result = self.send('Runtime.evaluate', {
            'expression': expression, 'awaitPromise': await_promise,
            'returnByValue': True}, timeout)
        if 'exceptionDetails' in result:
            raise JavaScriptError(_exception_text(result['exceptionDetails']))
        return result['result'].get('value')

    def wait_for(self, expression, timeout=10, interval=0.05):
        """Evaluates `expression` until it is truthy, and returns its value."""
        deadline = time.monotonic() + timeout
        while not (value := self.evaluate(expression, timeout=timeout)):
            if time.monotonic() > deadline:
                raise TimeoutError('%r still %r after %gs' % (expression, value, timeout))
            time.sleep(interval)
        return value

    def key_down(self, code):
        key, text, vk = _key_info(code)
        self.send('Input.dispatchKeyEvent', {
            'type': 'keyDown', 'code': code, 'key': key, 'text': text,
            'unmodifiedText': text, 'windowsVirtualKeyCode': vk})

    def key_up(self, code):
        key, _, vk = _key_info(code)
        self.send('Input.dispatchKeyEvent', {
            'type': 'keyUp', 'code': code, 'key': key, 'windowsVirtualKeyCode': vk})

    def press(self, code, hold_seconds=0.1):
        self.key_down(code)
        time.sleep(hold_seconds)
        self.key_up(code)

    def click(self, x, y):
        """Clicks the left button at (x, y) in CSS pixels of the page."""
        for kind, buttons in (('mouseMoved', 0), ('mousePressed', 1), ('mouseReleased', 0)):
            self.send('Input.dispatchMouseEvent', {
                'type': kind, 'x': x, 'y': y, 'button': 'none' if kind == 'mouseMoved' else 'left',
                'buttons': buttons, 'clickCount': 0 if kind == 'mouseMoved' else 1})

    def screenshot_png(self, path):
        data = self.send('Page.captureScreenshot', {'format': 'png'})['data']
        with open(path, 'wb') as file:
            file.write(base64.b64decode(data))
        return path

    def close(self):
        self.browser.send('Target.closeTarget', {'targetId': self.target_id})


def main():
    parser = argparse.ArgumentParser(
        description='Opens a page in headless Chromium and prints its console.')
    parser.add_argument('target', help='a URL, or a folder (its index.html) or an html '
                        'file, served locally; either may be followed by ?query')
    parser.add_argument('--seconds', type=float, default=10, help='how long to watch')
    parser.add_argument('--autoplay', action='store_true', help='let audio start unprompted')
    parser.add_argument('--user-data-dir', help='profile folder to keep between runs')
    parser.add_argument('--screenshot', metavar='PNG', help='save a screenshot at the end')
    args = parser.parse_args()

    with contextlib.ExitStack() as stack:
        path = args.target.split('?')[0]
        query = args.target[len(path):]  # with its '?', if any
        if os.path.exists(path):
            folder, name = (path, 'index.html') if os.path.isdir(path) else os.path.split(path)
            url = stack.enter_context(StaticServer(folder or '.')).url + name + query
        elif ':' in path:  # http:, file:, data:, about: ...
            url = args.target
        else:
            parser.error('no such file or folder: ' + path)
        browser = stack.enter_context(Browser(args.user_data_dir, autoplay=args.autoplay))
        page = browser.open_page(url)
        shown = logged = 0
        deadline = time.monotonic() + args.seconds
        while True:
            for line in page.console[shown:]:
                print(line, flush=True)
                shown += 1
            for line in page.log[logged:]:
                print('[browser] ' + line, flush=True)
                logged += 1
            if time.monotonic() >= deadline:
                break
            time.sleep(0.1)
        if args.screenshot:
            page.screenshot_png(args.screenshot)
        return 1 if page.errors else 0


if __name__ == '__main__':
    sys.exit(main())
