// The four language files of the pages hold the same keys, every key the pages use, and the
// same {placeholders} in each language.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {test} from 'node:test';

import {shippedUiFolder} from './harness.mjs';

const read = name => JSON.parse(fs.readFileSync(path.join(shippedUiFolder, 'lang', `${name}.json`), 'utf8'));
const flat = texts => Object.fromEntries(Object.entries(texts).flatMap(
    ([screen, keys]) => Object.entries(keys).map(([k, v]) => [`${screen}.${k}`, v])));
const placeholders = text => [...text.matchAll(/\{(\w+)\}/g)].map(m => m[1]).sort();

test('every language has the keys and placeholders of English', () => {
  const en = flat(read('en'));
  for (const name of ['chs', 'tw', 'korean']) {
    const other = flat(read(name));
    assert.deepEqual(Object.keys(other).sort(), Object.keys(en).sort(), name);
    for (const [key, text] of Object.entries(en)) {
      assert.ok(other[key].trim() !== '', `${name} ${key} is empty`);
      assert.deepEqual(placeholders(other[key]), placeholders(text), `${name} ${key}`);
    }
  }
});

test('every key the pages use is in the language files', () => {
  const en = flat(read('en'));
  const sources = [...fs.readdirSync(shippedUiFolder).filter(f => f.endsWith('.html')),
                   ...fs.readdirSync(path.join(shippedUiFolder, 'js')).map(f => `js/${f}`)];
  const used = new Set();
  for (const file of sources) {
    const text = fs.readFileSync(path.join(shippedUiFolder, file), 'utf8');
    for (const m of text.matchAll(/\bt\('([a-zA-Z]+\.[a-zA-Z]+)'/g)) used.add(m[1]);
    for (const m of text.matchAll(/data-i18n(?:-label|-placeholder)?="([a-zA-Z]+\.[a-zA-Z]+)"/g)) used.add(m[1]);
    // keys built from a status word: t(`transfers.${status}`)
    if (/t\(`transfers\.\$\{status\}`\)/.test(text)) {
      for (const s of ['running', 'waiting', 'stopped', 'finished', 'failed']) used.add(`transfers.${s}`);
    }
  }
  assert.ok(used.size > 100, `found ${used.size} keys`);
  for (const key of used) assert.ok(key in en, `${key} is used but has no text`);
});
