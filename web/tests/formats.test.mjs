// The page's record formats and record store under node, without a browser: monzo text and
// CSV rows against the native program's own output for the same records, the target
// notations against the table the program's parser is tested with, and the store's view.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import {createRequire} from 'node:module';
import {describe, it} from 'node:test';

import {NATIVE_PROGRAM, nativeOutput} from './harness.mjs';

const require = createRequire(import.meta.url);
const formats = require('../page/formats.js');
const records = require('../page/records.js');
const NOTATIONS = JSON.parse(fs.readFileSync(new URL('../../tests/data/target_notations.json', import.meta.url), 'utf8'));

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

describe('record formats, as the program writes them', () => {
  it('writes every monzo as the program does, for one to nine factors', () => {
    for (const factors of FACTOR_LISTS) {
      const query = commaQuery(factors);
      const json = nativeOutput(query, 'json').map((line) => JSON.parse(line)).filter((r) => r.type === 'approximant');
      const monzos = nativeRangeText(query).split('\n').filter((line) => line.startsWith('['))
                         .map((line) => line.slice(0, line.indexOf('>') + 1));
      assert.ok(json.length > 0, factors);
      assert.deepEqual(json.map((record) => formats.monzoText(record.exponents)), monzos, factors);
    }
  });

  it('writes each CSV row byte for byte from the JSON record, with numbers in the program\'s shortest form', () => {
    const queries = FACTOR_LISTS.map(commaQuery).concat([
      // An exact hit (distance 0), and distances small enough for an exponent.
      {target: '5/4', factors: '2 3 5', mode: 'successive', maxq: 1e12, timeout: 60, every: true},
      {target: '1.148698354997035', factors: '2 3 5 7 11 13 17 19', mode: 'successive', maxq: 1e12, timeout: 60},
    ]);
    let rows = 0;
    for (const query of queries) {
      const json = nativeOutput(query, 'json').map((line) => JSON.parse(line)).filter((r) => r.type === 'approximant');
      const csv = nativeOutput(query, 'csv');
      assert.equal(formats.CSV_HEADER, csv[0]);
      assert.deepEqual(json.map((record) => formats.csvRow(record)), csv.slice(1), query.factors);
      rows += json.length;
    }
    assert.ok(rows > 300, `${rows} rows compared`);
    assert.ok(queries.some((query) => nativeOutput(query, 'csv').some((row) => /e-\d\d/.test(row))), 'an exponent form');
  });

  it('quotes a CSV field with a comma, a quote or a line break', () => {
    assert.equal(formats.csvField('a,"b"\nc'), '"a,""b""\nc"');
    assert.equal(formats.csvField('plain text'), 'plain text');
  });
});

describe('target notations', () => {
  it('reads each input of the shared table as the value it means, or as an error', () => {
    for (const entry of NOTATIONS.cases) {
      const parsed = formats.parseTarget(entry.input);
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

  it('reads each input of the table as the program does: the same value within 1e-15, or the same problem', () => {
    for (const entry of NOTATIONS.cases) {
      const parsed = formats.parseTarget(entry.input);
      // A max quotient of 1: the program reads the target and searches nothing.
      const run = spawnSync(NATIVE_PROGRAM, ['--format=json', entry.input, '1', '5', '4', '-1', '2', '3'],
                            {input: '', encoding: 'utf8'});
      if (parsed.error !== undefined) {
        assert.equal(run.status, 2, entry.input);
        assert.equal(run.stderr.split('\n')[0], `ratiohunt: '${entry.input}' is not a target: ${parsed.error}`);
        continue;
      }
      assert.equal(run.status, 0, `${entry.input}: ${run.stderr}`);
      const summary = JSON.parse(run.stdout.trim().split('\n').at(-1));
      for (const part of ['x', 'y']) {
        assert.ok(Math.abs(parsed[part] - summary[part]) <= 1e-15 * summary[part],
                  `${entry.input}: ${part} ${parsed[part]} against ${summary[part]}`);
      }
    }
  });

  it('reads the ratios old links carry', () => {
    for (const [input, x, y] of [['7/6', 7, 6], ['7:6', 7, 6], [' 2.5 / 1.7 ', 2.5, 1.7], ['1.25', 1.25, 1]]) {
      assert.deepEqual(formats.parseTarget(input), {x, y, notation: 'ratio'}, input);
    }
    for (const input of ['7/0', '-3/2', '1/2/3', '1e300/1e-300', '', 'seven']) {
      assert.ok(formats.parseTarget(input).error, input);
    }
  });

  it('refuses a blank inside a cents or steps notation, which the program would read another way', () => {
    for (const input of ['12 c', '700 ¢', '7 \\12', '7\\ 12']) {
      assert.equal(formats.parseTarget(input).error, 'a blank inside the notation', input);
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
