// The chart: candles, the level series and the study's drawings drawn from
// the page's state with the chart library; the crosshair legend; panning and
// zooming by mouse and keyboard within the library's limits; a view that
// follows the last bar until the user scrolls away. On a long chart the
// page holds the bars near the view only (the library's logical index 0 is
// the state's `first` bar) and asks for older ones as the view nears them.
// For tests only (the page opened with ?test-hooks), window.__chart records
// what each repaint drew.

import { DrawingsPrimitive } from './drawings.js';
import { LevelsPrimitive } from './levels.js';
import { heldBars } from './state.js';
import { TimeAxisPrimitive } from './timeaxis.js';

// Pixels per bar, for the wheel and the keys alike.
const MIN_BAR_SPACING = 0.5, MAX_BAR_SPACING = 60;
const KEY_ZOOM = 1.25, KEY_PAN_SHARE = 0.1;  // of the bar spacing; of the bars in view
// The view is looked at this long after it moved, so older bars are asked
// for where it settled (the library shows new bars first at a view of its own).
const SETTLE_MILLISECONDS = 100;
// The bars held before the view's right edge: at least this many, and twice
// the bars in view, so panning and zooming out find bars there; older ones
// are asked for when the view comes within a view's width of the first held.
export const HELD_BARS = 5000;

const candleOf = (state, bar) => ({
  time: state.chartTimes[bar],
  open: state.bars.open[bar],
  high: state.bars.high[bar],
  low: state.bars.low[bar],
  close: state.bars.close[bar],
});

function barAtTime(state, time) {
  let low = 0, high = state.chartTimes.length - 1;
  while (low < high) {
    const middle = (low + high + 1) >> 1;
    if (state.chartTimes[middle] <= time) low = middle; else high = middle - 1;
  }
  return low;
}

export class ChartView {
  // legend: { box, summary, levels } elements; hooks: record each repaint in
  // window.__chart; askBars(): the state is wanted again with the bars
  // heldQuery() names; heldAtLeast: HELD_BARS, or fewer for a test.
  constructor({ container, legend, goLatest, hooks, askBars, heldAtLeast = HELD_BARS }) {
    Object.assign(this, { container, legend, goLatest, hooks, askBars, heldAtLeast });
    this.state = null;
    this.olderWanted = 0;  // bars to hold before the right edge, once older ones were asked for
    this.goHome = false;   // the view goes to the first bar once every bar is held
    this.nearing = null;   // the look at the view, due once it has settled
    this.look = null;
    this.hoveredBar = null;
    this.heldTime = null;  // where the view was in time, to show again at the next render
    this.paints = 0;
    this.lastPaint = { series: [], beneath: [], timeMarks: [] };
    if (hooks) window.__chart = { version: -1, paints: 0 };

    const { createChart, CandlestickSeries } = window.LightweightCharts;
    this.chart = createChart(container, {
      autoSize: true,
      grid: { vertLines: { visible: false } },  // the time axis draws its own
      timeScale: {
        tickMarkFormatter: () => '',  // the time axis draws the picture's marks instead
        rightOffset: 2,
        shiftVisibleRangeOnNewBar: true,
        minBarSpacing: MIN_BAR_SPACING,
        maxBarSpacing: MAX_BAR_SPACING,
      },
      localization: {
        timeFormatter: (time) => (this.state ? this.state.bars.dateTime[barAtTime(this.state, time)] : ''),
      },
    });
    this.candles = this.chart.addSeries(CandlestickSeries);
    const record = (key) => (hooks ? (drawn) => { this.lastPaint[key] = drawn; } : null);
    this.drawingsBeneath = new DrawingsPrimitive({ layer: 'beneath', series: this.candles, onPainted: record('beneath') });
    this.chart.panes()[0].attachPrimitive(this.drawingsBeneath);
    this.levels = new LevelsPrimitive(record('series'));
    this.candles.attachPrimitive(this.levels);
    this.drawings = new DrawingsPrimitive({ layer: 'above', onPainted: hooks ? (drawn) => this.painted(drawn) : null });
    this.candles.attachPrimitive(this.drawings);
    this.timeAxis = new TimeAxisPrimitive(hooks ? (drawn) => {
      this.lastPaint.timeMarks = drawn;
      window.__chart.timeMarks = drawn;  // the axis is painted after the chart's pane
    } : null);
    this.candles.attachPrimitive(this.timeAxis);

    this.chart.subscribeCrosshairMove((param) => {
      this.hoveredBar = param.logical === undefined || !this.state ? null
        : Math.max(0, Math.min(Math.round(param.logical), heldBars(this.state) - 1));
      this.showLegend();
    });
    this.chart.timeScale().subscribeVisibleLogicalRangeChange(() => {
      this.showGoLatest();
      this.nearing ??= setTimeout(() => {
        this.nearing = null;
        this.askOlderWhenNear();
      }, SETTLE_MILLISECONDS);
    });
    goLatest.addEventListener('click', () => this.chart.timeScale().scrollToRealTime());
    container.addEventListener('keydown', (event) => this.onKey(event));
  }

