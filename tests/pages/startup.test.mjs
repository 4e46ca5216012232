// The start-up trace the start-up benchmark reads, and the order of start-up it shows: the login
// window's frame is on the screen before the browser starts, the page loads after.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import {shippedUiFolder, startProgram} from './harness.mjs';

describe('start-up trace', () => {
  let app;
  let lines;
  const trace = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'zym-trace-')), 'trace');
  before(async () => {
    app = await startProgram({UIPath: shippedUiFolder}, {ZYM_STARTUP_TRACE: trace});
    const login = await app.page('login.html');
    await login.waitForSelector('body[data-ready=true]');
    await login.waitForFunction(() => performance.getEntriesByName('login-ready').length === 1);
    lines = fs.readFileSync(trace, 'utf8').trimEnd().split('\n');
  });
  after(async () => {
    await app?.stop();
    fs.rmSync(path.dirname(trace), {recursive: true, force: true});
  });

  test('every line is a time and a phase; times never go back', () => {
    let last = 0;
    for (const line of lines) {
      const m = /^(\d{16}) ([a-z][a-z ]*[a-z])$/.exec(line);
      assert.ok(m, line);
      assert.ok(Number(m[1]) >= last, line);
      last = Number(m[1]);
    }
  });

  test('the frame is painted before the browser starts; the page loads once', () => {
    const phases = lines.map(l => l.slice(17));
    const at = name => {
      assert.equal(phases.filter(p => p === name).length, 1, `${name} in ${phases.join(', ')}`);
      return phases.indexOf(name);
    };
    assert.ok(at('main') < at('qt application'));
    assert.ok(at('single instance') < at('login frame waited'));
    at('login frame painted');
    assert.ok(at('login frame waited') < at('browser profile'));
    assert.ok(at('browser profile') < at('user database'));
    assert.ok(at('user database') < at('login window made'));
    assert.ok(at('event loop') < at('login page loaded'));
  });
});
