// Takes docs/serve-page.png anew: `kovra serve` on the embedded sample, the
// page in Debian's chromium (through playwright-core, as the page tests
// drive it), a screenshot once the chart and its time axis are painted.
//
//   KOVRA_EXE=build/release/app/kovra node scripts/serve-page-picture.mjs [OUT.png]
//
// KOVRA_EXE defaults to the developer build's kovra; KOVRA_CHROMIUM to /usr/bin/chromium.
import { existsSync } from 'node:fs';
import { fileURLToPath } from 'node:url';

import { openPage, painted, startBrowser, startServer } from '../tests/page/harness.mjs';

const top = fileURLToPath(new URL('..', import.meta.url));
const out = process.argv[2] ?? `${top}docs/serve-page.png`;
const VIEWPORT = { width: 1500, height: 820 };

process.env.KOVRA_EXE ??= `${top}build/dev/app/kovra`;
if (!existsSync(process.env.KOVRA_EXE)) {
  console.error(`kovra: no program at ${process.env.KOVRA_EXE}; build it or set KOVRA_EXE`);
  process.exit(1);
}

const server = await startServer();
const browser = await startBrowser();
try {
  const { page, problems } = await openPage(browser, server.url);
  await page.setViewportSize(VIEWPORT);
  await painted(page, () => window.__chart.version > 0 && window.__chart.timeMarks.length > 0);
  await page.evaluate(() => document.fonts.ready);
  await page.screenshot({ path: out });
  if (problems.length > 0) throw new Error(`the page reported: ${problems.join('; ')}`);
  console.log(`wrote ${out}`);
} finally {
  await browser.close();
  await server.stop();
}
