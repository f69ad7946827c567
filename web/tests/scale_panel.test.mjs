// The scale panel: its pure parts (ticked degrees, command line, keys), the engine's basis
// and scale against the native program's words, files and records, and the page in headless Chromium
// making a scale from the form and from ticked rows, downloading it and playing a key.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';
import {after, before, describe, it} from 'node:test';

import {catchDownloads, closeBrowser, downloadedTexts, launchBrowser, NATIVE_PROGRAM, openPage, pageFileUrl, playedKey,
        readRows, startEngine, typeQuery, waitForEngine, waitForSearchEnd} from './harness.mjs';

const require = createRequire(import.meta.url);
const {tickedDegrees, scaleCommand, baseFrequencyText, edoText, keyStep, stepCents, stepHz, drawnKeyCount,
       KEY_ROWS} = require('../page/scale_panel.js');

const FORM_SCALE = ['16/15', '9/8', '6/5', '5/4', '4/3', '45/32', '3/2', '8/5', '5/3', '9/5', '15/8', '2/1'];
const BASE_HZ = 261.6256;

// Runs the program as the command line says, in a fresh folder: its standard output and the
// two files it wrote there.
function nativeScale(command, extra = []) {
  assert.ok(NATIVE_PROGRAM && fs.existsSync(NATIVE_PROGRAM), `no native program at ${NATIVE_PROGRAM}`);
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'ratiohunt-scale-'));
  const args = command.split(' ').slice(1).concat(extra);
  const run = spawnSync(NATIVE_PROGRAM, args, {cwd: folder, encoding: 'utf8'});
  const read = (name) => (fs.existsSync(path.join(folder, name)) ? fs.readFileSync(path.join(folder, name), 'utf8') : '');
  const result = {status: run.status, stdout: run.stdout, stderr: run.stderr, scl: read('ratiohunt.scl'),
                  kbm: read('ratiohunt.kbm')};
  fs.rmSync(folder, {recursive: true});
  return result;
}

// The native records of the command's scale: the same words, JSON, no files.
function nativeRecords(command) {
  const words = command.split(' ').filter((word) => !/^--(scl|kbm)=/.test(word));
  return nativeScale(words.join(' '), ['--format=json']).stdout;
}

describe('the scale panel\'s pure parts', () => {
  it('keeps the ticked rows inside the equave, by size and once each, the equave last', () => {
    const rows = [{ratio: '3/2', cents: 701.955}, {ratio: '9/8', cents: 203.91}, {ratio: '3/2', cents: 701.955},
                  {ratio: '81/80', cents: -21.5}, {ratio: '9/4', cents: 1403.91}, {ratio: '2/1', cents: 1200}];
    assert.deepEqual(tickedDegrees(rows, '2/1', 1200), ['9/8', '3/2', '2/1']);
    assert.deepEqual(tickedDegrees(rows, '3/1', 1901.955), ['9/8', '3/2', '2/1', '9/4', '3/1']);
    assert.deepEqual(tickedDegrees([], '2/1', 1200), ['2/1']);
  });

  it('writes the command line whose files the page offers', () => {
    assert.equal(edoText(' 12 ', ''), '12');
    assert.equal(edoText('12', '2/1'), '12');
    assert.equal(edoText('13', '3/1'), '13<3/1>');
    assert.equal(scaleCommand({edo: '12', basisOption: '--limit=5', within: '20', maxTerm: '100'}),
                 'ratiohunt scale --edo=12 --limit=5 --within=20 --max-term=100 --scl=ratiohunt.scl --kbm=ratiohunt.kbm');
    assert.equal(scaleCommand({edo: '', degrees: ['9/8', '2/1'], basisOption: '--subgroup=2.3', within: '', maxTerm: ''}),
                 'ratiohunt scale 9/8 2/1 --subgroup=2.3 --scl=ratiohunt.scl --kbm=ratiohunt.kbm');
    // The 1/1 at another pitch than the program's own is in the command line, as the .kbm has it.
    assert.equal(baseFrequencyText(261.6256, 261.6256), '');
    assert.equal(scaleCommand({edo: '12', basisOption: '--limit=5', baseFrequency: baseFrequencyText(440.5, 261.6256)}),
                 'ratiohunt scale --edo=12 --limit=5 --base-frequency=440.5 --scl=ratiohunt.scl --kbm=ratiohunt.kbm');
  });

  it('plays the scale up each row of keys and on up the row above, an equave after each size degrees', () => {
    assert.equal(keyStep('KeyZ'), 0);
    assert.equal(keyStep('Slash'), 9);
    assert.equal(keyStep('KeyA'), 10);
    assert.equal(keyStep('KeyQ'), 21);
    assert.equal(keyStep('Equal'), KEY_ROWS.flat().length - 1);
    assert.equal(keyStep('Space'), -1);
    const cents = [200, 500, 700, 1200];
    assert.deepEqual([0, 1, 3, 4, 5, 9].map((step) => stepCents(cents, step)), [0, 200, 700, 1200, 1400, 2600]);
    assert.ok(Math.abs(stepHz(cents, 4, 100) - 200) < 1e-9);
    assert.equal(drawnKeyCount(12), 25);
    assert.equal(drawnKeyCount(72), 97);
  });
});

