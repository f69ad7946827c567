// The search worker: starts the engine, runs the one query it is sent and posts back the
// record lines as the engine writes them, a batch at a time so that a search finding
// thousands of commas a second does not flood the page, and the search's progress. Sent a
// scale ({scale: form}) instead, it makes that scale and posts back the engine's answer.
'use strict';

const BATCH_EVERY_MS = 50;
// V8 first runs WebAssembly from quickly made code and uses its optimised code only from
// a later call on. A short search first, and a pause for the optimiser, let the real
// search run on the optimised code from its start.
const WARM_UP_QUERY = {x: 1, y: 1, factors: [2, 3, 5, 7, 11, 13], maxQuotient: 1e5, timeOut: 1, mode: 'range',
                       low: 0, high: 1, every: false};
const OPTIMISER_PAUSE_MS = 30;

// The scale panel's scale, made here so that a slow one never holds up the page.
function makeScale(form) {
  const ignore = () => {};
  createRatiohuntEngine({onRecordLine: ignore, onProgress: ignore})
      .then((engine) => self.postMessage({kind: 'scale', made: RatiohuntEngineCalls.engineCalls(engine).scale(form)}))
      .catch((error) => self.postMessage({kind: 'error', message: String(error)}));
}

self.onmessage = (event) => {
  if (event.data.scale) {
    makeScale(event.data.scale);
    return;
  }
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
  const ignore = () => {};
  createRatiohuntEngine({onRecordLine: ignore, onProgress: ignore})
      .then((engine) => {
        RatiohuntEngineCalls.engineCalls(engine).search(WARM_UP_QUERY);
        return new Promise((resolve) => setTimeout(() => resolve(engine), OPTIMISER_PAUSE_MS));
      })
      .then((engine) => {
        engine.onRecordLine = collect;
        engine.onProgress = progress;
        const refusal = RatiohuntEngineCalls.engineCalls(engine).search(query);
        flush();
        self.postMessage({kind: 'done', refusal});
      })
      .catch((error) => self.postMessage({kind: 'error', message: String(error)}));
};
