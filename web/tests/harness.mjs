// What the browser tests share: headless Chromium on a fresh profile, the page opened from
// a file or from a static server on 127.0.0.1, a query typed as a person would, the rows
// read back from the table, and the native program's records for the same query.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';
import {pathToFileURL} from 'node:url';

import puppeteer from 'puppeteer-core';

export const PAGE_DIR = process.env.RATIOHUNT_PAGE_DIR;
// What `cmake --install` put under share/ratiohunt/web; the build's page when not given.
export const INSTALLED_PAGE_DIR = process.env.RATIOHUNT_INSTALLED_PAGE_DIR || PAGE_DIR;
export const NATIVE_PROGRAM = process.env.RATIOHUNT_NATIVE_PROGRAM;
const CHROMIUM = process.env.RATIOHUNT_CHROMIUM || '/usr/bin/chromium';
const CENTS_TOLERANCE = 1e-9;
const SEARCH_WAIT_MS = 120000;

// The engine as the page starts it on its own thread, from the built page's engine.js, with
// the calls the page makes into it.
export async function startEngine() {
  const require = createRequire(import.meta.url);
  const createEngine = require(path.join(PAGE_DIR, 'engine.js'));
  const {engineCalls} = require('../page/engine_calls.js');
  return engineCalls(await createEngine({onRecordLine: () => {}, onProgress: () => {}}));
}

export function pageFileUrl() { return pathToFileURL(path.join(PAGE_DIR, 'index.html')).href; }

export async function launchBrowser() {
  assert.ok(PAGE_DIR && fs.existsSync(path.join(PAGE_DIR, 'index.html')), `no built page in ${PAGE_DIR}`);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'ratiohunt-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
  browser.profile = profile;
  return browser;
}

export async function closeBrowser(browser) {
  await browser.close();
  fs.rmSync(browser.profile, {recursive: true, force: true, maxRetries: 5});
}

const CONTENT_TYPES = {'.html': 'text/html', '.css': 'text/css', '.js': 'text/javascript'};

// Serves the page's folder on 127.0.0.1 at a free port; resolves to the server and its index URL.
export function serveFolder(folder) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname).replace(/^\/+/, '');
    const file = path.join(folder, name || 'index.html');
    if (!file.startsWith(folder) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, {'Content-Type': CONTENT_TYPES[path.extname(file)] || 'application/octet-stream'});
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => {
    resolve({server, url: `http://127.0.0.1:${server.address().port}/index.html`});
  }));
}

// Opens the page and records every console error and uncaught exception it produces.
export async function openPage(browser, url, viewport = {width: 1100, height: 900}) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  page.problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error') page.problems.push(message.text());
  });
  page.on('pageerror', (error) => page.problems.push(String(error)));
  await page.goto(url, {waitUntil: 'load'});
  await waitForEngine(page);
  return page;
}

// Waits until the page's own engine has started (or failed to); the page searches only then.
export async function waitForEngine(page) {
  await page.waitForFunction(() => document.body.dataset.engine !== undefined, {timeout: SEARCH_WAIT_MS});
}

// The URL fragment the page itself writes for a query.
export function queryHash(query) {
  const params = new URLSearchParams({target: query.target, factors: query.factors, low: String(query.low ?? 40),
                                      high: String(query.high ?? 60), maxq: String(query.maxq),
                                      precision: '5', timeout: String(query.timeout), mode: query.mode});
  if (query.every) params.set('every', '1');
  return '#' + params.toString();
}

async function replaceText(page, selector, text) {
  await page.click(selector, {clickCount: 3});
  await page.keyboard.press('End');
  await page.keyboard.down('Shift');
  await page.keyboard.press('Home');
  await page.keyboard.up('Shift');
  await page.keyboard.press('Backspace');
  await page.type(selector, text);
}

// Fills the form with the mouse and keyboard, then presses Search.
export async function typeQuery(page, query) {
  await replaceText(page, '#target', query.target);
  await replaceText(page, '#factors', query.factors);
  await page.click(`input[name="mode"][value="${query.mode}"]`);
  if (query.mode === 'range') {
    await replaceText(page, '#low', String(query.low));
    await replaceText(page, '#high', String(query.high));
  }
  const open = await page.$eval('details', (details) => details.open);
  if (!open) await page.click('details summary');
  await replaceText(page, '#maxq', String(query.maxq));
  await replaceText(page, '#timeout', String(query.timeout));
  const every = await page.$eval('#every', (box) => box.checked);
  if (every !== Boolean(query.every)) await page.click('#every');
  await page.click('#run');
}

