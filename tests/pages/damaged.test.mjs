// Damaged state and bad settings: the real program starts on a fresh home with one file damaged
// (cut off or overwritten with garbage: the queue and account databases, the settings and
// language files, a download's progress file, an upload's part-info file, a key file), recovers
// as documented (the copy, an empty store, defaults, the transfer started over), shows it where
// a page can see it, and its log names what happened.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import {control, waitFor} from './control.mjs';
import {logInThroughPage, program, shippedUiFolder, startProgram, testUiFolder} from './harness.mjs';
import {demo, startService} from './zym_service.mjs';
import {pattern} from './test_data.mjs';

const installFolder = path.dirname(fs.realpathSync(program));
const installedUi = path.join(installFolder, 'UI');

const configFile = home => path.join(home, '.config', 'ZymClient', 'settings.reg');
const dataFolder = home => path.join(home, '.local', 'share', 'ZYMClient');
// The single-instance lock: in the runtime folder, named after the data folder.
const lockFile = home => path.join(home, 'ZYMClientProMute-' +
    crypto.createHash('sha1').update(dataFolder(home)).digest('hex').slice(0, 16) + '.lock');

function logText(home) {
  const folder = path.join(dataFolder(home), 'log');
  if (!fs.existsSync(folder)) return '';
  return fs.readdirSync(folder).map(f => fs.readFileSync(path.join(folder, f), 'utf8')).join('');
}

const accountFolder = home => path.join(dataFolder(home), crypto.createHash('sha1').update(demo.id).digest('hex'));
const queueFile = home => path.join(accountFolder(home), 'transdb.db');
const userFile = home => path.join(dataFolder(home), 'zymuser.db');
const trashed = (home, name) => fs.existsSync(path.join(home, '.local/share/Trash/files', name));
const sql = (db, statement) => execFileSync('sqlite3', [db, statement], {encoding: 'utf8'}).trim();
const quote = text => `'${String(text).replace(/'/g, "''")}'`;
const call = (page, name, argument) => page.evaluate(
    (n, a) => new Promise(resolve => ZYMClient[n](a, resolve)), name, JSON.stringify(argument));
const lockPassword = 'pw damaged';

// The same garbage every run: no file of any of these kinds starts like it.
const garbageBytes = size => pattern(size, 99);
const cutToHalf = file => fs.truncateSync(file, Math.floor(fs.statSync(file).size / 2));

function writeFile(file, bytes) {
  fs.mkdirSync(path.dirname(file), {recursive: true});
  fs.writeFileSync(file, bytes);
}

async function until(what, check, ms = 90000) {
  const end = Date.now() + ms;
  for (;;) {
    const value = check();
    if (value) return value;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await new Promise(r => setTimeout(r, 250));
  }
}

// The shipped log-in page of the program, ready for input.
async function shippedLogin(app) {
  const login = await app.page('login.html');
  await login.waitForSelector('body[data-ready=true]');
  return login;
}

// Logs in through the shipped pages; the launchpad's load lets the queue run.
async function logInToLaunchpad(app) {
  await logInThroughPage(await shippedLogin(app), demo, 'cn-east');
  const launchpad = await app.page('launchpad.html');
  await launchpad.waitForSelector('body[data-ready=true]');
  return launchpad;
}

// The fullpaths of the account's downloads, as a page lists them after a log-in by keys.
async function queuedDownloads(app) {
  const page = await app.page('login.html');
  assert.deepEqual(JSON.parse(await call(page, 'loginByKey', {keyid: demo.id, keysecret: demo.secret, location: 'cn-east'})),
                   {error: 0, message: ''});
  return JSON.parse(await page.evaluate(() => ZYMClient.getDownload('{"count":-1}'))).list.map(r => r.fullpath);
}

// The state and error of the one row of a table, once it has ended.
const endedRow = (home, table) => until(`the ${table} row to end`, () => {
  const row = sql(queueFile(home), `select status||' '||errornum||' '||errormsg from ${table}`);
  return /^[45] /.test(row) ? row : null;
});

