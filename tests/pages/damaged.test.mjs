// Damaged state and bad settings: the real program starts on a fresh home with one file damaged,
// shows a page with ZYMClient, keeps the damaged file, and its log names what happened.
import assert from 'node:assert/strict';
import crypto from 'node:crypto';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import {program, startProgram, testUiFolder} from './harness.mjs';

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

// A private install folder: the program (a hard link, so it finds this folder as its own), the
// pages and images of the build, and the language files but the English one.
function privateInstall(root, englishAs) {
  const folder = path.join(root, 'install');
  fs.mkdirSync(path.join(folder, 'language'), {recursive: true});
  fs.linkSync(fs.realpathSync(program), path.join(folder, 'zymclient'));
  fs.symlinkSync(installedUi, path.join(folder, 'UI'));
  fs.symlinkSync(path.join(installFolder, 'image'), path.join(folder, 'image'));
  for (const f of fs.readdirSync(path.join(installFolder, 'language'))) {
    if (f !== 'default-en.xml') fs.copyFileSync(path.join(installFolder, 'language', f), path.join(folder, 'language', f));
  }
  if (englishAs === 'folder') fs.mkdirSync(path.join(folder, 'language', 'default-en.xml'));
  return folder;
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

// Starts the program for one row and checks page, kept file and log line.
async function runRow(row, root) {
  let install;
  if (row.install) install = privateInstall(root, row.install);
  const reportFile = path.join(root, 'windows.json');
  let home;
  const app = await startProgram(row.settings ? row.settings(root) : {}, {ZYM_WINDOW_REPORT: reportFile}, {
    keepHome: root,
    prepare: h => { home = h; row.prepare?.(h); },
    programPath: install && path.join(install, 'zymclient'),
  });
  try {
    const page = await app.page(path.join(row.page, 'login.html'));
    assert.equal(await page.evaluate(() => typeof ZYMClient.getUIPath), 'function', row.name);
    const size = row.loginSize ? await loginWindowSize(reportFile) : undefined;
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
