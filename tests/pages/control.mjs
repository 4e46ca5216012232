// The test-control socket of a test build (ZYM_TEST_CONTROL): one JSON request, one JSON answer.
import net from 'node:net';

export function control(socketPath, request) {
  return new Promise((resolve, reject) => {
    const socket = net.createConnection(socketPath);
    let text = '';
    socket.on('connect', () => socket.write(JSON.stringify(request) + '\n'));
    socket.on('data', d => {
      text += d;
      const end = text.indexOf('\n');
      if (end >= 0) {
        socket.end();
        resolve(JSON.parse(text.slice(0, end)));
      }
    });
    socket.on('error', reject);
  });
}

// Asks until the answer satisfies `ready` (a dialog opens and lists its folder asynchronously).
export async function waitFor(socketPath, request, ready, timeoutMs = 20000) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    const answer = await control(socketPath, request);
    if (ready(answer)) return answer;
    if (Date.now() > end) throw new Error(`timed out waiting: last answer ${JSON.stringify(answer)}`);
    await new Promise(r => setTimeout(r, 100));
  }
}
