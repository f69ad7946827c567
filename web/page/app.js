// The page's behaviour: reads and checks the form, keeps the query, sort and filter in the
// URL, runs the search in a worker started from a Blob URL, streams its records into the
// store, and shows them in a virtualised table (only the visible rows in the DOM) and a
// plot, with sound, progress, Cancel and the CSV and JSON downloads.
'use strict';

const {centsText, temperedText, summaryText} = RatiohuntFormats;
const {FIELDS, readDecimal, readSignedNumber, checkValues, valuesToHash, hashToValues, commandLine} = RatiohuntQuery;
const {createStore, addLines, lineAt, recordAt, exponentsAt, computeView, filterFrom, rowTick} = RatiohuntRecords;

const PRIMES = [2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31];
// The page checks every-vector for a new query, which the program leaves off by default.
const DEFAULTS = Object.assign({}, RATIOHUNT_DEFAULTS, {every: true});
const PROGRESS_EVERY_MS = 100;
const ROW_LIMIT = 1000000;  // the rows the page keeps; the search stops there
const ROW_HEIGHT = 30;  // pixels; style.css gives every body row this height
const OVERSCAN_ROWS = 10;
const STREAMING_REDRAW_MS = 300;  // how often a sorted view and the plot are redone while rows stream in
const TEMPERING_EDOS_SHOWN = 4;
const INTEGER = /^\d+$/;

const page = {
  engine: null,  // the engine's calls on this thread, once it has started
  engineProblem: '',  // why it did not start
  searchWhenReady: false,  // Search was pressed before the engine had started
  worker: null,
  workerUrl: null,
  store: createStore(0),
  view: new Uint32Array(0),
  summary: null,
  searchProgress: null,  // the engine's last report: share of the space walked, values tested
  query: null,
  values: null,  // the form's text of the query that ran
  rowLimit: ROW_LIMIT,
  startedAt: 0,
  progressTimer: 0,
  renderPending: false,
  viewCoversUpTo: 0,  // the store's row count when the view was last brought up to date
  viewMadeAt: 0,
  viewCost: 0,  // ms the last view took to make
  plotDrawnAt: 0,
  plotCost: 0,
  plotCoversUpTo: -1,  // the store's row count when the plot was last drawn
  viewTimer: 0,
  plotTimer: 0,
  sortKey: 'order',
  sortAscending: true,
  filter: {},
  selected: -1,  // a record index
  audio: null,
  sound: null,  // the gain node of the sound playing
  plot: null,
  ticked: new Set(),  // record indices whose tick box is ticked: a temperament's commas, a scale's degrees
  temper: null,  // the temperament panel's {items, basis, result} once shown
};

const $ = (id) => document.getElementById(id);

// ---- Reading and checking the form ----------------------------------------------------

// The form's values as text, as the URL carries them.
function formValues() {
  const values = {};
  for (const name of FIELDS) values[name] = $(name).value;
  values.mode = document.querySelector('input[name="mode"]:checked').value;
  values.every = $('every').checked;
  return values;
}

function markInvalid(field, invalid) {
  if (invalid) field.setAttribute('aria-invalid', 'true');
  else field.removeAttribute('aria-invalid');
}

function showErrors(errors) {
  for (const name of FIELDS) {
    const message = errors[name] || '';
    $(`${name}-error`).textContent = message;
    markInvalid($(name), message !== '');
  }
  const first = FIELDS.find((name) => errors[name]);
  if (first) {
    if (['maxq', 'precision', 'timeout'].includes(first)) $('query').querySelector('details').open = true;
    $(first).focus();
  }
  return first === undefined;
}

// ---- The query, sort and filter in the URL -------------------------------------------

function fillForm(values) {
  for (const name of FIELDS) $(name).value = values[name];
  document.querySelector(`input[name="mode"][value="${values.mode}"]`).checked = true;
  $('every').checked = values.every;
  syncLimitChoice();
  syncWindowFields();
  if (values.filter) {
    $('filter-limit').value = values.filter.limit;
    $('filter-height').value = values.filter.height;
    $('filter-name').value = values.filter.name;
    readFilter();
  }
  if (values.sortKey) setSort(values.sortKey, values.sortAscending);
}

