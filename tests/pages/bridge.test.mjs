// What pages see of ZYMClient in the real program: the functions, their calling
// conventions, the direct answers, signatures, and answers that arrive later.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';
import {pathToFileURL} from 'node:url';

import {here, program, startProgram, testUiFolder} from './harness.mjs';
import {expiringSignature, rpcSignature} from './signatures.mjs';

const catalogue = [
  'getAccessID', 'getRamSignature', 'getSignature', 'addFile', 'saveFile', 'saveFileDlg', 'selectFileDlg',
  'getUpload', 'getDownload', 'startUpload', 'startDownload', 'stopUpload', 'stopDownload', 'deleteUpload',
  'deleteDownload', 'getClipboardData', 'getDragFiles', 'deleteObject', 'copyObject', 'changeUpload',
  'changeDownload', 'getErrorLog', 'loginByKey', 'loginByFile', 'setPassword', 'loginPassword',
  'setServerLocation', 'saveAuthorization', 'getDeviceEncoding', 'showLaunchpad', 'setClipboardData',
  'closeWnd', 'showWnd', 'clearPassword', 'showAuthorizationDlg', 'getUIPath', 'openLogFolder', 'deleteBucket',
  'changeHost', 'loadFinish', 'configInfo', 'setTransInfo', 'getTransInfo', 'getCurrentLocation',
  'getCurrentHost', 'setMetaObject', 'stopLoadDownload', 'openUrl', 'getCallFunctionInfo', 'setCallFunctionInfo',
  'gChangeLanguage', 'gGetLanguage', 'gAccountAction', 'setDefaultContentDisposition',
  'getDefaultContentDisposition'];

const loginUrl = pathToFileURL(path.join(testUiFolder, 'login.html')).href;
const outsideUrl = pathToFileURL(path.join(here, 'outside', 'plain.html')).href;
const domain = '.zym.localhost:18080';

// Logs in from the page and resolves with the callback's argument.
const login = (page, keys) => page.evaluate(
    k => new Promise(resolve => ZYMClient.loginByKey(JSON.stringify(k), resolve)), keys);

