// Start-up to a loaded login page, and resident memory once it is shown.
// Usage: node benchmarks/startup_to_login.mjs [runs]   (needs a build and tests/pages' npm ci)
// Starts the real zymclient offscreen with a fresh HOME each run (cold browser cache), with
// the shipped UI folder, and measures from spawn until the login page's document has
// finished loading; then sums the proportional resident memory (PSS) of the program and its
// browser processes.
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {performance} from 'node:perf_hooks';
import {createRequire} from 'node:module';

const require = createRequire(new URL('../tests/pages/package.json', import.meta.url));
const {programEnv, program} = await import('../tests/pages/harness.mjs');
const puppeteer = require('puppeteer-core');

// Proportional set size (shared pages split among the processes that map them), summed.
function pssKiB(pid) {
  // The program and every process below it (the browser's zygote, renderer, GPU, utility).
  const children = new Map();
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${entry}/stat`, 'utf8');
      const ppid = Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]);
      if (!children.has(ppid)) children.set(ppid, []);
      children.get(ppid).push(Number(entry));
    } catch {}
  }
  let total = 0;
  const walk = p => {
    try {
      const m = fs.readFileSync(`/proc/${p}/smaps_rollup`, 'utf8').match(/\nPss:\s+(\d+)/);
      if (m) total += Number(m[1]);
    } catch {}
    for (const c of children.get(p) ?? []) walk(c);
  };
  walk(pid);
  return total;
}

async function once(port) {
  const home = fs.mkdtempSync(path.join(os.tmpdir(), 'zym-bench-'));
  const start = performance.now();
  const child = spawn(program, [], {env: programEnv(home, port), stdio: 'ignore'});
  const url = `http://127.0.0.1:${port}`;
  let browser;
  for (;;) {
    try {
      const list = await (await fetch(url + '/json/list')).json();
      if (list.some(t => t.url.endsWith('/login.html'))) break;
    } catch {}
    await new Promise(r => setTimeout(r, 10));
  }
  browser = await puppeteer.connect({browserURL: url, defaultViewport: null});
  const target = await browser.waitForTarget(t => t.url().endsWith('/login.html'));
  const page = await target.page();
  await page.waitForFunction(() => document.readyState === 'complete', {polling: 10});
  const elapsed = performance.now() - start;
  await new Promise(r => setTimeout(r, 1000)); // let start-up allocations settle
  const rss = pssKiB(child.pid);
  browser.disconnect();
  const ended = new Promise(r => child.once('exit', r));
  child.kill('SIGTERM');
  await ended;
  fs.rmSync(home, {recursive: true, force: true});
  return {elapsed, rss};
}

const runs = Number(process.argv[2] ?? 5);
const results = [];
for (let i = 0; i < runs; ++i) results.push(await once(39400 + i));
const median = xs => xs.slice().sort((a, b) => a - b)[Math.floor(xs.length / 2)];
for (const r of results) console.log(`start-up ${r.elapsed.toFixed(0)} ms, resident ${(r.rss / 1024).toFixed(0)} MiB`);
console.log(`median of ${runs}: start-up to loaded login page ${median(results.map(r => r.elapsed)).toFixed(0)} ms, ` +
            `resident memory ${(median(results.map(r => r.rss)) / 1024).toFixed(0)} MiB`);
