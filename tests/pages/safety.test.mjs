// Names and messages from the service are data: objects named like markup and script are
// shown as text wherever the pages show them, and nothing in them runs.
import assert from 'node:assert/strict';
import {after, before, describe, test} from 'node:test';

import {startLoggedIn} from './harness.mjs';
import {startService, uniqueName} from './zym_service.mjs';

const hostile = [
  '<img src=x onerror="window.__pwned=1">',
  '"><svg onload="window.__pwned=3">',
  "'><iframe src=\"javascript:window.parent.__pwned=4\">",
  '&lt;b&gt;entity&amp;.txt',
];
// "/" ends a folder name: the closing tag's slash makes the script's key a folder.
const scriptKey = '<script>window.__pwned=2</script>.txt';
const scriptFolder = '<script>window.__pwned=2<';
const hostileFolder = '<b onmouseover="window.__pwned=5">folder';

describe('markup in names and messages', () => {
  let service;
  let app;
  let page;
  const bucket = uniqueName('safety');

  before(async () => {
    service = await startService();
    await service.createBucket(bucket);
    for (const key of [...hostile, scriptKey, `${hostileFolder}/<img src=y onerror="window.__pwned=6">`]) {
      await service.signed({method: 'PUT', bucket, key, body: 'x'});
    }
    ({app, launchpad: page} = await startLoggedIn(service));
    await page.evaluate(() => { window.__pwned = 0; });
    await page.waitForFunction(n => [...document.querySelectorAll('#bucket-list .label')].some(r => r.textContent === n),
                               {}, bucket);
    await page.evaluate(n => [...document.querySelectorAll('#bucket-list .vlist-row')]
        .find(r => r.querySelector('.label').textContent === n).click(), bucket);
    await page.waitForSelector('#object-status[data-complete=true]');
  });
  after(async () => {
    await app?.stop();
    await service?.stop();
  });

  // No element of the page came from a name: only the pages' own tags, and no handlers.
  const injected = () => page.evaluate(() => ({
    pwned: window.__pwned,
    foreign: document.querySelectorAll('body img, body script, body iframe, #object-list svg:not(.glyph), b').length,
    handlers: [...document.querySelectorAll('*')].filter(e => [...e.attributes].some(a => a.name.startsWith('on'))).length,
  }));

  test('the object list shows every name exactly as its key', async () => {
    const names = await page.$$eval('#object-list .vlist-row .label', rows => rows.map(r => r.textContent));
    assert.deepEqual([...names].sort(), [hostileFolder, scriptFolder, ...hostile].sort());
    assert.deepEqual(await injected(), {pwned: 0, foreign: 0, handlers: 0});
  });

  test('the folder opens; breadcrumbs, rows and the filter keep it as text', async () => {
    await page.evaluate(n => [...document.querySelectorAll('#object-list .vlist-row')]
        .find(r => r.querySelector('.label').textContent === n)
        .dispatchEvent(new MouseEvent('dblclick', {bubbles: true})), hostileFolder);
    await page.waitForFunction(n => document.querySelector('#crumbs [aria-current]')?.textContent === n, {},
                               hostileFolder);
    await page.waitForSelector('#object-status[data-complete=true]');
    assert.deepEqual(await page.$$eval('#object-list .vlist-row .label', rows => rows.map(r => r.textContent)),
                     ['<img src=y onerror="window.__pwned=6">']);
    await page.type('#filter', '<img');
    await page.waitForFunction(() => /1 of 1/.test(document.querySelector('#object-status').textContent));
    assert.deepEqual(await injected(), {pwned: 0, foreign: 0, handlers: 0});
  });

  test('dialogs that name an object (properties, delete) show it as text', async () => {
    await page.focus('#object-list');
    await page.keyboard.press('Home');
    await page.click('#properties');
    await page.waitForSelector('#dialog[open]');
    const key = `${hostileFolder}/<img src=y onerror="window.__pwned=6">`;
    assert.equal(await page.$eval('#dialog-field-0', e => e.value), key);
    assert.equal(await page.$eval('#dialog-title', e => e.textContent), 'Properties of <img src=y onerror="window.__pwned=6">');
    await page.click('#dialog-cancel');
    await page.keyboard.press('Delete');
    await page.waitForSelector('#dialog[open]');
    assert.match(await page.$eval('#dialog-body p', e => e.textContent), /“<img src=y onerror="window.__pwned=6">”/);
    await page.click('#dialog-cancel');
    assert.deepEqual(await injected(), {pwned: 0, foreign: 0, handlers: 0});
  });

  test('an error message from the service is shown as text', async () => {
    const {id} = await service.control('POST', '/_control/faults', {
      bucket, method: 'GET', status: 500, code: 'InternalError',
      message: '<img src=z onerror="window.__pwned=7">'});
    await page.keyboard.press('F5');
    await page.waitForSelector('#object-message button');
    assert.equal(await page.$eval('#object-message .text', e => e.textContent),
                 'InternalError: <img src=z onerror="window.__pwned=7">');
    await service.control('DELETE', `/_control/faults/${id}`);
    assert.deepEqual(await injected(), {pwned: 0, foreign: 0, handlers: 0});
  });
});
