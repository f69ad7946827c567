// The search worker: starts the engine, runs the one query it is sent and posts back each
// record line as the engine writes it, so the page fills its table while the search goes on.
'use strict';

self.onmessage = (event) => {
  const query = event.data;
  const post = (line) => self.postMessage({kind: 'line', line});
  createRatiohuntEngine({onRecordLine: post})
      .then((engine) => {
        const pointer = engine._malloc(4 * query.factors.length);
        engine.HEAP32.set(query.factors, pointer >> 2);
        const status = engine._ratiohunt_web_search(query.x, query.y, pointer, query.factors.length,
                                                     query.maxQuotient, query.timeOut, query.mode === 'range' ? 1 : 0,
                                                     query.low, query.high);
        engine._free(pointer);
        self.postMessage({kind: 'done', status});
      })
      .catch((error) => self.postMessage({kind: 'error', message: String(error)}));
};
