// The one door to the native side: ZYMClient's callbacks become promises, answers are parsed,
// and every failure (an error reply, no answer in time, a missing function) becomes a ZymError.

export const kNoAnswer = -1; // the function gave no answer in time (its handler may not exist yet)
export const kUnavailable = -2; // the function is not there or answered nothing at all

const kDefaultTimeoutMs = 15000;

// How long to wait for a callback; a page test may shorten every wait (globalThis.zymCallTimeoutMs).
function waitFor(timeoutMs) {
  const cap = Number(globalThis.zymCallTimeoutMs);
  return cap > 0 ? Math.min(timeoutMs > 0 ? timeoutMs : cap, cap) : timeoutMs;
}

export class ZymError extends Error {
  // code: the reply's "error" number, or one of the negative codes above.
  constructor(code, message, fn = '') {
    super(message || '');
    this.name = 'ZymError';
    this.code = code;
    this.fn = fn;
  }
}

// Answers are JSON made by the native side; some of its escapes (\a, \v, \') are not JSON,
// so they are mended before a second try rather than failing the whole answer.
export function parseAnswer(text) {
  if (typeof text !== 'string') return undefined;
  try {
    return JSON.parse(text);
  } catch (e) {
    const mended = text.replace(/\\(\\|a|v|')/g, (all, c) =>
      c === '\\' ? '\\\\' : c === 'a' ? '\\u0007' : c === 'v' ? '\\u000b' : "'");
    try {
      return JSON.parse(mended);
    } catch (again) {
      // An error reply whose message was inserted unescaped (a quote in a file name) is still
      // an error reply: its message is everything between the fixed parts.
      const reply = /^\{"error":(-?\d+),"message":"([\s\S]*)"\}$/.exec(text);
      if (reply) return {error: Number(reply[1]), message: reply[2]};
      throw again;
    }
  }
}

// The reply-error form {"error":N,"message":"..."}: N = 0 and {} are success.
export function checkReply(reply, fn) {
  if (reply && typeof reply === 'object' && typeof reply.error === 'number' && reply.error !== 0) {
    throw new ZymError(reply.error, String(reply.message ?? ''), fn);
  }
  return reply;
}

function native() {
  return typeof window !== 'undefined' ? window.ZYMClient : undefined;
}

export function has(fn) {
  const c = native();
  return !!c && typeof c[fn] === 'function';
}

// A direct function: answers at once. Returns the raw text, or undefined when it said nothing.
export function direct(fn, ...args) {
  const c = native();
  if (!c || typeof c[fn] !== 'function') throw new ZymError(kUnavailable, '', fn);
  const answer = c[fn](...args);
  // A function that has no handler yet answers with the error reply instead of its own text.
  if (typeof answer === 'string' && answer.startsWith('{"error":')) {
    let reply;
    try {
      reply = parseAnswer(answer);
    } catch (e) {
      reply = null;
    }
    checkReply(reply, fn);
  }
  return answer;
}

// A direct function whose answer is JSON (getTransInfo, gGetLanguage, getUpload, ...).
export function directJson(fn, ...args) {
  const text = direct(fn, ...args);
  if (typeof text !== 'string' || text === '') throw new ZymError(kUnavailable, '', fn);
  try {
    return parseAnswer(text);
  } catch (e) {
    throw new ZymError(kUnavailable, String(e.message || e), fn);
  }
}

// A direct function whose answer is one quoted word ("\"id\"", or "" for nothing).
export function directWord(fn, ...args) {
  const text = direct(fn, ...args);
  if (typeof text !== 'string') return '';
  if (text.length >= 2 && text[0] === '"' && text[text.length - 1] === '"') return text.slice(1, -1);
  return text;
}

// A function that answers later through the callback at position 2 (or 1 for saveFileDlg).
// The promise settles with the parsed reply; an error reply rejects with a ZymError.
export function later(fn, argument, {timeoutMs = kDefaultTimeoutMs, callbackFirst = false, raw = false} = {}) {
  return new Promise((resolve, reject) => {
    const c = native();
    if (!c || typeof c[fn] !== 'function') {
      reject(new ZymError(kUnavailable, '', fn));
      return;
    }
    let done = false;
    const wait = waitFor(timeoutMs);
    const timer = wait > 0 ? setTimeout(() => {
      if (done) return;
      done = true;
      reject(new ZymError(kNoAnswer, '', fn));
    }, wait) : 0;
    const callback = text => {
      if (done) return;
      done = true;
      clearTimeout(timer);
      if (raw) {
        resolve(text);
        return;
      }
      let reply;
      try {
        reply = parseAnswer(text);
      } catch (e) {
        reject(new ZymError(kUnavailable, String(text), fn));
        return;
      }
      try {
        resolve(checkReply(reply, fn));
      } catch (e) {
        reject(e);
      }
    };
    try {
      if (callbackFirst) c[fn](callback);
      else c[fn](typeof argument === 'string' ? argument : JSON.stringify(argument ?? {}), callback);
    } catch (e) {
      done = true;
      clearTimeout(timer);
      reject(new ZymError(kUnavailable, String(e.message || e), fn));
    }
  });
}

// Calls that have no answer at all (setTransInfo, gChangeLanguage, openUrl, ...).
export function send(fn, argument) {
  const text = typeof argument === 'string' ? argument : JSON.stringify(argument ?? {});
  return direct(fn, text);
}
