// @ts-check
// The watchlist: one row per instrument of the workspace with the fields of
// its last bar (as `kovra scan` computes them), sorted by a click on a
// column's head (again: the other way). A click on a row, or the up and down
// keys while the list has focus, opens that instrument's chart. A failed
// instrument shows its error and cannot be opened; a removed one is marked.

import { changeText, distanceText, fixedText, priceText } from './numbers.js';

/**
 * One instrument as GET /api/instruments lists it (docs/page.md).
 * @typedef {{ name: string, status: 'ready' | 'failed' | 'removed', row: Record<string, any>,
 *             change: number | null, warnings: string[], lines: string[], alertLines: string[] | null }} Instrument
 */

/**
 * A column: its head, what its head's hover says, the value it sorts by
 * (null sorts last), the text of its cell and, for some, the cell's class.
 * @typedef {{ head: string, hint: string, sortBy: (i: Instrument) => number | string | null,
 *             text: (i: Instrument) => string, tone?: (i: Instrument) => string }} Column
 */

/** @type {(side: 'above' | 'below', sign: string) => (i: Instrument) => string} */
const nearestLine = (side, sign) => ({ row }) => (row[side] === null ? '–'
  : `${row[side]} ${priceText(row[`${side}_price`])} (${sign}${distanceText(row[`${side}_distance`])})`);

/** @type {Column[]} */
const COLUMNS = [
  { head: 'Instrument', hint: 'the file\'s name', sortBy: (i) => i.name, text: (i) => i.name },
  { head: 'Last bar', hint: 'the last bar\'s date-time', sortBy: (i) => i.row.datetime, text: (i) => i.row.datetime ?? '–' },
  { head: 'Close', hint: 'the last bar\'s close', sortBy: (i) => i.row.close, text: (i) => priceText(i.row.close) },
  { head: 'Change', hint: 'the close less the bar before\'s', sortBy: (i) => i.change, text: (i) => changeText(i.change, i.row.close),
    tone: ({ change }) => (change ? (change > 0 ? 'up' : 'down') : '') },
  { head: '8/8th', hint: 'the top of the frame', sortBy: (i) => i.row.top, text: (i) => priceText(i.row.top) },
  { head: '0/8th', hint: 'the bottom of the frame', sortBy: (i) => i.row.bottom, text: (i) => priceText(i.row.bottom) },
  { head: 'Eighths', hint: 'where the close stands, 0 at the 0/8th and 8 at the 8/8th', sortBy: (i) => i.row.eighths,
    text: (i) => fixedText(i.row.eighths, 2) },
  { head: 'Above', hint: 'the nearest line above the close, its price and distance', sortBy: (i) => i.row.above_distance,
    text: nearestLine('above', '+') },
  { head: 'Below', hint: 'the nearest line below the close, its price and distance', sortBy: (i) => i.row.below_distance,
    text: nearestLine('below', '−') },
  { head: 'Since change', hint: 'bars since the levels last changed', sortBy: (i) => i.row.bars_since_change,
    text: (i) => String(i.row.bars_since_change ?? '–') },
  { head: 'Crossed', hint: 'the lines the last bar\'s close crossed', sortBy: (i) => crossedText(i) || null, text: crossedText },
];

/** @param {Instrument} instrument */
function crossedText({ row }) {
  return row.crossed ? `${row.crossed.direction} ${row.crossed.lines.join(' ')}` : '';
}

/** @param {Instrument} instrument */
export const canOpen = (instrument) => instrument.status === 'ready';

// One collator for every comparison: a fresh one per comparison (as
// localeCompare makes) costs more than the rest of a list's drawing.
const collator = new Intl.Collator();

// Rows without a value go last, whichever way the list is sorted.
/** @type {(a: number | string | null, b: number | string | null, order: number) => number} */
function compare(a, b, order) {
  const aNone = a === null || a === undefined, bNone = b === null || b === undefined;
  if (aNone || bNone) return Number(aNone) - Number(bNone);
  return order * (typeof a === 'number' && typeof b === 'number' ? a - b : collator.compare(String(a), String(b)));
}

