// One program per user: a second start hands over to the first and ends.
import assert from 'node:assert/strict';
import {spawn} from 'node:child_process';
import {after, before, describe, test} from 'node:test';

import {program, startProgram} from './harness.mjs';

// Starts the program again with the first one's environment; resolves with its exit code.
function startAgain(app) {
  return new Promise((resolve, reject) => {
    const child = spawn(program, [], {env: app.env, stdio: 'ignore'});
    child.once('error', reject);
    child.once('exit', code => resolve(code));
  });
}

describe('single instance', () => {
  let app;
  before(async () => { app = await startProgram(); });
  after(async () => { await app?.stop(); });

  test('a second start before login ends and leaves the first running', async () => {
    assert.equal(await startAgain(app), 0);
    const login = await app.page('login.html');
    assert.equal(await login.evaluate(() => ZYMClient.getAccessID()), '""');
    const targets = app.browser.targets().filter(t => t.url().includes('launchpad.html'));
    assert.equal(targets.length, 0);
  });

  test('a second start after login brings up the launchpad of the first', async () => {
    const login = await app.page('login.html');
    await login.evaluate(() => new Promise(r => ZYMClient.loginByKey('{"keyid":"someone"}', r)));
    assert.equal(await startAgain(app), 0);
    const launchpad = await app.page('launchpad.html');
    const r = await launchpad.evaluate(() => [typeof zymClientCallback, ZYMClient.getAccessID()]);
    assert.deepEqual(r, ['function', '"someone"']);
    assert.equal(app.child.exitCode, null);
  });
});
