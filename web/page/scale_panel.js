// The scale panel's pure parts: the degrees of the ticked rows, the command line whose
// files the page's downloads equal, and which note a computer key or a drawn key plays. The
// scale itself is made, and its basis read, by the engine. The panel's player (degrees,
// keys, files) also plays the scales the temperament panel hands it. A classic script,
// loaded by the page and by node's tests.
'use strict';

(function (exports) {
  // The computer's keys by their code, bottom row first: each row goes on up the scale
  // from where the row below it ends.
  const KEY_ROWS = [
    ['KeyZ', 'KeyX', 'KeyC', 'KeyV', 'KeyB', 'KeyN', 'KeyM', 'Comma', 'Period', 'Slash'],
    ['KeyA', 'KeyS', 'KeyD', 'KeyF', 'KeyG', 'KeyH', 'KeyJ', 'KeyK', 'KeyL', 'Semicolon', 'Quote'],
    ['KeyQ', 'KeyW', 'KeyE', 'KeyR', 'KeyT', 'KeyY', 'KeyU', 'KeyI', 'KeyO', 'KeyP', 'BracketLeft', 'BracketRight'],
    ['Digit1', 'Digit2', 'Digit3', 'Digit4', 'Digit5', 'Digit6', 'Digit7', 'Digit8', 'Digit9', 'Digit0', 'Minus',
     'Equal'],
  ];
  const KEY_STEPS = new Map(KEY_ROWS.flat().map((code, step) => [code, step]));
  const MAX_DRAWN_KEYS = 97;  // two equaves of up to 48 degrees and the 1/1 above them
  const FILE_NAMES = {scl: 'ratiohunt.scl', kbm: 'ratiohunt.kbm'};
  const HEADINGS = ['Degree', 'Ratio', 'Cents', 'Target', 'Distance'];

  // The ticked rows ({ratio, cents}) that lie above 1/1 and below the equave, by size, each
  // ratio once, then the equave: the degrees of their scale.
  const insideEquave = (row, equaveCents) => row.cents > 0 && row.cents < equaveCents;

  function tickedDegrees(rows, equave, equaveCents) {
    const inside = rows.filter((row) => insideEquave(row, equaveCents)).sort((a, b) => a.cents - b.cents);
    const ratios = [];
    for (const row of inside) {
      if (!ratios.includes(row.ratio)) ratios.push(row.ratio);
    }
    return ratios.concat([equave]);
  }

  // The program's command line that writes the page's two files: the scale from the
  // equal division (edo non-empty) or the degrees, and each option the form gives.
  function scaleCommand({edo, degrees, basisOption, within, maxTerm, baseFrequency}) {
    const words = ['ratiohunt', 'scale'];
    if (edo) words.push(`--edo=${edo}`);
    else words.push(...degrees);
    words.push(basisOption);
    if (within) words.push(`--within=${within}`);
    if (maxTerm) words.push(`--max-term=${maxTerm}`);
    words.push(...fileOptions(baseFrequency));
    return words.join(' ');
  }

  // The options that write the page's two files, the 1/1 at baseFrequency (text) when it
  // is not the program's own.
  function fileOptions(baseFrequency) {
    return [...(baseFrequency ? [`--base-frequency=${baseFrequency}`] : []), `--scl=${FILE_NAMES.scl}`,
            `--kbm=${FILE_NAMES.kbm}`];
  }

  // The keyboard mapping's frequency of the 1/1 as --base-frequency takes it: '' for the
  // program's own, which the command line then leaves out.
  function baseFrequencyText(baseHz, programHz) { return baseHz === programHz ? '' : String(baseHz); }

  // The equal division's text for --edo: N, or N<P> with an equave other than 2/1.
  function edoText(divisions, equave) {
    const typed = equave.trim();
    return typed === '' || typed === '2/1' ? divisions.trim() : `${divisions.trim()}<${typed}>`;
  }

  // The step a key's code plays (0 is the 1/1), or -1 for a key that plays none.
  function keyStep(code) { return KEY_STEPS.has(code) ? KEY_STEPS.get(code) : -1; }

  // The size in cents of a step up the scale, whose degrees' sizes end with the equave's.
  function stepCents(degreeCents, step) {
    const size = degreeCents.length;
    const equaves = Math.floor(step / size);
    const degree = step % size;
    return equaves * degreeCents[size - 1] + (degree === 0 ? 0 : degreeCents[degree - 1]);
  }

  function stepHz(degreeCents, step, baseHz) { return baseHz * 2 ** (stepCents(degreeCents, step) / 1200); }

  // How many keys the drawn keyboard has: two equaves and the 1/1 above them, or fewer.
  function drawnKeyCount(degreeCount) { return Math.min(2 * degreeCount + 1, MAX_DRAWN_KEYS); }

  // ---- The panel on the page: the browser's part, driven by the page's tests -----------

  const NOTE_SECONDS = 1;
  const NOTE_VOLUME = 0.3;

  // Wires the panel: calls is {engine() (the engine's calls, once started), tickedRows()
  // ({ratio, cents} each), baseHz(), volume(), download(blob, name), makeScale(form) (the
  // engine's scale(form) off the page's thread: a promise of its answer, or of null when a
  // newer scale took its place), dropScale() (ends the scale being made, its promise then
  // of null), timeOut (the seconds a scale may take, as the program's)}.
  // Returns its state. The page's body says 'making', 'made' or 'refused' in data-scale.
  function startScalePanel(calls) {
    const $ = (id) => document.getElementById(id);
    const panel = {degreeCents: [], keyLabels: [], files: null, audio: null, lastNote: null, load};
    const defaults = globalThis.RATIOHUNT_SCALE_DEFAULTS;
    $('scale-within').value = defaults.within;
    $('scale-max-term').value = defaults.maxTerm;
    const say = (text) => { $('scale-status').textContent = text; };
    // Each request for a scale is numbered; a scale still being made for an older one is
    // dropped, so that it never replaces a newer refusal.
    let latestRequest = 0;
    const refuse = (text) => {
      latestRequest += 1;
      calls.dropScale();
      if (document.body.dataset.scale === 'making') document.body.dataset.scale = 'refused';
      say(text);
    };

    // The scale made from the form: from the equal division, or from the degrees given;
    // true once it is in the player.
    async function make(degrees) {
      const engine = calls.engine();
      if (!engine) return refuse('The engine has not started yet.');
      const typedBasis = $('scale-basis').value;
      const basis = engine.readBasis(typedBasis);
      if (basis.error || !basis.option) {
        return refuse(`Limit or subgroup: ${basis.error || 'give a prime limit (5) or a subgroup (2.3.7)'}.`);
      }
      const edo = degrees ? '' : edoText($('scale-edo').value, $('scale-equave').value);
      if (!degrees && edo === '') return refuse('EDO: give its number of steps, as 12.');
      const within = $('scale-within').value.trim();
      const maxTerm = $('scale-max-term').value.trim();
      const baseFrequency = baseFrequencyText(calls.baseHz(), Number(globalThis.RATIOHUNT_DEFAULTS.referenceHz));
      const command = scaleCommand({edo, degrees, basisOption: basis.option, within, maxTerm, baseFrequency});
      const request = ++latestRequest;
      document.body.dataset.scale = 'making';
      say('Making the scale…');
      const made = await calls.makeScale({edo, degrees, basis: typedBasis, within: within || defaults.within,
                                          maxTerm: maxTerm || defaults.maxTerm, baseNote: defaults.baseNote,
                                          baseHz: String(calls.baseHz()), timeOut: Number(calls.timeOut), command});
      if (!made || request !== latestRequest) return false;
      if (made.error) {
        document.body.dataset.scale = 'refused';
        return say(`The scale cannot be made: ${made.error}.`);
      }
      const records = made.records.trim().split('\n').map((line) => JSON.parse(line))
                          .filter((record) => record.type === 'degree');
      load({headings: HEADINGS, degreeCents: records.map((record) => record.cents),
            rows: records.map((record) => [String(record.degree), record.just ? record.ratio : '(none)',
                                          record.cents.toFixed(3), record.target_cents.toFixed(3),
                                          record.distance_cents.toFixed(3)]),
            keyLabels: records.map((record) => record.ratio || ''), files: {scl: made.scl, kbm: made.kbm}, command,
            status: `${records.length} degrees; play them on the keys below or on the computer's keys.`});
      return true;
    }

    // Puts a scale in the player: scale is {headings and rows (texts) of its degrees' table,
    // degreeCents (the equave's last), keyLabels (one a degree), files {scl, kbm}, command
    // (that writes the same files), status}.
    function load(scale) {
      panel.degreeCents = scale.degreeCents;
      panel.keyLabels = scale.keyLabels;
      panel.files = scale.files;
      showDegrees(scale.headings, scale.rows);
      drawKeys();
      $('scale-download-scl').disabled = false;
      $('scale-download-kbm').disabled = false;
      $('scale-command').textContent = scale.command;
      say(scale.status);
      document.body.dataset.scale = 'made';
    }

    async function makeOfTicked() {
      const engine = calls.engine();
      if (!engine) return refuse('The engine has not started yet.');
      const equave = $('scale-equave').value.trim() || '2/1';
      const read = engine.readTarget(equave);
      if (read.error) return refuse(`Equave: ${read.error}.`);
      const rows = calls.tickedRows();
      if (rows.length === 0) return refuse('Tick rows of the results table first.');
      const equaveCents = 1200 * Math.log2(read.x / read.y);
      const outside = rows.filter((row) => !insideEquave(row, equaveCents)).length;
      if ((await make(tickedDegrees(rows, equave, equaveCents))) && outside > 0) {
        say(`${$('scale-status').textContent} ${outside} ticked rows lie outside 1/1 to the equave and are left out.`);
      }
      return undefined;
    }

    function showDegrees(headings, rows) {
      $('scale-degrees').tHead.rows[0].replaceChildren(...headings.map((heading) => {
        const th = document.createElement('th');
        th.scope = 'col';
        th.textContent = heading;
        return th;
      }));
      $('scale-degrees').tBodies[0].replaceChildren(...rows.map((texts) => {
        const row = document.createElement('tr');
        for (const text of texts) row.insertCell().textContent = text;
        return row;
      }));
    }

    function drawKeys() {
      const keys = Array.from({length: drawnKeyCount(panel.degreeCents.length)}, (unused, step) => {
        const key = document.createElement('button');
        key.type = 'button';
        key.className = step % panel.degreeCents.length === 0 ? 'scale-key equave' : 'scale-key';
        key.dataset.step = String(step);
        key.textContent = step === 0 ? '1/1' : panel.keyLabels[(step - 1) % panel.keyLabels.length];
        key.setAttribute('aria-label', `Play step ${step}`);
        return key;
      });
      $('scale-keys').replaceChildren(...keys);
    }

    // Plays a step of the scale for a second, on the panel's audio context.
    function playStep(step) {
      if (panel.degreeCents.length === 0) return;
      if (!panel.audio) panel.audio = new AudioContext();
      const context = panel.audio;
      if (typeof AudioContext !== 'undefined' && context instanceof AudioContext) context.resume();
      const hz = stepHz(panel.degreeCents, step, calls.baseHz());
      const start = context.currentTime;
      globalThis.RatiohuntSound.scheduleNote(context, context.destination, hz, start, start + NOTE_SECONDS,
                                             NOTE_VOLUME * calls.volume());
      panel.lastNote = {step, hz};
    }

    $('scale-form').addEventListener('submit', (event) => {
      event.preventDefault();
      make(null);
    });
    $('scale-ticked').addEventListener('click', makeOfTicked);
    $('scale-keys').addEventListener('click', (event) => {
      const key = event.target.closest('button.scale-key');
      if (key) playStep(Number(key.dataset.step));
    });
    document.addEventListener('keydown', (event) => {
      const typing = event.target.closest && event.target.closest('input, select, textarea');
      const step = keyStep(event.code);
      if (typing || step < 0 || event.repeat || event.ctrlKey || event.metaKey || event.altKey) return;
      if (panel.degreeCents.length === 0) return;
      event.preventDefault();
      playStep(step);
    });
    const download = (kind) => calls.download(new Blob([panel.files[kind]], {type: 'text/plain'}), FILE_NAMES[kind]);
    $('scale-download-scl').addEventListener('click', () => download('scl'));
    $('scale-download-kbm').addEventListener('click', () => download('kbm'));
    return panel;
  }

  Object.assign(exports, {startScalePanel, tickedDegrees, scaleCommand, fileOptions, baseFrequencyText, edoText, keyStep,
                          stepCents, stepHz, drawnKeyCount, FILE_NAMES, KEY_ROWS});
})(typeof module !== 'undefined' ? module.exports : (globalThis.RatiohuntScalePanel = {}));
