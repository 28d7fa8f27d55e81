// The timeframe chosen in the page: the chart rebuilt from the file's bars
// with the same time in view, the address keeping the choice, a refusal
// said beside the choice, and a followed file growing the chosen buckets.
import assert from 'node:assert/strict';
import { appendFile, mkdtemp, readFile, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';

import { openPage, painted, startBrowser, stateOf, withServer } from './harness.mjs';

let browser;
before(async () => { browser = await startBrowser(); });
after(async () => { await browser.close(); });

// The time (seconds) of the bar at the view's right edge.
const rightEdgeTime = (page) => page.evaluate(() => {
  const { state, visibleNow } = window.__chart;
  return state.chartTimes[Math.min(Math.round(visibleNow().to), state.barCount - 1)];
});

test('a timeframe chosen beside the title shows the same time in view, and the address keeps it', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url);
    await painted(page, () => window.__chart.version > 0);
    assert.equal(await page.locator('#timeframe').inputValue(), 'file');
    await page.locator('#chart').focus();
    for (let i = 0; i < 8; i += 1) {
      const before = await page.evaluate(() => window.__chart.visibleNow().to);
      await page.keyboard.press('ArrowLeft');
      await painted(page, (to) => window.__chart.visibleNow().to < to, before);
    }
    const minuteTime = await rightEdgeTime(page);

    await page.locator('#timeframe').selectOption('5m');
    await painted(page, () => window.__chart.state.timeframe === '5m' && window.__chart.candles === 390);
    const bucketTime = await rightEdgeTime(page);
    assert.ok(bucketTime <= minuteTime && minuteTime < bucketTime + 300, `${minuteTime} is not in the 5m bar of ${bucketTime}`);
    await page.waitForURL(/[?&]timeframe=5m\b/);
    assert.equal((await stateOf(url)).timeframe, '5m', 'the server draws the chosen timeframe');

    await page.reload();
    await painted(page, () => window.__chart.state?.timeframe === '5m');
    assert.equal(await page.locator('#timeframe').inputValue(), '5m');
    assert.deepEqual(problems, []);
  }));

test('an address naming a timeframe asks for it; one the bars refuse is said and the address corrected', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url);
    await page.goto(`${url}?test-hooks&timeframe=15m`);
    await painted(page, () => window.__chart.state?.timeframe === '15m' && window.__chart.candles === 130);
    await page.goto(`${url}?test-hooks&timeframe=30s`);
    await page.locator('#timeframe-notice').waitFor({ state: 'visible' });
    assert.equal(await page.locator('#timeframe-notice').textContent(), 'timeframe: the bars are 1-minute; 30s is finer');
    await page.waitForURL(/[?&]timeframe=15m\b/);
    assert.equal(await page.locator('#timeframe').inputValue(), '15m');
    assert.deepEqual(problems.filter((problem) => !/status of 400/.test(problem)), [], 'nothing but the refusal');
  }));

test('a followed file grows the chosen buckets: a new minute revises the last one or opens the next', async () => {
  const folder = await mkdtemp(join(tmpdir(), 'kovra-timeframe-test-'));
  const lines = (await readFile('data/sample-bars.csv', 'utf8')).trim().split('\n');
  const file = join(folder, 'bars.csv');
  await writeFile(file, `${lines.slice(0, 301).join('\n')}\n`);  // 300 minutes: 60 five-minute bars
  await withServer(['--bars', file, '--follow', '--timeframe', '5m'], async (url) => {
    const { page, problems } = await openPage(browser, url);
    await painted(page, () => window.__chart.candles === 60);
    await appendFile(file, `${lines[301]}\n`);  // 14:30 opens the 61st
    await painted(page, () => window.__chart.candles === 61);
    await appendFile(file, '2024-03-11 14:31:00,4779.25,4790.00,4779.25,4788.75,5534\n');  // and revises it
    await painted(page, () => window.__chart.candles === 61 && window.__chart.state.bars.high[60] === 4790);
    assert.equal(await page.locator('#replay-status').textContent(), '302 of 302 bars of the file shown');
    assert.deepEqual(problems, []);
  });
});