  // `change`: the first bar whose candle differs from what is drawn, or null
  // when everything is new; `fresh`: the state is another chart altogether
  // (the server was started anew), shown as the first one was.
  render(state, change, fresh = false) {
    const previous = fresh ? null : this.state;
    const timePosition = previous ? this.heldTime : null;
    this.heldTime = null;
    // A whole state that came with the older bars asked for keeps the view on
    // its bars (the library keeps the view's distance from the last bar).
    const keepView = change === null && this.olderWanted > 0;
    if (change === null) this.olderWanted = 0;
    this.state = state;
    if (state.look !== this.look) this.showLook(state.look);
    if (previous && change !== null && change >= previous.barCount - 1 && state.barCount >= previous.barCount &&
        state.first === previous.first) {
      for (let bar = Math.min(change, previous.barCount - 1); bar < state.barCount; bar += 1) {
        this.candles.update(candleOf(state, bar - state.first));
      }
    } else {
      const precision = state.valueFormat;
      this.candles.applyOptions({ priceFormat: { type: 'price', precision, minMove: 10 ** -precision } });
      this.candles.setData(state.chartTimes.map((_, bar) => candleOf(state, bar)));
    }
    this.levels.setState(state);
    this.drawingsBeneath.setDrawings(state.drawings, state.first);
    this.drawings.setDrawings(state.drawings, state.first);
    if (!previous || change === null || state.barCount !== previous.barCount) this.timeAxis.barsChanged(state);
    // A new frame from a recalculation (not from new bars) is shown as the
    // picture shows it, unless the user has scrolled away.
    const newFrame = previous && state.barCount === previous.barCount &&
      (state.window.firstBar !== previous.window.firstBar || state.window.lastBar !== previous.window.lastBar);
    const showFrame = !previous || (!keepView && (change === null || newFrame) && !this.scrolledAway(previous));
    if (timePosition) this.showTimePosition(timePosition);
    else if (showFrame) this.showWindow(state.window);
    if (this.goHome && state.first === 0) this.showFirstBars();
    this.showLegend();
    this.showGoLatest();
  }

  // The bars to ask the state for, as its query: HELD_BARS (or twice the bars
  // in view, or those held, or as many as were asked for) before the view's
  // right edge, to the last bar; before anything is shown, the last HELD_BARS.
  heldQuery() {
    const state = this.state;
    const range = this.chart.timeScale().getVisibleLogicalRange();
    if (!state || !range || heldBars(state) === 0) return `bars=${this.heldAtLeast}`;
    const last = heldBars(state) - 1;
    const right = Math.max(0, Math.min(Math.ceil(range.to), last));
    const count = Math.ceil(Math.max(this.heldAtLeast, 2 * (range.to - range.from), right + 1, this.olderWanted));
    const end = this.scrolledAway() && right < last ? state.bars.time[right + 1] : null;
    return end === null ? `bars=${count}` : `bars=${count}&until=${Math.ceil(end)}`;
  }

