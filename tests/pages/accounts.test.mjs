// The account store as the program uses it: made at start-up in the data folder, and
// emptied by clearPassword while the program runs.
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import {startProgram} from './harness.mjs';

const sql = (db, statement) => execFileSync('sqlite3', [db, statement], {encoding: 'utf8'}).trim();

describe('account store', () => {
  let app;
  let page;
  let db;
  before(async () => {
    app = await startProgram();
    page = await app.page('login.html');
    db = path.join(app.home, '.local/share/ZYMClient/zymuser.db');
  });
  after(async () => { await app?.stop(); });

  test('start-up creates zymuser.db with its tables', () => {
    assert.ok(fs.existsSync(db), 'zymuser.db in the data folder');
    const tables = sql(db, "select name from sqlite_master where type='table' order by name").split('\n');
    for (const name of ['ram', 'sqlsversion', 'sts', 'userinfo']) assert.ok(tables.includes(name), name);
  });

  test('clearPassword deletes every saved log-in and answers nothing', async () => {
    sql(db, "insert into userinfo(accessid,accesskey,area,host,password) values('id1','k1','a','h','p');" +
                "insert into userinfo(accessid,accesskey,area,host,password) values('id2','k2','a','h','');");
    assert.equal(sql(db, 'select count(*) from userinfo'), '2');
    const answer = await page.evaluate(() => typeof ZYMClient.clearPassword());
    assert.equal(answer, 'undefined');
    assert.equal(sql(db, 'select count(*) from userinfo'), '0');
  });
});
