// The local ZYM service for page tests: one instance per test file on a free port, and signed
// requests sent straight to it (objects the test needs, checks of what the pages did).
import {spawn} from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import readline from 'node:readline';

import {here} from './harness.mjs';

export const demo = {id: 'demo-key-id', secret: 'demo-key-secret'};
const serviceProgram = path.resolve(here, '../../tools/zym-local-service/zym-local-service');

export function formEncode(text) {
  let out = '';
  for (const b of Buffer.from(text, 'utf8')) {
    const c = String.fromCharCode(b);
    if (/[A-Za-z0-9\-._~]/.test(c)) out += c;
    else if (b === 0x20) out += '+';
    else out += '%' + b.toString(16).toUpperCase().padStart(2, '0');
  }
  return out;
}

export async function startService(args = []) {
  const child = spawn(serviceProgram, ['--port', '0', ...args], {stdio: ['ignore', 'pipe', 'pipe']});
  let stderr = '';
  child.stderr.on('data', d => { stderr += d; });
  const ready = await new Promise((resolve, reject) => {
    readline.createInterface({input: child.stdout}).once('line', resolve);
    child.once('exit', code => reject(new Error(`service ended with ${code}: ${stderr}`)));
  });
  return serviceAt(ready.replace(/^ready http:\/\//, ''), async () => {
    if (child.exitCode !== null) return;
    const ended = new Promise(r => child.once('exit', r));
    child.kill('SIGTERM');
    await ended;
  });
}

// The service CTest's fixture `zym_service` runs when the test names its endpoint file
// (ZYM_SERVICE_ENDPOINT_FILE); otherwise one of our own. Stopping the fixture's is left to CTest.
export async function fixtureOrOwnService() {
  const file = process.env.ZYM_SERVICE_ENDPOINT_FILE;
  if (!file) return startService();
  return serviceAt(fs.readFileSync(file, 'utf8').trim(), async () => {});
}

// Requests to a running service at `endpoint` (zym.localhost:PORT); `stop` ends it.
export function serviceAt(endpoint, stop) {
  const port = Number(endpoint.split(':')[1]);

  // Sends one request to 127.0.0.1 with the Host header that names the bucket and location.
  function send({method = 'GET', host, pathText = '/', headers = {}, body}) {
    return new Promise((resolve, reject) => {
      const request = http.request({host: '127.0.0.1', port, method, path: pathText,
                                    headers: {Host: host, ...headers}}, response => {
        const chunks = [];
        response.on('data', c => chunks.push(c));
        response.on('end', () => {
          const bytes = Buffer.concat(chunks);
          resolve({status: response.statusCode, headers: response.headers, body: bytes.toString('utf8'), bytes});
        });
      });
      request.on('error', reject);
      if (body !== undefined) request.write(body);
      request.end();
    });
  }

  // signQuery: the query is a sub-resource ("uploads"), signed as part of the resource.
  async function signed({method = 'GET', location = 'cn-east', bucket = '', key = '', query = '', body, contentType = '',
                         signQuery = false}) {
    const date = new Date().toUTCString();
    const resource = (bucket ? `/${bucket}/${key}` : '/') + (signQuery ? `?${query}` : '');
    const toSign = `${method}\n\n${contentType}\n${date}\n${resource}`;
    const signature = crypto.createHmac('sha1', demo.secret).update(toSign, 'utf8').digest('base64');
    const headers = {Date: date, Authorization: `ZYM ${demo.id}:${signature}`};
    if (contentType) headers['Content-Type'] = contentType;
    if (body !== undefined) headers['Content-Length'] = Buffer.byteLength(body);
    const host = (bucket ? `${bucket}.` : '') + `${location}.${endpoint}`;
    const r = await send({method, host, pathText: '/' + formEncode(key) + (query ? '?' + query : ''), headers, body});
    if (r.status >= 300) throw new Error(`${method} ${resource}: ${r.status} ${r.body}`);
    return r;
  }

  // Puts many objects with a few requests in flight at once.
  async function putMany(bucket, keys, {location = 'cn-east', body = '', inFlight = 8} = {}) {
    let next = 0;
    const worker = async () => {
      while (next < keys.length) {
        const key = keys[next++];
        await signed({method: 'PUT', location, bucket, key, body});
      }
    };
    await Promise.all(Array.from({length: inFlight}, worker));
  }

  async function control(method, pathText, body) {
    const r = await send({method, host: endpoint, pathText, body: body && JSON.stringify(body),
                          headers: body ? {'Content-Type': 'application/json'} : {}});
    return JSON.parse(r.body || '{}');
  }

  return {
    endpoint, port, domain: '.' + endpoint, signed, putMany, control,
    createBucket: (bucket, location = 'cn-east') => signed({method: 'PUT', location, bucket}),
    listKeys: async (bucket, location = 'cn-east') => {
      const r = await signed({location, bucket, query: 'max-keys=1000'});
      return [...r.body.matchAll(/<Key>([^<]*)<\/Key>/g)].map(m => m[1]
          .replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&quot;/g, '"').replace(/&apos;/g, "'")
          .replace(/&amp;/g, '&'));
    },
    // A GET of an address as a browser would send it, with no signing of our own.
    getUrl: url => {
      const u = new URL(url);
      return send({host: u.host, pathText: u.pathname + u.search});
    },
    listBuckets: async (location = 'cn-east') => {
      const r = await signed({location});
      return [...r.body.matchAll(/<Name>([^<]*)<\/Name>/g)].map(m => m[1]);
    },
    stop,
  };
}

export const uniqueName = prefix => `${prefix}-${crypto.randomBytes(4).toString('hex')}`;
