// @ts-check
// Talking to kovra serve about one chart: the whole state, its changes as
// they happen, the requests the page sends, and whether the server can be
// reached at all. A single-chart server answers under /api/, a workspace
// under /api/instruments/NAME/ for each instrument's chart.

const POLL_MILLISECONDS = 500;
const REOPEN_MILLISECONDS = 1000;
const UNREACHABLE = 'the server cannot be reached';

// Connection states, for onStatus: the page is live (by its event stream,
// or by asking twice a second when a newer page took the stream), or the
// server does not answer (the page says so and waits for it).
export const LIVE = 'live', POLLING = 'polling', DOWN = 'down';

/**
 * Where one chart's routes are: `api` holds state, events, updates, button/N,
 * settings, replay, timeframe and timemarks; `picture` is its PNG.
 * @typedef {{ api: string, picture: string }} ChartPaths
 */

/** @type {ChartPaths} */
export const SINGLE_CHART = { api: '/api', picture: '/picture.png' };

/**
 * @param {string} name an instrument of the workspace
 * @returns {ChartPaths}
 */
export function instrumentChart(name) {
  const api = `/api/instruments/${encodeURIComponent(name)}`;
  return { api, picture: `${api}/picture.png` };
}

export class Connection {
  // onSnapshot(state JSON, fresh): a whole state; `fresh` when it comes from
  // another run of the server than the state before it, so nothing of the
  // old one may stay. onUpdate(update JSON): each change, in order.
  // onStatus(LIVE | POLLING | DOWN): whenever the connection changes.
  // paths: the chart's routes. held(): the bars to ask the state for, as
  // its query (`bars=N&until=S`; '': every bar), asked anew for each state.
  // stop() ends it: nothing of it is heard again.
  /**
   * @param {{ paths?: ChartPaths, onSnapshot: (state: any, fresh: boolean) => void,
   *           onUpdate: (update: any) => void, onStatus: (status: string) => void, held?: () => string }} parts
   */
  constructor({ paths = SINGLE_CHART, onSnapshot, onUpdate, onStatus, held = () => '' }) {
    Object.assign(this, { paths, onSnapshot, onUpdate, onStatus, held });
    /** @type {EventSource | null} */
    this.stream = null;
    this.stopped = false;
    this.instance = null;   // the server run the state is from
    this.version = -1;
    this.first = 0;         // the first bar the state holds
    this.fetching = null;   // the request for the state, while one is out
    this.again = false;     // the state is asked for again when it comes
    this.waiting = [];      // updates that came while it was out
    this.status = null;
    this.polling = null;
    this.retrying = null;   // the next try for the state while the server does not answer
  }

  start() {
    this.openStream();
    this.fetchState();
  }

  stop() {
    this.stopped = true;
    this.stream?.close();
    clearInterval(this.polling);
    clearTimeout(this.retrying);
  }

  /** @param {string} route e.g. `state`, `button/5?state=on` */
  url(route) {
    return `${this.paths.api}/${route}`;
  }

  openStream() {
    if (this.stopped) return;
    const stream = new EventSource(this.url('events'));
    this.stream = stream;
    stream.addEventListener('hello', (event) => {
      const hello = JSON.parse(event.data);
      this.setStatus(LIVE);
      if (hello.instance !== this.instance || hello.version !== this.version) this.fetchState();
    });
    stream.addEventListener('update', (event) => this.take('update', JSON.parse(event.data)));
    stream.addEventListener('reload', (event) => this.take('reload', JSON.parse(event.data)));
    // A newer page took this page's live stream: it keeps up by asking.
    stream.addEventListener('replaced', () => {
      stream.close();
      this.setStatus(POLLING);
      this.polling = setInterval(() => this.poll(), POLL_MILLISECONDS);
    });
    // The stream tries again by itself every second and says hello when it
    // is back; one the browser gave up on is opened anew.
    stream.addEventListener('error', () => {
      this.setStatus(DOWN);
      if (stream.readyState === EventSource.CLOSED && !this.polling) setTimeout(() => this.openStream(), REOPEN_MILLISECONDS);
    });
  }

