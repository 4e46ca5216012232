// The shipped pages on big lists, in the real zymclient offscreen against the local service.
// The object browser on one folder of N objects: how soon the first rows show after the first
// listing reply, how long the whole folder takes to list by scrolling (1,000 keys a request),
// what the document and the script heap hold afterwards, frame times while scrolling, sorting.
// The upload list with R rows in the account's queue: how soon the first rows show, the
// getUpload pages, jumping to the end, frame times while scrolling, the document and the heap.
// Usage: node benchmarks/pages_listing.mjs [objects] [rows]   (defaults 100000 and 100000; 0
// leaves a part out; needs a build and tests/pages' npm ci). The objects go straight into the
// local service's store (its /_control/seed), the rows straight into the queue file.
import {spawnSync} from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {performance} from 'node:perf_hooks';

const {logInThroughPage, shippedUiFolder, startLoggedIn, startProgram} = await import('../tests/pages/harness.mjs');
const {demo, startService} = await import('../tests/pages/zym_service.mjs');

const count = Number(process.argv[2] ?? 100000);
const rowCount = Number(process.argv[3] ?? 100000);
const load = () => os.loadavg().map(n => n.toFixed(1)).join(' ');
console.log(`${new Date().toISOString()} ${os.cpus().length} x ${os.cpus()[0].model}, load average ${load()}`);

// Times between animation frames while the list scrolls `step` pixels a frame from the top.
function scrollFrames(page, selector, step, most) {
  return page.evaluate((selector, step, most) => new Promise(resolve => {
    const list = document.querySelector(selector);
    list.scrollTop = 0;
    const gaps = [];
    let last = performance.now();
    const frame = now => {
      gaps.push(now - last);
      last = now;
      list.scrollTop += step;
      if (list.scrollTop + list.clientHeight < list.scrollHeight && gaps.length < most) requestAnimationFrame(frame);
      else resolve(gaps.slice(1));
    };
    requestAnimationFrame(frame);
  }), selector, step, most);
}

function frameFigures(frames) {
  frames.sort((a, b) => a - b);
  const p = q => frames[Math.min(frames.length - 1, Math.floor(q * frames.length))].toFixed(1);
  return `${frames.length} frames: median ${p(0.5)} ms, 95th ${p(0.95)} ms, worst ${p(1)} ms between frames`;
}

// Rows and elements in the document, and the script heap after a garbage collection (through
// the debugging protocol: performance.memory is coarse and lags).
async function documentFigures(page, selector) {
  const cdp = await page.createCDPSession();
  await cdp.send('HeapProfiler.collectGarbage');
  await cdp.detach();
  const metrics = await page.metrics();
  return {
    ...await page.evaluate(selector => ({
      rows: document.querySelectorAll(`${selector} .vlist-row`).length,
      elements: document.getElementsByTagName('*').length,
    }), selector),
    heapMiB: metrics.JSHeapUsedSize / 1048576,
  };
}

