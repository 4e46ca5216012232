// Start-up to the login window: when its frame is painted, when its page is usable, and the
// resident memory once it is shown; offscreen and on an X display (Xvfb, software drawing).
// Usage: node benchmarks/startup_to_login.mjs [runs] [program...]
//   (needs a build, tests/pages' npm ci, and Xvfb for the X figures; ZYM_BENCH_MODES=offscreen
//   or =xvfb measures one of them). Several programs (a build before and after a change, each
//   in a folder with its UI, image and language folders) are started in turns, so that both see
//   the same load on a shared machine.
// Each program first starts once unmeasured in its own home folder; the measured starts reuse
// that folder, as every start after a user's first does. The browser cache lives beside a
// program in a writable folder, so it is warm too. XDG_RUNTIME_DIR is on /dev/shm (a desktop
// session's runtime folder is in memory). Times are from spawn:
//   frame   the login window's frame painted and flushed (the program's ZYM_STARTUP_TRACE)
//   usable  the login page's script has run: texts in place, handlers attached ('login-ready')
//   loaded  the page's load finished, as the program saw it
// and the proportional set size (PSS) of the program and its browser processes 1 s later.
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import {performance} from 'node:perf_hooks';
import {createRequire} from 'node:module';

const require = createRequire(new URL('../tests/pages/package.json', import.meta.url));
const {programEnv, program: defaultProgram} = await import('../tests/pages/harness.mjs');
const puppeteer = require('puppeteer-core');

const nowEpochMs = () => performance.timeOrigin + performance.now();

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

// "<microseconds since the epoch> <phase>" lines; the first of each phase, in ms since start.
function readTrace(file, startMs) {
  const phases = new Map();
  for (const line of fs.readFileSync(file, 'utf8').split('\n')) {
    const m = /^(\d+) (.+)$/.exec(line);
    if (m && !phases.has(m[2])) phases.set(m[2], Number(m[1]) / 1000 - startMs);
  }
  return phases;
}

// A port nobody listens on now: other people may run this benchmark or the page tests at once.
function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const {port} = server.address();
      server.close(() => resolve(port));
    });
  });
}

async function once(program, home, extraEnv) {
  const port = await freePort();
  const trace = path.join(home, 'startup-trace');
  fs.rmSync(trace, {force: true});
  const env = {...programEnv(home, port), ...extraEnv, ZYM_STARTUP_TRACE: trace,
               XDG_RUNTIME_DIR: fs.mkdtempSync('/dev/shm/zym-bench-run-')};
  const load = os.loadavg()[0];
  const start = nowEpochMs();
  const child = spawn(program, [], {env, stdio: 'ignore'});
  const url = `http://127.0.0.1:${port}`;
  for (;;) {
    if (child.exitCode !== null) throw new Error(`${program} ended with ${child.exitCode}`);
    if (nowEpochMs() - start > 60000) {
      child.kill('SIGKILL');
      throw new Error(`${program}: no login page on port ${port} after 60 s`);
    }
    try {
      const list = await (await fetch(url + '/json/list', {signal: AbortSignal.timeout(5000)})).json();
      if (list.some(t => t.url.includes('/login.html'))) break;
    } catch {}
    await new Promise(r => setTimeout(r, 10));
  }
  const browser = await puppeteer.connect({browserURL: url, defaultViewport: null});
  const target = await browser.waitForTarget(t => t.url().includes('/login.html'));
  const page = await target.page();
  await page.waitForFunction(() => performance.getEntriesByName('login-ready').length > 0, {polling: 10});
  const readyEpoch = await page.evaluate(
      () => performance.timeOrigin + performance.getEntriesByName('login-ready')[0].startTime);
  await new Promise(r => setTimeout(r, 1000)); // let start-up allocations settle
  const pss = pssKiB(child.pid);
  browser.disconnect();
  const ended = new Promise(r => child.once('exit', r));
  child.kill('SIGTERM');
  await ended;
  fs.rmSync(env.XDG_RUNTIME_DIR, {recursive: true, force: true});
  const phases = readTrace(trace, start);
  return {frame: phases.get('login frame flushed'), usable: readyEpoch - start,
          loaded: phases.get('login page loaded'), pss, load, phases};
}

