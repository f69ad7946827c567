// The temperament panel: its pure parts under node, then the page in Chromium against the
// native `ratiohunt temper --format=json` (and `--mos=7`) for several temperaments, its
// refusals in the program's words, the link that carries it, ticked rows of a comma search,
// its 7-note scale rendered on an OfflineAudioContext, and its scales of each size handed to
// the scale panel's keys and downloads, which are the files `temper --mos=N` writes.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';
import {after, before, describe, it} from 'node:test';

import {catchDownloads, closeBrowser, downloadedTexts, launchBrowser, NATIVE_PROGRAM, openPage, pageFileUrl, playedKey,
        queryHash, waitForEngine, waitForSearchEnd} from './harness.mjs';

const require = createRequire(import.meta.url);
const {temperamentRows, tickedItems, temperCommandLine, mosCommandLines, defaultMosSize, mosPlayerScale, scaleRatios} =
    require('../page/temper_panel.js');
const {withTemper, temperFromHash} = require('../page/query.js');

const RELATIVE_TOLERANCE = 1e-9;
const TEMPERAMENTS = [
  {name: 'meantone', items: '81/80', basis: ''},
  {name: 'marvel in the 11-limit', items: '225/224 385/384', basis: '11'},
  {name: 'miracle', items: '225/224 1029/1024', basis: ''},
  {name: 'porcupine', items: '250/243', basis: ''},
  {name: '12 & 19 in the 5-limit', items: '12 & 19', basis: '5'},
  {name: 'an explicit val on a subgroup', items: '<12 19 34]', basis: '2.3.7'},
];
// What the panel leaves to words: the report's version, and the monzos and mapping
// coordinates behind the ratios it shows.
const NOT_SHOWN = /^(format_version|commas\..*|(period|generators\.\d+)\.(monzo|in_mapping_generators)\..*)$/;

function native(args) {
  return spawnSync(NATIVE_PROGRAM, ['temper', ...args], {encoding: 'utf8'});
}

function basisArgs(basis) {
  if (basis === '') return [];
  return [/^\d+$/.test(basis) ? `--limit=${basis}` : `--subgroup=${basis}`];
}

// The words as the shell would split the field (the program joins "12", "&", "19" itself).
function nativeTemperament(case_) {
  const run = native([...case_.items.split(/\s+/), ...basisArgs(case_.basis), '--format=json']);
  assert.equal(run.status, 0, run.stderr);
  return JSON.parse(run.stdout);
}

function nativeScale(case_) {
  const run = native([...case_.items.split(/\s+/), ...basisArgs(case_.basis), '--mos=7', '--format=json']);
  if (run.status !== 0) return {problem: run.stderr.replace(/^ratiohunt: temper: /, '').trimEnd()};
  return {records: run.stdout.trim().split('\n').map((line) => JSON.parse(line))};
}

// The program run in a fresh folder as `temper ARGS`: its run and the two files it wrote there.
function nativeFiles(args) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'ratiohunt-mos-'));
  const run = spawnSync(NATIVE_PROGRAM, ['temper', ...args], {cwd: folder, encoding: 'utf8'});
  const read = (name) => fs.readFileSync(path.join(folder, name), 'utf8');
  const files = run.status === 0 ? {scl: read('ratiohunt.scl'), kbm: read('ratiohunt.kbm')} : null;
  fs.rmSync(folder, {recursive: true});
  return {run, files};
}

function numericLeaves(value, path = '', leaves = []) {
  if (typeof value === 'number') leaves.push(path);
  else if (value && typeof value === 'object') {
    for (const [key, inner] of Object.entries(value)) numericLeaves(inner, path ? `${path}.${key}` : key, leaves);
  }
  return leaves;
}

const at = (report, path) => path.split('.').reduce((inner, key) => inner[key], report);

function assertClose(got, expected, what) {
  const scale = Math.max(Math.abs(expected), Number.MIN_VALUE);
  assert.ok(Math.abs(got - expected) <= RELATIVE_TOLERANCE * scale, `${what}: ${got} vs ${expected}`);
}

// Every record's fields: numbers within the tolerance, the rest equal.
function assertRecordsClose(got, expected, what) {
  assert.equal(got.length, expected.length, `${what}: records`);
  got.forEach((record, i) => {
    assert.deepEqual(Object.keys(record), Object.keys(expected[i]), `${what} ${i}: fields`);
    for (const [key, value] of Object.entries(expected[i])) {
      if (typeof value === 'number') assertClose(record[key], value, `${what} ${i}.${key}`);
      else assert.deepEqual(record[key], value, `${what} ${i}.${key}`);
    }
  });
}

