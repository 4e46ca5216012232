// The golden path through the shipped pages against the local service: log in (refused keys
// first), the bucket list from a signed listing, a new bucket, folders, filter and sort, a
// share link, and how failures are shown. Steps that need native functions still being built
// are skipped with the names of those functions.
import assert from 'node:assert/strict';
import {after, before, describe, test} from 'node:test';

import {logInThroughPage, shippedUiFolder, startProgram} from './harness.mjs';
import {demo, startService, uniqueName} from './zym_service.mjs';

// The names shown by the object list, in order, once its listing has finished.
async function rowNames(page) {
  await page.waitForSelector('#object-status[data-complete=true]');
  return page.$$eval('#object-list .vlist-row .label', rows => rows.map(r => r.textContent));
}

async function openBucket(page, name) {
  await page.waitForFunction(n => [...document.querySelectorAll('#bucket-list .vlist-row .label')]
      .some(r => r.textContent === n), {}, name);
  await page.evaluate(n => [...document.querySelectorAll('#bucket-list .vlist-row')]
      .find(r => r.querySelector('.label').textContent === n).click(), name);
  await page.waitForFunction(n => document.querySelector('#crumbs [aria-current]')?.textContent === n, {}, name);
}

async function crumbs(page) {
  return page.$$eval('#crumbs li', items => items.map(i => i.textContent));
}

async function fillDialog(page, values) {
  await page.waitForSelector('#dialog[open]');
  for (const [i, v] of values.entries()) await page.$eval(`#dialog-field-${i}`, (e, x) => { e.value = x; }, v);
  await page.click('#dialog-ok');
}

