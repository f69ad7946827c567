// The page's behaviour: reads and checks the form, keeps the query in the URL, runs the
// search in a worker started from a Blob URL, streams its records into the sortable
// table with progress and Cancel, and offers the rows as CSV or JSON.
'use strict';

const PRIMES = [2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31];
const FIELDS = ['target', 'factors', 'low', 'high', 'maxq', 'precision', 'timeout'];
const DEFAULTS = {target: '7/6', factors: '2 3 5', mode: 'successive', low: '40', high: '60', maxq: '1000000',
                  precision: '5', timeout: '4', every: false};
const MAX_PRECISION = 17;  // a double has no more significant digits to show
const INT_MAX = 2147483647;
const PROGRESS_EVERY_MS = 100;
const MAX_ROWS_SHOWN = 2000;  // more rows slow the page down; the downloads hold them all
const DECIMAL = /^[+]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/;
const INTEGER = /^\d+$/;

const page = {
  worker: null,
  workerUrl: null,
  records: [],
  summary: null,
  searchProgress: null,  // the engine's last report: share of the space walked, values tested
  query: null,
  startedAt: 0,
  progressTimer: 0,
  renderPending: false,
  sortKey: 'order',
  sortAscending: true,
};

const $ = (id) => document.getElementById(id);

// ---- Reading and checking the form ----------------------------------------------------

function readDecimal(text) {
  const trimmed = text.trim();
  return DECIMAL.test(trimmed) ? Number(trimmed) : NaN;
}

function readTarget(text) {
  const parts = text.trim().split(/\s*[/:]\s*/);
  if (parts.length > 2) return null;
  const x = readDecimal(parts[0]);
  const y = parts.length === 2 ? readDecimal(parts[1]) : 1;
  // The search works on ln(x/y): the ratio itself must be a positive finite number too.
  if (!(x > 0 && y > 0 && Number.isFinite(x) && Number.isFinite(y) && Number.isFinite(x / y) && x / y > 0)) {
    return null;
  }
  return {x, y};
}

function readFactors(text) {
  const items = text.trim().split(/[\s,]+/).filter((item) => item !== '');
  if (items.length === 0) return {error: 'Give at least one factor.'};
  const factors = [];
  for (const item of items) {
    if (!INTEGER.test(item) || Number(item) < 1 || Number(item) > INT_MAX) {
      return {error: `"${item}" is not a whole number from 1 to ${INT_MAX}.`};
    }
    factors.push(Number(item));
  }
  if (factors[factors.length - 1] < 2) return {error: 'The last factor must be 2 or more.'};
  return {factors};
}

// The form's values as text, as the URL carries them.
function formValues() {
  const values = {};
  for (const name of FIELDS) values[name] = $(name).value;
  values.mode = document.querySelector('input[name="mode"]:checked').value;
  values.every = $('every').checked;
  return values;
}

// Checks every field; returns the query for the worker and a message for each bad field.
function checkValues(values) {
  const errors = {};
  const query = {mode: values.mode === 'range' ? 'range' : 'successive', every: values.every};
  const target = readTarget(values.target);
  if (target) Object.assign(query, target);
  else errors.target = 'Enter a positive ratio as N/D or a decimal, such as 7/6 or 1.5.';
  const factors = readFactors(values.factors);
  if (factors.error) errors.factors = factors.error;
  else query.factors = factors.factors;
  query.maxQuotient = readDecimal(values.maxq);
  if (!(query.maxQuotient >= 1 && Number.isFinite(query.maxQuotient))) {
    errors.maxq = 'Enter a number of 1 or more.';
  }
  query.precision = INTEGER.test(values.precision.trim()) ? Number(values.precision) : NaN;
  if (!(query.precision >= 1 && query.precision <= MAX_PRECISION)) {
    errors.precision = `Enter a whole number from 1 to ${MAX_PRECISION}.`;
  }
  query.timeOut = readDecimal(values.timeout);
  if (!(query.timeOut > 0 && Number.isFinite(query.timeOut))) errors.timeout = 'Enter a number of seconds above 0.';
  query.low = readNumberOrNaN(values.low);
  query.high = readNumberOrNaN(values.high);
  if (query.mode === 'range') {
    if (!Number.isFinite(query.low)) errors.low = 'Enter a number of cents, such as 40 or -10.5.';
    if (!Number.isFinite(query.high)) errors.high = 'Enter a number of cents, such as 60.';
    else if (Number.isFinite(query.low) && query.high <= query.low) errors.high = 'Make it larger than the low end.';
  }
  return {query, errors};
}

