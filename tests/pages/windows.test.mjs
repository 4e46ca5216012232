// The web windows of the real program: showWnd's kinds and instance rules, sizes, the modal
// child window and closeWnd. Windows are observed through the window report the program writes
// when ZYM_WINDOW_REPORT names a file, and through puppeteer's pages.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';
import {pathToFileURL} from 'node:url';

import {startProgram, testUiFolder} from './harness.mjs';

const windowUrl = query => pathToFileURL(path.join(testUiFolder, 'window.html')).href + '?' + query;

// Frame around the client area: one-pixel borders left, right and bottom, a 30-pixel caption.
const frameWidth = 2;
const frameHeight = 31;

describe('web windows', () => {
  let app;
  let login;
  let reportFolder;
  let reportFile;

  const readReport = () => {
    try {
      return JSON.parse(fs.readFileSync(reportFile, 'utf8'));
    } catch {
      return {screen: {}, windows: []};
    }
  };
  // Waits until the report satisfies `check`; fails with the last report when it never does.
  const waitForReport = async (what, check) => {
    const deadline = Date.now() + 30000;
    for (;;) {
      const report = readReport();
      if (check(report)) return report;
      if (Date.now() > deadline) {
        assert.fail(`${what}; last report: ${JSON.stringify(report)}`);
      }
      await new Promise(r => setTimeout(r, 50));
    }
  };
  const windowsWith = (report, query) => report.windows.filter(w => w.url.endsWith('?' + query));
  const showWnd = (args, from = login) => from.evaluate(a => ZYMClient.showWnd(a), typeof args === 'string' ? args : JSON.stringify(args));
  // closeWnd ends the page that calls it, so the call runs after evaluate has answered.
  const closeFrom = page => page.evaluate(() => { setTimeout(() => ZYMClient.closeWnd(), 0); });
  const opened = async query => (await waitForReport(`window ?${query} opens`, r => windowsWith(r, query).length === 1 && windowsWith(r, query)[0].visible));

  before(async () => {
    reportFolder = fs.mkdtempSync(path.join(os.tmpdir(), 'zym-windows-'));
    reportFile = path.join(reportFolder, 'windows.json');
    process.env.ZYM_WINDOW_REPORT = reportFile;
    try {
      app = await startProgram();
    } finally {
      delete process.env.ZYM_WINDOW_REPORT;
    }
    login = await app.page('login.html');
    await waitForReport('the login window is shown', r => r.windows.some(w => w.kind === 'login' && w.visible));
  });
  after(async () => {
    await app?.stop();
    fs.rmSync(reportFolder, {recursive: true, force: true});
  });

  test('the login window shows its page on the login frame, without the lock-password address', async () => {
    const r = readReport();
    const w = r.windows.find(x => x.kind === 'login');
    assert.ok(w.url.endsWith('/login.html'), w.url);
    assert.equal(w.resizable, false);
    // Its client size is the right and bottom values of the language file's rectangle.
    const english = fs.readFileSync(path.join(testUiFolder, '../../../language/default-en.xml'), 'utf8');
    const rect = english.match(/<weblogin[\s\S]*?<rect window="(\d+),(\d+),(\d+),(\d+)"/).map(Number);
    assert.deepEqual([w.client.width, w.client.height], [rect[3], rect[4]]);
    assert.equal(w.width - w.client.width, frameWidth);
    assert.equal(w.height - w.client.height, frameHeight);
    const launchpad = r.windows.find(x => x.kind === 'launchpad');
    assert.equal(launchpad.visible, false);
    // Every window carries the program icon (also drawn in its caption).
    assert.deepEqual(r.windows.filter(x => !x.icon).map(x => x.kind), []);
  });

  test('sole twice: one window with the second address at the new size and the first position', async () => {
    await showWnd({url: windowUrl('sole1'), type: 'sole', width: 400, height: 300});
    const first = (await opened('sole1')).windows.filter(w => w.kind === 'sole');
    assert.equal(first.length, 1);
    assert.deepEqual([first[0].client.width, first[0].client.height], [400, 300]);
    const page1 = await app.page('?sole1');
    assert.deepEqual(await page1.evaluate(() => [innerWidth, innerHeight]), [400, 300]);

    await showWnd({url: windowUrl('sole2'), type: 'sole', width: 500, height: 350, resize: 1});
    const r = await waitForReport('the sole window shows the second address',
                                  x => windowsWith(x, 'sole2').length === 1);
    const sole = r.windows.filter(w => w.kind === 'sole');
    assert.equal(sole.length, 1);
    assert.deepEqual([sole[0].client.width, sole[0].client.height], [500, 350]);
    assert.deepEqual([sole[0].x, sole[0].y], [first[0].x, first[0].y]);
    assert.equal(sole[0].resizable, true);
    assert.equal(windowsWith(r, 'sole1').length, 0);
    const page2 = await app.page('?sole2');
    await page2.waitForFunction(() => innerWidth === 500 && innerHeight === 350);
  });

  test('single and sole are independent; single is reused like sole', async () => {
    await showWnd({url: windowUrl('single1'), type: 'single', width: 300, height: 200});
    await opened('single1');
    await showWnd({url: windowUrl('single2'), type: 'single', width: 320, height: 220});
    const r = await waitForReport('the single window is re-targeted', x => windowsWith(x, 'single2').length === 1);
    assert.equal(r.windows.filter(w => w.kind === 'single').length, 1);
    assert.equal(windowsWith(r, 'single1').length, 0);
    const sole = r.windows.filter(w => w.kind === 'sole');
    assert.equal(sole.length, 1);
    assert.ok(sole[0].url.endsWith('?sole2'));
  });

  test('normal opens any number of windows', async () => {
    for (const q of ['n1', 'n2', 'n3']) await showWnd({url: windowUrl(q), type: 'normal', width: 200, height: 150});
    const r = await waitForReport('three normal windows', x => ['n1', 'n2', 'n3'].every(q => windowsWith(x, q).length === 1));
    assert.ok(r.windows.filter(w => w.kind === 'normal').length >= 3);
    // Each is centred on its own: all three at the same place.
    const places = ['n1', 'n2', 'n3'].map(q => windowsWith(r, q)[0]).map(w => `${w.x},${w.y},${w.width},${w.height}`);
    assert.equal(new Set(places).size, 1);
  });

  test('an unknown type or an argument that is not JSON opens nothing', async () => {
    const before = readReport().windows.length;
    await showWnd({url: windowUrl('other'), type: 'other'});
    await showWnd({url: windowUrl('upper'), type: 'Normal'});
    await showWnd('not json {');
    // Messages are handled in order: once this one is open, the three before it are done.
    await showWnd({url: windowUrl('marker'), type: 'normal'});
    const r = await opened('marker');
    assert.equal(windowsWith(r, 'other').length, 0);
    assert.equal(windowsWith(r, 'upper').length, 0);
    assert.equal(r.windows.length, before + 1);
  });

  test('width and height 0 give a window that is only its frame', async () => {
    await showWnd({url: windowUrl('zero'), type: 'normal', width: 0, height: 0});
    const [w] = windowsWith(await opened('zero'), 'zero');
    assert.deepEqual([w.client.width, w.client.height], [0, 0]);
    assert.deepEqual([w.width, w.height], [frameWidth, frameHeight]);
  });

  test('a size larger than the screen is cut to the screen, and a missing size is 100', async () => {
    await showWnd({url: windowUrl('huge'), type: 'normal', width: 50000, height: 40000, resize: 1});
    await showWnd({url: windowUrl('default'), type: 'normal'});
    const r = await opened('default');
    await opened('huge');
    const [huge] = windowsWith(readReport(), 'huge');
    const screen = r.screen;
    assert.deepEqual([huge.x, huge.y, huge.width, huge.height], [screen.x, screen.y, screen.width, screen.height]);
    assert.deepEqual([huge.client.width, huge.client.height], [screen.width - frameWidth, screen.height - frameHeight]);
    const [d] = windowsWith(r, 'default');
    assert.deepEqual([d.client.width, d.client.height], [100, 100]);
    // Centred on the screen's work area.
    assert.equal(d.x, screen.x + Math.floor((screen.width - d.width) / 2));
    assert.equal(d.y, screen.y + Math.floor((screen.height - d.height) / 2));
    // The window cannot be made smaller than the requested client size.
    assert.deepEqual([d.minimumWidth, d.minimumHeight], [100 + frameWidth, 100 + frameHeight]);
  });

  test('child is modal until closeWnd from its page; other calls still run meanwhile', async () => {
    await showWnd({url: windowUrl('child'), type: 'child', width: 300, height: 200});
    let r = await opened('child');
    const [child] = windowsWith(r, 'child');
    assert.equal(child.kind, 'child');
    assert.equal(child.modal, true);
    assert.equal(r.windows.filter(w => w.modal).length, 1);

    // The modal loop still handles other windows' messages.
    await showWnd({url: windowUrl('during'), type: 'normal'});
    r = await opened('during');
    assert.equal(windowsWith(r, 'child')[0].modal, true);

    const childPage = await app.page('?child');
    await closeFrom(childPage);
    r = await waitForReport('the child window goes', x => windowsWith(x, 'child').length === 0);
    assert.equal(r.windows.some(w => w.modal), false);
    await waitForReport('its view is closed', () => !app.browser.targets().some(t => t.url().endsWith('?child')));
  });

  test('showAuthorizationDlg opens its page in a modal, non-resizable child window', async () => {
    await login.evaluate(() => ZYMClient.showAuthorizationDlg());
    const r = await waitForReport('the authorization window opens',
                                  x => x.windows.some(w => w.url.endsWith('/authorization.html') && w.visible));
    const w = r.windows.find(x => x.url.endsWith('/authorization.html'));
    assert.deepEqual([w.kind, w.modal, w.resizable], ['child', true, false]);
    const page = await app.page('authorization.html');
    await closeFrom(page);
    await waitForReport('the authorization window goes',
                        x => !x.windows.some(w => w.url.endsWith('/authorization.html')));
  });

  test('closeWnd frees the sole window: the next sole request makes a new, centred one', async () => {
    const sole = await app.page('?sole2');
    await closeFrom(sole);
    await waitForReport('the sole window goes', x => !x.windows.some(w => w.kind === 'sole'));
    await showWnd({url: windowUrl('sole3'), type: 'sole', width: 260, height: 180});
    const r = await opened('sole3');
    const [w] = windowsWith(r, 'sole3');
    assert.equal(w.x, r.screen.x + Math.floor((r.screen.width - w.width) / 2));
    assert.deepEqual([w.client.width, w.client.height], [260, 180]);
  });

  test('closeWnd on the login window hides it and the program goes on', async () => {
    await closeFrom(login);
    const r = await waitForReport('the login window hides', x => x.windows.some(w => w.kind === 'login' && !w.visible));
    assert.equal(r.windows.filter(w => w.kind === 'login').length, 1);
    assert.equal(app.child.exitCode, null);
    assert.equal(await login.evaluate(() => ZYMClient.getAccessID()), '""');
  });
});
