// copyObject, deleteObject and deleteBucket through the real program against the local ZYM
// service: the page's calls open the progress dialog, the tasks do the work on the service,
// and the page receives the replies.
import assert from 'node:assert/strict';
import {spawn} from 'node:child_process';
import crypto from 'node:crypto';
import http from 'node:http';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import {here, startProgram} from './harness.mjs';

const tool = path.resolve(here, '../../tools/zym-local-service/zym-local-service');
const keys = {id: 'test-key-id', secret: 'test-key-secret'};

function startService() {
  const child = spawn('python3', [tool, '--port', '0', '--account', `${keys.id}:${keys.secret}`],
                      {stdio: ['ignore', 'pipe', 'ignore']});
  return new Promise((resolve, reject) => {
    let text = '';
    child.stdout.on('data', d => {
      text += d;
      const m = /ready http:\/\/(\S+)/.exec(text);
      if (m) resolve({child, endpoint: m[1], port: Number(m[1].split(':')[1])});
    });
    child.once('exit', code => reject(new Error(`local service ended with ${code}`)));
  });
}

// One signed request ("ZYM id:signature" over verb, type, date and resource).
function signed(service, method, bucket, key = '', body = '') {
  const date = new Date().toUTCString();
  const resource = `/${bucket}/${key}`;
  const signature = crypto.createHmac('sha1', keys.secret)
      .update(`${method}\n\n\n${date}\n${resource}`).digest('base64');
  const headers = {
    Host: `${bucket}.l1.${service.endpoint}`, Date: date, Authorization: `ZYM ${keys.id}:${signature}`,
    'Content-Length': Buffer.byteLength(body),
  };
  const keyPath = key.split('/').map(encodeURIComponent).join('/');
  return new Promise((resolve, reject) => {
    const req = http.request({host: '127.0.0.1', port: service.port, method, path: '/' + keyPath, headers}, res => {
      let data = '';
      res.on('data', d => { data += d; });
      res.on('end', () => resolve({status: res.statusCode, body: data}));
    });
    req.on('error', reject);
    req.end(body);
  });
}

const call = (page, name, argument) => page.evaluate(
    (n, a) => new Promise(resolve => ZYMClient[n](JSON.stringify(a), resolve)), name, argument);

describe('copy and delete from a page', () => {
  let service;
  let app;
  let page;
  const bucket = `pageops-${crypto.randomBytes(4).toString('hex')}`;
  before(async () => {
    service = await startService();
    app = await startProgram({ServiceDomain: '.' + service.endpoint});
    page = await app.page('login.html');
    await call(page, 'loginByKey', {keyid: keys.id, keysecret: keys.secret, location: 'l1'});
    assert.equal((await signed(service, 'PUT', bucket)).status, 200);
    for (const key of ['a/x.txt', 'a/f/', 'a/f/y.txt']) {
      assert.equal((await signed(service, 'PUT', bucket, key, 'v')).status, 200, key);
    }
  });
  after(async () => {
    await app?.stop();
    service?.child.kill('SIGTERM');
  });

  test('copyObject copies an object and a folder and answers {}', async () => {
    const reply = await call(page, 'copyObject', {
      bucket, location: 'l1', dstbucket: bucket, dstlocation: 'l1', dstobject: 'dst/',
      list: [{object: 'a/x.txt', filesize: 1}, {object: 'a/f/', filesize: 0}]});
    assert.equal(reply, '{}');
    for (const key of ['dst/x.txt', 'dst/f/', 'dst/f/y.txt']) {
      assert.equal((await signed(service, 'GET', bucket, key)).status, 200, key);
    }
  });

  test('deleteObject deletes a folder with its contents', async () => {
    assert.equal(await call(page, 'deleteObject', {bucket, location: 'l1', list: [{object: 'dst/'}]}),
                 '{"error":0,"message":""}');
    for (const key of ['dst/x.txt', 'dst/f/', 'dst/f/y.txt']) {
      assert.equal((await signed(service, 'GET', bucket, key)).status, 404, key);
    }
    assert.equal((await signed(service, 'GET', bucket, 'a/x.txt')).status, 200);
  });

  test('deleteBucket refuses a key pair that is not the signed-in one, then deletes the bucket', async () => {
    const wrong = JSON.parse(await call(page, 'deleteBucket',
                                        {keyid: keys.id, keysecret: 'not-it', bucket, location: 'l1'}));
    assert.equal(wrong.error, 4);
    assert.equal((await signed(service, 'GET', bucket, 'a/x.txt')).status, 200);
    assert.equal(await call(page, 'deleteBucket', {keyid: keys.id, keysecret: keys.secret, bucket, location: 'l1'}),
                 '{"error":0,"message":""}');
    assert.equal((await signed(service, 'GET', bucket)).status, 404);
  });
});

describe('the clash question in the real program', () => {
  let service;
  let app;
  let page;
  const bucket = `pageclash-${crypto.randomBytes(4).toString('hex')}`;
  before(async () => {
    service = await startService();
    // The program's own question dialog answers in this order, through its buttons.
    process.env.ZYM_CLASH_ANSWERS = 'keepboth+all,close';
    try {
      app = await startProgram({ServiceDomain: '.' + service.endpoint});
    } finally {
      delete process.env.ZYM_CLASH_ANSWERS;
    }
    page = await app.page('login.html');
    await call(page, 'loginByKey', {keyid: keys.id, keysecret: keys.secret, location: 'l1'});
    assert.equal((await signed(service, 'PUT', bucket)).status, 200);
    for (const key of ['src/x.txt', 'src/y.txt', 'dst/x.txt', 'dst/y.txt', 'dst/x(2).txt']) {
      assert.equal((await signed(service, 'PUT', bucket, key, 'v')).status, 200, key);
    }
  });
  after(async () => {
    await app?.stop();
    service?.child.kill('SIGTERM');
  });

  const copy = list => call(page, 'copyObject', {
    bucket, location: 'l1', dstbucket: bucket, dstlocation: 'l1', dstobject: 'dst/', list});

  test('keep both with "all" asks once and numbers both copies', async () => {
    assert.equal(await copy([{object: 'src/x.txt', filesize: 1}, {object: 'src/y.txt', filesize: 1}]), '{}');
    assert.equal((await signed(service, 'GET', bucket, 'dst/x(3).txt')).status, 200);
    assert.equal((await signed(service, 'GET', bucket, 'dst/y(2).txt')).status, 200);
  });

  test('close at the question copies nothing and answers {}', async () => {
    assert.equal(await copy([{object: 'src/x.txt', filesize: 1}]), '{}');
    assert.equal((await signed(service, 'GET', bucket, 'dst/x(4).txt')).status, 404);
  });
});
