// Measures the live page on this machine: page load to first paint, button
// click to repainted chart, a timeframe switch to repaint, tick (a replay
// bar) to repaint, and the server's memory, for the embedded sample and for
// generated bars.
//
//   node bench/page/measure.mjs KOVRA [BARS]
//
// KOVRA is a (release) kovra program; BARS, when given, is the number of
// one-minute bars to generate (e.g. 100000) instead of the embedded sample.
import { spawn } from 'node:child_process';
import { mkdtemp, readFile, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { startBrowser } from '../../tests/page/harness.mjs';

const [kovra, barsWanted] = process.argv.slice(2);
if (!kovra) throw new Error('usage: node bench/page/measure.mjs KOVRA [BARS]');
process.env.KOVRA_EXE = kovra;

// A seeded walk of one-minute bars on a quarter-point grid.
async function generatedBars(count) {
  let seed = 20261208;
  const random = () => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648);
  const lines = ['datetime,open,high,low,close'];
  let price = 4500, time = Date.UTC(2024, 0, 2, 9, 30);
  for (let i = 0; i < count; i += 1) {
    const open = price;
    price = Math.max(1, price + Math.round((random() - 0.5) * 8) * 0.25);
    const high = Math.max(open, price) + Math.round(random() * 2) * 0.25;
    const low = Math.min(open, price) - Math.round(random() * 2) * 0.25;
    lines.push(`${new Date(time).toISOString().slice(0, 19).replace('T', ' ')},${open},${high},${low},${price}`);
    time += 60000;
  }
  const path = join(await mkdtemp(join(tmpdir(), 'kovra-measure-')), 'bars.csv');
  await writeFile(path, `${lines.join('\n')}\n`);
  return path;
}

const quantile = (values, q) => [...values].sort((a, b) => a - b)[Math.min(values.length - 1, Math.floor(q * values.length))];
const summary = (values) => `median ${quantile(values, 0.5).toFixed(1)} ms, 95th percentile ${quantile(values, 0.95).toFixed(1)} ms (${values.length} samples)`;

const JSON_BODY = { 'Content-Type': 'application/json' };  // the server takes no other body
const args = ['serve', '--port', '0'];
if (barsWanted) args.push('--bars', await generatedBars(Number(barsWanted)));
const server = spawn(kovra, args, { stdio: ['ignore', 'pipe', 'inherit'] });
const url = await new Promise((resolve) => server.stdout.once('data', (data) => resolve(String(data).trim())));
const memory = async () => {
  const status = await readFile(`/proc/${server.pid}/status`, 'utf8');
  const field = (name) => Number(status.match(new RegExp(`${name}:\\s+(\\d+)`))[1]) / 1024;
  return `resident ${field('VmRSS').toFixed(0)} MB, peak ${field('VmHWM').toFixed(0)} MB`;
};

const browser = await startBrowser();
try {
  const loads = [];
  let page;
  for (let i = 0; i < 3; i += 1) {
    if (page) await page.close();
    page = await browser.newPage();
    await page.goto(`${url}?test-hooks`);
    await page.waitForFunction(() => window.__chart.firstPaintAt, null, { timeout: 60000, polling: 'raf' });
    loads.push(await page.evaluate(() => window.__chart.firstPaintAt));
  }

  // A click on 64 then 16, and so on: each a full recalculation, until the
  // chart with the new frame size is painted.
  const clicks = [];
  for (let i = 0; i < 10; i += 1) {
    const [button, frame] = i % 2 ? [3, 16] : [5, 64];
    clicks.push(await page.evaluate(async ([number, size]) => {
      // A pushed button is released first (untimed), so the timed click pushes it.
      const button = document.querySelector(`#control-bar button[data-number="${number}"]`);
      if (button.getAttribute('aria-pressed') === 'true') {
        button.click();
        while (button.getAttribute('aria-pressed') === 'true') await new Promise(requestAnimationFrame);
      }
      const version = window.__chart.version;
      const started = performance.now();
      button.click();
      const done = () => window.__chart.version > version && window.__chart.paintedAt > started &&
        document.querySelector('#title').textContent.includes(`Frame Size: ${size},`);
      while (!done()) await new Promise(requestAnimationFrame);
      return window.__chart.paintedAt - started;
    }, [button, frame]));
  }

  // The timeframe chosen beside the title, 5m then 15m and so on (then 1h
  // and 1d): the server makes the buckets from every bar of the file and
  // recalculates, until the chart in the new timeframe is painted. The last
  // switch goes back to the bars as they are, for the ticks.
  const switchTo = (timeframe) => page.evaluate(async (wanted) => {
    const select = document.getElementById('timeframe');
    const started = performance.now();
    select.value = wanted;
    select.dispatchEvent(new Event('change'));
    while (window.__chart.state.timeframe !== wanted || !(window.__chart.paintedAt > started)) {
      await new Promise(requestAnimationFrame);
    }
    return window.__chart.paintedAt - started;
  }, timeframe);
  const switches = {};
  for (const pair of [['5m', '15m'], ['1h', '1d']]) {
    switches[pair.join(' and ')] = [];
    for (let i = 0; i < 10; i += 1) switches[pair.join(' and ')].push(await switchTo(pair[i % 2]));
  }
  await switchTo('file');

  // Ticks: the replay's next bar, asked for by the page, until it is painted.
  const { barCount } = await (await fetch(`${url}api/state`)).json();
  await fetch(`${url}api/replay`, { method: 'POST', headers: JSON_BODY, body: JSON.stringify({ start: barCount - 120 }) });
  await page.waitForFunction((n) => window.__chart.barCount === n, barCount - 120, { polling: 'raf', timeout: 60000 });
  const ticks = [];
  for (let i = 0; i < 100; i += 1) {
    ticks.push(await page.evaluate(async () => {
      const count = window.__chart.barCount;
      const started = performance.now();
      await fetch('/api/replay', { method: 'POST', headers: { 'Content-Type': 'application/json' }, body: '{"action":"step"}' });
      while (window.__chart.barCount !== count + 1) await new Promise(requestAnimationFrame);
      return window.__chart.paintedAt - started;
    }));
  }
  console.log(`bars: ${barsWanted ? `${barsWanted} generated` : 'embedded sample'} (${barCount})`);
  console.log(`page load to first paint: ${summary(loads)}`);
  console.log(`button click to repainted chart: ${summary(clicks)}`);
  for (const [pair, times] of Object.entries(switches)) {
    console.log(`timeframe switch (${pair} from the file's bars) to repaint: ${summary(times)}`);
  }
  console.log(`tick (replay bar) to repaint: ${summary(ticks)}`);
  console.log(`server memory: ${await memory()}`);
} finally {
  await browser.close();
  server.kill('SIGTERM');
}
