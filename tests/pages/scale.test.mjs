// A folder of 5,000 objects: listed 1,000 keys a request as the user scrolls, while the
// document holds only the rows in view.
import assert from 'node:assert/strict';
import {after, before, describe, test} from 'node:test';

import {startLoggedIn} from './harness.mjs';
import {startService, uniqueName} from './zym_service.mjs';

const kObjects = 5000;

describe('a folder of 5,000 objects', () => {
  let service;
  let app;
  let page;
  let rule;
  const bucket = uniqueName('scale');
  const keys = Array.from({length: kObjects}, (_, i) => `big/k${String(i).padStart(5, '0')}`);

  before(async () => {
    service = await startService();
    await service.createBucket(bucket);
    assert.deepEqual(await service.control('POST', '/_control/seed', {bucket, keys}), {seeded: kObjects});
    // Counts the listing requests of the folder (a delay of 1 ms changes nothing else).
    rule = (await service.control('POST', '/_control/faults',
                                  {bucket, method: 'GET', query: 'prefix=big', delay_ms: 1})).id;
    ({app, launchpad: page} = await startLoggedIn(service));
  });
  after(async () => {
    await app?.stop();
    await service?.stop();
  });

  const rowsInDocument = () => page.$$eval('#object-list .vlist-row', rows => rows.length);
  const listingRequests = async () => (await service.control('GET', '/_control/faults'))
      .find(r => r.id === rule)?.seen;

  test('pages arrive one at a time as the list scrolls, and the document keeps only visible rows', async () => {
    await page.waitForFunction(n => [...document.querySelectorAll('#bucket-list .label')].some(r => r.textContent === n),
                               {}, bucket);
    await page.evaluate(n => [...document.querySelectorAll('#bucket-list .vlist-row')]
        .find(r => r.querySelector('.label').textContent === n).click(), bucket);
    await page.waitForSelector('#object-status[data-complete=true]');
    // Every count the status line shows while the folder fills up.
    await page.evaluate(() => {
      window.loadedCounts = [];
      new MutationObserver(() => {
        const n = Number(document.querySelector('#object-status').dataset.loaded);
        if (window.loadedCounts.at(-1) !== n) window.loadedCounts.push(n);
      }).observe(document.querySelector('#object-status'), {attributes: true});
    });
    await page.focus('#object-list');
    await page.keyboard.press('Enter'); // the folder "big"
    await page.waitForFunction(() => document.querySelector('#object-status').dataset.loaded === '1000');
    assert.equal(await listingRequests(), 1);
    assert.equal(await page.$eval('#object-list', e => e.getAttribute('aria-rowcount')), '1000');
    const visible = await page.$eval('#object-list', e => Math.ceil(e.clientHeight / 28));
    assert.ok(await rowsInDocument() <= visible + 16, `rows in the document: ${await rowsInDocument()}`);

    // Each End reaches the loaded end; the next page comes as the list nears it.
    for (let loaded = 1000; loaded < kObjects;) {
      await page.keyboard.press('End');
      await page.waitForFunction(n => Number(document.querySelector('#object-status').dataset.loaded) > n, {}, loaded);
      loaded = Number(await page.$eval('#object-status', e => e.dataset.loaded));
    }
    await page.waitForSelector('#object-status[data-complete=true]');
    await page.keyboard.press('End');
    assert.deepEqual(await page.evaluate(() => window.loadedCounts.filter(n => n > 0)), [1000, 2000, 3000, 4000, 5000]);
    assert.ok((await listingRequests()) <= 6, 'one request per 1,000 keys (and at most one empty last page)');
    assert.equal(await page.$eval('#object-list', e => e.getAttribute('aria-rowcount')), String(kObjects));
    assert.ok(await rowsInDocument() <= visible + 16, `rows in the document: ${await rowsInDocument()}`);
    const shown = await page.$$eval('#object-list .vlist-row .label', rows => rows.map(r => r.textContent));
    assert.equal(shown.at(-1), 'k04999');
    assert.equal(await page.$eval('#object-list .vlist-row.focused .label', e => e.textContent), 'k04999');
  });

  test('a filter that matches only on later pages lists on until it finds them', async () => {
    await page.click('#up');
    await page.waitForFunction(() => document.querySelector('#crumbs [aria-current]')?.textContent !== 'big');
    await page.waitForSelector('#object-status[data-complete=true]');
    await page.focus('#object-list');
    await page.keyboard.press('Enter'); // "big" again, from its first page
    await page.waitForFunction(() => document.querySelector('#object-status').dataset.loaded === '1000');
    await page.type('#filter', 'k0470');
    await page.waitForFunction(() => /10 of 5000/.test(document.querySelector('#object-status').textContent));
    assert.deepEqual(await page.$$eval('#object-list .vlist-row .label', r => r.map(e => e.textContent)),
                     Array.from({length: 10}, (_, i) => `k0470${i}`));
    await page.$eval('#filter', e => { e.value = ''; e.dispatchEvent(new Event('input')); });
  });

  test('sorting and filtering the 5,000 rows keep the document small', async () => {
    await page.click('.list-head [data-sort=name]'); // descending
    await page.waitForFunction(() => document.querySelector('#object-list .vlist-row .label')?.textContent === 'k04999');
    await page.type('#filter', 'k049');
    await page.waitForFunction(() => /100 of 5000/.test(document.querySelector('#object-status').textContent));
    assert.ok(await rowsInDocument() <= 100);
  });
});
