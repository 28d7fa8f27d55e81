// The thirteen level series as one custom series of the chart library: each
// item holds every level's value at its bar. How a series shows (a line
// through its values or a dash per bar, its pen) comes placed from the
// server; this only maps bars and prices to pixels.

import { strokeStyle } from './pens.js';

// The series' item of a bar: the values of the shown levels there.
export function levelItem(state, bar) {
  return { time: state.chartTimes[bar], values: state.series.filter((s) => s.shown).map((s) => s.values[bar]) };
}

export function levelItems(state) {
  const shown = state.series.filter((series) => series.shown);
  return state.chartTimes.map((time, bar) => ({ time, values: shown.map((series) => series.values[bar]) }));
}

export class LevelsView {
  constructor(onPainted) {
    this.data = null;
    this.series = [];
    this.dashShare = 0.7;
    this.onPainted = onPainted;
  }

  setPlacement(state) {
    this.series = state.series.filter((series) => series.shown);
    this.dashShare = state.dashShare;
  }

  renderer() { return this; }

  update(data) { this.data = data; }

  priceValueBuilder(item) {
    const finite = item.values.filter((value) => value !== null && Number.isFinite(value));
    return finite.length ? [Math.min(...finite), Math.max(...finite), finite[finite.length - 1]] : [NaN];
  }

  isWhitespace(item) { return !item.values || item.values.every((value) => value === null); }

  defaultOptions() {
    return { lastValueVisible: false, priceLineVisible: false, color: '#000000' };
  }

  // Each run of values: a line through them, or a dash when it has one value
  // (every value is a run of its own for a series drawn as dashes).
  draw(target, priceToY) {
    const drawn = this.series.map((series) => ({ subgraph: series.subgraph, runs: 0, dashes: 0, first: null, last: null }));
    const data = this.data;
    if (data && data.visibleRange) {
      target.useBitmapCoordinateSpace(({ context, horizontalPixelRatio: hr, verticalPixelRatio: vr }) => {
        const halfDash = Math.max(0.5, (data.barSpacing * this.dashShare) / 2);
        const first = Math.max(data.visibleRange.from - 1, 0);
        const last = Math.min(data.visibleRange.to + 1, data.bars.length);
        this.series.forEach((series, index) => {
          const record = drawn[index];
          strokeStyle(context, series.pen, hr);
          let run = [];
          const finish = () => {
            if (run.length === 1) {
              const [p] = run;
              context.beginPath();
              const y = Math.round(p.y * vr) + ((Math.round(series.pen.width * hr) % 2) ? 0.5 : 0);
              context.moveTo(Math.round((p.x - halfDash) * hr), y);
              context.lineTo(Math.round((p.x + halfDash) * hr), y);
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
          let previousBar = null;
          for (let i = first; i < last; i += 1) {
            const bar = data.bars[i];
            const value = bar.originalData.values[index];
            if (value === null || value === undefined || (previousBar !== null && bar.time !== previousBar + 1)) finish();
            previousBar = bar.time;
            if (value === null || value === undefined) continue;
            run.push({ x: bar.x, y: priceToY(value), bar: bar.time });
            if (!series.joined) finish();
          }
          finish();
        });
      });
    }
    this.onPainted(drawn);
  }
}
