// How the page shows what the engine spells: cells of a record, the tempering EDOs, and the
// status line of a finished search. Every number, monzo, CSV row and message comes from the
// engine (engine_calls.js); these only arrange them. A classic script: the page loads it
// with a script tag, node's tests with require().
'use strict';

(function (exports) {
  // A size in cents with the "Digits shown" setting; blank for a value the record lacks.
  function centsText(numberText, value, digits) {
    return value === null || value === undefined || !Number.isFinite(value) ? '' : numberText(value, digits);
  }

  // The first few EDOs that temper a comma out, an ellipsis when there are more.
  function temperedText(edos, shown) {
    return edos.slice(0, shown).join(' ') + (edos.length > shown ? ' …' : '');
  }

  // The status of a finished search from its summary; endText(end, seconds) gives the
  // program's message for the end ({known, message}).
  function summaryText(summary, endText) {
    if (!summary) return 'The search ended without a summary.';
    const found = summary.records === 1 ? '1 approximant' : `${summary.records} approximants`;
    const done = `Done: ${found} found, ${summary.tested.toLocaleString('en')} values tested in ` +
                 `${summary.seconds.toFixed(2)} s`;
    const end = endText(summary.end, summary.seconds);
    if (end.message !== '') return `${done}; ${end.message}.`;
    const walked = {exhausted: 'the whole search space was walked', exact_hit: 'the target was hit exactly'};
    return `${done}; ${walked[summary.end] || summary.end}.`;
  }

  Object.assign(exports, {centsText, temperedText, summaryText});
})(typeof module !== 'undefined' ? module.exports : (globalThis.RatiohuntFormats = {}));
