// A 19-limit comma search timed in the page (headless Chromium, page from a file) and in
// the native program on one thread, with the same records from both; prints the times and
// their ratio. A measurement to report, not a test: the times depend on the machine.
//   node web/bench/page_vs_native.mjs PAGE_DIR NATIVE_PROGRAM [MAX_QUOTIENT]
import {spawnSync} from 'node:child_process';

const [pageDir, nativeProgram, maxQuotient = '1e11'] = process.argv.slice(2);
process.env.RATIOHUNT_PAGE_DIR = pageDir;
process.env.RATIOHUNT_NATIVE_PROGRAM = nativeProgram;
const {closeBrowser, launchBrowser, nativeRecords, openPage, pageFileUrl, queryHash, readRows, waitForSearchEnd} =
    await import('../tests/harness.mjs');

const query = {target: '1/1', factors: '2 3 5 7 11 13 17 19', mode: 'range', low: 0, high: 1,
               maxq: Number(maxQuotient), timeout: 3600};

function timeNative() {
  const started = process.hrtime.bigint();
  const native = nativeRecords(query, ['--threads=1']);
  return {native, seconds: Number(process.hrtime.bigint() - started) / 1e9};
}

async function timePage(browser) {
  const page = await openPage(browser, pageFileUrl());
  const started = Date.now();
  await page.goto(pageFileUrl() + queryHash(query));
  await waitForSearchEnd(page);
  const seconds = (Date.now() - started) / 1000;
  const rows = await readRows(page);
  const summary = await page.evaluate('page.summary');  // the app's own state
  await page.close();
  return {seconds, rows, summary};
}

// Each side runs twice, alternating, and keeps its faster run: the machine may be shared.
const faster = (a, b) => (a.seconds <= b.seconds ? a : b);
const browser = await launchBrowser();
let page = await timePage(browser);
let {native, seconds} = timeNative();
page = faster(page, await timePage(browser));
({native, seconds} = faster({native, seconds}, timeNative()));
await closeBrowser(browser);
const nativeSearch = native.summary.seconds;
console.log(`query: ${query.factors}, commas from ${query.low} to ${query.high} cents, max quotient ${query.maxq}`);
console.log(`native: ${native.summary.records} records, ${native.summary.tested} tested, search ${nativeSearch.toFixed(2)} s,` +
            ` process ${seconds.toFixed(2)} s`);
console.log(`page:   ${page.summary.records} records, ${page.summary.tested} tested, search ${page.summary.seconds.toFixed(2)} s,` +
            ` from Search to a full table ${page.seconds.toFixed(2)} s`);
console.log(`page / native: search ${(page.summary.seconds / nativeSearch).toFixed(2)},` +
            ` end to end ${(page.seconds / seconds).toFixed(2)}`);
if (page.rows.length !== native.approximants.length) console.log('the record counts differ!');
console.log(spawnSync('chromium', ['--version'], {encoding: 'utf8'}).stdout.trim());