function keepInUrl() {
  const hash = RatiohuntQuery.withTemper(page.values ? valuesToHash(page.values, page) : location.hash, page.temper);
  history.replaceState(null, '', hash || location.pathname + location.search);
}

// ---- Factor limits, the subgroup and the window fields -------------------------------

function primesUpTo(limit) { return PRIMES.filter((prime) => prime <= limit); }

function factorItems() { return $('factors').value.trim().split(/[\s,]+/).filter((item) => item !== ''); }

function syncLimitChoice() {
  const text = factorItems().join(' ');
  const match = Array.from($('limit').options).find(
      (option) => option.value !== 'custom' && primesUpTo(Number(option.value)).join(' ') === text);
  $('limit').value = match ? match.value : 'custom';
  if (document.activeElement !== $('subgroup')) $('subgroup').value = factorItems().join('.');
}

// 2.3.7 in the subgroup field is the factor list 2 3 7; a ratio such as 7/5 is no factor.
function subgroupChanged() {
  const items = $('subgroup').value.split('.').map((item) => item.trim());
  const integers = items.every((item) => INTEGER.test(item));
  const unfinished = items.every((item) => INTEGER.test(item) || item === '');
  $('subgroup-error').textContent = unfinished ? '' : 'Only whole numbers: the factors are integers, such as 2.3.7.';
  markInvalid($('subgroup'), !unfinished);
  if (integers) {
    $('factors').value = items.join(' ');
    syncLimitChoice();
  }
}

function syncWindowFields() {
  const range = document.querySelector('input[name="mode"]:checked').value === 'range';
  $('low').disabled = !range;
  $('high').disabled = !range;
}

// ---- Running the search --------------------------------------------------------------

function workerUrl() {
  if (!page.workerUrl) {
    // A page opened from a file may not start a worker from a file; a Blob URL it may.
    const blob = new Blob([RATIOHUNT_WORKER_SOURCE], {type: 'text/javascript'});
    page.workerUrl = URL.createObjectURL(blob);
  }
  return page.workerUrl;
}

function startWorker() {
  const worker = new Worker(workerUrl());
  worker.onmessage = (event) => onWorkerMessage(worker, event.data);
  worker.onerror = (event) => {
    event.preventDefault();
    finishSearch(`The search failed: ${event.message}`);
  };
  return worker;
}

function runSearch() {
  const values = formValues();
  if (!page.engine) {
    page.searchWhenReady = !page.engineProblem;
    if (page.engineProblem) setStatus(page.engineProblem);
    return;
  }
  const {query, errors} = checkValues(values, page.engine.readTarget);
  if (!showErrors(errors)) {
    setStatus('Correct the marked fields, then search again.');
    return;
  }
  stopWorker();
  page.values = values;
  keepInUrl();
  page.query = query;
  page.store = createStore(query.factors.length);
  page.view = new Uint32Array(0);
  page.viewCoversUpTo = 0;
  page.summary = null;
  page.searchProgress = null;
  page.selected = -1;
  page.ticked = new Set();
  page.plot.setZoom(null);
  $('zoom-from').value = '';
  $('zoom-to').value = '';
  $('zoom-unit').textContent = query.mode === 'range' ? 'cents' : 'in the order found';
  $('command-line').textContent = commandLine(values, query);
  $('results').classList.toggle('commas', query.unison);
  refresh(true);
  page.startedAt = performance.now();
  page.worker = startWorker();
  page.worker.postMessage(query);
  $('run').disabled = true;
  $('cancel').disabled = false;
  for (const id of ['download-csv', 'download-json', 'download-png', 'play-selected']) $(id).disabled = true;
  $('progress').value = 0;
  document.body.dataset.state = 'running';
  setStatus('Searching…');
  page.progressTimer = setInterval(showProgress, PROGRESS_EVERY_MS);
}