  // The view within its width of the first bar held, older bars are asked
  // for (once, until they come): twice as many as are held before its right edge.
  askOlderWhenNear() {
    const state = this.state;
    const range = this.chart.timeScale().getVisibleLogicalRange();
    if (!state || !range || state.first === 0 || this.olderWanted > 0) return;
    if (range.from > range.to - range.from) return;
    this.olderWanted = 2 * Math.max(1, Math.ceil(range.to));
    this.askBars();
  }

  // Home: the chart's first bar, once every bar is held.
  showFirstBars() {
    const range = this.chart.timeScale().getVisibleLogicalRange();
    const span = range ? range.to - range.from : this.heldAtLeast;
    this.goHome = false;
    this.chart.timeScale().setVisibleLogicalRange({ from: -0.5, to: span - 0.5 });
  }

  // Another chart is opened: its first state is asked for as on a first load.
  forget() {
    this.state = null;
    this.olderWanted = 0;
    this.goHome = false;
  }

  // The picture's colours, font and time axis height (a whole state's; updates keep it).
  showLook(look) {
    this.look = look;
    const { colours } = look;
    this.chart.applyOptions({
      layout: { background: { color: colours.background }, textColor: colours.text, fontFamily: `"${look.font}", sans-serif` },
      grid: { horzLines: { color: colours.grid } },
      timeScale: { minimumHeight: look.axes.timeAxisHeight },
    });
    const up = colours.upCandle, down = colours.downCandle;
    this.candles.applyOptions({
      upColor: up, downColor: down, borderUpColor: up, borderDownColor: down, wickUpColor: up, wickDownColor: down,
    });
    this.timeAxis.setLook(look);
    this.drawingsBeneath.setLook(look);
    this.drawings.setLook(look);
  }

  // The current frame, as the picture first shows it.
  showWindow(window) {
    const first = this.state.first;
    this.chart.timeScale().setVisibleLogicalRange({ from: window.firstBar - first - 0.5, to: window.lastBar - first + 0.5 });
  }

  // Called before a state of another timeframe replaces the one drawn (its
  // bars change in place): the next render shows the same time. Kept: the
  // end of the bar at the view's right edge (null: the latest bar was in
  // view), how far past that bar the edge lies, and how many bars it spans.
  holdTime() {
    const state = this.state;
    const range = this.chart.timeScale().getVisibleLogicalRange();
    const last = state ? heldBars(state) - 1 : -1;
    if (!range || last < 0) return;
    const right = Math.max(0, Math.min(Math.round(range.to), last));
    const latest = !this.scrolledAway() && range.to >= last;
    this.heldTime = { end: latest ? null : state.chartTimes[right + 1] ?? null, past: range.to - right, span: range.to - range.from };
  }

  // The view at a time position, keeping its bar spacing: its right edge on
  // the bar that holds the same time (the latest bar when it was in view).
  showTimePosition({ end, past, span }) {
    const last = heldBars(this.state) - 1;
    const right = end === null ? last : barAtTime(this.state, end - 1);
    this.chart.timeScale().setVisibleLogicalRange({ from: right + past - span, to: right + past });
  }

  // The last bar (of `state`: the one drawn, or the one before it while bars
  // are handed over) lies outside the bars in view.
  scrolledAway(state = this.state) {
    const range = this.inBars(this.chart.timeScale().getVisibleLogicalRange());
    const last = state ? state.barCount - 1 : -1;
    return Boolean(range && last >= 0 && (range.to < last || range.from > last));
  }

  showGoLatest() { this.goLatest.hidden = !this.scrolledAway(); }

