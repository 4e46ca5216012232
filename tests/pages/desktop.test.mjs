// Desktop functions in the real program: the selection and folder dialogs (driven through the
// test-control socket), the clipboard as a file manager fills it, dragged files, addresses and
// the log folder (a recording opener stands in for the desktop), callback rules before login.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import {control, waitFor} from './control.mjs';
import {startProgram} from './harness.mjs';

// The program's settings file as it stands now (the program rewrites it).
function settingValue(home, name) {
  const text = fs.readFileSync(path.join(home, '.config', 'ZymClient', 'settings.reg'), 'utf8');
  const m = text.match(new RegExp(`^"${name}"="((?:[^"\\\\]|\\\\.)*)"`, 'm'));
  return m ? m[1].replace(/\\(.)/g, '$1') : undefined;
}

describe('desktop functions', () => {
  let app;
  let page;
  let files;       // a folder to choose from
  let saveTarget;  // a folder for the download folder dialog
  let socket;
  let openerRecord;

  before(async () => {
    files = fs.mkdtempSync(path.join(os.tmpdir(), 'zym-select-'));
    fs.mkdirSync(path.join(files, 'sub'));
    for (const name of ['b.txt', 'a.txt', 'c "q".txt']) fs.writeFileSync(path.join(files, name), name);
    saveTarget = fs.mkdtempSync(path.join(os.tmpdir(), 'zym-save-'));
    const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'zym-ctl-'));
    socket = path.join(scratch, 'control');
    openerRecord = path.join(scratch, 'opened.txt');
    app = await startProgram({UploadPath: files, SavePath: os.tmpdir()},
                             {ZYM_TEST_CONTROL: socket, ZYM_TEST_OPENER: openerRecord});
    page = await app.page('login.html');
  });
  after(async () => {
    await app?.stop();
    for (const d of [files, saveTarget, path.dirname(socket)]) fs.rmSync(d, {recursive: true, force: true});
  });

  const dialogShowing = kind => waitFor(socket, {do: 'dialog'}, a => a.kind === kind && a.names?.length !== 0);
  const openSelect = () => page.evaluate(() => {
    window.selectAnswer = new Promise(resolve => ZYMClient.selectFileDlg('{}', resolve));
  });
  const selectAnswer = () => page.evaluate(() => window.selectAnswer);

  test('several files and a folder chosen at once answer in view order and move UploadPath', async () => {
    await openSelect();
    const dialog = await waitFor(socket, {do: 'dialog'}, a => a.kind === 'select' && a.names.length === 4);
    assert.equal(dialog.title, 'Choose files or folders to upload');
    assert.equal(dialog.ok, 'Upload');
    assert.equal(dialog.folder, files);
    // Folders first, then files by name.
    assert.deepEqual(dialog.names, ['sub', 'a.txt', 'b.txt', 'c "q".txt']);
    assert.deepEqual(await control(socket, {do: 'dialog-select', names: ['c "q".txt', 'sub', 'a.txt']}), {ok: true});
    await control(socket, {do: 'dialog-accept'});
    const answer = JSON.parse(await selectAnswer());
    assert.deepEqual(answer, {list: ['sub', 'a.txt', 'c "q".txt'].map(n => ({path: path.join(files, n)}))});
    assert.equal(settingValue(app.home, 'UploadPath'), files);
  });

  test('cancel answers {} and OK with nothing chosen an empty list; UploadPath stays', async () => {
    fs.writeFileSync(path.join(files, 'sub', 'inner.txt'), 'x');
    await openSelect();
    await dialogShowing('select');
    await control(socket, {do: 'dialog-cancel'});
    assert.equal(await selectAnswer(), '{}');

    await openSelect();
    await dialogShowing('select');
    // Keyboard: a typed folder path ending in "/" and Enter opens that folder.
    await control(socket, {do: 'dialog-type', text: 'sub/', enter: true});
    const inside = await waitFor(socket, {do: 'dialog'}, a => a.folder === path.join(files, 'sub') && a.names.length === 1);
    assert.deepEqual(inside.names, ['inner.txt']);
    await control(socket, {do: 'dialog-accept'});
    assert.deepEqual(JSON.parse(await selectAnswer()), {list: []});
    assert.equal(settingValue(app.home, 'UploadPath'), files);
  });

  test('a typed name other than the selection is chosen alone; Enter takes it', async () => {
    await openSelect();
    await dialogShowing('select');
    await control(socket, {do: 'dialog-select', names: ['a.txt']});
    await control(socket, {do: 'dialog-type', text: 'sub/inner.txt', enter: true});
    assert.deepEqual(JSON.parse(await selectAnswer()), {list: [{path: path.join(files, 'sub', 'inner.txt')}]});
    assert.equal(settingValue(app.home, 'UploadPath'), path.join(files, 'sub'));
  });

  test('the folder dialog answers the folder with a trailing "/" and stores it; cancel answers no path', async () => {
    const open = () => page.evaluate(() => {
      window.folderAnswer = new Promise(resolve => ZYMClient.saveFileDlg(resolve));
    });
    await open();
    const dialog = await waitFor(socket, {do: 'dialog'}, a => a.kind === 'folder');
    assert.equal(dialog.title, 'Choose the folder to save the downloads in');
    assert.equal(dialog.folder, os.tmpdir());
    await control(socket, {do: 'dialog-type', text: saveTarget});
    await control(socket, {do: 'dialog-accept'});
    assert.deepEqual(JSON.parse(await page.evaluate(() => window.folderAnswer)), {path: saveTarget + '/'});
    assert.equal(settingValue(app.home, 'SavePath'), saveTarget + '/');

    await open();
    const again = await waitFor(socket, {do: 'dialog'}, a => a.kind === 'folder');
    assert.equal(again.folder, saveTarget);
    await control(socket, {do: 'dialog-cancel'});
    assert.equal(await page.evaluate(() => window.folderAnswer), '{"path":""}');
    assert.equal(settingValue(app.home, 'SavePath'), saveTarget + '/');
  });

  test('a folder path too long for the setting is answered but not stored', async () => {
    const deep = path.join(saveTarget, 'x'.repeat(100), 'y'.repeat(100), 'z'.repeat(60));
    fs.mkdirSync(deep, {recursive: true});
    const before = settingValue(app.home, 'SavePath');
    await page.evaluate(() => {
      window.folderAnswer = new Promise(resolve => ZYMClient.saveFileDlg(resolve));
    });
    await waitFor(socket, {do: 'dialog'}, a => a.kind === 'folder');
    await control(socket, {do: 'dialog-type', text: deep});
    await control(socket, {do: 'dialog-accept'});
    assert.deepEqual(JSON.parse(await page.evaluate(() => window.folderAnswer)), {path: deep + '/'});
    assert.equal(settingValue(app.home, 'SavePath'), before);
  });

  test('clipboard: text goes on without its quotes and is never read back; files are', async () => {
    assert.equal(await page.evaluate(() => String(ZYMClient.setClipboardData('"hello wörld"'))), 'undefined');
    const clip = await control(socket, {do: 'clipboard-text'});
    assert.equal(clip.text, 'hello wörld');
    assert.equal(await page.evaluate(() => ZYMClient.getClipboardData()), '{}');

    const copied = [path.join(files, 'a.txt'), path.join(files, 'sub')];
    await control(socket, {do: 'clipboard-files', paths: copied});
    const answer = await page.evaluate(() => ZYMClient.getClipboardData());
    assert.deepEqual(JSON.parse(answer), {list: copied.map(p => ({path: p}))});
    // Slashes are escaped as every path the pages get.
    assert.ok(answer.includes(copied[0].replace(/\//g, '\\/')));
  });

  test('a drag of two files into a view is answered by getDragFiles, local files only', async () => {
    assert.deepEqual(JSON.parse(await page.evaluate(() => ZYMClient.getDragFiles())), {list: []});
    const dragged = [path.join(files, 'b.txt'), path.join(files, 'c "q".txt')];
    assert.deepEqual(await control(socket, {do: 'drag', paths: [...dragged, 'http://example.com/x']}), {ok: true});
    assert.deepEqual(JSON.parse(await page.evaluate(() => ZYMClient.getDragFiles())),
                     {list: dragged.map(p => ({path: p}))});
  });

  test('openUrl opens web and mail addresses only; openLogFolder opens the log folder', async () => {
    await page.evaluate(() => {
      ZYMClient.openUrl('{"url":"http://example.com/a?b=1"}');
      ZYMClient.openUrl('{"url":"file:///etc/passwd"}');
      ZYMClient.openUrl('{"url":"/usr/bin/xterm"}');
      ZYMClient.openUrl('{"url":"javascript:alert(1)"}');
      ZYMClient.openUrl('not json');
      ZYMClient.openUrl('{"url":"mailto:someone@example.com"}');
      ZYMClient.openLogFolder();
    });
    const opened = fs.readFileSync(openerRecord, 'utf8').trim().split('\n');
    const logFolder = path.join(app.home, '.local/share/ZYMClient/log');
    assert.deepEqual(opened, ['http://example.com/a?b=1', 'mailto:someone@example.com', `file://${logFolder}`]);
    const errors = JSON.parse(await page.evaluate(() => ZYMClient.getErrorLog())).list.map(e => e.msg).join('\n');
    for (const refused of ['file:///etc/passwd', '/usr/bin/xterm', 'javascript:alert(1)'])
      assert.ok(errors.includes(`[openUrl][${refused}][refused`), `${refused} is logged: ${errors}`);
  });

  test('callback rules before any login: nothing stored, the reader answers the unbuilt error', async () => {
    const r = await page.evaluate(() => {
      ZYMClient.setCallFunctionInfo('{"bucket":"b","regular":"x","url":"http://cb/","status":1,"num":2}');
      return ZYMClient.getCallFunctionInfo('{"bucket":"b"}');
    });
    assert.deepEqual(JSON.parse(r), {error: 501, message: 'This function is not available in this version'});
    const errors = JSON.parse(await page.evaluate(() => ZYMClient.getErrorLog())).list.map(e => e.msg).join('\n');
    assert.match(errors, /\[setCallFunctionInfo\]\[b\]\[no transfer queue is open\]/);
  });
});
