// Sends 16 MiB of bytes, each 7, as one message.
postMessage('out', new Uint8Array(16 * 1024 * 1024).fill(7));
