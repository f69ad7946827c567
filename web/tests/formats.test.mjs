// The page's record formats and record store under node, without a browser: the engine the
// page calls for monzo text, numbers, CSV rows, targets, search ends and refusals, against the
// native program's own output for the same records and the table of target notations the
// program's reader is tested with; and the store's view.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import {createRequire} from 'node:module';
import {before, describe, it} from 'node:test';

import {NATIVE_PROGRAM, nativeOutput, startEngine} from './harness.mjs';

const require = createRequire(import.meta.url);
const formats = require('../page/formats.js');
const records = require('../page/records.js');
const {checkValues} = require('../page/query.js');
const NOTATIONS = JSON.parse(fs.readFileSync(new URL('../../tests/data/target_notations.json', import.meta.url), 'utf8'));

let engine;
before(async () => { engine = await startEngine(); });

const FACTOR_LISTS = ['2', '3 2', '2 3 5', '2 3 5 7', '2 3 5 7 11', '2 3 5 7 11 13', '2 9 5 7 11 13 17',
                      '6 4 35 11 13 17 19 23', '2 3 5 7 11 13 17 19 23'];
// Within 40 cents of 1/1 (the octaves, for one factor 2); a larger quotient for the 3-limit.
const commaQuery = (factors) => ({target: '1/1', factors, mode: 'range', low: factors === '2' ? -1300 : -40,
                                  high: factors === '2' ? 1300 : 40, maxq: factors === '3 2' ? 1e6 : 3000, timeout: 60,
                                  every: true});

function nativeRangeText(query) {
  const args = ['--no-wait', '1', '1', String(query.maxq), '5', String(query.timeout), '-2', String(query.low),
                String(query.high), ...query.factors.split(' '), '--every-vector'];
  return spawnSync(NATIVE_PROGRAM, args, {input: '', encoding: 'utf8'}).stdout;
}

// The query the page runs for a test query, its target read by the engine.
function pageQuery(query) {
  const values = {target: query.target, factors: query.factors, low: String(query.low ?? 0),
                  high: String(query.high ?? 1), maxq: String(query.maxq), precision: '5',
                  timeout: String(query.timeout), mode: query.mode, every: Boolean(query.every)};
  const checked = checkValues(values, engine.readTarget);
  assert.deepEqual(checked.errors, {}, query.target);
  return checked.query;
}

describe('record formats, as the program writes them', () => {
  it('writes every monzo as the program does, for one to nine factors', () => {
    for (const factors of FACTOR_LISTS) {
      const query = commaQuery(factors);
      const json = nativeOutput(query, 'json').map((line) => JSON.parse(line)).filter((r) => r.type === 'approximant');
      const monzos = nativeRangeText(query).split('\n').filter((line) => line.startsWith('['))
                         .map((line) => line.slice(0, line.indexOf('>') + 1));
      assert.ok(json.length > 0, factors);
      assert.deepEqual(json.map((record) => engine.monzoText(record.exponents)), monzos, factors);
    }
  });

  it('writes the CSV byte for byte from the records the page keeps, header first', () => {
    const queries = FACTOR_LISTS.map(commaQuery).concat([
      // An exact hit (distance 0), and distances small enough for an exponent.
      {target: '5/4', factors: '2 3 5', mode: 'successive', maxq: 1e12, timeout: 60, every: true},
      {target: '1.148698354997035', factors: '2 3 5 7 11 13 17 19', mode: 'successive', maxq: 1e12, timeout: 60},
    ]);
    let rows = 0;
    for (const query of queries) {
      const json = nativeOutput(query, 'json').map((line) => JSON.parse(line)).filter((r) => r.type === 'approximant');
      const csv = nativeOutput(query, 'csv');
      const kept = {exponents: Int32Array.from(json.flatMap((record) => record.exponents)),
                    cents: Float64Array.from(json, (record) => record.cents)};
      assert.equal(engine.csvText(pageQuery(query), kept), csv.join('\n') + '\n', query.factors);
      rows += json.length;
    }
    assert.ok(rows > 300, `${rows} rows compared`);
    assert.ok(queries.some((query) => nativeOutput(query, 'csv').some((row) => /e-\d\d/.test(row))), 'an exponent form');
  });

  it('spells numbers as the records do, and sizes with the digits shown', () => {
    const CASES = [[0.1, 0, '0.1'], [1 / 3, 0, '0.3333333333333333'], [2.5e-7, 0, '2.5e-07'], [Infinity, 0, 'null'],
                   [701.955000865, 5, '701.96'], [-3.5, 3, '-3.5'], [1.5e-5, 3, '1.5e-05'], [1200, 2, '1.2e+03']];
    for (const [value, digits, text] of CASES) assert.equal(engine.numberText(value, digits), text, `${value} ${digits}`);
    assert.equal(formats.centsText(engine.numberText, null, 5), '');
    assert.equal(formats.centsText(engine.numberText, undefined, 5), '');
  });
});

