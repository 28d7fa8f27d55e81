// Wires the page: the server's state feeds the chart, the controls and the
// replay; while the server cannot be reached, the page says so and the
// controls are off. A workspace's page adds the watchlist and the alerts,
// and shows the chart of the instrument chosen there.

import { AlertLinesChoice, AlertList } from './alerts.js';
import { ChartView } from './chart.js';
import { Controls } from './controls.js';
import { styleWithLook } from './look.js';
import { Notice } from './notice.js';
import { ReplayControls } from './replay.js';
import { Connection, DOWN, LIVE, SINGLE_CHART, instrumentChart } from './server.js';
import { fromSnapshot, withUpdate } from './state.js';
import { TimeframeChoice } from './timeframe.js';
import { Watchlist } from './watchlist.js';
import { WorkspacePage, fetchInstruments } from './workspace.js';

const $ = (id) => document.getElementById(id);
const address = new URLSearchParams(window.location.search);
const hooks = address.has('test-hooks');
const DOWNLOAD_MILLISECONDS = 10000;  // the exported picture's address outlives the download's start

const STATUS_TEXT = {
  [LIVE]: 'live',
  polling: 'live (a newer page has the event stream; this one asks twice a second)',
  [DOWN]: 'the server cannot be reached: the controls are off until it answers again',
};

/** @type {Connection} the open chart's */
let connection;
const send = (route, body) => connection.send(route, body);
const chart = new ChartView({
  container: $('chart'),
  legend: { box: $('legend'), summary: $('legend-bar'), levels: $('legend-levels') },
  goLatest: $('go-latest'),
  hooks,
  askBars: () => connection.askHeld(),
  // A test holds fewer bars, to see older ones come on a short chart.
  heldAtLeast: hooks && address.has('held') ? Number(address.get('held')) : undefined,
});
const controls = new Controls({
  bar: $('control-bar'), title: $('title'), inputs: $('settings-inputs'), subgraphs: $('settings-subgraphs'), send,
  barNotice: new Notice($('control-bar-notice')), settingsNotice: new Notice($('settings-notice')),
});
const replay = new ReplayControls({
  play: $('replay-play'), step: $('replay-step'), speed: $('replay-speed'), startBar: $('replay-start-bar'),
  start: $('replay-start'), status: $('replay-status'), send, notice: new Notice($('replay-notice')),
});
const timeframe = new TimeframeChoice({ select: $('timeframe'), send, notice: new Notice($('timeframe-notice')) });
const exportNotice = new Notice($('export-notice'));

let state = null;
let drawnCount = null;  // bars drawn so far; null: nothing drawn yet

// Shows the chart whose routes are `paths` (of `instrument`, in a
// workspace) in place of the one shown: drawn whole, as on a first load.
function openChart(paths, instrument = '') {
  connection?.stop();
  state = drawnCount = null;
  chart.forget();
  chart.timeAxis.api = paths.api;
  controls.instrument = instrument;
  $('instrument-name').textContent = instrument;
  $('instrument-name').hidden = !instrument;
  connection = new Connection({ paths, onSnapshot, onUpdate, onStatus, held: () => chart.heldQuery() });
  connection.start();
}

// The chart library gathers the changes of one frame into one repaint, so
// each state is handed over at once. `again`: every control rebuilt from the state.
function draw(from, { fresh = false, again = false } = {}) {
  chart.render(state, drawnCount === null || from === null ? null : Math.min(from, drawnCount), fresh);
  controls.render(state, again);
  replay.render(state, again);
  timeframe.render(state);
  drawnCount = state.barCount;
}

// A state in another timeframe: the view keeps showing the time it shows.
function holdTimeFor(next) {
  if (state && next.timeframe !== state.timeframe) chart.holdTime();
}

function onSnapshot(snapshot, fresh) {
  if (!fresh) holdTimeFor(snapshot);
  state = fromSnapshot(snapshot);
  styleWithLook(state.look);
  draw(null, { fresh, again: true });
}

function onUpdate(update) {
  holdTimeFor(update);
  state = withUpdate(state, update);
  draw(update.barsFrom);
}

function onStatus(status) {
  $('status').textContent = STATUS_TEXT[status];
  document.body.dataset.connection = status;
  const off = status === DOWN;
  $('control-bar').disabled = off;
  $('panel').disabled = off;
  $('timeframe').disabled = off;
  if (!off && state) {  // edits made meanwhile go
    controls.render(state, true);
    replay.render(state, true);
  }
}

// The exported picture shows the bars in view at the chart's size; a
// refusal (too many pixels, say) shows beside the button.
$('export').addEventListener('click', async () => {
  if (!state) return;  // nothing to export yet
  const range = chart.chart.timeScale().getVisibleLogicalRange();
  const box = $('chart').getBoundingClientRect();
  const { minWidth, minHeight } = state.look.limits;
  const size = `width=${Math.max(minWidth, Math.round(box.width))}&height=${Math.max(minHeight, Math.round(box.height))}`;
  const picture = connection.paths.picture;
  const bars = range && { first: Math.round(range.from) + state.first, last: Math.round(range.to) + state.first };
  const url = bars ? `${picture}?first=${bars.first}&last=${bars.last}&${size}` : `${picture}?${size}`;
  let answer;
  try {
    answer = await fetch(url, { cache: 'no-store' });
  } catch {
    connection.lost();
    exportNotice.show('export: the server cannot be reached');
    return;
  }
  if (!answer.ok) {
    exportNotice.show(`export: ${(await answer.text()).trim()}`);
    return;
  }
  exportNotice.clear();
  const link = document.createElement('a');
  link.href = URL.createObjectURL(await answer.blob());
  link.download = 'chart.png';
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), DOWNLOAD_MILLISECONDS);
});

const instruments = await fetchInstruments();
if (instruments) {
  const workspace = new WorkspacePage({
    panel: $('workspace'), fold: $('workspace-fold'), notice: new Notice($('workspace-notice')),
    watchlist: new Watchlist({ table: $('watchlist'), onOpen: (name) => workspace.show(name) }),
    alerts: new AlertList({ list: $('alert-list'), count: $('alert-count'), sound: $('alert-sound'), notice: new Notice($('alert-notice')) }),
    choice: new AlertLinesChoice({
      box: $('alert-lines'), every: $('alert-lines-every'), lines: $('alert-lines-list'), send, notice: new Notice($('alert-lines-notice')),
    }),
    openChart: (name) => openChart(instrumentChart(name), name),
  });
  workspace.start(instruments);
} else {
  openChart(SINGLE_CHART);
}
