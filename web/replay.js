// Replay: play and pause, one bar forward, the speed and the bar to start over from.

import { send } from './server.js';

export class ReplayControls {
  constructor({ play, step, speed, startBar, start, status, report }) {
    Object.assign(this, { play, step, speed, startBar, start, status, report });
    this.playing = false;
    play.addEventListener('click', () => this.ask({ action: this.playing ? 'pause' : 'play' }));
    step.addEventListener('click', () => this.ask({ action: 'step' }));
    speed.addEventListener('change', () => this.ask({ speed: Number(speed.value) }));
    start.addEventListener('click', () => this.ask({ start: Number(startBar.value) }));
  }

  render(state) {
    const { playing, speed, knownBars } = state.replay;
    this.playing = playing;
    this.play.textContent = playing ? 'Pause' : 'Play';
    this.play.setAttribute('aria-pressed', String(playing));
    if (document.activeElement !== this.speed) this.speed.value = String(speed);
    this.startBar.max = String(knownBars);
    if (!this.startBar.value) this.startBar.value = String(state.barCount);
    this.status.textContent = `${state.barCount} of ${knownBars} bars shown${playing ? ', playing' : ''}`;
  }

  async ask(request) {
    const answer = await send('/api/replay', request);
    if (!answer.ok) this.report(`replay: ${answer.text}`);
  }
}