function onWorkerMessage(worker, message) {
  if (worker !== page.worker) return;  // a cancelled search's last words
  if (message.kind === 'lines') {
    let added;
    try {
      added = addLines(page.store, message.lines, page.rowLimit);
    } catch (error) {
      finishSearch(`The search sent a record this page cannot read: ${String(error).slice(0, 80)}`);
      return;
    }
    if (added.summary) page.summary = added.summary;
    if (added.full) {
      finishSearch(`Stopped at the page's limit of ${page.rowLimit.toLocaleString('en')} rows; ` +
                   'the table and the downloads keep them.');
      return;
    }
    scheduleRender();
  } else if (message.kind === 'progress') {
    page.searchProgress = message;
  } else if (message.kind === 'done') {
    finishSearch(message.refusal ? `The engine refused the query: ${message.refusal.trim()}` :
                                   summaryText(page.summary, page.engine.endText));
  } else if (message.kind === 'error') {
    finishSearch(`The search failed: ${message.message}`);
  }
}

function stopWorker() {
  if (page.worker) page.worker.terminate();
  page.worker = null;
  clearInterval(page.progressTimer);
}

function finishSearch(text) {
  stopWorker();
  refresh(true);
  $('progress').value = 1;
  $('run').disabled = false;
  $('cancel').disabled = true;
  for (const id of ['download-csv', 'download-json', 'download-png']) $(id).disabled = page.store.count === 0;
  document.body.dataset.state = 'done';
  setStatus(text);
}

function cancelSearch() {
  if (!page.worker) return;
  const seconds = ((performance.now() - page.startedAt) / 1000).toFixed(1);
  finishSearch(`Cancelled after ${seconds} s; the table holds the ${page.store.count} found before.`);
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
            `${page.store.count} found.`);
}

function setStatus(text) { $('status').textContent = text; }

// ---- The view: filter and sort -------------------------------------------------------

function viewIsFoundOrder() { return page.sortKey === 'order' && page.sortAscending; }

// Rows found since the view was made join it at its end in the order found; in any other
// order the view is made afresh, at most every few hundred ms while rows stream in.
function updateView(force) {
  const store = page.store;
  const coveredUpTo = page.viewCoversUpTo || 0;
  if (!force && coveredUpTo === store.count) return false;
  if (!force && viewIsFoundOrder()) {
    const added = filterFrom(store, page.filter, coveredUpTo);
    const view = new Uint32Array(page.view.length + added.length);
    view.set(page.view);
    view.set(added, page.view.length);
    page.view = view;
  } else {
    const wait = page.viewMadeAt + streamingPause(page.viewCost) - performance.now();
    if (!force && wait > 0) {
      later('viewTimer', wait, scheduleRender);
      return false;
    }
    const started = performance.now();
    page.view = computeView(store, page.sortKey, page.sortAscending, page.filter);
    page.viewMadeAt = performance.now();
    page.viewCost = page.viewMadeAt - started;
  }
  page.viewCoversUpTo = store.count;
  return true;
}

// The pause between redoing a view or the plot while rows stream in: a few hundred ms, or
// more once each takes long, so that the page keeps most of its time for the person.
function streamingPause(cost) { return Math.max(STREAMING_REDRAW_MS, 4 * cost); }

// Runs what once after wait ms, however often it is asked for meanwhile.
function later(timer, wait, what) {
  if (page[timer]) return;
  page[timer] = setTimeout(() => {
    page[timer] = 0;
    what();
  }, wait);
}

function drawPlot() {
  const started = performance.now();
  page.plot.setData(page.store, page.view, page.query ? page.query.mode : 'range');
  page.plot.draw();
  page.plotCoversUpTo = page.store.count;
  page.plotDrawnAt = performance.now();
  page.plotCost = page.plotDrawnAt - started;
}

// The plot of a view made anew: drawn now (force), or once the streaming pause is over; a
// view that only orders the rows drawn anew (reordered) leaves the drawing as it is.
function updatePlot(force, reordered) {
  if (reordered && page.plotCoversUpTo === page.store.count) {
    page.plot.setData(page.store, page.view, page.query ? page.query.mode : 'range');
    return;
  }
  const wait = page.plotDrawnAt + streamingPause(page.plotCost) - performance.now();
  if (force || wait <= 0) drawPlot();
  else later('plotTimer', wait, drawPlot);
}

