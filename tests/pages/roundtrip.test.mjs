// The whole way through the running program: a login opens the queue, addFile queues a local
// folder tree into a new bucket, the upload list reaches "finished" for every row, saveFile
// brings the prefix back into a folder, and the downloaded bytes equal the originals. Before a
// login, queueing is refused with a clear reply.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import {logInThroughPage, shippedUiFolder, startProgram} from './harness.mjs';
import {demo, startService} from './zym_service.mjs';
import {pattern, pollUntil} from './test_data.mjs';

const kFinished = 4;

const call = (page, name, arg) => page.evaluate((n, a) => new Promise(resolve => {
  ZYMClient[n](a, resolve);
}), name, JSON.stringify(arg));

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

describe('upload a folder tree and download it again', () => {
  const bucket = 'roundtrip-bucket';
  const originals = {'a.bin': pattern(70 * 1024 + 13, 3), 'sub/b.bin': pattern(1024 * 1024 + 7, 5)};
  let service;
  let app;
  let launchpad;

  before(async () => {
    service = await startService();
    await service.createBucket(bucket);
    app = await startProgram({UIPath: shippedUiFolder, ServiceDomain: service.domain});
  });
  after(async () => {
    await app?.stop();
    await service?.stop();
  });

  test('before a login has opened the queue, addFile and saveFile answer an error', async () => {
    const login = await app.page('login.html');
    await login.waitForSelector('body[data-ready=true]');
    const added = JSON.parse(await call(login, 'addFile',
        {location: 'cn-east', bucket, prefix: '', list: [{path: app.home}]}));
    assert.notEqual(added.error, 0);
    assert.ok(added.message.length > 0, 'a text that says why');
    const saved = JSON.parse(await call(login, 'saveFile',
        {path: app.home, list: [{location: 'cn-east', bucket, object: 'x.bin', filesize: 1}]}));
    assert.notEqual(saved.error, 0);
    await logInThroughPage(login, demo, 'cn-east');
    launchpad = await app.page('launchpad.html');
    await launchpad.waitForSelector('body[data-ready=true]');
  });

  test('addFile, every upload row finished, saveFile of the prefix, the same bytes', async () => {
    assert.ok(launchpad, 'logged in by the first test');
    const tree = path.join(app.home, 'tree');
    for (const [name, bytes] of Object.entries(originals)) {
      fs.mkdirSync(path.dirname(path.join(tree, name)), {recursive: true});
      fs.writeFileSync(path.join(tree, name), bytes);
    }

    // Each finished transfer is also reported on its own once a callback is registered.
    await launchpad.evaluate(() => {
      window.uploadReports = [];
      ZYMClient.changeUpload(JSON.stringify({start: 0}), text => window.uploadReports.push(text));
    });
    const added = JSON.parse(await call(launchpad, 'addFile',
        {location: 'cn-east', bucket, prefix: '', list: [{path: tree}]}));
    assert.equal(added.error, 0, JSON.stringify(added));

    const rows = await pollUntil('every upload row finished', async () => {
      const list = JSON.parse(await launchpad.evaluate(() => ZYMClient.getUpload('{"count":-1}'))).list;
      const failed = list.find(r => r.status !== kFinished && r.errormsg);
      assert.equal(failed, undefined, JSON.stringify(failed));
      return list.length >= 2 && list.every(r => r.status === kFinished) && list;
    });
    const files = rows.filter(r => !r.object.endsWith('/')).map(r => r.object).sort();
    assert.deepEqual(files, ['tree/a.bin', 'tree/sub/b.bin']);
    // The list and the one-row reports agree: a finished row has every byte of its file.
    for (const r of rows) assert.equal(r.offset, r.filesize, r.object);
    const reported = await pollUntil('a one-row report of each file', async () => {
      const finished = (await launchpad.evaluate(() => window.uploadReports))
          .flatMap(text => JSON.parse(text).list).filter(r => r.status === kFinished);
      return files.every(f => finished.some(r => r.object === f)) && finished;
    }, 10000);
    assert.ok(reported.length >= 2);
    for (const r of reported) assert.equal(r.offset, r.filesize, r.object);
    const keys = await service.listKeys(bucket);
    for (const key of files) assert.ok(keys.includes(key), `${key} in ${keys}`);

    const target = path.join(app.home, 'saved');
    fs.mkdirSync(target);
    const saved = JSON.parse(await call(launchpad, 'saveFile',
        {path: target, list: [{location: 'cn-east', bucket, object: 'tree/'}]}));
    assert.equal(saved.error, 0, JSON.stringify(saved));

    await pollUntil('every download row finished', async () => {
      const list = JSON.parse(await launchpad.evaluate(() => ZYMClient.getDownload('{"count":-1}'))).list;
      const failed = list.find(r => r.status !== kFinished && r.errormsg);
      assert.equal(failed, undefined, JSON.stringify(failed));
      return list.filter(r => !r.object.endsWith('/')).length === 2 && list.every(r => r.status === kFinished);
    });
    const got = filesBelow(target);
    const expected = Object.fromEntries(Object.entries(originals).map(([name, bytes]) =>
      [path.join('tree', name), bytes]));
    assert.deepEqual(Object.keys(got).sort(), Object.keys(expected).sort());
    for (const [name, bytes] of Object.entries(expected)) {
      assert.ok(got[name].equals(bytes), `${name}: downloaded bytes differ from the original`);
    }
  });
});
