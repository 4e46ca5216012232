#!/usr/bin/env python3
"""Computes, outside the program, the known answers that key_pair_test.cpp checks: the three
key-pair blocks of a few key pairs and device keys, and a few lock-password digests. Run it and
paste its output into the test when a case is added."""

import hashlib

CHECK_WORD = b"zymcheck"
KEY_PREFIX = b"zymkeypair"


def rc4(key, data):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) % 256
        s[i], s[j] = s[j], s[i]
    i = j = 0
    out = bytearray()
    for b in data:
        i = (i + 1) % 256
        j = (j + s[i]) % 256
        s[i], s[j] = s[j], s[i]
        out.append(b ^ s[(s[i] + s[j]) % 256])
    return bytes(out)


BLOCK_CASES = [
    ("AK", "0123456789abcdefghijklmnopqrst", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4"),
    ("test-key-id", "test-key-secret", "machine"),
    ("\u5bc6\u94a5id", "s\u00e9cret/+=", "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b"),
]

DIGEST_CASES = [("-1234567", ""), ("-1234567", "pass word"), ("305419896", "\u5bc6\u7801"), ("zymcheck", "x")]

for ident, secret, key in BLOCK_CASES:
    i, s, k = ident.encode(), secret.encode(), key.encode()
    print('{"%s", "%s", "%s", "%s", "%s", "%s"},' % (
        ident.encode("unicode_escape").decode(), secret, key,
        rc4(k, CHECK_WORD).hex(), rc4(KEY_PREFIX + k, i).hex(), rc4(KEY_PREFIX + k + i, s).hex()))
for ident, password in DIGEST_CASES:
    print('{"%s", "%s", "%s"},' % (ident, password.encode("unicode_escape").decode(),
                                   hashlib.md5((ident + password).encode()).hexdigest().upper()))