// Brings the view, the plot and the rows in sight up to date; force makes the view afresh at once.
function refresh(force, reordered) {
  if (updateView(force)) updatePlot(force, reordered);
  renderRows();
  const total = page.store.count;
  $('shown-note').textContent = page.view.length < total ?
      `${page.view.length.toLocaleString('en')} of ${total.toLocaleString('en')} rows pass the filter.` :
      total > 0 ? `${total.toLocaleString('en')} rows.` : '';
}

function scheduleRender() {
  if (page.renderPending) return;
  page.renderPending = true;
  requestAnimationFrame(() => {
    page.renderPending = false;
    refresh(false);
  });
}

function readFilter() {
  const limit = $('filter-limit').value.trim();
  const height = $('filter-height').value.trim();
  const filter = {name: $('filter-name').value.trim()};
  const limitOk = limit === '' || INTEGER.test(limit);
  const heightOk = height === '' || readDecimal(height) >= 0;
  if (limit !== '' && limitOk) filter.primeLimit = Number(limit);
  if (height !== '' && heightOk) filter.tenney = readDecimal(height);
  markInvalid($('filter-limit'), !limitOk);
  markInvalid($('filter-height'), !heightOk);
  page.filter = filter;
}

function filterChanged() {
  readFilter();
  refresh(true);
  keepInUrl();
}

function setSort(key, ascending) {
  page.sortKey = key;
  page.sortAscending = ascending;
  for (const button of document.querySelectorAll('th button')) {
    const th = button.parentElement;
    if (button.dataset.sort === key) th.setAttribute('aria-sort', ascending ? 'ascending' : 'descending');
    else th.removeAttribute('aria-sort');
  }
}

function sortBy(key) {
  setSort(key, page.sortKey === key ? !page.sortAscending : true);
  refresh(true, true);
  keepInUrl();
}

// ---- The table: only the rows in sight are in the DOM --------------------------------

// What one row shows, from its record: also what the tests read through ratiohuntRows().
function rowContent(index) {
  const record = recordAt(page.store, index);
  const digits = page.query ? page.query.precision : 5;
  const tempered = record.tempered_out_by;
  return {
    order: index + 1,
    exponents: record.exponents,
    ratio: `${record.numerator}/${record.denominator}`,
    monzo: page.engine.monzoText(record.exponents),
    cents: record.cents,
    distance: record.distance_cents,
    centsText: centsText(page.engine.numberText, record.cents, digits),
    distanceText: centsText(page.engine.numberText, record.distance_cents, digits),
    name: record.name || '',
    primeLimit: record.prime_limit === undefined ? '' : String(record.prime_limit),
    tenney: record.tenney_height,
    tenneyText: centsText(page.engine.numberText, record.tenney_height, digits),
    tempered: Array.isArray(tempered) ? tempered : [],
    temperedText: Array.isArray(tempered) ? temperedText(tempered, TEMPERING_EDOS_SHOWN) : '',
  };
}

function cell(row, className, text, title) {
  const td = row.insertCell();
  td.className = className;
  td.textContent = text;
  if (title) td.title = title;
  return td;
}

function tableRow(index, position) {
  const content = rowContent(index);
  const row = document.createElement('tr');
  row.className = index === page.selected ? 'row selected' : 'row';
  row.dataset.index = String(index);
  row.dataset.position = String(position);
  row.setAttribute('aria-rowindex', String(position + 2));
  const play = document.createElement('button');
  play.type = 'button';
  play.className = 'play';
  play.textContent = '▶';
  play.setAttribute('aria-label', `Play row ${content.order}`);
  row.insertCell().appendChild(play);
  const tick = row.insertCell();
  tick.className = 'tick';
  tick.appendChild(rowTick(document, content.order, page.ticked.has(index)));
  cell(row, 'order', String(content.order));
  cell(row, 'ratio', content.ratio, content.ratio);
  cell(row, 'monzo', content.monzo, content.monzo);
  cell(row, 'cents', content.centsText, String(content.cents));
  cell(row, 'distance', content.distanceText, String(content.distance));
  cell(row, 'name', content.name);
  cell(row, 'limit', content.primeLimit);
  cell(row, 'tenney', content.tenneyText, content.tenney === undefined ? '' : String(content.tenney));
  cell(row, 'tempered', content.temperedText, content.tempered.join(' '));
  return row;
}

