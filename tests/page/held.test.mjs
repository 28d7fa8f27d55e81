// A long chart's page holds the bars near its view only: it draws them as a
// page holding every bar does, keeps up with changes, fetches older bars as
// the view nears them without moving the view, and keeps the time in view
// across a timeframe. The sample's 1,950 bars stand in for a long chart: the
// test pages hold 300.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { openPage, painted, post, startBrowser, withServer } from './harness.mjs';

const HELD = 300;
let browser;
before(async () => { browser = await startBrowser(); });
after(async () => { await browser.close(); });

// What a page shows, its pixels to a thousandth: the two pages' libraries
// count logical bars from different ends, so the last bits may differ.
const shown = (page) => page.evaluate(() => {
  const chart = window.__chart;
  const round = (value) => JSON.parse(JSON.stringify(value, (_, v) => (typeof v === 'number' ? Math.round(v * 1000) / 1000 : v)));
  return round({
    barCount: chart.barCount, visible: chart.visible, drawings: chart.drawings, series: chart.series,
    timeMarks: chart.timeMarks, legend: document.querySelector('#legend-bar').textContent,
  });
});

// Both pages painted at `version` with the time axis's marks for their view.
async function settled(pages, version) {
  for (const page of pages) {
    await painted(page, (v) => window.__chart.version >= v && window.__chart.timeMarks.length > 0 &&
      JSON.stringify(window.__chart.timeMarksWindow) === JSON.stringify({
        first: Math.max(0, Math.ceil(window.__chart.visible.from)),
        last: Math.min(window.__chart.barCount - 1, Math.floor(window.__chart.visible.to)),
        width: window.__chart.timeMarksWindow?.width,
      }), version);
  }
}

const chartOf = (page) => page.evaluate(() => ({
  first: window.__chart.first, candles: window.__chart.candles, barCount: window.__chart.barCount, version: window.__chart.version,
}));

test('a page holding the bars near its view draws and keeps up as one holding every bar', () =>
  withServer([], async (url) => {
    const whole = await openPage(browser, url);
    const held = await openPage(browser, url);
    await held.page.goto(`${url}?test-hooks&held=${HELD}`);
    await settled([whole.page, held.page], 0);
    const start = await chartOf(held.page);
    assert.ok(start.first > 0 && start.candles === start.barCount - start.first && start.candles >= HELD, JSON.stringify(start));
    assert.equal((await chartOf(whole.page)).candles, start.barCount);
    assert.deepEqual(await shown(held.page), await shown(whole.page));

    // A recalculation (every level value sent again), a shorter chart and a new bar.
    const changes = [
      () => post(url, 'api/button/5'),
      () => post(url, 'api/replay', { start: 1800 }),
      () => post(url, 'api/replay', { action: 'step' }),
    ];
    const changed = async (change) => {
      const { status, text } = await change();
      assert.equal(status, 200, text);
      return JSON.parse(text).version;
    };
    for (const change of changes) {
      await settled([whole.page, held.page], await changed(change));
      assert.deepEqual(await shown(held.page), await shown(whole.page), `after ${change}`);
    }
    // A chart so short that it ends before the bars held: they are asked for anew.
    const version = await changed(() => post(url, 'api/replay', { start: 100 }));
    await painted(held.page, (v) => window.__chart.version >= v, version);
    const last = await chartOf(held.page);
    assert.deepEqual([last.first, last.candles, last.barCount], [0, 100, 100], 'every bar of the short chart is held');
    assert.deepEqual([...whole.problems, ...held.problems], []);
  }));

test('older bars come as the view nears them, the view staying on its bars; Home reaches the first bar', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url);
    await page.goto(`${url}?test-hooks&held=${HELD}`);
    await painted(page, () => window.__chart.version >= 0 && window.__chart.first > 0);
    // Zooming out until older bars come: the view, in the chart's bars, is
    // recorded after each key and each frame; where the held bars change, it stays.
    const views = await page.evaluate(async () => {
      const chart = document.querySelector('#chart');
      const seen = [];
      const look = () => seen.push({ first: window.__chart.state.first, ...window.__chart.visibleNow() });
      const startFirst = window.__chart.state.first;
      for (let key = 0; key < 12 && window.__chart.state.first === startFirst; key += 1) {
        chart.dispatchEvent(new KeyboardEvent('keydown', { key: '-', bubbles: true }));
        look();
        for (let frame = 0; frame < 20; frame += 1) {
          await new Promise(requestAnimationFrame);
          look();
        }
      }
      return seen;
    });
    const change = views.findIndex((view, i) => i > 0 && view.first !== views[i - 1].first);
    assert.ok(change > 0, 'older bars came');
    assert.ok(views[change].first < views[change - 1].first);
    assert.ok(Math.abs(views[change].from - views[change - 1].from) < 1e-6 &&
      Math.abs(views[change].to - views[change - 1].to) < 1e-6, JSON.stringify(views.slice(change - 1, change + 1)));

    await page.locator('#chart').focus();
    await page.keyboard.press('Home');
    await painted(page, () => window.__chart.first === 0 && window.__chart.candles === window.__chart.barCount &&
      Math.abs(window.__chart.visibleNow().from + 0.5) < 1e-6);
    assert.deepEqual(problems, []);
  }));

test('a timeframe and back keeps the time in view, holding the bars before it', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url);
    await page.goto(`${url}?test-hooks&held=${HELD}`);
    await painted(page, () => window.__chart.version >= 0 && window.__chart.first > 0);
    await page.locator('#chart').focus();
    for (let i = 0; i < 8; i += 1) {
      const before = await page.evaluate(() => window.__chart.visibleNow().to);
      await page.keyboard.press('ArrowLeft');
      await painted(page, (to) => window.__chart.visibleNow().to < to, before);
    }
    const rightEdge = () => page.evaluate(() => {
      const { state, visibleNow } = window.__chart;
      const bar = Math.min(Math.round(visibleNow().to), state.barCount - 1);
      return { bar, time: state.bars.time[bar - state.first] };
    });
    const minute = await rightEdge();
    await page.locator('#timeframe').selectOption('5m');
    await painted(page, () => window.__chart.state.timeframe === '5m');
    const bucket = await rightEdge();
    assert.ok(bucket.time <= minute.time && minute.time < bucket.time + 300, `${minute.time} is not in the 5m bar of ${bucket.time}`);

    await page.locator('#timeframe').selectOption('file');
    await painted(page, () => window.__chart.state.timeframe === 'file');
    const back = await rightEdge();
    assert.ok(bucket.time <= back.time && back.time < bucket.time + 300, `${back.time} is not in the 5m bar of ${bucket.time}`);
    const { first, candles, barCount } = await chartOf(page);
    assert.ok(first > 0 && first <= back.bar - HELD + 1 && candles === barCount - first, JSON.stringify({ first, back }));
    assert.deepEqual(problems, []);
  }));
