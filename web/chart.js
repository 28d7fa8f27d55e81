// The chart: candles, the level series and the study's drawings drawn from
// the page's state with the chart library; the crosshair legend; panning and
// zooming by mouse and keyboard within the library's limits; a view that
// follows the last bar until the user scrolls away. For tests only (the page
// opened with ?test-hooks), window.__chart records what each repaint drew.

import { DrawingsPrimitive } from './drawings.js';
import { LevelsPrimitive } from './levels.js';
import { TimeAxisPrimitive } from './timeaxis.js';

// Pixels per bar, for the wheel and the keys alike.
const MIN_BAR_SPACING = 0.5, MAX_BAR_SPACING = 60;
const KEY_ZOOM = 1.25, KEY_PAN_SHARE = 0.1;  // of the bar spacing; of the bars in view

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
  // legend: { box, summary, levels } elements; hooks: record each repaint in window.__chart.
  constructor({ container, legend, goLatest, hooks }) {
    Object.assign(this, { container, legend, goLatest, hooks });
    this.state = null;
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
        : Math.max(0, Math.min(Math.round(param.logical), this.state.barCount - 1));
      this.showLegend();
    });
    this.chart.timeScale().subscribeVisibleLogicalRangeChange(() => this.showGoLatest());
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
    this.state = state;
    if (state.look !== this.look) this.showLook(state.look);
    if (previous && change !== null && change >= previous.barCount - 1 && state.barCount >= previous.barCount) {
      for (let bar = Math.min(change, previous.barCount - 1); bar < state.barCount; bar += 1) {
        this.candles.update(candleOf(state, bar));
      }
    } else {
      const precision = state.valueFormat;
      this.candles.applyOptions({ priceFormat: { type: 'price', precision, minMove: 10 ** -precision } });
      this.candles.setData(state.chartTimes.map((_, bar) => candleOf(state, bar)));
    }
    this.levels.setState(state);
    this.drawingsBeneath.setDrawings(state.drawings);
    this.drawings.setDrawings(state.drawings);
    if (!previous || change === null || state.barCount !== previous.barCount) this.timeAxis.barsChanged(state.barCount);
    // A new frame from a recalculation (not from new bars) is shown as the
    // picture shows it, unless the user has scrolled away.
    const newFrame = previous && state.barCount === previous.barCount &&
      (state.window.firstBar !== previous.window.firstBar || state.window.lastBar !== previous.window.lastBar);
    if (timePosition) this.showTimePosition(timePosition);
    else if (!previous || ((change === null || newFrame) && !this.scrolledAway(previous))) this.showWindow(state.window);
    this.showLegend();
    this.showGoLatest();
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
    this.chart.timeScale().setVisibleLogicalRange({ from: window.firstBar - 0.5, to: window.lastBar + 0.5 });
  }

  // Called before a state of another timeframe replaces the one drawn (its
  // bars change in place): the next render shows the same time. Kept: the
  // end of the bar at the view's right edge (null: the latest bar was in
  // view), how far past that bar the edge lies, and how many bars it spans.
  holdTime() {
    const state = this.state;
    const range = this.chart.timeScale().getVisibleLogicalRange();
    const last = state ? state.barCount - 1 : -1;
    if (!range || last < 0) return;
    const right = Math.max(0, Math.min(Math.round(range.to), last));
    const latest = !this.scrolledAway() && range.to >= last;
    this.heldTime = { end: latest ? null : state.chartTimes[right + 1] ?? null, past: range.to - right, span: range.to - range.from };
  }

  // The view at a time position, keeping its bar spacing: its right edge on
  // the bar that holds the same time (the latest bar when it was in view).
  showTimePosition({ end, past, span }) {
    const last = this.state.barCount - 1;
    const right = end === null ? last : barAtTime(this.state, end - 1);
    this.chart.timeScale().setVisibleLogicalRange({ from: right + past - span, to: right + past });
  }

  // The last bar lies outside the bars in view.
  scrolledAway(state = this.state) {
    const range = this.chart.timeScale().getVisibleLogicalRange();
    const last = state ? state.barCount - 1 : -1;
    return Boolean(range && last >= 0 && (range.to < last || range.from > last));
  }

  showGoLatest() { this.goLatest.hidden = !this.scrolledAway(); }

  // The bar under the crosshair (else the last bar) on the legend's line,
  // and its levels in the legend's fold; every text set as text.
  showLegend() {
    const state = this.state;
    if (!state || state.barCount === 0) return;
    const bar = Math.min(this.hoveredBar ?? Infinity, state.barCount - 1);
    const fixed = (value) => (value === null || value === undefined ? '–' : value.toFixed(state.valueFormat));
    const b = state.bars;
    this.legend.summary.textContent = `bar ${bar} · ${b.dateTime[bar]} · O ${fixed(b.open[bar])} ` +
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
    this.legend.box.dataset.bar = String(bar);
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
      Home: () => timeScale.setVisibleLogicalRange({ from: -0.5, to: span - 0.5 }),
      End: () => timeScale.scrollToRealTime(),
    };
    if (!moves[event.key]) return;
    moves[event.key]();
    event.preventDefault();
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
      candles: this.candles.data().length,
      frame: state ? state.frame : null,
      visible: timeScale.getVisibleLogicalRange(),
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
      visibleNow: () => timeScale.getVisibleLogicalRange(),
      barToX: (bar) => timeScale.logicalToCoordinate(bar),
      priceToY: (price) => this.candles.priceToCoordinate(price),
    };
  }
}