function spacerRow(height) {
  const row = document.createElement('tr');
  row.className = 'spacer';
  row.setAttribute('aria-hidden', 'true');
  const td = row.insertCell();
  td.colSpan = $('results').tHead.rows[0].cells.length;
  td.style.height = `${height}px`;
  return row;
}

function renderRows() {
  const wrap = $('table-wrap');
  const body = $('results').tBodies[0];
  const headHeight = $('results').tHead.offsetHeight;
  const count = page.view.length;
  const top = Math.max(0, wrap.scrollTop - headHeight);
  const first = Math.max(0, Math.floor(top / ROW_HEIGHT) - OVERSCAN_ROWS);
  const last = Math.min(count, Math.ceil((top + wrap.clientHeight) / ROW_HEIGHT) + OVERSCAN_ROWS);
  const rows = document.createDocumentFragment();
  rows.appendChild(spacerRow(first * ROW_HEIGHT));
  for (let position = first; position < last; ++position) rows.appendChild(tableRow(page.view[position], position));
  rows.appendChild(spacerRow((count - Math.max(first, last)) * ROW_HEIGHT));
  // A row's ▶ that has the focus keeps it in the row drawn anew.
  const focused = body.contains(document.activeElement) ? document.activeElement.closest('tr').dataset.index : null;
  body.replaceChildren(rows);
  const refocus = focused === null ? null : body.querySelector(`tr[data-index="${focused}"] button.play`);
  if (refocus) refocus.focus({preventScroll: true});
  $('results').setAttribute('aria-rowcount', String(count + 1));
}

function scrollToPosition(position) {
  const wrap = $('table-wrap');
  const headHeight = $('results').tHead.offsetHeight;
  const rowTop = headHeight + position * ROW_HEIGHT;
  if (rowTop < wrap.scrollTop + headHeight || rowTop + ROW_HEIGHT > wrap.scrollTop + wrap.clientHeight) {
    wrap.scrollTop = Math.max(0, rowTop - headHeight - (wrap.clientHeight - headHeight) / 2);
  }
  renderRows();
}

// Selects a record's row and its point; scroll brings the row into sight.
function select(index, scroll) {
  page.selected = index;
  $('play-selected').disabled = index < 0;
  page.plot.setSelected(index);
  const position = page.view.indexOf(index);
  if (scroll && position >= 0) {
    scrollToPosition(position);
    return;
  }
  // The rows stay as they are, so that a row's ▶ keeps the keyboard focus.
  for (const row of $('results').tBodies[0].rows) {
    if (row.classList.contains('row')) row.classList.toggle('selected', Number(row.dataset.index) === index);
  }
}

// ---- Sound ---------------------------------------------------------------------------

function play(index) {
  if (index < 0 || !page.query) return;
  if (!page.audio) page.audio = new AudioContext();
  if (page.sound) page.sound.disconnect();
  const output = page.audio.createGain();
  output.connect(page.audio.destination);
  page.sound = output;
  const baseHz = readDecimal($('base-hz').value);
  const commaSearch = page.query.unison;
  const ratios = RatiohuntSound.recordRatios(page.store.cents[index], page.query.x / page.query.y, commaSearch);
  page.audio.resume();
  RatiohuntSound.scheduleInterval(page.audio, ratios, {baseHz: baseHz > 0 ? baseHz : Number(DEFAULTS.referenceHz),
                                                       volume: Number($('volume').value), destination: output});
}

// Makes the scale panel's scale in a worker of its own, so that a slow scale never holds up
// the page: resolves to the engine's answer ({records, scl, kbm} or {error}), or to null
// when a newer scale has taken its place.
function makeScaleInWorker(form) {
  dropScaleInWorker();
  const worker = new Worker(workerUrl());
  return new Promise((resolve) => {
    const finish = (made) => {
      worker.terminate();
      if (page.scaleWorker && page.scaleWorker.worker === worker) page.scaleWorker = null;
      resolve(made);
    };
    page.scaleWorker = {worker, finish};
    worker.onmessage = (event) => finish(event.data.kind === 'scale' ? event.data.made :
                                                                      {error: `the engine failed: ${event.data.message}`});
    worker.onerror = (event) => {
      event.preventDefault();
      finish({error: `the engine failed: ${event.message}`});
    };
    worker.postMessage({scale: form});
  });
}