export class Watchlist {
  /**
   * @param {{ table: HTMLTableElement, onOpen: (name: string) => void }} parts
   */
  constructor({ table, onOpen }) {
    Object.assign(this, { table, onOpen });
    /** @type {Instrument[]} */
    this.instruments = [];
    /** @type {string | null} */
    this.open = null;
    this.sortColumn = 0;
    this.ascending = true;
    /** @type {Map<string, { instrument: Instrument, open: boolean, row: HTMLTableRowElement }>} */
    this.drawn = new Map();  // each row shown, by its instrument's name
    const heads = table.createTHead().insertRow();
    COLUMNS.forEach((column, index) => {
      const head = document.createElement('th');
      head.scope = 'col';
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = column.head;
      button.title = `${column.hint}; click to sort`;
      button.addEventListener('click', () => this.sortBy(index));
      head.append(button);
      heads.append(head);
    });
    this.body = table.createTBody();
    this.body.addEventListener('click', (event) => {
      const row = /** @type {HTMLElement} */ (event.target).closest('tr');
      if (row && row.dataset.openable !== undefined) this.onOpen(row.dataset.name ?? '');
    });
    table.addEventListener('keydown', (event) => this.onKey(event));
  }

  /** @param {number} index */
  sortBy(index) {
    this.ascending = index === this.sortColumn ? !this.ascending : true;
    this.sortColumn = index;
    this.draw();
  }

  /**
   * @param {Instrument[]} instruments
   * @param {string | null} open the instrument whose chart is shown
   */
  render(instruments, open) {
    this.instruments = instruments;
    this.open = open;
    this.draw();
  }

  // The rows in the order shown: by the sorting column, the list's order among equals.
  shown() {
    const { sortBy } = COLUMNS[this.sortColumn];
    const order = this.ascending ? 1 : -1;
    return this.instruments.map((instrument, index) => ({ instrument, index, key: sortBy(instrument) }))
      .sort((a, b) => compare(a.key, b.key, order) || a.index - b.index)
      .map(({ instrument }) => instrument);
  }

  draw() {
    [...this.table.tHead?.rows[0].cells ?? []].forEach((head, index) => {
      if (index === this.sortColumn) head.setAttribute('aria-sort', this.ascending ? 'ascending' : 'descending');
      else head.removeAttribute('aria-sort');
    });
    // A row is made again only when its instrument changed (a new object) or
    // it became, or stopped being, the one open: a new bar redraws one row.
    /** @type {Map<string, { instrument: Instrument, open: boolean, row: HTMLTableRowElement }>} */
    const drawn = new Map();
    const rows = this.shown().map((instrument) => {
      const open = instrument.name === this.open;
      const before = this.drawn.get(instrument.name);
      const row = before && before.instrument === instrument && before.open === open ? before.row : this.rowOf(instrument);
      drawn.set(instrument.name, { instrument, open, row });
      return row;
    });
    this.drawn = drawn;
    const children = this.body.rows;
    if (rows.length !== children.length || rows.some((row, index) => children[index] !== row)) this.body.replaceChildren(...rows);
  }

  /** @param {Instrument} instrument */
  rowOf(instrument) {
    const row = document.createElement('tr');
    row.dataset.name = instrument.name;
    row.dataset.status = instrument.status;
    if (canOpen(instrument)) row.dataset.openable = '';
    if (instrument.name === this.open) row.setAttribute('aria-current', 'true');
    const name = row.insertCell();
    name.textContent = instrument.name;
    if (instrument.status === 'removed') {
      const mark = document.createElement('span');
      mark.className = 'mark';
      mark.textContent = ' (removed)';
      name.append(mark);
    }
    if (instrument.warnings.length > 0) name.title = instrument.warnings.join('\n');
    if (instrument.status === 'failed') {
      const error = row.insertCell();
      error.colSpan = COLUMNS.length - 1;
      error.className = 'error';
      error.textContent = instrument.row.error ?? 'the file did not load';
      return row;
    }
    for (const column of COLUMNS.slice(1)) {
      const cell = row.insertCell();
      cell.textContent = column.text(instrument);
      if (column.tone) cell.className = column.tone(instrument);
    }
    return row;
  }

  // The next (or previous) instrument that can be opened, in the order shown.
  /** @param {KeyboardEvent} event */
  onKey(event) {
    const step = { ArrowDown: 1, ArrowUp: -1 }[event.key];
    if (!step) return;
    event.preventDefault();
    const names = this.shown().filter(canOpen).map((instrument) => instrument.name);
    const at = names.indexOf(this.open ?? '');
    const next = names[at < 0 ? 0 : Math.max(0, Math.min(names.length - 1, at + step))];
    if (next !== undefined && next !== this.open) this.onOpen(next);
  }
}
