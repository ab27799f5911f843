#!/usr/bin/env python3
"""The web build in a real browser (headless Chromium, software WebGL): the
pages of build/web served from a local static server, driven through the
DevTools protocol.

    python3 tests/web/web_test.py BUILD_WEB LINUX_TRACE LINUX_SHOT KEYS

LINUX_TRACE is the Linux build's trace of `--seed 3 --frames 900 --keys
KEYS`, LINUX_SHOT its screenshot at frame 300 with the same seed and keys.
"""
import json
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser, StaticServer  # noqa: E402

ARGS = {}
DONE = 'window.zrvExitStatus !== undefined'
# reedfire's loop runs: the page has shown more frames than the five of the
# screen's set-up, and its media are loaded. A key held only while they
# load is never seen down.
LOOP_RUNS = 'Module.zrvFrameLag !== undefined && Module.zrvFrameLag.length >= 10'


def file_lines(page, name):
    """The lines of a file the program wrote, as the page printed them."""
    prefix = name + ': '
    return [line[len(prefix):] for line in page.console if line.startswith(prefix)]


class WebTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # reedfire's page with the test's files beside it.
        cls.site = tempfile.mkdtemp(prefix='zrv-web-')
        shutil.copytree(os.path.join(ARGS['build'], 'reedfire'), os.path.join(cls.site, 'reedfire'))
        for folder, name in (('examples', 'hiscore'), ('examples', 'sound'), ('checks', 'web_check')):
            shutil.copytree(os.path.join(ARGS['build'], folder, name), os.path.join(cls.site, name))
        shutil.copy(ARGS['keys'], os.path.join(cls.site, 'reedfire', 'ci.keys'))
        shutil.copy(ARGS['shot'], os.path.join(cls.site, 'reedfire', 'linux.png'))
        cls.server = StaticServer(cls.site).__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.server.__exit__(None, None, None)
        shutil.rmtree(cls.site, ignore_errors=True)

    def run_page(self, browser, query, game='reedfire', timeout=120):
        page = browser.open_page('%s%s/index.html?%s' % (self.server.url, game, query))
        page.wait_for(DONE, timeout=timeout)
        return page

    def assert_clean(self, page):
        self.assertEqual(page.errors, [])
        self.assertEqual(page.evaluate('window.zrvExitStatus'), 0)
        self.assertEqual(page.evaluate('document.getElementById("status").textContent'), 'exit')

    def test_trace_equals_the_linux_builds(self):
        with Browser(autoplay=True) as browser:
            page = self.run_page(browser, 'seed=3&frames=900&keys=ci.keys&trace=1')
            self.assert_clean(page)
            with open(ARGS['trace']) as f:
                linux = f.read().splitlines()
            web = file_lines(page, 'trace.txt')
            self.assertEqual(len(web), len(linux))
            self.assertEqual(web, linux)
            self.assertIn('exit', page.console)

    def test_last_frame_equals_the_linux_screenshot(self):
        with Browser(autoplay=True) as browser:
            page = self.run_page(browser, 'seed=3&frames=300&keys=ci.keys&screenshot=1')
            self.assert_clean(page)
            # Both pictures decoded by the browser and compared pixel by pixel.
            diff = page.evaluate('''(async () => {
              const pixels = async src => {
                const img = new Image(); img.src = src; await img.decode();
                const c = document.createElement('canvas');
                c.width = img.width; c.height = img.height;
                const g = c.getContext('2d'); g.drawImage(img, 0, 0);
                return [img.width, img.height, g.getImageData(0, 0, img.width, img.height).data];
              };
              const [w, h, web] = await pixels(document.getElementById('screenshot').src);
              const [lw, lh, linux] = await pixels('linux.png');
              let differ = 0, most = 0;
              for (let i = 0; i < web.length; i += 4) {
                let d = 0;
                for (let c = 0; c < 3; ++c) d = Math.max(d, Math.abs(web[i + c] - linux[i + c]));
                if (d) ++differ;
                most = Math.max(most, d);
              }
              return {w, h, lw, lh, differ, most};
            })()''')
            self.assertEqual((diff['w'], diff['h']), (diff['lw'], diff['lh']))
            self.assertEqual((diff['w'], diff['h']), (800, 480))
            self.assertEqual(diff['differ'], 0, diff)

    def test_real_keys_move_the_gun_and_fire(self):
        with Browser(autoplay=True) as browser:
            page = browser.open_page(self.server.url + 'reedfire/index.html?seed=3&frames=400&trace=1')
            # The title screen waits for Space; then left moves the gun.
            page.wait_for(LOOP_RUNS, timeout=30)
            page.press('Space', 0.2)
            page.press('ArrowLeft', 0.4)
            page.press('Space', 0.1)
            page.wait_for(DONE, timeout=60)
            self.assert_clean(page)
            frames = [json.loads(line) for line in file_lines(page, 'trace.txt')]
            guns = {tuple(f['guns'][0]) for f in frames if f['guns']}
            self.assertGreater(len(guns), 1, 'the gun never moved')
            self.assertTrue(any(f['bullet_active'] for f in frames), 'no bullet was fired')
            self.assertTrue(all(f['lives'] == 3 for f in frames if f['guns']))

    def test_a_page_without_the_focus_pauses_and_escape_ends(self):
        with Browser(autoplay=True) as browser:
            page = browser.open_page(self.server.url + 'reedfire/index.html')
            page.wait_for(LOOP_RUNS, timeout=30)
            # Focus and visibility changes come as the window's activation.
            page.evaluate('window.dispatchEvent(new FocusEvent("blur"))')
            page.wait_for('document.title.endsWith("<pause>")', timeout=10)
            page.evaluate('window.dispatchEvent(new FocusEvent("focus"))')
            page.wait_for('!document.title.endsWith("<pause>")', timeout=10)
            page.press('Escape')
            page.wait_for(DONE, timeout=30)
            self.assert_clean(page)
            self.assertIn('exit', page.console)

    def test_sound_starts_after_the_first_click(self):
        with Browser() as browser:
            page = browser.open_page(self.server.url + 'reedfire/index.html?seed=3&frames=120')
            # Every audio context the page makes, to ask after its state.
            page.send('Page.addScriptToEvaluateOnNewDocument', {'source': '''
              window.zrvAudio = [];
              const Real = window.AudioContext;
              window.AudioContext = function (...a) { const c = new Real(...a); zrvAudio.push(c); return c; };
              window.AudioContext.prototype = Real.prototype;'''})
            page.reload()
            page.wait_for('getComputedStyle(document.getElementById("overlay")).display === "flex"',
                          timeout=30)
            self.assertEqual(page.evaluate('document.getElementById("status").textContent'),
                             'Click to start')
            self.assertFalse(page.evaluate(DONE))
            page.click(400, 300)
            page.wait_for(DONE, timeout=60)
            self.assert_clean(page)
            # The page's probe and the game's output: the game's plays.
            states = page.evaluate('zrvAudio.map(c => c.state + " " + (c.currentTime > 0))')
            self.assertGreaterEqual(len(states), 2, states)
            self.assertIn(states[-1], ('running true', 'closed true'), states)

    def test_page_input_and_sockets_reach_the_program(self):
        with Browser(autoplay=True) as browser:
            page = browser.open_page('about:blank')
            # A standard-mapping gamepad: A held, the left stick right, the
            # left trigger pulled, the D-pad up.
            page.send('Page.addScriptToEvaluateOnNewDocument', {'source': '''
              const b = (pressed, value) => ({pressed, touched: pressed, value});
              const pad = {id: 'Test Pad', index: 0, connected: true, mapping: 'standard',
                timestamp: 1, axes: [1, 0, 0, 0],
                buttons: [b(true, 1), b(false, 0), b(false, 0), b(false, 0), b(false, 0),
                  b(false, 0), b(true, 1), b(false, 0), b(false, 0), b(false, 0), b(false, 0),
                  b(false, 0), b(true, 1), b(false, 0), b(false, 0), b(false, 0)]};
              navigator.getGamepads = () => [pad, null, null, null];'''})
            page.navigate(self.server.url + 'web_check/index.html')
            line = page.wait_console('socket ', timeout=30)
            self.assertTrue(line.startswith('socket -1 '), line)
            self.assertTrue(line.endswith(' sockets are not supported in a web browser'), line)
            pad = page.wait_console('pad Test Pad', timeout=10)
            # (A centred stick reads one step off centre, as on the desktop.)
            self.assertRegex(pad, r' x 1\.00 y -?0\.00 z 1\.00 hat 0 -1 buttons 0$')
            page.wait_console('gamepad 1 Test Pad a 1 lx 1.00 lt 1.00 up 1', timeout=10)
            # The canvas is scaled to fit the page: a click lands on the
            # canvas pixel under it.
            box = page.evaluate('(() => { const r = canvas.getBoundingClientRect();'
                                ' return [r.left, r.top, r.width / canvas.width]; })()')
            self.assertGreater(box[2], 1)
            x, y = box[0] + (30.5 * box[2]), box[1] + (40.5 * box[2])
            for kind, buttons in (('mouseMoved', 0), ('mousePressed', 1)):
                page.send('Input.dispatchMouseEvent', {'type': kind, 'x': x, 'y': y, 'button': 'left',
                                                      'buttons': buttons, 'clickCount': 1})
            page.wait_console('mouse 30 40 1 0', timeout=10)
            page.wait_console('pressed mouse 0', timeout=10)
            page.send('Input.dispatchMouseEvent', {'type': 'mouseReleased', 'x': x, 'y': y,
                                                  'button': 'left', 'buttons': 0, 'clickCount': 1})
            page.wait_console('mouse 30 40 0 0', timeout=10)
            page.press('KeyA')
            page.wait_console('char a', timeout=10)
            page.wait_console('pressed key A', timeout=10)
            self.assertEqual(page.errors, [])

    def test_a_clip_plays_over_the_canvas_to_its_end(self):
        with Browser(autoplay=True) as browser:
            page = browser.open_page(self.server.url + 'web_check/index.html')
            page.wait_console('socket ', timeout=30)
            # A WebM clip recorded by the browser itself (red left, blue
            # right), put beside the program.
            size = page.evaluate('''(async () => {
              const c = document.createElement('canvas'); c.width = 160; c.height = 100;
              const g = c.getContext('2d');
              const draw = () => { g.fillStyle = 'red'; g.fillRect(0, 0, 80, 100);
                                   g.fillStyle = 'blue'; g.fillRect(80, 0, 80, 100); };
              draw();
              const rec = new MediaRecorder(c.captureStream(30), {mimeType: 'video/webm'});
              const parts = [];
              rec.ondataavailable = e => parts.push(e.data);
              const timer = setInterval(draw, 30);
              rec.start();
              await new Promise(r => setTimeout(r, 1500));
              const stopped = new Promise(r => rec.onstop = r);
              rec.stop(); await stopped; clearInterval(timer);
              const bytes = new Uint8Array(await new Blob(parts).arrayBuffer());
              Module.FS.writeFile('/game/clip.webm', bytes);
              return bytes.length;
            })()''')
            self.assertGreater(size, 0)
            page.press('KeyV')
            # Playing, in an element laid over the canvas at the clip's
            # fitted rectangle (the whole canvas: the same shape).
            shown = page.wait_for('''(() => {
              const v = document.querySelector('video');
              if (!v || v.paused || v.currentTime < 0.2 || v.style.display !== 'block') return null;
              const a = v.getBoundingClientRect(), b = canvas.getBoundingClientRect();
              return [v.videoWidth, v.videoHeight, v.duration,
                      Math.round(a.left - b.left), Math.round(a.top - b.top),
                      Math.round(a.width - b.width), Math.round(a.height - b.height)];
            })()''', timeout=20)
            self.assertEqual(shown[:2], [160, 100])
            self.assertGreater(shown[2], 1)
            self.assertEqual(shown[3:], [0, 0, 0, 0])
            page.wait_console('video 0', timeout=20)
            self.assertIsNone(page.evaluate('document.querySelector("video")'))
            self.assertEqual(page.errors, [])

    def test_frames_are_drawn_on_the_displays_beat(self):
        # A light program finishes each frame soon after the display's last
        # one: the frame loop leaves the waiting to the animation frame.
        with Browser(autoplay=True) as browser:
            page = browser.open_page(self.server.url + 'web_check/index.html')
            lags = page.wait_for('Module.zrvFrameLag && Module.zrvFrameLag.length >= 120 && '
                                 'Module.zrvFrameLag.slice().sort((a, b) => a - b)', timeout=30)
            self.assertLess(lags[len(lags) // 2], 5, lags)

    def test_music_plays_in_the_pages_audio_element(self):
        with Browser(autoplay=True) as browser:
            page = browser.open_page(self.server.url + 'sound/index.html?frames=240')
            # The looped tune (a file of the page's file system, handed to
            # the element) plays while the program runs, at its volume.
            playing = page.wait_for(
                '(Module.zrvMedia || []).filter(e => e && !e.paused && e.currentTime > 0.3)'
                '.map(e => [e.tagName, e.volume, e.duration > 0])', timeout=30)
            self.assertEqual(len(playing), 1, playing)
            self.assertEqual(playing[0][0], 'AUDIO')
            self.assertAlmostEqual(playing[0][1], 0.8, places=3)
            self.assertTrue(playing[0][2])
            page.wait_for(DONE, timeout=60)
            self.assert_clean(page)

    def test_high_score_table_survives_a_reload(self):
        profile = tempfile.mkdtemp(prefix='zrv-profile-')
        ini = '/home/web_user/.local/share/Zorvane/hiscore.ini'
        read = 'Module.FS.readFile("%s", {encoding: "utf8"})' % ini
        try:
            with Browser(autoplay=True, user_data_dir=profile) as browser:
                page = self.run_page(browser, 'seed=5&frames=200', game='hiscore')
                self.assert_clean(page)
                first = page.evaluate(read)
                self.assertIn('runs=1', first)
                page.reload()
                page.wait_for(DONE, timeout=60)
                self.assert_clean(page)
                self.assertIn('runs=2', page.evaluate(read))
            # And in a browser started again on the same profile.
            with Browser(autoplay=True, user_data_dir=profile) as browser:
                page = self.run_page(browser, 'seed=5&frames=200', game='hiscore')
                table = page.evaluate(read)
                self.assertIn('runs=3', table)
                self.assertEqual(table.count('score'), first.count('score'))
        finally:
            shutil.rmtree(profile, ignore_errors=True)


if __name__ == '__main__':
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    ARGS.update(build=sys.argv[1], trace=sys.argv[2], shot=sys.argv[3], keys=sys.argv[4])
    unittest.main(argv=[sys.argv[0], '-v'] + sys.argv[5:])
