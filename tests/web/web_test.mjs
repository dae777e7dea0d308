// The browser build in headless Chromium, driven through the DevTools
// protocol, against the native program's own answers (tools/web_reference):
//   node tests/web/web_test.mjs SITE WEB_REFERENCE
// - the page opens on the warning screen with no console error, and a browser
//   without WebAssembly gets the one sentence instead;
// - stills (?frame=K...) equal the native software framebuffer byte for byte,
//   as drawn and as read back from the canvas, at moments covering the warning
//   screen, the screen door, inverted colours and the ending;
// - every sync of the song fires at the native offline player's frame with its
//   data, t= starts where the capture's --from starts with the same state, and
//   in real time the syncs follow the audible frame;
// - the door (a key, a button, or the time where sound is allowed), the keys,
//   the held button and fullscreen, through the protocol's input events;
// - a music file that does not load, and nonsense in the address.
// Prints one line per check and exits 1 if any failed.
import {execFileSync} from 'node:child_process';
import {readFileSync, mkdtempSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';
import {launchBrowser} from './cdp.mjs';
import {serveFolder} from '../../scripts/web_serve.mjs';

const [site, reference] = process.argv.slice(2);
if (!site || !reference) {
  console.error('usage: node tests/web/web_test.mjs SITE WEB_REFERENCE');
  process.exit(2);
}
let failed = 0;
const began = Date.now();
function check(ok, what, detail = '') {
  const at = ((Date.now() - began) / 1000).toFixed(1).padStart(6);
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${at} s  ${what}${!ok && detail ? '\n     ' + detail : ''}`);
  if (!ok) failed++;
  return ok;
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const native = (...args) => execFileSync(reference, args, {encoding: 'utf8', maxBuffer: 64 << 20});
const scratch = mkdtempSync(join(tmpdir(), 'vortelan-web-test-'));

// In the page: bytes as base64, the show's state, the canvas read back.
const PAGE_HELPERS = `
  window.t_b64 = (u8) => { let s = ''; for (let i = 0; i < u8.length; i += 0x8000)
    s += String.fromCharCode.apply(null, u8.subarray(i, i + 0x8000)); return btoa(s); };
  window.t_state = () => window.vortelan.module.UTF8ToString(window.vortelan.module._webState());
  window.t_canvas = () => { const c = document.getElementById('show'), w = c.width, h = c.height;
    if (window.vortelan.stats.presenter === '2d')
      return t_b64(new Uint8Array(c.getContext('2d').getImageData(0, 0, w, h).data.buffer));
    const gl = c.getContext('webgl'), rows = new Uint8Array(w * h * 4), out = new Uint8Array(w * h * 4);
    gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, rows);
    for (let y = 0; y < h; ++y) out.set(rows.subarray((h - 1 - y) * w * 4, (h - y) * w * 4), y * w * 4);
    return t_b64(out); };
  window.t_syncs = () => { const M = window.vortelan.module; const n = M._webSyncCount();
    return Array.from(new Int32Array(M.HEAP32.buffer, M._webSyncLog(), n * 5)); };
  true`;

const server = await serveFolder(site);
let browser = await launchBrowser(['--window-size=800,600']);

// A canvas without a 2D context: the page puts its frames up through WebGL.
const NO_2D = 'HTMLCanvasElement.prototype.getContext = ((get) => function (kind, o) {' +
              ' return kind === "2d" ? null : get.call(this, kind, o); })(HTMLCanvasElement.prototype.getContext);';

async function open(query, {helpers = true, before = ''} = {}) {
  const page = await browser.openPage();
  await page.send('Emulation.setDeviceMetricsOverride', {width: 800, height: 600, deviceScaleFactor: 1, mobile: false});
  if (before) await page.send('Page.addScriptToEvaluateOnNewDocument', {source: before});
  await page.goto(server.url + query);
  await page.waitFor('document.body.dataset.state !== "loading"');
  if (helpers) await page.evaluate(PAGE_HELPERS);
  return page;
}
const state = (page) => page.evaluate('t_state()');
const field = (text, name) => {
  const m = text.match(new RegExp(`\\b${name} (\\S+)`));
  return m ? m[1] : '';
};
const floatOf = (hex) => new Float32Array(new Uint32Array([parseInt(hex, 16)]).buffer)[0];
async function key(page, k, code, text) {
  await page.send('Input.dispatchKeyEvent', {type: 'keyDown', key: k, code, text, windowsVirtualKeyCode: code.startsWith('F') ? 111 + Number(code.slice(1)) : k.toUpperCase().charCodeAt(0)});
  await page.send('Input.dispatchKeyEvent', {type: 'keyUp', key: k, code, windowsVirtualKeyCode: code.startsWith('F') ? 111 + Number(code.slice(1)) : k.toUpperCase().charCodeAt(0)});
}
async function mouse(page, type, clickCount = 1) {
  await page.send('Input.dispatchMouseEvent', {type, x: 400, y: 300, button: 'left', buttons: type === 'mouseReleased' ? 0 : 1, clickCount});
}
async function framesPass(page, n = 3) {
  const start = await page.evaluate('window.vortelan.stats.frames');
  await page.waitFor(`window.vortelan.stats.frames >= ${start + n}`);
}

try {
  // --- Opening, and a browser without WebAssembly -----------------------------
  {
    const page = await open('');
    check(await page.evaluate('document.body.dataset.state') === 'warning', 'the page opens on the warning screen');
    await framesPass(page);
    check(field(await state(page), 'phase') === '-1', 'the warning screen is drawn frame after frame');
    check(page.errors.length === 0, 'no console error while loading', page.errors.join('\n'));
    check(page.console.some((c) => c.text.includes('<video setup=1>')), 'the program\'s console lines reach the console');
    await page.close();

    // What the page finds missing, taken away before it runs.
    for (const [missing, remove] of [['WebAssembly', 'delete window.WebAssembly;'],
                                     ['Web Audio', 'delete window.AudioContext; delete window.webkitAudioContext;'],
                                     ['WebAssembly and no Web Audio', 'delete window.WebAssembly; delete window.AudioContext; delete window.webkitAudioContext;']]) {
      const p = await browser.openPage();
      await p.send('Page.addScriptToEvaluateOnNewDocument', {source: remove});
      await p.goto(server.url);
      await p.waitFor('document.body.dataset.state !== "loading"');
      const text = await p.evaluate('document.getElementById("note").hidden ? "" : document.getElementById("note").textContent');
      check(await p.evaluate('document.body.dataset.state') === 'unsupported' &&
            text === `VORTELAN needs a browser with WebAssembly, Web Audio and a canvas; this one has no ${missing}.`,
            `without ${missing} the page says so in one sentence`, text);
      await p.close();
    }
  }

  // --- Stills against the native frames ------------------------------------------
  // At 60 fps with the default 5 s warning: frame 1685 is inverted (an
  // instrument 13 hit), 6860 is order 16 with its screen door, 9300 is 3 s
  // into the ending. Each still's own state says it shows what it should.
  const polarity = (s) => floatOf((s.match(/colour \S+ \S+ (\S+)/) || [])[1] || '3f800000');
  const stills = [
    {query: '?width=320&height=240', frames: [
      [90, (s) => field(s, 'phase') === '-1', 'the warning screen'],
      [1685, (s) => polarity(s) < 0.5, 'inverted colours'],
      [6860, (s) => field(s, 'order') === '16', 'order 16 with the screen door'],
      [9300, (s) => Number(field(s, 'phase')) >= 1, 'the ending']]},
    {query: '?fps=24&warning=2&width=360&height=270&detail=3', frames: [
      [30, (s) => field(s, 'phase') === '-1', 'a warning screen of 2 s at 24 fps, detail 3']]},
    {query: '?fps=30000/1001&width=400&height=300&detail=2', frames: [
      [3430, (s) => field(s, 'order') === '16', 'the screen door at 29.97 fps, detail 2']]},
    {query: '?fps=25&width=640&height=480&detail=6', frames: [
      [1750, (s) => field(s, 'order') === '10', 'order 10 at 25 fps, detail 6']]},
  ];
  for (const {query, frames} of stills) {
    native('stills', query, scratch, ...frames.map(([k]) => String(k)));
    // The first frame of each also through WebGL.
    for (const [k, want, what, before] of [...frames, [...frames[0], NO_2D]]) {
      const expected = readFileSync(join(scratch, `${k}.rgba`));
      const page = await open(`${query}&frame=${k}`, {before});
      const s = await state(page);
      check(await page.evaluate('document.body.dataset.state') === 'still' && want(s), `${what}: the still shows it`, s);
      const got = Buffer.from(await page.evaluate('t_b64(window.vortelan.still.rgba)'), 'base64');
      let first = -1;
      for (let i = 0; i < Math.max(got.length, expected.length) && first < 0; ++i) if (got[i] !== expected[i]) first = i;
      check(got.length === expected.length && first < 0, `${what}: ${query}&frame=${k} equals the native frame byte for byte`,
            `first difference at byte ${first} of ${expected.length} (${got.length})`);
      const shown = Buffer.from(await page.evaluate('t_canvas()'), 'base64');
      let rgb = shown.length === expected.length;
      for (let i = 0; rgb && i < shown.length; i += 4)
        rgb = shown[i] === expected[i] && shown[i + 1] === expected[i + 1] && shown[i + 2] === expected[i + 2];
      const presenter = await page.evaluate('window.vortelan.stats.presenter');
      check(rgb && page.errors.length === 0 && presenter === (before ? 'webgl' : '2d'),
            `${what}: the canvas (${presenter}) shows the same colours, no console error`, page.errors.join('\n'));
      await page.close();
    }
  }

  // --- Syncs over the whole song, and where t= starts ----------------------------
  {
    const page = await open('?t=end&music=0');
    await key(page, 'a', 'KeyA', 'a');
    await page.waitFor('document.body.dataset.state === "show"');
    const log = await page.evaluate('t_syncs()');
    const lines = [];
    for (let i = 0; i < log.length; i += 5) lines.push(`${log[i]} ${log[i + 1] >>> 0} ${log[i + 2] >>> 0}`);
    const want = native('syncs').trim().split('\n');
    let first = 0;
    while (first < want.length && lines[first] === want[first]) ++first;
    check(lines.length === want.length && first === want.length,
          `all ${want.length} syncs of the song fire at the native player's frames with its data`,
          `first difference at sync ${first}: page "${lines[first]}", native "${want[first]}"`);
    await page.close();
  }
  for (const t of ['order:16', '62.5', 'end', 'order:5']) {
    const query = `?t=${t}&music=0&warning=5`;
    const out = native('start', query);
    const wantMusic = Number((out.match(/frame \d+ music (\d+)/) || [])[1]);
    const wantState = (out.match(/^phase .*$/m) || [''])[0];
    const page = await open(query);
    await key(page, 'a', 'KeyA', 'a');
    await page.waitFor('document.body.dataset.state === "show"');
    const music = await page.evaluate('window.vortelan.module._webMusicStart()');
    const startState = await page.evaluate('window.vortelan.module.UTF8ToString(window.vortelan.module._webStartState())');
    check(music === wantMusic && startState === wantState, `t=${t} starts on the capture's frame with its state`,
          `page: music ${music}\n     ${startState}\n     native: ${out}`);
    await page.close();
  }

  {
    // Without permission the warning screen waits for a gesture, past its time.
    const page = await open('?warning=1');
    await sleep(2500);
    check(await page.evaluate('document.body.dataset.state') === 'warning', 'without permission the warning screen waits past its time');
    await mouse(page, 'mousePressed');
    await mouse(page, 'mouseReleased');
    await page.waitFor('document.body.dataset.state === "show"', 10000);
    check(await page.evaluate('window.vortelan.module.UTF8ToString(window.vortelan.module._webState())').then((s) => field(s, 'phase') === '0'),
          'a click opens the door and starts the music');
    await page.close();
  }
  {
    // A music file that does not load: the show without sound, one line in the console.
    const page = await browser.openPage();
    await page.send('Emulation.setDeviceMetricsOverride', {width: 800, height: 600, deviceScaleFactor: 1, mobile: false});
    page.on('Fetch.requestPaused', ({requestId}) => page.send('Fetch.failRequest', {requestId, errorReason: 'Failed'}));
    await page.send('Fetch.enable', {patterns: [{urlPattern: '*music.o*'}]});
    await page.goto(server.url + '?warning=1');
    await page.waitFor('document.body.dataset.state !== "loading"');
    await page.evaluate(PAGE_HELPERS);
    await mouse(page, 'mousePressed');
    await mouse(page, 'mouseReleased');
    await page.waitFor('document.body.dataset.state === "show"', 10000);
    const a = Number(field(await state(page), 'audible'));
    await sleep(1000);
    const b = Number(field(await state(page), 'audible'));
    const lines = page.console.map((c) => c.text).join('\n');
    check(/music: music\.o\S+ did not load .*; the show goes on without sound/.test(lines),
          'a music file that does not load gets one console line', lines);
    check(b - a > 30000, 'and the show goes on, on the page\'s clock', `audible ${a} then ${b}`);
    await page.close();
  }
  {
    // Nonsense in the address is treated like nonsense in the settings file.
    const page = await open('?detail=abc&warning=-&music=x&frame=zz&fps=0&t=nope&%ZZ=1&&=');
    // "music=x" reads as 0, as in the file: no sound, so the 1 ms warning
    // screen ("warning=-" reads as 0) ends by itself.
    await page.waitFor('document.body.dataset.state === "show"', 5000).catch(() => {});
    check(await page.evaluate('document.body.dataset.state + window.vortelan.module._webSoundWanted()') === 'show0',
          'nonsense in the address: the show still plays, silent as "music=x" says');
    const lines = page.console.map((c) => c.text).join('\n');
    check(lines.includes('fps=0 is not a rate') && lines.includes('frame=zz is not a frame number') &&
          lines.includes('t=nope is not seconds'), 'each page pair that makes no sense gets its console line', lines);
    check(field(await state(page), 'detail') === '1' && page.errors.length === 0, 'and the settings fall back as in the settings file');
    await page.close();
  }
  // --- Real time: the door, sound, syncs on the audible frame, keys, fullscreen ---
  // A browser that allows sound without a gesture.
  await browser.close();
  browser = await launchBrowser(['--window-size=800,600', '--autoplay-policy=no-user-gesture-required']);
  {
    // With sound allowed the warning screen ends by itself after its time.
    const page = await open('?warning=1&t=order:10');
    await page.waitFor('document.body.dataset.state === "show"', 10000);
    check(true, 'where sound is allowed the warning screen ends after its time');
    await page.waitFor('window.vortelan.module._webMusicStart() > 0');
    const a = await state(page), wall0 = Date.now();
    await sleep(5000);
    const b = await state(page), wall1 = Date.now();
    const rate = (Number(field(b, 'audible')) - Number(field(a, 'audible'))) / ((wall1 - wall0) / 1000);
    check(Math.abs(rate - 44100) < 44100 * 0.1, 'the audible frame follows the sound in real time', `${rate} frames a second`);
    // A hidden tab draws nothing; back in front, its first frame is where the
    // sound is, and the syncs heard meanwhile fire on it (checked below).
    const visible = '[document.visibilityState, window.vortelan.stats.frames, t_state()]';
    const other = await browser.send('Target.createTarget', {url: 'about:blank'});
    await browser.send('Target.activateTarget', {targetId: other.targetId});
    await page.waitFor('document.visibilityState === "hidden"', 5000).catch(() => {});
    await sleep(200);
    const [, framesBefore, before] = await page.evaluate(visible);
    await sleep(3000);
    const [hidden, framesHidden] = await page.evaluate(visible);
    await browser.send('Target.closeTarget', {targetId: other.targetId});
    await page.send('Page.bringToFront');
    await framesPass(page, 2);
    const [, , after] = await page.evaluate(visible);
    const jump = (Number(field(after, 'audible')) - Number(field(before, 'audible'))) / 44100;
    check(hidden === 'hidden' && framesHidden - framesBefore <= 1 && jump > 2.5,
          'a hidden tab stops drawing, and back in front the picture is where the sound is',
          `${hidden}, ${framesHidden - framesBefore} frames while hidden, the sound ${jump.toFixed(2)} s on`);

    // Each sync fires on the first frame drawn once its frame is audible:
    // after the frame before asked for less, by the frame that asked for it.
    const log = await page.evaluate('t_syncs()');
    const late = [], wrong = [];
    for (let i = 0; i < log.length; i += 5) {
      const [frame, , , asked, before] = log.slice(i, i + 5);
      if (before < 0) continue;  // fired when the music started
      late.push(asked - frame);
      if (!(before < frame && frame <= asked)) wrong.push(`${frame} asked ${before} then ${asked}`);
    }
    check(late.length > 10 && wrong.length === 0, `in real time ${late.length} syncs fire on the first frame that hears them`,
          wrong.join('; '));
    late.sort((x, y) => x - y);
    console.log(`     lateness behind the audible frame: median ${(late[late.length >> 1] / 44.1).toFixed(1)} ms, ` +
                `most ${(late[late.length - 1] / 44.1).toFixed(1)} ms (${await page.evaluate('window.vortelan.stats.presenter')})`);

    // Keys 1 to 6 on release, the held button, fullscreen on F4, F and a double click.
    for (const [k, detail] of [['3', 4], ['6', 32], ['1', 1]]) {
      await key(page, k, 'Digit' + k, k);
      await framesPass(page);
      check(field(await state(page), 'detail') === String(detail), `key ${k} sets detail ${detail}`);
    }
    await mouse(page, 'mousePressed');
    await framesPass(page);
    const held = await state(page);
    await mouse(page, 'mouseReleased');
    await framesPass(page);
    const released = await state(page);
    check(held.match(/colour \S+ \S+ \S+ (\d)/)[1] === '0' && released.match(/colour \S+ \S+ \S+ (\d)/)[1] === '1',
          'the held button closes the gaps and releasing it opens them');
    const fullscreen = 'Boolean(document.fullscreenElement)';
    await key(page, 'F4', 'F4', '');
    await page.waitFor(fullscreen, 5000).catch(() => {});
    check(await page.evaluate(fullscreen), 'F4 goes fullscreen');
    await key(page, 'Escape', 'Escape', '');
    await page.waitFor(`!${fullscreen}`, 5000).catch(() => {});
    check(!await page.evaluate(fullscreen), 'Escape leaves fullscreen');
    await key(page, 'f', 'KeyF', 'f');
    await page.waitFor(fullscreen, 5000).catch(() => {});
    check(await page.evaluate(fullscreen), 'F goes fullscreen');
    await mouse(page, 'mousePressed', 1);
    await mouse(page, 'mouseReleased', 1);
    await mouse(page, 'mousePressed', 2);
    await mouse(page, 'mouseReleased', 2);
    await page.waitFor(`!${fullscreen}`, 5000).catch(() => {});
    check(!await page.evaluate(fullscreen), 'a double click leaves fullscreen');
    check(page.errors.length === 0, 'no console error in real time', page.errors.join('\n'));
    await page.close();
  }
} catch (e) {
  check(false, 'the checks ran to the end', e.stack || String(e));
} finally {
  await browser.close();
  server.close();
  rmSync(scratch, {recursive: true, force: true});
}
console.log(failed ? `${failed} web check(s) failed` : 'all web checks passed');
process.exit(failed ? 1 : 0);