function dropScaleInWorker() {
  if (page.scaleWorker) page.scaleWorker.finish(null);
}

// ---- The temperament panel ---------------------------------------------------------

// Shows the temperament of the panel's fields, computed by the engine on this thread.
function showTemperament() {
  const items = $('temper-items').value;
  const basis = $('temper-basis').value;
  if (!page.engine) {
    $('temper-status').textContent = page.engineProblem || 'The engine is starting; try again in a moment.';
    return;
  }
  const result = items.trim() === '' ? {error: 'give commas (81/80 126/125) or vals (12 & 19)'} :
                                       page.engine.temper(items, basis);
  page.temper = {items, basis, result};
  $('temper-error').textContent = result.error ? `The program refuses these items: ${result.error}` : '';
  markInvalid($('temper-items'), Boolean(result.error));
  const {temperamentRows, drawRows, temperCommandLine} = RatiohuntTemperPanel;
  drawRows($('temper-table').tBodies[0], result.error ? [] : temperamentRows(result.temperament),
           page.engine.numberText);
  $('temper-command').textContent = temperCommandLine(items, basis);
  const sizes = result.mos_sizes || [];
  showScaleSizes(sizes);
  $('temper-play').disabled = sizes.length === 0;
  $('temper-status').textContent = result.error || sizes.length > 0 ? '' :
      `No scale to play: ${result.mos_problem}`;
  document.body.dataset.temper = result.error ? 'refused' : 'shown';
  keepInUrl();
}

function temperamentOfTicked() {
  const ticked = Array.from(page.view).filter((index) => page.ticked.has(index));
  if (ticked.length === 0 || !page.query) {
    $('temper-status').textContent = 'Tick rows of a comma search first.';
    return;
  }
  const ratios = ticked.map((index) => rowContent(index).ratio);
  const {items, basis} = RatiohuntTemperPanel.tickedItems(ratios, page.query.factors);
  $('temper-items').value = items;
  $('temper-basis').value = basis;
  showTemperament();
}

// The chooser of the temperament's scale sizes, at 7 or near it; hidden with none.
function showScaleSizes(sizes) {
  const chooser = $('temper-mos-size');
  chooser.replaceChildren(...sizes.map((size) => new Option(`${size} notes`, String(size))));
  if (sizes.length > 0) chooser.value = String(RatiohuntTemperPanel.defaultMosSize(sizes));
  $('temper-scale').hidden = sizes.length === 0;
}

// The 1/1's frequency: the page's base field, else the program's reference.
function pageBaseHz() {
  const baseHz = readDecimal($('base-hz').value);
  return baseHz > 0 ? baseHz : Number(DEFAULTS.referenceHz);
}

// The shown temperament's scale of the chosen size, made by the engine as `temper --mos=N`
// makes it: {records (parsed), scl, kbm, command (shown)}, or {error}; null with none.
function temperamentScale() {
  const sizes = page.temper && page.temper.result.mos_sizes;
  if (!sizes || sizes.length === 0 || !page.engine) return null;
  const {items, basis} = page.temper;
  const size = Number($('temper-mos-size').value);
  const {fileOptions, baseFrequencyText} = RatiohuntScalePanel;
  const fileWords = fileOptions(baseFrequencyText(pageBaseHz(), Number(DEFAULTS.referenceHz)));
  const commands = RatiohuntTemperPanel.mosCommandLines(items, basis, size, fileWords);
  const made = page.engine.mos({items, basis, size, baseNote: Number(RATIOHUNT_SCALE_DEFAULTS.baseNote),
                                baseHz: pageBaseHz(), command: commands.written});
  if (made.error) return made;
  return {records: made.records.trim().split('\n').map((line) => JSON.parse(line)), scl: made.scl, kbm: made.kbm,
          command: commands.shown};
}