describe('the panel\'s pure parts', () => {
  it('lays out every number of the report with its path, and the command line names the basis', () => {
    const report = {basis: [2, 3, 5], rank: 1, mapping: [[12, 19, 28]],
                    period: {ratio: '16/15', cents: {te: 100.1, pote: 100, cte: 100}},
                    generators: [], commas: [{ratio: '81/80', name: 'syntonic comma'}, {ratio: '128/125'}],
                    tuning_maps: {te: [1201, 1900, 2800], pote: [1200, 1900, 2800], cte: [1200, 1901, 2801]},
                    te_error: 0.5, te_complexity: 1.5, badness: 0.25, pote_errors: [0, -1.9, 13.7],
                    consistency_limit: 9, consistency_limit_is_a_lower_bound: true,
                    pote_errors_percent_of_step: [0, -1.9, 13.7], periods_per_equave: 12, edos: []};
    const rows = temperamentRows(report);
    const shown = rows.flatMap((row) => row.parts).filter((part) => part.path !== undefined);
    for (const part of shown) assert.equal(part.value, at(report, part.path), part.path);
    assert.deepEqual(shown.map((part) => part.path).sort(), numericLeaves(report).sort());
    const words = (label) => rows.find((row) => row.label === label).parts.filter((part) => part.text)
                                 .map((part) => part.text);
    assert.deepEqual(words('Commas'), ['81/80 (syntonic comma), 128/125']);
    assert.deepEqual(words('Consistent to'), ['at least']);
    assert.deepEqual(words('EDOs'), ['none']);
    assert.equal(temperCommandLine(' 12 & 19 ', '5'), 'ratiohunt temper 12 \'&\' 19 --limit=5 --format=json');
    assert.equal(temperCommandLine('<12 19 34]', '2.3.7'),
                 'ratiohunt temper \'<12\' 19 \'34]\' --subgroup=2.3.7 --format=json');
    assert.equal(temperCommandLine('81/80', ''), 'ratiohunt temper 81/80 --format=json');
  });

  it('carries the items in a link beside the search, and takes ticked rows with their factors', () => {
    const search = '#target=1%2F1&factors=2+3+5';
    const hash = withTemper(search, {items: '12 & 19', basis: '5'});
    assert.deepEqual(temperFromHash(hash), {items: '12 & 19', basis: '5'});
    assert.equal(new URLSearchParams(hash.slice(1)).get('target'), '1/1');
    assert.equal(withTemper(hash, {items: ' ', basis: '5'}), search);
    assert.equal(withTemper('', null), '');
    assert.equal(temperFromHash(search), null);
    assert.deepEqual(temperFromHash(withTemper('', {items: '81/80', basis: ''})), {items: '81/80', basis: ''});
    assert.deepEqual(tickedItems(['81/80', '126/125'], [1, 2, 3, 5, 7]), {items: '81/80 126/125', basis: '2.3.5.7'});
    const ratios = scaleRatios([{type: 'degree', cents: 1200}, {type: 'mos'}]);
    assert.deepEqual(ratios, [1, 2]);
  });

  it('starts the scale sizes at 7 or the first of 5 notes, and names the scale\'s files as the program does', () => {
    assert.equal(defaultMosSize([2, 3, 5, 7, 12]), 7);
    assert.equal(defaultMosSize([4, 6, 8, 10]), 6);
    assert.equal(defaultMosSize([2, 3]), 3);
    // The shell's quotes are in the line shown, never in the line the files' comments hold.
    assert.deepEqual(mosCommandLines('12 & 19', '5', 7, ['--scl=a.scl', '--kbm=a.kbm']),
                     {shown: 'ratiohunt temper 12 \'&\' 19 --limit=5 --mos=7 --scl=a.scl --kbm=a.kbm',
                      written: 'ratiohunt temper 12 & 19 --limit=5 --mos=7 --scl=a.scl --kbm=a.kbm'});
    const scale = mosPlayerScale([{type: 'degree', degree: 1, cents: 600.4, generators: 1, periods: 0},
                                  {type: 'degree', degree: 2, cents: 1200, generators: 0, periods: 1},
                                  {type: 'mos', equave: '2/1', description: 'two notes'}]);
    assert.deepEqual(scale.keyLabels, ['600', '2/1']);
    assert.deepEqual(scale.rows[0], ['1', '600.400', '1', '0']);
    assert.deepEqual(scale.degreeCents, [600.4, 1200]);
  });
});

