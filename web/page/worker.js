// The search worker: starts the engine, runs the one query it is sent and posts back the
// record lines as the engine writes them, a batch at a time so that a search finding
// thousands of commas a second does not flood the page.
'use strict';

const BATCH_EVERY_MS = 50;

self.onmessage = (event) => {
  const query = event.data;
  let batch = [];
  let postedAt = performance.now();
  const flush = () => {
    if (batch.length > 0) self.postMessage({kind: 'lines', lines: batch});
    batch = [];
    postedAt = performance.now();
  };
  const collect = (line) => {
    batch.push(line);
    if (performance.now() - postedAt >= BATCH_EVERY_MS) flush();
  };
  const progress = (share, tested, seconds) => {
    flush();
    self.postMessage({kind: 'progress', share, tested, seconds});
  };
  createRatiohuntEngine({onRecordLine: collect, onProgress: progress})
      .then((engine) => {
        const pointer = engine._malloc(4 * query.factors.length);
        engine.HEAP32.set(query.factors, pointer >> 2);
        const status = engine._ratiohunt_web_search(query.x, query.y, pointer, query.factors.length,
                                                     query.maxQuotient, query.timeOut, query.mode === 'range' ? 1 : 0,
                                                     query.low, query.high, query.every ? 1 : 0);
        engine._free(pointer);
        flush();
        self.postMessage({kind: 'done', status});
      })
      .catch((error) => self.postMessage({kind: 'error', message: String(error)}));
};