// Tries a key file through the shipped log-in page's button and its file dialog; answers the
// error the page shows.
async function keyFileError(app, file, socket) {
  const login = await shippedLogin(app);
  await login.$eval('#location', e => { e.value = 'cn-east'; });
  await login.click('#keyfile-button');
  await waitFor(socket, {do: 'dialog'}, a => a.kind === 'folder');
  assert.deepEqual(await control(socket, {do: 'dialog-type', text: file}), {ok: true});
  assert.deepEqual(await control(socket, {do: 'dialog-accept'}), {ok: true});
  await login.waitForFunction(() => document.getElementById('keys-message').textContent.trim() !== '', {timeout: 30000});
  const shown = await login.$eval('#keys-message', e => e.textContent.trim());
  assert.equal(await login.evaluate(() => ZYMClient.getAccessID()), '""', 'no one is logged in');
  return shown;
}

// A private install folder: the program (a hard link, so it finds this folder as its own), the
// pages and images of the build, and the language files but the English one, which is missing,
// a folder, cut to half its length or garbage.
function privateInstall(root, englishAs) {
  const folder = path.join(root, 'install');
  fs.mkdirSync(path.join(folder, 'language'), {recursive: true});
  fs.linkSync(fs.realpathSync(program), path.join(folder, 'zymclient'));
  fs.symlinkSync(installedUi, path.join(folder, 'UI'));
  fs.symlinkSync(path.join(installFolder, 'image'), path.join(folder, 'image'));
  for (const f of fs.readdirSync(path.join(installFolder, 'language'))) {
    if (f !== 'default-en.xml') fs.copyFileSync(path.join(installFolder, 'language', f), path.join(folder, 'language', f));
  }
  const english = path.join(folder, 'language', 'default-en.xml');
  const shipped = fs.readFileSync(path.join(installFolder, 'language', 'default-en.xml'));
  if (englishAs === 'folder') fs.mkdirSync(english);
  if (englishAs === 'truncated') fs.writeFileSync(english, shipped.subarray(0, Math.floor(shipped.length / 2)));
  if (englishAs === 'garbage') fs.writeFileSync(english, garbageBytes(shipped.length));
  return folder;
}

// What the rows use, filled before they run: the local service with an object to fetch and
// upload ids to continue, and the stores of a first run (a queue, an account store with a lock).
const ctx = {};

const keyFileMagic = Buffer.from([0x27, 0x3b, 0x80, 0xa0, 0xe4, 0xff, 0x0b, 0x4c,
                                  0x9d, 0x4f, 0x59, 0xd2, 0x85, 0x87, 0xb0, 0x9a]);
// The part-info file of an upload id (its name: the id with unsafe characters as %XX).
const partInfoFile = (home, uploadId) => path.join(dataFolder(home), 'transcache',
    uploadId.replace(/[^A-Za-z0-9._-]/g, c => '%' + c.charCodeAt(0).toString(16).toUpperCase().padStart(2, '0')));
// One 54-byte part record: number, start, length (little-endian), the ETag zero-padded.
function partRecord(number, start, length, etag) {
  const record = Buffer.alloc(54);
  record.writeInt32LE(number, 0);
  record.writeBigInt64LE(BigInt(start), 4);
  record.writeBigInt64LE(BigInt(length), 12);
  Buffer.from(etag).copy(record, 20, 0, 34);
  return record;
}

const badLine = '"DownloadMax"=dword:0000000g';
const garbage = 'not a settings file\r\n"Language"=dword:00000002\r\n';

