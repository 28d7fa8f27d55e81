// The page's one state object: built from the server's state and brought
// forward by its updates, never edited elsewhere. On a long chart the state
// holds the bars from `first` on (the server's barsFrom), those near the
// view; the columns, series values and chart times are indexed from there,
// while bar numbers (barCount, drawings, the frame, updates) count from the
// chart's first bar.

// Whole seconds for the chart's time scale, read as UTC so the wall clock
// shows unchanged; a bar sharing a second with the one before (or earlier)
// gets the next free second, since the scale needs rising times.
function chartTimesFrom(times, chartTimes, from) {
  chartTimes.length = from;
  for (let bar = from; bar < times.length; bar += 1) {
    const second = Math.floor(times[bar]);
    chartTimes.push(bar > 0 && second <= chartTimes[bar - 1] ? chartTimes[bar - 1] + 1 : second);
  }
  return chartTimes;
}

// Appends a series' values, sent as runs (value, count, value, count, ...),
// less the first `skip` of them.
function appendRuns(values, runs, skip = 0) {
  for (let i = 0; i < runs.length; i += 2) {
    const count = Math.max(0, runs[i + 1] - skip);
    skip -= runs[i + 1] - count;
    for (let n = count; n > 0; n -= 1) values.push(runs[i]);
  }
  return values;
}

export function fromSnapshot(snapshot) {
  const series = snapshot.series.map((s) => ({ ...s, values: appendRuns([], s.values) }));
  const state = { ...snapshot, first: snapshot.barsFrom, series, chartTimes: [] };
  chartTimesFrom(state.bars.time, state.chartTimes, 0);
  return state;
}

// The bars the state holds: those from `first` to the last.
export const heldBars = (state) => state.barCount - state.first;

// The next state: every part as the update has it, the bars and the series'
// values replaced from their first changed bar on, the drawings kept when it
// has none. The update changes no bar before `first` (a recalculation's
// values from before it are left out).
export function withUpdate(state, update) {
  const next = { ...state, ...update, bars: state.bars, series: state.series, chartTimes: state.chartTimes };
  if (!update.drawings) {
    next.drawings = state.drawings;
    next.omitted = state.omitted;
  }
  for (const key of ['time', 'dateTime', 'open', 'high', 'low', 'close']) {
    const column = state.bars[key];
    column.length = update.barsFrom - state.first;
    for (const value of update.bars[key]) column.push(value);
  }
  const seriesFrom = Math.max(update.seriesFrom, state.first);
  next.series = update.series.map((series, index) => {
    const values = state.series[index].values;
    values.length = seriesFrom - state.first;
    return { ...series, values: appendRuns(values, series.values, seriesFrom - update.seriesFrom) };
  });
  chartTimesFrom(next.bars.time, next.chartTimes, update.barsFrom - state.first);
  return next;
}