describe('the engine\'s scale is the program\'s', () => {
  let engine;
  before(async () => { engine = await startEngine(); });

  const made = (edo, degrees, basisText, within, maxTerm) => {
    const basis = engine.readBasis(basisText);
    const command = scaleCommand({edo, degrees, basisOption: basis.option, within, maxTerm});
    const scale = engine.scale({edo, degrees, basis: basisText, within, maxTerm, baseNote: '60',
                                baseHz: String(BASE_HZ), timeOut: 60, command});
    return {command, scale};
  };

  it('reads the basis field as the program reads --limit or --subgroup, and refuses it in the same words', () => {
    assert.deepEqual(engine.readBasis(' 7 '), {factors: [2, 3, 5, 7], option: '--limit=7'});
    assert.deepEqual(engine.readBasis('2.3.7'), {factors: [2, 3, 7], option: '--subgroup=2.3.7'});
    assert.deepEqual(engine.readBasis('37').factors.slice(-2), [31, 37]);  // the program's bounds, up to 1000
    assert.deepEqual(engine.readBasis(' '), {factors: [], option: ''});
    for (const bad of ['1', '1001', '2.x', '2..3', '3.1', '7/4', '2.3.-5', '2.3 7']) {
      const {error} = engine.readBasis(bad);
      const option = /^\d+$/.test(bad) ? `--limit=${bad}` : `--subgroup=${bad}`;
      const native = spawnSync(NATIVE_PROGRAM, ['scale', '--edo=12', option], {encoding: 'utf8'});
      assert.equal(`ratiohunt scale: ${error}\n`, native.stderr, bad);
      assert.equal(engine.scale({edo: '12', basis: bad, within: '15', maxTerm: '1000', baseNote: '60', baseHz: '440',
                                 timeOut: 60, command: ''}).error, error, bad);
      assert.equal(engine.temper('12', bad).error, error, bad);
    }
  });

  for (const [edo, degrees, basis, within, maxTerm] of [
    ['12', null, '5', '20', '100'],
    ['13<3/1>', null, '3.5.7', '15', '1000'],
    ['', ['9/8', '316c', '7\\12', '1.5', '2'], '5', '15', '1000'],  // words without blanks, as the test splits them
    ['22', null, '11', '3', '50'],  // degrees left without a ratio keep their cents
  ]) {
    it(`writes the same .scl, .kbm and records: ${edo || degrees.join(' ')} in ${basis}`, () => {
      const {command, scale} = made(edo, degrees, basis, within, maxTerm);
      assert.equal(scale.error, undefined);
      const native = nativeScale(command);
      assert.equal(native.status, 0, native.stderr);
      assert.equal(scale.scl, native.scl);
      assert.equal(scale.kbm, native.kbm);
      assert.equal(scale.records, nativeRecords(command));
    });
  }

  it('refuses what the program refuses, in its words', () => {
    for (const [edo, degrees, basis, within, maxTerm] of [
      ['', ['7/4', '2/1'], '5', '15', '1000'], ['0', null, '5', '15', '1000'], ['', ['3/2', '1/1'], '5', '15', '1000'],
      ['12', null, '5', '-1', '1000'], ['12', null, '5', '15', '1.5']]) {
      const {command, scale} = made(edo, degrees, basis, within, maxTerm);
      const native = nativeScale(command);
      assert.equal(native.status, 2);
      assert.equal(`ratiohunt scale: ${scale.error}\n`, native.stderr, command);
    }
    const form = {edo: '12', basis: '5', within: '15', maxTerm: '1000', baseNote: '60', baseHz: '440',
                  timeOut: 60, command: ''};
    assert.ok(engine.scale({...form, basis: ''}).error);
    assert.ok(engine.scale({...form, edo: '', degrees: []}).error);
    // A scale that meets its time out is refused whole, as the program refuses it.
    const late = engine.scale({...form, edo: '72', basis: '31', maxTerm: '1000000', timeOut: 0});
    assert.match(late.error, /^time out at \S+ s with \d+ of 72 degrees made just; nothing is shown or written/);
    assert.equal(late.scl, undefined);
  });
});

