// The page's query under node, without a browser: the form's checks, the link that carries a
// query and its view, and the command line shown, run by the native program for the same records.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import {createRequire} from 'node:module';
import {before, describe, it} from 'node:test';

import {NATIVE_PROGRAM, nativeOutput, startEngine} from './harness.mjs';

const require = createRequire(import.meta.url);
const {checkValues, valuesToHash, hashToValues, commandLine} = require('../page/query.js');
// The page reads its target with the engine's reader.
let readTarget;
before(async () => {
  const engine = await startEngine();
  readTarget = engine.readTarget;
});

const FORM = {target: '7/6', factors: '2 3 5', low: '40', high: '60', maxq: '1000000', precision: '5', timeout: '60',
              mode: 'successive', every: false};
const form = (changes) => Object.assign({}, FORM, changes);

// The words a POSIX shell makes of the command line shown: blanks split, '...' quotes, '\'' a quote.
function shellWords(line) {
  const words = [];
  for (const match of line.matchAll(/(?:'[^']*'|\\'|[^\s'\\])+/g)) {
    words.push(match[0].replace(/'([^']*)'|\\(')/g, '$1$2'));
  }
  return words;
}

describe('the form\'s checks', () => {
  // Each bad form marks exactly the fields named, with the message shown.
  const BAD = [
    [{target: 'seven'}, {target: /^Enter a positive ratio/}],
    [{target: '700cc'}, {target: /^Not a target: .*Try 7\/6/}],
    [{factors: ''}, {factors: /^Give at least one factor/}],
    [{factors: '2 3 0'}, {factors: /"0" is not a whole number/}],
    [{factors: '2 3 2147483648'}, {factors: /is not a whole number from 1 to 2147483647/}],
    [{factors: '2 3 1'}, {factors: /^The last factor must be 2 or more/}],
    [{maxq: '0.5'}, {maxq: /^Enter a number of 1 or more/}],
    [{maxq: '1e999'}, {maxq: /^Enter a number of 1 or more/}],
    [{precision: '18'}, {precision: /from 1 to 17/}],
    [{precision: '2.5'}, {precision: /from 1 to 17/}],
    [{timeout: '0'}, {timeout: /above 0/}],
    [{timeout: '-1'}, {timeout: /above 0/}],
    [{mode: 'range', low: 'x'}, {low: /number of cents/}],
    [{mode: 'range', high: '40'}, {high: /larger than the low end/}],
    [{mode: 'range', low: '', high: ''}, {low: /number of cents/, high: /number of cents/}],
    // Outside range mode the window is not checked.
    [{low: 'x', high: ''}, {}],
  ];

  it('marks each bad field with its message and leaves the others', () => {
    for (const [changes, expected] of BAD) {
      const {errors} = checkValues(form(changes), readTarget);
      assert.deepEqual(Object.keys(errors).sort(), Object.keys(expected).sort(), JSON.stringify(changes));
      for (const [field, message] of Object.entries(expected)) assert.match(errors[field], message, field);
    }
  });

  it('reads a good form into the query the engine runs', () => {
    const {query, errors} = checkValues(form({mode: 'range', low: '-10.5', high: '+60', maxq: '1e6', every: true,
                                              target: ' 1/1 ', factors: '2, 3  5'}), readTarget);
    assert.deepEqual(errors, {});
    assert.deepEqual(query, {mode: 'range', every: true, x: 1, y: 1, notation: 'ratio', target: '1/1', unison: true,
                             factors: [2, 3, 5], maxQuotient: 1e6, precision: 5, timeOut: 60, low: -10.5, high: 60});
  });
});

describe('the link', () => {
  it('carries the query, the sort and the filter, and reads back as it was written', () => {
    const views = [{sortKey: 'order', sortAscending: true, filter: {}},
                   {sortKey: 'cents', sortAscending: false, filter: {primeLimit: 7, tenney: 12.5, name: 'comma'}}];
    for (const view of views) {
      const values = form({target: '[-4 4 -1>', mode: 'range', every: true});
      const read = hashToValues(valuesToHash(values, view), FORM);
      for (const name of Object.keys(FORM)) assert.equal(read[name], values[name], name);
      assert.equal(read.sortKey, view.sortKey);
      assert.equal(read.sortAscending, view.sortAscending);
      assert.deepEqual(read.filter, {limit: String(view.filter.primeLimit ?? ''),
                                     height: String(view.filter.tenney ?? ''), name: view.filter.name ?? ''});
    }
  });

  it('reads an old or hand-made link over the defaults: every-vector off, an unknown sort in the order found', () => {
    assert.equal(hashToValues('#factors=2+3', FORM), null);
    const read = hashToValues('#target=5%2F4&sort=colour-&mode=other', FORM);
    assert.equal(read.target, '5/4');
    assert.equal(read.factors, FORM.factors);
    assert.equal(read.mode, 'successive');
    assert.equal(read.every, false);
    assert.deepEqual([read.sortKey, read.sortAscending], ['order', false]);
  });
});

describe('the command line shown', () => {
  // Each target notation, with typed numbers the page must pass on as typed.
  const FORMS = [
    form({}),
    form({target: '7:6', maxq: '1e6', timeout: '2.5'}),
    form({target: '1.2345', factors: '2 3 5 7'}),
    form({target: '2.5 / 1.7'}),
    form({target: '700c'}),
    form({target: '386.3137¢'}),
    form({target: '7\\12'}),
    form({target: '3\\13<3>', factors: '3 5 7'}),
    form({target: '[-4 4 -1>', mode: 'range', low: '-5', high: '5', maxq: '1e4', every: true}),
    form({target: '|-1 1]', every: true}),
  ];

  it('prints the records of the query the page runs, quoted as a shell reads it', () => {
    for (const values of FORMS) {
      const {query, errors} = checkValues(values, readTarget);
      assert.deepEqual(errors, {}, values.target);
      const [program, ...args] = shellWords(commandLine(values, query));
      assert.equal(program, 'ratiohunt');
      const run = spawnSync(NATIVE_PROGRAM, args, {input: '', encoding: 'utf8'});
      assert.equal(run.status, 0, `${values.target}: ${run.stderr}`);
      const summary = JSON.parse(run.stdout.trim().split('\n').at(-1));
      assert.ok(Math.abs(summary.x / summary.y - query.x / query.y) <= 1e-15 * (query.x / query.y), values.target);
      const records = run.stdout.trim().split('\n').slice(0, -1);
      const target = query.notation === 'ratio' ? values.target.replace(/\s+/g, '').replace(':', '/') :
                                                  `${query.x}/${query.y}`;
      const same = nativeOutput({target, factors: values.factors, mode: values.mode, low: values.low,
                                 high: values.high, maxq: values.maxq, timeout: values.timeout, every: values.every},
                                'json');
      assert.deepEqual(records, same.slice(0, -1), values.target);
    }
  });
});
