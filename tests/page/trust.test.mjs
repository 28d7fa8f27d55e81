// What lets a trader trust the page: a restarted server's chart replaces the
// old one whole, an outage is said plainly and passes by itself, refusals
// show their reason where the action was taken, the keys never zoom off the
// bars, and a pushed button clicked again is released with the "off" event.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { openPage, painted, startBrowser, startServer, stateOf, withServer } from './harness.mjs';

let browser;
before(async () => { browser = await startBrowser(); });
after(async () => { await browser.close(); });

// The browser logs each refused connection and each refused request; nothing else may be logged.
const unexpected = (problems) => problems.filter((problem) => !/net::ERR_|Failed to load resource/.test(problem));

const expandRuns = (runs) => runs.flatMap((value, i) => (i % 2 ? [] : Array(runs[i + 1]).fill(value)));

function connectionOf(page) {
  return page.evaluate(() => ({
    status: document.getElementById('status').textContent,
    controlsOff: document.getElementById('control-bar').disabled && document.getElementById('panel').disabled,
    buttonOff: document.querySelector('#control-bar button').matches(':disabled'),
  }));
}

test('a page open across a restart onto other bars shows the new chart only, and says when the server is away', async () => {
  const first = await startServer([]);
  const port = Number(new URL(first.url).port);
  const { page, problems } = await openPage(browser, first.url);
  let second = null;
  try {
    await painted(page, () => window.__chart.version > 0);
    await first.stop();
    await page.waitForFunction(() => document.body.dataset.connection === 'down');
    const away = await connectionOf(page);
    assert.match(away.status, /cannot be reached/);
    assert.ok(away.controlsOff && away.buttonOff, 'the controls are off while the server is away');

    second = await startServer(['--bars', 'data/daily-bars.csv'], { port });
    const state = await stateOf(second.url);
    await painted(page, (instance) => window.__chart.instance === instance, state.instance);
    const shown = await page.evaluate(() => {
      const { state: drawn, candles, barCount, visible } = window.__chart;
      return { candles, barCount, visible, close: drawn.bars.close, series: drawn.series.map((s) => s.values) };
    });
    assert.equal(shown.barCount, state.barCount);
    assert.equal(shown.candles, state.barCount);
    assert.deepEqual(shown.close, state.bars.close);
    assert.deepEqual(shown.series, state.series.map((s) => expandRuns(s.values)), 'the new levels, none of the old');
    assert.deepEqual(shown.visible, { from: state.window.firstBar - 0.5, to: state.window.lastBar + 0.5 },
      'shown as a first view');
    const back = await connectionOf(page);
    assert.equal(back.status, 'live');
    assert.ok(!back.controlsOff && !back.buttonOff);
    assert.deepEqual(unexpected(problems), []);
  } finally {
    await page.close();
    if (second) await second.stop();
  }
});

test('a change the server never heard is undone and said where it was made, and the page recovers', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url);
    await painted(page, () => window.__chart.version > 0);
    await page.route('**/api/settings', (route) => route.abort('connectionrefused'));
    await page.locator('select[name="Frame Size"]').selectOption('32');
    await page.waitForFunction(() => document.getElementById('settings-notice').textContent.includes('cannot be reached'));
    assert.equal(await page.locator('select[name="Frame Size"]').inputValue(), '16', 'the value in force again');
    assert.equal(await page.locator('select[name="Frame Size"] option[data-in-force]').getAttribute('value'), '16');
    await page.unroute('**/api/settings');
    await page.waitForFunction(() => document.body.dataset.connection === 'live');  // the server answered again
    await page.locator('select[name="Frame Size"]').selectOption('32');
    await painted(page, () => window.__chart.frame.end - window.__chart.frame.start === 32);
    await page.waitForFunction(() => document.getElementById('settings-notice').hidden);
    assert.equal(await page.locator('select[name="Frame Size"] option[data-in-force]').getAttribute('value'), '32');
    assert.deepEqual(unexpected(problems), []);
  }));

