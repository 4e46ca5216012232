// Walks the screens of the real program on the display named by DISPLAY and saves the whole
// screen after each step (scripts/screenshots.sh sets everything up).
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import {logInThroughPage, shippedUiFolder, startProgram} from '../tests/pages/harness.mjs';
import {startService} from '../tests/pages/zym_service.mjs';

const out = process.argv[2];
const display = process.env.DISPLAY;
const pause = ms => new Promise(r => setTimeout(r, ms));
const kFinished = 4;
const kFailed = 5;
const shot = async name => {
  await pause(600); // the frame and the view paint after the page has settled
  execFileSync('import', ['-display', display, '-window', 'root', path.join(out, `${name}.png`)]);
  console.log(`screenshots: ${name}.png`);
};

// Asks a ZYMClient function that answers through a callback.
const call = (page, name, arg) => page.evaluate((n, a) => new Promise(resolve => ZYMClient[n](a, resolve)),
                                                name, JSON.stringify(arg));
const rows = async (page, get) => JSON.parse(await page.evaluate(g => ZYMClient[g]('{"count":-1}'), get)).list;
async function waitForRows(page, get, what, check) {
  const end = Date.now() + 120000;
  for (;;) {
    if (check(await rows(page, get))) return;
    if (Date.now() > end) throw new Error(`screenshots: timed out waiting for ${what}`);
    await pause(250);
  }
}
const queued = answer => {
  const reply = JSON.parse(answer);
  if (reply.error !== 0) throw new Error(`screenshots: queueing refused: ${answer}`);
};
const rowOf = (list, name) => list.find(r => r.object === name);
const filled = (size, seed) => Buffer.alloc(size, seed);

// Downloads land under a short, fixed folder: the list shows the whole local path.
const demoFolder = path.join(os.tmpdir(), 'zym-demo');
const service = await startService();
await service.createBucket('media');
await service.createBucket('backups');
await service.createBucket('site-assets', 'cn-north');
const files = {
  'photos/2026/beach.jpg': 2_400_000, 'photos/2026/harbour.jpg': 1_900_000, 'photos/2025/snow.jpg': 3_100_000,
  'reports/q3-summary.pdf': 840_000, 'reports/q4-draft.docx': 120_000, 'notes.txt': 2_048, 'readme.md': 5_120,
  'archive.zip': 7_340_000,
};
for (const [key, size] of Object.entries(files)) {
  await service.signed({method: 'PUT', bucket: 'media', key, body: 'x'.repeat(size)});
}

