// The password lock across two runs of the program, and the sub-key store: what a page sees,
// and what the account store on disk holds (never a secret in plain text).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {after, describe, test} from 'node:test';

import {startProgram} from './harness.mjs';

const call = (page, name, argument) => page.evaluate(
    (n, a) => new Promise(resolve => ZYMClient[n](a, resolve)), name, JSON.stringify(argument));
const direct = (page, name, ...args) => page.evaluate((n, a) => ZYMClient[n](...a), name, args);

describe('password lock and sub-key store', () => {
  let app;
  let home;
  after(async () => {
    await app?.stop();
    if (home) fs.rmSync(home, {recursive: true, force: true});
  });

  test('a locked log-in opens in a new run with the password alone', async () => {
    app = await startProgram();
    home = app.home;
    let page = await app.page('login.html');
    const ok = '{"error":0,"message":""}';
    assert.equal(await call(page, 'loginByKey', {keyid: 'AK-page', keysecret: 'SK-page-secret', location: 'cn-east'}), ok);
    assert.equal(await call(page, 'setPassword', {password: 'pw 1'}), ok);
    assert.equal(await direct(page, 'gAccountAction', 'addram', JSON.stringify({subkeyid: 'sub-1', subsecret: 'RAM-SECRET-1'})), '{}');
    assert.deepEqual(JSON.parse(await direct(page, 'gAccountAction', 'getram', JSON.stringify({subkeyid: 'sub-1'}))),
                     {keyid: 'AK-page', subkeyid: 'sub-1', subsecret: 'RAM-SECRET-1', createtime: JSON.parse(
                         await direct(page, 'gAccountAction', 'getrams', '')).list[0].createtime});
    await app.stop({keepHome: true});
    app = null;

    const db = fs.readFileSync(path.join(home, '.local/share/ZYMClient/zymuser.db'));
    for (const plain of ['SK-page-secret', 'AK-page', 'RAM-SECRET-1', 'sub-1', 'pw 1']) {
      assert.equal(db.indexOf(plain), -1, `${plain} is not stored in plain text`);
    }

    app = await startProgram({}, {}, {keepHome: home});
    page = await app.page('login.html');
    assert.equal(await direct(page, 'getAccessID'), '""');
    const wrong = JSON.parse(await call(page, 'loginPassword', {password: 'pw 2'}));
    assert.deepEqual(wrong, {error: 6, message: 'The password is not correct'});
    assert.equal(await direct(page, 'getAccessID'), '""', 'a wrong password changes nothing');
    assert.equal(await call(page, 'loginPassword', {password: 'pw 1'}), ok);
    assert.equal(await direct(page, 'getAccessID'), '"AK-page"');
    assert.equal(await direct(page, 'getCurrentLocation'), '"cn-east"');
    const sub = JSON.parse(await direct(page, 'gAccountAction', 'getram', JSON.stringify({subkeyid: 'sub-1'})));
    assert.equal(sub.subsecret, 'RAM-SECRET-1');

    await direct(page, 'clearPassword');
    assert.equal(JSON.parse(await call(page, 'loginPassword', {password: 'pw 1'})).error, 6);
  });

  test('every action word answers as the store says', async () => {
    const page = await app.page('login.html');
    const act = (word, arg) => direct(page, 'gAccountAction', word, typeof arg === 'string' ? arg : JSON.stringify(arg));
    assert.equal(await act('addsts', {subkeyid: 's', token: 'TOK', stskeyid: 'sts-1', stssecret: 'STS', expiretime: 12.9}), '{}');
    const token = JSON.parse(await act('getsts', {stskeyid: 'sts-1'}));
    assert.equal(token.keyid, 'AK-page');
    assert.equal(token.expiretime, 12);
    assert.equal(JSON.parse(await act('getstss', '')).list.length, 1);
    assert.equal(await act('delsts', {stskeyid: 'sts-1'}), '{}');
    assert.equal(await act('getsts', {stskeyid: 'sts-1'}), '{}');
    assert.equal(await act('delram', {subkeyid: 'sub-1'}), '{}');
    assert.equal(await act('getrams', ''), '{"list":[]}');
    assert.equal(await act('GetRams', ''), '{}');
    assert.equal(await act('getram', 'not json'), '{}');
  });
});