function readNumberOrNaN(text) {
  const trimmed = text.trim();
  const negative = trimmed.startsWith('-');
  const magnitude = readDecimal(negative ? trimmed.slice(1) : trimmed);
  return negative ? -magnitude : magnitude;
}

function showErrors(errors) {
  for (const name of FIELDS) {
    const message = errors[name] || '';
    $(`${name}-error`).textContent = message;
    if (message) $(name).setAttribute('aria-invalid', 'true');
    else $(name).removeAttribute('aria-invalid');
  }
  const first = FIELDS.find((name) => errors[name]);
  if (first) {
    if (['maxq', 'precision', 'timeout'].includes(first)) $('query').querySelector('details').open = true;
    $(first).focus();
  }
  return first === undefined;
}

// ---- The query in the URL ------------------------------------------------------------

function valuesToHash(values) {
  const params = new URLSearchParams();
  for (const name of FIELDS) params.set(name, values[name].trim());
  params.set('mode', values.mode);
  if (values.every) params.set('every', '1');
  return '#' + params.toString();
}

function hashToValues(hash) {
  const params = new URLSearchParams(hash.replace(/^#/, ''));
  if (!params.has('target')) return null;
  const values = Object.assign({}, DEFAULTS);
  for (const name of FIELDS) {
    if (params.has(name)) values[name] = params.get(name);
  }
  values.mode = params.get('mode') === 'range' ? 'range' : 'successive';
  values.every = params.get('every') === '1';
  return values;
}

function fillForm(values) {
  for (const name of FIELDS) $(name).value = values[name];
  document.querySelector(`input[name="mode"][value="${values.mode}"]`).checked = true;
  $('every').checked = values.every;
  syncLimitChoice();
  syncWindowFields();
}

// ---- Factor limits and the window fields ---------------------------------------------

function primesUpTo(limit) { return PRIMES.filter((prime) => prime <= limit); }

function syncLimitChoice() {
  const text = $('factors').value.trim().split(/[\s,]+/).join(' ');
  const match = Array.from($('limit').options).find(
      (option) => option.value !== 'custom' && primesUpTo(Number(option.value)).join(' ') === text);
  $('limit').value = match ? match.value : 'custom';
}

function syncWindowFields() {
  const range = document.querySelector('input[name="mode"]:checked').value === 'range';
  $('low').disabled = !range;
  $('high').disabled = !range;
}

// ---- Running the search --------------------------------------------------------------

function startWorker() {
  if (!page.workerUrl) {
    // A page opened from a file may not start a worker from a file; a Blob URL it may.
    const blob = new Blob([RATIOHUNT_WORKER_SOURCE], {type: 'text/javascript'});
    page.workerUrl = URL.createObjectURL(blob);
  }
  const worker = new Worker(page.workerUrl);
  worker.onmessage = (event) => onWorkerMessage(worker, event.data);
  worker.onerror = (event) => {
    event.preventDefault();
    finishSearch(`The search failed: ${event.message}`);
  };
  return worker;
}

function runSearch() {
  const values = formValues();
  const {query, errors} = checkValues(values);
  if (!showErrors(errors)) {
    setStatus('Correct the marked fields, then search again.');
    return;
  }
  stopWorker();
  history.replaceState(null, '', valuesToHash(values));
  page.query = query;
  page.records = [];
  page.summary = null;
  page.searchProgress = null;
  $('results').tBodies[0].replaceChildren();
  renderTable();
  page.startedAt = performance.now();
  page.worker = startWorker();
  page.worker.postMessage(query);
  $('run').disabled = true;
  $('cancel').disabled = false;
  $('download-csv').disabled = true;
  $('download-json').disabled = true;
  $('progress').value = 0;
  document.body.dataset.state = 'running';
  setStatus('Searching…');
  page.progressTimer = setInterval(showProgress, PROGRESS_EVERY_MS);
}

function onWorkerMessage(worker, message) {
  if (worker !== page.worker) return;  // a cancelled search's last words
  if (message.kind === 'lines') {
    for (const line of message.lines) {
      const record = parseRecord(line);
      if (!record) {
        finishSearch(`The search sent a record this page cannot read: ${line.slice(0, 80)}`);
        return;
      }
      record.line = line.trimEnd();  // the JSON download gives back the engine's own lines
      if (record.type === 'approximant') {
        record.order = page.records.length + 1;
        page.records.push(record);
      } else if (record.type === 'summary') {
        page.summary = record;
      }
    }
    scheduleRender();
  } else if (message.kind === 'progress') {
    page.searchProgress = message;
  } else if (message.kind === 'done') {
    finishSearch(summaryText(page.summary));
  } else if (message.kind === 'error') {
    finishSearch(`The search failed: ${message.message}`);
  }
}

function parseRecord(line) {
  try {
    return JSON.parse(line);
  } catch (error) {
    return null;
  }
}

function summaryText(summary) {
  if (!summary) return 'The search ended without a summary.';
  const ends = {exhausted: 'the whole search space was walked', exact_hit: 'the target was hit exactly',
                time_out: 'the time out stopped the search', interrupted: 'the search was interrupted'};
  const found = summary.records === 1 ? '1 approximant' : `${summary.records} approximants`;
  return `Done: ${found} found, ${summary.tested.toLocaleString('en')} values tested in ` +
         `${summary.seconds.toFixed(2)} s; ${ends[summary.end] || summary.end}.`;
}

function stopWorker() {
  if (page.worker) page.worker.terminate();
  page.worker = null;
  clearInterval(page.progressTimer);
}

function finishSearch(text) {
  stopWorker();
  renderTable();
  $('progress').value = 1;
  $('run').disabled = false;
  $('cancel').disabled = true;
  $('download-csv').disabled = page.records.length === 0;
  $('download-json').disabled = page.records.length === 0;
  document.body.dataset.state = 'done';
  setStatus(text);
}

function cancelSearch() {
  if (!page.worker) return;
  const seconds = ((performance.now() - page.startedAt) / 1000).toFixed(1);
  finishSearch(`Cancelled after ${seconds} s; the table holds the ${page.records.length} found before.`);
  $('run').focus();
}

// The share of the search space walked, once the engine reports it; until then the
// share of the time out used.
function showProgress() {
  const seconds = (performance.now() - page.startedAt) / 1000;
  const walked = page.searchProgress;
  $('progress').value = walked ? walked.share : Math.min(1, seconds / page.query.timeOut);
  const space = walked ? `${(100 * walked.share).toFixed(1)}% of the search space, ` +
                         `${walked.tested.toLocaleString('en')} values tested, ` : '';
  setStatus(`Searching… ${seconds.toFixed(1)} s of at most ${page.query.timeOut} s, ${space}` +
            `${page.records.length} found.`);
}

function setStatus(text) { $('status').textContent = text; }

// ---- The table -----------------------------------------------------------------------

// Like printf's %g: the given significant digits, trailing zeros dropped.
function formatCents(value, digits) { return String(Number(value.toPrecision(digits))); }

// The exponents between "[" and ">", a comma after the 2nd, 5th, 8th ... entry.
function monzoText(exponents) {
  let text = '[';
  exponents.forEach((exponent, i) => {
    if (i > 0) text += ' ';
    text += exponent;
    if ((i + 2) % 3 === 0 && i + 1 < exponents.length) text += ',';
  });
  return text + '>';
}

const SORT_KEYS = {
  order: (record) => record.order,
  ratio: (record) => record.cents,
  monzo: (record) => record.exponents.join(' '),
  cents: (record) => record.cents,
  distance: (record) => Math.abs(record.distance_cents),
  name: (record) => record.name || '',
};

function sortedRecords() {
  const key = SORT_KEYS[page.sortKey];
  const sign = page.sortAscending ? 1 : -1;
  return page.records.slice().sort((a, b) => {
    const ka = key(a);
    const kb = key(b);
    if (ka < kb) return -sign;
    if (ka > kb) return sign;
    return a.order - b.order;
  });
}

function scheduleRender() {
  if (page.renderPending) return;
  page.renderPending = true;
  requestAnimationFrame(() => {
    page.renderPending = false;
    renderTable();
  });
}

function cell(row, className, text) {
  const td = row.insertCell();
  td.className = className;
  td.textContent = text;
  return td;
}

function tableRow(record, digits) {
  const row = document.createElement('tr');
  row.dataset.exponents = record.exponents.join(' ');
  row.dataset.cents = String(record.cents);
  row.dataset.distance = String(record.distance_cents);
  cell(row, 'order', String(record.order));
  cell(row, 'ratio', `${record.numerator}/${record.denominator}`);
  cell(row, 'monzo', monzoText(record.exponents));
  cell(row, 'cents', formatCents(record.cents, digits)).title = String(record.cents);
  cell(row, 'distance', formatCents(record.distance_cents, digits)).title = String(record.distance_cents);
  cell(row, 'name', record.name || '');
  return row;
}

// Shows the first rows in the chosen order. In the order found, rows already shown stay
// and only new ones are added, so a long stream costs no more than its new rows.
function renderTable() {
  const body = $('results').tBodies[0];
  const digits = page.query ? page.query.precision : 5;
  const inFoundOrder = page.sortKey === 'order' && page.sortAscending;
  const shown = inFoundOrder ? body.rows.length : 0;
  const records = inFoundOrder ? page.records : sortedRecords();
  const rows = document.createDocumentFragment();
  for (let i = shown; i < Math.min(records.length, MAX_ROWS_SHOWN); ++i) rows.appendChild(tableRow(records[i], digits));
  if (inFoundOrder && shown <= records.length) body.appendChild(rows);
  else body.replaceChildren(rows);
  $('shown-note').textContent = records.length > MAX_ROWS_SHOWN ?
      `The table shows the first ${MAX_ROWS_SHOWN} of ${records.length} rows; the downloads hold them all.` : '';
}

function sortBy(key) {
  page.sortAscending = page.sortKey === key ? !page.sortAscending : true;
  page.sortKey = key;
  for (const button of document.querySelectorAll('th button')) {
    const th = button.parentElement;
    if (button.dataset.sort === key) th.setAttribute('aria-sort', page.sortAscending ? 'ascending' : 'descending');
    else th.removeAttribute('aria-sort');
  }
  renderTable();
}

// ---- Downloads -----------------------------------------------------------------------

// The downloads have the layouts of ratiohunt --format=csv and --format=json, rows in
// the order shown. CSV: RFC 4180 quoting, numbers as the shortest text that reads back.
const CSV_HEADER = 'exponents,numerator,denominator,cents,distance_cents,name';

function csvField(text) { return /[",\r\n]/.test(text) ? `"${text.replace(/"/g, '""')}"` : text; }

function csvText() {
  const lines = [CSV_HEADER];
  for (const record of sortedRecords()) {
    lines.push([record.exponents.join(' '), record.numerator, record.denominator, String(record.cents),
                String(record.distance_cents), record.name || ''].map(csvField).join(','));
  }
  return lines.join('\n') + '\n';
}

// JSON Lines: each approximant record as the engine wrote it, then the summary.
function jsonText() {
  const lines = sortedRecords().map((record) => record.line);
  if (page.summary) lines.push(page.summary.line);
  return lines.join('\n') + '\n';
}

function download(text, type, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([text], {type}));
  link.download = name;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 0);
}

// ---- Wiring --------------------------------------------------------------------------

function start() {
  const fromUrl = hashToValues(location.hash);
  fillForm(fromUrl || DEFAULTS);
  $('query').addEventListener('submit', (event) => {
    event.preventDefault();
    runSearch();
  });
  $('cancel').addEventListener('click', cancelSearch);
  document.addEventListener('keydown', (event) => {
    if (event.key === 'Escape' && page.worker) cancelSearch();
  });
  $('limit').addEventListener('change', () => {
    if ($('limit').value !== 'custom') $('factors').value = primesUpTo(Number($('limit').value)).join(' ');
  });
  $('factors').addEventListener('input', syncLimitChoice);
  for (const radio of document.querySelectorAll('input[name="mode"]')) radio.addEventListener('change', syncWindowFields);
  for (const button of document.querySelectorAll('th button')) {
    button.addEventListener('click', () => sortBy(button.dataset.sort));
  }
  $('download-csv').addEventListener('click', () => download(csvText(), 'text/csv', 'ratiohunt.csv'));
  $('download-json').addEventListener('click', () => download(jsonText(), 'application/jsonl', 'ratiohunt.jsonl'));
  window.addEventListener('hashchange', () => {
    const values = hashToValues(location.hash);
    if (values) {
      fillForm(values);
      runSearch();
    }
  });
  if (fromUrl) runSearch();
}

start();