// Each row: what to damage, which page must show, what must still be there, and the log line.
const rows = [
  {name: 'settings file with one bad line',
   prepare: home => fs.appendFileSync(configFile(home), badLine + '\r\n'),
   page: testUiFolder,
   kept: home => assert.ok(fs.readFileSync(configFile(home), 'utf8').split(/\r?\n/).includes(badLine)),
   log: /\[settings\]\[.*settings\.reg\]\[1 unreadable line\(s\) kept as written and ignored\]/},
  {name: 'settings file that is no settings file',
   prepare: home => fs.writeFileSync(configFile(home), garbage),
   page: installedUi,
   kept: home => assert.equal(fs.readFileSync(configFile(home) + '.damaged-1', 'utf8'), garbage),
   log: /\[settings\]\[.*settings\.reg\]\[damaged; kept as .*settings\.reg\.damaged-1, defaults written\]/},
  {name: 'settings file that cannot be read (a folder has its name)',
   prepare: home => { fs.rmSync(configFile(home)); fs.mkdirSync(configFile(home)); },
   page: installedUi,
   kept: home => {
     assert.ok(fs.statSync(configFile(home)).isDirectory());
     assert.equal(fs.existsSync(configFile(home) + '.damaged-1'), false);
   },
   log: /\[settings\]\[.*settings\.reg\]\[cannot be read: .*; defaults used, file left alone\]/},
  {name: 'user database path taken by a folder',
   prepare: home => fs.mkdirSync(path.join(dataFolder(home), 'zymuser.db'), {recursive: true}),
   page: testUiFolder,
   kept: home => assert.ok(fs.statSync(path.join(dataFolder(home), 'zymuser.db')).isDirectory()),
   log: /\[userdb\]\[.*zymuser\.db\]\[a folder has its name; running without the account store\]/},
  {name: 'single-instance lock that no running instance answers for',
   prepare: home => fs.writeFileSync(lockFile(home), 'not a lock\n'),
   page: testUiFolder,
   kept: home => assert.equal(fs.readFileSync(lockFile(home), 'utf8'), 'not a lock\n'),
   log: /\[instance\]\[.*ZYMClientProMute-[0-9a-f]{16}\.lock\]\[held, but no instance answers; starting without the lock\]/},
  {name: 'UIPath naming a missing folder',
   settings: home => ({UIPath: path.join(home, 'no-such-ui')}),
   page: installedUi,
   log: /\[ui\]\[.*no-such-ui\]\[no such folder; using .*\/UI\]/},
  {name: 'UIPath naming a folder without the login page',
   settings: home => ({UIPath: path.join(home, 'empty-ui')}),
   prepare: home => fs.mkdirSync(path.join(home, 'empty-ui')),
   page: installedUi,
   kept: home => assert.deepEqual(fs.readdirSync(path.join(home, 'empty-ui')), []),
   log: /\[ui\]\[.*empty-ui\]\[has no .*empty-ui\/login\.html; using .*\/UI\]/},
  {name: 'language file missing', install: 'missing',
   page: testUiFolder, loginSize: true,
   log: /\[language\]\[.*default-en\.xml\]\[cannot be read \(\d+\); built-in sizes used\]/},
  {name: 'language file unreadable (a folder has its name)', install: 'folder',
   page: testUiFolder, loginSize: true,
   kept: (home, install) => assert.ok(fs.statSync(path.join(install, 'language', 'default-en.xml')).isDirectory()),
   log: /\[language\]\[.*default-en\.xml\]\[cannot be read \(\d+\); built-in sizes used\]/},
  {name: 'language file cut off', install: 'truncated',
   page: testUiFolder, loginSize: true,
   log: /\[language\]\[.*default-en\.xml\]\[cannot be read \(\d+\); built-in sizes used\]/},
  {name: 'language file overwritten with garbage', install: 'garbage',
   page: testUiFolder, loginSize: true,
   log: /\[language\]\[.*default-en\.xml\]\[cannot be read \(\d+\); built-in sizes used\]/},
  {name: 'settings file cut off inside a value',
   prepare: home => {
     fs.appendFileSync(configFile(home), '"SavePath"="/home/someone/Downloads"\r\n');
     fs.truncateSync(configFile(home), fs.statSync(configFile(home)).size - 9);
   },
   page: testUiFolder,
   kept: home => {
     const lines = fs.readFileSync(configFile(home), 'utf8').split(/\r?\n/);
     assert.ok(lines.includes('"SavePath"="/home/someone/Dow'), 'the cut line is kept as written');
     assert.ok(lines.includes('"DownloadMax"=dword:00000005'), 'the values lost get their defaults');
   },
   log: /\[settings\]\[.*settings\.reg\]\[1 unreadable line\(s\) kept as written and ignored\]/},
  {name: 'queue database overwritten with garbage, with its copy',
   prepare: home => {
     writeFile(queueFile(home) + '_old', ctx.queue);
     writeFile(queueFile(home), garbageBytes(ctx.queue.length));
   },
   check: async (app, home) => {
     assert.deepEqual(await queuedDownloads(app), ['/down/1', '/down/2', '/down/3']);
     assert.ok(trashed(home, 'transdb.db'), 'the damaged file is in the trash');
   },
   log: /\[transdb\]\[.*transdb\.db\]\[damaged \(\d+\); moved to the trash, restored from .*transdb\.db_old\]/},
  {name: 'queue database cut off, without a copy',
   prepare: home => {
     writeFile(queueFile(home), ctx.queue);
     cutToHalf(queueFile(home));
   },
   check: async (app, home) => {
     assert.deepEqual(await queuedDownloads(app), []);
     assert.equal(sql(queueFile(home), 'PRAGMA integrity_check'), 'ok', 'a sound, empty queue');
     assert.ok(trashed(home, 'transdb.db'), 'the damaged file is in the trash');
   },
   log: /\[transdb\]\[.*transdb\.db\]\[damaged \(\d+\); moved to the trash, no usable copy; the queue starts empty\]/},
  {name: 'account store overwritten with garbage, with its copy',
   settings: () => ({UIPath: shippedUiFolder}),
   prepare: home => {
     writeFile(userFile(home) + '_old', ctx.user);
     writeFile(userFile(home), garbageBytes(ctx.user.length));
   },
   check: async (app, home) => {
     const login = await shippedLogin(app);
     assert.equal(await login.$eval('#password-form', f => f.hidden), false, 'the saved log-in asks for its password');
     assert.deepEqual(JSON.parse(await call(login, 'loginPassword', {password: lockPassword})), {error: 0, message: ''});
     assert.equal(await login.evaluate(() => ZYMClient.getAccessID()), JSON.stringify(demo.id));
     assert.ok(trashed(home, 'zymuser.db'), 'the damaged file is in the trash');
   },
   log: /\[userdb\]\[.*zymuser\.db\]\[damaged \(\d+\); moved to the trash, restored from .*zymuser\.db_old\]/},
  {name: 'account store cut off, without a copy',
   settings: () => ({UIPath: shippedUiFolder}),
   prepare: home => {
     writeFile(userFile(home), ctx.user);
     cutToHalf(userFile(home));
   },
   check: async (app, home) => {
     const login = await shippedLogin(app);
     assert.equal(await login.$eval('#password-form', f => f.hidden), true, 'no saved log-in is left');
     assert.equal(JSON.parse(await call(login, 'loginPassword', {password: lockPassword})).error, 6);
     assert.equal(await login.evaluate(() => ZYMClient.gAccountAction('addram', '{"subkeyid":"s1","subsecret":"x"}')),
                  '{}', 'the empty store takes new records');
     assert.equal(sql(userFile(home), 'PRAGMA integrity_check'), 'ok');
     assert.ok(trashed(home, 'zymuser.db'), 'the damaged file is in the trash');
   },
   log: /\[userdb\]\[.*zymuser\.db\]\[damaged \(\d+\); moved to the trash, no usable copy; the account store starts empty\]/},
  ...['cut off', 'overwritten with garbage'].map(form => ({
    name: `download progress file ${form}`,
    settings: () => ({UIPath: shippedUiFolder, ServiceDomain: ctx.service.domain}),
    prepare: home => {
      const target = path.join(home, 'down.bin');
      const size = ctx.object.length;
      writeFile(queueFile(home), ctx.emptyQueue);
      // Bytes that are not the object's, and a record that claims some (cut off) or all
      // (followed by garbage) of them are stored.
      fs.writeFileSync(target + '.zymdownload', Buffer.alloc(size, 0xee));
      const record = `0-${size - 1},`;
      fs.writeFileSync(target + '.zymdownload.tmp', form === 'cut off'
          ? record.slice(0, -4) : Buffer.concat([Buffer.from(record), garbageBytes(64)]));
      sql(queueFile(home), 'insert into Download(hash,fullpath,host,bucket,object,filesize,status,offset,actlast,errornum,errormsg) ' +
                           `values('',${quote(target)},${quote(ctx.host)},${quote(ctx.bucket)},'down.bin',${size},2,0,0,0,'')`);
    },
    check: async (app, home) => {
      await logInToLaunchpad(app);
      assert.match(await endedRow(home, 'Download'), /^4 /);
      assert.ok(fs.readFileSync(path.join(home, 'down.bin')).equals(ctx.object), 'the object\'s bytes');
      assert.ok(!fs.existsSync(path.join(home, 'down.bin.zymdownload.tmp')), 'no progress file left');
    },
    log: /\[download\]\[.*down\.bin\]\[progress file .*down\.bin\.zymdownload\.tmp damaged; fetched again from the start\]/,
  })),
  ...['cut off', 'overwritten with garbage'].map(form => ({
    name: `upload part-info file ${form}`,
    settings: () => ({UIPath: shippedUiFolder, ServiceDomain: ctx.service.domain}),
    prepare: home => {
      const {key, uploadId} = ctx.uploads[form];
      const source = path.join(home, 'up.bin');
      fs.writeFileSync(source, ctx.upload);
      const last = Math.floor(fs.statSync(source).mtimeMs / 1000);
      writeFile(queueFile(home), ctx.emptyQueue);
      sql(queueFile(home), 'insert into Upload(pathhash,host,bucket,object,fullpath,filesize,last,status,offset,actlast,uploadid,errornum,errormsg) ' +
                           `values('damaged-up',${quote(ctx.host)},${quote(ctx.bucket)},${quote(key)},${quote(source)},` +
                           `${ctx.upload.length},${last},2,0,0,${quote(uploadId)},0,'')`);
      // Records of parts the service never got: the first fits the file's layout; cut off
      // inside the second, or with a garbage ETag and a garbage second record.
      const block = 5 * 1024 * 1024;
      const records = Buffer.concat([partRecord(1, 0, block, form === 'cut off' ? ctx.etags[0] : garbageBytes(34)),
                                     form === 'cut off' ? partRecord(2, block, block, ctx.etags[1]) : garbageBytes(54)]);
      writeFile(partInfoFile(home, uploadId), form === 'cut off' ? records.subarray(0, 80) : records);
    },
    check: async (app, home) => {
      await logInToLaunchpad(app);
      assert.match(await endedRow(home, 'Upload'), /^4 /);
      const stored = await ctx.service.signed({bucket: ctx.bucket, key: ctx.uploads[form].key});
      assert.ok(stored.bytes.equals(ctx.upload), 'the file\'s bytes');
      assert.ok(!fs.existsSync(partInfoFile(home, ctx.uploads[form].uploadId)), 'no part-info file left');
    },
    log: /\[upload\]\[damaged-bucket\|up-.*\.bin\]\[part-info file .*transcache\/.* damaged; every part is sent again\]/,
  })),
  ...['cut off', 'overwritten with garbage'].map(form => ({
    name: `key file ${form}`,
    settings: () => ({UIPath: shippedUiFolder}),
    env: root => ({ZYM_TEST_CONTROL: path.join(root, 'control.sock')}),
    prepare: home => fs.writeFileSync(path.join(home, 'zym.key'), form === 'cut off'
        // The start of a key file whose check block would run past the end.
        ? Buffer.concat([keyFileMagic, Buffer.from([8, 0, 0, 0]), Buffer.from('abcd')])
        : garbageBytes(200)),
    check: async (app, home, root) => {
      const shown = await keyFileError(app, path.join(home, 'zym.key'), path.join(root, 'control.sock'));
      assert.match(shown, /not a valid key file/);
    },
    log: /\[keyfile\]\[.*zym\.key\]\[damaged: no key file header or a block past the end\]/,
  })),
];

