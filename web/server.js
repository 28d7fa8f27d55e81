// Talking to kovra serve: the whole state, its changes as they happen, and
// the requests the page sends.

const POLL_MILLISECONDS = 500;

// Calls onSnapshot(state JSON) for every whole state and onUpdate(update JSON)
// for each change in order; onNote(text) tells the user how the page is connected.
export function followChart({ onSnapshot, onUpdate, onNote }) {
  let version = -1;
  let fetching = null;
  let polling = null;

  function fetchState() {
    if (fetching) return fetching;
    fetching = fetch('/api/state', { cache: 'no-store' })
      .then((response) => {
        if (!response.ok) throw new Error(`state: ${response.status}`);
        return response.json();
      })
      .then((state) => {
        version = state.version;
        onSnapshot(state);
      })
      .catch((error) => onNote(`cannot read the chart (${error.message}); retrying`))
      .finally(() => { fetching = null; });
    return fetching;
  }

  // Updates apply one after another; a gap means something was missed.
  function take(name, data) {
    if (name === 'update') {
      if (data.version === version + 1 && !fetching) {
        version = data.version;
        onUpdate(data);
      } else if (data.version > version) {
        fetchState();
      }
    } else if (name === 'reload' && data.version !== version) {
      fetchState();
    }
  }

  function poll() {
    fetch(`/api/updates?after=${Math.max(version, 0)}`, { cache: 'no-store' })
      .then((response) => response.json())
      .then((events) => events.forEach(({ event, data }) => take(event, data)))
      .catch(() => {});
  }

  const stream = new EventSource('/api/events');
  stream.addEventListener('hello', (event) => {
    onNote('live');
    if (JSON.parse(event.data).version !== version) fetchState();
  });
  stream.addEventListener('update', (event) => take('update', JSON.parse(event.data)));
  stream.addEventListener('reload', (event) => take('reload', JSON.parse(event.data)));
  // A newer page took this page's live stream: it keeps up by asking twice a second.
  stream.addEventListener('replaced', () => {
    stream.close();
    onNote('live (a newer page has the event stream; this one asks twice a second)');
    polling = setInterval(poll, POLL_MILLISECONDS);
  });
  stream.addEventListener('error', () => {
    if (!polling) onNote('reconnecting…');
  });
  fetchState();
}

// POSTs `body` (an object, sent as JSON) to `path`; resolves to the server's
// one-line answer and whether it was accepted.
export async function send(path, body) {
  const response = await fetch(path, {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body: body === undefined ? '' : JSON.stringify(body),
  });
  return { ok: response.ok, status: response.status, text: (await response.text()).trim() };
}