async function objectFigures(service, page) {
  await page.waitForSelector('#bucket-list .vlist-row');
  await page.click('#bucket-list .vlist-row');
  await page.waitForSelector('#object-status[data-complete=true]');
  await page.evaluate(() => {
    window.bench = {pages: []};
    new MutationObserver(() => {
      const n = Number(document.querySelector('#object-status').dataset.loaded);
      if (n && window.bench.pages.at(-1)?.n !== n) window.bench.pages.push({n, at: performance.now()});
    }).observe(document.querySelector('#object-status'), {attributes: true});
  });
  await page.focus('#object-list');
  const start = await page.evaluate(() => performance.now());
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.querySelector('#object-status').dataset.loaded === '1000');
  const first = await page.evaluate(() => {
    const reply = performance.getEntriesByType('resource').filter(e => e.name.includes('prefix=big')).at(0);
    return {replyEnd: reply.responseEnd, shown: window.bench.pages[0].at};
  });
  console.log(`objects, first page: reply after ${(first.replyEnd - start).toFixed(0)} ms, rows shown ` +
              `${(first.shown - first.replyEnd).toFixed(0)} ms after the reply`);
  const firstScreen = await documentFigures(page, '#object-list');
  const t = performance.now();
  for (;;) {
    const done = await page.$eval('#object-status', e => e.dataset.complete === 'true');
    if (done) break;
    const loaded = Number(await page.$eval('#object-status', e => e.dataset.loaded));
    await page.keyboard.press('End');
    await page.waitForFunction(n => Number(document.querySelector('#object-status').dataset.loaded) > n ||
                                   document.querySelector('#object-status').dataset.complete === 'true', {}, loaded);
  }
  const total = (performance.now() - t) / 1000;
  const loaded = Number(await page.$eval('#object-status', e => e.dataset.loaded));
  const requests = Math.ceil(loaded / 1000);
  const replies = await page.evaluate(() => performance.getEntriesByType('resource')
      .filter(e => e.name.includes('prefix=big')).map(e => e.duration)); // cross-origin: no request start
  replies.sort((a, b) => a - b);
  console.log(`objects: all ${loaded} rows listed by scrolling in ${total.toFixed(1)} s (${requests} requests, ` +
              `${(total * 1000 / requests).toFixed(0)} ms each; a request's fetch median ` +
              `${replies[Math.floor(replies.length / 2)]?.toFixed(0)} ms)`);
  const after = await documentFigures(page, '#object-list');
  console.log(`objects: document after the first page ${firstScreen.rows} row elements, ${firstScreen.elements} ` +
              `elements, script heap ${firstScreen.heapMiB.toFixed(1)} MiB; after all rows ${after.rows} row ` +
              `elements, ${after.elements} elements, script heap ${after.heapMiB.toFixed(1)} MiB`);
  console.log(`objects: scrolling 40 rows a frame, ${frameFigures(await scrollFrames(page, '#object-list', 40 * 28, 600))}`);
  for (const order of ['size', 'size', 'name']) {
    const ms = await page.evaluate(o => {
      const t0 = performance.now();
      document.querySelector(`.list-head [data-sort=${o}]`).click();
      return performance.now() - t0;
    }, order);
    console.log(`objects: sorting ${loaded} rows by ${order}: ${ms.toFixed(0)} ms`);
  }
}

// Stopped upload rows with assorted sizes and offsets, written while the program is not running.
function fillQueue(file, rows) {
  const script = `
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
n = int(sys.argv[2])
db.executemany("insert into Upload(pathhash,host,bucket,object,fullpath,filesize,last,status,offset,actlast,"
               "uploadid,errornum,errormsg) values (?,?,?,?,?,?,?,3,?,0,'',0,'')",
               (("%040x" % i, "bench.cn-east", "bench", "t/o%06d.bin" % i, "/nowhere/o%06d.bin" % i,
                 1000 + i * 37, 1765400000, (1000 + i * 37) * (i % 10) // 10) for i in range(1, n + 1)))
db.commit()
`;
  const r = spawnSync('python3', ['-c', script, file, String(rows)], {encoding: 'utf8'});
  if (r.status !== 0) throw new Error(r.stderr);
}