  setStatus(status) {
    if (status === this.status || this.stopped) return;
    this.status = status;
    this.onStatus(status);
  }

  // The server cannot be reached: said at once, whichever request found it
  // out. While the stream still looks open, the state is asked for again
  // each second until the server answers.
  lost() {
    this.setStatus(DOWN);
    if (this.stream.readyState === EventSource.OPEN && !this.retrying) {
      this.retrying = setTimeout(() => {
        this.retrying = null;
        this.fetchState();
      }, REOPEN_MILLISECONDS);
    }
  }

  // It answered: live again once the stream is back (or by asking).
  heard() {
    if (this.polling) this.setStatus(POLLING);
    else if (this.stream.readyState === EventSource.OPEN) this.setStatus(LIVE);
  }

  // The state again, for other bars than those held: after the one out, if one is.
  askHeld() {
    if (this.fetching) this.again = true;
    else this.fetchState();
  }

  // The state with the bars held() names (the one out, if one is, is the newest).
  fetchState() {
    if (this.fetching || this.stopped) return;
    const query = this.held();
    this.fetching = fetch(this.url(query ? `state?${query}` : 'state'), { cache: 'no-store' })
      .then((response) => {
        if (!response.ok) throw new Error(`the state: ${response.status}`);
        return response.json();
      })
      // Only a failed request means the server is away (it is asked again
      // at the next hello or poll); a failure to show the state is the page's.
      .then((state) => {
        if (this.stopped) return;
        const fresh = state.instance !== this.instance;
        this.instance = state.instance;
        this.version = state.version;
        this.first = state.barsFrom;
        this.heard();
        this.onSnapshot(state, fresh);
      }, () => this.lost())
      .finally(() => {
        this.fetching = null;
        const waiting = this.waiting;
        this.waiting = [];
        if (this.again) {
          this.again = false;
          this.fetchState();
        }
        waiting.forEach(([name, data]) => this.take(name, data));
      });
  }

  // Updates apply one after another; one from another run, a gap, or one
  // changing bars before those held, asks for the state.
  take(name, data) {
    if (this.stopped) return;
    if (this.fetching) {
      this.waiting.push([name, data]);
      return;
    }
    if (data.instance !== undefined && data.instance !== this.instance) {
      this.fetchState();
    } else if (name === 'update') {
      if (data.version === this.version + 1 && data.barsFrom >= this.first) {
        this.version = data.version;
        this.onUpdate(data);
      } else if (data.version > this.version) {
        this.fetchState();
      }
    } else if (name === 'reload' && data.version !== this.version) {
      this.fetchState();
    }
  }

  async poll() {
    let events;
    try {
      const query = `after=${Math.max(this.version, 0)}&instance=${encodeURIComponent(this.instance ?? '')}`;
      const response = await fetch(this.url(`updates?${query}`), { cache: 'no-store' });
      if (!response.ok) throw new Error(`updates: ${response.status}`);
      events = await response.json();
    } catch {
      this.lost();
      return;
    }
    this.heard();
    events.forEach(({ event, data }) => this.take(event, data));
  }

  // POSTs `body` (an object, sent as JSON) to the chart's `route`; resolves to
  // whether it was accepted and the server's one-line answer, or why it was not heard.
  /**
   * @param {string} route
   * @param {object} [body]
   */
  async send(route, body) {
    try {
      const response = await fetch(this.url(route), {
        method: 'POST',
        headers: { 'Content-Type': 'application/json' },
        body: body === undefined ? '' : JSON.stringify(body),
      });
      const text = (await response.text()).trim();
      this.heard();
      return { ok: response.ok, status: response.status, text };
    } catch {
      this.lost();
      return { ok: false, status: 0, text: UNREACHABLE };
    }
  }
}
