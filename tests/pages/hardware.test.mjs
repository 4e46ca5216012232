// The Hardware setting: 0 composites the pages in software, 1 leaves the browser's choice.
// Seen in the browser's own command line as the browser reports it.
import assert from 'node:assert/strict';
import {test} from 'node:test';

import {startProgram} from './harness.mjs';

for (const [hardware, switched] of [[0, true], [1, false]]) {
  test(`Hardware ${hardware}: accelerated compositing ${switched ? 'off' : 'left on'}`, async () => {
    const app = await startProgram({Hardware: hardware});
    try {
      await app.page('login.html');
      const session = await app.browser.target().createCDPSession();
      const {commandLine} = await session.send('SystemInfo.getInfo');
      assert.ok(commandLine.includes('--disable-web-security'), commandLine);
      assert.equal(commandLine.split(' ').includes('--disable-gpu-compositing'), switched, commandLine);
    } finally {
      await app.stop();
    }
  });
}
