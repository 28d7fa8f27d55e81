// @ts-check
// Alerts of the workspace: a closing price crossed a level line. Each one
// that arrives live is said at the top of the page (and beeps when the
// sound is on); the list holds the newest ones, newest first. Per
// instrument, the page chooses which of its lines alert.

import { priceText } from './numbers.js';

export const KEPT_ALERTS = 50;  // alerts the list shows at most
const BEEP = { hertz: 880, seconds: 0.15, volume: 0.1 };

/**
 * One alert, as GET /api/alerts and the `alert` event give it (docs/page.md).
 * @typedef {{ event: number, instrument: string, datetime: string, line: string, price: number,
 *             direction: 'up' | 'down', close_before: number, close_after: number }} Alert
 */

/** @param {Alert} alert */
export const alertText = (alert) => `${alert.instrument} crossed ${alert.line} (${priceText(alert.price)}) ` +
  `${alert.direction}, closing at ${priceText(alert.close_after)} from ${priceText(alert.close_before)}, ${alert.datetime}`;

export class AlertList {
  /**
   * @param {{ list: HTMLOListElement, count: HTMLElement, sound: HTMLInputElement,
   *           notice: import('./notice.js').Notice }} parts
   */
  constructor({ list, count, sound, notice }) {
    Object.assign(this, { list, count, sound, notice });
    /** @type {Alert[]} newest first */
    this.alerts = [];
    /** @type {AudioContext | null} made when the sound is turned on: a page may sound only after a click */
    this.audio = null;
    sound.checked = false;
    sound.addEventListener('change', () => {
      if (sound.checked && !this.audio) this.audio = new AudioContext();
    });
    this.draw();
  }

  // The newest event number held (0: none).
  newest() {
    return this.alerts[0]?.event ?? 0;
  }

  clear() {
    this.alerts = [];
    this.draw();
  }

  // Alerts from the history or the event stream, in any order and perhaps
  // twice (a stream opened while the history was asked for); `live` ones are
  // said as they come.
  /**
   * @param {Alert[]} alerts
   * @param {boolean} live
   */
  add(alerts, live) {
    const held = new Set(this.alerts.map((alert) => alert.event));
    const fresh = alerts.filter((alert) => !held.has(alert.event));
    if (fresh.length === 0) return;
    this.alerts = [...fresh, ...this.alerts].sort((a, b) => b.event - a.event).slice(0, KEPT_ALERTS);
    this.draw();
    if (!live) return;
    this.notice.show(fresh.map(alertText).join('; '));
    if (this.sound.checked && this.audio) beep(this.audio);
  }

  draw() {
    this.list.replaceChildren(...this.alerts.map((alert) => {
      const item = document.createElement('li');
      item.dataset.instrument = alert.instrument;
      item.dataset.direction = alert.direction;
      item.textContent = alertText(alert);
      return item;
    }));
    this.count.textContent = this.alerts.length === 0 ? 'none yet'
      : `the last ${this.alerts.length}, newest first (at most ${KEPT_ALERTS})`;
  }
}

/** @param {AudioContext} audio */
function beep(audio) {
  const oscillator = audio.createOscillator();
  const gain = audio.createGain();
  oscillator.frequency.value = BEEP.hertz;
  gain.gain.value = BEEP.volume;
  oscillator.connect(gain).connect(audio.destination);
  oscillator.start();
  oscillator.stop(audio.currentTime + BEEP.seconds);
}

// Which lines of the open instrument alert: every line, or those ticked
// (none ticked: none alert). A choice the server refuses or never hears goes back.
export class AlertLinesChoice {
  /**
   * @param {{ box: HTMLElement, every: HTMLInputElement, lines: HTMLElement,
   *           send: (route: string, body: object) => Promise<{ok: boolean, text: string}>,
   *           notice: import('./notice.js').Notice }} parts
   */
  constructor({ box, every, lines, send, notice }) {
    Object.assign(this, { box, every, lines, send, notice });
    /** @type {import('./watchlist.js').Instrument | null} */
    this.instrument = null;
    this.asking = false;
    every.addEventListener('change', () => this.choose());
  }

  /** @param {import('./watchlist.js').Instrument | null} instrument the open one */
  render(instrument) {
    this.instrument = instrument;
    this.box.hidden = instrument === null;
    if (!instrument || this.asking) return;
    const names = instrument.lines;
    if ([...this.lines.querySelectorAll('input')].map((box) => box.value).join() !== names.join()) {
      this.lines.replaceChildren(...names.map((name) => {
        const label = document.createElement('label');
        const box = document.createElement('input');
        box.type = 'checkbox';
        box.value = name;
        box.addEventListener('change', () => this.choose());
        label.append(box, name);
        return label;
      }));
    }
    const chosen = instrument.alertLines;
    this.every.checked = chosen === null;
    for (const box of this.lines.querySelectorAll('input')) {
      box.checked = chosen === null || chosen.includes(box.value);
      box.disabled = chosen === null;
    }
  }

  async choose() {
    const instrument = this.instrument;
    if (!instrument) return;
    const lines = this.every.checked ? null
      : [...this.lines.querySelectorAll('input')].filter((box) => box.checked).map((box) => box.value);
    this.asking = true;
    const applied = await this.notice.report(this.send('alert-lines', { lines }), 'alert lines');
    this.asking = false;
    // The instrument's next event shows the choice in force; until then, what was sent.
    const now = this.instrument;
    this.render(applied && now?.name === instrument.name ? { ...now, alertLines: lines } : now);
  }
}
