// The page and its server against a hostile web page: another origin's
// requests change nothing, markup the study's settings carry shows as text,
// and the page ships no test hooks unless asked for them.
import assert from 'node:assert/strict';
import { once } from 'node:events';
import { createServer } from 'node:http';
import { after, before, test } from 'node:test';

import { openPage, painted, post, startBrowser, stateOf, withServer } from './harness.mjs';

let browser;
before(async () => { browser = await startBrowser(); });
after(async () => { await browser.close(); });

// What another site's script can send without asking first, and what it
// can only try: each state-changing route by fetch (with and without
// no-cors, every encoding a form or a script may choose) and by form.
function hostileScript() {
  const target = new URLSearchParams(window.location.search).get('target');
  const routes = [
    ['api/button/5', ''],
    ['api/button/3?state=off', ''],
    ['api/settings', JSON.stringify({ inputs: [{ input: 'Frame Size', value: '64' }] })],
    ['api/replay', JSON.stringify({ start: 100 })],
    ['api/timeframe', JSON.stringify({ timeframe: '5m' })],
  ];
  const encodings = ['text/plain', 'application/x-www-form-urlencoded', 'multipart/form-data', 'application/json'];
  const outcomes = [];
  const fetches = routes.flatMap(([path, body]) => ['no-cors', 'cors'].flatMap((mode) => encodings.map((type) =>
    fetch(target + path, { method: 'POST', mode, headers: { 'Content-Type': type }, body })
      .then((response) => outcomes.push(`${mode} ${type} ${path}: ${response.type} ${response.status}`),
        () => outcomes.push(`${mode} ${type} ${path}: blocked`)))));
  const forms = routes.flatMap(([path, body]) => encodings.slice(0, 3).map((enctype, i) => new Promise((resolve) => {
    const frame = document.createElement('iframe');
    frame.name = `frame-${path}-${i}`;
    // Listened for once the frame is in: its own first (blank) load comes as it is put in.
    document.body.append(frame);
    frame.addEventListener('load', resolve, { once: true });
    const form = document.createElement('form');
    Object.assign(form, { method: 'post', action: target + path, enctype, target: frame.name });
    const field = document.createElement('input');
    Object.assign(field, { name: body || 'x', value: '' });
    form.append(field);
    document.body.append(form);
    form.submit();
  })));
  return Promise.all([...fetches, ...forms]).then(() => outcomes);
}

// A page of another origin: another loopback port, serving the script above.
async function startHostileSite() {
  const site = createServer((request, response) => {
    response.setHeader('Content-Type', 'text/html; charset=utf-8');
    response.end(`<!doctype html><title>elsewhere</title><script>window.attack = ${hostileScript};</script>`);
  });
  site.listen(0, '127.0.0.1');
  await once(site, 'listening');
  return { url: `http://127.0.0.1:${site.address().port}/`, close: () => site.close() };
}

test('no request from another origin changes anything, whatever its mode or encoding', () =>
  withServer([], async (url) => {
    const site = await startHostileSite();
    try {
      const before = await stateOf(url);
      const page = await browser.newPage();
      // A form's answer reaches the (blocked) frame; a fetch's is withheld
      // from the other origin once it arrives, by the answer's own headers.
      const answered = [], withheld = [];
      page.on('response', (response) => { if (response.url().startsWith(url)) answered.push(response.status()); });
      page.on('requestfailed', (request) => { if (request.url().startsWith(url)) withheld.push(request.failure().errorText); });
      await page.goto(`${site.url}?target=${encodeURIComponent(url)}`);
      const outcomes = await page.evaluate(() => window.attack());
      assert.equal(outcomes.length, 40, outcomes.join('\n'));
      assert.deepEqual(outcomes.filter((outcome) => !outcome.endsWith('blocked')), [], 'no fetch read an answer');
      // A refused form's answer may reach the test after its frame loaded.
      for (const deadline = Date.now() + 5000; answered.length < 15 && Date.now() < deadline;) {
        await new Promise((done) => setTimeout(done, 50));
      }
      assert.equal(answered.length, 15, 'every form reached the server');
      assert.deepEqual(await stateOf(url), before, 'the state is as it was');
      assert.deepEqual(answered.filter((status) => status !== 403 && status !== 415), [], `${answered}`);
      const corpWithheld = withheld.filter((text) => text === 'net::ERR_BLOCKED_BY_RESPONSE.NotSameOrigin');
      assert.equal(corpWithheld.length, 20, `every no-cors fetch reached the server: ${withheld}`);
      await page.close();

      // The same change from the server's own page is taken.
      const { page: own, problems } = await openPage(browser, url);
      await painted(own, () => window.__chart.version > 0);
      await own.locator('#control-bar button[data-number="5"]').click();
      await painted(own, () => window.__chart.frame.end - window.__chart.frame.start === 64);
      assert.deepEqual(problems, []);
    } finally {
      site.close();
    }
  }));

test('markup in a subgraph name shows as text and runs nothing', () =>
  withServer([], async (url) => {
    const name = '<img src=x onerror="window.planted=1"><b>8/8th</b>';
    const answer = await post(url, 'api/settings', { subgraphs: [{ subgraph: '#2', field: 'Name', value: name }] });
    assert.equal(answer.status, 200, answer.text);
    const { page, problems } = await openPage(browser, url);
    await painted(page, () => window.__chart.version > 0);
    await page.locator('#legend summary').click();
    const shown = await page.evaluate(() => ({
      legend: document.getElementById('legend-levels').textContent,
      settings: document.getElementById('settings-subgraphs').textContent,
      markup: document.querySelectorAll('main img, main b, #legend img').length,
      planted: window.planted,
    }));
    assert.ok(shown.legend.includes(name), shown.legend);
    assert.ok(shown.settings.includes(name), shown.settings);
    assert.equal(shown.markup, 0, 'no element made from the name');
    assert.equal(shown.planted, undefined);
    assert.deepEqual(problems, []);
  }));

test('the page keeps its test hooks to itself unless opened for tests', () =>
  withServer([], async (url) => {
    const { page, problems } = await openPage(browser, url, { hooks: false });
    await page.waitForFunction(() => document.getElementById('title').textContent.length > 0 &&
      document.getElementById('status').textContent === 'live');
    assert.equal(await page.evaluate(() => typeof window.__chart), 'undefined');
    assert.deepEqual(problems, []);
  }));
