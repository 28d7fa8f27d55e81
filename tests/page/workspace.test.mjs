// The page of a workspace (kovra serve FOLDER): the watchlist with a row per
// file, a broken one showing its error; a chart opened by a click or the
// arrow keys, named in the address; and a bar appended to a followed file
// that crosses a line: its row, its chart, an alert in the page and a JSON
// line on the server's standard output.
import assert from 'node:assert/strict';
import { appendFile, mkdtemp, readFile, rename, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';

import { PAINT_TIMEOUT, openPage, painted, startBrowser, withServer } from './harness.mjs';

const TICK = 0.25;  // the sample's price step

let browser;
let folder;
before(async () => {
  browser = await startBrowser();
  folder = await mkdtemp(join(tmpdir(), 'kovra-workspace-test-'));
  const lines = async (file, count) => (await readFile(file, 'utf8')).split('\n').slice(0, count + 1).join('\n');
  await writeFile(join(folder, 'alpha.csv'), `${await lines('data/sample-bars.csv', 350)}\n`);
  await writeFile(join(folder, 'beta.csv'), `${await lines('data/daily-bars.csv', 300)}\n`);
  await writeFile(join(folder, 'broken.csv'), 'datetime,open,high,low,close\n2024-01-02 09:30:00,1,2,0.5,oops\n');
});
after(async () => { await browser.close(); });

const instrumentsOf = async (url) => (await (await fetch(`${url}api/instruments`)).json()).instruments;
const rowNames = (page) => page.locator('#watchlist tbody tr').evaluateAll((rows) => rows.map((row) => row.dataset.name));
const shownInstrument = (page) => page.locator('#instrument-name').textContent();

test('the watchlist shows every file, a broken one with its error; a click or a key opens a chart the address keeps', () =>
  withServer(['--follow', folder], async (url) => {
    const listed = await instrumentsOf(url);
    const bars = Object.fromEntries(listed.map((instrument) => [instrument.name, instrument.row.bars]));
    const { page, problems } = await openPage(browser, url);
    await painted(page, (count) => window.__chart.barCount === count, bars.alpha);
    assert.equal(await shownInstrument(page), 'alpha', 'the first in name order');
    await page.waitForURL(/[?&]instrument=alpha\b/);
    assert.deepEqual(await rowNames(page), ['alpha', 'beta', 'broken']);
    const error = listed.find((instrument) => instrument.name === 'broken').row.error;
    assert.match(error, /broken\.csv/);
    assert.equal(await page.locator('#watchlist tr[data-name="broken"] td.error').textContent(), error);

    await page.locator('#watchlist tr[data-name="beta"]').click();
    await painted(page, (count) => window.__chart.barCount === count, bars.beta);
    assert.equal(await shownInstrument(page), 'beta');
    await page.waitForURL(/[?&]instrument=beta\b/);
    await page.locator('#watchlist').focus();
    await page.keyboard.press('ArrowUp');
    await painted(page, (count) => window.__chart.barCount === count, bars.alpha);
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowDown');  // past beta lies only the broken file, which opens nothing
    await painted(page, (count) => window.__chart.barCount === count, bars.beta);
    assert.equal(await shownInstrument(page), 'beta');

    await page.locator('#watchlist th', { hasText: 'Close' }).click();
    assert.deepEqual(await rowNames(page), ['beta', 'alpha', 'broken'], 'by close, the row without one last');
    await page.locator('#watchlist th', { hasText: 'Close' }).click();
    assert.deepEqual(await rowNames(page), ['alpha', 'beta', 'broken']);

    await page.reload();
    await painted(page, (count) => window.__chart.barCount === count, bars.beta);
    assert.equal(await shownInstrument(page), 'beta', 'the reload keeps the instrument');
    await page.goto(`${url}?test-hooks&instrument=gamma`);
    await painted(page, (count) => window.__chart.barCount === count, bars.alpha);
    assert.equal(await page.locator('#workspace-notice').textContent(), '"gamma" is not in this workspace; showing alpha');

    await page.locator('#watchlist tr[data-name="beta"]').click();
    await painted(page, (count) => window.__chart.barCount === count, bars.beta);
    await rename(join(folder, 'beta.csv'), join(folder, 'beta.gone'));  // the folder is looked at again within a second
    await painted(page, (count) => window.__chart.barCount === count, bars.alpha);
    assert.equal(await page.locator('#workspace-notice').textContent(), '"beta" cannot be shown (removed); showing alpha');
    assert.match(await page.locator('#watchlist tr[data-name="beta"]').textContent(), /\(removed\)/);
    await rename(join(folder, 'beta.gone'), join(folder, 'beta.csv'));
    assert.deepEqual(problems, []);
  }));

test('a bar crossing a line updates its row and chart, and raises an alert in the page and on standard output', () =>
  withServer(['--follow', folder], async (url, server) => {
    const { page, problems } = await openPage(browser, url);
    await painted(page, () => window.__chart.barCount > 0);
    const alpha = (await instrumentsOf(url)).find((instrument) => instrument.name === 'alpha');
    const unchosen = alpha.lines.find((line) => line !== alpha.row.above);
    await page.locator('#alert-lines-every').uncheck();
    await page.locator(`#alert-lines-list input[value="${unchosen}"]`).uncheck();
    await page.waitForFunction(() => document.querySelector('#alert-lines-notice').hidden);
    assert.deepEqual((await instrumentsOf(url)).find((instrument) => instrument.name === 'alpha').alertLines,
      alpha.lines.filter((line) => line !== unchosen), 'every line but the one unticked alerts');

    const close = Math.ceil((alpha.row.above_price + TICK / 10) / TICK) * TICK;
    await appendFile(join(folder, 'alpha.csv'), `2024-03-11 15:20:00,${alpha.row.close},${close},${alpha.row.close},${close},900\n`);
    await painted(page, (count) => window.__chart.barCount === count, alpha.row.bars + 1);
    const item = page.locator('#alert-list li').first();
    await item.waitFor({ timeout: PAINT_TIMEOUT });
    const expected = `alpha crossed ${alpha.row.above}`;
    const said = await item.textContent();
    assert.match(said, new RegExp(`^${expected} \\(.*\\) up, closing at ${close} `));
    assert.match(await page.locator('#alert-notice').textContent(), new RegExp(`^${expected}`));
    const row = page.locator('#watchlist tr[data-name="alpha"]');
    assert.match(await row.textContent(), new RegExp(`2024-03-11 15:20:00${close}`), 'the row shows the new bar and close');

    const deadline = Date.now() + PAINT_TIMEOUT;
    while (!server.output().includes('"instrument":"alpha"') && Date.now() < deadline) await new Promise((r) => setTimeout(r, 50));
    const printed = JSON.parse(server.output().split('\n').find((line) => line.includes('"instrument":"alpha"')));
    assert.deepEqual({ ...printed, event: 0, price: 0 }, {
      event: 0, instrument: 'alpha', datetime: '2024-03-11 15:20:00', line: alpha.row.above, price: 0,
      direction: 'up', close_before: alpha.row.close, close_after: close,
    });
    assert.ok(Math.abs(printed.price - alpha.row.above_price) < 1e-3, `${printed.price} is the line's price`);

    await page.reload();
    await page.locator('#alert-list li').first().waitFor({ timeout: PAINT_TIMEOUT });
    assert.equal(await page.locator('#alert-list li').first().textContent(), said, 'kept across a reload');
    assert.ok(await page.locator('#alert-notice').isHidden(), 'an alert from before the page is listed, not announced');
    assert.deepEqual(problems, []);
  }));