const env = {QT_QPA_PLATFORM: 'xcb', QTWEBENGINE_CHROMIUM_FLAGS: '--disable-gpu', QT_QUICK_BACKEND: 'software'};
const app = await startProgram({UIPath: shippedUiFolder, ServiceDomain: service.domain}, env);
try {
  const login = await app.page('login.html');
  await login.waitForSelector('body[data-ready=true]');
  await login.$eval('#keyid', e => { e.value = 'demo-key-id'; });
  await login.$eval('#location', e => { e.value = 'cn-east'; });
  await shot('login');
  await logInThroughPage(login, {id: 'demo-key-id', secret: 'wrong-secret'}, 'cn-east');
  await login.waitForFunction(() => document.querySelector('#keys-message').textContent !== '');
  await shot('login-refused');
  await logInThroughPage(login, {id: 'demo-key-id', secret: 'demo-key-secret'}, 'cn-east');

  const page = await app.page('launchpad.html');
  await page.waitForSelector('body[data-ready=true]');
  await page.waitForSelector('#bucket-list .vlist-row');
  await page.evaluate(() => [...document.querySelectorAll('#bucket-list .vlist-row')]
      .find(r => r.querySelector('.label').textContent === 'media').click());
  await page.waitForSelector('#object-status[data-complete=true]');
  await page.focus('#object-list');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('ArrowDown');
  await shot('browser');
  await page.keyboard.press('Home');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.querySelector('#crumbs [aria-current]')?.textContent === 'photos');
  await page.waitForSelector('#object-status[data-complete=true]');
  await page.keyboard.press('ArrowDown'); // 2025, 2026
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.querySelector('#crumbs [aria-current]')?.textContent === '2026');
  await page.waitForSelector('#object-status[data-complete=true]');
  await page.keyboard.press('Home');
  await page.click('#share');
  await page.waitForSelector('#dialog[open]');
  await page.click('#dialog-ok');
  await page.waitForFunction(() => document.querySelector('#dialog-field-0')?.tagName === 'TEXTAREA');
  await shot('share-link');
  await page.click('#dialog-cancel');

  // Transfers in every state, queued through the program's own functions: finished ones, one
  // held back by a slow service (running), a stopped one, one that fails.
  const local = path.join(app.home, 'Pictures');
  fs.mkdirSync(path.join(local, 'holiday'), {recursive: true});
  for (const [name, size] of [['holiday/beach-day.jpg', 420_000], ['holiday/harbour-night.jpg', 310_000],
                              ['holiday/old-town.jpg', 530_000]]) {
    fs.writeFileSync(path.join(local, name), filled(size, 7));
  }
  // Every part of the big file crawls, so its bar stands part-way while the picture is taken.
  fs.writeFileSync(path.join(local, 'family-video.mp4'), filled(60_000_000, 3));
  fs.writeFileSync(path.join(local, 'camera-backup.tar'), filled(11_000_000, 9));
  // Parts of 5 MiB: two parts of this one go through, the others crawl until it is stopped.
  fs.writeFileSync(path.join(local, 'slides.pdf'), filled(22_000_000, 5));
  await service.control('POST', '/_control/faults', {method: 'PUT', bucket: 'media', key: 'family-video.mp4',
                                                     throttle_bps: 100_000});
  await service.control('POST', '/_control/faults', {method: 'PUT', bucket: 'media', key: 'slides.pdf',
                                                     query: 'partNumber=', skip: 2, throttle_bps: 20_000});
  const upload = (bucket, name) => call(page, 'addFile',
      {location: 'cn-east', bucket, prefix: 'uploads/', list: [{path: path.join(local, name)}]});
  queued(await upload('media', 'holiday'));
  await waitForRows(page, 'getUpload', 'the finished uploads',
                    list => list.filter(r => r.status === kFinished && !r.object.endsWith('/')).length === 3);
  // A bucket that is not there: the service's own reason is shown on the row.
  queued(await upload('old-backups', 'camera-backup.tar'));
  await waitForRows(page, 'getUpload', 'the failed upload',
                    list => rowOf(list, 'uploads/camera-backup.tar')?.status === kFailed);
  queued(await upload('media', 'slides.pdf'));
  await waitForRows(page, 'getUpload', 'two parts of the upload to stop', list =>
    rowOf(list, 'uploads/slides.pdf')?.status === 1 && rowOf(list, 'uploads/slides.pdf').offset >= 10_485_760);
  await pause(4000); // the parts that went through are confirmed
  queued(await call(page, 'stopUpload', {list: [{bucket: 'media', object: 'uploads/slides.pdf'}]}));
  await waitForRows(page, 'getUpload', 'the stopped upload', list => rowOf(list, 'uploads/slides.pdf')?.status === 3);
  queued(await upload('media', 'family-video.mp4'));
  await waitForRows(page, 'getUpload', 'the big upload under way', list => list.some(r => r.status === 1));

  fs.rmSync(demoFolder, {recursive: true, force: true});
  const downloads = path.join(demoFolder, 'Downloads');
  fs.mkdirSync(downloads, {recursive: true});
  await service.control('POST', '/_control/faults', {method: 'GET', bucket: 'media', key: 'archive.zip',
                                                     throttle_bps: 250_000});
  const save = list => call(page, 'saveFile', {path: downloads, list: list.map(([object, filesize]) =>
      ({location: 'cn-east', bucket: 'media', object, filesize}))});
  queued(await save([['reports/q3-summary.pdf', files['reports/q3-summary.pdf']], ['notes.txt', files['notes.txt']]]));
  await waitForRows(page, 'getDownload', 'the finished downloads', list => list.every(r => r.status === kFinished));
  // An object someone else removed after the list was read.
  queued(await save([['reports/q2-final.pdf', 960_000]]));
  await waitForRows(page, 'getDownload', 'the failed download', list => list.some(r => r.status === kFailed));
  queued(await save([['archive.zip', files['archive.zip']]]));
  await waitForRows(page, 'getDownload', 'the slow download under way', list => list.some(r => r.status === 1));

  await page.click('#tab-transfers');
  await pause(6000); // a few periodic reports: live figures and the speed graph
  await shot('transfers');
  await page.click('#tab-downloads');
  await pause(6000);
  await shot('transfers-downloads');
  await call(page, 'stopUpload', {all: 1});
  await call(page, 'stopDownload', {all: 1});
  await page.click('#tab-settings');
  await shot('settings');
  await page.select('#language', '1');
  await page.waitForFunction(() => document.documentElement.lang === 'zh-CN');
  await page.click('#tab-browser');
  await shot('browser-chs');
  await page.click('#tab-settings');
  await page.select('#language', '2');
} finally {
  fs.rmSync(demoFolder, {recursive: true, force: true});
  await app.stop();
  await service.stop();
}
