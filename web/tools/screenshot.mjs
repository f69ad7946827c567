// Takes the README's pictures of the page, a 7-limit comma search from the built page: on a
// desktop screen with a point selected, and on a phone scrolled to the results.
//   node web/tools/screenshot.mjs PAGE_DIR DESKTOP.png PHONE.png
const [pageDir, desktopOutput, phoneOutput] = process.argv.slice(2);
process.env.RATIOHUNT_PAGE_DIR = pageDir;
const {closeBrowser, launchBrowser, openPage, pageFileUrl, waitForSearchEnd} = await import('../tests/harness.mjs');

const QUERY = '#target=1%2F1&factors=2+3+5+7&low=-30&high=30&maxq=100000&precision=5&timeout=4&mode=range&every=1';

const browser = await launchBrowser();
const desktop = await openPage(browser, pageFileUrl() + QUERY, {width: 1400, height: 1120});
await waitForSearchEnd(desktop);
// A point selected from the keyboard: its row in sight, its record described on the plot.
await desktop.focus('#plot');
await desktop.keyboard.press('Home');
for (let step = 0; step < 5; ++step) await desktop.keyboard.press('ArrowRight');
await desktop.screenshot({path: desktopOutput, fullPage: true});
if (phoneOutput) {
  const phone = await openPage(browser, pageFileUrl() + QUERY, {width: 390, height: 844, isMobile: true, deviceScaleFactor: 2});
  await waitForSearchEnd(phone);
  await phone.$eval('#results-title', (title) => title.scrollIntoView());
  await phone.screenshot({path: phoneOutput});
}
await closeBrowser(browser);
