// The page's one state object: built from the server's whole state and
// brought forward by its updates, never edited elsewhere.

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

// Appends a series' values, sent as runs (value, count, value, count, ...).
function appendRuns(values, runs) {
  for (let i = 0; i < runs.length; i += 2) {
    for (let n = runs[i + 1]; n > 0; n -= 1) values.push(runs[i]);
  }
  return values;
}

export function fromSnapshot(snapshot) {
  const series = snapshot.series.map((s) => ({ ...s, values: appendRuns([], s.values) }));
  const state = { ...snapshot, series, chartTimes: [] };
  chartTimesFrom(state.bars.time, state.chartTimes, 0);
  return state;
}

// The next state: every part as the update has it, the bars and the series'
// values replaced from their first changed bar on, the drawings kept when it has none.
export function withUpdate(state, update) {
  const next = { ...state, ...update, bars: state.bars, series: state.series, chartTimes: state.chartTimes };
  if (!update.drawings) {
    next.drawings = state.drawings;
    next.omitted = state.omitted;
  }
  for (const key of ['time', 'dateTime', 'open', 'high', 'low', 'close']) {
    const column = state.bars[key];
    column.length = update.barsFrom;
    for (const value of update.bars[key]) column.push(value);
  }
  next.series = update.series.map((series, index) => {
    const values = state.series[index].values;
    values.length = update.seriesFrom;
    return { ...series, values: appendRuns(values, series.values) };
  });
  chartTimesFrom(next.bars.time, next.chartTimes, update.barsFrom);
  return next;
}