describe('the object browser against the local service', () => {
  let service;
  let app;
  let login;
  let page;
  const bucket = uniqueName('pages');
  const made = uniqueName('made');

  before(async () => {
    service = await startService();
    await service.createBucket(bucket);
    await service.signed({method: 'PUT', bucket, key: 'docs/a.txt', body: 'aaaaaaaaaa'});
    await service.signed({method: 'PUT', bucket, key: 'docs/deep/b.bin', body: 'b'.repeat(2000)});
    await service.signed({method: 'PUT', bucket, key: 'top.txt', body: 't'.repeat(500)});
    await service.signed({method: 'PUT', bucket, key: 'zeta.log', body: 'z'});
    app = await startProgram({UIPath: shippedUiFolder, ServiceDomain: service.domain});
    login = await app.page('login.html');
    await login.waitForSelector('body[data-ready=true]');
  });
  after(async () => {
    await app?.stop();
    await service?.stop();
  });

  test('refused keys are said as such and the log-in window stays', async () => {
    await logInThroughPage(login, {id: demo.id, secret: 'not-the-secret'}, 'cn-east');
    await login.waitForFunction(() => document.querySelector('#keys-message').textContent !== '');
    const message = await login.$eval('#keys-message', e => e.textContent);
    assert.match(message, /refused/);
    assert.match(message, /SignatureDoesNotMatch/);
    assert.equal(app.browser.targets().filter(t => t.url().includes('launchpad.html')).length, 0);
  });

  test('log in with the demo keys: the launchpad lists the buckets by a signed listing', async () => {
    await logInThroughPage(login, demo, 'cn-east');
    page = await app.page('launchpad.html');
    await page.waitForSelector('body[data-ready=true]');
    await page.waitForFunction(n => [...document.querySelectorAll('#bucket-list .label')].some(r => r.textContent === n),
                               {}, bucket);
    assert.match(await page.$eval('#account', e => e.textContent), /demo-key-id/);
  });

  test('every control of the launchpad has a name a screen reader reads', async () => {
    const {count, unnamed} = await page.$$eval('button, input, select, textarea, [role=grid], [role=listbox], canvas',
        els => ({count: els.length, unnamed: els.filter(e => !(e.getAttribute('aria-label') || e.textContent.trim() ||
                                                              e.labels?.length)).map(e => e.id || e.outerHTML.slice(0, 80))}));
    assert.ok(count > 40, `${count} controls`);
    assert.deepEqual(unnamed, []);
  });

  test('a new bucket made in the page exists in the service and opens', async () => {
    await page.click('#new-bucket');
    await fillDialog(page, [made]);
    await page.waitForFunction(n => document.querySelector('#crumbs [aria-current]')?.textContent === n, {}, made);
    assert.ok((await service.listBuckets()).includes(made));
    assert.deepEqual(await rowNames(page), []);
    assert.match(await page.$eval('#object-list .vlist-footer', e => e.textContent), /empty/);
  });

  test('a bucket name the service refuses: its reply shows in the dialog, which stays open', async () => {
    await page.click('#new-bucket');
    await fillDialog(page, [bucket]);
    await page.waitForFunction(() => document.querySelector('#dialog-message').textContent !== '');
    assert.match(await page.$eval('#dialog-message', e => e.textContent), /BucketAlreadyExists/);
    assert.equal(await page.$eval('#dialog', d => d.open), true);
    await page.click('#dialog-cancel');
  });

  test('folders: open with Enter, breadcrumbs, Backspace up, back and forward', async () => {
    await openBucket(page, bucket);
    assert.deepEqual(await rowNames(page), ['docs', 'top.txt', 'zeta.log']);
    await page.focus('#object-list');
    await page.keyboard.press('Home');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.querySelector('#crumbs [aria-current]')?.textContent === 'docs');
    assert.deepEqual(await rowNames(page), ['deep', 'a.txt']);
    assert.deepEqual(await crumbs(page), [bucket, 'docs']);
    await page.keyboard.press('Enter'); // the first row, "deep"
    await page.waitForFunction(() => document.querySelector('#crumbs [aria-current]')?.textContent === 'deep');
    assert.deepEqual(await rowNames(page), ['b.bin']);
    await page.keyboard.press('Backspace');
    await page.waitForFunction(() => document.querySelector('#crumbs [aria-current]')?.textContent === 'docs');
    await page.click('#crumbs button'); // the bucket's crumb
    await page.waitForFunction(n => document.querySelector('#crumbs [aria-current]')?.textContent === n, {}, bucket);
    await page.click('#back');
    await page.waitForFunction(() => document.querySelector('#crumbs [aria-current]')?.textContent === 'docs');
    await page.click('#forward');
    await page.waitForFunction(n => document.querySelector('#crumbs [aria-current]')?.textContent === n, {}, bucket);
    assert.deepEqual(await rowNames(page), ['docs', 'top.txt', 'zeta.log']);
  });

  test('filter by name and sort by size, folders first', async () => {
    await page.type('#filter', 'TOP');
    await page.waitForFunction(() => document.querySelectorAll('#object-list .vlist-row').length === 1);
    assert.deepEqual(await rowNames(page), ['top.txt']);
    assert.match(await page.$eval('#object-status', e => e.textContent), /1 of 3/);
    await page.$eval('#filter', e => { e.value = ''; e.dispatchEvent(new Event('input')); });
    await page.waitForFunction(() => document.querySelectorAll('#object-list .vlist-row').length === 3);
    await page.click('.list-head [data-sort=size]');
    assert.deepEqual(await rowNames(page), ['docs', 'zeta.log', 'top.txt']);
    await page.click('.list-head [data-sort=size]');
    assert.deepEqual(await rowNames(page), ['docs', 'top.txt', 'zeta.log']);
    assert.equal(await page.$eval('.list-head [data-sort=size]', b => b.getAttribute('aria-sort')), 'descending');
    await page.click('.list-head [data-sort=name]');
    await page.focus('#object-list');
    await page.keyboard.down('Control');
    await page.keyboard.press('a');
    await page.keyboard.up('Control');
    assert.match(await page.$eval('#object-status', e => e.textContent), /3 selected/);
    assert.equal(await page.$$eval('#object-list .vlist-row[aria-selected=true]', r => r.length), 3);
    assert.equal(await page.$eval('#properties', b => b.disabled), true); // one object only
    await page.keyboard.press('Home');
    assert.match(await page.$eval('#object-status', e => e.textContent), /1 selected/);
  });

  test('a share link fetched with plain HTTP gives the object', async () => {
    await page.focus('#object-list');
    await page.keyboard.press('End'); // zeta.log
    await page.click('#share');
    await page.waitForSelector('#dialog[open]');
    await page.click('#dialog-ok');
    await page.waitForFunction(() => document.querySelector('#dialog-field-0')?.tagName === 'TEXTAREA');
    const link = await page.$eval('#dialog-field-0', e => e.value);
    await page.click('#dialog-cancel');
    const url = new URL(link);
    assert.equal(url.hostname, `${bucket}.cn-east.zym.localhost`);
    assert.ok(Number(url.searchParams.get('Expires')) > Date.now() / 1000 + 23 * 3600);
    const r = await service.getUrl(link);
    assert.equal(r.status, 200, r.body);
    assert.equal(r.body, 'z');
  });

  test('a move deletes nothing until every copy is found with the same content', async () => {
    // The copy operation also answers success when the user stopped it, so before a move
    // deletes its sources the page looks for each copy itself.
    const check = () => page.evaluate(async (source, target) => {
      const {missingCopies} = await import('./js/copy_check.js');
      const {hostFor, listObjects} = await import('./js/service.js');
      const host = hostFor('cn-east');
      const top = (await listObjects({host, bucket: source, prefix: 'top'})).objects[0];
      return missingCopies({host, bucket: source}, {host, bucket: target}, 'dst/', [top, {key: 'docs/'}]);
    }, bucket, made);
    assert.deepEqual(await check(), ['top.txt', 'docs/a.txt', 'docs/deep/b.bin']);
    await service.signed({method: 'PUT', bucket: made, key: 'dst/top.txt', body: 't'.repeat(500)});
    await service.signed({method: 'PUT', bucket: made, key: 'dst/docs/a.txt', body: 'aaaaaaaaaa'});
    await service.signed({method: 'PUT', bucket: made, key: 'dst/docs/deep/b.bin', body: 'X'.repeat(2000)});
    assert.deepEqual(await check(), ['docs/deep/b.bin']); // same size, other bytes
    await service.signed({method: 'PUT', bucket: made, key: 'dst/docs/deep/b.bin', body: 'b'.repeat(2000)});
    assert.deepEqual(await check(), []);
  });

  test('a failing listing shows the reply next to the list, and its retry lists again', async () => {
    const {id} = await service.control('POST', '/_control/faults',
                                       {bucket, method: 'GET', status: 500, code: 'InternalError', message: 'broken <b>x</b>'});
    await page.keyboard.press('F5');
    await page.waitForSelector('#object-message button');
    assert.match(await page.$eval('#object-message', e => e.textContent), /InternalError: broken <b>x<\/b>/);
    assert.equal(await page.$('#object-message b'), null);
    await service.control('DELETE', `/_control/faults/${id}`);
    await page.click('#object-message button');
    assert.deepEqual(await rowNames(page), ['docs', 'top.txt', 'zeta.log']);
    assert.equal(await page.$eval('#object-message', e => e.textContent), '');
  });

  test('a native operation that fails or does not answer is shown in its dialog', async () => {
    // deleteBucket with a wrong key pair is refused when it is built; before that it answers
    // nothing or the not-built error. Every one of these must be shown, and nothing deleted.
    await page.evaluate(() => { globalThis.zymCallTimeoutMs = 1500; });
    await page.click('#delete-bucket');
    await fillDialog(page, [demo.id, 'wrong-secret']);
    await page.waitForFunction(() => document.querySelector('#dialog-message').textContent !== '', {timeout: 5000});
    const message = await page.$eval('#dialog-message', e => e.textContent);
    const code = await page.$eval('#dialog-message', e => e.dataset.code);
    assert.ok(code === '-1' ? /ZYMClient\.deleteBucket did not answer/.test(message) : Number(code) > 0, message);
    assert.equal(await page.$eval('#dialog', d => d.open), true);
    await page.click('#dialog-cancel');
    assert.ok((await service.listBuckets()).includes(bucket));
  });

  test('transfers: the list or the reason it cannot be read', async () => {
    await page.click('#tab-transfers');
    const built = await page.evaluate(() => /^\{"download":/.test(ZYMClient.getUpload('{}') ?? ''));
    if (built) {
      await page.waitForFunction(() => /\d+ \/ \d+/.test(document.querySelector('#upload-counts').textContent));
    } else {
      await page.waitForFunction(() => document.querySelector('#transfer-message').textContent !== '');
      const code = await page.$eval('#transfer-message', e => e.dataset.code);
      const text = await page.$eval('#transfer-message .text', e => e.textContent);
      // no handler: the function is missing (-2) or answers the not-built error reply
      if (code === '-2') assert.match(text, /ZYMClient\.getUpload is not available/);
      else assert.ok(Number(code) > 0 && text !== '', `${code} ${text}`);
    }
    await page.click('#tab-browser');
  });

  test('settings: transfer limits saved in the page are what getTransInfo answers', async () => {
    await page.click('#tab-settings');
    await page.$eval('#limits input[name=upload_task_max]', e => { e.value = '7'; });
    await page.$eval('#limits input[name=download_peer_max]', e => { e.value = ''; }); // left empty: kept
    const before = JSON.parse(await page.evaluate(() => ZYMClient.getTransInfo()));
    await page.click('#limits button[type=submit]');
    await page.waitForFunction(() => document.querySelector('#limits-message').textContent !== '');
    const after = JSON.parse(await page.evaluate(() => ZYMClient.getTransInfo()));
    assert.deepEqual(after, {...before, upload_task_max: 7});
    assert.equal(await page.$eval('#limits input[name=download_peer_max]', e => e.value),
                 String(before.download_peer_max));
  });

  test('settings: the sub-key list or the reason it cannot be read', async () => {
    const built = await page.evaluate(() => /^\{"list":/.test(ZYMClient.gAccountAction('getrams', '{}') ?? ''));
    const message = await page.$eval('#accounts-message', e => e.textContent);
    if (built) assert.equal(message, '');
    else assert.match(message, /gAccountAction|\S/);
    if (!built && (await page.$eval('#accounts-message', e => e.dataset.code)) === '-2') {
      assert.match(message, /ZYMClient\.gAccountAction is not available/);
    }
  });

  test('the language switches live with gChangeLanguage', async () => {
    await page.click('#tab-settings');
    await page.select('#language', '1');
    await page.waitForFunction(() => document.documentElement.lang === 'zh-CN');
    assert.equal(await page.$eval('#tab-browser', e => e.textContent), '文件');
    assert.deepEqual(JSON.parse(await page.evaluate(() => ZYMClient.gGetLanguage())), {type: 1});
    await page.select('#language', '2');
    await page.waitForFunction(() => document.documentElement.lang === 'en');
    await page.click('#tab-browser');
  });

  const pending = (what, functions) => `needs ${functions.join(', ')} (${what}), not built yet`;
  test('upload a folder tree by the selection dialog and by a drag', {skip: pending('queue uploads',
      ['selectFileDlg', 'getDragFiles', 'addFile'])});
  test('the transfer list reaches "finished"', {skip: pending('transfer engine',
      ['getUpload', 'changeUpload', 'startUpload'])});
  test('download a folder and compare bytes', {skip: pending('downloads', ['saveFileDlg', 'saveFile', 'getDownload'])});
  test('copy and move objects', {skip: pending('server-side copy', ['copyObject', 'deleteObject'])});
  test('change a content type', {skip: pending('header change', ['setMetaObject'])});
  test('delete objects and the bucket', {skip: pending('deletion', ['deleteObject', 'deleteBucket'])});
  test('log in again with the password lock in a new run', {skip: pending('password lock',
      ['setPassword', 'loginPassword'])});
});