describe('the scale panel in the page', () => {
  let browser;
  before(async () => { browser = await launchBrowser(); });
  after(async () => closeBrowser(browser));

  // Clicks a button that makes a scale, and waits while the page's worker makes it.
  const makeScale = async (page, button) => {
    await page.click(button);
    await page.waitForFunction(() => document.body.dataset.scale !== 'making');
  };
  const setField = async (page, id, text) => page.$eval(`#${id}`, (field, value) => { field.value = value; }, text);
  const degreeRatios = (page) => page.$$eval('#scale-degrees tbody tr', (rows) => rows.map((row) => row.cells[1].textContent));

  it('makes the form\'s scale, downloads the program\'s files and plays a key', async () => {
    const page = await openPage(browser, pageFileUrl());
    await setField(page, 'scale-edo', '12');
    await setField(page, 'scale-basis', '5');
    await setField(page, 'scale-within', '20');
    await setField(page, 'scale-max-term', '100');
    await makeScale(page, '#scale-make');
    assert.deepEqual(await degreeRatios(page), FORM_SCALE);
    assert.equal(await page.$$eval('#scale-keys button', (keys) => keys.length), 25);
    const command = await page.$eval('#scale-command', (code) => code.textContent);
    await catchDownloads(page);
    await page.click('#scale-download-scl');
    await page.click('#scale-download-kbm');
    const native = nativeScale(command);
    assert.deepEqual(await downloadedTexts(page), [native.scl, native.kbm]);
    // A key pressed outside the form plays its step on the panel's audio context.
    const note = await playedKey(page, 'KeyX');
    assert.equal(note.played.step, 1);
    assert.ok(Math.abs(note.played.hz - BASE_HZ * 16 / 15) < 1e-9);
    assert.ok(Math.abs(note.crossings - BASE_HZ * 16 / 15) <= 2, `${note.crossings} cycles in a second`);
    // An empty EDO or a bad basis is said in the status line and leaves the scale as it was.
    await setField(page, 'scale-edo', '');
    await page.click('#scale-make');
    assert.match(await page.$eval('#scale-status', (status) => status.textContent), /^EDO: /);
    await setField(page, 'scale-edo', '12');
    await setField(page, 'scale-basis', '2.x');
    await page.click('#scale-make');
    assert.match(await page.$eval('#scale-status', (status) => status.textContent), /^Limit or subgroup: /);
    assert.deepEqual(await degreeRatios(page), FORM_SCALE);
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  it('makes scales off the page\'s thread, a newer one taking the place of one still being made', async () => {
    const page = await openPage(browser, pageFileUrl());
    await waitForEngine(page);
    // Both clicks return at once with the scale being made; the first never lands.
    const states = await page.evaluate(() => {
      const clickFor = (edo) => {
        document.getElementById('scale-edo').value = edo;
        document.getElementById('scale-make').click();
        return document.body.dataset.scale;
      };
      return [clickFor('19'), clickFor('22')];
    });
    assert.deepEqual(states, ['making', 'making']);
    await page.waitForFunction(() => document.body.dataset.scale !== 'making');
    await new Promise((resolve) => setTimeout(resolve, 300));
    assert.equal((await degreeRatios(page)).length, 22);
    assert.match(await page.$eval('#scale-command', (code) => code.textContent), /--edo=22 /);
    // A request refused while a scale is still being made: that scale, when it comes, is dropped.
    const refusedState = await page.evaluate(() => {
      document.getElementById('scale-edo').value = '19';
      document.getElementById('scale-make').click();
      document.getElementById('scale-edo').value = '';
      document.getElementById('scale-make').click();
      return document.body.dataset.scale;
    });
    assert.equal(refusedState, 'refused');
    assert.equal(await page.evaluate(() => page.scaleWorker), null);  // its worker ended
    await new Promise((resolve) => setTimeout(resolve, 2000));
    assert.equal((await degreeRatios(page)).length, 22);
    assert.match(await page.$eval('#scale-status', (status) => status.textContent), /^EDO: /);
    assert.equal(await page.evaluate(() => document.body.dataset.scale), 'refused');
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  it('makes the scale of the ticked rows, sorted by size', async () => {
    const page = await openPage(browser, pageFileUrl());
    await typeQuery(page, {target: '7/5', factors: '2 3 5', mode: 'successive', maxq: 10000, timeout: 60});
    await waitForSearchEnd(page);
    const rows = await readRows(page);
    assert.ok(rows.length >= 3);
    const ticks = await page.$$('#results tbody tr.row input.tick');
    for (const tick of ticks.slice(0, 3)) await tick.click();
    await makeScale(page, '#scale-ticked');
    const expected = rows.slice(0, 3).filter((row) => row.cents > 0 && row.cents < 1200)
                         .sort((a, b) => a.cents - b.cents).map((row) => row.ratio);
    assert.deepEqual(await degreeRatios(page), [...expected, '2/1']);
    const command = await page.$eval('#scale-command', (code) => code.textContent);
    assert.ok(command.startsWith(`ratiohunt scale ${expected.join(' ')} 2/1 --limit=5`), command);
    await catchDownloads(page);
    await page.click('#scale-download-scl');
    assert.deepEqual(await downloadedTexts(page), [nativeScale(command).scl]);
    assert.deepEqual(page.problems, []);
    await page.close();
  });
});
