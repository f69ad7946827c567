// Writes the worker's whole source (the engine module, the calls into it, then the worker's
// own code) as one JavaScript string literal the page can load with a script tag and start
// from a Blob URL.
'use strict';
const fs = require('fs');

const sources = process.argv.slice(2, -1);
const outputPath = process.argv.at(-1);
const source = sources.map((path) => fs.readFileSync(path, 'utf8')).join('\n');
fs.writeFileSync(outputPath,
                 '// Generated at build time from the engine, page/engine_calls.js and page/worker.js.\n' +
                     'var RATIOHUNT_WORKER_SOURCE = ' + JSON.stringify(source) + ';\n');
