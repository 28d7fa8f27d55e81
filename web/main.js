// Wires the page: the server's state feeds the chart, the controls and the replay.

import { ChartView } from './chart.js';
import { Controls } from './controls.js';
import { ReplayControls } from './replay.js';
import { followChart } from './server.js';
import { fromSnapshot, withUpdate } from './state.js';

const $ = (id) => document.getElementById(id);
const status = $('status');
const report = (text) => { status.textContent = text; };

const chart = new ChartView($('chart'), $('legend'), $('go-latest'));
const controls = new Controls({
  bar: $('control-bar'), title: $('title'), inputs: $('settings-inputs'), subgraphs: $('settings-subgraphs'), report,
});
const replay = new ReplayControls({
  play: $('replay-play'), step: $('replay-step'), speed: $('replay-speed'),
  startBar: $('replay-start-bar'), start: $('replay-start'), status: $('replay-status'), report,
});

let state = null;
let drawnCount = null;  // bars drawn so far; null: nothing drawn yet

// The chart library gathers the changes of one frame into one repaint, so
// each state is handed over at once.
function draw(from) {
  chart.render(state, drawnCount === null || from === null ? null : Math.min(from, drawnCount));
  controls.render(state);
  replay.render(state);
  drawnCount = state.barCount;
}

followChart({
  onSnapshot: (snapshot) => {
    state = fromSnapshot(snapshot);
    draw(null);
  },
  onUpdate: (update) => {
    state = withUpdate(state, update);
    draw(update.barsFrom);
  },
  onNote: report,
});

// The exported picture shows the bars in view at the chart's size.
$('export').addEventListener('click', () => {
  const range = chart.chart.timeScale().getVisibleLogicalRange();
  const box = $('chart').getBoundingClientRect();
  const size = `width=${Math.max(200, Math.round(box.width))}&height=${Math.max(150, Math.round(box.height))}`;
  $('export').href = range
    ? `/picture.png?first=${Math.round(range.from)}&last=${Math.round(range.to)}&${size}`
    : `/picture.png?${size}`;
});