describe('ZYMClient in the real program', () => {
  let app;
  let page;
  before(async () => {
    app = await startProgram({ServiceDomain: domain});
    page = await app.page('login.html');
  });
  after(async () => { await app?.stop(); });

  test('a UI page gets the 55 functions in catalogue order', async () => {
    const names = await page.evaluate(() => Object.keys(ZYMClient));
    assert.deepEqual(names, catalogue);
    assert.equal(await page.evaluate(() => Object.values(ZYMClient).every(f => typeof f === 'function')), true);
  });

  test('direct answers before any login', async () => {
    const r = await page.evaluate(() => ({
      accessId: ZYMClient.getAccessID(),
      host: ZYMClient.getCurrentHost(),
      location: ZYMClient.getCurrentLocation(),
      config: ZYMClient.configInfo(),
      uiPath: ZYMClient.getUIPath(),
      language: ZYMClient.gGetLanguage(),
      disposition: ZYMClient.getDefaultContentDisposition(),
      trans: ZYMClient.getTransInfo(),
      errorLog: ZYMClient.getErrorLog(),
      loadFinish: typeof ZYMClient.loadFinish(),
      device: [ZYMClient.getDeviceEncoding(), ZYMClient.getDeviceEncoding()],
    }));
    assert.equal(r.accessId, '""');
    assert.equal(r.host, '');
    assert.equal(r.location, '');
    // config.json is read from the program's own UI folder, with its line breaks removed.
    const shipped = fs.readFileSync(path.join(path.dirname(program), 'UI', 'config.json'), 'utf8');
    assert.equal(r.config, shipped.replace(/[\r\n]/g, ''));
    // The build adds the program's version to it: the settings view shows it from there.
    const cmake = fs.readFileSync(path.resolve(here, '../../CMakeLists.txt'), 'utf8');
    assert.equal(JSON.parse(r.config).version, /project\(ZYMClient VERSION ([0-9.]+)/.exec(cmake)[1]);
    assert.equal(JSON.parse(r.uiPath), testUiFolder);
    assert.deepEqual(JSON.parse(r.language), {type: 2});
    assert.deepEqual(JSON.parse(r.disposition), {default: 0});
    assert.deepEqual(Object.keys(JSON.parse(r.trans)).sort(),
                     ['download_peer_max', 'download_task_max', 'upload_peer_max', 'upload_task_max']);
    assert.ok(Array.isArray(JSON.parse(r.errorLog).list));
    assert.equal(r.loadFinish, 'undefined');
    assert.match(r.device[0], /^"[0-9a-f]{40}"$/);
    assert.equal(r.device[1], r.device[0]);
  });

  test('showLaunchpad does nothing before login', async () => {
    assert.equal(await page.evaluate(() => String(ZYMClient.showLaunchpad())), 'undefined');
    // A later call's answer proves the first was handled before it.
    await page.evaluate(() => ZYMClient.getAccessID());
    assert.equal(app.browser.targets().filter(t => t.url().includes('launchpad.html')).length, 0);
  });

  test('a pop-up of a UI page gets ZYMClient and closeWnd closes its window', async () => {
    const popupTarget = app.browser.waitForTarget(t => t.url().endsWith('/frame.html'));
    await page.evaluate(() => { window.popup = window.open('frame.html'); });
    const popup = await (await popupTarget).page();
    await popup.waitForFunction(() => document.readyState === 'complete');
    assert.equal(await popup.evaluate(() => typeof ZYMClient.closeWnd), 'function');
    const gone = new Promise(resolve => app.browser.on('targetdestroyed', t => {
      if (t.url().endsWith('/frame.html')) resolve();
    }));
    // Called after this evaluation has answered, since the window goes away with it.
    await popup.evaluate(() => { setTimeout(() => ZYMClient.closeWnd(), 0); });
    await gone;
    await page.waitForFunction(() => window.popup.closed);
  });

  test('settings changed by one call are seen by the next', async () => {
    const r = await page.evaluate(() => {
      ZYMClient.setDefaultContentDisposition('{"default":1}');
      ZYMClient.setTransInfo('{"download_task_max":7,"upload_peer_max":0}');
      return [ZYMClient.getDefaultContentDisposition(), ZYMClient.getTransInfo()];
    });
    assert.deepEqual(JSON.parse(r[0]), {default: 1});
    assert.equal(JSON.parse(r[1]).download_task_max, 7);
    assert.notEqual(JSON.parse(r[1]).upload_peer_max, 0);
  });

  test('changeHost strips a quoted word and adds the service domain', async () => {
    const r = await page.evaluate(() => [
      ZYMClient.changeHost('"cn-east-1"'), ZYMClient.changeHost('ab'), ZYMClient.changeHost('"é"'),
      ZYMClient.changeHost()]);
    assert.deepEqual(r, [`"cn-east-1${domain}"`, `"ab${domain}"`, `"é${domain}"`, null]);
  });

  test('calling conventions: missing or wrong arguments do nothing and throw nothing', async () => {
    const r = await page.evaluate(() => {
      const out = {};
      const fn = () => { window.calls.push('unexpected'); };
      out.addFileNone = String(ZYMClient.addFile());
      out.addFileNumber = String(ZYMClient.addFile(5, fn));
      out.signatureNone = String(ZYMClient.getSignature());
      out.signatureObject = String(ZYMClient.getSignature({verb: 'GET'}));
      out.saveFileDlgNone = String(ZYMClient.saveFileDlg());
      out.saveFileDlgTwo = String(ZYMClient.saveFileDlg(fn, fn));
      out.authorizationNone = String(ZYMClient.showAuthorizationDlg());
      out.startUpload = String(ZYMClient.startUpload());
      out.unknown = typeof ZYMClient.notAFunction;
      out.ramNone = ZYMClient.getRamSignature();
      return out;
    });
    assert.deepEqual(r, {
      addFileNone: 'undefined', addFileNumber: 'undefined', signatureNone: 'undefined',
      signatureObject: 'undefined', saveFileDlgNone: 'undefined', saveFileDlgTwo: 'undefined',
      authorizationNone: 'undefined', startUpload: 'undefined', unknown: 'undefined',
      // getRamSignature answers even without arguments: "" method, "" parameters (not JSON)
      ramNone: '""',
    });
    assert.deepEqual(await page.evaluate(() => window.calls), []);
  });

  test('ordinary prompt() returns at once and a forged bridge message is refused', async () => {
    const r = await page.evaluate(() => [
      prompt('question', 'default'),
      prompt('zym-bridge:00000000', JSON.stringify({f: 'getAccessID', a: [], t: ''}))]);
    assert.deepEqual(r, [null, null]);
  });

  test('getSignature and getRamSignature match independently computed signatures', async () => {
    const cases = [
      {verb: 'GET', expires: 1449600000, canonicalized_resource: '/bucket/a b+c%/é'},
      {verb: 'PUT', content_md5: 'md5==', content_type: 'text/plain', canonicalized_resource: '/b/k',
       canonicalized_zym_headers: {'X-Zym-Copy-Source-Range': 'bytes=0-9', 'x-zym-copy-source': '/s/k',
                                   'x-zym-empty': '', 'x-zym-number': 5}},
      {verb: 'DELETE', expires: 12.9, canonicalized_resource: '/bucket/'},
      {},
    ];
    const rpc = [
      ['GET', {Action: 'ListUsers', Version: '2015-05-01', Name: '', '': 'dropped', Space: 'a b*~'}],
      ['POST', {b: '2', a: '1', A: 'upper', 'ü': 'x', Number: 5}],
    ];
    const ask = () => page.evaluate((cases, rpc) => ({
      expiring: cases.map(c => ZYMClient.getSignature(JSON.stringify(c))),
      rpc: rpc.map(([m, p]) => ZYMClient.getRamSignature(m, JSON.stringify(p))),
      broken: ZYMClient.getSignature('{not json'),
      brokenRpc: ZYMClient.getRamSignature('GET', 'not json'),
    }), cases, rpc);

    for (const keys of [{id: '', secret: ''}, {id: 'AKID-test', secret: 'secret/key+é'}]) {
      if (keys.id) {
        const reply = await login(page, {keyid: keys.id, keysecret: keys.secret, location: 'cn-east-1'});
        assert.deepEqual(JSON.parse(reply), {error: 0, message: ''});
      }
      const r = await ask();
      assert.deepEqual(r.expiring, cases.map(c => `"${expiringSignature(c, keys.secret)}"`), `keys ${keys.id}`);
      assert.deepEqual(r.rpc, rpc.map(([m, p]) => `"${rpcSignature(m, p, keys.secret)}"`), `keys ${keys.id}`);
      assert.equal(r.broken, '""');
      assert.equal(r.brokenRpc, '""');
    }
    const session = await page.evaluate(() => [ZYMClient.getAccessID(), ZYMClient.getCurrentLocation()]);
    assert.deepEqual(session, ['"AKID-test"', '"cn-east-1"']);
    // Logged in, the launchpad shows on request and its page has the bridge and the callback.
    await page.evaluate(() => ZYMClient.showLaunchpad());
    const launchpad = await app.page('launchpad.html');
    assert.deepEqual(await launchpad.evaluate(() => [typeof zymClientCallback, ZYMClient.getAccessID()]),
                     ['function', '"AKID-test"']);
  });

  test('two quick identical calls are each answered once', async () => {
    const counts = await page.evaluate(() => new Promise(resolve => {
      const seen = {first: 0, second: 0};
      const args = JSON.stringify({keyid: 'same', keysecret: 's', location: 'l'});
      let pending = 2;
      const done = () => {
        if (--pending === 0) {
          // One more round trip: a second, late answer to either call would arrive before it.
          ZYMClient.loginByKey(args, () => resolve(seen));
        }
      };
      ZYMClient.loginByKey(args, () => { seen.first++; done(); });
      ZYMClient.loginByKey(args, () => { seen.second++; done(); });
    }));
    assert.deepEqual(counts, {first: 1, second: 1});
  });

  test('a callback that is not a function gets nothing, but the work is done', async () => {
    await page.evaluate(() => ZYMClient.loginByKey(JSON.stringify({keyid: 'not-a-function'}), 42));
    await page.waitForFunction(() => ZYMClient.getAccessID() === '"not-a-function"');
    // Without a callback at all the login also runs; its result is dropped.
    await page.evaluate(() => ZYMClient.loginByKey(JSON.stringify({keyid: 'no-callback'})));
    await page.waitForFunction(() => ZYMClient.getAccessID() === '"no-callback"');
  });

  test('an answer whose document has gone is dropped', async () => {
    const answers = await page.evaluate(() => new Promise((resolve, reject) => {
      window.frameAnswers = [];
      const frame = document.createElement('iframe');
      frame.src = 'frame.html';
      frame.onload = () => {
        // The call is made, then its document is replaced at once by a new one of the same
        // page: the answer must reach neither.
        frame.contentWindow.callOnce('gone');
        frame.remove();
        const again = document.createElement('iframe');
        again.src = 'frame.html';
        again.onload = () => {
          again.contentWindow.callOnce('live');
          const wait = () => {
            if (window.frameAnswers.some(a => a[1] === 'live')) {
              // A last round trip from the top page, so any late answer has arrived too.
              ZYMClient.loginByKey('{"keyid":"after"}', () => resolve(window.frameAnswers));
            } else {
              setTimeout(wait, 20);
            }
          };
          wait();
        };
        document.body.appendChild(again);
      };
      frame.onerror = reject;
      document.body.appendChild(frame);
    }));
    assert.deepEqual(answers.map(a => a[1]), ['live']);
    assert.deepEqual(JSON.parse(answers[0][2]), {error: 0, message: ''});
  });

  test('the space key does not scroll the page but types in a text field', async () => {
    await page.evaluate(() => { window.scrollTo(0, 0); document.activeElement?.blur(); });
    await page.keyboard.press('Space');
    await page.keyboard.press('Space');
    assert.equal(await page.evaluate(() => window.scrollY), 0);
    await page.focus('#text');
    await page.keyboard.type('a b');
    assert.equal(await page.evaluate(() => document.getElementById('text').value), 'a b');
  });

  test('a page outside the UI folder gets no ZYMClient and cannot reach the bridge', async () => {
    const other = await app.browser.newPage().catch(() => null);
    const target = other ?? page;
    try {
      await target.goto(outsideUrl);
      const r = await target.evaluate(() => [typeof window.ZYMClient, typeof window.__zymDeliver,
                                              prompt('zym-bridge:0', '{"f":"getAccessID","a":[],"t":""}')]);
      assert.deepEqual(r, ['undefined', 'undefined', null]);
      await target.goto('data:text/html,<p>data page</p>');
      assert.equal(await target.evaluate(() => typeof window.ZYMClient), 'undefined');
    } finally {
      if (other) await other.close().catch(() => {});
      else await page.goto(loginUrl);
    }
    // A UI page loaded again has the object back.
    const back = await app.page('login.html');
    assert.equal(await back.evaluate(() => typeof ZYMClient.getAccessID), 'function');
  });
});

// A local page outside the UI folder, framed or opened by a UI page, shares the UI pages' origin.
// It takes the real per-run key out of the UI document and calls the bridge with it; none of
// that may work, because such a page is not loaded there at all.
describe('a local page outside the UI folder next to a UI page', () => {
  const hostileUrl = pathToFileURL(path.join(here, 'outside', 'hostile.html')).href;
  let app;
  let page;
  before(async () => {
    app = await startProgram();
    page = await app.page('login.html');
  });
  after(async () => { await app?.stop(); });

  // Waits until a UI document started after the hostile one has loaded and answered a call, so a
  // hostile document that was going to load has done so (file loads finish in order of start).
  const settle = (how) => page.evaluate(async (how) => {
    await new Promise(resolve => {
      if (how === 'frame') {
        const f = document.createElement('iframe');
        f.src = 'frame.html';
        f.onload = resolve;
        document.body.appendChild(f);
      } else {
        const w = window.open('frame.html');
        const wait = () => (w.document && w.document.readyState === 'complete' && w.callOnce) ? resolve() : setTimeout(wait, 20);
        wait();
      }
    });
    await new Promise(resolve => ZYMClient.loginByKey('{"keyid":"settle"}', resolve));
    return window.hostileResult ?? null;
  }, how);

  test('framed: it is not loaded, so it gets neither ZYMClient nor the key', async () => {
    await page.evaluate(url => {
      window.hostileResult = undefined;
      const f = document.createElement('iframe');
      f.src = url;
      document.body.appendChild(f);
    }, hostileUrl);
    assert.equal(await settle('frame'), null);
    assert.equal(page.frames().some(f => f.url() === hostileUrl), false);
  });

  test('opened: it is not loaded, so it gets neither ZYMClient nor the key', async () => {
    await page.evaluate(url => {
      window.hostileResult = undefined;
      window.open(url);
    }, hostileUrl);
    assert.equal(await settle('window'), null);
    const targets = app.browser.targets().map(t => t.url());
    assert.equal(targets.includes(hostileUrl), false, targets.join(' '));
  });
});
