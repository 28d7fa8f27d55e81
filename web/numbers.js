// @ts-check
// Numbers as the watchlist and the alerts show them. Prices are a chart's
// 32-bit floats: each shows as the shortest decimal that reads back to the
// same float, as the chart's own state writes them.

const NONE = '–';
const FLOAT_DIGITS = 9;      // enough for any 32-bit float
const DISTANCE_DIGITS = 4;   // a distance is read at a glance

/** @param {number | null | undefined} value */
export function priceText(value) {
  if (value === null || value === undefined) return NONE;
  const single = Math.fround(value);
  for (let digits = 1; digits < FLOAT_DIGITS; digits += 1) {
    const text = String(Number(value.toPrecision(digits)));
    if (Math.fround(Number(text)) === single) return text;
  }
  return String(Number(value.toPrecision(FLOAT_DIGITS)));
}

/** @param {string} text a decimal number */
const decimalsOf = (text) => (text.includes('.') ? text.length - text.indexOf('.') - 1 : 0);

/**
 * A change from one close to the next, signed, in the decimals of the two
 * closes (the close less the change is the close before, exactly).
 * @param {number | null} change
 * @param {number | null} close
 */
export function changeText(change, close) {
  if (change === null || close === null) return NONE;
  const decimals = Math.max(decimalsOf(priceText(close)), decimalsOf(priceText(close - change)));
  const text = change.toFixed(decimals);
  return change > 0 ? `+${text}` : text;
}

/** @param {number | null} distance */
export const distanceText = (distance) => (distance === null ? NONE : String(Number(distance.toPrecision(DISTANCE_DIGITS))));

/**
 * @param {number | null} value
 * @param {number} decimals
 */
export const fixedText = (value, decimals) => (value === null ? NONE : value.toFixed(decimals));