async function transferFigures(page) {
  // After the launchpad has settled (bucket list shown, the queue opened after the log-in, two
  // frames drawn).
  await page.waitForSelector('#bucket-list .vlist-row');
  await page.waitForFunction(n => JSON.parse(ZYMClient.getUpload('{"count":0}')).upload_total_count === n,
                             {polling: 100}, rowCount);
  await page.evaluate(() => new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r))));
  const firstRows = await page.evaluate(() => new Promise(resolve => {
    const t0 = performance.now();
    document.querySelector('#tab-transfers').click();
    const handled = performance.now() - t0;
    setTimeout(() => {
      const inDocument = document.querySelector('#transfer-list .vlist-row .label') ? performance.now() - t0 : NaN;
      requestAnimationFrame(() => resolve({handled, inDocument, painted: performance.now() - t0}));
    }, 0);
  }));
  console.log(`transfers: first rows in the document ${firstRows.inDocument.toFixed(0)} ms after the tab's click ` +
              `(${firstRows.handled.toFixed(0)} ms of it in the click, with the first getUpload page), ` +
              `next frame ${firstRows.painted.toFixed(0)} ms after it`);
  const calls = await page.evaluate(n => {
    const time = start => {
      const t0 = performance.now();
      const rows = JSON.parse(ZYMClient.getUpload(JSON.stringify({start, count: 1000}))).list.length;
      return {ms: performance.now() - t0, rows};
    };
    return [time(0), time(Math.floor(n / 2)), time(n - 1000)];
  }, rowCount);
  console.log(`transfers: getUpload of 1,000 rows at 0 / ${Math.floor(rowCount / 2)} / ${rowCount - 1000}: ` +
              calls.map(c => `${c.ms.toFixed(0)} ms (${c.rows} rows)`).join(' / '));
  const firstScreen = await documentFigures(page, '#transfer-list');
  const end = await page.evaluate(() => new Promise(resolve => {
    const list = document.querySelector('#transfer-list');
    list.focus();
    const t0 = performance.now();
    list.dispatchEvent(new KeyboardEvent('keydown', {key: 'End', bubbles: true}));
    const wait = () => {
      const labels = [...list.querySelectorAll('.vlist-row .label')].map(e => e.textContent);
      if (labels.includes(list.dataset.lastName)) resolve({ms: performance.now() - t0, last: labels.at(-1)});
      else requestAnimationFrame(wait);
    };
    list.dataset.lastName = `t/o${String(Number(list.getAttribute('aria-rowcount'))).padStart(6, '0')}.bin`;
    wait();
  }));
  console.log(`transfers: End shows the last row (${end.last}) ${end.ms.toFixed(0)} ms after the key`);
  console.log(`transfers: scrolling 40 rows a frame, ${frameFigures(await scrollFrames(page, '#transfer-list', 40 * 44, 600))}`);
  console.log(`transfers: scrolling 250 rows a frame (a new page every 4 frames), ` +
              frameFigures(await scrollFrames(page, '#transfer-list', 250 * 44, 1000)));
  const after = await documentFigures(page, '#transfer-list');
  console.log(`transfers: document on the first screen ${firstScreen.rows} row elements, ${firstScreen.elements} ` +
              `elements, script heap ${firstScreen.heapMiB.toFixed(1)} MiB; after scrolling every row ${after.rows} ` +
              `row elements, ${after.elements} elements, script heap ${after.heapMiB.toFixed(1)} MiB`);
}

const service = await startService();
let app;
try {
  await service.createBucket('bench');
  let t = performance.now();
  const keys = Array.from({length: count}, (_, i) => `big/k${String(i).padStart(6, '0')}`);
  for (let i = 0; i < keys.length; i += 20000) {
    const answer = await service.control('POST', '/_control/seed', {bucket: 'bench', keys: keys.slice(i, i + 20000), body: 'x'});
    if (answer.seeded === undefined) throw new Error(JSON.stringify(answer));
  }
  console.log(`seeded ${count} objects in ${((performance.now() - t) / 1000).toFixed(1)} s`);

  let page;
  ({app, launchpad: page} = await startLoggedIn(service));
  page.setDefaultTimeout(0);
  if (count > 0) await objectFigures(service, page);

  if (rowCount > 0) {
    const queue = path.join(app.home, '.local/share/ZYMClient',
                            crypto.createHash('sha1').update(demo.id).digest('hex'), 'transdb.db');
    if (!fs.existsSync(queue)) throw new Error(`no queue file at ${queue}`);
    const home = app.home;
    await app.stop({keepHome: true});
    t = performance.now();
    fillQueue(queue, rowCount);
    console.log(`wrote ${rowCount} upload rows into the queue file in ${((performance.now() - t) / 1000).toFixed(1)} s`);
    app = await startProgram({UIPath: shippedUiFolder, ServiceDomain: service.domain}, {}, {keepHome: home});
    const login = await app.page('login.html');
    await login.waitForSelector('body[data-ready=true]');
    await logInThroughPage(login, demo, 'cn-east');
    page = await app.page('launchpad.html');
    await page.waitForSelector('body[data-ready=true]');
    page.setDefaultTimeout(0);
    await transferFigures(page);
  }
  console.log(`load average at the end ${load()}`);
} finally {
  await app?.stop();
  await service.stop();
}
