// The query as the page holds it, apart from the page: the form's values checked into the
// query the engine runs, the values carried by a link, and the command line that prints the
// same records. A classic script: the page loads it with a script tag, node's tests with require().
'use strict';

(function (exports) {
  const FIELDS = ['target', 'factors', 'low', 'high', 'maxq', 'precision', 'timeout'];
  const SORT_KEYS = ['order', 'ratio', 'monzo', 'cents', 'distance', 'name', 'prime_limit', 'tenney', 'tempered'];
  const MAX_PRECISION = 17;  // a double has no more significant digits to show
  const INT_MAX = 2147483647;
  const INTEGER = /^\d+$/;
  const DECIMAL = /^[+]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/;

  // A decimal without a sign (a leading '+' allowed), as the form's number fields take it; NaN otherwise.
  function readDecimal(text) {
    const trimmed = text.trim();
    return DECIMAL.test(trimmed) ? Number(trimmed) : NaN;
  }

  function readSignedNumber(text) {
    const trimmed = text.trim();
    const negative = trimmed.startsWith('-');
    const magnitude = readDecimal(negative ? trimmed.slice(1) : trimmed);
    return negative ? -magnitude : magnitude;
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

  // The target field's message: for a notation, the reader's problem in the program's words.
  function targetMessage(target) {
    if (target.notation === 'ratio') return 'Enter a positive ratio as N/D or a decimal, such as 7/6 or 1.5.';
    return `Not a target: ${target.error}. Try 7/6, 1.5, 700c, 7\\12 or [-4 4 -1>.`;
  }

  // Checks every field; readTarget turns the target's text into {x, y, notation, unison} or
  // {error, notation}. Returns the query for the engine and a message for each bad field.
  function checkValues(values, readTarget) {
    const errors = {};
    const query = {mode: values.mode === 'range' ? 'range' : 'successive', every: values.every};
    const target = readTarget(values.target);
    if (!target.error) {
      Object.assign(query, {x: target.x, y: target.y, notation: target.notation, target: values.target.trim(),
                            unison: target.unison});
    } else {
      errors.target = targetMessage(target);
    }
    const factors = readFactors(values.factors);
    if (factors.error) errors.factors = factors.error;
    else query.factors = factors.factors;
    query.maxQuotient = readDecimal(values.maxq);
    if (!(query.maxQuotient >= 1 && Number.isFinite(query.maxQuotient))) errors.maxq = 'Enter a number of 1 or more.';
    query.precision = INTEGER.test(values.precision.trim()) ? Number(values.precision) : NaN;
    if (!(query.precision >= 1 && query.precision <= MAX_PRECISION)) {
      errors.precision = `Enter a whole number from 1 to ${MAX_PRECISION}.`;
    }
    query.timeOut = readDecimal(values.timeout);
    if (!(query.timeOut > 0 && Number.isFinite(query.timeOut))) errors.timeout = 'Enter a number of seconds above 0.';
    query.low = readSignedNumber(values.low);
    query.high = readSignedNumber(values.high);
    if (query.mode === 'range') {
      if (!Number.isFinite(query.low)) errors.low = 'Enter a number of cents, such as 40 or -10.5.';
      if (!Number.isFinite(query.high)) errors.high = 'Enter a number of cents, such as 60.';
      else if (Number.isFinite(query.low) && query.high <= query.low) errors.high = 'Make it larger than the low end.';
    }
    return {query, errors};
  }

  // ---- The query, sort and filter in a link ------------------------------------------

  // view: {sortKey, sortAscending, filter: {primeLimit, tenney, name}}.
  function valuesToHash(values, view) {
    const params = new URLSearchParams();
    for (const name of FIELDS) params.set(name, values[name].trim());
    params.set('mode', values.mode);
    params.set('every', values.every ? '1' : '0');
    if (view.sortKey !== 'order' || !view.sortAscending) params.set('sort', view.sortKey + (view.sortAscending ? '' : '-'));
    if (view.filter.primeLimit !== undefined) params.set('plimit', String(view.filter.primeLimit));
    if (view.filter.tenney !== undefined) params.set('height', String(view.filter.tenney));
    if (view.filter.name) params.set('name', view.filter.name);
    return '#' + params.toString();
  }

  // A link's query over the defaults, or null for a link without a target; a link without
  // every= comes from before every-vector was the default.
  function hashToValues(hash, defaults) {
    const params = new URLSearchParams(hash.replace(/^#/, ''));
    if (!params.has('target')) return null;
    const values = Object.assign({}, defaults);
    for (const name of FIELDS) {
      if (params.has(name)) values[name] = params.get(name);
    }
    values.mode = params.get('mode') === 'range' ? 'range' : 'successive';
    values.every = params.get('every') === '1';
    const sort = params.get('sort') || 'order';
    values.sortKey = sort.replace(/-$/, '');
    if (!SORT_KEYS.includes(values.sortKey)) values.sortKey = 'order';
    values.sortAscending = !sort.endsWith('-');
    values.filter = {limit: params.get('plimit') || '', height: params.get('height') || '', name: params.get('name') || ''};
    return values;
  }

  // ---- The command line that prints the same records ---------------------------------

  function shellWord(text) { return /^[\w./+:=-]+$/.test(text) ? text : `'${text.replace(/'/g, `'\\''`)}'`; }

  function numberWord(value, typed) { return Number.isInteger(value) && value < 1e21 ? String(value) : typed.trim(); }

  function commandLine(values, query) {
    const target = values.target.trim();
    let targetWords;
    if (query.notation !== 'ratio') targetWords = [shellWord(target)];
    else if (/[/:]/.test(target)) targetWords = [target.replace(/\s+/g, '').replace(':', '/')];
    else targetWords = [target, '1'];
    const mode = query.mode === 'range' ? ['-2', values.low.trim(), values.high.trim()] : ['-1'];
    return ['ratiohunt', ...(query.every ? ['--every-vector'] : []), '--format=json',
            `--time-out=${numberWord(query.timeOut, values.timeout)}`, ...targetWords,
            numberWord(query.maxQuotient, values.maxq), String(query.precision), ...mode, ...query.factors]
        .join(' ');
  }

  // ---- The temperament panel's items in a link --------------------------------------

  // The hash with the panel's items and basis (temper=, tbasis=), or without them when
  // there are no items.
  function withTemper(hash, temper) {
    const params = new URLSearchParams(hash.replace(/^#/, ''));
    params.delete('temper');
    params.delete('tbasis');
    if (temper && temper.items.trim() !== '') {
      params.set('temper', temper.items.trim());
      if (temper.basis.trim() !== '') params.set('tbasis', temper.basis.trim());
    }
    const text = params.toString();
    return text === '' ? '' : '#' + text;
  }

  // {items, basis} from a link, or null for a link without items.
  function temperFromHash(hash) {
    const params = new URLSearchParams(hash.replace(/^#/, ''));
    if (!params.get('temper')) return null;
    return {items: params.get('temper'), basis: params.get('tbasis') || ''};
  }

  Object.assign(exports, {withTemper, temperFromHash});
  Object.assign(exports, {FIELDS, SORT_KEYS, readDecimal, readSignedNumber, readFactors, checkValues, valuesToHash,
                          hashToValues, commandLine});
})(typeof module !== 'undefined' ? module.exports : (globalThis.RatiohuntQuery = {}));
