// The record formats the page shows and downloads, written as ratiohunt writes them: monzo
// text, CSV fields and numbers, and the target notations the target field reads. A classic
// script: the page loads it with a script tag, node's tests with require().
'use strict';

(function (exports) {
  // ---- Monzos ----------------------------------------------------------------------------

  // The exponents between "[" and ">", a comma after the 2nd, 5th, 8th ... entry, the last
  // one included: [19 -12,> and [15 -8, -1 0 0,>.
  function monzoText(exponents) {
    let text = '[';
    for (let i = 0; i < exponents.length; ++i) {
      if (i > 0) text += ' ';
      text += exponents[i];
      if ((i + 2) % 3 === 0) text += ',';
    }
    return text + '>';
  }

  // ---- Numbers ---------------------------------------------------------------------------

  // printf's %.Pg: P significant digits, trailing zeros dropped, an exponent of two digits or more.
  function printfG(value, precision) {
    if (value === 0) return Object.is(value, -0) ? '-0' : '0';
    const exponent = Number(value.toExponential(precision - 1).split('e')[1]);
    if (exponent < -4 || exponent >= precision) {
      const [digits, power] = value.toExponential(precision - 1).split('e');
      const mantissa = digits.includes('.') ? digits.replace(/\.?0+$/, '') : digits;
      const sign = power[0] === '-' ? '-' : '+';
      const magnitude = power.replace(/^[-+]/, '');
      return `${mantissa}e${sign}${magnitude.padStart(2, '0')}`;
    }
    const fixed = value.toFixed(Math.max(0, precision - 1 - exponent));
    return fixed.includes('.') ? fixed.replace(/\.?0+$/, '') : fixed;
  }

  // The shortest of %.15g, %.16g and %.17g that reads back as the same double; "null" for
  // a number that is not finite.
  function shortestNumberText(value) {
    if (value === null || !Number.isFinite(value)) return 'null';
    let text = '';
    for (const precision of [15, 16, 17]) {
      text = printfG(value, precision);
      if (Number(text) === value) break;
    }
    return text;
  }

  // What a record's cents look like with the "Digits shown" setting: %g with those digits.
  function centsText(value, digits) {
    return value === null || !Number.isFinite(value) ? '' : printfG(value, digits);
  }

  // ---- CSV -------------------------------------------------------------------------------

  const CSV_HEADER = 'exponents,numerator,denominator,cents,distance_cents,name,ratio,prime_monzo,prime_limit,' +
                     'tenney_height,odd_limit,tempered_out_by';

  // RFC 4180: a field with a comma, a quote or a line break is quoted, its quotes doubled.
  function csvField(text) { return /[",\r\n]/.test(text) ? `"${text.replace(/"/g, '""')}"` : text; }

  // One field of a CSV row: lists space-separated, null and [] as an empty field.
  function csvValue(value) {
    if (value === null || value === undefined) return '';
    if (Array.isArray(value)) return value.join(' ');
    if (typeof value === 'number') return Number.isInteger(value) ? String(value) : shortestNumberText(value);
    return String(value);
  }

  // A parsed JSON record as the CSV row `ratiohunt --format=csv` writes for it.
  function csvRow(record) {
    return [record.exponents.join(' '), record.numerator, record.denominator, shortestNumberText(record.cents),
            shortestNumberText(record.distance_cents), record.name || '', csvValue(record.ratio),
            csvValue(record.prime_monzo), csvValue(record.prime_limit), shortestNumberText(record.tenney_height),
            csvValue(record.odd_limit), csvValue(record.tempered_out_by)]
        .map(csvField)
        .join(',');
  }

  // ---- Targets ---------------------------------------------------------------------------

  const MAX_MONZO_ENTRIES = 1000;
  const MAX_MONZO_ENTRY = 1e9;  // beyond it the value leaves the doubles whatever the other entries
  const DECIMAL = /^[+]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/;
  const SIGNED_DECIMAL = /^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/;
  const SIGNED_INTEGER = /^[+-]?\d+$/;
  const EXACT_LIMIT = 2 ** 53;

  function readDecimal(text) {
    const trimmed = text.trim();
    return DECIMAL.test(trimmed) ? Number(trimmed) : NaN;
  }

  // A value 2^(log2) as x/1, or the error when it leaves the doubles.
  function powerOfTwo(log2) {
    const x = 2 ** log2;
    if (!Number.isFinite(x)) return {error: 'overflows'};
    if (x === 0) return {error: 'underflows to 0'};
    return {x, y: 1};
  }

  // 700c, -5c, 386.3137¢: 2^(c/1200).
  function readCents(text) {
    const number = text.slice(0, -1).trim();
    if (number === '' || number === '+' || number === '-') return {error: 'no number before the cents sign'};
    if (!SIGNED_DECIMAL.test(number)) return {error: 'a number of cents that is not a decimal'};
    return powerOfTwo(Number(number) / 1200);
  }

  // k\N, k\N<P>, k\N<P/Q>: k steps of N to the equave (2 unless given).
  function readEdoSteps(text) {
    const match = /^([^\\]*)\\([^<]*)(<[^>]*>?)?(.*)$/.exec(text);
    const steps = match[1].trim();
    const divisions = match[2].trim();
    if (steps === '') return {error: 'no step count before the backslash'};
    if (!SIGNED_INTEGER.test(steps)) return {error: 'a step count that is not an integer'};
    if (divisions === '') return {error: 'no division count after the backslash'};
    if (/^-\d+$/.test(divisions)) return {error: 'a negative division count'};
    if (!/^\+?\d+$/.test(divisions)) return {error: 'a division count that is not an integer'};
    if (Number(divisions) === 0) return {error: 'division count 0'};
    let equave = 2;
    if (match[4].trim() !== '') return {error: match[3] ? 'trailing text after the equave' : 'a division count that is not an integer'};
    if (match[3] !== undefined) {
      if (!match[3].endsWith('>')) return {error: 'no closing angle bracket after the equave'};
      const equaveText = match[3].slice(1, -1);
      if (equaveText.trim() === '') return {error: 'no equave between the angle brackets'};
      if (readDecimal(equaveText.split('/')[0]) === 0) return {error: 'an equave of 0'};
      const ratio = readRatio(equaveText);
      if (ratio.error) return {error: 'an equave that is not a number or a ratio P/Q'};
      equave = ratio.x / ratio.y;
      if (equave === 1) return {error: 'an equave of 1, which has no steps'};
    }
    return powerOfTwo(Math.log2(equave) * Number(steps) / Number(divisions));
  }

  // The first count primes, by trial division by the primes before.
  function firstPrimes(count) {
    const primes = [];
    for (let candidate = 2; primes.length < count; ++candidate) {
      if (primes.every((prime) => prime * prime > candidate || candidate % prime !== 0)) primes.push(candidate);
    }
    return primes;
  }

  // [a b c ...> over the primes 2, 3, 5, ...: n/d while both are exact doubles, else 2^(cents/1200).
  function readMonzo(text) {
    const close = /[>\]⟩]$/.exec(text);
    if (!close) return {error: 'no closing bracket'};
    // Entries between blanks or commas; a comma may also close the list, as in [-19 12,>.
    const groups = text.slice(1, -1).split(',');
    if (groups.slice(0, -1).some((group) => group.trim() === '')) return {error: 'an empty entry between commas'};
    const entries = groups.join(' ').split(/\s+/).filter((entry) => entry !== '');
    if (entries.length > MAX_MONZO_ENTRIES) return {error: `more than ${MAX_MONZO_ENTRIES} entries`};
    if (!entries.every((entry) => SIGNED_INTEGER.test(entry))) return {error: 'an entry that is not an integer'};
    if (entries.some((entry) => Math.abs(Number(entry)) > MAX_MONZO_ENTRY)) return {error: 'an entry that overflows'};
    const primes = firstPrimes(entries.length);
    let numerator = 1n;
    let denominator = 1n;
    let log2 = 0;
    let beyondExact = false;  // an entry far beyond any exact double: only the size matters
    entries.forEach((entry, i) => {
      const exponent = Number(entry);
      log2 += exponent * Math.log2(primes[i]);
      if (Math.abs(exponent) > 4096) beyondExact = true;
      if (beyondExact) return;
      const power = BigInt(primes[i]) ** BigInt(Math.abs(exponent));
      if (exponent > 0) numerator *= power;
      if (exponent < 0) denominator *= power;
    });
    if (!beyondExact && numerator < BigInt(EXACT_LIMIT) && denominator < BigInt(EXACT_LIMIT) &&
        Math.abs(log2) < 1024) {
      return {x: Number(numerator), y: Number(denominator)};
    }
    return powerOfTwo(log2);
  }

  // N/D, N:D or one decimal, both parts positive.
  function readRatio(text) {
    const parts = text.trim().split(/\s*[/:]\s*/);
    if (parts.length > 2) return {error: 'more than one "/"'};
    const x = readDecimal(parts[0]);
    const y = parts.length === 2 ? readDecimal(parts[1]) : 1;
    // The search works on ln(x/y): the ratio itself must be a positive finite number too.
    if (!(x > 0 && y > 0 && Number.isFinite(x) && Number.isFinite(y) && Number.isFinite(x / y) && x / y > 0)) {
      return {error: 'not a positive ratio'};
    }
    return {x, y};
  }

  // The target as typed: cents, EDO steps, a monzo, N/D, N:D or a decimal. Returns {x, y,
  // notation} or {error}, the problem in the program's words.
  function parseTarget(text) {
    const trimmed = text.trim();
    let result;
    let notation = 'ratio';
    // A notation other than a monzo is one word, as the program needs it on its command line.
    const oneWordNotation = !/^[[|]/.test(trimmed) && (trimmed.includes('\\') || /[c¢]$/.test(trimmed));
    if (oneWordNotation && /\s/.test(trimmed)) return {error: 'a blank inside the notation'};
    if (/^[[|]/.test(trimmed)) {
      notation = 'monzo';
      result = readMonzo(trimmed);
    } else if (trimmed.includes('\\')) {
      notation = 'edo';
      result = readEdoSteps(trimmed);
    } else if (/[c¢]$/.test(trimmed)) {
      notation = 'cents';
      result = readCents(trimmed);
    } else if (/^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*c/.test(trimmed)) {
      return {error: 'trailing text after the cents sign'};
    } else {
      result = readRatio(trimmed);
    }
    return result.error ? result : {x: result.x, y: result.y, notation};
  }

  Object.assign(exports, {monzoText, printfG, shortestNumberText, centsText, csvField, CSV_HEADER, csvRow, parseTarget,
                          readDecimal});
})(typeof module !== 'undefined' ? module.exports : (globalThis.RatiohuntFormats = {}));
