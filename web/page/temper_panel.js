// The temperament panel apart from the page's wiring: the engine's temperament laid out as
// the panel's rows (every number with where it sits in `ratiohunt temper --format=json`),
// the items of ticked rows, the command line that prints the same numbers, the scale of
// the chosen size laid out for the scale panel's player and the command line that writes its
// files, and the panel drawn into its table. A classic script: the page loads it with a
// script tag, node's tests with require().
'use strict';

(function (exports) {
  const DIGITS = 7;  // significant digits shown; the full value is the cell's title

  // A part of a row: a number with its path in the report, or plain text.
  const num = (report, path) => ({path, value: path.split('.').reduce((at, key) => at[key], report)});
  const text = (words) => ({text: words});

  function list(report, path, values) { return values.map((_, i) => num(report, `${path}.${i}`)); }

  // The three tunings' cents of the period or a generator at path.
  function tunings(report, path) {
    return ['te', 'pote', 'cte'].flatMap((name) => [text(name.toUpperCase()), num(report, `${path}.cents.${name}`)]);
  }

  // The rows the panel shows: [{label, parts}], in the order of the program's text.
  function temperamentRows(report) {
    const rows = [
      {label: 'Basis', parts: [...list(report, 'basis', report.basis), text('rank'), num(report, 'rank')]},
      {label: 'Mapping', parts: report.mapping.flatMap((row, r) => [text('⟨'), ...list(report, `mapping.${r}`, row),
                                                                    text(']')])},
      {label: 'Period', parts: [text(report.period.ratio), ...tunings(report, 'period'),
                                text('periods per equave'), num(report, 'periods_per_equave')]},
    ];
    report.generators.forEach((generator, g) => {
      rows.push({label: `Generator ${g + 1}`, parts: [text(generator.ratio), ...tunings(report, `generators.${g}`)]});
    });
    const commas = report.commas.map((comma) => comma.ratio + (comma.name ? ` (${comma.name})` : ''));
    rows.push({label: 'Commas', parts: [text(commas.length > 0 ? commas.join(', ') : 'none')]});
    for (const name of ['te', 'pote', 'cte']) {
      rows.push({label: `${name.toUpperCase()} map`, parts: list(report, `tuning_maps.${name}`, report.tuning_maps[name])});
    }
    rows.push({label: 'TE error', parts: [num(report, 'te_error'), text('cents')]});
    rows.push({label: 'TE complexity', parts: [num(report, 'te_complexity')]});
    rows.push({label: 'Badness', parts: [num(report, 'badness')]});
    rows.push({label: 'POTE errors', parts: [...list(report, 'pote_errors', report.pote_errors), text('cents')]});
    if (report.pote_errors_percent_of_step) {
      rows.push({label: 'Of a step', parts: [...list(report, 'pote_errors_percent_of_step',
                                                     report.pote_errors_percent_of_step), text('%')]});
    }
    if (report.consistency_limit !== null) {
      rows.push({label: 'Consistent to', parts: [...(report.consistency_limit_is_a_lower_bound ? [text('at least')] : []),
                                                 num(report, 'consistency_limit')]});
    }
    rows.push({label: 'EDOs', parts: report.edos.length > 0 ? list(report, 'edos', report.edos) : [text('none')]});
    return rows;
  }

  // The ticked rows' ratios as the panel's items, and the factors of their search as its
  // basis (a factor 1 is no element of a basis).
  function tickedItems(ratios, factors) {
    return {items: ratios.join(' '), basis: factors.filter((factor) => factor > 1).join('.')};
  }

  function shellWord(word) { return /^[\w./+:=-]+$/.test(word) ? word : `'${word.replace(/'/g, `'\\''`)}'`; }

  // The program's words for the items over the basis, a prime limit or a subgroup.
  function temperWords(items, basis) {
    const words = items.trim().split(/\s+/).filter((word) => word !== '');
    const named = basis.trim() === '' ? [] : [/^\d+$/.test(basis.trim()) ? `--limit=${basis.trim()}` :
                                                                           `--subgroup=${basis.trim()}`];
    return ['ratiohunt', 'temper', ...words, ...named];
  }

  // The command line that prints the panel's numbers.
  function temperCommandLine(items, basis) {
    return [...temperWords(items, basis).map(shellWord), '--format=json'].join(' ');
  }

  // The command line that writes the scale of size notes to the page's two files (fileWords,
  // the options that name them): as typed into a shell (shown), and as the program writes it
  // into the files' comments (written).
  function mosCommandLines(items, basis, size, fileWords) {
    const words = [...temperWords(items, basis), `--mos=${size}`, ...fileWords];
    return {shown: words.map(shellWord).join(' '), written: words.join(' ')};
  }

  // The size the chooser starts at: 7 when it is one, else the first of 5 notes or more.
  function defaultMosSize(sizes) {
    if (sizes.includes(7)) return 7;
    const fuller = sizes.find((size) => size >= 5);
    return fuller === undefined ? sizes[sizes.length - 1] : fuller;
  }

  // The scale's records (`temper --mos=N --format=json`) as the scale panel's player shows
  // and plays them: a row a note as the program's table has it, each key named by its
  // cents and the equave by its ratio.
  function mosPlayerScale(records) {
    const degrees = records.filter((record) => record.type === 'degree');
    const summary = records.find((record) => record.type === 'mos');
    return {
      headings: ['Degree', 'Cents', 'Generators', 'Periods'],
      rows: degrees.map((note) => [String(note.degree), note.cents.toFixed(3), String(note.generators),
                                   String(note.periods)]),
      degreeCents: degrees.map((note) => note.cents),
      keyLabels: degrees.map((note, i) => (i === degrees.length - 1 ? summary.equave : note.cents.toFixed(0))),
      description: summary.description,
    };
  }

  // The scale to play: the unison, then each degree's size as a ratio, the equave last.
  function scaleRatios(mos) {
    const degrees = mos.filter((record) => record.type === 'degree');
    return [1, ...degrees.map((degree) => 2 ** (degree.cents / 1200))];
  }

  // The rows drawn into a table's body: each number its shown text with its full value and
  // path on the element, for the eye and for the tests.
  function drawRows(body, rows, numberText) {
    const document = body.ownerDocument;
    const lines = rows.map(({label, parts}) => {
      const row = document.createElement('tr');
      const th = document.createElement('th');
      th.scope = 'row';
      th.textContent = label;
      row.appendChild(th);
      const td = row.insertCell();
      for (const part of parts) {
        const span = document.createElement('span');
        if (part.path === undefined) {
          span.className = 'words';
          span.textContent = part.text;
        } else {
          span.className = 'number';
          span.dataset.path = part.path;
          span.dataset.value = numberText(part.value, 0);
          span.textContent = Number.isInteger(part.value) ? String(part.value) : numberText(part.value, DIGITS);
          span.title = span.dataset.value;
        }
        td.appendChild(span);
      }
      return row;
    });
    body.replaceChildren(...lines);
  }

  Object.assign(exports, {temperamentRows, tickedItems, temperCommandLine, mosCommandLines, defaultMosSize,
                          mosPlayerScale, scaleRatios, drawRows});
})(typeof module !== 'undefined' ? module.exports : (globalThis.RatiohuntTemperPanel = {}));
