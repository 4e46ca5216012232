// How the pages read the program's answers: JSON with the native escapes, and the error reply
// also when its message was inserted without escaping.
import assert from 'node:assert/strict';
import {test} from 'node:test';

import {ZymError, checkReply, direct, directJson, parseAnswer} from '../../UI/js/client.js';
import {formEncode} from '../../UI/js/service.js';

test('answers are read as JSON, with the native escapes mended', () => {
  const cases = [
    ['{"error":0,"message":""}', {error: 0, message: ''}],
    ['{"list":[{"path":"C:\\\\data\\/a.txt"}]}', {list: [{path: 'C:\\data/a.txt'}]}],
    ['{"object":"bell\\a tab\\t vt\\v"}', {object: 'bell\u0007 tab\t vt\u000b'}],
    ['{"object":"not a bell \\\\a"}', {object: 'not a bell \\a'}],
    ['{"error":10,"message":"say "hi" to <b>"}', {error: 10, message: 'say "hi" to <b>'}],
    ['{}', {}],
  ];
  for (const [text, expected] of cases) assert.deepEqual(parseAnswer(text), expected, text);
  assert.throws(() => parseAnswer('{"list":[}'));
});

test('the error reply becomes one ZymError; 0 and {} are success', () => {
  assert.deepEqual(checkReply({error: 0, message: ''}), {error: 0, message: ''});
  assert.deepEqual(checkReply({}), {});
  assert.throws(() => checkReply({error: 4, message: 'The access key is not valid'}, 'deleteBucket'),
                e => e instanceof ZymError && e.code === 4 && e.fn === 'deleteBucket' &&
                    e.message === 'The access key is not valid');
});

test('object keys in addresses are form-encoded as the service reads them', () => {
  assert.equal(formEncode('a b/c+d~é*.txt'), 'a+b%2Fc%2Bd~%C3%A9%2A.txt');
  assert.equal(formEncode('<img src=x>'), '%3Cimg+src%3Dx%3E');
});

test('a direct function that answers the error reply instead of its text fails as ZymError', () => {
  globalThis.window = {ZYMClient: {
    getUpload: () => '{"error":501,"message":"Not built yet"}',
    getTransInfo: () => '{"download_task_max":5}',
    setTransInfo: () => undefined,
  }};
  try {
    assert.throws(() => directJson('getUpload', '{}'), e => e.code === 501 && e.message === 'Not built yet');
    assert.deepEqual(directJson('getTransInfo'), {download_task_max: 5});
    assert.equal(direct('setTransInfo', '{}'), undefined);
    assert.throws(() => direct('gGetLanguage'), e => e instanceof ZymError && e.code === -2);
  } finally {
    delete globalThis.window;
  }
});
