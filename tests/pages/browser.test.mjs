// The golden path through the shipped pages against the local service: log in (refused keys
// first), the bucket list from a signed listing, a new bucket, folders, filter and sort, a
// share link, how failures are shown, and then the transfers a person starts with the page's
// buttons: an upload chosen in the selection dialog, a folder tree dropped on the object list, a
// folder downloaded into a chosen folder, copy, move, a changed content type, deletion of
// objects and of the bucket.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import {control, waitFor} from './control.mjs';
import {logInThroughPage, shippedUiFolder, startProgram} from './harness.mjs';
import {demo, startService, uniqueName} from './zym_service.mjs';
import {pattern} from './test_data.mjs';

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

// Selects the rows of the object list with these names, as a person clicks and Ctrl+clicks them.
async function selectRows(page, names) {
  await rowNames(page);
  for (const [i, name] of names.entries()) {
    const row = await page.evaluateHandle(n => [...document.querySelectorAll('#object-list .vlist-row')]
        .find(r => r.querySelector('.label').textContent === n), name);
    assert.ok(row.asElement(), `a row named ${name}`);
    if (i > 0) await page.keyboard.down('Control');
    await row.asElement().click();
    if (i > 0) await page.keyboard.up('Control');
  }
  await page.waitForFunction(n => document.querySelectorAll('#object-list .vlist-row[aria-selected=true]').length === n,
                             {}, names.length);
}

// Every regular file below a folder, by its path relative to that folder.
function filesBelow(folder) {
  const found = {};
  for (const entry of fs.readdirSync(folder, {recursive: true, withFileTypes: true})) {
    if (entry.isFile()) {
      const full = path.join(entry.parentPath ?? entry.path, entry.name);
      found[path.relative(folder, full)] = fs.readFileSync(full);
    }
  }
  return found;
}