test('refusals show their reason beside the action, until the next one there succeeds', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url);
    await painted(page, () => window.__chart.version > 0);
    const notice = () => page.evaluate(() => {
      const element = document.getElementById('replay-notice');
      return element.hidden ? null : element.textContent;
    });
    await page.locator('#replay-start-bar').fill('1951');
    await page.locator('#replay-start').click();
    await page.waitForFunction(() => !document.getElementById('replay-notice').hidden);
    assert.equal(await notice(), 'start over: the start bar must be from 1 to 1950');
    await page.locator('#replay-step').click();
    await page.waitForFunction(() => document.getElementById('replay-notice').textContent.startsWith('step'));
    assert.equal(await notice(), 'step: every bar is shown already');
    await page.locator('#replay-speed').fill('5');
    await page.locator('#replay-speed').dispatchEvent('change');
    await page.waitForFunction(() => document.getElementById('replay-notice').hidden);
    assert.equal((await stateOf(url)).replay.speed, 5);
    assert.deepEqual(unexpected(problems), []);
  }));

test('key zoom stops where the wheel stops, on the bars it started on', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url);
    await painted(page, () => window.__chart.version > 0);
    await page.locator('#chart').focus();
    const view = () => page.evaluate(() => {
      const { from, to } = window.__chart.visibleNow();
      return { from, to, centre: (from + to) / 2, bars: to - from + 1 };
    });
    // A press as a trader makes it: the repaint it causes (the price axis
    // may widen or narrow with the prices in view) comes before the next.
    const press = async (key) => {
      await page.keyboard.press(key);
      await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
    };
    const start = await view();
    // Each limit is reached well within 40 presses (a quarter each); more change nothing.
    for (const [key, wider] of [['-', true], ['+', false]]) {
      for (let i = 0; i < 40; i += 1) await press(key);
      const atLimit = await view();
      await press(key);
      assert.deepEqual(await view(), atLimit, `${key} stops at the limit`);
      assert.ok(Math.abs(atLimit.centre - start.centre) < 1, `${key} keeps the centre: ${JSON.stringify(atLimit)}`);
      const width = await page.evaluate(() => document.querySelector('#chart canvas').getBoundingClientRect().width);
      if (wider) assert.ok(atLimit.bars > width, `half a pixel a bar at most: ${atLimit.bars} bars`);
      else assert.ok(atLimit.bars < 40, `a wide bar at least: ${atLimit.bars} bars`);
      const last = (await stateOf(url)).barCount - 1;
      assert.ok(atLimit.from <= last && last <= atLimit.to || !(await page.locator('#go-latest').isHidden()),
        'the last bar is in view, or the way back is offered');
    }
    assert.deepEqual(problems, []);
  }));

test('a pushed button clicked again is released with the off event, which changes nothing else', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url);
    await painted(page, () => window.__chart.version > 0);
    const sent = [];
    page.on('request', (request) => { if (request.url().includes('/api/button/')) sent.push(request.url()); });
    const button = page.locator('#control-bar button[data-number="5"]');
    await button.click();
    await painted(page, () => window.__chart.buttons[4].pressed && window.__chart.frame.end - window.__chart.frame.start === 64);
    const pushed = await stateOf(url);
    await button.click();
    await painted(page, () => !window.__chart.buttons[4].pressed);
    assert.deepEqual(sent.map((address) => new URL(address).search), ['?state=on', '?state=off']);
    const released = await stateOf(url);
    assert.equal(released.buttons[4].pushed, false);
    for (const part of ['frame', 'inputs', 'drawings', 'series']) {
      assert.deepEqual(released[part], pushed[part], `${part} unchanged by the off event`);
    }
    assert.equal(await page.locator('select[name="Frame Size"] option[data-in-force]').getAttribute('value'), '64');
    await button.click();  // pushed again
    await painted(page, () => window.__chart.buttons[4].pressed);
    assert.equal(new URL(sent.at(-1)).search, '?state=on');
    assert.deepEqual(problems, []);
  }));
