// A small client of Chromium's DevTools protocol over --remote-debugging-pipe
// (no network port, no package): start a headless browser, open pages,
// send commands, wait for events.
import {spawn} from 'node:child_process';
import {mkdtempSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';

export async function launchBrowser(extraArgs = []) {
  const profile = mkdtempSync(join(tmpdir(), 'vortelan-chromium-'));
  const args = ['--headless=new', '--no-sandbox', '--disable-gpu', '--no-first-run', '--no-default-browser-check',
                '--disable-background-networking', '--disable-component-update', '--disable-sync',
                '--disable-extensions', '--mute-audio', `--user-data-dir=${profile}`, '--remote-debugging-pipe',
                ...extraArgs, 'about:blank'];
  const child = spawn(process.env.VORTELAN_CHROMIUM || 'chromium', args,
                      {stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe']});
  let stderr = '';
  child.stderr.on('data', (d) => { stderr += d; });
  const writer = child.stdio[3], reader = child.stdio[4];
  let nextId = 1;
  const pending = new Map();
  const listeners = new Set();
  let buffer = Buffer.alloc(0);
  reader.on('data', (chunk) => {
    buffer = Buffer.concat([buffer, chunk]);
    for (let end; (end = buffer.indexOf(0)) >= 0;) {
      const message = JSON.parse(buffer.subarray(0, end).toString('utf8'));
      buffer = buffer.subarray(end + 1);
      if (message.id !== undefined && pending.has(message.id)) {
        const {resolve, reject, method} = pending.get(message.id);
        pending.delete(message.id);
        if (message.error) reject(new Error(`${method}: ${message.error.message}`));
        else resolve(message.result);
      } else {
        for (const listener of listeners) listener(message);
      }
    }
  });
  const exited = new Promise((resolve) => child.on('exit', resolve));
  exited.then(() => {
    for (const {reject, method} of pending.values()) reject(new Error(`${method}: the browser ended\n${stderr}`));
    pending.clear();
  });

  function send(method, params = {}, sessionId) {
    const id = nextId++;
    const message = {id, method, params};
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      pending.set(id, {resolve, reject, method});
      writer.write(JSON.stringify(message) + '\0');
    });
  }

  // A page of its own, with its console and exceptions collected.
  async function openPage() {
    const {targetId} = await send('Target.createTarget', {url: 'about:blank'});
    const {sessionId} = await send('Target.attachToTarget', {targetId, flatten: true});
    const page = {sessionId, console: [], errors: [], handlers: {}};
    const listener = (m) => {
      if (m.sessionId !== sessionId) return;
      if (page.handlers[m.method]) page.handlers[m.method](m.params);
      if (m.method === 'Runtime.consoleAPICalled') {
        const text = m.params.args.map((a) => a.value !== undefined ? String(a.value) : a.description || '').join(' ');
        page.console.push({type: m.params.type, text});
        if (m.params.type === 'error') page.errors.push(text);
      } else if (m.method === 'Runtime.exceptionThrown') {
        const d = m.params.exceptionDetails;
        page.errors.push((d.exception && d.exception.description) || d.text);
      } else if (m.method === 'Log.entryAdded' && m.params.entry.level === 'error') {
        page.errors.push(`${m.params.entry.source}: ${m.params.entry.text} ${m.params.entry.url || ''}`);
      }
    };
    listeners.add(listener);
    page.send = (method, params) => send(method, params, sessionId);
    page.on = (method, handler) => { page.handlers[method] = handler; };
    page.evaluate = async (expression) => {
      const r = await page.send('Runtime.evaluate', {expression, awaitPromise: true, returnByValue: true});
      if (r.exceptionDetails) throw new Error(`${expression}: ${r.exceptionDetails.exception?.description || r.exceptionDetails.text}`);
      return r.result.value;
    };
    page.waitFor = async (expression, timeoutMs = 20000) => {
      const until = Date.now() + timeoutMs;
      for (;;) {
        const value = await page.evaluate(expression);
        if (value) return value;
        if (Date.now() > until) throw new Error(`timed out waiting for ${expression}`);
        await new Promise((r) => setTimeout(r, 50));
      }
    };
    page.goto = async (url) => {
      await page.send('Page.navigate', {url});
      await page.waitFor('document.readyState === "complete"');
    };
    page.close = async () => {
      listeners.delete(listener);
      await send('Target.closeTarget', {targetId});
    };
    await page.send('Runtime.enable');
    await page.send('Log.enable');
    await page.send('Page.enable');
    return page;
  }

  async function close() {
    try { await send('Browser.close'); } catch {}
    const timer = setTimeout(() => child.kill('SIGKILL'), 5000);
    await exited;
    clearTimeout(timer);
    rmSync(profile, {recursive: true, force: true});
  }
  return {send, openPage, close, stderr: () => stderr};
}
