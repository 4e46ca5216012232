// The transfer engine inside the running program: a login opens the account's queue in the data
// folder, setTransInfo and setServerLocation reach the program, and rows waiting in the queue
// when the account logs in (one download, one multipart upload) are carried out against the local
// service once the launchpad has loaded.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import {logInThroughPage, shippedUiFolder, startProgram} from './harness.mjs';
import {demo, startService} from './zym_service.mjs';
import {pattern, pollUntil} from './test_data.mjs';

const sql = (db, statement) => execFileSync('sqlite3', [db, statement], {encoding: 'utf8'}).trim();
const quote = text => `'${String(text).replace(/'/g, "''")}'`;

async function logIn(service, keepHome) {
  const app = await startProgram({UIPath: shippedUiFolder, ServiceDomain: service.domain}, {}, {keepHome});
  const login = await app.page('login.html');
  await login.waitForSelector('body[data-ready=true]');
  await logInThroughPage(login, demo, 'cn-east');
  const launchpad = await app.page('launchpad.html');
  await launchpad.waitForSelector('body[data-ready=true]');
  return {app, launchpad};
}

describe('transfer engine in the program', () => {
  const bucket = 'engine-bucket';
  const downloaded = pattern(6 * 1024 * 1024 + 333, 7); // two ranges of 5 MiB blocks
  const uploaded = pattern(11 * 1024 * 1024 + 5, 11);    // above the single-PUT limit: multipart
  let service;
  let home;
  let queue;
  let host;

  before(async () => {
    service = await startService();
    await service.createBucket(bucket);
    await service.signed({method: 'PUT', bucket, key: 'down.bin', body: downloaded});
    host = `cn-east.${service.endpoint}`;
  });
  after(async () => {
    await service?.stop();
    if (home) fs.rmSync(home, {recursive: true, force: true});
  });

  test('a login opens the account queue; limits and the host reach the program', async () => {
    const {app, launchpad} = await logIn(service);
    home = app.home;
    try {
      const account = crypto.createHash('sha1').update(demo.id, 'utf8').digest('hex');
      queue = path.join(home, '.local/share/ZYMClient', account, 'transdb.db');
      assert.ok(fs.existsSync(queue), 'the account queue in the data folder');
      const tables = sql(queue, "select name from sqlite_master where type='table' order by name").split('\n');
      for (const name of ['Download', 'Regular', 'Upload']) assert.ok(tables.includes(name), name);

      const limits = {download_task_max: 3, upload_task_max: 2, download_peer_max: 4, upload_peer_max: 6};
      const answer = await launchpad.evaluate(text => {
        ZYMClient.setTransInfo(text);
        return ZYMClient.getTransInfo();
      }, JSON.stringify(limits));
      assert.deepEqual(JSON.parse(answer), limits);

      // The account's own host: every later request, the transfers' too, goes there.
      const reply = await launchpad.evaluate(h => new Promise(resolve => {
        ZYMClient.setServerLocation(JSON.stringify({location: h}), resolve);
      }), host);
      assert.deepEqual(JSON.parse(reply), {error: 0, message: ''});
      assert.equal(await launchpad.evaluate(() => ZYMClient.getCurrentHost()), JSON.stringify(host));
    } finally {
      await app.stop({keepHome: true});
    }
  });

  test('rows waiting at login are downloaded and uploaded with the right bytes', async () => {
    assert.ok(queue, 'the first test made the queue');
    const target = path.join(home, 'down.bin');
    const source = path.join(home, 'up.bin');
    fs.writeFileSync(source, uploaded);
    const last = Math.floor(fs.statSync(source).mtimeMs / 1000);
    const etag = crypto.createHash('md5').update(downloaded).digest('hex');
    sql(queue, 'insert into Download(hash,fullpath,host,bucket,object,filesize,status,offset,actlast,errornum,errormsg) ' +
               `values(${quote(etag)},${quote(target)},${quote(host)},${quote(bucket)},'down.bin',` +
               `${downloaded.length},2,0,0,0,'');` +
               'insert into Upload(pathhash,host,bucket,object,fullpath,filesize,last,status,offset,actlast,uploadid,errornum,errormsg) ' +
               `values('engine-up',${quote(host)},${quote(bucket)},'up.bin',${quote(source)},${uploaded.length},` +
               `${last},2,0,0,'',0,'');`);

    const {app} = await logIn(service, home);
    try {
      const states = await pollUntil('both rows to end', () => {
        const d = sql(queue, 'select status||\' \'||errornum||\' \'||errormsg from Download');
        const u = sql(queue, 'select status||\' \'||errornum||\' \'||errormsg from Upload');
        return /^[45] /.test(d) && /^[45] /.test(u) ? {d, u} : null;
      });
      assert.match(states.d, /^4 /, `download row: ${states.d}`);
      assert.match(states.u, /^4 /, `upload row: ${states.u}`);
      assert.ok(fs.readFileSync(target).equals(downloaded), 'downloaded bytes');
      assert.ok(!fs.existsSync(target + '.zymdownload'), 'no temporary file left');
      const stored = await service.signed({bucket, key: 'up.bin'});
      assert.ok(stored.bytes.equals(uploaded), 'uploaded bytes');
      assert.match(stored.headers.etag ?? '', /-/, 'stored as a multipart upload');
    } finally {
      await app.stop({keepHome: true});
    }
  });
});