// The login window's size as the window report gives it.
async function loginWindowSize(reportFile) {
  const deadline = Date.now() + 30000;
  for (;;) {
    try {
      const report = JSON.parse(fs.readFileSync(reportFile, 'utf8'));
      const login = report.windows.find(w => w.kind === 'login' && w.visible);
      if (login) return {width: login.width, height: login.height};
    } catch {}
    if (Date.now() > deadline) assert.fail('no login window in the report');
    await new Promise(r => setTimeout(r, 50));
  }
}

// Starts the program for one row and checks page (or what the row checks), kept file and log line.
async function runRow(row, root) {
  let install;
  if (row.install) install = privateInstall(root, row.install);
  const reportFile = path.join(root, 'windows.json');
  let home;
  const env = {ZYM_WINDOW_REPORT: reportFile, ...(row.env ? row.env(root) : {})};
  const app = await startProgram(row.settings ? row.settings(root) : {}, env, {
    keepHome: root,
    prepare: h => { home = h; row.prepare?.(h); },
    programPath: install && path.join(install, 'zymclient'),
  });
  try {
    let size;
    if (row.check) {
      await row.check(app, home, root);
    } else {
      const page = await app.page(path.join(row.page, 'login.html'));
      assert.equal(await page.evaluate(() => typeof ZYMClient.getUIPath), 'function', row.name);
      size = row.loginSize ? await loginWindowSize(reportFile) : undefined;
    }
    row.kept?.(home, install);
    // The log line may be written a moment after the page shows.
    const deadline = Date.now() + 10000;
    while (!row.log.test(logText(home)) && Date.now() < deadline) await new Promise(r => setTimeout(r, 100));
    assert.match(logText(home), row.log, row.name);
    return size;
  } finally {
    await app.stop();
  }
}

