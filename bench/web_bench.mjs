// The browser build measured in headless Chromium (a benchmark: it prints,
// it does not judge):
//   node bench/web_bench.mjs SITE WEB_REFERENCE [--seconds N] [--shots FOLDER]
// - the folder's size, and what a visitor fetches (plain and gzipped);
// - the time to the first picture, three fresh loads;
// - the whole show played in real time at 1280 x 960 with sound: frames
//   delivered per second, time per frame in the program and in the upload;
//   before it WebGL and putImageData over the same N seconds (20 by default);
// - the same frames drawn natively, and the ratio;
// - screenshots of the page at moments of the show, and on a phone-sized and a
//   large high-density window (with --shots).
import {execFileSync} from 'node:child_process';
import {readdirSync, readFileSync, statSync, writeFileSync, mkdirSync} from 'node:fs';
import {gzipSync} from 'node:zlib';
import {join} from 'node:path';
import {launchBrowser} from '../tests/web/cdp.mjs';
import {serveFolder} from '../scripts/web_serve.mjs';

const args = process.argv.slice(2);
const [site, reference] = args;
const option = (name, fallback) => {
  const i = args.indexOf(name);
  return i >= 0 ? args[i + 1] : fallback;
};
const seconds2d = Number(option('--seconds', 20));
const shots = option('--shots', '');
if (!site || !reference) {
  console.error('usage: node bench/web_bench.mjs SITE WEB_REFERENCE [--seconds N] [--shots FOLDER]');
  process.exit(2);
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// --- Sizes ------------------------------------------------------------------------
let total = 0;
console.log('folder:');
for (const name of readdirSync(site).sort()) {
  const bytes = readFileSync(join(site, name));
  total += bytes.length;
  console.log(`  ${name.padEnd(14)} ${String(bytes.length).padStart(9)} bytes, gzipped ${String(gzipSync(bytes, {level: 9}).length).padStart(9)}`);
}
const visit = ['index.html', 'page.js', 'vortelan.js', 'vortelan.wasm', 'music.opus'];
const plain = visit.reduce((s, n) => s + statSync(join(site, n)).size, 0);
const zipped = visit.reduce((s, n) => s + gzipSync(readFileSync(join(site, n)), {level: 9}).length, 0);
console.log(`  all ${total} bytes; a visit fetches ${plain} bytes (${zipped} gzipped), the music ${statSync(join(site, 'music.opus')).size} of it`);

const server = await serveFolder(site);
const pageAt = async (browser, query, width, height, scale = 1, before = '') => {
  const page = await browser.openPage();
  await page.send('Emulation.setDeviceMetricsOverride', {width, height, deviceScaleFactor: scale, mobile: scale > 1});
  if (before) await page.send('Page.addScriptToEvaluateOnNewDocument', {source: before});
  await page.goto(server.url + query);
  await page.waitFor('document.body.dataset.state !== "loading"');
  return page;
};
const stats = (page) => page.evaluate('JSON.stringify(window.vortelan.stats)').then(JSON.parse);
const state = (page) => page.evaluate('window.vortelan.module.UTF8ToString(window.vortelan.module._webState())');
const shoot = async (page, name) => {
  if (!shots) return;
  mkdirSync(shots, {recursive: true});
  const {data} = await page.send('Page.captureScreenshot', {format: 'png'});
  writeFileSync(join(shots, `${name}.png`), Buffer.from(data, 'base64'));
};

const browser = await launchBrowser(['--autoplay-policy=no-user-gesture-required', '--window-size=1280,960']);
try {
  // --- Time to the first picture ---------------------------------------------------
  const first = [];
  for (let i = 0; i < 3; ++i) {
    const page = await pageAt(browser, '', 1280, 960);
    await page.waitFor('window.vortelan.stats.firstPicture > 0');
    first.push((await stats(page)).firstPicture);
    await page.close();
  }
  first.sort((a, b) => a - b);
  console.log(`first picture: ${first.map((t) => t.toFixed(0)).join(', ')} ms after the address was opened (median ${first[1].toFixed(0)} ms)`);

  // --- The whole show in real time, and putImageData for a while ---------------------
  const play = async (label, query, before, limitSeconds) => {
    const page = await pageAt(browser, query, 1280, 960, 1, before);
    await page.waitFor('document.body.dataset.state === "show"', 20000);
    const a = await stats(page), t0 = Date.now();
    let worstSecond = Infinity;
    let last = a;
    for (let s = 0; s < limitSeconds; ++s) {
      await sleep(1000);
      const now = await stats(page);
      worstSecond = Math.min(worstSecond, now.frames - last.frames);
      last = now;
      if (Number((await state(page)).match(/phase (\d+)/)?.[1] || 0) >= 1 && s > 3) break;
    }
    const b = await stats(page), wall = (Date.now() - t0) / 1000;
    const n = b.frames - a.frames;
    const program = (b.frameMs - a.frameMs) / n, upload = (b.presentMs - a.presentMs) / n;
    console.log(`${label}: ${n} frames in ${wall.toFixed(1)} s, ${(n / wall).toFixed(1)} fps (slowest second ${worstSecond}), ` +
                `program ${program.toFixed(2)} ms + upload ${upload.toFixed(2)} ms a frame, worst frame ${b.worstMs.toFixed(1)} ms (${b.presenter})`);
    await page.close();
    return program;
  };
  // The two ways of putting a frame on the canvas, over the same 20 s, then
  // the whole show the page's own way.
  const NO_WEBGL = 'HTMLCanvasElement.prototype.getContext = ((get) => function (kind, o) {' +
                   ' return kind === "webgl" ? null : get.call(this, kind, o); })(HTMLCanvasElement.prototype.getContext);';
  const NO_2D = 'HTMLCanvasElement.prototype.getContext = ((get) => function (kind, o) {' +
                ' return kind === "2d" ? null : get.call(this, kind, o); })(HTMLCanvasElement.prototype.getContext);';
  await play(`page, 1280 x 960, WebGL, ${seconds2d} s from order 10`, '?warning=0&t=order:10', NO_2D, seconds2d);
  await play(`page, 1280 x 960, putImageData, ${seconds2d} s from order 10`, '?warning=0&t=order:10', NO_WEBGL, seconds2d);
  const whole = await play('page, 1280 x 960, the whole show', '?warning=0', '', 200);
  // --- The same frames natively ---------------------------------------------------------
  const nativeLine = execFileSync(reference, ['bench', '?width=1280&height=960'], {encoding: 'utf8'}).match(/native .*/)[0];
  const nativeMean = Number(nativeLine.match(/mean ([\d.]+) ms/)[1]);
  console.log(nativeLine);
  console.log(`program time a frame, page / native: ${(whole / nativeMean).toFixed(2)}`);

  // --- Screenshots --------------------------------------------------------------------
  if (shots) {
    const moments = [[90, 'warning'], [700, 'intro'], [1000, 'order1-rings'], [2620, 'order5-zoom'],
                     [4400, 'order10-crosses'], [5500, 'order12-free-discs'], [6860, 'order16-screen-door'],
                     [8800, 'order19-mandel-drift'], [9300, 'ending']];
    for (const [k, name] of moments) {
      const page = await pageAt(browser, `?frame=${k}`, 1280, 960);
      await page.waitFor('document.body.dataset.state === "still"');
      await shoot(page, `still-${k}-${name}`);
      await page.close();
    }
    for (const [name, w, h, scale] of [['phone', 390, 844, 3], ['large', 1920, 1080, 2]]) {
      const page = await pageAt(browser, '?warning=1&t=order:12', w, h, scale);
      await page.waitFor('document.body.dataset.state === "show"', 20000);
      await sleep(2000);
      const size = await page.evaluate('[document.getElementById("show").width, document.getElementById("show").height, document.getElementById("show").style.width, document.getElementById("show").style.height].join(" ")');
      console.log(`${name} window ${w} x ${h} at ${scale}x: canvas ${size}`);
      await shoot(page, `live-${name}`);
      await page.close();
    }
    console.log(`screenshots in ${shots}`);
  }
} finally {
  await browser.close();
  server.close();
}
