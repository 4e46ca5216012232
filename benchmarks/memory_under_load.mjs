// Memory of the running program while it carries 5 downloads and 5 uploads of 5 connections each,
// over a long run of repeated transfers.
// Usage: node benchmarks/memory_under_load.mjs [minutes] [MiB per download] [MiB per upload]
//   (needs a build and tests/pages' npm ci; starts its own local service; ZYM_PROGRAM names
//   another build of the program; MEMORY_SAMPLES=FILE keeps every sample as JSON lines)
// The real zymclient, offscreen, on the shipped pages, logs in to the local ZYM service; the
// limits are set with setTransInfo (5 tasks, 5 connections, both directions). Two loops run side
// by side until the time is up. Each round queues 2 batches of 5 (saveFile of a folder of 5
// objects of 250 MiB, whose 50 MiB ranges keep 5 connections busy; addFile of 5 local files of
// 100 MiB, 20 parts each), waits until every row is finished, deletes the rows with
// deleteDownload/deleteUpload ("all", finished rows only) and queues the next round; the bytes
// are checked (MD5 of each downloaded file, multipart ETag of each stored object).
// Every 5 seconds the proportional set size (PSS, from /proc/PID/smaps_rollup) of the program
// and of each process below it (the browser's zygotes and renderers) is read, with the running
// rows and the program's open connections to the service. The file-backed part of PSS is
// shared with every other process that maps the same libraries (another instance of the
// program, a page test), so it drops while such processes run; the anonymous part is the
// program's own.
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import {createRequire} from 'node:module';

const require = createRequire(new URL('../tests/pages/package.json', import.meta.url));
require('puppeteer-core'); // fails early, with npm's message, when tests/pages has no npm ci
const {startLoggedIn} = await import('../tests/pages/harness.mjs');
const {startService} = await import('../tests/pages/zym_service.mjs');

const minutes = Number(process.argv[2] ?? 10);
const downloadMiB = Number(process.argv[3] ?? 250); // ranges of 50 MiB: 5 connections each
const uploadMiB = Number(process.argv[4] ?? 100);
const kPart = 5 * 1024 * 1024; // the part size the program uses for files of this size
const kRunning = 1;
const kFinished = 4;
const kFailed = 5;
const sampleEvery = 5000;
const kBatches = 2;
const log = text => { if (process.env.MEMORY_VERBOSE) console.error(text); };

// --- memory ---------------------------------------------------------------------------------

function rollup(pid) {
  const text = fs.readFileSync(`/proc/${pid}/smaps_rollup`, 'utf8');
  const field = name => Number((text.match(new RegExp(`\\n${name}:\\s+(\\d+)`)) ?? [0, 0])[1]);
  return {pss: field('Pss'), anon: field('Pss_Anon'), file: field('Pss_File'), shmem: field('Pss_Shmem'),
          rss: field('Rss')};
}

function processKind(pid) {
  const args = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8').split('\0');
  const type = args.find(a => a.startsWith('--type='));
  if (!type) return 'other';
  const kind = type.slice(7);
  return kind === 'utility' ? 'utility' : kind; // renderer, gpu-process, zygote, utility
}

// The program and every process below it, each with its kind and PSS (KiB).
function memoryOf(root) {
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
  const processes = [];
  const walk = (pid, kind) => {
    try {
      processes.push({pid, kind, ...rollup(pid)});
    } catch {}
    for (const c of children.get(pid) ?? []) {
      let k = 'other';
      try { k = processKind(c); } catch {}
      walk(c, k);
    }
  };
  walk(root, 'main');
  const byKind = {};
  for (const p of processes) {
    byKind[p.kind] ??= {count: 0, pss: 0, anon: 0};
    byKind[p.kind].count += 1;
    byKind[p.kind].pss += p.pss;
    byKind[p.kind].anon += p.anon;
  }
  const main = processes.find(p => p.kind === 'main');
  return {main, byKind, total: processes.reduce((s, p) => s + p.pss, 0),
          anon: processes.reduce((s, p) => s + p.anon, 0), processes: processes.length};
}

function threadsOf(pid) {
  return fs.readdirSync(`/proc/${pid}/task`).length;
}

