// The page's store of records: each record's numbers in typed columns (exponents, cents,
// distance, prime limit, Tenney height, first tempering EDO, name) and its JSON line kept
// as a slice of one string per batch, so a million rows cost no object each. Also the view:
// the rows that pass the filter, in the order chosen. A classic script, loaded by the page
// and by node's tests.
'use strict';

(function (exports) {
  const FIRST_CAPACITY = 1024;
  const NO_EDO = 1000;  // sorts after every EDO a record can list

  function createStore(factorCount) {
    return {
      factorCount,
      count: 0,
      capacity: 0,
      exponents: new Int32Array(0),
      cents: new Float64Array(0),
      distance: new Float64Array(0),
      tenney: new Float64Array(0),  // 0 when the records do not carry it
      primeLimit: new Int32Array(0),  // 0 when the records do not carry it
      firstEdo: new Int32Array(0),  // the first EDO that tempers the record out, or NO_EDO
      nameId: new Uint16Array(0),  // into names; 0 is no name
      names: [''],
      nameIds: new Map([['', 0]]),
      chunks: [],
      lineChunk: new Uint32Array(0),
      lineStart: new Uint32Array(0),
      lineLength: new Uint32Array(0),
    };
  }

  function grown(array, capacity) {
    const bigger = new array.constructor(capacity);
    bigger.set(array);
    return bigger;
  }

  function reserve(store, needed) {
    if (needed <= store.capacity) return;
    let capacity = Math.max(FIRST_CAPACITY, store.capacity * 2);
    while (capacity < needed) capacity *= 2;
    for (const column of ['cents', 'distance', 'tenney', 'primeLimit', 'firstEdo', 'nameId', 'lineChunk', 'lineStart',
                          'lineLength']) {
      store[column] = grown(store[column], capacity);
    }
    store.exponents = grown(store.exponents, capacity * store.factorCount);
    store.capacity = capacity;
  }

  function nameId(store, name) {
    const key = name || '';
    let id = store.nameIds.get(key);
    if (id === undefined) {
      id = store.names.length;
      store.names.push(key);
      store.nameIds.set(key, id);
    }
    return id;
  }

  // Adds a batch of the engine's JSON lines, the approximants up to limit rows in all.
  // Returns the summary record if the batch holds it, and whether the limit was reached.
  function addLines(store, lines, limit) {
    const chunk = store.chunks.length;
    const text = lines.join('\n');
    store.chunks.push(text);
    let offset = 0;
    let summary = null;
    let full = false;
    for (const line of lines) {
      const start = offset;
      offset += line.length + 1;
      const record = JSON.parse(line);
      if (record.type === 'summary') {
        summary = record;
        summary.line = line.trimEnd();
        continue;
      }
      if (record.type !== 'approximant') continue;
      if (store.count >= limit) {
        full = true;
        break;
      }
      reserve(store, store.count + 1);
      const i = store.count++;
      store.exponents.set(record.exponents, i * store.factorCount);
      store.cents[i] = record.cents;
      store.distance[i] = record.distance_cents;
      store.tenney[i] = record.tenney_height || 0;
      store.primeLimit[i] = record.prime_limit || 0;
      store.firstEdo[i] = record.tempered_out_by && record.tempered_out_by.length > 0 ? record.tempered_out_by[0] : NO_EDO;
      store.nameId[i] = nameId(store, record.name);
      store.lineChunk[i] = chunk;
      store.lineStart[i] = start;
      store.lineLength[i] = line.trimEnd().length;
    }
    return {summary, full};
  }

  function lineAt(store, i) {
    const start = store.lineStart[i];
    return store.chunks[store.lineChunk[i]].slice(start, start + store.lineLength[i]);
  }

  function recordAt(store, i) { return JSON.parse(lineAt(store, i)); }

  function exponentsAt(store, i) {
    return Array.from(store.exponents.subarray(i * store.factorCount, (i + 1) * store.factorCount));
  }

  // ---- The view: filter, then sort ------------------------------------------------------

  // Each sort key as one number per record; ties keep the order found.
  function numericKey(store, key) {
    const n = store.count;
    const values = new Float64Array(n);
    if (key === 'order') {
      for (let i = 0; i < n; ++i) values[i] = i;
    } else if (key === 'cents' || key === 'ratio') {
      values.set(store.cents.subarray(0, n));
    } else if (key === 'distance') {
      for (let i = 0; i < n; ++i) values[i] = Math.abs(store.distance[i]);
    } else if (key === 'prime_limit') {
      values.set(store.primeLimit.subarray(0, n));
    } else if (key === 'tenney') {
      values.set(store.tenney.subarray(0, n));
    } else if (key === 'tempered') {
      values.set(store.firstEdo.subarray(0, n));
    } else if (key === 'name') {
      const sorted = store.names.slice().sort();
      const rank = store.names.map((name) => sorted.indexOf(name));
      for (let i = 0; i < n; ++i) values[i] = rank[store.nameId[i]];
    } else {
      return null;
    }
    return values;
  }

  function compareExponents(store) {
    const width = store.factorCount;
    const exponents = store.exponents;
    return (a, b) => {
      for (let k = 0; k < width; ++k) {
        const difference = exponents[a * width + k] - exponents[b * width + k];
        if (difference !== 0) return difference;
      }
      return 0;
    };
  }

  function passes(store, filter, nameMatches, i) {
    if (filter.primeLimit !== undefined && store.primeLimit[i] > filter.primeLimit) return false;
    if (filter.tenney !== undefined && store.tenney[i] > filter.tenney) return false;
    return nameMatches === null || nameMatches[store.nameId[i]];
  }

  // The indices from first on of the records that pass the filter {primeLimit, tenney, name}.
  function filterFrom(store, filter, first) {
    const needle = (filter.name || '').trim().toLowerCase();
    const nameMatches = needle === '' ? null : store.names.map((name) => name.toLowerCase().includes(needle));
    const rows = [];
    for (let i = first; i < store.count; ++i) {
      if (passes(store, filter, nameMatches, i)) rows.push(i);
    }
    return Uint32Array.from(rows);
  }

  // The record indices that pass the filter, sorted by key; ties keep the order found.
  function computeView(store, key, ascending, filter) {
    const view = filterFrom(store, filter, 0);
    if (key === 'order' && ascending) return view;
    const sign = ascending ? 1 : -1;
    const values = numericKey(store, key);
    const compare = values ? (a, b) => values[a] - values[b] : compareExponents(store);
    return view.sort((a, b) => sign * compare(a, b) || a - b);
  }

  // A row's tick box: the ticked rows make a scale.
  function rowTick(index, ticked) {
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.className = 'tick';
    box.checked = ticked;
    box.dataset.index = String(index);
    box.setAttribute('aria-label', `Tick row ${index + 1} for the scale`);
    return box;
  }

  Object.assign(exports, {rowTick, createStore, addLines, lineAt, recordAt, exponentsAt, filterFrom, computeView});
})(typeof module !== 'undefined' ? module.exports : (globalThis.RatiohuntRecords = {}));
