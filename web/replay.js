// Replay: play and pause, one bar forward, the speed and the bar to start over from.

export class ReplayControls {
  // send(route, body): the connection's (route: `replay`, under the chart's routes); notice: where refusals show.
  constructor({ play, step, speed, startBar, start, status, send, notice }) {
    Object.assign(this, { play, step, speed, startBar, start, status, send, notice });
    this.state = null;
    play.addEventListener('click', () => this.ask({ action: this.state?.replay.playing ? 'pause' : 'play' }, 'play'));
    step.addEventListener('click', () => this.ask({ action: 'step' }, 'step'));
    speed.addEventListener('change', () => this.ask({ speed: Number(speed.value) }, 'speed'));
    start.addEventListener('click', () => this.ask({ start: Number(startBar.value) }, 'start over'));
  }

  // `again`: the speed shows the one in force even while edited.
  render(state, again = false) {
    this.state = state;
    const { playing, speed, shownBars, knownBars } = state.replay;
    this.play.textContent = playing ? 'Pause' : 'Play';
    this.play.setAttribute('aria-pressed', String(playing));
    if (again || document.activeElement !== this.speed) this.speed.value = String(speed);
    this.startBar.max = String(knownBars);
    if (!this.startBar.value) this.startBar.value = String(shownBars);
    // The replay counts the file's bars, whatever the timeframe.
    this.status.textContent = `${shownBars} of ${knownBars} bars of the file shown${playing ? ', playing' : ''}`;
  }

  async ask(request, what) {
    const applied = await this.notice.report(this.send('replay', request), what);
    if (!applied && this.state) this.render(this.state, true);
  }
}
