// The installed page served from 127.0.0.1 as a person uses it: typed queries of both modes against
// the native records, Cancel on a long search, messages for bad input, the URL round trip,
// keyboard-only use, a phone-sized screen, sorting and the downloads.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {after, before, describe, it} from 'node:test';

import {assertRowsMatch, closeBrowser, INSTALLED_PAGE_DIR, launchBrowser, nativeOutput, nativeRecords, openPage, readRows,
        serveFolder, typeQuery, waitForEngine, waitForSearchEnd} from './harness.mjs';

const TYPED_QUERIES = [
  {name: '7-limit approximants of 11/9', target: '11/9', factors: '2 3 5 7', mode: 'successive', maxq: 100000,
   timeout: 60},
  {name: '7-limit commas below 30 cents', target: '1/1', factors: '2 3 5 7', mode: 'range', low: 0, high: 30,
   maxq: 100000, timeout: 60},
];
// Runs far longer than any test waits and finds commas by the thousand: the 31-limit up to a huge quotient.
const LONG_QUERY = {target: '1/1', factors: '2 3 5 7 11 13 17 19 23 29 31', mode: 'range', low: 0, high: 5,
                    maxq: 1e15, timeout: 600};

const statusText = (page) => page.$eval('#status', (element) => element.textContent);
const state = (page) => page.evaluate(() => document.body.dataset.state || '');