// The transfer list of one direction as the page shows it, once every row says "finished".
async function finishedRows(page, direction, names) {
  await page.click('#tab-transfers');
  await page.click(direction === 'upload' ? '#tab-uploads' : '#tab-downloads');
  await page.waitForFunction((expected, counts) => {
    const rows = [...document.querySelectorAll('#transfer-list .vlist-row')];
    const failed = rows.find(r => r.dataset.status === 'failed');
    if (failed) throw new Error(`a failed row: ${failed.textContent}`);
    const shown = rows.map(r => r.querySelector('.label')?.textContent);
    return expected.every(n => shown.includes(n)) && rows.every(r => r.dataset.status === 'finished') &&
        document.querySelector(counts).textContent === `${rows.length} / ${rows.length}`;
  }, {timeout: 90000, polling: 250}, names, direction === 'upload' ? '#upload-counts' : '#download-counts').catch(async e => {
    const shown = await page.$$eval('#transfer-list .vlist-row', rs => rs.map(r => `${r.dataset.status}: ${r.textContent}`));
    const native = await page.evaluate(d => ZYMClient[d === 'upload' ? 'getUpload' : 'getDownload']('{"count":-1}'), direction);
    throw new Error(`${e.message}; the list shows ${JSON.stringify(shown)}; ${native}`);
  });
  const rows = await page.$$eval('#transfer-list .vlist-row', rs => rs.map(r => ({
    name: r.querySelector('.label').textContent, percent: r.querySelector('progress').value,
    state: r.querySelector('.col.state').textContent})));
  await page.click('#tab-browser');
  return rows;
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
  const local = fs.mkdtempSync(path.join(os.tmpdir(), 'zym-golden-'));
  const uploads = path.join(local, 'uploads'); // what the selection dialog shows
  const saved = path.join(local, 'saved'); // the folder chosen for downloads
  const socket = path.join(local, 'control');
  const originals = {'tree/a.bin': pattern(70 * 1024 + 13, 3), 'tree/sub/b.bin': pattern(1024 * 1024 + 7, 5),
                     'c.txt': Buffer.from('see')};

  before(async () => {
    service = await startService();
    await service.createBucket(bucket);
    await service.signed({method: 'PUT', bucket, key: 'docs/a.txt', body: 'aaaaaaaaaa'});
    await service.signed({method: 'PUT', bucket, key: 'docs/deep/b.bin', body: 'b'.repeat(2000)});
    await service.signed({method: 'PUT', bucket, key: 'top.txt', body: 't'.repeat(500)});
    await service.signed({method: 'PUT', bucket, key: 'zeta.log', body: 'z'});
    for (const [name, bytes] of Object.entries(originals)) {
      fs.mkdirSync(path.dirname(path.join(uploads, name)), {recursive: true});
      fs.writeFileSync(path.join(uploads, name), bytes);
    }
    fs.mkdirSync(saved);
    app = await startProgram({UIPath: shippedUiFolder, ServiceDomain: service.domain, UploadPath: uploads},
                             {ZYM_TEST_CONTROL: socket});
    login = await app.page('login.html');
    await login.waitForSelector('body[data-ready=true]');
  });
  after(async () => {
    await app?.stop();
    await service?.stop();
    fs.rmSync(local, {recursive: true, force: true});
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

  test('upload a folder tree and a file chosen in the selection dialog: every row of the list finished', async () => {
    await page.evaluate(() => { delete globalThis.zymCallTimeoutMs; }); // shortened by the test above
    await openBucket(page, made);
    await page.click('#upload');
    const dialog = await waitFor(socket, {do: 'dialog'}, a => a.kind === 'select' && a.names?.length === 2);
    assert.equal(dialog.folder, uploads);
    assert.deepEqual(dialog.names, ['tree', 'c.txt']);
    assert.deepEqual(await control(socket, {do: 'dialog-select', names: ['tree', 'c.txt']}), {ok: true});
    await control(socket, {do: 'dialog-accept'});
    await page.waitForFunction(() => /2 items added to the upload list/.test(document.querySelector('#object-message').textContent));
    const rows = await finishedRows(page, 'upload', Object.keys(originals));
    for (const name of Object.keys(originals)) {
      const row = rows.find(r => r.name === name);
      assert.equal(row.percent, 100, name);
      assert.equal(row.state, 'Finished', name);
    }
    const keys = await service.listKeys(made);
    for (const name of Object.keys(originals)) assert.ok(keys.includes(name), `${name} in ${keys}`);
    await page.click('#refresh');
    assert.deepEqual(await rowNames(page), ['dst', 'tree', 'c.txt']);
  });

  test('a folder tree and a file dragged from the desktop onto the object list go into the open folder', async () => {
    // Dropped through the view as a file manager's drag arrives: the page's drop event asks
    // getDragFiles for the paths.
    const dragRoot = path.join(local, 'desktop');
    const dragged = {'pile/one.bin': pattern(300 * 1024 + 1, 7), 'pile/inner/two.txt': Buffer.from('two <b>2</b>'),
                     'pile/inner/deeper/three.bin': pattern(5 * 1024 * 1024 + 3, 11), 'loose.txt': Buffer.from('')};
    for (const [name, bytes] of Object.entries(dragged)) {
      fs.mkdirSync(path.dirname(path.join(dragRoot, name)), {recursive: true});
      fs.writeFileSync(path.join(dragRoot, name), bytes);
    }
    try {
      await openBucket(page, bucket);
      await page.focus('#object-list');
      await page.keyboard.press('Home');
      await page.keyboard.press('Enter'); // "docs"
      await page.waitForFunction(() => document.querySelector('#crumbs [aria-current]')?.textContent === 'docs');
      assert.deepEqual(await rowNames(page), ['deep', 'a.txt']);

      const box = await page.$eval('#object-list', e => {
        const r = e.getBoundingClientRect();
        return {x: r.x + r.width / 2, y: r.y + r.height / 2};
      });
      const paths = [path.join(dragRoot, 'pile'), path.join(dragRoot, 'loose.txt')];
      assert.deepEqual(await control(socket, {do: 'drag', page: 'launchpad.html', paths, ...box, drop: true}),
                       {ok: true, dropped: true});
      await page.waitForFunction(() => /2 items added to the upload list/.test(document.querySelector('#object-message').textContent));
      const keys = Object.keys(dragged).map(n => `docs/${n}`);
      const rows = await finishedRows(page, 'upload', keys);
      for (const key of keys) assert.equal(rows.find(r => r.name === key).percent, 100, key);
      for (const [name, bytes] of Object.entries(dragged)) {
        const stored = await service.signed({bucket, key: `docs/${name}`});
        assert.ok(stored.bytes.equals(bytes), `docs/${name}: stored bytes differ`);
      }
      await page.click('#refresh');
      assert.deepEqual(await rowNames(page), ['deep', 'pile', 'a.txt', 'loose.txt']);
    } finally {
      await openBucket(page, made); // where the tests below work
    }
  });

  test('download a folder into the folder chosen in the dialog: the same bytes', async () => {
    await selectRows(page, ['tree']);
    await page.click('#download');
    await waitFor(socket, {do: 'dialog'}, a => a.kind === 'folder');
    await control(socket, {do: 'dialog-type', text: saved});
    await control(socket, {do: 'dialog-accept'});
    await page.waitForFunction(() => /1 items? added to the download list/.test(document.querySelector('#object-message').textContent));
    const files = Object.keys(originals).filter(n => n.startsWith('tree/'));
    await finishedRows(page, 'download', files.map(n => path.join(saved, n)));
    const got = filesBelow(saved);
    assert.deepEqual(Object.keys(got).sort(), files.sort());
    for (const name of files) assert.ok(got[name].equals(originals[name]), `${name}: downloaded bytes differ`);
  });

  test('copy to another bucket, then move a folder: the sources go only with the move', async () => {
    await selectRows(page, ['c.txt']);
    await page.click('#copy');
    await fillDialog(page, [bucket, 'copied']);
    await page.waitForFunction(() => !document.querySelector('#dialog').open, {timeout: 60000});
    const copied = await service.signed({bucket, key: 'copied/c.txt'});
    assert.equal(copied.body, 'see');
    assert.ok((await service.listKeys(made)).includes('c.txt'), 'a copy keeps its source');

    await selectRows(page, ['tree']);
    await page.click('#move');
    await fillDialog(page, [made, 'moved/']);
    await page.waitForFunction(() => !document.querySelector('#dialog').open, {timeout: 60000});
    const keys = await service.listKeys(made);
    assert.deepEqual(keys.filter(k => k.startsWith('tree/') && !k.endsWith('/')), []);
    for (const name of ['tree/a.bin', 'tree/sub/b.bin']) {
      const r = await service.signed({bucket: made, key: `moved/${name}`});
      assert.ok(r.bytes.equals(originals[name]), `moved/${name} has the original bytes`);
    }
    assert.deepEqual(await rowNames(page), ['dst', 'moved', 'c.txt']);
  });

  test('change a content type in the properties dialog', async () => {
    await selectRows(page, ['c.txt']);
    await page.click('#properties');
    await page.waitForSelector('#dialog[open] #dialog-field-3');
    await page.$eval('#dialog-field-3', e => { e.value = 'text/x-golden; charset=utf-8'; });
    await page.click('#dialog-ok');
    await page.waitForFunction(() => !document.querySelector('#dialog').open, {timeout: 60000});
    const head = await service.signed({method: 'HEAD', bucket: made, key: 'c.txt'});
    assert.equal(head.headers['content-type'], 'text/x-golden; charset=utf-8');
    assert.equal((await service.signed({bucket: made, key: 'c.txt'})).body, 'see');
    await page.click('#properties');
    await page.waitForSelector('#dialog[open] #dialog-field-3');
    assert.equal(await page.$eval('#dialog-field-3', e => e.value), 'text/x-golden; charset=utf-8');
    await page.click('#dialog-cancel');
  });

  test('delete objects after the confirmation, then the bucket', async () => {
    await selectRows(page, ['dst', 'c.txt']);
    await page.click('#delete');
    await page.waitForSelector('#dialog[open]');
    await page.click('#dialog-ok');
    await page.waitForFunction(() => !document.querySelector('#dialog').open, {timeout: 60000});
    assert.deepEqual(await rowNames(page), ['moved']);
    const keys = await service.listKeys(made);
    assert.deepEqual(keys.filter(k => !k.startsWith('moved/')), []);

    await page.click('#delete-bucket');
    await fillDialog(page, [demo.id, demo.secret]);
    await page.waitForFunction(() => !document.querySelector('#dialog').open, {timeout: 60000});
    assert.ok(!(await service.listBuckets()).includes(made));
    await page.waitForFunction(n => ![...document.querySelectorAll('#bucket-list .label')].some(r => r.textContent === n),
                               {}, made);
  });

  test('log in again with the password lock in a new run', async () => {
    await page.click('#tab-settings');
    await page.type('#settings-password', 'lock 1');
    await page.click('#lock-form button[type=submit]');
    await page.waitForFunction(() => document.querySelector('#lock-message').textContent !== '');
    assert.equal(await page.$eval('#lock-message', e => e.dataset.code ?? ''), '',
                 await page.$eval('#lock-message', e => e.textContent));
    const home = app.home;
    await app.stop({keepHome: true});
    app = await startProgram({UIPath: shippedUiFolder, ServiceDomain: service.domain}, {}, {keepHome: home});
    login = await app.page('login.html');
    await login.waitForSelector('body[data-ready=true]');
    await login.waitForSelector('#password-form:not([hidden])');
    await login.type('#password', 'lock 2');
    await login.click('#password-button');
    await login.waitForFunction(() => document.querySelector('#password-message').textContent !== '');
    assert.match(await login.$eval('#password-message', e => e.textContent), /password is not correct/);
    await login.$eval('#password', e => { e.value = ''; });
    await login.type('#password', 'lock 1');
    await login.click('#password-button');
    page = await app.page('launchpad.html');
    await page.waitForSelector('body[data-ready=true]');
    assert.match(await page.$eval('#account', e => e.textContent), /demo-key-id/);
    await page.waitForFunction(n => [...document.querySelectorAll('#bucket-list .label')].some(r => r.textContent === n),
                               {}, bucket);
  });
});
