// The page opened from a file as an instrument: the plot and the table show the same rows,
// a point and its row select each other, every row of a 44,899-row search is reachable,
// every-vector is the default for new queries but not for old links, the command line
// shown gives the same records, and the sound plays the interval's two frequencies.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import {after, before, describe, it} from 'node:test';

import {closeBrowser, launchBrowser, NATIVE_PROGRAM, nativeRecords, openPage, pageFileUrl, queryHash, readDomRows,
        readRows, waitForSearchEnd} from './harness.mjs';

const SEVEN_LIMIT_COMMAS = {target: '1/1', factors: '2 3 5 7', mode: 'range', low: -30, high: 30, maxq: 100000,
                            timeout: 60, every: true};
const NINETEEN_LIMIT_COMMAS = {target: '1/1', factors: '2 3 5 7 11 13 17 19', mode: 'range', low: 0, high: 2,
                               maxq: 1e11, timeout: 600};

// printf's "%g" text of the program's monzos, from its range-mode text output.
function nativeMonzos(query) {
  const args = ['--no-wait', query.target, String(query.maxq), '5', String(query.timeout), '-2', String(query.low),
                String(query.high), ...query.factors.split(' ')];
  if (query.every) args.push('--every-vector');
  const run = spawnSync(NATIVE_PROGRAM, args, {input: '', encoding: 'utf8'});
  return run.stdout.split('\n').filter((line) => line.startsWith('[')).map((line) => line.slice(0, line.indexOf('>') + 1));
}