// Each reader gives {x, y} or {error}: the native program through its command line, the
// engine as the page calls it. The same table runs through both.
const READERS = {
  native(input) {
    // A max quotient of 1: the program reads the target and searches nothing.
    const run = spawnSync(NATIVE_PROGRAM, ['--format=json', input, '1', '5', '4', '-1', '2', '3'],
                          {input: '', encoding: 'utf8'});
    if (run.status !== 0) {
      const problem = /^ratiohunt: '.*' is not a target(?: N\/D)?: (.*)$/m.exec(run.stderr);
      return {error: problem ? problem[1] : run.stderr};
    }
    const summary = JSON.parse(run.stdout.trim().split('\n').at(-1));
    return {x: summary.x, y: summary.y};
  },
  engine(input) { return engine.readTarget(input); },
};

describe('target notations', () => {
  for (const [name, read] of Object.entries(READERS)) {
    it(`reads each input of the shared table as the value it means, or as its problem (${name})`, () => {
      for (const entry of NOTATIONS.cases) {
        const parsed = read(entry.input);
        if (entry.error !== undefined) {
          assert.ok(parsed.error?.includes(entry.error), `${entry.input}: ${parsed.error}`);
          continue;
        }
        assert.equal(parsed.error, undefined, entry.input);
        for (const part of ['x', 'y']) {
          assert.ok(Math.abs(parsed[part] - entry[part]) <= 1e-12 * entry[part], `${entry.input}: ${part} ${parsed[part]}`);
        }
      }
    });
  }

  it('reads each input of the table exactly as the program does: the same doubles, or the same problem', () => {
    for (const entry of NOTATIONS.cases) {
      const [native, page] = [READERS.native(entry.input), READERS.engine(entry.input)];
      if (native.error !== undefined) assert.equal(page.error, native.error, entry.input);
      else assert.deepEqual([page.x, page.y], [native.x, native.y], entry.input);
    }
  });

  it('reads the ratios old links carry', () => {
    for (const [input, x, y] of [['7/6', 7, 6], ['7:6', 7, 6], [' 2.5 / 1.7 ', 2.5, 1.7], ['1.25', 1.25, 1]]) {
      assert.deepEqual(engine.readTarget(input), {x, y, notation: 'ratio', unison: false}, input);
    }
    for (const input of ['7/0', '-3/2', '1/2/3', '1e300/1e-300', '', 'seven']) {
      const read = engine.readTarget(input);
      assert.ok(read.error, input);
      assert.equal(read.notation, 'ratio', input);
    }
  });

  it('refuses a blank inside a cents or steps notation, which the program would read another way', () => {
    for (const input of ['12 c', '700 ¢', '7 \\12', '7\\ 12']) {
      assert.equal(engine.readTarget(input).error, 'a blank inside the notation', input);
    }
  });

  it('takes a target as the unison by the search\'s own tolerance, as the program lists commas for it', () => {
    for (const [input, unison] of [['1/1', true], ['[0 0>', true], ['0c', true], ['1.00000000001', true],
                                   ['1.000001', false], ['81/80', false]]) {
      assert.equal(engine.readTarget(input).unison, unison, input);
    }
  });
});

