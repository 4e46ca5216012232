// Walks the screens of the real program on the display named by DISPLAY and saves the whole
// screen after each step (scripts/screenshots.sh sets everything up).
import {execFileSync} from 'node:child_process';
import path from 'node:path';

import {logInThroughPage, shippedUiFolder, startProgram} from '../tests/pages/harness.mjs';
import {startService} from '../tests/pages/zym_service.mjs';

const out = process.argv[2];
const display = process.env.DISPLAY;
const pause = ms => new Promise(r => setTimeout(r, ms));
const shot = async name => {
  await pause(600); // the frame and the view paint after the page has settled
  execFileSync('import', ['-display', display, '-window', 'root', path.join(out, `${name}.png`)]);
  console.log(`screenshots: ${name}.png`);
};

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
  await page.click('#tab-transfers');
  await shot('transfers');
  await page.click('#tab-settings');
  await shot('settings');
  await page.select('#language', '1');
  await page.waitForFunction(() => document.documentElement.lang === 'zh-CN');
  await page.click('#tab-browser');
  await shot('browser-chs');
  await page.click('#tab-settings');
  await page.select('#language', '2');
} finally {
  await app.stop();
  await service.stop();
}
