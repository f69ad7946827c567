// The page opened from a file as an instrument: the plot and the table show the same rows,
// a point and its row select each other, every row of a 44,899-row search is reachable,
// every-vector is the default for new queries but not for old links, the command line
// shown gives the same records, a sort and a filter survive the link, the target field
// reads the tuning notations, and the sound plays the interval's two frequencies.
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
    // From the keyboard: Home selects the smallest comma, the arrow keys the next larger one,
    // and the focused plot describes the selected point.
    await page.focus('#plot');
    await page.keyboard.press('Home');
    await page.keyboard.press('ArrowRight');
    const bySize = rows.map((row, i) => ({cents: row.cents, i})).sort((a, b) => a.cents - b.cents || a.i - b.i);
    assert.equal(await page.evaluate(() => window.ratiohuntPlot().selected), bySize[1].i);
    const tooltip = await page.$eval('#plot-tooltip', (element) => [element.hidden, element.textContent]);
    assert.equal(tooltip[0], false);
    assert.ok(tooltip[1].startsWith(`${rows[bySize[1].i].ratio}  [`), tooltip[1]);
    // A row's ▶ plays it from the keyboard, selects the row and keeps the focus.
    const played = await page.$eval('#results tr.row:not(.selected) button.play', (button) => {
      button.focus();
      return Number(button.closest('tr').dataset.index);
    });
    await page.keyboard.press('Enter');
    assert.deepEqual(await page.evaluate(() => [document.activeElement.className,
                                                Number(document.activeElement.closest('tr').dataset.index),
                                                window.ratiohuntPlot().selected, page.sound !== null]),
                     ['play', played, played, true]);
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

  it('stops a search at its row limit, says so and keeps the rows', async () => {
    const page = await openPage(browser, pageFileUrl());
    await page.evaluate(() => {
      page.rowLimit = 100;  // the app's own state: a million rows would take too long here
      location.hash = '#target=1%2F1&factors=2+3+5+7+11&low=0&high=30&maxq=10000000&timeout=60&mode=range&every=1';
    });
    await waitForSearchEnd(page);
    assert.equal(await page.$eval('#status', (status) => status.textContent),
                 "Stopped at the page's limit of 100 rows; the table and the downloads keep them.");
    const native = nativeRecords({target: '1/1', factors: '2 3 5 7 11', mode: 'range', low: 0, high: 30, maxq: 1e7,
                                  timeout: 60, every: true}).approximants;
    assert.deepEqual((await readRows(page)).map((row) => row.exponents),
                     native.slice(0, 100).map((record) => record.exponents));
    await page.close();
  });

  it('checks every-vector for new queries but reads a link without every= with it off, and shows the command line',
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
    // Successive approximants come ever closer: each point lies lower on the log scale.
    const heights = await page.evaluate(() => {
      const plot = window.ratiohuntPlot();
      return Array.from(plot.view, (i) => plot.screenY[i]);
    });
    assert.equal(heights.length, nativeRecords(other).approximants.length);
    for (let k = 1; k < heights.length; ++k) assert.ok(heights[k] > heights[k - 1], `point ${k + 1} is not lower`);
    await page.close();
  });

  it('sorts by Tenney height and plots each comma at its height, with its prime limit', async () => {
    const page = await openPage(browser, pageFileUrl() + queryHash(SEVEN_LIMIT_COMMAS));
    await waitForSearchEnd(page);
    const native = nativeRecords(SEVEN_LIMIT_COMMAS).approximants;
    await page.click('th button[data-sort="tenney"]');
    const rows = await page.evaluate(() => window.ratiohuntRows());
    const byHeight = native.map((record, i) => ({record, i}))
                         .sort((a, b) => a.record.tenney_height - b.record.tenney_height || a.i - b.i);
    assert.deepEqual(rows.map((row) => row.exponents), byHeight.map(({record}) => record.exponents));
    assert.deepEqual(rows.map((row) => row.tenney), byHeight.map(({record}) => record.tenney_height));
    assert.deepEqual(rows.map((row) => row.primeLimit), byHeight.map(({record}) => String(record.prime_limit)));
    // Higher on the plot for a larger height; the prime limits that colour the points.
    const plot = await page.evaluate(() => {
      const state = window.ratiohuntPlot();
      return {count: state.pointCount, y: Array.from(state.view, (i) => state.screenY[i]),
              limits: Array.from(state.view, (i) => state.store.primeLimit[i])};
    });
    assert.equal(plot.count, native.length);
    for (let k = 1; k < plot.y.length; ++k) assert.ok(plot.y[k] <= plot.y[k - 1], `point ${k} is not above point ${k - 1}`);
    assert.deepEqual(new Set(plot.limits), new Set(native.map((record) => record.prime_limit)));
    assert.ok(plot.limits.includes(7) && plot.limits.includes(5));
    // Zoomed to a cents range by its two fields, then by a drag across the plot.
    await page.type('#zoom-from', '-10');
    await page.type('#zoom-to', '10');
    await page.keyboard.press('Tab');
    const inside = native.filter((record) => Math.abs(record.cents) <= 10).length;
    assert.equal(await page.evaluate(() => window.ratiohuntPlot().pointCount), inside);
    await page.click('#zoom-reset');
    assert.equal(await page.evaluate(() => window.ratiohuntPlot().pointCount), native.length);
    await page.$eval('#plot', (canvas) => canvas.scrollIntoView());
    const box = await page.$eval('#plot', (canvas) => {
      const rect = canvas.getBoundingClientRect();
      return {left: rect.left, top: rect.top, width: rect.width, height: rect.height};
    });
    await page.mouse.move(box.left + box.width * 0.4, box.top + box.height / 2);
    await page.mouse.down();
    await page.mouse.move(box.left + box.width * 0.7, box.top + box.height / 2, {steps: 5});
    await page.mouse.up();
    const [from, to] = await page.evaluate(() => ['zoom-from', 'zoom-to'].map((id) => Number(document.getElementById(id).value)));
    assert.ok(from < to, `zoomed from ${from} to ${to}`);
    const dragged = native.filter((record) => record.cents >= from && record.cents <= to).length;
    // The fields show the range to 6 digits: a point on its edge may fall either way.
    assert.ok(Math.abs(await page.evaluate(() => window.ratiohuntPlot().pointCount) - dragged) <= 1);
    await page.close();
  });

  it('keeps a sort and a filter in the link', async () => {
    const page = await openPage(browser, pageFileUrl() + queryHash(SEVEN_LIMIT_COMMAS));
    await waitForSearchEnd(page);
    const all = await page.evaluate(() => window.ratiohuntRows());
    await page.click('th button[data-sort="cents"]');
    await page.click('th button[data-sort="cents"]');
    await page.type('#filter-name', 'comma');
    await page.type('#filter-limit', '5');
    await page.type('#filter-height', '40');
    await page.waitForFunction(() => /sort=cents-/.test(location.hash) && /height=40/.test(location.hash));
    const shown = await page.evaluate(() => window.ratiohuntRows());
    const expected = all.filter((row) => row.name.includes('comma') && Number(row.primeLimit) <= 5 && row.tenney <= 40)
                         .sort((a, b) => b.cents - a.cents);
    assert.deepEqual(shown, expected);
    assert.ok(shown.length > 1 && shown.length < all.filter((row) => row.name.includes('comma')).length);
    assert.match(await page.$eval('#shown-note', (note) => note.textContent), new RegExp(`^${shown.length} of ${all.length} rows`));
    const second = await openPage(browser, page.url());
    await waitForSearchEnd(second);
    assert.deepEqual(await second.evaluate(() => window.ratiohuntRows()), shown);
    assert.deepEqual(await second.evaluate(() => ['filter-name', 'filter-limit', 'filter-height'].map(
                         (id) => document.getElementById(id).value)), ['comma', '5', '40']);
    assert.equal(await second.$eval('th button[data-sort="cents"]', (button) => button.parentElement.ariaSort), 'descending');
    await page.close();
    await second.close();
  });

  it('reads cents, EDO steps and monzos as targets, and a subgroup as factors', async () => {
    const page = await openPage(browser, pageFileUrl());
    const rowsOf = async (target) => {
      await page.$eval('#target', (input, text) => { input.value = text; }, target);
      await page.click('#run');
      await waitForSearchEnd(page);
      return {rows: await readRows(page), summary: await page.evaluate('page.summary'),
              command: await page.$eval('#command-line', (code) => code.textContent)};
    };
    await page.$eval('#subgroup', (input) => { input.value = ''; });
    await page.type('#subgroup', '2.3.7');
    assert.equal(await page.$eval('#factors', (input) => input.value), '2 3 7');
    assert.equal(await page.$eval('#limit', (select) => select.value), 'custom');
    await page.type('#subgroup', '/5');
    assert.equal(await page.$eval('#subgroup-error', (error) => error.textContent),
                 'Only whole numbers: the factors are integers, such as 2.3.7.');
    assert.equal(await page.$eval('#factors', (input) => input.value), '2 3 7');
    await page.keyboard.press('Backspace');
    await page.keyboard.press('Backspace');
    assert.equal(await page.$eval('#subgroup-error', (error) => error.textContent), '');
    const cents = await rowsOf('700c');
    const steps = await rowsOf('7\\12');
    assert.deepEqual(steps.rows, cents.rows);
    assert.match(steps.command, / '7\\12' /);
    // The command line shown, its quotes taken off as a shell would, prints the same records.
    const args = steps.command.split(' ').slice(1).map((word) => word.replace(/^'(.*)'$/, '$1'));
    const run = spawnSync(NATIVE_PROGRAM, args, {input: '', encoding: 'utf8'});
    const native = run.stdout.trim().split('\n').map((line) => JSON.parse(line));
    assert.deepEqual(steps.rows.map((row) => row.exponents),
                     native.filter((record) => record.type === 'approximant').map((record) => record.exponents));
    assert.equal(native.at(-1).target, '7\\12');
    const monzo = await rowsOf('[-1 1>');
    assert.deepEqual([monzo.summary.x, monzo.summary.y], [3, 2]);
    assert.match(monzo.command, / '\[-1 1>' /);
    await page.$eval('#target', (input) => { input.value = '7\\0'; });
    await page.click('#run');
    assert.equal(await page.$eval('#target-error', (error) => error.textContent),
                 'Not a target: division count 0. Try 7/6, 1.5, 700c, 7\\12 or [-4 4 -1>.');
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  it('sounds 5/4 on 261.63 Hz as 261.63 Hz, then 327.04 Hz, then both', async () => {
    const page = await openPage(browser, pageFileUrl());
    const measured = await page.evaluate(async () => {
      const rate = 44100;
      const context = new OfflineAudioContext(1, rate * 5, rate);
      const sound = RatiohuntSound.scheduleInterval(context, [1, 5 / 4], {baseHz: 261.63, volume: 0.8, start: 0});
      const samples = (await context.startRendering()).getChannelData(0);
      // Upward zero crossings placed between samples by linear interpolation: their count
      // over the time between the first and the last is the frequency.
      const frequency = (from, to) => {
        let first = -1;
        let last = -1;
        let cycles = 0;
        for (let i = Math.floor(from * rate) + 1; i < to * rate; ++i) {
          if (samples[i - 1] < 0 && samples[i] >= 0) {
            const crossing = i - 1 + samples[i - 1] / (samples[i - 1] - samples[i]);
            if (first < 0) first = crossing;
            else ++cycles;
            last = crossing;
          }
        }
        return cycles * rate / (last - first);
      };
      const peak = (from, to) => Math.max(...samples.slice(from * rate, to * rate).map(Math.abs));
      return {first: frequency(0.1, 0.9), second: frequency(1.1, 1.9), seconds: sound.seconds,
              alone: peak(0.2, 0.8), together: peak(2.2, 4.2), after: peak(sound.seconds + 0.01, 5),
              shifted: RatiohuntSound.scheduleInterval(context, [1, 8], {baseHz: 261.63, volume: 0}).frequencies};
    });
    assert.ok(Math.abs(measured.first - 261.63) < 0.5, `first note ${measured.first} Hz`);
    assert.ok(Math.abs(measured.second - 327.0375) < 0.5, `second note ${measured.second} Hz`);
    assert.ok(measured.together > 1.5 * measured.alone, 'both notes sound together at the end');
    assert.equal(measured.after, 0);
    assert.ok(measured.seconds >= 2 && measured.seconds <= 6);
    // Both notes an octave lower, so that the higher lies below 2 kHz.
    assert.deepEqual(measured.shifted, [261.63 / 2, 261.63 * 4]);
    // A comma sounds from 1/1 up to its larger note; an approximant after its target.
    const ratios = await page.evaluate(() => [RatiohuntSound.recordRatios(-1200, 1, true),
                                              RatiohuntSound.recordRatios(1200, 7 / 6, false)]);
    assert.deepEqual(ratios, [[1, 2], [7 / 6, 2]]);
    await page.close();
  });
});
