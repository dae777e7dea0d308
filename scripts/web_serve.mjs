// A static file server for the browser build's folder, on 127.0.0.1 only:
//   node scripts/web_serve.mjs FOLDER [PORT]
// prints the address once it listens (PORT 0 or none: a free port). Tests
// import serveFolder. Only files inside the folder are served.
import {createServer} from 'node:http';
import {createReadStream, statSync} from 'node:fs';
import {extname, resolve, sep} from 'node:path';

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8', '.wasm': 'application/wasm', '.opus': 'audio/ogg', '.ogg': 'audio/ogg',
  '.json': 'application/json', '.png': 'image/png', '.txt': 'text/plain; charset=utf-8',
};

export function serveFolder(folder, port = 0) {
  const root = resolve(folder);
  const server = createServer((request, response) => {
    let path;
    try {
      path = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    } catch {
      response.writeHead(400).end('bad address\n');
      return;
    }
    if (path.endsWith('/')) path += 'index.html';
    const file = resolve(root, '.' + path);
    let info = null;
    try {
      if (file === root || file.startsWith(root + sep)) info = statSync(file);
    } catch {}
    if (request.method !== 'GET' && request.method !== 'HEAD') {
      response.writeHead(405).end();
    } else if (!info || !info.isFile()) {
      response.writeHead(404, {'Content-Type': 'text/plain'}).end('not found\n');
    } else {
      response.writeHead(200, {'Content-Type': TYPES[extname(file)] || 'application/octet-stream',
                               'Content-Length': info.size, 'Cache-Control': 'no-cache'});
      if (request.method === 'HEAD') response.end();
      else createReadStream(file).pipe(response);
    }
  });
  return new Promise((done, fail) => {
    server.once('error', fail);
    server.listen(port, '127.0.0.1', () => {
      done({url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close()});
    });
  });
}

if (process.argv[1] && resolve(process.argv[1]) === resolve(new URL(import.meta.url).pathname)) {
  const [folder, port] = process.argv.slice(2);
  if (!folder) {
    console.error('usage: node scripts/web_serve.mjs FOLDER [PORT]');
    process.exit(2);
  }
  serveFolder(folder, Number(port || 0)).then(({url}) => console.log(url), (e) => {
    console.error(`web_serve: ${e.message}`);
    process.exit(1);
  });
}
