// The chart's timeframe, chosen beside the title. The page's address always
// names the timeframe shown (?timeframe=5m), so a reload or a bookmark shows
// the same bars: an address naming another one than the server's asks for it
// once, when the first state comes.

const PARAMETER = 'timeframe';

export class TimeframeChoice {
  /**
   * @param {{ select: HTMLSelectElement, send: (path: string, body: object) => Promise<{ok: boolean, text: string}>,
   *           notice: import('./notice.js').Notice }} parts
   */
  constructor({ select, send, notice }) {
    Object.assign(this, { select, send, notice });
    this.state = null;
    this.offered = '';  // the names the list holds, to build it once
    /** @type {string | null} the address's timeframe, until it is asked for */
    this.wanted = new URLSearchParams(window.location.search).get(PARAMETER);
    this.asking = false;
    select.addEventListener('change', () => this.choose(select.value));
  }

  render(state) {
    this.state = state;
    const names = state.timeframes.map((offer) => offer.name);
    if (!names.includes(state.timeframe)) names.push(state.timeframe);  // one the command line set
    if (names.join() !== this.offered) {
      this.select.replaceChildren(...names.map((name) => {
        const option = document.createElement('option');
        option.value = name;
        option.textContent = state.timeframes.find((offer) => offer.name === name)?.label ?? name;
        return option;
      }));
      this.offered = names.join();
    }
    if (this.wanted !== null && !this.asking) {
      const wanted = this.wanted;
      this.wanted = null;
      if (wanted !== state.timeframe) {
        this.choose(wanted);
        return;
      }
    }
    if (!this.asking) this.show(state.timeframe);
  }

  async choose(name) {
    this.asking = true;
    this.select.value = name;
    const applied = await this.notice.report(this.send('timeframe', { timeframe: name }), 'timeframe');
    this.asking = false;
    if (applied) this.show(name);
    else if (this.state) this.show(this.state.timeframe);
  }

  // The list and the address name `name`, the timeframe shown.
  show(name) {
    this.select.value = name;
    const address = new URL(window.location.href);
    if (address.searchParams.get(PARAMETER) === name) return;
    address.searchParams.set(PARAMETER, name);
    window.history.replaceState(null, '', address);
  }
}
