// Opens a preview's site from disk in Debian's headless Chromium (never a
// downloaded browser).  The details page: every picture must load, every
// menu link must lead to a menu on the page.  The screen view: the example's
// menus pressed through from the root and back, a PLC bit switched, the
// language switched, what the screen shows checked after each step (a key
// with a picture per language or state names the picture it shows);
// screenshots of the root menu and of a popup.  The panel's site: slots of
// a ROWDEF, a BLANK that shows a softkey, a hidden key clicked, the state
// bits of a STATE item whose status is a PLC symbol, a paged popup.
//
// usage: node check-page.mjs SITE SCREENSHOT.png PANEL_SITE
import puppeteer from 'puppeteer-core';
import { pathToFileURL } from 'node:url';
import path from 'node:path';

const [site, shot, panel] = process.argv.slice(2);
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
  page.on('pageerror', (e) => { console.log(`script error: ${e.message}`); failed++; });
  await page.setViewport({ width: 1200, height: 900 });
  const open = (name, from = site) => page.goto(pathToFileURL(path.resolve(from, name)).href, { waitUntil: 'load' });
  await open('details.html');
  const images = await page.$$eval('img', (all) =>
    all.map((i) => ({ src: i.getAttribute('src'), ok: i.complete && i.naturalWidth > 0 })));
  const broken = images.filter((i) => !i.ok);
  for (const b of broken) console.log(`broken picture: ${b.src}`);
  const links = await page.$$eval('a.menulink', (all) =>
    all.map((a) => decodeURIComponent(a.getAttribute('href').slice(1)))
      .map((id) => ({ id, ok: !!document.getElementById(id)?.matches('section.menu') })));
  const dangling = links.filter((l) => !l.ok);
  for (const d of dangling) console.log(`menu link to nothing: #${d.id}`);
  const menus = await page.$$eval('section.menu', (all) => all.length);
  failed += broken.length + dangling.length;
  console.log(`${images.length} pictures, ${broken.length} broken; ${links.length} menu links to ${menus} menus, ` +
              `${dangling.length} dangling`);

  // The screen as text: the path of menus, then each slot of the bar (and
  // of a popup after "|") as it looks: its picture's name or text, "-" if
  // greyed, "*" if selected, "_" for a blank key, "." for an empty slot, "~"
  // for a hidden key, < > for the paging keys.
  await open('index.html');
  const screen = () => page.evaluate(() => {
    const shown = (b) => {
      const imgs = b.querySelectorAll('img');
      const img = [...imgs].find((i) => !i.hidden);
      if (img && !(img.complete && img.naturalWidth > 0)) return `${img.alt}(not loaded)`;
      if ([...imgs].some((i) => i.hidden && i.getClientRects().length)) return `${img?.alt}(other pictures shown)`;
      return imgs.length > 1 ? `${img.alt}(${img.getAttribute('src')})` : img?.alt ?? b.textContent;
    };
    const key = (b) => {
      if (b.classList.contains('pager')) return (b.textContent === '\u25c0' ? '<' : '>') + (b.disabled ? '-' : '');
      const look = b.firstElementChild && getComputedStyle(b.firstElementChild);
      if (!look) return b.classList.contains('blank') ? '_' : '.';
      if (look.visibility === 'hidden') return '~';
      const state = b.dataset.state !== undefined && !b.querySelector('img') ? `[${b.dataset.state}]` : '';
      return shown(b) + state + (+look.opacity < 1 ? '-' : '') + (b.classList.contains('selected') ? '*' : '');
    };
    const keys = (sel) => [...document.querySelectorAll(sel)].map(key).join(' ');
    const popup = document.getElementById('popup').hidden ? '' : ' | ' + keys('#popup button');
    // Every key of the bar and of a popup is drawn the same size.
    const sizes = new Set([...document.querySelectorAll('#screen .sk')].filter((b) => b.getClientRects().length)
      .map((b) => `${b.offsetWidth}x${b.offsetHeight}`));
    return `${document.getElementById('title').textContent}: ${keys('#bar button')}${popup}` +
      (sizes.size > 1 ? ` (keys of ${[...sizes].join(', ')})` : '');
  });
  const root = 'MAIN: SPINDLE COOLANT TOOLS Clamp _ BACKKEY . .';
  // Pressed with the mouse where the key is drawn, as the operator would.
  const press = async (label) => {
    for (const b of await page.$$('#screen button'))
      if (await b.evaluate((k, l) => k.getClientRects().length && (k.querySelector('img')?.alt ?? k.textContent) === l,
        label)) return b.click();
    throw new Error(`no key ${label}`);
  };
  const walk = async (steps, shots) => {
    const bits = await page.$$eval('#bits input', (all) => all.map((i) => i.dataset.bit));
    for (const [action, want] of steps) {
      if (bits.includes(action)) await page.click(`#bits input[data-bit="${action}"]`);
      else if (action?.startsWith('lang=')) await page.select('#language', action.slice(5));
      else if (action) await press(action);
      // Pictures load as their menu is shown.
      await page.waitForFunction(() => [...document.querySelectorAll('#screen img:not([hidden])')].every((i) => i.complete));
      const got = await screen();
      if (got !== want) console.log(`after ${action}:\n  shows ${got}\n  wanted ${want}`), failed++;
      if (shots[action]) await page.screenshot({ path: shots[action] });
    }
    return bits;
  };
  const spindle = (start, bmx, feed) => `MAIN › SPINDLEMENU: <- START(sk10-0-${start}.svg) ` +
    `SPINDLEBMX(sk12-0-${bmx}.svg) SPINDLECW SPINDLECCW SPINDLESTOP JOG SPINDLEDRAW FEED(sk11-0-${feed}.svg) >`;
  const steps = [
    [null, root],
    ['SPINDLE', spindle(2, 'en-state0', 1)],
    ['lang=de', spindle(0, 'de-state0', 0)],
    ['M132', spindle(0, 'de-state1', 0)],
    ['lang=fr', spindle(1, 'fr-state1', 1)],
    ['M132', spindle(1, 'fr-state0', 1)],
    ['lang=en', spindle(2, 'en-state0', 1)],
    ['▶', 'MAIN › SPINDLEMENU: < _ BACKKEY . . . . . . >-'], ['BACKKEY', root],
    ['COOLANT', 'MAIN › COOLANTMENU: COOLANT TOOLS BACKKEY . . . . .'], ['BACKKEY', root],
    ['TOOLS', `${root.replace('MAIN', 'MAIN › TOOLTABLE')} | TOOLS BACKKEY`], ['BACKKEY', root],
    ['BACKKEY', root],
    ['M100', 'MAIN: SPINDLE- COOLANT- TOOLS Clamp _ BACKKEY . .'],
    ['M120', 'MAIN: SPINDLE- COOLANT- TOOLS Clamp* _ BACKKEY . .'],
  ];
  await walk(steps, { null: shot, TOOLS: shot.replace(/\.png$/, '-popup.png') });
  console.log(`${steps.length} steps on the screen view; screenshot ${path.basename(shot)}`);
  // To the details of the menu shown and from there to another menu's screen.
  await Promise.all([page.waitForNavigation(), page.click('#details')]);
  const section = await page.evaluate(() => document.querySelector(':target')?.id);
  await Promise.all([page.waitForNavigation(), page.click('#menu-COOLANTMENU a[href^="index.html"]')]);
  const back = await screen();
  if (section !== 'menu-MAIN' || back !== 'COOLANTMENU: COOLANT TOOLS BACKKEY . . . . .')
    console.log(`details link led to #${section}, back to the screen showed ${back}`), failed++;

  // The panel: a row of the slots 2 to 4 in three pages; a STATE key without
  // a picture shows its state as [n].
  await open('index.html', panel);
  const main = (keys) => `MAIN: ${keys}`, row = main('<- . . One Two Three . . . >');
  const sub = (keys) => `${row.replace('MAIN', 'MAIN › SUB')} | ${keys}`;
  const panelSteps = [
    [null, row],
    ['Two', row],  // a BLANK with a softkey does nothing
    ['M7', row.replace('Three', '~')],
    ['Three', row.replace('Three', '~')],  // hidden: nothing to press
    ['M7', row],
    ['Three', sub('<- . . . . . . Two Five >')],
    ['▶', sub('< . . . . . . Six >-')],
    ['Six', row],
    ['▶', main('< . . Level[0] Five Six . . . >')],
    ['LEVEL2+1', main('< . . Level[2] Five Six . . . >')],
    ['LEVEL2', main('< . . Level[2] Five Six . . . >')],
    ['LEVEL2+1', main('< . . Level[1] Five Six . . . >')],
    ['▶', main('< . . One . . . . . >-')],
  ];
  const panelBits = await walk(panelSteps, { Three: shot.replace(/\.png$/, '-panel.png') });
  if (panelBits.join(' ') !== 'LEVEL2 LEVEL2+1 M7') console.log(`panel's PLC bits: ${panelBits}`), failed++;
  console.log(`${panelSteps.length} steps on the panel's screen`);
} finally {
  await browser.close();
}
process.exit(failed ? 1 : 0);
