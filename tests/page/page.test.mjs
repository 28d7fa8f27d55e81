// The live page in a real browser: what it draws equals the server's state,
// and buttons, settings and replay reach the chart.
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import { after, before, test } from 'node:test';

import { openPage, painted, post, startBrowser, stateOf, withServer } from './harness.mjs';

let browser;
before(async () => { browser = await startBrowser(); });
after(async () => { await browser.close(); });

// The colour [r, g, b] the chart's pane shows at (x, y), in the chart's CSS pixels.
function pixelAt(page, x, y) {
  return page.evaluate(([x, y]) => {
    for (const canvas of document.querySelectorAll('#chart canvas')) {
      const box = canvas.getBoundingClientRect(), ratio = canvas.width / box.width;
      if (box.width < 200 || box.height < 200) continue;  // the pane, not the scales
      const pixel = canvas.getContext('2d').getImageData(Math.round(x * ratio), Math.floor(y * ratio), 1, 1).data;
      if (pixel[3] > 0) return [...pixel.slice(0, 3)];
    }
    return null;
  }, [x, y]);
}

const rgbOf = (hex) => [1, 3, 5].map((at) => parseInt(hex.slice(at, at + 2), 16));

test('the page draws every candle, level series and drawing of the state, and the control bar', () =>
  withServer([], async (url) => {
    const state = await stateOf(url);
    const { page, problems } = await openPage(browser, url);
    await painted(page, () => window.__chart.version > 0 && window.__chart.drawings.length > 0);
    const drawn = await page.evaluate(() => window.__chart);
    assert.equal(drawn.version, state.version);
    assert.equal(drawn.candles, state.barCount);
    // The shapes beneath the candles first, then the lines and texts above them, each as submitted.
    const layered = ['beneath', 'above'].flatMap((layer) => state.drawings.filter((d) => d.layer === layer));
    assert.equal(layered.length, state.drawings.length);
    assert.ok(layered[0].layer === 'beneath' && layered.at(-1).layer === 'above', 'the sample has both layers');
    assert.deepEqual(drawn.drawings.map((d) => d.id), layered.map((d) => d.id));
    assert.deepEqual(drawn.drawings.map((d) => d.kind), layered.map((d) => d.kind));
    const shown = state.series.filter((s) => s.shown);
    assert.deepEqual(drawn.series.map((s) => s.subgraph), shown.map((s) => s.subgraph));
    for (const series of drawn.series) {
      const joined = state.series[series.subgraph].joined;
      assert.ok(joined ? series.runs > 0 : series.dashes > 0, `series ${series.subgraph} drawn`);
    }
    assert.equal(drawn.buttons.length, 17);
    assert.deepEqual(drawn.buttons.map((b) => b.label), state.buttons.map((b) => b.label || String(b.number)));
    assert.deepEqual(drawn.buttons.map((b) => b.hover), state.buttons.map((b) => b.hover));
    assert.deepEqual(drawn.buttons.map((b) => b.pressed), state.buttons.map((b) => b.pushed));
    assert.match(await page.locator('#title').textContent(), /^Kovra Math RT Intraday — Frame Algorithm: Optimized, Frame Size: 16/);
    const last = state.barCount - 1;
    assert.ok((await page.locator('#legend-bar').textContent()).startsWith(`bar ${last} · ${state.bars.dateTime[last]} · `),
      'the legend shows the last bar with its date-time as the server writes it');
    // The first view is the current frame, as in the picture.
    assert.deepEqual(drawn.visible, { from: state.window.firstBar - 0.5, to: state.window.lastBar + 0.5 });

    // Pixel probes: the 8/8th and 0/8th lines' colours at their prices on the
    // last bar, and the biggest candle before the frame in its direction's colour.
    const lineColour = (subgraph) => {
      const { last } = drawn.series.find((s) => s.subgraph === subgraph);
      return pixelAt(page, last.x - 3, last.y);
    };
    assert.deepEqual(await lineColour(2), [0, 0, 255], 'the 8/8th subgraph is blue');
    assert.deepEqual(await lineColour(10), rgbOf(state.series[10].pen.colour), 'the 0/8th subgraph in its colour');
    const b = state.bars;
    let candle = state.window.firstBar;
    for (let bar = candle; bar < state.frame.start; bar += 1) {
      if (Math.abs(b.close[bar] - b.open[bar]) > Math.abs(b.close[candle] - b.open[candle])) candle = bar;
    }
    const [x, y] = await page.evaluate(([bar, price]) => [window.__chart.barToX(bar), window.__chart.priceToY(price)],
      [candle, (b.open[candle] + b.close[candle]) / 2]);
    const { colours } = state.look;
    assert.deepEqual(await pixelAt(page, x, y), rgbOf(b.close[candle] >= b.open[candle] ? colours.upCandle : colours.downCandle),
      `the candle of bar ${candle} in its direction's colour`);
    // The page's own parts take the picture's colours from the state.
    const cssColour = (selector, property) =>
      page.locator(selector).first().evaluate((element, name) => getComputedStyle(element)[name], property);
    const rgbText = (hex) => `rgb(${rgbOf(hex).join(', ')})`;
    assert.equal(await cssColour('body', 'color'), rgbText(colours.text));
    assert.equal(await cssColour('#control-bar', 'backgroundColor'), rgbText(colours.panel));
    assert.equal(await cssColour('#control-bar button[aria-pressed="false"]', 'backgroundColor'), rgbText(colours.buttonFace));
    assert.deepEqual(problems, []);
  }));

