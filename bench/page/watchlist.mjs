// Measures a workspace's page on this machine: from starting `kovra serve`
// on a folder of many instruments to the page showing every watchlist row,
// and from a bar appended to one followed file to its row showing it.
//
//   node bench/page/watchlist.mjs KOVRA [FILES] [BARS]
//
// KOVRA is a (release) kovra program; FILES bar files (default 200) of BARS
// weekday daily bars each (default 5000) are generated in a fresh folder.
import { spawn } from 'node:child_process';
import { appendFile, mkdtemp, rm, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { startBrowser } from '../../tests/page/harness.mjs';

const [kovra, filesWanted = '200', barsWanted = '5000'] = process.argv.slice(2);
if (!kovra) throw new Error('usage: node bench/page/watchlist.mjs KOVRA [FILES] [BARS]');
const files = Number(filesWanted), bars = Number(barsWanted);
const DAY = 86400000, ROUNDS = 20;

const dateText = (time) => new Date(time).toISOString().slice(0, 10);
const name = (file) => `i${String(file).padStart(4, '0')}`;

// A seeded walk of weekday daily bars per file, moving by up to 2 % a day.
async function generatedFolder() {
  const folder = await mkdtemp(join(tmpdir(), 'kovra-watchlist-'));
  let seed = 20261210;
  const random = () => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648);
  let last = 0;
  for (let file = 0; file < files; file += 1) {
    const lines = ['datetime,open,high,low,close'];
    let price = 20 + random() * 480, time = Date.UTC(2000, 0, 3);
    for (let bar = 0; bar < bars; bar += 1) {
      while ([0, 6].includes(new Date(time).getUTCDay())) time += DAY;
      const open = price;
      price = Math.max(1, price * (1 + (random() - 0.5) * 0.04));
      const high = Math.max(open, price) * (1 + random() * 0.01), low = Math.min(open, price) * (1 - random() * 0.01);
      lines.push(`${dateText(time)},${open.toFixed(2)},${high.toFixed(2)},${low.toFixed(2)},${price.toFixed(2)}`);
      last = Math.max(last, time);
      time += DAY;
    }
    await writeFile(join(folder, `${name(file)}.csv`), `${lines.join('\n')}\n`);
  }
  return { folder, last };
}

const quantile = (values, q) => [...values].sort((a, b) => a - b)[Math.min(values.length - 1, Math.floor(q * values.length))];
const summary = (values) => `median ${quantile(values, 0.5).toFixed(0)} ms, 95th percentile ${quantile(values, 0.95).toFixed(0)} ms, `
  + `most ${Math.max(...values).toFixed(0)} ms (${values.length} samples)`;

const { folder, last } = await generatedFolder();
const browser = await startBrowser();
const page = await browser.newPage();
await page.goto('about:blank');
await new Promise((resolve) => setTimeout(resolve, 2000));  // the browser's own start is over, as for a user
const started = performance.now();
const server = spawn(kovra, ['serve', '--quiet', '--follow', '--port', '0', '--state', join(folder, 'state.sqlite3'), folder],
  { stdio: ['ignore', 'pipe', 'inherit'] });
try {
  const url = await new Promise((resolve) => server.stdout.once('data', (data) => resolve(String(data).split('\n')[0].trim())));
  const served = performance.now() - started;
  await page.goto(url);
  await page.waitForFunction((count) => document.querySelectorAll('#watchlist tbody tr').length === count, files, { timeout: 60000 });
  const shown = performance.now() - started;
  const reloaded = performance.now();
  await page.reload();
  await page.waitForFunction((count) => document.querySelectorAll('#watchlist tbody tr').length === count, files, { timeout: 60000 });
  console.log(`${files} instruments of ${bars} daily bars: the address printed after ${served.toFixed(0)} ms, `
    + `every watchlist row shown after ${shown.toFixed(0)} ms; a reload shows them in ${(performance.now() - reloaded).toFixed(0)} ms`);

  const latencies = [];
  for (let round = 0; round < ROUNDS; round += 1) {
    // At a time unrelated to the server's looks at the files (ten a second).
    await new Promise((resolve) => setTimeout(resolve, (round * 37) % 101));
    const instrument = name((round * 7) % files);
    const day = dateText(last + (round + 1) * DAY);
    const seen = page.waitForFunction(([row, text]) => document.querySelector(`#watchlist tr[data-name="${row}"]`)?.textContent.includes(text),
      [instrument, day], { polling: 'raf', timeout: 10000 });
    const written = performance.now();
    await appendFile(join(folder, `${instrument}.csv`), `${day},100,101,99,100.5\n`);
    await seen;
    latencies.push(performance.now() - written);
  }
  // The first comes while the page still draws the first chart it opened.
  console.log(`a bar appended to one file until its watchlist row shows it: ${latencies[0].toFixed(0)} ms for the first, `
    + `right after the page opened; then ${summary(latencies.slice(1))}`);
} finally {
  server.kill('SIGTERM');
  await browser.close();
  await rm(folder, { recursive: true, force: true });
}
