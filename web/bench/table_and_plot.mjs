// The page's table and plot with many rows, in headless Chromium from a file: the time to
// sort 300,000 rows by each kind of column (the view alone, and the whole header click
// that also shows the rows in sight), to draw 100,000 points, and the memory a million
// rows take. A measurement to report, not a test: the times depend on the machine.
//   node web/bench/table_and_plot.mjs PAGE_DIR
import {spawnSync} from 'node:child_process';

const [pageDir] = process.argv.slice(2);
process.env.RATIOHUNT_PAGE_DIR = pageDir;
const {closeBrowser, launchBrowser, openPage, pageFileUrl} = await import('../tests/harness.mjs');

const SORTED_ROWS = 300000;
const DRAWN_POINTS = 100000;
const HELD_ROWS = 1000000;
const RUNS = 3;

// Loads rows made up in the page's own record layout (13-limit commas) into the page's store.
async function loadRows(page, count) {
  await page.waitForFunction(() => page.engine !== null);  // the rows' cells are spelt by the engine
  await page.evaluate((count) => {
    const names = ['', '', '', 'syntonic comma', 'septimal comma', 'kleisma', 'schisma'];
    let seed = 1;
    const random = () => (seed = (seed * 48271) % 2147483647) / 2147483647;
    const lines = [];
    for (let i = 0; i < count; ++i) {
      const exponents = Array.from({length: 6}, () => Math.round((random() - 0.5) * 30));
      const cents = (random() - 0.5) * 60;
      const name = names[Math.floor(random() * names.length)];
      lines.push(JSON.stringify({type: 'approximant', exponents, numerator: '1', denominator: '1', cents,
                                 distance_cents: cents, name: name || null, ratio: '1/1', prime_monzo: exponents,
                                 prime_limit: [2, 3, 5, 7, 11, 13][Math.floor(random() * 6)],
                                 tenney_height: random() * 80, odd_limit: '1', tempered_out_by: [12, 41, 53]}));
    }
    page.query = {mode: 'range', precision: 5, x: 1, y: 1};
    page.store = RatiohuntRecords.createStore(6);
    RatiohuntRecords.addLines(page.store, lines, Infinity);
    page.viewCoversUpTo = 0;
    refresh(true);
  }, count);
}

const best = (times) => Math.min(...times).toFixed(0);

const browser = await launchBrowser();
const page = await openPage(browser, pageFileUrl(), {width: 1400, height: 1000});
await loadRows(page, SORTED_ROWS);
console.log(`sorting ${SORTED_ROWS.toLocaleString('en')} rows, best of ${RUNS} runs, ms:`);
for (const key of ['tenney', 'cents', 'monzo', 'name']) {
  const times = await page.evaluate((key, runs) => {
    const viewTimes = [];
    const clickTimes = [];
    for (let run = 0; run < runs; ++run) {
      let started = performance.now();
      RatiohuntRecords.computeView(page.store, key, run % 2 === 0, {});
      viewTimes.push(performance.now() - started);
      started = performance.now();
      document.querySelector(`th button[data-sort="${key}"]`).click();
      clickTimes.push(performance.now() - started);
    }
    return {viewTimes, clickTimes};
  }, key, RUNS);
  console.log(`  ${key.padEnd(7)} the view ${best(times.viewTimes).padStart(5)}, ` +
              `the header click (the view and the rows in sight) ${best(times.clickTimes).padStart(5)}`);
}
await loadRows(page, DRAWN_POINTS);
const drawTimes = await page.evaluate((runs) => {
  const times = [];
  for (let run = 0; run < runs; ++run) {
    const started = performance.now();
    page.plot.draw();
    times.push(performance.now() - started);
  }
  return times;
}, RUNS);
const points = await page.evaluate(() => window.ratiohuntPlot().pointCount);
console.log(`drawing ${points.toLocaleString('en')} points, best of ${RUNS} runs: ${best(drawTimes)} ms`);
// The heap with no rows, then with a million (each line about 330 bytes of JSON).
const session = await page.createCDPSession();
const heapUsed = async () => {
  await session.send('HeapProfiler.collectGarbage');
  return (await session.send('Runtime.getHeapUsage')).usedSize;
};
await page.evaluate(() => {
  page.store = RatiohuntRecords.createStore(6);
  page.viewCoversUpTo = 0;
  refresh(true);
});
const empty = await heapUsed();
await loadRows(page, HELD_ROWS);
const held = await heapUsed();
const count = await page.evaluate(() => page.store.count);
console.log(`holding ${count.toLocaleString('en')} rows: ${((held - empty) / 1e6).toFixed(0)} MB of JavaScript heap`);
await closeBrowser(browser);
console.log(spawnSync('chromium', ['--version'], {encoding: 'utf8'}).stdout.trim());