// The page's time axis: exactly the server's marks for the bars in view,
// the picture's own (the year under the first), following the zoom.
async function assertServersTimeMarks(page, url) {
  await painted(page, () => {  // the answer for the view as it is now
    const { timeMarksWindow: view, visible, barCount } = window.__chart;
    return view !== null && view.first === Math.max(0, Math.ceil(visible.from)) &&
      view.last === Math.min(barCount - 1, Math.floor(visible.to));
  });
  const { timeMarks, timeMarksWindow: view, visible, barCount } = await page.evaluate(() => window.__chart);
  assert.equal(view.first, Math.max(0, Math.ceil(visible.from)));
  assert.equal(view.last, Math.min(barCount - 1, Math.floor(visible.to)));
  const answer = await (await fetch(`${url}api/timemarks?first=${view.first}&last=${view.last}&width=${view.width}`)).json();
  assert.ok(answer.length > 1, JSON.stringify(answer));
  assert.deepEqual(timeMarks.map(({ bar, text, under }) => ({ bar, text, under })), answer);
  const xs = await page.evaluate(() => window.__chart.timeMarks.map((mark) => window.__chart.barToX(mark.bar)));
  assert.deepEqual(timeMarks.map((mark) => mark.x), xs);
  assert.match(timeMarks[0].under, /^[A-Z][a-z]{2} \d{1,2} \d{4}$/, 'the first mark\'s date carries its year');
  return timeMarks;
}

test('the time axis shows the server\'s marks for the bars in view and follows the zoom', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url);
    await painted(page, () => window.__chart.version > 0 && window.__chart.timeMarks.length > 0);
    const marks = await assertServersTimeMarks(page, url);
    // Pixel probe: the axis has the text's ink under the second mark (the first may be pushed in).
    const ink = await page.evaluate((x) => {
      for (const canvas of document.querySelectorAll('#chart canvas')) {
        const box = canvas.getBoundingClientRect(), ratio = canvas.width / box.width;
        if (box.width < 200 || box.height > 80 || box.top < 200) continue;  // the time axis, not the pane
        const data = canvas.getContext('2d').getImageData(Math.round((x - 12) * ratio), 0, Math.round(24 * ratio), canvas.height).data;
        for (let i = 0; i < data.length; i += 4) if (data[i + 3] > 0 && data[i] < 120) return true;
      }
      return false;
    }, marks[1].x);
    assert.ok(ink, 'dark text under the second mark');

    await page.locator('#chart').focus();
    const before = await page.evaluate(() => window.__chart.timeMarksWindow);
    for (const key of ['+', '+']) await page.keyboard.press(key);
    await painted(page, (span) => {
      const view = window.__chart.timeMarksWindow;
      return view.last - view.first < span && window.__chart.timeMarks.length > 0;
    }, before.last - before.first);
    await assertServersTimeMarks(page, url);
    assert.deepEqual(problems, []);
  }));

test('a click on button 5 brings a 64-bar frame', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url);
    await painted(page, () => window.__chart.version > 0);
    await page.locator('#control-bar button[data-number="5"]').click();
    await painted(page, () => window.__chart.frame.end - window.__chart.frame.start === 64);
    await painted(page, () => window.__chart.buttons[4].pressed);
    const state = await stateOf(url);
    assert.equal(state.inputs.find((i) => i.name === 'Frame Size').value, '64');
    assert.equal(await page.locator('#control-bar button[data-number="5"]').getAttribute('aria-pressed'), 'true');
    assert.deepEqual(problems, []);
  }));

