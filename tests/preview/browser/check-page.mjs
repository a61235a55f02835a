// Opens a preview's index.html from disk in Debian's headless Chromium
// (never a downloaded browser): every picture must load, every menu link
// must lead to a menu on the page; a screenshot of the whole page is taken.
//
// usage: node check-page.mjs SITE/index.html SCREENSHOT.png
import puppeteer from 'puppeteer-core';
import { pathToFileURL } from 'node:url';
import path from 'node:path';

const [page_, shot] = process.argv.slice(2);
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run'],
});
let failed = 0;
try {
  const page = await browser.newPage();
  // The site is self-contained: any request beyond file: is a fault.
  await page.setRequestInterception(true);
  page.on('request', (r) => {
    if (!r.url().startsWith('file:')) {
      console.log(`network request: ${r.url()}`);
      failed++;
      r.abort();
    } else r.continue();
  });
  await page.setViewport({ width: 1200, height: 900 });
  await page.goto(pathToFileURL(path.resolve(page_)).href, { waitUntil: 'load' });
  const images = await page.$$eval('img', (all) =>
    all.map((i) => ({ src: i.getAttribute('src'), ok: i.complete && i.naturalWidth > 0 })));
  const broken = images.filter((i) => !i.ok);
  for (const b of broken) console.log(`broken picture: ${b.src}`);
  const links = await page.$$eval('a.menulink', (all) =>
    all.map((a) => {
      const id = decodeURIComponent(a.getAttribute('href').slice(1));
      const target = document.getElementById(id);
      return { id, ok: !!target && target.matches('section.menu') };
    }));
  const dangling = links.filter((l) => !l.ok);
  for (const d of dangling) console.log(`menu link to nothing: #${d.id}`);
  const menus = await page.$$eval('section.menu', (all) => all.length);
  await page.screenshot({ path: shot, fullPage: true });
  failed += broken.length + dangling.length;
  console.log(`${images.length} pictures, ${broken.length} broken; ${links.length} menu links to ${menus} menus, ` +
              `${dangling.length} dangling; screenshot ${path.basename(shot)}`);
} finally {
  await browser.close();
}
process.exit(failed ? 1 : 0);
