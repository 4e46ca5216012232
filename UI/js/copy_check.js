// Before a move deletes its sources, the copies are looked at: the copy operation also answers
// success when the user stopped it or closed a question, so its reply alone does not prove
// that anything was copied.
import {headObject, listObjects} from './service.js';

const kPartCopySize = 1073741824; // objects this big are copied in parts and get a new ETag

// Every object under a prefix, all pages, no folders.
async function listAll(host, bucket, prefix) {
  const out = new Map();
  let marker = '';
  do {
    const page = await listObjects({host, bucket, prefix, marker, delimiter: ''});
    for (const o of page.objects) out.set(o.key, o);
    marker = page.next;
  } while (marker);
  return out;
}

const tag = etag => String(etag || '').replace(/"/g, '').toLowerCase();

function sameContent(source, target) {
  if (!target || Number(source.size) !== Number(target.size)) return false;
  return source.size >= kPartCopySize || tag(source.etag) === tag(target.etag);
}

async function headOrNothing(host, bucket, key) {
  try {
    const headers = await headObject(host, bucket, key);
    return {size: Number(headers['content-length']), etag: headers.etag};
  } catch (error) {
    return null; // missing, or not readable now: either way not proven copied
  }
}

// The source keys whose copy is missing or differs, for copies of items (objects {key, size,
// etag}, and folders ending in "/") from source.bucket into target.bucket under dstPrefix.
export async function missingCopies({host, bucket}, target, dstPrefix, items) {
  const missing = [];
  for (const item of items) {
    const stripped = item.key.endsWith('/') ? item.key.slice(0, -1) : item.key;
    const sourceFolder = stripped.slice(0, stripped.lastIndexOf('/') + 1);
    const targetKey = key => dstPrefix + key.slice(sourceFolder.length);
    if (!item.key.endsWith('/')) {
      const copy = await headOrNothing(target.host, target.bucket, targetKey(item.key));
      if (!sameContent(item, copy)) missing.push(item.key);
      continue;
    }
    const sources = await listAll(host, bucket, item.key);
    const targets = await listAll(target.host, target.bucket, targetKey(item.key));
    for (const [key, source] of sources) {
      if (!sameContent(source, targets.get(targetKey(key)))) missing.push(key);
    }
  }
  return missing;
}
