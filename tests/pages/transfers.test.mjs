// The transfer lists as a page sees them in the real program: list pages from the account's
// queue, progress registrations and their reports, and start/stop/delete by selection and all.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import {startProgram} from './harness.mjs';

const keys = {keyid: 'transfer-list-key', keysecret: 'secret', location: 'l1'};
const strange = 'dir/q"uo\\te/x.bin';
const login = page => page.evaluate(
    k => new Promise(resolve => ZYMClient.loginByKey(JSON.stringify(k), resolve)), keys);
const queuePath = home => path.join(home, '.local/share/ZYMClient',
                                    crypto.createHash('sha1').update(keys.keyid).digest('hex'), 'transdb.db');

// Rows written straight into the queue file while the program is not running.
function fillQueue(file) {
  const script = `
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
rows = [(("%040x" % i), "h", "b", sys.argv[2] if i == 1 else "o%d" % i, "/up/%d" % i, 100, 0, 3, 0, 0, "", 0, "")
        for i in range(1, 161)]
db.executemany("insert into Upload(pathhash,host,bucket,object,fullpath,filesize,last,status,offset,actlast,"
               "uploadid,errornum,errormsg) values (?,?,?,?,?,?,?,?,?,?,?,?,?)", rows)
db.executemany("insert into Download(hash,fullpath,host,bucket,object,filesize,status,offset,actlast,errornum,"
               "errormsg) values (?,?,?,?,?,?,?,?,?,?,?)",
               [("e%d" % i, "/down/%d" % i, "h", "b", "d%d" % i, 10, 3, 0, 0, 0, "") for i in range(1, 4)])
db.commit()
`;
  const r = spawnSync('python3', ['-c', script, file, strange], {encoding: 'utf8'});
  assert.equal(r.status, 0, r.stderr);
}

// Collects what a registration's callback receives for `ms` milliseconds.
const collect = (page, fn, arg, ms) => page.evaluate((fn, arg, ms) => new Promise(resolve => {
  const got = [];
  ZYMClient[fn](arg, text => got.push(text));
  setTimeout(() => resolve(got), ms);
}), fn, arg, ms);

const call = (page, fn, arg) => page.evaluate(
    (fn, arg) => new Promise(resolve => ZYMClient[fn](JSON.stringify(arg), resolve)), fn, arg);
const uploads = async (page, arg = {count: -1}) =>
  JSON.parse(await page.evaluate(a => ZYMClient.getUpload(a), JSON.stringify(arg))).list;

describe('transfer lists in the real program', () => {
  let app;
  let page;
  before(async () => {
    const first = await startProgram();
    await login(await first.page('login.html'));
    const file = queuePath(first.home);
    for (let i = 0; i < 100 && !fs.existsSync(file); ++i) await new Promise(r => setTimeout(r, 50));
    await first.stop({keepHome: true});
    fillQueue(file);
    app = await startProgram({}, {}, {keepHome: first.home});
    page = await app.page('login.html');
    await login(page);
  });
  after(async () => { await app?.stop(); });

  test('getUpload pages in id order; names arrive escaped', async () => {
    const raw = await page.evaluate(() => ZYMClient.getUpload('{}'));
    assert.ok(raw.includes('"object":"dir\\/q\\"uo\\\\te\\/x.bin"'), raw.slice(0, 400));
    const first = JSON.parse(raw);
    assert.equal(first.list.length, 100);
    assert.equal(first.list[0].object, strange);
    assert.deepEqual(first.list.slice(1).map(r => r.object), Array.from({length: 99}, (_, i) => `o${i + 2}`));
    const second = await uploads(page, {start: 100, count: 50});
    assert.deepEqual(second.map(r => r.object), Array.from({length: 50}, (_, i) => `o${i + 101}`));
    assert.equal((await uploads(page)).length, 160);
  });

  test('changeUpload with start 0 sends no periodic reports', async () => {
    assert.deepEqual(await collect(page, 'changeUpload', '{"start":0}', 2500), []);
  });

  test('changeDownload with start 1 reports every second, also with nothing running', async () => {
    const got = await collect(page, 'changeDownload', '{"start":1}', 5000);
    assert.ok(got.length >= 3 && got.length <= 6, `${got.length} reports`);
    const last = JSON.parse(got.at(-1));
    assert.deepEqual(last.list, []);
    assert.equal(last.download_total_count, 3);
    assert.equal(last.upload_total_count, 160);
  });

  test('a second registration takes the reports', async () => {
    const counts = await page.evaluate(() => new Promise(resolve => {
      const a = [], b = [];
      ZYMClient.changeDownload('{"start":1}', t => a.push(t));
      setTimeout(() => {
        ZYMClient.changeDownload('{}', t => b.push(t));
        const before = a.length;
        setTimeout(() => resolve({before, after: a.length, b: b.length}), 3500);
      }, 1500);
    }));
    assert.ok(counts.before >= 1, JSON.stringify(counts));
    assert.ok(counts.after <= counts.before + 1, JSON.stringify(counts));
    assert.ok(counts.b >= 2, JSON.stringify(counts));
  });

  test('start, stop and delete by selection and all', async () => {
    const ok = '{"error":0,"message":""}';
    const status = async object => (await uploads(page)).find(r => r.object === object)?.status;
    assert.equal(await call(page, 'startUpload', {list: [{bucket: 'b', object: 'o2'}], other: [{bucket: 'b', object: 'o5'}]}), ok);
    assert.equal(await status('o2'), 2);
    assert.equal(await status('o5'), 2);
    assert.equal(await status('o3'), 3);
    assert.equal(await call(page, 'stopUpload', {all: 1}), ok);
    assert.equal(await status('o2'), 3);
    assert.equal(await call(page, 'deleteUpload', {list: [{bucket: 'b', object: 'o3'}]}), ok);
    assert.equal(await status('o3'), undefined);
    assert.equal((await uploads(page)).length, 159);
    assert.equal(await call(page, 'deleteUpload', {all: 1}), ok); // only finished rows: none
    assert.equal((await uploads(page)).length, 159);
    assert.equal(await call(page, 'deleteUpload', {all: 1, finish: 0}), ok);
    assert.equal((await uploads(page)).length, 0);
    assert.equal(await call(page, 'deleteDownload', {x: [{fullpath: '/down/2'}]}), ok);
    const downloads = JSON.parse(await page.evaluate(() => ZYMClient.getDownload('{}'))).list;
    assert.deepEqual(downloads.map(r => r.fullpath), ['/down/1', '/down/3']);
  });
});
