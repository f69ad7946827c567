// Takes the README's picture of the page: a 7-limit comma search, from the built page.
//   node web/tools/screenshot.mjs PAGE_DIR OUTPUT.png
const [pageDir, output] = process.argv.slice(2);
process.env.RATIOHUNT_PAGE_DIR = pageDir;
const {closeBrowser, launchBrowser, openPage, pageFileUrl, waitForSearchEnd} = await import('../tests/harness.mjs');

const browser = await launchBrowser();
const page = await openPage(browser, pageFileUrl() + '#target=1%2F1&factors=2+3+5+7&low=0&high=30&maxq=10000' +
                                         '&precision=5&timeout=4&mode=range', {width: 1000, height: 1000});
await waitForSearchEnd(page);
await page.screenshot({path: output});
await closeBrowser(browser);