describe('the temperament panel in Chromium', () => {
  let browser;
  before(async () => {
    browser = await launchBrowser();
  });
  after(async () => {
    await closeBrowser(browser);
  });

  async function show(page, items, basis) {
    await page.evaluate(() => delete document.body.dataset.temper);
    await page.$eval('#temper-items', (input, text) => { input.value = text; }, items);
    await page.$eval('#temper-basis', (input, text) => { input.value = text; }, basis);
    await page.click('#temper-run');
    await page.waitForFunction(() => document.body.dataset.temper !== undefined);
  }

  // The numbers as the panel holds them: its spans' paths and full values.
  const shownNumbers = (page) => page.$$eval('#temper-table span.number', (spans) => spans.map(
      (span) => ({path: span.dataset.path, value: Number(span.dataset.value)})));

  function assertPanelMatches(numbers, expected, what) {
    for (const {path, value} of numbers) assertClose(value, at(expected, path), `${what}: ${path}`);
    const wanted = numericLeaves(expected).filter((path) => !NOT_SHOWN.test(path));
    assert.deepEqual(numbers.map((number) => number.path).sort(), wanted.sort(), `${what}: the numbers shown`);
  }

  it('shows the native numbers and 7-note scale of each temperament', async () => {
    const page = await openPage(browser, pageFileUrl());
    await waitForEngine(page);
    for (const case_ of TEMPERAMENTS) {
      await show(page, case_.items, case_.basis);
      const expected = nativeTemperament(case_);
      assertPanelMatches(await shownNumbers(page), expected, case_.name);
      const result = await page.evaluate(() => window.ratiohuntTemperament());
      const commas = await page.$eval('#temper-table', (table) => table.textContent);
      for (const comma of expected.commas) assert.ok(commas.includes(comma.ratio), `${case_.name}: ${comma.ratio}`);
      const scale = nativeScale(case_);
      if (scale.records) {
        assertRecordsClose(result.mos, scale.records, `${case_.name} scale`);
        assert.equal(await page.$eval('#temper-play', (button) => button.disabled), false);
      } else {
        assert.equal(result.mos_problem, scale.problem, case_.name);
        assert.match(await page.$eval('#temper-status', (status) => status.textContent), /^No scale to play: /);
        assert.equal(await page.$eval('#temper-play', (button) => button.disabled), true);
      }
      const command = await page.$eval('#temper-command', (code) => code.textContent);
      assert.equal(command, temperCommandLine(case_.items, case_.basis));
    }
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  it('refuses as the program does: the words of its error, nothing shown, no scale for rank 1', async () => {
    const page = await openPage(browser, pageFileUrl());
    await waitForEngine(page);
    for (const [items, basis] of [['81/80 12', ''], ['12 19', ''], ['81/80', '2.3.7'], ['81/80 x', ''],
                                  ['[99999999999999999999 1>', '']]) {
      await show(page, items, basis);
      const run = native([...items.split(/\s+/), ...basisArgs(basis), '--format=json']);
      assert.equal(run.status, 2, items);
      const message = run.stderr.replace(/^ratiohunt: temper: /, '').trimEnd();
      assert.equal(await page.evaluate(() => window.ratiohuntTemperament().error), message, items);
      assert.equal(await page.$eval('#temper-error', (error) => error.textContent),
                   `The program refuses these items: ${message}`);
      assert.equal(await page.$$eval('#temper-table tr', (rows) => rows.length), 0);
    }
    await show(page, '12', '5');
    const problem = native(['12', '--limit=5', '--mos=7']).stderr.replace(/^ratiohunt: temper: /, '').trimEnd();
    assert.equal(await page.$eval('#temper-status', (status) => status.textContent),
                 `No scale to play: ${problem}`);
    await show(page, '1', 'x.3');  // a basis the program refuses as its option
    const refusal = native(['1', '--subgroup=x.3']).stderr.split('\n')[0].replace(/^ratiohunt: /, '');
    assert.equal(await page.$eval('#temper-error', (error) => error.textContent),
                 `The program refuses these items: ${refusal}`);
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  it('keeps the items in the link, which shows the same numbers in a new page', async () => {
    const page = await openPage(browser, pageFileUrl());
    await waitForEngine(page);
    await show(page, '225/224 385/384', '11');
    const url = await page.evaluate(() => location.href);
    assert.deepEqual(temperFromHash(new URL(url).hash), {items: '225/224 385/384', basis: '11'});
    const numbers = await shownNumbers(page);
    const second = await openPage(browser, url);
    await second.waitForFunction(() => document.body.dataset.temper === 'shown');
    assert.equal(await second.$eval('#temper-items', (input) => input.value), '225/224 385/384');
    assert.equal(await second.$eval('#temper-basis', (input) => input.value), '11');
    assert.deepEqual(await shownNumbers(second), numbers);
    assert.deepEqual(second.problems, []);
    await page.close();
    await second.close();
  });

  it('makes the temperament of ticked comma rows, kept in the link beside the search, and follows a link', async () => {
    const query = {target: '1/1', factors: '2 3 5', mode: 'range', low: 0, high: 25, maxq: 100000, timeout: 30};
    const page = await openPage(browser, pageFileUrl() + queryHash(query));
    await waitForSearchEnd(page);
    await page.click('#temper-ticked');
    assert.equal(await page.$eval('#temper-status', (status) => status.textContent), 'Tick rows of a comma search first.');
    const tick = await page.$$eval('#results tbody tr.row', (rows) => rows.findIndex(
        (row) => row.querySelector('td.ratio').textContent === '80/81'));
    assert.ok(tick >= 0, 'no row of 80/81');
    await page.click(`#results tbody tr.row:nth-of-type(${tick + 2}) input.tick`);
    await page.click('#temper-ticked');
    await page.waitForFunction(() => document.body.dataset.temper === 'shown');
    assert.equal(await page.$eval('#temper-items', (input) => input.value), '80/81');
    assert.equal(await page.$eval('#temper-basis', (input) => input.value), '2.3.5');
    assertPanelMatches(await shownNumbers(page), nativeTemperament({items: '80/81', basis: '2.3.5'}), 'ticked');
    const params = new URLSearchParams(await page.evaluate(() => location.hash.slice(1)));
    assert.equal(params.get('target'), '1/1');
    assert.equal(params.get('temper'), '80/81');
    // A link followed in the same page brings its search and its items both.
    const followed = {target: '9/8', factors: '2 3', mode: 'successive', maxq: 1000, timeout: 10};
    await page.evaluate(() => delete document.body.dataset.temper);
    await page.evaluate((hash) => { location.hash = hash; }, withTemper(queryHash(followed), {items: '12 & 19', basis: '5'}));
    await page.waitForFunction(() => document.body.dataset.temper === 'shown' && document.body.dataset.state === 'done');
    assert.equal(await page.$eval('#target', (input) => input.value), '9/8');
    assert.equal(await page.$eval('#temper-items', (input) => input.value), '12 & 19');
    assertPanelMatches(await shownNumbers(page), nativeTemperament({items: '12 & 19', basis: '5'}), 'followed link');
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  it('fits a phone screen with a temperament shown', async () => {
    const hash = withTemper('', {items: '225/224 385/384', basis: '11'});
    const page = await openPage(browser, pageFileUrl() + hash, {width: 360, height: 740, isMobile: true});
    await page.waitForFunction(() => document.body.dataset.temper === 'shown');
    assert.ok(await page.$$eval('#temper-table span.number', (spans) => spans.length) > 30);
    const width = await page.evaluate(() => document.documentElement.scrollWidth);
    assert.ok(width <= 360, `page is ${width}px wide`);
    await page.close();
  });

  it('plays the scale note after note from 1/1 to the equave', async () => {
    const page = await openPage(browser, pageFileUrl());
    await waitForEngine(page);
    await show(page, '81/80', '');
    const measured = await page.evaluate(async () => {
      const rate = 22050;
      const context = new OfflineAudioContext(1, rate * 9, rate);
      document.getElementById('base-hz').value = '200';
      const sound = window.ratiohuntPlayScale(context);
      const samples = (await context.startRendering()).getChannelData(0);
      // Upward zero crossings, placed between samples, counted over each note's middle.
      const frequency = (from, to) => {
        let first = -1;
        let last = -1;
        let cycles = 0;
        for (let i = Math.floor(from * rate) + 1; i < to * rate; ++i) {
          if (samples[i - 1] < 0 && samples[i] >= 0) {
            const crossing = i - 1 + samples[i - 1] / (samples[i - 1] - samples[i]);
            if (first < 0) first = crossing;
            else ++cycles;
            last = crossing;
          }
        }
        return cycles * rate / (last - first);
      };
      return {sound, heard: sound.frequencies.map((_, i) => frequency(i + 0.1, i + 0.9)),
              after: Math.max(...samples.slice(Math.ceil(sound.seconds * rate) + 10).map(Math.abs))};
    });
    const degrees = nativeScale({items: '81/80', basis: ''}).records.filter((record) => record.type === 'degree');
    const expected = [200, ...degrees.map((degree) => 200 * 2 ** (degree.cents / 1200))];
    assert.equal(measured.sound.frequencies.length, 8);
    assert.equal(measured.sound.seconds, 8);
    expected.forEach((hz, i) => {
      assertClose(measured.sound.frequencies[i], hz, `note ${i}`);
      assert.ok(Math.abs(measured.heard[i] - hz) < 0.5, `note ${i} heard at ${measured.heard[i]} Hz, not ${hz}`);
    });
    assert.equal(measured.after, 0);
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  // Hands the chosen size of the shown temperament to the scale panel and downloads its files.
  async function scaleFiles(page, size) {
    if (size !== undefined) await page.select('#temper-mos-size', String(size));
    await catchDownloads(page);
    await page.click('#temper-keys');
    await page.click('#scale-download-scl');
    await page.click('#scale-download-kbm');
    const [scl, kbm] = await downloadedTexts(page);
    return {scl, kbm};
  }

  it('offers each size of scale, played on the keys and downloaded as the program writes it', async () => {
    const page = await openPage(browser, pageFileUrl());
    await waitForEngine(page);
    await show(page, '81/80', '5');
    const offered = await page.$$eval('#temper-mos-size option', (options) => options.map((option) => option.value));
    assert.deepEqual(offered, ['2', '3', '5', '7', '12', '19', '31', '50', '81']);
    const refusal = native(['81/80', '--limit=5', '--mos=8']).stderr;
    assert.ok(refusal.trimEnd().endsWith(`two: ${offered.join(' ')}`), refusal);
    assert.equal(await page.$eval('#temper-mos-size', (chooser) => chooser.value), '7');
    const files = await scaleFiles(page);
    const args = ['81/80', '--limit=5', '--mos=7'];
    assert.deepEqual(files, nativeFiles([...args, '--scl=ratiohunt.scl', '--kbm=ratiohunt.kbm']).files);
    // On standard output the file is the same but for the comments naming it and its command.
    const dropComments = (text) => text.split('\n').filter((line) => !line.startsWith('!')).join('\n');
    assert.equal(dropComments(files.scl), dropComments(native([...args, '--scl=-']).stdout));
    assert.equal(await page.$$eval('#scale-degrees tbody tr', (rows) => rows.length), 7);
    assert.equal(await page.$$eval('#scale-keys button', (keys) => keys.length), 15);
    // A computer key plays the scale's second note on the scale panel's audio context.
    const note = await playedKey(page, 'KeyX');
    const first = JSON.parse(native([...args, '--format=json']).stdout.split('\n')[0]);
    const hz = 261.6256 * 2 ** (first.cents / 1200);
    assert.equal(note.played.step, 1);
    assertClose(note.played.hz, hz, 'the key\'s note');
    assert.ok(Math.abs(note.crossings - hz) <= 2, `${note.crossings} cycles in a second`);
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  it('writes the files of other temperaments and sizes; a rank other than 2 has the program\'s words', async () => {
    const page = await openPage(browser, pageFileUrl());
    await waitForEngine(page);
    // The 1/1 at another pitch than the program's is an option of the command line too.
    for (const [items, basis, size, hz] of [['250/243', '5', undefined, '440'], ['250/243', '5', 15, ''],
                                            ['12 & 19', '5', 12, ''], ['2048/2025', '5', undefined, '']]) {
      await page.$eval('#base-hz', (input, text) => { input.value = text; }, hz);
      await show(page, items, basis);
      const chosen = size === undefined ? defaultMosSize(JSON.parse(await page.evaluate(
                                              () => JSON.stringify(window.ratiohuntTemperament().mos_sizes))))
                                        : size;
      const files = await scaleFiles(page, size);
      const expected = nativeFiles([...items.split(' '), `--limit=${basis}`, `--mos=${chosen}`,
                                    ...(hz ? [`--base-frequency=${hz}`] : []), '--scl=ratiohunt.scl',
                                    '--kbm=ratiohunt.kbm']);
      assert.equal(expected.run.status, 0, expected.run.stderr);
      assert.deepEqual(files, expected.files, `${items} --mos=${chosen}`);
      assert.equal(await page.$eval('#temper-status', (status) => status.textContent), '');
    }
    assert.equal(await page.$eval('#temper-mos-size', (chooser) => chooser.value), '6');  // 7 is no size of 2 periods
    await show(page, '225/224 385/384', '11');
    const problem = native(['225/224', '385/384', '--limit=11', '--mos=7']).stderr.replace(/^ratiohunt: temper: /, '');
    assert.equal(await page.$eval('#temper-status', (status) => status.textContent),
                 `No scale to play: ${problem.trimEnd()}`);
    assert.equal(await page.$eval('#temper-scale', (chooser) => chooser.hidden), true);
    assert.deepEqual(page.problems, []);
    await page.close();
  });
});
