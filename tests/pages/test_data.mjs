// Small helpers the page tests share for the data they move and the states they wait for.

// Bytes that differ at every offset, so a range written at (or read from) the wrong place shows.
export function pattern(size, seed) {
  const bytes = Buffer.alloc(size + 3);
  let x = seed;
  for (let i = 0; i < size; i += 4) {
    x = (Math.imul(x, 1103515245) + 12345) >>> 0;
    bytes.writeUInt32LE(x, i);
  }
  return bytes.subarray(0, size);
}

// Asks `check` (which may return a promise) every 250 ms until it gives a true value, and
// returns that value; fails after `ms` naming `what`.
export async function pollUntil(what, check, ms = 90000) {
  const end = Date.now() + ms;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await new Promise(r => setTimeout(r, 250));
  }
}
