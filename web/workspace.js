// @ts-check
// The page of a workspace (a server watching many instruments): the
// watchlist, the alerts, and which instrument's chart is open. The list and
// the alerts come whole from GET /api/instruments and /api/alerts and live
// from /api/workspace/events; whenever that stream says hello (at first, and
// back after the server was away) they are asked for again, so nothing
// missed meanwhile stays missing. The page's address names the open
// instrument (?instrument=NAME), so a reload or a bookmark opens it again.

import { KEPT_ALERTS } from './alerts.js';
import { canOpen } from './watchlist.js';

const PARAMETER = 'instrument';
const REOPEN_MILLISECONDS = 1000;

/**
 * The workspace's list of instruments.
 * @typedef {{ instance: string, lastAlert: number, instruments: import('./watchlist.js').Instrument[] }} InstrumentList
 */

/** @param {string} route */
async function fetchJson(route) {
  const response = await fetch(route, { cache: 'no-store' });
  if (!response.ok) throw new Error(`${route}: ${response.status}`);
  return response.json();
}

// The server's instruments when it runs a workspace; null when it shows a
// single chart (it has no such route) or cannot be reached.
/** @returns {Promise<InstrumentList | null>} */
export async function fetchInstruments() {
  try {
    return await fetchJson('/api/instruments');
  } catch {
    return null;
  }
}

export class WorkspacePage {
  /**
   * @param {{ panel: HTMLElement, fold: HTMLButtonElement, watchlist: import('./watchlist.js').Watchlist,
   *           alerts: import('./alerts.js').AlertList, choice: import('./alerts.js').AlertLinesChoice,
   *           notice: import('./notice.js').Notice, openChart: (name: string) => void }} parts
   */
  constructor({ panel, fold, watchlist, alerts, choice, notice, openChart }) {
    Object.assign(this, { panel, watchlist, alerts, choice, notice, openChart });
    fold.addEventListener('click', () => {
      const folded = panel.toggleAttribute('data-folded');
      fold.textContent = folded ? 'Show' : 'Hide';
      fold.setAttribute('aria-expanded', String(!folded));
    });
    this.instance = '';
    /** @type {import('./watchlist.js').Instrument[]} */
    this.instruments = [];
    /** @type {string | null} */
    this.open = null;
    this.refreshing = false;
    this.refreshAgain = false;  // asked for while a refresh was out: what it gets may be older
  }

  /** @param {InstrumentList} list the first one */
  start(list) {
    this.panel.hidden = false;
    this.take(list);
    this.fetchAlerts(list.lastAlert);
    this.openFirst(new URLSearchParams(window.location.search).get(PARAMETER));
    this.openStream();
  }

  // The address's instrument when it can be opened; else the first that can, saying why.
  /** @param {string | null} wanted */
  openFirst(wanted) {
    const named = this.instruments.find((instrument) => instrument.name === wanted);
    const first = this.instruments.find(canOpen);
    if (named && canOpen(named)) {
      this.show(named.name);
      return;
    }
    if (wanted !== null) {
      const why = named ? `cannot be shown (${named.status})` : 'is not in this workspace';
      this.notice.show(`"${wanted}" ${why}${first ? `; showing ${first.name}` : ''}`);
    }
    if (first) this.show(first.name);
    else this.notice.show('no instrument can be shown: every file failed to load');
  }

  /** @param {string} name */
  show(name) {
    if (name === this.open) return;
    this.open = name;
    const address = new URL(window.location.href);
    address.searchParams.set(PARAMETER, name);
    window.history.replaceState(null, '', address);
    this.draw();
    this.openChart(name);
  }

  draw() {
    this.watchlist.render(this.instruments, this.open);
    this.choice.render(this.instruments.find((instrument) => instrument.name === this.open) ?? null);
  }

  // A list from another run of the server starts the alerts afresh; when the
  // instrument shown is no longer there (another workspace) or can no longer
  // be shown (its file gone), that is said and the first that can is shown.
  /** @param {InstrumentList} list */
  take(list) {
    if (list.instance !== this.instance) this.alerts.clear();
    this.instance = list.instance;
    this.instruments = list.instruments;
    this.draw();
    const shown = this.open;
    if (shown !== null && !this.instruments.some((instrument) => instrument.name === shown && canOpen(instrument))) {
      this.open = null;
      this.openFirst(shown);
    }
  }

  /** @param {import('./watchlist.js').Instrument} instrument */
  replace(instrument) {
    const at = this.instruments.findIndex((held) => held.name === instrument.name);
    if (at < 0) {
      this.refresh();  // one this page has not heard of yet
      return;
    }
    this.instruments = this.instruments.map((held, index) => (index === at ? instrument : held));
    this.draw();
  }

  async refresh() {
    if (this.refreshing) {
      this.refreshAgain = true;
      return;
    }
    this.refreshing = true;
    try {
      const list = await fetchJson('/api/instruments');
      this.take(list);
      await this.fetchAlerts(list.lastAlert);
    } catch {
      // The stream's next hello asks again.
    } finally {
      this.refreshing = false;
      if (this.refreshAgain) {
        this.refreshAgain = false;
        this.refresh();
      }
    }
  }

  // The alerts after the newest held, at most the last the list shows.
  /** @param {number} lastAlert */
  async fetchAlerts(lastAlert) {
    const after = Math.max(this.alerts.newest(), lastAlert - KEPT_ALERTS, 0);
    if (after >= lastAlert) return;
    try {
      this.alerts.add(await fetchJson(`/api/alerts?after=${after}`), false);
    } catch {
      // The stream's next hello asks again.
    }
  }

  // The browser opens a stream again by itself and it says hello when back;
  // one the browser gave up on is opened anew.
  openStream() {
    const stream = new EventSource('/api/workspace/events');
    const data = (/** @type {MessageEvent} */ event) => JSON.parse(event.data);
    stream.addEventListener('hello', () => {
      this.panel.dataset.stale = 'false';
      this.refresh();
    });
    stream.addEventListener('instrument', (event) => this.replace(data(event)));
    stream.addEventListener('instruments', () => this.refresh());
    stream.addEventListener('alert', (event) => this.alerts.add([data(event)], true));
    stream.addEventListener('error', () => {
      this.panel.dataset.stale = 'true';
      if (stream.readyState === EventSource.CLOSED) setTimeout(() => this.openStream(), REOPEN_MILLISECONDS);
    });
  }
}