describe('the installed page served over http', () => {
  let browser;
  let served;
  before(async () => {
    browser = await launchBrowser();
    served = await serveFolder(INSTALLED_PAGE_DIR);
  });
  after(async () => {
    await closeBrowser(browser);
    served.server.close();
  });

  for (const query of TYPED_QUERIES) {
    it(`typed ${query.mode} query gives the native records: ${query.name}`, async () => {
      const page = await openPage(browser, served.url);
      await typeQuery(page, query);
      await waitForSearchEnd(page);
      assertRowsMatch(await readRows(page), nativeRecords(query).approximants, query.name);
      assert.deepEqual(page.problems, []);
      await page.close();
    });
  }

  it('cancels a long search, keeps its rows and can search again', async () => {
    const page = await openPage(browser, served.url);
    await typeQuery(page, LONG_QUERY);
    // Thousands of commas a second stream in while the page keeps answering, and only the
    // rows in sight are in the DOM.
    await page.waitForFunction(() => window.ratiohuntRowCount() > 5000, {timeout: 60000});
    assert.match(await page.$eval('#shown-note', (note) => note.textContent), /^[\d,]+ rows\.$/);
    assert.ok(await page.$$eval('#results tbody tr', (rows) => rows.length) < 100);
    assert.equal(await state(page), 'running');
    // The engine's progress reports move the bar by the share of the search space walked.
    await page.waitForFunction(() => / of the search space, [\d,]+ values tested, \d+ found\.$/.test(
        document.getElementById('status').textContent));
    const share = await page.$eval('#progress', (bar) => bar.value);
    assert.ok(share > 0 && share < 1, `progress ${share}`);
    assert.equal(await page.$eval('#run', (button) => button.disabled), true);
    await page.click('#cancel');
    assert.equal(await state(page), 'done');
    assert.match(await statusText(page), /^Cancelled after [\d.]+ s; the table holds the \d+ found before\.$/);
    assert.equal(await page.$eval('#cancel', (button) => button.disabled), true);
    // Escape cancels too, and a cancelled worker's late messages change nothing.
    await typeQuery(page, LONG_QUERY);
    await page.waitForFunction(() => document.body.dataset.state === 'running');
    await page.keyboard.press('Escape');
    assert.equal(await state(page), 'done');
    await new Promise((resolve) => setTimeout(resolve, 300));
    assert.match(await statusText(page), /^Cancelled/);
    await typeQuery(page, TYPED_QUERIES[0]);
    await waitForSearchEnd(page);
    assertRowsMatch(await readRows(page), nativeRecords(TYPED_QUERIES[0]).approximants, 'after a cancel');
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  it('turns Search off and says why when the engine cannot start', async () => {
    const page = await browser.newPage();
    await page.setRequestInterception(true);
    page.on('request', (request) => (request.url().endsWith('/engine.js') ? request.abort() : request.continue()));
    await page.goto(served.url, {waitUntil: 'load'});
    await waitForEngine(page);
    assert.equal(await page.evaluate(() => document.body.dataset.engine), 'failed');
    assert.equal(await page.$eval('#run', (button) => button.disabled), true);
    assert.match(await statusText(page), /^The search engine did not start, so the page cannot search/);
    await page.close();
  });

  it('puts a message next to each bad field and runs nothing', async () => {
    const page = await openPage(browser, served.url);
    const bad = {target: '7/0', factors: '2 three 5', mode: 'range', low: 'forty', high: '60', maxq: '0.5',
                 timeout: '-1'};
    await typeQuery(page, bad);
    const messages = await page.evaluate(() => Object.fromEntries(
        ['target', 'factors', 'low', 'high', 'maxq', 'precision', 'timeout'].map(
            (name) => [name, [document.getElementById(`${name}-error`).textContent,
                              document.getElementById(name).getAttribute('aria-invalid')]])));
    assert.deepEqual(messages, {
      target: ['Enter a positive ratio as N/D or a decimal, such as 7/6 or 1.5.', 'true'],
      factors: ['"three" is not a whole number from 1 to 2147483647.', 'true'],
      low: ['Enter a number of cents, such as 40 or -10.5.', 'true'],
      high: ['', null],
      maxq: ['Enter a number of 1 or more.', 'true'],
      precision: ['', null],
      timeout: ['Enter a number of seconds above 0.', 'true'],
    });
    assert.equal(await page.evaluate(() => document.activeElement.id), 'target');
    assert.equal(await state(page), '');
    assert.equal(await page.evaluate(() => window.ratiohuntRowCount()), 0);
    // More cases, one field at a time: each gets its own message and the others none.
    const cases = [
      ['factors', {factors: '2 3 1'}, 'The last factor must be 2 or more.'],
      ['factors', {factors: '  '}, 'Give at least one factor.'],
      ['target', {target: '-3/2'}, 'Enter a positive ratio as N/D or a decimal, such as 7/6 or 1.5.'],
      ['target', {target: '1/2/3'}, 'Enter a positive ratio as N/D or a decimal, such as 7/6 or 1.5.'],
      ['target', {target: '1e300/1e-300'}, 'Enter a positive ratio as N/D or a decimal, such as 7/6 or 1.5.'],
      ['high', {low: '60', high: '40'}, 'Make it larger than the low end.'],
    ];
    for (const [field, change, message] of cases) {
      await typeQuery(page, {target: '1/1', factors: '2 3 5', mode: 'range', low: '40', high: '60', maxq: '100',
                             timeout: '4', ...change});
      const shown = await page.$$eval('.error', (errors) => errors.filter((error) => error.textContent !== '')
                                                               .map((error) => [error.id, error.textContent]));
      assert.deepEqual(shown, [[`${field}-error`, message]], JSON.stringify(change));
    }
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  it('keeps the query in the URL, and the link reproduces form and rows', async () => {
    const query = {target: '13/11', factors: '2 3 5 7 11', mode: 'range', low: -15, high: 15, maxq: 10000,
                   timeout: 30, every: true};
    const first = await openPage(browser, served.url);
    await typeQuery(first, query);
    await waitForSearchEnd(first);
    const link = first.url();
    const values = () => ['target', 'factors', 'low', 'high', 'maxq', 'timeout'].map((id) => document.getElementById(id).value)
                             .concat([document.querySelector('input[name="mode"]:checked').value,
                                      document.getElementById('every').checked]);
    const formBefore = await first.evaluate(values);
    const rowsBefore = await readRows(first);
    assert.ok(rowsBefore.length > 0);
    const second = await openPage(browser, link);
    await waitForSearchEnd(second);
    assert.deepEqual(await second.evaluate(values), formBefore);
    assert.deepEqual(formBefore, ['13/11', '2 3 5 7 11', '-15', '15', '10000', '30', 'range', true]);
    assert.deepEqual(await readRows(second), rowsBefore);
    await first.close();
    await second.close();
  });

  it('is usable by keyboard alone', async () => {
    const page = await openPage(browser, served.url);
    const focusedId = () => page.evaluate(() => document.activeElement.id);
    await page.keyboard.press('Tab');
    assert.equal(await focusedId(), 'target');
    await page.keyboard.down('Control');
    await page.keyboard.press('KeyA');
    await page.keyboard.up('Control');
    await page.keyboard.type('11/8');
    await page.keyboard.press('Tab');
    assert.equal(await focusedId(), 'limit');
    await page.keyboard.press('ArrowDown');  // 5-limit to 7-limit
    assert.equal(await page.$eval('#factors', (input) => input.value), '2 3 5 7');
    await page.keyboard.press('Tab');
    assert.equal(await focusedId(), 'subgroup');
    assert.equal(await page.$eval('#subgroup', (input) => input.value), '2.3.5.7');
    await page.keyboard.press('Tab');
    assert.equal(await focusedId(), 'factors');
    await page.keyboard.press('Enter');  // submits the form
    await waitForSearchEnd(page);
    const rows = await readRows(page);
    assertRowsMatch(rows, nativeRecords({target: '11/8', factors: '2 3 5 7', mode: 'successive', maxq: 1000000,
                                         timeout: 4, every: true}).approximants, 'keyboard query');
    // Sorting by a header button from the keyboard.
    await page.focus('th button[data-sort="cents"]');
    await page.keyboard.press('Enter');
    const cents = (await readRows(page)).map((row) => row.cents);
    assert.deepEqual(cents, cents.slice().sort((a, b) => a - b));
    await page.keyboard.press('Enter');
    const descending = (await readRows(page)).map((row) => row.cents);
    assert.deepEqual(descending, cents.slice().reverse());
    assert.equal(await page.$eval('th button[data-sort="cents"]', (button) => button.parentElement.ariaSort),
                 'descending');
    await page.close();
  });

  it('fits a phone screen: no sideways scrolling of the page', async () => {
    const page = await openPage(browser, served.url + '#target=1%2F1&factors=2+3+5+7+11+13+17+19&mode=range&low=0&high=3' +
                                             '&maxq=100000&timeout=30', {width: 360, height: 740, isMobile: true});
    await waitForSearchEnd(page);
    assert.ok((await readRows(page)).length > 10);
    const widths = await page.evaluate(() => ({page: document.documentElement.scrollWidth,
                                               run: document.getElementById('run').getBoundingClientRect().right}));
    assert.ok(widths.page <= 360, `page is ${widths.page}px wide`);
    assert.ok(widths.run <= 360);
    await page.close();
  });

  it('downloads the rows that pass the filter as ratiohunt --format=csv and --format=json would, in the order shown, and the plot', async (t) => {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'ratiohunt-downloads-'));
    t.after(() => fs.rmSync(folder, {recursive: true, force: true}));
    const page = await openPage(browser, served.url);
    const session = await page.createCDPSession();
    await session.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: folder});
    const query = {target: '1/1', factors: '2 3 5 7', mode: 'range', low: 0, high: 30, maxq: 100000, timeout: 60};
    await typeQuery(page, query);
    await waitForSearchEnd(page);
    await page.click('th button[data-sort="cents"]');
    await page.type('#filter-name', 'comma');
    await page.waitForFunction(() => /name=comma/.test(location.hash));
    await page.click('#download-csv');
    await page.click('#download-json');
    await page.click('#download-png');
    const file = (name) => path.join(folder, name);
    const names = ['ratiohunt.csv', 'ratiohunt.jsonl', 'ratiohunt.png'];
    for (let tries = 0; tries < 50 && !names.every((name) => fs.existsSync(file(name))); ++tries) {
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
    // The plot as a PNG picture.
    assert.deepEqual([...fs.readFileSync(file('ratiohunt.png')).subarray(0, 8)], [137, 80, 78, 71, 13, 10, 26, 10]);
    // The rows whose name has "comma" in it, smallest first.
    const shownLines = (lines) => lines.filter((line) => (JSON.parse(line).name || '').includes('comma'))
                                      .sort((a, b) => JSON.parse(a).cents - JSON.parse(b).cents);
    // JSON Lines: the native records byte for byte, filtered and sorted as shown; the summary
    // but for its time and the target's text.
    const nativeJson = nativeOutput(query, 'json');
    const pageJson = fs.readFileSync(file('ratiohunt.jsonl'), 'utf8').trimEnd().split('\n');
    const expectedJson = shownLines(nativeJson.slice(0, -1));
    assert.ok(expectedJson.length > 1 && expectedJson.length < nativeJson.length - 1);
    assert.deepEqual(pageJson.slice(0, -1), expectedJson);
    // The summary names the target as typed in the page; the native run was given it as X Y.
    assert.equal(JSON.parse(pageJson.at(-1)).target, query.target);
    const withoutTime = (line) => ({...JSON.parse(line), seconds: 0, target: null});
    assert.deepEqual(withoutTime(pageJson.at(-1)), withoutTime(nativeJson.at(-1)));
    // CSV: the native header, and the native rows of those records byte for byte.
    const nativeCsv = nativeOutput(query, 'csv');
    const csvRowOf = new Map(nativeCsv.slice(1).map((row) => [row.split(',')[0], row]));
    const pageCsv = fs.readFileSync(file('ratiohunt.csv'), 'utf8').trimEnd().split('\n');
    assert.equal(pageCsv[0], nativeCsv[0]);
    assert.deepEqual(pageCsv.slice(1), expectedJson.map((line) => csvRowOf.get(JSON.parse(line).exponents.join(' '))));
    assert.ok(pageCsv.some((row) => row.includes(',septimal comma,')), 'comma names in the CSV');
    await page.close();
  });
});
