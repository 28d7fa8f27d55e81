// The time axis: the picture's own marks, which the server chooses for the
// bars in view at the chart's bar spacing (GET timemarks among the chart's
// routes, `api`, which the page sets to the chart shown), each drawn as
// the picture draws it: a tick, its text with a second line under it (the
// date at day changes, the year at the first mark), and a grid line across
// the chart, in the picture's colours and metrics (the state's look). The
// chart library's own tick labels and vertical grid are hidden.

import { fontOf } from './look.js';
import { ChartPrimitive } from './primitive.js';

const ASK_AFTER_MILLISECONDS = 100;  // changes within this time make one request

// Its pane view is the grid, beneath everything; the axis is a view of its own.
export class TimeAxisPrimitive extends ChartPrimitive {
  // onPainted(marks), when given: after each repaint of the axis, the marks drawn, each with its pixel x.
  constructor(onPainted = null) {
    super('bottom');
    this.onPainted = onPainted;
    this.api = '/api';       // where the chart's routes are
    this.look = null;        // the picture's, from the state: nothing is drawn without it
    this.barCount = 0;
    this.first = 0;          // the bar at the chart library's logical index 0
    this.marks = [];
    this.window = null;      // the window the marks are for: { first, last, width }
    this.barsSeen = 0;       // counts the changes of the bars' date-times
    this.answered = null;    // what the marks answer: the bars seen and the query
    this.timer = null;
    this.asking = false;
    this.askAgain = false;
    this.refresh = () => this.askSoon();
    const axis = { draw: (target) => this.drawAxis(target) };
    this.axisView = { renderer: () => axis };
  }

  attached(params) {
    super.attached(params);
    params.chart.timeScale().subscribeVisibleLogicalRangeChange(this.refresh);
    params.chart.timeScale().subscribeSizeChange(this.refresh);
  }

  detached() {
    this.chart.timeScale().unsubscribeVisibleLogicalRangeChange(this.refresh);
    this.chart.timeScale().unsubscribeSizeChange(this.refresh);
    clearTimeout(this.timer);
    super.detached();
  }

  timeAxisPaneViews() { return [this.axisView]; }

  setLook(look) {
    this.look = look;
    this.repaint();
  }

  // The bars' date-times changed (new bars, or all of them): the marks are asked for again.
  barsChanged({ barCount, first }) {
    Object.assign(this, { barCount, first });
    this.barsSeen += 1;
    this.askSoon();
  }

  // One request at a time, at most one per ASK_AFTER_MILLISECONDS; a change
  // while one is out asks again after its answer, so the last answer is for the last view.
  askSoon() {
    if (this.timer === null) this.timer = setTimeout(() => { this.timer = null; this.ask(); }, ASK_AFTER_MILLISECONDS);
  }

  async ask() {
    if (this.asking) {
      this.askAgain = true;
      return;
    }
    const view = this.chart && this.windowInView();
    const query = view && `first=${view.first}&last=${view.last}&width=${view.width}`;
    const asked = `${this.barsSeen} ${query}`;
    if (asked === this.answered) return;
    this.asking = true;
    try {
      const marks = view ? await this.fetchMarks(query) : [];
      if (marks) {
        Object.assign(this, { marks, window: view, answered: asked });
        this.repaint();
      }
    } finally {
      this.asking = false;
      if (this.askAgain) {
        this.askAgain = false;
        this.askSoon();
      }
    }
  }

  async fetchMarks(query) {
    try {
      const response = await fetch(`${this.api}/timemarks?${query}`, { cache: 'no-store' });
      return response.ok ? await response.json() : null;
    } catch {
      return null;  // the server is gone or restarting: the marks stay until it answers
    }
  }

  // The bars whose middles are in view (of those held), and the pixels they span at the chart's bar spacing.
  windowInView() {
    const timeScale = this.chart.timeScale();
    const range = timeScale.getVisibleLogicalRange();
    if (!range || this.barCount === 0) return null;
    const first = Math.max(this.first, Math.ceil(range.from) + this.first);
    const last = Math.min(this.barCount - 1, Math.floor(range.to) + this.first);
    if (first > last) return null;
    const spacing = timeScale.logicalToCoordinate(1) - timeScale.logicalToCoordinate(0);
    return { first, last, width: Math.max(1, Math.round(spacing * (last - first + 1))) };
  }

  placed() {
    const timeScale = this.chart && this.chart.timeScale();
    if (!timeScale || !this.look) return [];
    return this.marks.map((mark) => ({ ...mark, x: timeScale.logicalToCoordinate(mark.bar - this.first) }))
      .filter((mark) => mark.x !== null);
  }

  // The grid: a line across the pane at each mark.
  draw(target) {
    if (!this.look) return;
    target.useBitmapCoordinateSpace(({ context, bitmapSize, horizontalPixelRatio: hr }) => {
      context.fillStyle = this.look.colours.grid;
      const width = Math.max(1, Math.floor(hr));
      for (const mark of this.placed()) context.fillRect(Math.round(mark.x * hr - width / 2), 0, width, bitmapSize.height);
    });
  }

  // Each text centred on its tick, pushed in rather than cut off at the left edge.
  drawAxis(target) {
    const drawn = [];
    const { axes, colours } = this.look ?? { axes: null, colours: null };
    target.useMediaCoordinateSpace(({ context }) => {
      if (!axes) return;
      context.font = fontOf(this.look, axes.fontPixels);
      context.textBaseline = 'top';
      context.textAlign = 'left';
      const metrics = context.measureText('Hg');
      const lineHeight = metrics.fontBoundingBoxAscent + metrics.fontBoundingBoxDescent;
      for (const mark of this.placed()) {
        context.fillStyle = colours.axisLine;
        context.fillRect(Math.floor(mark.x), 0, 1, axes.tickLength);
        const lines = mark.under ? [mark.text, mark.under] : [mark.text];
        const widths = lines.map((line) => context.measureText(line).width);
        const shift = Math.max(0, axes.timeTextMargin - (mark.x - Math.max(...widths) / 2));
        const top = axes.tickLength + axes.timeTextGap;
        context.fillStyle = colours.text;
        lines.forEach((line, i) => context.fillText(line, mark.x - widths[i] / 2 + shift, top + i * lineHeight));
        drawn.push(mark);
      }
    });
    if (this.onPainted) this.onPainted(drawn);
  }
}