// Hands the chosen scale to the scale panel's player: its keys and computer keys play it,
// its downloads are the scale's files.
function temperamentScaleToKeys() {
  const made = temperamentScale();
  if (!made) return;
  if (made.error) {
    $('temper-status').textContent = `The program refuses this scale: ${made.error}`;
    return;
  }
  const scale = RatiohuntTemperPanel.mosPlayerScale(made.records);
  dropScaleInWorker();  // a scale still being made would take this one's place
  window.ratiohuntScalePanel.load({...scale, files: {scl: made.scl, kbm: made.kbm}, command: made.command,
                                   status: `${scale.description}: play it on the keys below or on the computer's keys.`});
  $('scale-keys').scrollIntoView({block: 'nearest'});
}

// Plays the chosen scale on context (the page's own unless given: the tests give an
// OfflineAudioContext); returns what was scheduled, or null with no scale to play.
function playScale(context) {
  const made = temperamentScale();
  if (!made || made.error) return null;
  if (!context) {
    if (!page.audio) page.audio = new AudioContext();
    page.audio.resume();
  }
  const audio = context || page.audio;
  if (page.sound) page.sound.disconnect();
  const output = audio.createGain();
  output.connect(audio.destination);
  page.sound = output;
  return RatiohuntSound.scheduleMelody(audio, RatiohuntTemperPanel.scaleRatios(made.records),
                                       {baseHz: pageBaseHz(), volume: Number($('volume').value), destination: output});
}

function fillTemperFromUrl() {
  const temper = RatiohuntQuery.temperFromHash(location.hash);
  if (!temper) return false;
  $('temper-items').value = temper.items;
  $('temper-basis').value = temper.basis;
  return true;
}

// ---- The plot ------------------------------------------------------------------------

function describePoint(index) {
  const content = rowContent(index);
  return `${content.ratio}  ${content.monzo}\n${content.centsText} cents` + (content.name ? `, ${content.name}` : '');
}

function zoomFieldsChanged() {
  const from = readSignedNumber($('zoom-from').value);
  const to = readSignedNumber($('zoom-to').value);
  page.plot.setZoom(Number.isFinite(from) && Number.isFinite(to) ? {from, to} : null);
}

function showZoom(zoom) {
  $('zoom-from').value = zoom ? String(Number(zoom.from.toPrecision(6))) : '';
  $('zoom-to').value = zoom ? String(Number(zoom.to.toPrecision(6))) : '';
}

// ---- Downloads -----------------------------------------------------------------------

// The downloads have the layouts of ratiohunt --format=csv and --format=json, the rows
// that pass the filter in the order shown.
function csvText() {
  const count = page.query.factors.length;
  const exponents = new Int32Array(page.view.length * count);
  const cents = new Float64Array(page.view.length);
  page.view.forEach((index, row) => {
    exponents.set(exponentsAt(page.store, index), row * count);
    cents[row] = page.store.cents[index];
  });
  return page.engine.csvText(page.query, {exponents, cents});
}

// JSON Lines: each approximant record as the engine wrote it, then the summary.
function jsonText() {
  const lines = Array.from(page.view, (index) => lineAt(page.store, index));
  if (page.summary) lines.push(page.summary.line);
  return lines.join('\n') + '\n';
}

function download(blob, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 0);
}

// ---- What the tests read -------------------------------------------------------------

// The rows in the order shown, as the table shows them, whether or not they are in sight.
window.ratiohuntRows = () => Array.from(page.view, rowContent);
window.ratiohuntRowCount = () => page.view.length;
window.ratiohuntPlot = () => page.plot.state;
window.ratiohuntTemperament = () => (page.temper ? page.temper.result : null);
window.ratiohuntPlayScale = playScale;

// ---- Wiring --------------------------------------------------------------------------

function onEvents(ids, type, handler) {
  for (const id of ids) $(id).addEventListener(type, handler);
}