test('a settings change recalculates, and the replay brings bars one at a time', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url);
    await painted(page, () => window.__chart.version > 0);
    await page.locator('select[name="Frame Size"]').selectOption('32');
    await painted(page, () => window.__chart.frame.end - window.__chart.frame.start === 32);
    assert.match(await page.locator('#title').textContent(), /Frame Size: 32/);
    // A colour goes as the picker gives it (#rrggbb) and comes back on the level's pen.
    await page.locator('#settings-subgraphs input[data-position="2"]').fill('#ff8000');
    await painted(page, () => window.__chart.state.series.find((s) => s.subgraph === 2).pen.colour === '#FF8000');

    await page.locator('#replay-start-bar').fill('1900');
    await page.locator('#replay-start').click();
    await painted(page, () => window.__chart.barCount === 1900);
    await page.locator('#replay-step').click();
    await painted(page, () => window.__chart.barCount === 1901 && window.__chart.candles === 1901);
    await painted(page, () => window.__chart.timeMarksWindow.last === 1900);  // the marks follow new bars
    await page.locator('#replay-speed').fill('50');
    await page.locator('#replay-speed').dispatchEvent('change');
    await page.locator('#replay-play').click();
    await painted(page, () => window.__chart.barCount >= 1910);
    assert.deepEqual(problems, []);
  }));

test('six pages at once all stay live', () =>
  withServer([], async (url) => {
    const pages = [];
    for (let i = 0; i < 6; i += 1) pages.push(await openPage(browser, url));
    for (const { page } of pages) await painted(page, () => window.__chart.version > 0);
    assert.equal((await post(url, 'api/button/17')).status, 200);
    const { version } = await stateOf(url);
    for (const { page } of pages) {
      await painted(page, (v) => window.__chart.version >= v, version);
    }
    for (const { page, problems } of pages) {
      assert.deepEqual(problems, []);
      await page.close();
    }
  }));

test('panning by keyboard offers the way back, and the picture exports the view', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url);
    await painted(page, () => window.__chart.version > 0);
    await page.locator('#chart').focus();
    for (let i = 0; i < 12; i += 1) {
      const before = await page.evaluate(() => window.__chart.visible.to);
      await page.keyboard.press('ArrowLeft');
      await painted(page, (to) => window.__chart.visible.to < to, before);
    }
    await page.locator('#go-latest').waitFor({ state: 'visible' });
    await page.locator('#go-latest').click();
    await page.locator('#go-latest').waitFor({ state: 'hidden' });
    const asked = page.waitForRequest((request) => request.url().includes('/picture.png'));
    const [download] = await Promise.all([page.waitForEvent('download'), page.locator('#export').click()]);
    const png = await readFile(await download.path());
    assert.deepEqual([...png.subarray(0, 4)], [0x89, 0x50, 0x4e, 0x47]);
    assert.match((await asked).url(), /first=-?\d+&last=\d+&width=\d+&height=\d+/);
    assert.deepEqual(problems, []);
  }));

test('the page fits 800x600 and a phone: no button clipped, nothing wider than the screen, a one-line legend', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url);
    for (const [width, height] of [[800, 600], [390, 844]]) {
      await page.setViewportSize({ width, height });
      await painted(page, (w) => window.__chart.version > 0 && document.documentElement.clientWidth === w, width);
      const fit = await page.evaluate(() => ({
        clipped: [...document.querySelectorAll('#control-bar button')]
          .filter((button) => button.scrollWidth > button.clientWidth).map((button) => button.textContent),
        overflow: document.documentElement.scrollWidth - window.innerWidth,
        chart: document.getElementById('chart').getBoundingClientRect().toJSON(),
        legend: document.getElementById('legend').getBoundingClientRect().toJSON(),
      }));
      assert.deepEqual(fit.clipped, [], `${width}x${height}`);
      assert.ok(fit.overflow <= 0, `${width}x${height}: ${fit.overflow} pixels too wide`);
      assert.ok(fit.chart.width >= 300 && fit.chart.height >= 250, `${width}x${height}: ${JSON.stringify(fit.chart)}`);
      assert.ok(fit.legend.height < 24 && fit.legend.width < fit.chart.width - 60, JSON.stringify(fit.legend));
    }
    assert.deepEqual(problems, []);
  }));
