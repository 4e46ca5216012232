// The log-in window of the shipped pages when a locked log-in is saved: the password form,
// the way back to the keys, and the error of a password that does not open the lock.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import {shippedUiFolder, startProgram} from './harness.mjs';

describe('log-in window with a saved password lock', () => {
  let app;
  let login;
  before(async () => {
    // The first run makes the account store; a saved lock is then put in it as setPassword would.
    const first = await startProgram({UIPath: shippedUiFolder});
    await first.page('login.html');
    await first.stop({keepHome: true});
    const db = path.join(first.home, '.local/share/ZYMClient/zymuser.db');
    execFileSync('sqlite3', [db, "insert into userinfo(accessid,accesskey,area,host,password) " +
                                 "values('aWQ=','c2VjcmV0','cn-east','','0123456789ABCDEF0123456789ABCDEF')"]);
    app = await startProgram({UIPath: shippedUiFolder}, {}, {keepHome: first.home});
    login = await app.page('login.html');
    await login.waitForSelector('body[data-ready=true]');
  });
  after(async () => { await app?.stop(); });

  test('the window opens on the password form', async () => {
    assert.ok(login.url().endsWith('login.html#loginByPassword'), login.url());
    assert.equal(await login.$eval('#password-form', f => f.hidden), false);
    assert.equal(await login.$eval('#keys-form', f => f.hidden), true);
    assert.equal(await login.evaluate(() => document.activeElement.id), 'password');
  });

  test('a password that does not open the lock is said next to the form', async () => {
    // Refused (error 6) once loginPassword is built; before that it answers nothing or the
    // not-built error. Each of them is shown, and no launchpad opens.
    await login.evaluate(() => { globalThis.zymCallTimeoutMs = 1500; });
    await login.type('#password', 'not the password');
    await login.keyboard.press('Enter');
    await login.waitForFunction(() => document.querySelector('#password-message').textContent !== '', {timeout: 5000});
    const code = Number(await login.$eval('#password-message', e => e.dataset.code));
    const text = await login.$eval('#password-message', e => e.textContent);
    assert.ok(code === -1 ? /ZYMClient\.loginPassword did not answer/.test(text) : code > 0, `${code} ${text}`);
    assert.equal(app.browser.targets().filter(t => t.url().includes('launchpad.html')).length, 0);
    assert.equal(await login.$eval('#password-button', b => b.disabled), false);
  });

  test('the keys form is one button away', async () => {
    await login.click('#use-keys');
    assert.equal(await login.$eval('#keys-form', f => f.hidden), false);
    assert.equal(await login.$eval('#password-form', f => f.hidden), true);
    assert.equal(await login.evaluate(() => document.activeElement.id), 'keyid');
  });
});
