// Signatures computed here, independently of the program, from the service's signing rules.
import crypto from 'node:crypto';

const hmac = (key, text) => crypto.createHmac('sha1', Buffer.from(key, 'utf8'))
    .update(Buffer.from(text, 'utf8')).digest('base64');

// Default JS string order compares UTF-16 code units, as the signer does.
const byName = (a, b) => (a[0] < b[0] ? -1 : a[0] > b[0] ? 1 : 0);

export function percentEncode(text) {
  return encodeURIComponent(text).replace(/[!'()*]/g, c => '%' + c.charCodeAt(0).toString(16).toUpperCase());
}

// getSignature: the header-style string to sign with the expiry in place of the date.
export function expiringSignature(args, secret) {
  const text = v => (typeof v === 'string' ? v : '');
  const headers = [];
  const zym = args.canonicalized_zym_headers;
  if (zym && typeof zym === 'object' && !Array.isArray(zym)) {
    for (const [name, value] of Object.entries(zym)) {
      if (name !== '' && typeof value === 'string' && value !== '') headers.push([name.toLowerCase(), value]);
    }
  }
  headers.sort(byName);
  const expires = typeof args.expires === 'number' ? Math.trunc(args.expires) : 0;
  const toSign = [text(args.verb), text(args.content_md5), text(args.content_type), String(expires)].join('\n') +
      '\n' + headers.map(([n, v]) => `${n}:${v}\n`).join('') + text(args.canonicalized_resource);
  return hmac(secret, toSign);
}

// getRamSignature: the query-style signature over sorted, percent-encoded parameters.
export function rpcSignature(method, params, secret) {
  const pairs = Object.entries(params).filter(([n]) => n !== '')
      .map(([n, v]) => [n, typeof v === 'string' ? v : '']);
  pairs.sort(byName);
  const query = pairs.map(([n, v]) => `${percentEncode(n)}=${percentEncode(v)}`).join('&');
  return hmac(secret + '&', `${method}&${percentEncode('/')}&${percentEncode(query)}`);
}