describe('the page as an instrument', () => {
  let browser;
  before(async () => { browser = await launchBrowser(); });
  after(async () => { await closeBrowser(browser); });

  it('plots one point for each row; a click on a point selects its row, a click on a row marks its point', async () => {
    const page = await openPage(browser, pageFileUrl() + queryHash(SEVEN_LIMIT_COMMAS));
    await waitForSearchEnd(page);
    const rows = await readRows(page);
    assert.equal(rows.length, nativeRecords(SEVEN_LIMIT_COMMAS).approximants.length);
    assert.equal(await page.evaluate(() => window.ratiohuntPlot().pointCount), rows.length);
    // The point farthest from any other, so that a click lands on it alone.
    await page.$eval('#plot', (canvas) => canvas.scrollIntoView());
    const target = await page.evaluate(() => {
      const plot = window.ratiohuntPlot();
      let best = {gap: -1};
      for (let p = 0; p < plot.view.length; ++p) {
        let gap = Infinity;
        for (let q = 0; q < plot.view.length; ++q) {
          if (q !== p) gap = Math.min(gap, Math.hypot(plot.screenX[p] - plot.screenX[q], plot.screenY[p] - plot.screenY[q]));
        }
        if (gap > best.gap) best = {gap, index: plot.view[p], x: plot.screenX[p], y: plot.screenY[p]};
      }
      const box = document.getElementById('plot').getBoundingClientRect();
      return {index: best.index, x: box.left + best.x, y: box.top + best.y};
    });
    await page.mouse.click(target.x, target.y);
    const selected = await page.$$eval('#results tr.selected', (found) => found.map((row) => Number(row.dataset.index)));
    assert.deepEqual(selected, [target.index]);
    assert.equal(await page.evaluate(() => window.ratiohuntPlot().selected), target.index);
    // And back: a click on another row marks its point.
    const other = await page.$eval('#results tr.row:not(.selected) .cents', (cell) => {
      cell.click();
      return Number(cell.parentElement.dataset.index);
    });
    assert.equal(await page.evaluate(() => window.ratiohuntPlot().selected), other);
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  it('shows each monzo as the program writes it, and cents with the digits asked for', async () => {
    // Factor counts 2, 4 and 5: the groups of the monzo text end after the 2nd, 5th ... entry.
    for (const factors of ['3 2', '2 3 5 7', '2 3 5 7 11']) {
      const query = {...SEVEN_LIMIT_COMMAS, factors, low: 0, high: 25, maxq: 1000000};
      const page = await openPage(browser, pageFileUrl() + queryHash(query).replace('precision=5', 'precision=3'));
      await waitForSearchEnd(page);
      const shown = await readDomRows(page);
      const monzos = nativeMonzos(query);
      assert.ok(shown.length > 0 && shown.length <= monzos.length);
      assert.deepEqual(shown.map((row) => row.monzo), monzos.slice(0, shown.length), factors);
      const native = nativeRecords(query).approximants;
      shown.forEach((row, i) => {
        assert.equal(row.cents, String(Number(native[i].cents.toPrecision(3))), `cents of row ${i + 1}`);
      });
      await page.close();
    }
  });

  it('reaches the last of 44,899 rows by scrolling, with only the rows in sight in the DOM', async () => {
    const page = await openPage(browser, pageFileUrl() + queryHash(NINETEEN_LIMIT_COMMAS));
    await waitForSearchEnd(page);
    const native = nativeRecords(NINETEEN_LIMIT_COMMAS, ['--threads=2']).approximants;
    assert.equal(native.length, 44899);
    assert.equal(await page.evaluate(() => window.ratiohuntRowCount()), native.length);
    await page.$eval('#table-wrap', (wrap) => { wrap.scrollTop = wrap.scrollHeight; });
    await page.waitForFunction((count) => {
      const rows = document.querySelectorAll('#results tr.row');
      return rows.length > 0 && rows[rows.length - 1].querySelector('.order').textContent === String(count);
    }, {}, native.length);
    const domRows = await readDomRows(page);
    assert.ok(domRows.length < 100, `${domRows.length} rows in the DOM`);
    const last = native.at(-1);
    assert.equal(domRows.at(-1).ratio, `${last.numerator}/${last.denominator}`);
    const lastRow = (await readRows(page)).at(-1);
    assert.deepEqual(lastRow.exponents, last.exponents);
    assert.equal(lastRow.cents, last.cents);
    await page.close();
  });

  it('checks every-vector for new queries but reads a link without every= as before, and shows the command line',
     async () => {
       const fresh = await openPage(browser, pageFileUrl());
       assert.equal(await fresh.$eval('#every', (box) => box.checked), true);
       await fresh.close();
       const oldLink = {target: '5/4', factors: '2 3 5', mode: 'successive', maxq: 1000000, timeout: 60};
       const page = await openPage(browser, pageFileUrl() + queryHash(oldLink));
       await waitForSearchEnd(page);
       assert.equal(await page.$eval('#every', (box) => box.checked), false);
       assert.ok(!(await readRows(page)).some((row) => row.ratio === '5/4'));
       // The command line shown prints the page's rows, run as it reads.
       for (const every of [false, true]) {
         if (every) {
           await page.click('#every');
           await page.click('#run');
           await waitForSearchEnd(page);
         }
         const command = await page.$eval('#command-line', (code) => code.textContent);
         const [program, ...args] = command.split(' ');
         assert.equal(program, 'ratiohunt');
         assert.equal(args.includes('--every-vector'), every);
         const run = spawnSync(NATIVE_PROGRAM, args, {input: '', encoding: 'utf8'});
         const records = run.stdout.trim().split('\n').map((line) => JSON.parse(line)).filter((r) => r.type === 'approximant');
         assert.deepEqual((await readRows(page)).map((row) => row.exponents), records.map((record) => record.exponents));
       }
       assert.ok((await readRows(page)).some((row) => row.ratio === '5/4'), 'every-vector finds 5/4 itself');
       assert.match(page.url(), /every=1/);
       await page.close();
     });

  it('runs a link opened in a tab that shows another query', async () => {
    const page = await openPage(browser, pageFileUrl() + queryHash(SEVEN_LIMIT_COMMAS));
    await waitForSearchEnd(page);
    const other = {target: '11/8', factors: '2 3 5 7', mode: 'successive', maxq: 100000, timeout: 60};
    await page.evaluate((hash) => { location.hash = hash; }, queryHash(other));
    await page.waitForFunction(() => document.getElementById('target').value === '11/8');
    await waitForSearchEnd(page);
    assert.deepEqual((await readRows(page)).map((row) => row.exponents),
                     nativeRecords(other).approximants.map((record) => record.exponents));
    assert.equal(await page.evaluate(() => window.ratiohuntPlot().pointCount), nativeRecords(other).approximants.length);
    await page.close();
  });
});
