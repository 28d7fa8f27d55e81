// The time axis's texts, the picture's own: the time of day ("9:30",
// "9:30:15" for steps under a minute), days as "Nov 13", month starts as the
// month ("Dec"), year starts as the year ("2007"). Times are the bars' wall
// clock read as UTC.

const MONTHS = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec'];
const TICK = { year: 0, month: 1, dayOfMonth: 2, time: 3, timeWithSeconds: 4 };  // the chart library's tick kinds

const twoDigits = (number) => String(number).padStart(2, '0');

export function tickMarkText(seconds, kind) {
  const date = new Date(seconds * 1000);
  switch (kind) {
    case TICK.year: return String(date.getUTCFullYear());
    case TICK.month: return MONTHS[date.getUTCMonth()];
    case TICK.dayOfMonth: return `${MONTHS[date.getUTCMonth()]} ${date.getUTCDate()}`;
    case TICK.timeWithSeconds:
      return `${date.getUTCHours()}:${twoDigits(date.getUTCMinutes())}:${twoDigits(date.getUTCSeconds())}`;
    default: return `${date.getUTCHours()}:${twoDigits(date.getUTCMinutes())}`;
  }
}