// Established TCP connections of the process to 127.0.0.1:port.
function connectionsTo(pid, port) {
  const inodes = new Set();
  for (const fd of fs.readdirSync(`/proc/${pid}/fd`)) {
    try {
      const link = fs.readlinkSync(`/proc/${pid}/fd/${fd}`);
      const m = link.match(/^socket:\[(\d+)\]$/);
      if (m) inodes.add(m[1]);
    } catch {}
  }
  let count = 0;
  for (const table of ['tcp', 'tcp6']) {
    let text = '';
    try { text = fs.readFileSync(`/proc/${pid}/net/${table}`, 'utf8'); } catch { continue; }
    for (const line of text.split('\n').slice(1)) {
      const f = line.trim().split(/\s+/);
      if (f.length < 10) continue;
      const remotePort = parseInt(f[2].split(':')[1], 16);
      if (f[3] === '01' && remotePort === port && inodes.has(f[9])) ++count;
    }
  }
  return count;
}

const mib = kib => (kib / 1024).toFixed(1);

// --- transfers ------------------------------------------------------------------------------

const call = (page, name, arg) => page.evaluate((n, a) => new Promise(resolve => {
  ZYMClient[n](a, resolve);
}), name, JSON.stringify(arg));
const list = async (page, name) =>
  JSON.parse(await page.evaluate(n => ZYMClient[n]('{"count":-1}'), name)).list;
const sleep = ms => new Promise(r => setTimeout(r, ms));

// Waits until every row of the batch is finished; a failed row ends the benchmark with its text.
async function allFinished(page, name, expected, inBatch) {
  for (;;) {
    const rows = (await list(page, name)).filter(r => !r.object.endsWith('/') && inBatch(r));
    const failed = rows.find(r => r.status === kFailed);
    if (failed) throw new Error(`${name}: a row failed: ${JSON.stringify(failed)}`);
    if (rows.length >= expected && rows.every(r => r.status === kFinished)) return rows;
    await sleep(500);
  }
}

const md5 = bytes => crypto.createHash('md5').update(bytes).digest('hex');
// The MD5 of a file, read as a stream so the sampling goes on meanwhile.
const md5File = file => new Promise((resolve, reject) => {
  const hash = crypto.createHash('md5');
  fs.createReadStream(file).on('data', d => hash.update(d)).on('error', reject)
      .on('end', () => resolve(hash.digest('hex')));
});
// The ETag of an object put together from parts of kPart bytes.
function multipartEtag(bytes) {
  const sums = [];
  for (let at = 0; at < bytes.length; at += kPart) sums.push(crypto.createHash('md5').update(bytes.subarray(at, at + kPart)).digest());
  return `"${md5(Buffer.concat(sums))}-${sums.length}"`;
}

