// Requests the pages send to the storage service themselves: listings, bucket creation,
// share links. Every request carries a query signature made by the program (getSignature),
// so the secret never reaches the page.
import {ZymError, direct, directWord} from './client.js';

export const kPageSize = 1000;
const kRequestLifetimeS = 900;

// Object keys in addresses: UTF-8 bytes, unreserved characters kept, space as "+".
export function formEncode(text) {
  const bytes = new TextEncoder().encode(text);
  let out = '';
  for (const b of bytes) {
    const c = String.fromCharCode(b);
    if (/[A-Za-z0-9\-._~]/.test(c)) out += c;
    else if (b === 0x20) out += '+';
    else out += '%' + b.toString(16).toUpperCase().padStart(2, '0');
  }
  return out;
}

export function session() {
  return {
    accessId: directWord('getAccessID'),
    location: directWord('getCurrentLocation'),
    host: directWord('getCurrentHost'),
  };
}

// The host of a location word ("cn-east" -> "cn-east.zymcloud.com"); an account's own
// endpoint, when it has one, wins.
export function hostFor(location) {
  return directWord('changeHost', JSON.stringify(location || session().location));
}

export function sign({verb = 'GET', resource, contentType = '', md5 = '', headers = {}, expires}) {
  const text = direct('getSignature', JSON.stringify({
    verb, content_md5: md5, content_type: contentType, expires,
    canonicalized_resource: resource, canonicalized_zym_headers: headers,
  }));
  if (typeof text !== 'string') throw new ZymError(-2, '', 'getSignature');
  return text.length >= 2 ? text.slice(1, -1) : text;
}

// http://[bucket.]host/[key]?params&ZYMAccessKeyId=..&Expires=..&Signature=..
export function signedUrl({verb = 'GET', host, bucket = '', key = '', params = {}, lifetimeS = kRequestLifetimeS,
                           contentType = ''}) {
  const expires = Math.floor(Date.now() / 1000) + lifetimeS;
  const resource = bucket ? `/${bucket}/${key}` : '/';
  const signature = sign({verb, resource, expires, contentType});
  const query = [];
  for (const [name, value] of Object.entries(params)) {
    if (value !== undefined && value !== null) query.push(`${name}=${formEncode(String(value))}`);
  }
  query.push(`ZYMAccessKeyId=${formEncode(session().accessId)}`);
  query.push(`Expires=${expires}`);
  query.push(`Signature=${encodeURIComponent(signature)}`);
  const origin = bucket ? `http://${bucket}.${host}/` : `http://${host}/`;
  return origin + formEncode(key) + '?' + query.join('&');
}

function childText(node, name) {
  for (const c of node.children) if (c.localName === name) return c.textContent;
  return '';
}

function parseXml(text) {
  return new DOMParser().parseFromString(text, 'application/xml');
}

// Sends a signed request; a failure becomes the same error form the program's replies use:
// 9 for a transport failure, 10 for a refusal by the service (its code and message).
export async function serviceRequest(options, init = {}) {
  let response;
  try {
    response = await fetch(signedUrl(options), {method: options.verb || 'GET', cache: 'no-store', ...init});
  } catch (e) {
    throw new ZymError(9, String(e.message || e), 'fetch');
  }
  const text = await response.text();
  if (response.status < 200 || response.status > 399) {
    const doc = text ? parseXml(text) : null;
    const root = doc?.documentElement;
    const code = root && root.localName === 'Error' ? childText(root, 'Code') : '';
    const message = root && root.localName === 'Error' ? childText(root, 'Message') : '';
    const error = new ZymError(10, message ? `${code}: ${message}` : code || `HTTP ${response.status}`, 'fetch');
    error.serviceCode = code;
    error.status = response.status;
    throw error;
  }
  return text;
}

// Every bucket of the account, with its location.
export async function listBuckets(host) {
  const doc = parseXml(await serviceRequest({host}));
  return [...doc.getElementsByTagName('Bucket')].map(b => ({
    name: childText(b, 'Name'),
    location: childText(b, 'Location'),
    created: childText(b, 'CreationDate'),
  }));
}

// One page of a folder: {folders: [{key}], objects: [{key, size, modified, etag}], next}.
export async function listObjects({host, bucket, prefix = '', marker = '', delimiter = '/', maxKeys = kPageSize}) {
  const params = {prefix, marker, 'max-keys': maxKeys};
  if (delimiter) params.delimiter = delimiter;
  const doc = parseXml(await serviceRequest({host, bucket, params}));
  const root = doc.documentElement;
  const objects = [];
  const folders = [];
  for (const c of root.children) {
    if (c.localName === 'Contents') {
      const key = childText(c, 'Key');
      if (!key || key === prefix) continue; // the folder's own marker object
      objects.push({key, size: Number(childText(c, 'Size')) || 0, modified: childText(c, 'LastModified'),
                    etag: childText(c, 'ETag')});
    } else if (c.localName === 'CommonPrefixes') {
      folders.push({key: childText(c, 'Prefix')});
    }
  }
  const truncated = childText(root, 'IsTruncated') === 'true';
  let next = truncated ? childText(root, 'NextMarker') : '';
  if (truncated && !next) {
    const last = [...objects, ...folders].map(e => e.key).sort().pop();
    next = last || '';
  }
  return {objects, folders, next};
}

export async function createBucket(host, bucket) {
  await serviceRequest({verb: 'PUT', host, bucket});
}

// An empty object whose key ends in "/" stands for a folder.
export async function createFolder(host, bucket, key) {
  await serviceRequest({verb: 'PUT', host, bucket, key}, {body: ''});
}

// The headers of one object (properties dialog).
export async function headObject(host, bucket, key) {
  let response;
  try {
    response = await fetch(signedUrl({verb: 'HEAD', host, bucket, key}), {method: 'HEAD', cache: 'no-store'});
  } catch (e) {
    throw new ZymError(9, String(e.message || e), 'fetch');
  }
  if (!response.ok) throw new ZymError(10, `HTTP ${response.status}`, 'fetch');
  const headers = {};
  response.headers.forEach((v, k) => { headers[k] = v; });
  return headers;
}

// A link anyone can open until it expires.
export function shareLink(host, bucket, key, lifetimeS) {
  return signedUrl({host, bucket, key, lifetimeS});
}
