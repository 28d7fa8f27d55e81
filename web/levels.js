// The thirteen level series, drawn straight from the page's state on the
// candles' pane (no per-bar items to hand to the chart library, so a
// recalculation costs no more than a repaint). How a series shows (a line
// through its values or a dash per bar, its pen) comes placed from the
// server; this only maps bars and prices to pixels.

import { strokeStyle } from './pens.js';
import { ChartPrimitive } from './primitive.js';
import { heldBars } from './state.js';

export class LevelsPrimitive extends ChartPrimitive {
  // onPainted(drawn), when given: after each repaint, each series' runs and dashes drawn.
  constructor(onPainted = null) {
    super();
    this.state = null;
    this.onPainted = onPainted;
  }

  setState(state) {
    this.state = state;
    this.repaint();
  }

  // The price scale takes in the shown levels of the visible bars.
  autoscaleInfo(firstLogical, lastLogical) {
    const state = this.state;
    if (!state) return null;
    let low = Infinity, high = -Infinity;
    const first = Math.max(0, Math.floor(firstLogical)), last = Math.min(heldBars(state) - 1, Math.ceil(lastLogical));
    for (const series of state.series) {
      if (!series.shown) continue;
      for (let bar = first; bar <= last; bar += 1) {
        const value = series.values[bar];
        if (value === null) continue;
        if (value < low) low = value;
        if (value > high) high = value;
      }
    }
    return low <= high ? { priceRange: { minValue: low, maxValue: high } } : null;
  }

  // Each run of values: a line through them, or a dash when it has one value
  // (every value is a run of its own for a series drawn as dashes).
  draw(target) {
    const state = this.state;
    const drawn = [];
    const range = this.chart && this.chart.timeScale().getVisibleLogicalRange();
    if (state && range) {
      const timeScale = this.chart.timeScale();
      const x0 = timeScale.logicalToCoordinate(0), spacing = timeScale.logicalToCoordinate(1) - x0;
      const halfDash = Math.max(0.5, (spacing * state.dashShare) / 2);
      const first = Math.max(0, Math.floor(range.from) - 1), last = Math.min(heldBars(state) - 1, Math.ceil(range.to) + 1);
      target.useBitmapCoordinateSpace(({ context, horizontalPixelRatio: hr, verticalPixelRatio: vr }) => {
        for (const series of state.series) {
          if (!series.shown) continue;
          const record = { subgraph: series.subgraph, runs: 0, dashes: 0, first: null, last: null };
          drawn.push(record);
          strokeStyle(context, series.pen, hr);
          const odd = Math.round(series.pen.width * hr) % 2 === 1;
          let run = [];
          const finish = () => {
            if (run.length === 1) {
              const y = Math.round(run[0].y * vr) + (odd ? 0.5 : 0);
              context.beginPath();
              context.moveTo(Math.round((run[0].x - halfDash) * hr), y);
              context.lineTo(Math.round((run[0].x + halfDash) * hr), y);
              context.stroke();
              record.dashes += 1;
            } else if (run.length > 1) {
              context.beginPath();
              run.forEach((p, i) => (i ? context.lineTo(p.x * hr, p.y * vr) : context.moveTo(p.x * hr, p.y * vr)));
              context.stroke();
              record.runs += 1;
            }
            if (run.length) {
              record.first = record.first || run[0];
              record.last = run[run.length - 1];
            }
            run = [];
          };
          for (let bar = first; bar <= last; bar += 1) {
            const value = series.values[bar];
            if (value === null) {
              finish();
              continue;
            }
            run.push({ bar: state.first + bar, x: x0 + bar * spacing, y: this.series.priceToCoordinate(value) });
            if (!series.joined) finish();
          }
          finish();
        }
      });
    }
    if (this.onPainted) this.onPainted(drawn);
  }
}
