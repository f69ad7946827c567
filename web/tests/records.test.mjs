// The page opened from a file gives, query by query, the native program's records: each
// query is loaded from its link, so the URL alone starts the search.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import {after, before, describe, it} from 'node:test';

import {assertRowsMatch, closeBrowser, launchBrowser, nativeRecords, openPage, pageFileUrl, queryHash, readRows,
        waitForSearchEnd} from './harness.mjs';

// The page's log comes from emscripten's C library and may differ from glibc's in the last
// bit, which could tip a near-tie the other way; none of these queries has such a tie.
const QUERIES = JSON.parse(fs.readFileSync(new URL('./queries.json', import.meta.url), 'utf8'));

describe('the page from a file matches the native records', () => {
  let browser;
  before(async () => { browser = await launchBrowser(); });
  after(async () => { await closeBrowser(browser); });

  for (const query of QUERIES) {
    it(`${query.mode}: ${query.name}`, async () => {
      const native = nativeRecords(query);
      assert.equal(native.summary.end === 'time_out', false, 'the native search must finish before its time out');
      const page = await openPage(browser, pageFileUrl() + queryHash(query));
      await waitForSearchEnd(page);
      assertRowsMatch(await readRows(page), native.approximants, query.name);
      const status = await page.$eval('#status', (element) => element.textContent);
      assert.match(status, new RegExp(`^Done: ${native.summary.records} approximants? found, `));
      assert.deepEqual(page.problems, []);
      await page.close();
    });
  }
});
