// Writes the worker's whole source (the engine module, then the worker's own code) as one
// JavaScript string literal the page can load with a script tag and start from a Blob URL.
'use strict';
const fs = require('fs');

const [enginePath, workerPath, outputPath] = process.argv.slice(2);
const source = fs.readFileSync(enginePath, 'utf8') + '\n' + fs.readFileSync(workerPath, 'utf8');
fs.writeFileSync(outputPath,
                 '// Generated at build time from the engine and page/worker.js.\n' +
                     'var RATIOHUNT_WORKER_SOURCE = ' + JSON.stringify(source) + ';\n');
