// The crash report of the real program: a test build crashes on request (ZYM_TEST_CRASH) and
// leaves its report in the data folder's crash folder; the next start hands a waiting
// ZYMClient.dmp to the crash reporter of the install folder.
import assert from 'node:assert/strict';
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {after, describe, test} from 'node:test';

import {program, programEnv, settingsText, testUiFolder} from './harness.mjs';

function newHome() {
  const home = fs.mkdtempSync(path.join(os.tmpdir(), 'zym-crash-'));
  const config = path.join(home, '.config', 'ZymClient');
  fs.mkdirSync(config, {recursive: true});
  fs.writeFileSync(path.join(config, 'settings.reg'), settingsText({UIPath: testUiFolder, Language: 2}));
  return home;
}

function run(file, env) {
  const child = spawn(file, [], {env, stdio: ['ignore', 'ignore', 'ignore']});
  const ended = new Promise(resolve => child.once('exit', (code, signal) => resolve({code, signal})));
  return {child, ended};
}

async function waitForFile(file, child, timeoutMs = 60000) {
  const end = Date.now() + timeoutMs;
  while (!fs.existsSync(file)) {
    if (child.exitCode !== null || child.signalCode !== null) throw new Error('the program ended first');
    if (Date.now() > end) throw new Error(`no ${file}`);
    await new Promise(r => setTimeout(r, 100));
  }
}

describe('crash report', () => {
  const homes = [];
  let installFolder;
  after(() => {
    for (const d of [...homes, installFolder]) if (d) fs.rmSync(d, {recursive: true, force: true});
  });

  for (const [kind, signal, number] of [['segv', 'SIGSEGV', 11], ['terminate', 'SIGABRT', 6]]) {
    test(`a ${kind} crash leaves a report with the signal, our backtrace and the map`, async () => {
      const home = newHome();
      homes.push(home);
      const {ended} = run(program, {...programEnv(home, 0), ZYM_TEST_CRASH: kind});
      const result = await ended;
      // The default action still ran: the program died of the signal.
      assert.equal(result.signal, signal);
      const folder = path.join(home, '.local/share/ZYMClient/crash');
      const reports = fs.readdirSync(folder);
      assert.equal(reports.length, 1);
      assert.match(reports[0], new RegExp(`^${path.basename(program)}\\.-?\\d+\\.dmp$`));
      const text = fs.readFileSync(path.join(folder, reports[0]), 'utf8');
      assert.match(text, new RegExp(`^signal: ${number} \\(${signal}\\)$`, 'm'));
      assert.match(text, /^version: \d+\.\d+\.\d+\.\d+$/m);
      const trace = text.slice(text.indexOf('backtrace:'), text.indexOf('memory map:'));
      assert.match(trace, /zym5shell\d+(TestCrashTrigger|RunApplication)/, trace);
      const map = text.slice(text.indexOf('memory map:'));
      assert.match(map, /r-xp .*\/zymclient$/m);
      assert.match(map, /libQt6Core/);
      if (kind === 'terminate')
        assert.match(text, /^reason: std::terminate: std::runtime_error: test crash/m);
      else
        assert.match(text, /^fault address: 0x0$/m);
    });
  }

  test('a waiting ZYMClient.dmp starts crashsend of the install folder with its path', async () => {
    // An install folder of our own, so the stub reporter stays out of the build folder.
    installFolder = fs.mkdtempSync(path.join(os.tmpdir(), 'zym-install-'));
    const copy = path.join(installFolder, 'zymclient');
    try { fs.linkSync(program, copy); } catch { fs.copyFileSync(program, copy); }
    for (const sub of ['UI', 'language', 'image'])
      fs.symlinkSync(path.join(path.dirname(program), sub), path.join(installFolder, sub));
    const home = newHome();
    homes.push(home);
    const record = path.join(home, 'crashsend.args');
    fs.writeFileSync(path.join(installFolder, 'crashsend'), `#!/bin/sh\necho "$@" > '${record}'\n`, {mode: 0o755});
    const crashFolder = path.join(home, '.local/share/ZYMClient/crash');
    fs.mkdirSync(crashFolder, {recursive: true});
    const report = path.join(crashFolder, 'ZYMClient.dmp');
    fs.writeFileSync(report, 'a report');

    const {child, ended} = run(copy, programEnv(home, 0));
    try {
      await waitForFile(record, child);
      // The file appears before the stub has written it whole.
      await new Promise(r => setTimeout(r, 200));
      assert.equal(fs.readFileSync(record, 'utf8').trim(), report);
    } finally {
      child.kill('SIGTERM');
      await ended;
    }
  });

  test('without the waiting report nothing is started', async () => {
    const home = newHome();
    homes.push(home);
    const record = path.join(home, 'crashsend.args');
    fs.writeFileSync(path.join(installFolder, 'crashsend'), `#!/bin/sh\necho "$@" > '${record}'\n`, {mode: 0o755});
    const {child, ended} = run(path.join(installFolder, 'zymclient'), {...programEnv(home, 0), ZYM_TEST_CRASH: 'abort'});
    // The crash comes after start-up, so the start-up step has been passed by then.
    assert.equal((await ended).signal, 'SIGABRT');
    // A started stub would have written its record by now.
    await new Promise(r => setTimeout(r, 1000));
    assert.equal(fs.existsSync(record), false);
  });
});
