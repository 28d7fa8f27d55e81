// The time axis: the picture's own marks, which the server chooses for the
// bars in view at the chart's bar spacing (GET /api/timemarks), each drawn as
// the picture draws it: a tick, its text with a second line under it (the
// date at day changes, the year at the first mark), and a grid line across
// the chart. The chart library's own tick labels and vertical grid are hidden.

const ASK_AFTER_MILLISECONDS = 100;  // changes within this time make one request
const TICK_LENGTH = 4, TEXT_TOP = TICK_LENGTH + 2, LEFT_MARGIN = 2;
const FONT = '11px "DejaVu Sans", sans-serif';
const TEXT_COLOUR = '#323741', TICK_COLOUR = '#BEC3CA', GRID_COLOUR = '#ECEEF1';  // the picture's
export const TIME_AXIS_HEIGHT = 38;  // the picture's: room for two lines

export class TimeAxisPrimitive {
  // onPainted(marks), when given: after each repaint of the axis, the marks drawn, each with its pixel x.
  constructor(onPainted = null) {
    this.onPainted = onPainted;
    this.barCount = 0;
    this.marks = [];
    this.window = null;      // the window the marks are for: { first, last, width }
    this.barsSeen = 0;       // counts the changes of the bars' date-times
    this.answered = null;    // what the marks answer: the bars seen and the query
    this.timer = null;
    this.asking = false;
    this.askAgain = false;
    this.refresh = () => this.askSoon();
    const grid = { draw: (target) => this.drawGrid(target) };
    const axis = { draw: (target) => this.drawAxis(target) };
    this.gridView = { renderer: () => grid, zOrder: () => 'bottom' };
    this.axisView = { renderer: () => axis };
  }

  attached({ chart, requestUpdate }) {
    Object.assign(this, { chart, requestUpdate });
    chart.timeScale().subscribeVisibleLogicalRangeChange(this.refresh);
    chart.timeScale().subscribeSizeChange(this.refresh);
  }

  detached() {
    this.chart.timeScale().unsubscribeVisibleLogicalRangeChange(this.refresh);
    this.chart.timeScale().unsubscribeSizeChange(this.refresh);
    clearTimeout(this.timer);
    this.chart = this.requestUpdate = null;
  }

  paneViews() { return [this.gridView]; }
  timeAxisPaneViews() { return [this.axisView]; }

  // The bars' date-times changed (new bars, or all of them): the marks are asked for again.
  barsChanged(barCount) {
    this.barCount = barCount;
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
        if (this.requestUpdate) this.requestUpdate();
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
      const response = await fetch(`/api/timemarks?${query}`, { cache: 'no-store' });
      return response.ok ? await response.json() : null;
    } catch {
      return null;  // the server is gone or restarting: the marks stay until it answers
    }
  }

  // The bars whose middles are in view, and the pixels they span at the chart's bar spacing.
  windowInView() {
    const timeScale = this.chart.timeScale();
    const range = timeScale.getVisibleLogicalRange();
    if (!range || this.barCount === 0) return null;
    const first = Math.max(0, Math.ceil(range.from)), last = Math.min(this.barCount - 1, Math.floor(range.to));
    if (first > last) return null;
    const spacing = timeScale.logicalToCoordinate(1) - timeScale.logicalToCoordinate(0);
    return { first, last, width: Math.max(1, Math.round(spacing * (last - first + 1))) };
  }

  placed() {
    const timeScale = this.chart && this.chart.timeScale();
    if (!timeScale) return [];
    return this.marks.map((mark) => ({ ...mark, x: timeScale.logicalToCoordinate(mark.bar) }))
      .filter((mark) => mark.x !== null);
  }

  drawGrid(target) {
    target.useBitmapCoordinateSpace(({ context, bitmapSize, horizontalPixelRatio: hr }) => {
      context.fillStyle = GRID_COLOUR;
      const width = Math.max(1, Math.floor(hr));
      for (const mark of this.placed()) context.fillRect(Math.round(mark.x * hr - width / 2), 0, width, bitmapSize.height);
    });
  }

  // Each text centred on its tick, pushed in rather than cut off at the left edge.
  drawAxis(target) {
    const drawn = [];
    target.useMediaCoordinateSpace(({ context }) => {
      context.font = FONT;
      context.textBaseline = 'top';
      context.textAlign = 'left';
      const metrics = context.measureText('Hg');
      const lineHeight = metrics.fontBoundingBoxAscent + metrics.fontBoundingBoxDescent;
      for (const mark of this.placed()) {
        context.fillStyle = TICK_COLOUR;
        context.fillRect(Math.floor(mark.x), 0, 1, TICK_LENGTH);
        const lines = mark.under ? [mark.text, mark.under] : [mark.text];
        const widths = lines.map((line) => context.measureText(line).width);
        const shift = Math.max(0, LEFT_MARGIN - (mark.x - Math.max(...widths) / 2));
        context.fillStyle = TEXT_COLOUR;
        lines.forEach((line, i) => context.fillText(line, mark.x - widths[i] / 2 + shift, TEXT_TOP + i * lineHeight));
        drawn.push(mark);
      }
    });
    if (this.onPainted) this.onPainted(drawn);
  }
}