  // The bar under the crosshair (else the last bar) on the legend's line,
  // and its levels in the legend's fold; every text set as text.
  showLegend() {
    const state = this.state;
    if (!state || heldBars(state) === 0) return;
    const bar = Math.min(this.hoveredBar ?? Infinity, heldBars(state) - 1);
    const fixed = (value) => (value === null || value === undefined ? '–' : value.toFixed(state.valueFormat));
    const b = state.bars;
    this.legend.summary.textContent = `bar ${state.first + bar} · ${b.dateTime[bar]} · O ${fixed(b.open[bar])} ` +
      `H ${fixed(b.high[bar])} L ${fixed(b.low[bar])} C ${fixed(b.close[bar])}`;
    this.legend.levels.replaceChildren(...state.series.flatMap((series) => {
      const name = document.createElement('span');
      const swatch = document.createElement('span');
      swatch.className = 'swatch';
      swatch.style.background = series.pen.colour;
      name.append(swatch, series.name);
      const value = document.createElement('span');
      value.textContent = fixed(series.values[bar]);
      return [name, value];
    }));
    this.legend.box.dataset.bar = String(state.first + bar);
  }

  // Keys pan and zoom as the mouse does, within the same limits: zooming
  // stops at the bar spacing where the wheel stops, centred on the view;
  // the library keeps some bars in view however far one pans.
  onKey(event) {
    const timeScale = this.chart.timeScale();
    const range = timeScale.getVisibleLogicalRange();
    if (!range) return;
    const span = range.to - range.from;
    // The library counts both ends in: `width` pixels hold span + 1 bars.
    const zoom = (factor) => {
      const spacing = timeScale.width() / (span + 1);
      const next = Math.min(MAX_BAR_SPACING, Math.max(MIN_BAR_SPACING, spacing * factor));
      const half = (timeScale.width() / next - 1) / 2, centre = (range.from + range.to) / 2;
      if (Math.abs(next - spacing) > 1e-9) timeScale.setVisibleLogicalRange({ from: centre - half, to: centre + half });
    };
    const pan = (share) => timeScale.scrollToPosition(timeScale.scrollPosition() + span * share, false);
    const moves = {
      ArrowLeft: () => pan(-KEY_PAN_SHARE),
      ArrowRight: () => pan(KEY_PAN_SHARE),
      '+': () => zoom(KEY_ZOOM),
      '=': () => zoom(KEY_ZOOM),
      '-': () => zoom(1 / KEY_ZOOM),
      Home: () => this.home(),
      End: () => timeScale.scrollToRealTime(),
    };
    if (!moves[event.key]) return;
    moves[event.key]();
    event.preventDefault();
  }

  // The chart's first bar; when older bars than those held are wanted, once they came.
  home() {
    if (this.state && this.state.first > 0) {
      this.goHome = true;
      this.olderWanted = this.state.barCount;
      this.askBars();
    } else {
      this.showFirstBars();
    }
  }

  // A logical range of the chart library in the chart's bar numbers.
  inBars(range) {
    const first = this.state ? this.state.first : 0;
    return range && { from: range.from + first, to: range.to + first };
  }

  // The drawings above the bars are painted last in each repaint: the model
  // of what was drawn is complete.
  painted(above) {
    this.paints += 1;
    const state = this.state;
    const timeScale = this.chart.timeScale();
    const paintedAt = performance.now();
    if (state && !this.firstPaintAt) this.firstPaintAt = paintedAt;
    window.__chart = {
      instance: state ? state.instance : null,
      version: state ? state.version : -1,
      paints: this.paints,
      paintedAt,
      firstPaintAt: this.firstPaintAt,
      barCount: state ? state.barCount : 0,
      first: state ? state.first : 0,
      candles: this.candles.data().length,
      frame: state ? state.frame : null,
      visible: this.inBars(timeScale.getVisibleLogicalRange()),
      series: this.lastPaint.series,
      drawings: [...this.lastPaint.beneath, ...above],
      timeMarks: this.lastPaint.timeMarks,
      timeMarksWindow: this.timeAxis.window,
      buttons: [...document.querySelectorAll('#control-bar button')].map((button) => ({
        number: Number(button.dataset.number),
        label: button.textContent,
        hover: button.title,
        pressed: button.getAttribute('aria-pressed') === 'true',
      })),
      state,  // the page's own state object, as drawn
      visibleNow: () => this.inBars(timeScale.getVisibleLogicalRange()),
      barToX: (bar) => timeScale.logicalToCoordinate(bar - (state ? state.first : 0)),
      priceToY: (price) => this.candles.priceToCoordinate(price),
    };
  }
}