describe('search ends and refusals, in the program\'s words', () => {
  it('has the text output\'s message for every end that stops a search early, and none for the others', () => {
    for (const [end, message] of [['exhausted', ''], ['exact_hit', ''], ['time_out', /^time out at 4\.5 secs/],
                                  ['interrupted', /^interrupted at 4\.5 secs/],
                                  ['output_lost', /^stopped at 4\.5 secs: standard output could not be written$/]]) {
      const text = engine.endText(end, 4.5);
      assert.equal(text.known, true, end);
      if (message === '') assert.equal(text.message, '', end);
      else assert.match(text.message, message, end);
    }
    assert.deepEqual(engine.endText('incomplete', 1), {known: false, message: ''});
    const summary = {records: 2, tested: 10, seconds: 4.5, end: 'output_lost'};
    assert.match(formats.summaryText(summary, engine.endText), /; stopped at 4\.5 secs: standard output/);
    assert.equal(formats.summaryText(null, engine.endText), 'The search ended without a summary.');
  });

  it('refuses a search the program refuses, with the lines the program prints', () => {
    const CASES = [
      [['0', '1'], {x: 0, y: 1, factors: [2, 3]}],
      [['-7', '6'], {x: -7, y: 6, factors: [2, 3]}],
      [['7', '6', '2', '0', '5'], {x: 7, y: 6, factors: [2, 0, 5]}],
      [['7', '6', '2', '3', '1'], {x: 7, y: 6, factors: [2, 3, 1]}],
    ];
    for (const [args, query] of CASES) {
      const run = spawnSync(NATIVE_PROGRAM, ['--no-wait', args[0], args[1], '1000', '5', '10', '-1', ...args.slice(2)],
                            {input: '', encoding: 'utf8'});
      const refusal = engine.search(Object.assign({maxQuotient: 1000, timeOut: 10, mode: 'successive'}, query));
      assert.ok(refusal.endsWith('Run prog without any args for example of use\n'), refusal);
      assert.ok((run.stdout + run.stderr).includes(refusal), `${args.join(' ')}: ${run.stdout}${run.stderr}`);
    }
  });
});

describe('the record store', () => {
  const query = commaQuery('2 3 5 7 11');
  const lines = nativeOutput(query, 'json');
  const approximants = lines.map((line) => JSON.parse(line)).filter((record) => record.type === 'approximant');
  const filled = (limit = Infinity) => {
    const store = records.createStore(5);
    // In batches of 7, as a worker might send them.
    let summary = null;
    for (let i = 0; i < lines.length; i += 7) summary = records.addLines(store, lines.slice(i, i + 7), limit).summary || summary;
    return {store, summary};
  };

  it('gives back each record and the summary as the engine wrote them', () => {
    const {store, summary} = filled();
    assert.equal(store.count, approximants.length);
    assert.deepEqual(Array.from({length: store.count}, (_, i) => records.lineAt(store, i)), lines.slice(0, -1));
    assert.equal(summary.line, lines.at(-1));
    assert.deepEqual(records.exponentsAt(store, 3), approximants[3].exponents);
  });

  it('stops at its limit', () => {
    assert.deepEqual(records.addLines(records.createStore(5), lines, 10).full, true);
    assert.equal(filled(10).store.count, 10);
  });

  it('sorts by each column, ties in the order found, and filters by name', () => {
    const {store} = filled();
    const byKey = {
      cents: (record) => record.cents,
      distance: (record) => Math.abs(record.distance_cents),
      name: (record) => record.name || '',
      monzo: (record) => record.exponents.map((e) => String(e + 1000).padStart(5, '0')).join(' '),
    };
    for (const [key, value] of Object.entries(byKey)) {
      for (const ascending of [true, false]) {
        const expected = approximants.map((record, i) => i).sort((a, b) => {
          const [va, vb] = [value(approximants[a]), value(approximants[b])];
          const order = va < vb ? -1 : va > vb ? 1 : 0;
          return (ascending ? order : -order) || a - b;
        });
        assert.deepEqual(Array.from(records.computeView(store, key, ascending, {})), expected, `${key} ${ascending}`);
      }
    }
    const named = Array.from(records.computeView(store, 'order', true, {name: 'SEPTIMAL'}));
    assert.ok(named.length > 0);
    assert.deepEqual(named, approximants.map((record, i) => i).filter((i) => /septimal/i.test(approximants[i].name || '')));
  });
});