describe('damaged state and bad settings', () => {
  let normalLoginSize;
  before(async () => {
    ctx.service = await startService();
    ctx.bucket = 'damaged-bucket';
    ctx.host = `cn-east.${ctx.service.endpoint}`;
    await ctx.service.createBucket(ctx.bucket);
    ctx.object = pattern(3 * 1024 * 1024 + 3, 7);
    await ctx.service.signed({method: 'PUT', bucket: ctx.bucket, key: 'down.bin', body: ctx.object});
    ctx.upload = pattern(11 * 1024 * 1024 + 5, 11); // three parts of 5 MiB at most
    ctx.etags = [0, 1].map(i => '"' + crypto.createHash('md5').update(
        ctx.upload.subarray(i * 5 * 1024 * 1024, (i + 1) * 5 * 1024 * 1024)).digest('hex').toUpperCase() + '"');
    ctx.uploads = {};
    for (const form of ['cut off', 'overwritten with garbage']) {
      const key = `up-${form.split(' ')[0]}.bin`;
      const r = await ctx.service.signed({method: 'POST', bucket: ctx.bucket, key, query: 'uploads', signQuery: true});
      ctx.uploads[form] = {key, uploadId: /<UploadId>([^<]+)<\/UploadId>/.exec(r.body)[1]};
    }

    // A first run: the account's queue (empty, then with rows) and an account store with a lock.
    const first = await startProgram();
    try {
      const page = await first.page('login.html');
      const ok = JSON.stringify({error: 0, message: ''});
      assert.equal(await call(page, 'loginByKey', {keyid: demo.id, keysecret: demo.secret, location: 'cn-east'}), ok);
      assert.equal(await call(page, 'setPassword', {password: lockPassword}), ok);
      await until('the account queue', () => fs.existsSync(queueFile(first.home)));
    } finally {
      await first.stop({keepHome: true});
    }
    ctx.emptyQueue = fs.readFileSync(queueFile(first.home));
    ctx.user = fs.readFileSync(userFile(first.home));
    const uploads = Array.from({length: 300}, (_, i) =>
        `('${'u'.repeat(20)}${i}','h','b','o${i}','/up/${i}',100,0,3,0,0,'',0,'')`).join(',');
    sql(queueFile(first.home),
        'insert into Download(hash,fullpath,host,bucket,object,filesize,status,offset,actlast,errornum,errormsg) values ' +
        [1, 2, 3].map(i => `('e${i}','/down/${i}','h','b','d${i}',10,3,0,0,0,'')`).join(',') + ';' +
        'insert into Upload(pathhash,host,bucket,object,fullpath,filesize,last,status,offset,actlast,uploadid,errornum,errormsg) values ' +
        uploads + ';');
    ctx.queue = fs.readFileSync(queueFile(first.home));
    fs.rmSync(first.home, {recursive: true, force: true});

    const root = fs.mkdtempSync(path.join(os.tmpdir(), 'zym-damaged-'));
    const reportFile = path.join(root, 'windows.json');
    const app = await startProgram({}, {ZYM_WINDOW_REPORT: reportFile}, {keepHome: root});
    try {
      await app.page('login.html');
      normalLoginSize = await loginWindowSize(reportFile);
    } finally {
      await app.stop();
    }
  });

  after(async () => { await ctx.service?.stop(); });

  for (const row of rows) {
    test(row.name, async () => {
      const root = fs.mkdtempSync(path.join(os.tmpdir(), 'zym-damaged-'));
      try {
        const size = await runRow(row, root);
        // Without its language file the login window still opens at the size that file gives.
        if (row.loginSize) assert.deepEqual(size, normalLoginSize);
      } finally {
        fs.rmSync(root, {recursive: true, force: true});
      }
    });
  }

});