async function startXvfb() {
  let n = 140;
  while (fs.existsSync(`/tmp/.X11-unix/X${n}`) || fs.existsSync(`/tmp/.X${n}-lock`)) ++n;
  const server = spawn('Xvfb', [`:${n}`, '-screen', '0', '1280x800x24', '-nolisten', 'tcp'],
                       {stdio: 'ignore'});
  // Xvfb makes its socket when it accepts clients.
  for (let i = 0; i < 500 && !fs.existsSync(`/tmp/.X11-unix/X${n}`); ++i) {
    if (server.exitCode !== null) throw new Error('Xvfb ended');
    await new Promise(r => setTimeout(r, 20));
  }
  return {server, display: `:${n}`};
}

const median = xs => xs.slice().sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const range = xs => `${Math.min(...xs).toFixed(0)}-${Math.max(...xs).toFixed(0)}`;

const runs = Number(process.argv[2] ?? 5);
const programs = process.argv.length > 3 ? process.argv.slice(3).map(p => path.resolve(p)) : [defaultProgram];
const modes = (process.env.ZYM_BENCH_MODES ?? 'offscreen,xvfb').split(',');

console.log(`${os.cpus().length} × ${os.cpus()[0].model}, ${(os.totalmem() / 2 ** 30).toFixed(0)} GiB, ` +
            `${new Date().toISOString()}`);
for (const mode of modes) {
  let xvfb = null;
  let extraEnv = {};
  if (mode === 'xvfb') {
    xvfb = await startXvfb();
    // As scripts/run.sh runs it without a GPU: the browser and Qt's compositor draw in software.
    extraEnv = {DISPLAY: xvfb.display, QT_QPA_PLATFORM: 'xcb', QT_QUICK_BACKEND: 'software',
                QTWEBENGINE_CHROMIUM_FLAGS: `${process.env.QTWEBENGINE_CHROMIUM_FLAGS ?? ''} --disable-gpu`};
  }
  const homes = programs.map(() => fs.mkdtempSync(path.join(os.tmpdir(), 'zym-bench-')));
  const results = programs.map(() => []);
  try {
    for (let p = 0; p < programs.length; ++p) await once(programs[p], homes[p], extraEnv); // first start
    for (let i = 0; i < runs; ++i) {
      for (let p = 0; p < programs.length; ++p) {
        const r = await once(programs[p], homes[p], extraEnv);
        results[p].push(r);
        console.log(`${mode} ${programs[p]}: frame ${r.frame?.toFixed(0)} ms, usable ${r.usable.toFixed(0)} ms, ` +
                    `loaded ${r.loaded?.toFixed(0)} ms, ${(r.pss / 1024).toFixed(0)} MiB, load ${r.load.toFixed(1)}`);
      }
    }
  } finally {
    for (const home of homes) fs.rmSync(home, {recursive: true, force: true});
    if (xvfb) xvfb.server.kill();
  }
  for (let p = 0; p < programs.length; ++p) {
    const rs = results[p];
    const pick = k => rs.map(r => r[k]).filter(v => v !== undefined);
    console.log(`\n${mode} ${programs[p]}, median of ${runs} (range), load ${range(pick('load'))}:`);
    console.log(`  frame painted ${median(pick('frame')).toFixed(0)} ms (${range(pick('frame'))}), ` +
                `login usable ${median(pick('usable')).toFixed(0)} ms (${range(pick('usable'))}), ` +
                `loaded ${median(pick('loaded')).toFixed(0)} ms, PSS ${(median(pick('pss')) / 1024).toFixed(0)} MiB`);
    // Each phase's median time since spawn, in the order the program reached them.
    const names = [...rs[0].phases.keys()].sort((a, b) => rs[0].phases.get(a) - rs[0].phases.get(b));
    console.log('  phases (ms since spawn): ' +
                names.map(n => `${n} ${median(rs.map(r => r.phases.get(n) ?? NaN)).toFixed(0)}`).join(', '));
  }
}