export async function waitForSearchEnd(page) {
  await page.waitForFunction(() => document.body.dataset.state === 'done', {timeout: SEARCH_WAIT_MS});
}

// The rows in the order shown, read through the page's data hook: every row, also those
// the virtualised table keeps out of the DOM.
export async function readRows(page) {
  return page.evaluate(() => window.ratiohuntRows().map((row) => ({
    exponents: row.exponents, ratio: row.ratio, cents: row.cents, distance: row.distance, name: row.name})));
}

// The body rows the table has in the DOM, as they read on the screen.
export async function readDomRows(page) {
  return page.$$eval('#results tbody tr.row', (rows) => rows.map((row) => Object.fromEntries(
      Array.from(row.cells).slice(1).map((cell) => [cell.className, cell.textContent]))));
}

function targetParts(target) {
  const [x, y = '1'] = target.split('/');
  return [x.trim(), y.trim()];
}

// The native program's standard output for the query in --format=FORMAT, as lines.
export function nativeOutput(query, format, extraArgs = []) {
  assert.ok(NATIVE_PROGRAM && fs.existsSync(NATIVE_PROGRAM), `no native program at ${NATIVE_PROGRAM}`);
  const mode = query.mode === 'range' ? ['-2', String(query.low), String(query.high)] : ['-1'];
  const args = [`--format=${format}`, ...targetParts(query.target), String(query.maxq), '5', String(query.timeout),
                ...mode, ...query.factors.split(/[\s,]+/)];
  if (query.every) args.push('--every-vector');
  args.push(...extraArgs);
  const run = spawnSync(NATIVE_PROGRAM, args, {input: '', encoding: 'utf8', maxBuffer: 1 << 28});
  assert.equal(run.status, 0, `${NATIVE_PROGRAM} ${args.join(' ')} failed: ${run.stderr}`);
  return run.stdout.split('\n').filter((line) => line !== '');
}

// The native program's records for the query: its approximant lines and its summary.
export function nativeRecords(query, extraArgs = []) {
  const records = nativeOutput(query, 'json', extraArgs).map((line) => JSON.parse(line));
  return {approximants: records.filter((record) => record.type === 'approximant'),
          summary: records.find((record) => record.type === 'summary')};
}

// Exponents, numerators and denominators exactly; cents and distances within 1e-9.
export function assertRowsMatch(rows, approximants, label) {
  assert.equal(rows.length, approximants.length, `${label}: row count`);
  rows.forEach((row, i) => {
    const record = approximants[i];
    const where = `${label}, row ${i + 1}`;
    assert.deepEqual(row.exponents, record.exponents, `${where}: exponents`);
    assert.equal(row.ratio, `${record.numerator}/${record.denominator}`, `${where}: ratio`);
    assert.ok(Math.abs(row.cents - record.cents) <= CENTS_TOLERANCE, `${where}: cents ${row.cents} vs ${record.cents}`);
    assert.ok(Math.abs(row.distance - record.distance_cents) <= CENTS_TOLERANCE, `${where}: distance`);
    assert.equal(row.name, record.name || '', `${where}: name`);
  });
}

// Keeps each Blob the page hands to a download link from now on; downloadedTexts gives the
// texts of those kept since the last call, in order.
export async function catchDownloads(page) {
  await page.evaluate(() => {
    const caught = window.caughtDownloads !== undefined;
    window.caughtDownloads = [];
    if (caught) return;
    const original = URL.createObjectURL;
    URL.createObjectURL = (blob) => {
      window.caughtDownloads.push(blob);
      return original(blob);
    };
  });
}

export function downloadedTexts(page) {
  return page.evaluate(() => Promise.all(window.caughtDownloads.map((blob) => blob.text())));
}

// Presses a computer key, outside any field, with the scale panel's audio context a second
// of OfflineAudioContext: the note the panel says it played and the upward zero crossings
// rendered, one a cycle.
export async function playedKey(page, code) {
  const rate = 44100;
  await page.evaluate((sampleRate) => {
    document.activeElement.blur();
    window.ratiohuntScalePanel.audio = new OfflineAudioContext(1, sampleRate, sampleRate);
  }, rate);
  await page.keyboard.press(code);
  return page.evaluate(async () => {
    const samples = (await window.ratiohuntScalePanel.audio.startRendering()).getChannelData(0);
    let crossings = 0;
    for (let i = 1; i < samples.length; ++i) if (samples[i - 1] < 0 && samples[i] >= 0) ++crossings;
    return {played: window.ratiohuntScalePanel.lastNote, crossings};
  });
}
