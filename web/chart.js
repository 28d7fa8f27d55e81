// The chart: candles, the level series and the study's drawings drawn from
// the page's state with the chart library; the crosshair legend; panning and
// zooming by mouse and keyboard; a view that follows the last bar until the
// user scrolls away. After every repaint, window.__chart records what was drawn.

import { DrawingsPrimitive } from './drawings.js';
import { LevelsPrimitive } from './levels.js';
import { dateTimeText } from './state.js';
import { TIME_AXIS_HEIGHT, TimeAxisPrimitive } from './timeaxis.js';

const UP = '#26A65B', DOWN = '#DE3D3D';  // the picture's candle colours

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
  constructor(container, legend, goLatest) {
    this.container = container;
    this.legend = legend;
    this.goLatest = goLatest;
    this.state = null;
    this.hoveredBar = null;
    this.paints = 0;
    this.lastPaint = { series: [], drawings: [], timeMarks: [] };
    window.__chart = { version: -1, paints: 0 };

    const { createChart, CandlestickSeries } = window.LightweightCharts;
    this.chart = createChart(container, {
      autoSize: true,
      layout: { background: { color: '#FFFFFF' }, textColor: '#323741', fontFamily: '"DejaVu Sans", sans-serif' },
      grid: { vertLines: { visible: false }, horzLines: { color: '#ECEEF1' } },  // the time axis draws its own
      timeScale: {
        tickMarkFormatter: () => '',  // the time axis draws the picture's marks instead
        minimumHeight: TIME_AXIS_HEIGHT,
        rightOffset: 2,
        shiftVisibleRangeOnNewBar: true,
      },
      localization: {
        timeFormatter: (time) => (this.state ? dateTimeText(this.state.bars.time[barAtTime(this.state, time)]) : ''),
      },
    });
    this.candles = this.chart.addSeries(CandlestickSeries, {
      upColor: UP, downColor: DOWN, borderUpColor: UP, borderDownColor: DOWN, wickUpColor: UP, wickDownColor: DOWN,
    });
    this.levels = new LevelsPrimitive((drawn) => { this.lastPaint.series = drawn; });
    this.candles.attachPrimitive(this.levels);
    this.drawings = new DrawingsPrimitive((drawn) => this.painted(drawn));
    this.candles.attachPrimitive(this.drawings);
    this.timeAxis = new TimeAxisPrimitive((drawn) => {
      this.lastPaint.timeMarks = drawn;
      window.__chart.timeMarks = drawn;  // the axis is painted after the chart's pane
    });
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
  // when everything is new.
  render(state, change) {
    const previous = this.state;
    this.state = state;
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
    this.drawings.setDrawings(state.drawings);
    if (!previous || change === null || state.barCount !== previous.barCount) this.timeAxis.barsChanged(state.barCount);
    // A new frame from a recalculation (not from new bars) is shown as the
    // picture shows it, unless the user has scrolled away.
    const newFrame = previous && state.barCount === previous.barCount &&
      (state.window.firstBar !== previous.window.firstBar || state.window.lastBar !== previous.window.lastBar);
    if (!previous || ((change === null || newFrame) && !this.scrolledAway(previous))) this.showWindow(state.window);
    this.showLegend();
    this.showGoLatest();
  }

  // The current frame, as the picture first shows it.
  showWindow(window) {
    this.chart.timeScale().setVisibleLogicalRange({ from: window.firstBar - 0.5, to: window.lastBar + 0.5 });
  }

  scrolledAway(state = this.state) {
    const range = this.chart.timeScale().getVisibleLogicalRange();
    return Boolean(range && state && range.to < state.barCount - 1);
  }

  showGoLatest() { this.goLatest.hidden = !this.scrolledAway(); }

  showLegend() {
    const state = this.state;
    if (!state || state.barCount === 0) return;
    const bar = this.hoveredBar ?? state.barCount - 1;
    const fixed = (value) => (value === null || value === undefined ? '–' : value.toFixed(state.valueFormat));
    const b = state.bars;
    const levels = state.series.map((series) => `<span><span class="swatch" style="background:${series.pen.colour}"></span>${series.name}</span><span>${fixed(series.values[bar])}</span>`).join('');
    this.legend.innerHTML = `<div>bar ${bar} · ${dateTimeText(b.time[bar])} · O ${fixed(b.open[bar])} H ${fixed(b.high[bar])} L ${fixed(b.low[bar])} C ${fixed(b.close[bar])}</div><div class="levels">${levels}</div>`;
    this.legend.dataset.bar = String(bar);
  }

  onKey(event) {
    const timeScale = this.chart.timeScale();
    const range = timeScale.getVisibleLogicalRange();
    if (!range) return;
    const span = range.to - range.from;
    const centre = (range.from + range.to) / 2;
    const moves = {
      ArrowLeft: () => ({ from: range.from - span / 10, to: range.to - span / 10 }),
      ArrowRight: () => ({ from: range.from + span / 10, to: range.to + span / 10 }),
      '+': () => ({ from: centre - span / 2.5, to: centre + span / 2.5 }),
      '=': () => ({ from: centre - span / 2.5, to: centre + span / 2.5 }),
      '-': () => ({ from: centre - span * 0.625, to: centre + span * 0.625 }),
      Home: () => ({ from: -0.5, to: span - 0.5 }),
    };
    if (event.key === 'End') {
      timeScale.scrollToRealTime();
    } else if (moves[event.key]) {
      timeScale.setVisibleLogicalRange(moves[event.key]());
    } else {
      return;
    }
    event.preventDefault();
  }

  // The drawings are painted last in each repaint: the model of what was drawn is complete.
  painted(drawings) {
    this.paints += 1;
    this.lastPaint.drawings = drawings;
    const state = this.state;
    const timeScale = this.chart.timeScale();
    const paintedAt = performance.now();
    if (state && !this.firstPaintAt) this.firstPaintAt = paintedAt;
    window.__chart = {
      version: state ? state.version : -1,
      paints: this.paints,
      paintedAt,
      firstPaintAt: this.firstPaintAt,
      barCount: state ? state.barCount : 0,
      candles: this.candles.data().length,
      frame: state ? state.frame : null,
      visible: timeScale.getVisibleLogicalRange(),
      series: this.lastPaint.series,
      drawings: drawings,
      timeMarks: this.lastPaint.timeMarks,
      timeMarksWindow: this.timeAxis.window,
      buttons: [...document.querySelectorAll('#control-bar button')].map((button) => ({
        number: Number(button.dataset.number),
        label: button.textContent,
        hover: button.title,
        pressed: button.getAttribute('aria-pressed') === 'true',
      })),
      barToX: (bar) => timeScale.logicalToCoordinate(bar),
      priceToY: (price) => this.candles.priceToCoordinate(price),
    };
  }
}
