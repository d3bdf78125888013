// Sends 64 MiB of bytes, each 7, as one message.
postMessage('out', new Uint8Array(64 * 1024 * 1024).fill(7));
