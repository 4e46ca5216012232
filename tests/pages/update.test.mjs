// The start-up report and version check of the real program against the local update server,
// and a server that is down or answers garbage: the program runs on normally either way.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {describe, test} from 'node:test';

import {here, startProgram} from './harness.mjs';

const state = process.env.ZYM_UPDATE_STATE || path.resolve(here, '../../build/zym-update');
const endpoint = () => fs.readFileSync(path.join(state, 'endpoint'), 'utf8').trim();
// The shipped UI folder's config.json names the source the program reports.
const source = JSON.parse(fs.readFileSync(path.resolve(here, '../../UI/config.json'), 'utf8')).source;

async function control(query) {
  const r = await fetch(endpoint() + query);
  assert.equal(r.status, 200);
  return r.json();
}

// The server's log lines of this source; waits until the program's requests have arrived.
async function requestsOf(kinds, since) {
  for (;;) {
    const log = (await control('/control/log')).slice(since);
    const mine = log.filter(e => e.params?.res === source);
    if (kinds.every(k => mine.some(e => e.kind === k))) return mine;
    await new Promise(r => setTimeout(r, 100));
  }
}

const loginWorks = async app => {
  const page = await app.page('login.html');
  return page.evaluate(() => new Promise(resolve => ZYMClient.loginByKey('{"keyid":"k"}', resolve)));
};

describe('update check of the running program', () => {
  test('report and check are signed; a garbage answer leaves the program running', async () => {
    const since = (await control('/control/log')).length;
    await control(`/control/offer?res=${source}&version=99.0.0.0&file=none.deb&mode=garbage`);
    const app = await startProgram({UpdateBase: endpoint()});
    try {
      const seen = await requestsOf(['report', 'check_version'], since);
      for (const e of seen) {
        assert.equal(e.valid, true, `${e.kind} carries the right signature`);
        assert.equal(e.params.app, 'linux');
        assert.match(e.params.ver, /^\d+\.\d+\.\d+\.\d+$/);
      }
      assert.match(seen.find(e => e.kind === 'report').params.uuid, /^[0-9a-f]{40}$/);
      assert.equal(await loginWorks(app), '{"error":0,"message":""}');
      assert.equal(app.child.exitCode, null);
    } finally {
      await control(`/control/offer?res=${source}`);
      await app.stop();
    }
  });

  test('an update server that is down changes nothing', async () => {
    const app = await startProgram({UpdateBase: 'http://127.0.0.1:9'});
    try {
      assert.equal(await loginWorks(app), '{"error":0,"message":""}');
      assert.equal(app.child.exitCode, null);
    } finally {
      await app.stop();
    }
  });
});