// Starts the engine on this thread for its readers and spellings; without it the page
// cannot search, and says so.
function startEngine(fromUrl) {
  const failed = (error) => {
    page.engineProblem = `The search engine did not start, so the page cannot search: ${String(error)}`;
    document.body.dataset.engine = 'failed';
    $('run').disabled = true;
    setStatus(page.engineProblem);
  };
  const started = (engine) => {
    page.engine = RatiohuntEngineCalls.engineCalls(engine);
    document.body.dataset.engine = 'ready';
    if (fillTemperFromUrl()) showTemperament();
    if (fromUrl || page.searchWhenReady) runSearch();
  };
  try {
    createRatiohuntEngine({onRecordLine: () => {}, onProgress: () => {}}).then(started, failed);
  } catch (error) {
    failed(error);  // engine.js did not load
  }
}

function start() {
  page.plot = RatiohuntPlot.createPlot($('plot'), $('plot-tooltip'), {
    describe: describePoint,
    select: (index) => select(index, true),
    zoomed: showZoom,
    play,
  });
  const fromUrl = hashToValues(location.hash, DEFAULTS);
  fillForm(fromUrl || DEFAULTS);
  $('base-hz').value = DEFAULTS.referenceHz;
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
    syncLimitChoice();
  });
  $('factors').addEventListener('input', syncLimitChoice);
  $('subgroup').addEventListener('input', subgroupChanged);
  $('subgroup').addEventListener('change', syncLimitChoice);
  for (const radio of document.querySelectorAll('input[name="mode"]')) radio.addEventListener('change', syncWindowFields);
  for (const button of document.querySelectorAll('th button')) {
    button.addEventListener('click', () => sortBy(button.dataset.sort));
  }
  let filterTimer = 0;
  onEvents(['filter-limit', 'filter-height', 'filter-name'], 'input', () => {
    clearTimeout(filterTimer);
    filterTimer = setTimeout(filterChanged, 150);
  });
  $('table-wrap').addEventListener('scroll', scheduleRender);
  $('results').tBodies[0].addEventListener('click', (event) => {
    const row = event.target.closest('tr.row');
    if (!row) return;
    const index = Number(row.dataset.index);
    if (event.target.matches('input.tick')) {
      if (event.target.checked) page.ticked.add(index);
      else page.ticked.delete(index);
      return;
    }
    if (event.target.closest('button.play')) play(index);
    select(index, false);
  });
  $('play-selected').addEventListener('click', () => play(page.selected));
  onEvents(['zoom-from', 'zoom-to'], 'change', zoomFieldsChanged);
  $('zoom-reset').addEventListener('click', () => {
    showZoom(null);
    page.plot.setZoom(null);
  });
  window.addEventListener('resize', () => page.plot.draw());
  $('download-csv').addEventListener('click', () => download(new Blob([csvText()], {type: 'text/csv'}), 'ratiohunt.csv'));
  $('download-json').addEventListener('click',
                                      () => download(new Blob([jsonText()], {type: 'application/jsonl'}), 'ratiohunt.jsonl'));
  $('download-png').addEventListener('click', () => page.plot.pngBlob((blob) => download(blob, 'ratiohunt.png')));
  $('temper-form').addEventListener('submit', (event) => {
    event.preventDefault();
    showTemperament();
  });
  $('temper-ticked').addEventListener('click', temperamentOfTicked);
  $('temper-play').addEventListener('click', () => playScale());
  $('temper-keys').addEventListener('click', temperamentScaleToKeys);
  window.addEventListener('hashchange', () => {
    const values = hashToValues(location.hash, DEFAULTS);  // before the panel writes the link again
    if (page.engine && fillTemperFromUrl()) showTemperament();
    if (values) {
      fillForm(values);
      runSearch();
    }
  });
  window.ratiohuntScalePanel = RatiohuntScalePanel.startScalePanel({
    engine: () => page.engine,
    tickedRows: () => Array.from(page.ticked, (index) => {
      const record = recordAt(page.store, index);
      return {ratio: `${record.numerator}/${record.denominator}`, cents: record.cents};
    }),
    baseHz: pageBaseHz,
    volume: () => Number($('volume').value),
    download,
    makeScale: makeScaleInWorker,
    dropScale: dropScaleInWorker,
    timeOut: DEFAULTS.timeout,
  });
  refresh(true);
  startEngine(fromUrl);
}

