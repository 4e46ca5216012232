// The error log in the settings view: a transfer that fails is logged by the program, and the
// page lists each logged line as its text (not the reply's record around it).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import {startLoggedIn} from './harness.mjs';
import {startService} from './zym_service.mjs';

const call = (page, name, arg) => page.evaluate((n, a) => new Promise(resolve => ZYMClient[n](a, resolve)),
                                                name, JSON.stringify(arg));

describe('the error log in the settings view', () => {
  let service;
  let app;
  let page;
  before(async () => {
    service = await startService();
    ({app, launchpad: page} = await startLoggedIn(service));
  });
  after(async () => {
    await app?.stop();
    await service?.stop();
  });

  test('a failed upload is listed with the text of its log line', async () => {
    const file = path.join(app.home, 'lost.bin');
    fs.writeFileSync(file, Buffer.alloc(1000, 1));
    const queued = JSON.parse(await call(page, 'addFile',
        {location: 'cn-east', bucket: 'no-such-bucket-here', prefix: '', list: [{path: file}]}));
    assert.equal(queued.error, 0, JSON.stringify(queued));
    await page.waitForFunction(() => JSON.parse(ZYMClient.getErrorLog()).list.length > 0, {timeout: 60000});
    const logged = JSON.parse(await page.evaluate(() => ZYMClient.getErrorLog())).list.map(e => e.msg);
    assert.ok(logged.some(m => m.includes('no-such-bucket-here|lost.bin')), logged.join('\n'));

    await page.click('#tab-settings');
    await page.click('#refresh-log');
    const shown = await page.$$eval('#error-log li', items => items.map(i => i.textContent));
    assert.deepEqual(shown, logged.map(m => m.trimEnd()));
  });
});
