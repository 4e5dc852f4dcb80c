// Serves a folder on 127.0.0.1 with the content types a WebAssembly page needs. Used by the
// browser test, and by scripts/web.sh as `node tests/web/serve.mjs FOLDER [PORT]`.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const kContentTypes = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.png': 'image/png',
};

export function serve(folder, port = 0) {
  const root = path.resolve(folder);
  const server = http.createServer((request, response) => {
    let file;
    try {
      const url = new URL(request.url, 'http://127.0.0.1');
      file = path.join(root, path.normalize(decodeURIComponent(url.pathname === '/' ? '/index.html' : url.pathname)));
    } catch {
      // A malformed address (a stray %) is the asker's fault, not a reason to stop serving.
      response.writeHead(400);
      response.end();
      return;
    }
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { 'Content-Type': kContentTypes[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve(server));
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [folder, port = '0'] = process.argv.slice(2);
  if (!folder || !fs.existsSync(path.join(folder, 'index.html')) || !/^[0-9]{1,5}$/.test(port)) {
    console.error('usage: node serve.mjs FOLDER [PORT]  (FOLDER holds index.html; PORT a number, 0 for any free one)');
    process.exit(2);
  }
  const server = await serve(folder, Number(port));
  console.log(`Quillmoor is served at http://127.0.0.1:${server.address().port}/ (Ctrl+C stops it)`);
}