async function main() {
  const bucket = 'memory-bucket';
  const service = await startService();
  let app;
  const samples = [];
  try {
    await service.createBucket(bucket);
    // Objects to download.
    const sums = [];
    await Promise.all(Array.from({length: 5}, async (_, i) => {
      const bytes = crypto.randomBytes(downloadMiB * 1024 * 1024);
      sums[i] = md5(bytes);
      await service.signed({method: 'PUT', bucket, key: `down/file${i}.bin`, body: bytes});
    }));

    ({app} = await startLoggedIn(service));
    const {child, home} = app;
    const launchpad = await app.page('launchpad.html');
    const sources = path.join(home, 'sources');
    fs.mkdirSync(sources);
    const etags = [];
    const sourceFiles = Array.from({length: 5}, (_, i) => {
      const bytes = crypto.randomBytes(uploadMiB * 1024 * 1024);
      etags[i] = multipartEtag(bytes);
      const file = path.join(sources, `file${i}.bin`);
      fs.writeFileSync(file, bytes);
      return file;
    });

    const limits = {download_task_max: 5, download_peer_max: 5, upload_task_max: 5, upload_peer_max: 5};
    await launchpad.evaluate(t => ZYMClient.setTransInfo(t), JSON.stringify(limits));
    const set = JSON.parse(await launchpad.evaluate(() => ZYMClient.getTransInfo()));
    for (const [k, v] of Object.entries(limits)) {
      if (set[k] !== v) throw new Error(`setTransInfo did not take ${k}: ${JSON.stringify(set)}`);
    }

    const started = Date.now();
    const running = async name => (await list(launchpad, name)).filter(r => r.status === kRunning).length;
    // The launchpad's script heap and document, after a collection so that only live objects count.
    const cdp = await launchpad.target().createCDPSession();
    const pageHeap = async () => {
      await cdp.send('HeapProfiler.collectGarbage');
      const m = await launchpad.metrics();
      return {heap: m.JSHeapUsedSize / 1024, nodes: m.Nodes, listeners: m.JSEventListeners};
    };
    const take = async phase => {
      const page = await pageHeap();
      const m = memoryOf(child.pid);
      const s = {t: (Date.now() - started) / 1000, phase, ...m, page, threads: threadsOf(child.pid),
                 connections: connectionsTo(child.pid, service.port),
                 downloads: await running('getDownload'), uploads: await running('getUpload')};
      samples.push(s);
      return s;
    };
    await sleep(3000); // let the launchpad's start-up allocations settle
    const idle = await take('start');

    const deadline = started + minutes * 60 * 1000;
    let downloadRounds = 0;
    let uploadRounds = 0;
    let stopSampling = false;
    const sampler = (async () => {
      while (!stopSampling) {
        await sleep(sampleEvery);
        if (!stopSampling) await take('load');
      }
    })();

    // A round queues kBatches batches of 5, so a finished transfer is followed at once by a
    // waiting one and all 5 tasks keep running until the round's last few files; a round's bytes
    // are checked while the next round runs.
    const downloadLoop = async () => {
      let checking = Promise.resolve();
      while (Date.now() < deadline) {
        const round = downloadRounds;
        const target = path.join(home, `down-${round}`);
        const queuedAt = Date.now();
        for (let b = 0; b < kBatches; ++b) {
          fs.mkdirSync(path.join(target, String(b)), {recursive: true});
          const saved = JSON.parse(await call(launchpad, 'saveFile',
              {path: path.join(target, String(b)), list: [{location: 'cn-east', bucket, object: 'down/'}]}));
          if (saved.error !== 0) throw new Error(`saveFile: ${JSON.stringify(saved)}`);
        }
        await allFinished(launchpad, 'getDownload', 5 * kBatches, r => r.fullpath.startsWith(target + '/'));
        log(`download round ${round}: ${(Date.now() - queuedAt) / 1000} s`);
        await checking;
        await call(launchpad, 'deleteDownload', {all: 1});
        checking = (async () => {
          for (let b = 0; b < kBatches; ++b) {
            for (let i = 0; i < 5; ++i) {
              const got = await md5File(path.join(target, String(b), 'down', `file${i}.bin`));
              if (got !== sums[i]) throw new Error(`download round ${round}: file${i} has other bytes`);
            }
          }
          fs.rmSync(target, {recursive: true, force: true});
        })();
        ++downloadRounds;
      }
      await checking;
    };
    const uploadLoop = async () => {
      while (Date.now() < deadline) {
        const round = uploadRounds;
        const prefixes = Array.from({length: kBatches}, (_, b) => `up-${round}-${b}/`);
        const queuedAt = Date.now();
        for (const prefix of prefixes) {
          const added = JSON.parse(await call(launchpad, 'addFile',
              {location: 'cn-east', bucket, prefix, list: sourceFiles.map(p => ({path: p}))}));
          if (added.error !== 0) throw new Error(`addFile: ${JSON.stringify(added)}`);
        }
        await allFinished(launchpad, 'getUpload', 5 * kBatches, r => r.object.startsWith(`up-${round}-`));
        log(`upload round ${round}: ${(Date.now() - queuedAt) / 1000} s`);
        for (const prefix of prefixes) {
          for (let i = 0; i < 5; ++i) {
            const key = `${prefix}file${i}.bin`;
            const stored = await service.signed({method: 'HEAD', bucket, key});
            if (stored.headers.etag !== etags[i]) {
              throw new Error(`upload round ${round}: ${key} has ETag ${stored.headers.etag}, not ${etags[i]}`);
            }
            await service.signed({method: 'DELETE', bucket, key}); // keeps the service's memory flat
          }
        }
        await call(launchpad, 'deleteUpload', {all: 1});
        ++uploadRounds;
      }
    };
    await Promise.all([downloadLoop(), uploadLoop()]);
    stopSampling = true;
    await sampler;
    await sleep(5000); // connections closed, buffers given back
    const end = await take('end');

    // --- report -------------------------------------------------------------------------------
    const loaded = samples.filter(s => s.phase === 'load');
    const busy = loaded.filter(s => s.connections >= 45);
    const peak = loaded.reduce((a, b) => (b.total > a.total ? b : a), loaded[0] ?? idle);
    const peakMain = loaded.reduce((a, b) => (b.main.pss > a.main.pss ? b : a), loaded[0] ?? idle);
    const kinds = s => Object.entries(s.byKind).filter(([k]) => k !== 'main').map(([k, v]) =>
        `${k === 'zygote' ? 'browser processes' : k}${v.count > 1 ? ` (${v.count})` : ''} ${mib(v.pss)} ` +
        `(anon ${mib(v.anon)})`).join(', ');
    const line = s => `t=${s.t.toFixed(0)}s ${s.phase}: total ${mib(s.total)} MiB (anon ${mib(s.anon)}); ` +
        `main ${mib(s.main.pss)} MiB ` +
        `(anon ${mib(s.main.anon)}, file ${mib(s.main.file)}, shmem ${mib(s.main.shmem)}); ${kinds(s)}; ` +
        `launchpad script heap ${mib(s.page.heap)} MiB, ${s.page.nodes} nodes; threads ${s.threads}; running ${s.downloads} downloads, ${s.uploads} uploads, ${s.connections} connections`;

    console.log(`load: ${minutes} min, 5 downloads x 5 connections (${downloadMiB} MiB objects) and ` +
                `5 uploads x 5 connections (${uploadMiB} MiB files); ${downloadRounds} download rounds and ` +
                `${uploadRounds} upload rounds (each of ${5 * kBatches} files), every file checked`);
    console.log(line(idle));
    // About one sample a minute, so the trend shows.
    let nextMinute = 0;
    for (const s of loaded) {
      if (s.t >= nextMinute) {
        console.log(line(s));
        nextMinute = Math.floor(s.t / 60 + 1) * 60;
      }
    }
    console.log(line(end));
    console.log(`samples under load: ${loaded.length}, of which ${busy.length} with 45 or more connections open`);
    if (busy.length) {
      const med = xs => xs.slice().sort((a, b) => a - b)[Math.floor(xs.length / 2)];
      console.log(`with 45+ connections: total median ${mib(med(busy.map(s => s.total)))} MiB, ` +
                  `anon median ${mib(med(busy.map(s => s.anon)))} MiB, max ${mib(Math.max(...busy.map(s => s.anon)))} MiB; ` +
                  `max ${mib(Math.max(...busy.map(s => s.total)))} MiB; main median ` +
                  `${mib(med(busy.map(s => s.main.pss)))} MiB, max ${mib(Math.max(...busy.map(s => s.main.pss)))} MiB`);
    }
    console.log(`peak total: ${line(peak)}`);
    console.log(`peak main: ${line(peakMain)}`);
    // Growth: the first and last fifth of the loaded samples.
    const fifth = Math.max(1, Math.floor(loaded.length / 5));
    const avg = xs => xs.reduce((a, b) => a + b, 0) / xs.length;
    const first = loaded.slice(0, fifth), last = loaded.slice(-fifth);
    if (loaded.length) {
      const growth = pick => mib(avg(last.map(pick)) - avg(first.map(pick)));
      console.log(`growth under load (mean of the last fifth of samples - mean of the first fifth): total ` +
                  `PSS ${growth(s => s.total)} MiB (anon ${growth(s => s.anon)}), main PSS ` +
                  `${growth(s => s.main.pss)} MiB (anon ${growth(s => s.main.anon)})`);
    }
    console.log(`idle before and after: total ${mib(idle.total)} -> ${mib(end.total)} MiB (anon ` +
                `${mib(idle.anon)} -> ${mib(end.anon)}), main ${mib(idle.main.pss)} -> ${mib(end.main.pss)} MiB ` +
                `(anon ${mib(idle.main.anon)} -> ${mib(end.main.anon)}), threads ${idle.threads} -> ${end.threads}`);
    if (process.env.MEMORY_SAMPLES) {
      fs.writeFileSync(process.env.MEMORY_SAMPLES, samples.map(s => JSON.stringify(
          {t: s.t, phase: s.phase, total: s.total, anon: s.anon, main: s.main, byKind: s.byKind, threads: s.threads,
           page: s.page, connections: s.connections, downloads: s.downloads, uploads: s.uploads})).join('\n') + '\n');
    }
  } finally {
    await app?.stop();
    await service.stop();
  }
}

await main();
