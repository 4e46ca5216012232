// The object browser on a big folder: how soon the first rows show after the first listing
// reply, how long the whole folder takes to list by scrolling (1,000 keys a request), what
// the document and the script heap hold afterwards, and frame times while scrolling.
// Usage: node benchmarks/pages_listing.mjs [objects]   (default 20000; needs a build and
// tests/pages' npm ci). Starts its own local service and the real zymclient offscreen.
import {performance} from 'node:perf_hooks';

const {startLoggedIn} = await import('../tests/pages/harness.mjs');
const {startService} = await import('../tests/pages/zym_service.mjs');

const count = Number(process.argv[2]) || 20000;
const service = await startService();
await service.createBucket('bench');
const keys = Array.from({length: count}, (_, i) => `big/k${String(i).padStart(6, '0')}`);
let t = performance.now();
await service.putMany('bench', keys, {inFlight: 8});
console.log(`put ${count} objects: ${((performance.now() - t) / 1000).toFixed(1)} s`);

const {app, launchpad: page} = await startLoggedIn(service);
page.setDefaultTimeout(0); // the local service's listings slow down as the folder grows
try {
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
  console.log(`first page: reply after ${(first.replyEnd - start).toFixed(0)} ms, rows shown ` +
              `${(first.shown - first.replyEnd).toFixed(0)} ms after the reply`);
  t = performance.now();
  for (;;) {
    const done = await page.$eval('#object-status', e => e.dataset.complete === 'true');
    if (done) break;
    const loaded = Number(await page.$eval('#object-status', e => e.dataset.loaded));
    await page.keyboard.press('End');
    await page.waitForFunction(n => Number(document.querySelector('#object-status').dataset.loaded) > n ||
                                   document.querySelector('#object-status').dataset.complete === 'true', {}, loaded);
  }
  const total = (performance.now() - t) / 1000;
  const after = await page.evaluate(() => ({
    rows: document.querySelectorAll('#object-list .vlist-row').length,
    elements: document.getElementsByTagName('*').length,
    heapMiB: performance.memory ? performance.memory.usedJSHeapSize / 1048576 : NaN,
    loaded: Number(document.querySelector('#object-status').dataset.loaded),
  }));
  console.log(`all ${after.loaded} rows listed by scrolling in ${total.toFixed(1)} s ` +
              `(${Math.ceil(after.loaded / 1000)} requests, ${(total * 1000 / Math.ceil(after.loaded / 1000)).toFixed(0)} ms each)`);
  console.log(`document: ${after.rows} row elements, ${after.elements} elements in all; script heap ${after.heapMiB.toFixed(1)} MiB`);
  // Scrolls top to bottom, 40 rows a frame, and records the time between frames.
  const frames = await page.evaluate(() => new Promise(resolve => {
    const list = document.querySelector('#object-list');
    list.scrollTop = 0;
    const gaps = [];
    let last = performance.now();
    const step = now => {
      gaps.push(now - last);
      last = now;
      list.scrollTop += 40 * 28;
      if (list.scrollTop + list.clientHeight < list.scrollHeight && gaps.length < 600) requestAnimationFrame(step);
      else resolve(gaps.slice(1));
    };
    requestAnimationFrame(step);
  }));
  frames.sort((a, b) => a - b);
  const p = q => frames[Math.min(frames.length - 1, Math.floor(q * frames.length))].toFixed(1);
  console.log(`scrolling ${frames.length} frames: median ${p(0.5)} ms, 95th ${p(0.95)} ms, worst ${p(1)} ms between frames`);
  const sort = await page.evaluate(async () => {
    const t0 = performance.now();
    document.querySelector('.list-head [data-sort=size]').click();
    return performance.now() - t0;
  });
  console.log(`sorting ${after.loaded} rows by size: ${sort.toFixed(0)} ms`);
} finally {
  await app.stop();
  await service.stop();
}
