// Starts `kovra serve` and Debian's chromium for the page tests; playwright
// never downloads a browser here.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { chromium } from 'playwright-core';

const CHROMIUM_FLAGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
];

export function kovraPath() {
  const path = process.env.KOVRA_EXE;
  if (!path) throw new Error('KOVRA_EXE must name the built kovra program');
  return path;
}

// A running `kovra serve` with `args` on `port` (0: any free one); stop()
// sends SIGTERM and resolves to its exit code and time taken; output() is
// its standard output so far.
export async function startServer(args = [], { port = 0 } = {}) {
  const child = spawn(kovraPath(), ['serve', '--port', String(port), ...args], { stdio: ['ignore', 'pipe', 'pipe'] });
  let errors = '';
  let out = '';
  child.stderr.on('data', (data) => { errors += data; });
  const url = await new Promise((resolve, reject) => {
    child.stdout.on('data', (data) => {
      out += data;
      const line = out.split('\n')[0];
      if (out.includes('\n')) resolve(line);
    });
    child.once('exit', (code) => reject(new Error(`kovra serve exited with ${code}: ${errors}`)));
  });
  return {
    url,
    errors: () => errors,
    output: () => out,
    async stop() {
      const started = Date.now();
      child.kill('SIGTERM');
      const [code] = await once(child, 'exit');
      return { code, milliseconds: Date.now() - started };
    },
  };
}

// Runs `body(url)` with a server of its own (`args`, on the embedded sample
// by default), stopped by SIGTERM within two seconds whatever `body` did.
export async function withServer(args, body) {
  const server = await startServer(args);
  try {
    await body(server.url, server);
  } finally {
    const { code, milliseconds } = await server.stop();
    assert.equal(code, 0, server.errors());
    assert.ok(milliseconds < 2000, `stopped after ${milliseconds} ms`);
  }
}

// A fresh headless chromium with its own empty profile.
export async function startBrowser() {
  const { mkdtemp } = await import('node:fs/promises');
  const { tmpdir } = await import('node:os');
  const { join } = await import('node:path');
  const profile = await mkdtemp(join(tmpdir(), 'kovra-page-test-'));
  return chromium.launchPersistentContext(profile, {
    executablePath: process.env.KOVRA_CHROMIUM || '/usr/bin/chromium',
    args: CHROMIUM_FLAGS,
    headless: true,
    viewport: { width: 1400, height: 800 },
  });
}

// The page asks the server for its instruments first: a single-chart
// server's 404 says the page shows one chart, and is no problem.
const singleChartAnswer = (message) =>
  new URL(message.location().url || 'about:blank').pathname === '/api/instruments' && /status of 404/.test(message.text());

// Opens the page, with its test hooks (window.__chart) unless `hooks` is
// false, and collects its console errors and uncaught exceptions.
export async function openPage(context, url, { hooks = true } = {}) {
  const page = await context.newPage();
  const problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error' && !singleChartAnswer(message)) problems.push(message.text());
  });
  page.on('pageerror', (error) => problems.push(error.message));
  await page.goto(hooks ? `${url}?test-hooks` : url);
  return { page, problems };
}

// Resolves when the page has painted a state that passes `test` (run in the
// page on window.__chart, given `argument`). The wait is long: the machine
// may be busy, and a passing test does not wait it out.
export const PAINT_TIMEOUT = 15000;
export function painted(page, test, argument = null) {
  return page.waitForFunction(test, argument, { timeout: PAINT_TIMEOUT, polling: 'raf' });
}

export async function stateOf(url) {
  return (await fetch(`${url}api/state`)).json();
}

export async function post(url, path, body) {
  const response = await fetch(`${url}${path}`, {
    method: 'POST', headers: { 'Content-Type': 'application/json' }, body: body ? JSON.stringify(body) : '',
  });
  return { status: response.status, text: await response.text() };
}
