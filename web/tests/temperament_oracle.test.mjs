// The temperament calculator's tunings against an outside oracle, the npm package
// `temperaments` (pinned in package.json): random comma sets and val joins over prime
// limits 5 to 23 and a few subgroups, TE, POTE and CTE maps equal to 1e-6 cents.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import {createRequire} from 'node:module';
import {describe, it} from 'node:test';

const {Temperament} = createRequire(import.meta.url)('temperaments');
const NATIVE_PROGRAM = process.env.RATIOHUNT_NATIVE_PROGRAM;
const TOLERANCE_CENTS = 1e-6;
const PRIMES = [2, 3, 5, 7, 11, 13, 17, 19, 23];
const SUBGROUPS = [[2, 3, 7], [2, 9, 5], [2, 3, 11], [2, 5, 7], [2, 9, 7, 11], [2, 3, 7, 13]];

// A small seeded generator (mulberry32), so a failure names a case that comes back.
function seededRandom(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

function ratioOf(basis, exponents) {
  let numerator = 1n;
  let denominator = 1n;
  exponents.forEach((exponent, i) => {
    const power = BigInt(basis[i]) ** BigInt(Math.abs(exponent));
    if (exponent > 0) numerator *= power;
    else denominator *= power;
  });
  return `${numerator}/${denominator}`;
}

function native(items, basis) {
  const run = spawnSync(NATIVE_PROGRAM, ['temper', ...items, `--subgroup=${basis.join('.')}`, '--format=json'],
                        {encoding: 'utf8'});
  return run.status === 0 ? JSON.parse(run.stdout) : null;  // null: refused (dependent items)
}

function assertMapsEqual(got, expected, what) {
  assert.equal(got.length, expected.length, what);
  got.forEach((cents, i) => {
    assert.ok(Math.abs(cents - expected[i]) <= TOLERANCE_CENTS, `${what}: element ${i}: ${cents} vs ${expected[i]}`);
  });
}

function compare(temperament, oracle, what) {
  assertMapsEqual(temperament.tuning_maps.pote, oracle.getMapping(), `${what} POTE`);
  assertMapsEqual(temperament.tuning_maps.te, oracle.getMapping({temperEquaves: true}), `${what} TE`);
  assertMapsEqual(temperament.tuning_maps.cte, oracle.getMapping({constraints: ['2/1']}), `${what} CTE`);
}

// The 5- to 13-limit and the subgroups; every 80th trial one of the 17- to 23-limit, which
// the oracle takes seconds over for commas and minutes for vals, so those get commas only.
function randomBasis(random, trial, largest) {
  if (trial % 80 === 79) return PRIMES.slice(0, largest);
  if (trial % 5 === 4) return SUBGROUPS[Math.floor(random() * SUBGROUPS.length)];
  return PRIMES.slice(0, 3 + Math.floor(random() * 4));
}

describe('tunings agree with the temperaments package', () => {
  it('on random comma sets', () => {
    const random = seededRandom(20261209);
    let compared = 0;
    for (let trial = 0; compared < 240; ++trial) {
      const basis = randomBasis(random, trial, 7 + (Math.floor(trial / 80) % 3));
      const count = 1 + Math.floor(random() * Math.min(3, basis.length - 1));
      const monzos = [];
      for (let c = 0; c < count; ++c) {
        const exponents = basis.map(() => Math.floor(random() * 9) - 4);
        if (exponents.some((e) => e !== 0)) monzos.push(exponents);
      }
      if (monzos.length === 0) continue;
      const commas = monzos.map((exponents) => ratioOf(basis, exponents));
      const temperament = native(commas, basis);
      if (temperament === null) continue;
      // The oracle takes the commas as exponents of the subgroup: its fractions stop at 2^53.
      compare(temperament, Temperament.fromCommas(monzos, basis.join('.')), `${commas.join(' ')} on ${basis.join('.')}`);
      ++compared;
    }
  });

  it('on random val joins', () => {
    const random = seededRandom(1209);
    let compared = 0;
    for (let trial = 0; compared < 80; ++trial) {
      const basis = randomBasis(random, trial % 80 === 79 ? 0 : trial, 0);
      const count = 1 + Math.floor(random() * Math.min(3, basis.length - 1));
      const edos = Array.from({length: count}, () => 5 + Math.floor(random() * 68));
      const temperament = native(edos.map(String), basis);
      if (temperament === null) continue;
      compare(temperament, Temperament.fromVals(edos, basis.join('.')), `${edos.join(' & ')} on ${basis.join('.')}`);
      ++compared;
    }
  });
});
