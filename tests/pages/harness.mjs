// Starts the real zymclient offscreen with its own HOME and settings, and connects
// puppeteer-core to it over the remote debugging port.
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import puppeteer from 'puppeteer-core';

export const here = path.dirname(fileURLToPath(import.meta.url));
export const program = process.env.ZYM_PROGRAM ||
    path.resolve(here, '../../build/bin/zymclient');
export const testUiFolder = path.join(here, 'ui');

export function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.unref();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const {port} = server.address();
      server.close(() => resolve(port));
    });
  });
}

// A settings file in the program's registry-export form.
export function settingsText(values) {
  const lines = ['Windows Registry Editor Version 5.00', '', '[HKEY_CURRENT_USER\\Software\\ZymClient]'];
  for (const [name, value] of Object.entries(values)) {
    if (typeof value === 'number') {
      lines.push(`"${name}"=dword:${value.toString(16).padStart(8, '0')}`);
    } else {
      lines.push(`"${name}"="${value.replace(/\\/g, '\\\\').replace(/"/g, '\\"')}"`);
    }
  }
  return lines.join('\r\n') + '\r\n';
}

export function programEnv(home, port) {
  return {
    ...process.env,
    HOME: home,
    XDG_CONFIG_HOME: path.join(home, '.config'),
    XDG_DATA_HOME: path.join(home, '.local/share'),
    XDG_RUNTIME_DIR: home,
    QT_QPA_PLATFORM: 'offscreen',
    ZYM_REMOTE_DEBUGGING_PORT: String(port),
  };
}

export async function waitForBrowser(url, child) {
  // The program is ready when its debugging endpoint answers; it may also have died (of a
  // signal too, which leaves exitCode null).
  for (;;) {
    if (child.exitCode !== null || child.signalCode !== null)
      throw new Error(`zymclient ended with ${child.exitCode ?? child.signalCode}`);
    try {
      const r = await fetch(url + '/json/version');
      if (r.ok) return;
    } catch {}
    await new Promise(r => setTimeout(r, 100));
  }
}

// Starts the program; settings are merged over UIPath = the test pages.
// extraEnv replaces parts of the environment (a real DISPLAY and QT_QPA_PLATFORM for pictures).
// keepHome: a home folder kept from an earlier run (stop({keepHome: true})), to start again on it.
// prepare(home): called after the settings file is written and before the program starts (to
// damage files). programPath: another copy of the program (a private install folder).
export async function startProgram(settings = {}, extraEnv = {}, {keepHome, prepare, programPath} = {}) {
  const home = keepHome || fs.mkdtempSync(path.join(os.tmpdir(), 'zym-pages-'));
  const config = path.join(home, '.config', 'ZymClient');
  fs.mkdirSync(config, {recursive: true});
  fs.writeFileSync(path.join(config, 'settings.reg'),
                   settingsText({UIPath: testUiFolder, Language: 2, ...settings}));
  if (prepare) prepare(home);
  const port = await freePort();
  const env = {...programEnv(home, port), ...extraEnv};
  const child = spawn(programPath || program, [], {env, stdio: ['ignore', 'ignore', 'pipe']});
  let stderr = '';
  child.stderr.on('data', d => { stderr += d; });
  const browserURL = `http://127.0.0.1:${port}`;
  await waitForBrowser(browserURL, child);
  const browser = await puppeteer.connect({browserURL, defaultViewport: null});
  return {
    home, port, env, child, browser,
    stderr: () => stderr,
    async page(urlPart) {
      const target = await browser.waitForTarget(t => t.type() === 'page' && t.url().includes(urlPart));
      const page = await target.page();
      await page.waitForFunction(() => document.readyState === 'complete');
      return page;
    },
    async stop({keepHome = false} = {}) {
      try { browser.disconnect(); } catch {}
      if (child.exitCode === null) {
        const ended = new Promise(r => child.once('exit', r));
        child.kill('SIGTERM');
        await ended;
      }
      if (!keepHome) fs.rmSync(home, {recursive: true, force: true});
    },
  };
}

// The shipped pages (UI/ of the source tree), for tests of the screens themselves.
export const shippedUiFolder = path.resolve(here, '../../UI');

// Starts the program on the shipped pages against a service and logs in through the log-in
// window with the given keys; answers the program and the launchpad page.
export async function startLoggedIn(service, {keys = {id: 'demo-key-id', secret: 'demo-key-secret'},
                                              location = 'cn-east', settings = {}, env = {}} = {}) {
  const app = await startProgram({UIPath: shippedUiFolder, ServiceDomain: service.domain, ...settings}, env);
  const login = await app.page('login.html');
  await login.waitForSelector('body[data-ready=true]');
  await logInThroughPage(login, keys, location);
  const launchpad = await app.page('launchpad.html');
  await launchpad.waitForSelector('body[data-ready=true]');
  return {app, launchpad};
}

export async function logInThroughPage(login, keys, location) {
  await login.$eval('#keyid', (e, v) => { e.value = v; }, keys.id);
  await login.$eval('#keysecret', (e, v) => { e.value = v; }, keys.secret);
  await login.$eval('#location', (e, v) => { e.value = v; }, location);
  await login.click('#login-button');
}
