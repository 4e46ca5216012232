// Kill loop: the real program is started on a queue of downloads and uploads (single and
// multipart), killed with SIGKILL at a random moment and started again, round after round. After
// every kill the queue file is sound and a row marked finished has its bytes; after the next login
// none of its temporary files is left; in the end every transfer has the source's bytes, nothing
// temporary is left beside the targets or in the part-info folder, and the queue file passes its
// integrity check.
// ZYM_KILL_SEED repeats a run's kill moments; ZYM_KILL_ROUNDS changes the number of rounds.
import assert from 'node:assert/strict';
import {execFileSync, spawn} from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';
import puppeteer from 'puppeteer-core';

import {freePort, logInThroughPage, program, programEnv, settingsText, shippedUiFolder,
        waitForBrowser} from './harness.mjs';
import {demo, fixtureOrOwnService, uniqueName} from './zym_service.mjs';
import {pattern} from './test_data.mjs';

const kRounds = Number(process.env.ZYM_KILL_ROUNDS || 30);
const kSeed = Number(process.env.ZYM_KILL_SEED || crypto.randomInt(2 ** 31));
const kFinished = 4;
const kFailed = 5;
const MiB = 1024 * 1024;
const kCheckLocation = 'cn-east-internal';

// A small seeded generator (mulberry32): the same seed gives the same kill moments.
function generator(seed) {
  let a = seed >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

const sleep = ms => new Promise(r => setTimeout(r, ms));
const sql = (db, statement) => execFileSync('sqlite3', [db, statement], {encoding: 'utf8'}).trim();
const call = (page, name, arg) => page.evaluate((n, a) => new Promise(resolve => {
  ZYMClient[n](a, resolve);
}), name, JSON.stringify(arg));
const list = async (page, name) => JSON.parse(await page.evaluate(n => ZYMClient[n]('{"count":-1}'), name)).list;

// The part-info file name of an upload id, as the program makes it safe for a file name.
function partInfoName(uploadId) {
  let name = '';
  for (const b of Buffer.from(uploadId, 'utf8')) {
    const c = String.fromCharCode(b);
    name += /[A-Za-z0-9._-]/.test(c) ? c : '%' + b.toString(16).toUpperCase().padStart(2, '0');
  }
  return name === '.' || name === '..' ? '%2E' + name.slice(1) : name;
}

// What is in a folder tree: regular files by their path relative to it.
function filesBelow(folder) {
  if (!fs.existsSync(folder)) return [];
  return fs.readdirSync(folder, {recursive: true, withFileTypes: true})
      .filter(e => e.isFile())
      .map(e => path.relative(folder, path.join(e.parentPath ?? e.path, e.name)))
      .sort();
}

describe(`kill loop (seed ${kSeed})`, () => {
  const bucket = uniqueName('killloop');
  // Downloads: two large ones, a small one and an empty one; uploads: three multipart ones (5 MiB
  // parts), one single PUT of a few MiB, a small one and an empty one. One transfer of each kind
  // at a time with two connections each, so the queue lasts through most rounds.
  const downloads = {
    'down/slow-a.bin': pattern(32 * MiB + 7, 3),
    'down/slow-b.bin': pattern(12 * MiB + 333, 5),
    'down/small.bin': pattern(150 * 1024 + 1, 7),
    'down/empty.bin': Buffer.alloc(0),
  };
  const uploads = {
    'slow-a.bin': pattern(16 * MiB + 5, 11),
    'slow-b.bin': pattern(11 * MiB + 77, 13),
    'slow-c.bin': pattern(21 * MiB + 1, 23),
    'slow-single.bin': pattern(4 * MiB + 9, 17),
    'small.bin': pattern(70 * 1024 + 3, 19),
    'empty.bin': Buffer.alloc(0),
  };
  const random = generator(kSeed);
  let service;
  let home;
  let dataFolder;
  let saved;
  let upFolder;
  let throttle;
  let run; // the program of the current round
  const temporaries = new Map(); // finished transfer -> its temporary files still there

  // Starts the program on the kept home folder in a process group of its own (the browser's
  // helper processes join it), without waiting for anything.
  async function launch() {
    const port = await freePort();
    const child = spawn(program, [], {env: programEnv(home, port), stdio: ['ignore', 'ignore', 'pipe'],
                                      detached: true});
    let stderr = '';
    child.stderr.on('data', d => { stderr = (stderr + d).slice(-20000); });
    const ended = new Promise(resolve => child.once('exit', (code, signal) => resolve({code, signal})));
    return {child, port, ended, killed: false, stderr: () => stderr, browser: null};
  }

  // Connects to the started program and logs in through its log-in page; answers the launchpad.
  async function logIn(r) {
    const browserURL = `http://127.0.0.1:${r.port}`;
    await waitForBrowser(browserURL, r.child);
    r.browser = await puppeteer.connect({browserURL, defaultViewport: null});
    const page = async part => {
      const target = await r.browser.waitForTarget(t => t.type() === 'page' && t.url().includes(part),
                                                   {timeout: 60000});
      const p = await target.page();
      await p.waitForFunction(() => document.readyState === 'complete');
      return p;
    };
    const login = await page('login.html');
    await login.waitForSelector('body[data-ready=true]');
    await logInThroughPage(login, demo, 'cn-east');
    const launchpad = await page('launchpad.html');
    await launchpad.waitForSelector('body[data-ready=true]');
    return launchpad;
  }

  // SIGKILL to the program, then to whatever of its group is left.
  async function kill(r) {
    r.killed = true;
    try { r.browser?.disconnect(); } catch {}
    try { process.kill(r.child.pid, 'SIGKILL'); } catch {}
    const end = await r.ended;
    try { process.kill(-r.child.pid, 'SIGKILL'); } catch {}
    return end;
  }

  async function stop(r) {
    try { r.browser?.disconnect(); } catch {}
    if (r.child.exitCode === null && r.child.signalCode === null) r.child.kill('SIGTERM');
    await r.ended;
    try { process.kill(-r.child.pid, 'SIGKILL'); } catch {}
  }

  // The account's queue file (it exists after the first login).
  const queueFile = () => path.join(dataFolder, crypto.createHash('sha1').update(demo.id, 'utf8').digest('hex'),
                                    'transdb.db');
  const partInfoFolder = () => path.join(dataFolder, 'transcache');

  // Checks a copy of the queue file with its journal, so the program's own recovery of the real
  // one on the next start is left to the program; answers the rows of the copy.
  function checkQueue(label) {
    const file = queueFile();
    if (!fs.existsSync(file)) return null;
    const copy = fs.mkdtempSync(path.join(home, 'check-'));
    try {
      for (const suffix of ['', '-journal', '-wal']) {
        if (fs.existsSync(file + suffix)) fs.copyFileSync(file + suffix, path.join(copy, 'transdb.db' + suffix));
      }
      const db = path.join(copy, 'transdb.db');
      assert.equal(sql(db, 'PRAGMA integrity_check;'), 'ok', `${label}: queue file integrity`);
      const rows = text => text ? text.split('\n').map(l => l.split('|')) : [];
      return {
        downloads: rows(sql(db, 'select fullpath,object,status,errornum,errormsg from Download;')),
        uploads: rows(sql(db, 'select object,status,uploadid,errornum,errormsg from Upload;')),
      };
    } finally {
      fs.rmSync(copy, {recursive: true, force: true});
    }
  }

  // A row marked finished has its bytes in place. Its temporary files may outlive a kill that
  // came between marking it and removing them, but not the next login, which drops the row:
  // they are noted here and looked for after that login (leftOver).
  async function checkFinishedRows(rows, label) {
    for (const [fullpath, object, status] of rows.downloads) {
      if (Number(status) !== kFinished || object.endsWith('/')) continue;
      assert.ok(fs.readFileSync(fullpath).equals(downloads[object]), `${label}: bytes of finished ${object}`);
      temporaries.set(`download ${object}`, () => fs.readdirSync(path.dirname(fullpath))
          .filter(n => n.startsWith(path.basename(fullpath) + '.')));
    }
    for (const [object, status, uploadId] of rows.uploads) {
      if (Number(status) !== kFinished || object.endsWith('/')) continue;
      const name = object.slice(object.indexOf('/') + 1);
      const stored = await service.signed({location: kCheckLocation, bucket, key: object});
      assert.ok(stored.bytes.equals(uploads[name]), `${label}: bytes of finished upload ${object}`);
      if (uploadId) {
        const file = path.join(partInfoFolder(), partInfoName(uploadId));
        temporaries.set(`upload ${object}`, () => [file, file + '.tmp'].filter(f => fs.existsSync(f)));
      }
    }
  }

  // After a login: no temporary file of a row that was finished before it.
  function leftOver(label) {
    for (const [what, find] of temporaries) {
      assert.deepEqual(find(), [], `${label}: temporary files of finished ${what} after the login`);
      temporaries.delete(what);
    }
  }

  before(async () => {
    console.log(`kill loop: seed ${kSeed}, ${kRounds} rounds (ZYM_KILL_SEED=${kSeed} repeats the kill moments)`);
    service = await fixtureOrOwnService();
    await service.createBucket(bucket);
    for (const [key, bytes] of Object.entries(downloads)) await service.signed({method: 'PUT', bucket, key, body: bytes});
    // The large objects move slowly for the program, so their transfers reach across many
    // rounds; the test's own reads come through another location word and are not slowed.
    throttle = await service.control('POST', '/_control/faults',
                                     {host: `${bucket}.cn-east.`, key: 'slow-', throttle_bps: 1200000});
    assert.ok(Number.isInteger(throttle.id), JSON.stringify(throttle));

    home = fs.mkdtempSync(path.join(process.env.TMPDIR || '/tmp', 'zym-killloop-'));
    dataFolder = path.join(home, '.local/share/ZYMClient');
    const config = path.join(home, '.config', 'ZymClient');
    fs.mkdirSync(config, {recursive: true});
    fs.writeFileSync(path.join(config, 'settings.reg'),
                     settingsText({UIPath: shippedUiFolder, Language: 2, ServiceDomain: service.domain,
                                   DownloadMax: 1, DownloadPeerMax: 2, UploadMax: 1, UploadPeerMax: 2}));
    upFolder = path.join(home, 'up');
    fs.mkdirSync(upFolder);
    for (const [name, bytes] of Object.entries(uploads)) fs.writeFileSync(path.join(upFolder, name), bytes);
    saved = path.join(home, 'saved');
    fs.mkdirSync(saved);
  });

  after(async () => {
    if (run) await stop(run);
    if (throttle?.id !== undefined) await service?.control('DELETE', `/_control/faults/${throttle.id}`);
    await service?.stop();
    if (home && !process.env.ZYM_KILL_KEEP) fs.rmSync(home, {recursive: true, force: true});
  });

  test('queued transfers survive SIGKILL at random moments and end with the right bytes', async () => {
    const started = Date.now();
    for (let round = 1; round <= kRounds; ++round) {
      const label = `seed ${kSeed} round ${round}`;
      // A quarter of the kills land in start-up (before, during or just after the log-in), the
      // rest while the queue is being worked on.
      const early = round > 1 && random() < 0.25;
      const delay = Math.round(early ? random() * 3000 : random() * 6000);
      run = await launch();
      const r = run;
      let timer;
      const killedAt = new Promise(resolve => {
        if (early) timer = setTimeout(() => resolve(kill(r)), delay);
        r.arm = () => { timer = setTimeout(() => resolve(kill(r)), delay); };
      });
      const driven = (async () => {
        const launchpad = await logIn(r);
        leftOver(label);
        if (round === 1) {
          // Queued once; the kill comes only after both calls have answered.
          const added = JSON.parse(await call(launchpad, 'addFile',
              {location: 'cn-east', bucket, prefix: '', list: [{path: upFolder}]}));
          assert.equal(added.error, 0, JSON.stringify(added));
          const queued = JSON.parse(await call(launchpad, 'saveFile',
              {path: saved, list: [{location: 'cn-east', bucket, object: 'down/'}]}));
          assert.equal(queued.error, 0, JSON.stringify(queued));
          const files = async name => (await list(launchpad, name)).filter(row => !row.object.endsWith('/')).length;
          for (let i = 0; (await files('getDownload')) < 4 || (await files('getUpload')) < 6; ++i) {
            assert.ok(i < 600, `${label}: every transfer queued`);
            await sleep(100);
          }
        }
        if (!early) r.arm();
      })();
      // The program must live until it is killed: an end of its own is a crash.
      const ended = r.ended.then(end => {
        if (!r.killed) throw new Error(`${label}: the program ended by itself (${JSON.stringify(end)}): ${r.stderr()}`);
      });
      await Promise.race([
        driven.catch(error => {
          if (!r.killed) throw error;
        }),
        ended,
      ]);
      const end = await killedAt;
      await driven.catch(() => {});
      clearTimeout(timer);
      assert.equal(end.signal, 'SIGKILL', `${label}: ${JSON.stringify(end)}: ${r.stderr()}`);
      const rows = checkQueue(label);
      if (rows) await checkFinishedRows(rows, label);
      const open = rows ? [...rows.downloads.filter(row => Number(row[2]) !== kFinished).map(row => row[1]),
                           ...rows.uploads.filter(row => Number(row[1]) !== kFinished).map(row => row[0])] : [];
      console.log(`  round ${round}: killed ${early ? 'in start-up' : 'while running'} +${delay} ms; ` +
                  `open after it: ${open.join(' ') || '-'}`);
    }
    console.log(`kill loop: ${kRounds} kills in ${((Date.now() - started) / 1000).toFixed(1)} s`);

    // The last start runs until nothing is left to do.
    await service.control('DELETE', `/_control/faults/${throttle.id}`);
    throttle = undefined;
    run = await launch();
    const launchpad = await logIn(run);
    leftOver(`seed ${kSeed} last start`);
    for (let i = 0; ; ++i) {
      const rows = [...await list(launchpad, 'getDownload'), ...await list(launchpad, 'getUpload')];
      const failed = rows.find(row => row.status === kFailed);
      assert.equal(failed, undefined, `seed ${kSeed}: a failed transfer after the kills: ${JSON.stringify(failed)}`);
      if (rows.every(row => row.status === kFinished)) {
        console.log(`kill loop: the last start found ${rows.length} rows, all finished after ${i} looks`);
        break;
      }
      assert.ok(i < 1200, `seed ${kSeed}: transfers still open after the last start: ` +
                JSON.stringify(rows.filter(row => row.status !== kFinished)));
      await sleep(250);
    }
    await stop(run);
    run = undefined;
    console.log(`kill loop: everything finished ${((Date.now() - started) / 1000).toFixed(1)} s after the first start`);

    // Every transfer has the source's bytes, nothing temporary is left, the queue file is sound.
    for (const [key, bytes] of Object.entries(downloads)) {
      const target = path.join(saved, key);
      assert.ok(fs.existsSync(target), `seed ${kSeed}: ${key} downloaded`);
      assert.ok(fs.readFileSync(target).equals(bytes), `seed ${kSeed}: bytes of ${key}`);
    }
    assert.deepEqual(filesBelow(saved), Object.keys(downloads).sort(), `seed ${kSeed}: only the targets are left`);
    for (const [name, bytes] of Object.entries(uploads)) {
      const stored = await service.signed({location: kCheckLocation, bucket, key: `up/${name}`});
      assert.ok(stored.bytes.equals(bytes), `seed ${kSeed}: bytes of upload ${name}`);
    }
    assert.deepEqual(filesBelow(partInfoFolder()), [], `seed ${kSeed}: no part-info file is left`);
    const rows = checkQueue(`seed ${kSeed} at the end`);
    for (const row of rows.downloads) assert.equal(Number(row[2]), kFinished, JSON.stringify(row));
    for (const row of rows.uploads) assert.equal(Number(row[1]), kFinished, JSON.stringify(row));
  });
});
