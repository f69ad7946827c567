// The only code that calls the engine: its exports wrapped as plain JavaScript functions,
// the arguments copied into its memory and the texts it returns read back. A classic
// script: the page and the worker load it with the engine, node's tests with require().
'use strict';

(function (exports) {
  // Calls use(pointer) with bytes copied into the engine's memory, then frees them.
  function withMemory(engine, bytes, fill, use) {
    const pointer = engine._malloc(Math.max(bytes, 8));
    try {
      fill(pointer);
      return use(pointer);
    } finally {
      engine._free(pointer);
    }
  }

  function withText(engine, text, use) {
    const bytes = engine.lengthBytesUTF8(text) + 1;
    return withMemory(engine, bytes, (pointer) => engine.stringToUTF8(text, pointer, bytes), use);
  }

  function withInts(engine, ints, use) {
    return withMemory(engine, 4 * ints.length, (pointer) => engine.HEAP32.set(ints, pointer >> 2), use);
  }

  function withDoubles(engine, doubles, use) {
    return withMemory(engine, 8 * doubles.length, (pointer) => engine.HEAPF64.set(doubles, pointer >> 3), use);
  }

  // The engine's functions over one started engine module.
  function engineCalls(engine) {
    const text = (pointer) => engine.UTF8ToString(pointer);
    return {
      // The target as typed: {x, y, notation, unison}, or {error, notation} in the program's words.
      readTarget: (typed) => JSON.parse(text(withText(engine, typed, (t) => engine._ratiohunt_web_read_target(t)))),
      // [-4 4, -1>.
      monzoText: (exponents) => text(withInts(engine, exponents,
                                              (e) => engine._ratiohunt_web_monzo_text(e, exponents.length))),
      // The records' shortest spelling (digits 0), or %g with digits significant digits.
      numberText: (value, digits = 0) => text(engine._ratiohunt_web_number_text(value, digits)),
      // The CSV of rows ({exponents: one after the other, cents}) of the query's search.
      csvText: (query, rows) => withText(engine, query.target || '', (target) => withInts(
          engine, query.factors, (factors) => withInts(
              engine, rows.exponents, (exponents) => withDoubles(
                  engine, rows.cents, (cents) => text(engine._ratiohunt_web_csv(
                      target, query.x, query.y, factors, query.factors.length, query.maxQuotient, exponents, cents,
                      rows.cents.length)))))),
      // {known, message}: the program's message for a search that ended as end after seconds.
      endText: (end, seconds) => JSON.parse(text(withText(engine, end, (e) => engine._ratiohunt_web_end_text(e, seconds)))),
      // Runs the query, its records through engine.onRecordLine; '' or the program's refusal.
      search: (query) => withText(engine, query.target || '', (target) => withInts(
          engine, query.factors, (factors) => text(engine._ratiohunt_web_search(
              target, query.x, query.y, factors, query.factors.length, query.maxQuotient, query.timeOut,
              query.mode === 'range' ? 1 : 0, query.low, query.high, query.every ? 1 : 0)))),
      // The temperament of items over a basis ("", "7" or "2.3.7"), both as typed:
      // {temperament, mos} or {temperament, mos_problem}, or {error} in the program's words.
      temper: (items, basis) => JSON.parse(text(withText(engine, items, (i) => withText(
          engine, basis, (b) => engine._ratiohunt_web_temper(i, b))))),
      // The scale made just ({edo or degrees, basis (as typed), within, maxTerm, baseNote,
      // baseHz, timeOut, command}): {records, scl, kbm}, or {error} in the program's words.
      scale: (form) => withText(engine, form.edo || '', (edo) => withText(
          engine, (form.degrees || []).join('\n'), (degrees) => withText(
              engine, form.basis, (basis) => withText(
                  engine, form.within, (within) => withText(
                      engine, form.maxTerm, (maxTerm) => withText(
                          engine, form.baseNote, (baseNote) => withText(
                              engine, form.baseHz, (baseHz) => withText(
                                  engine, form.command, (command) => JSON.parse(text(engine._ratiohunt_web_scale(
                                      edo, degrees, basis, within, maxTerm, baseNote, baseHz,
                                      form.timeOut, command))))))))))),
      // The temperament's scale ({items, basis, size, baseNote, baseHz, command}) as
      // `temper --mos=N` makes it: {records, scl, kbm}, or {error} in the program's words.
      mos: (form) => withText(engine, form.items, (items) => withText(
          engine, form.basis, (basis) => withText(
              engine, form.command, (command) => JSON.parse(text(engine._ratiohunt_web_mos(
                  items, basis, form.size, form.baseNote, form.baseHz, command)))))),
      // A prime limit ("7") or a subgroup ("2.3.7") as typed, read as the program's option:
      // {factors, option} ({[], ''} for an empty field), or {error} in the program's words.
      readBasis: (typed) => JSON.parse(text(withText(engine, typed, (t) => engine._ratiohunt_web_basis(t)))),
    };
  }

  exports.engineCalls = engineCalls;
})(typeof module !== 'undefined' ? module.exports : (globalThis.RatiohuntEngineCalls = {}));
