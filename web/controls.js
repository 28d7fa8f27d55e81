// The control bar (buttons 1 to 17 with the study's labels and hover texts),
// the title line and the settings panel (every input by its list items, each
// subgraph's colour), all drawn from the state; clicks and changes go to the server.

import { send } from './server.js';

// "#RRGGBB" to the record's 0x00BBGGRR.
function recordColour(hex) {
  const value = parseInt(hex.slice(1), 16);
  const bgr = ((value & 255) << 16) | (value & 0xff00) | (value >> 16);
  return `0x${bgr.toString(16).padStart(6, '0').toUpperCase()}`;
}

export class Controls {
  constructor({ bar, title, inputs, subgraphs, report }) {
    Object.assign(this, { bar, title, inputs, subgraphs, report });
    this.inputsShown = '';
    this.subgraphsShown = '';
  }

  render(state) {
    this.title.textContent = state.title;
    document.title = `${state.studyName} — kovra`;
    this.renderButtons(state.buttons);
    this.renderInputs(state.inputs);
    this.renderSubgraphs(state.subgraphs);
  }

  renderButtons(buttons) {
    if (this.bar.children.length !== buttons.length) {
      this.bar.replaceChildren(...buttons.map(({ number }) => {
        const button = document.createElement('button');
        button.type = 'button';
        button.dataset.number = String(number);
        button.addEventListener('click', () => this.push(number));
        return button;
      }));
    }
    buttons.forEach((state, i) => {
      const button = this.bar.children[i];
      button.textContent = state.label || String(state.number);
      button.title = state.hover;
      button.setAttribute('aria-pressed', String(state.pushed));
    });
  }

  async push(number) {
    window.__lastClickAt = performance.now();
    const answer = await send(`/api/button/${number}`);
    if (!answer.ok) this.report(`button ${number}: ${answer.text}`);
  }

  renderInputs(inputs) {
    const shown = JSON.stringify(inputs);
    if (shown === this.inputsShown) return;
    this.inputsShown = shown;
    this.inputs.replaceChildren(...inputs.map((input) => {
      const label = document.createElement('label');
      const select = document.createElement('select');
      select.name = input.name;
      select.replaceChildren(...input.items.map((item) => new Option(item, item, false, item === input.value)));
      select.addEventListener('change', () => this.change({ inputs: [{ input: input.name, value: select.value }] }));
      label.append(input.name, select);
      return label;
    }));
  }

  renderSubgraphs(subgraphs) {
    const shown = JSON.stringify(subgraphs);
    if (shown === this.subgraphsShown) return;
    this.subgraphsShown = shown;
    this.subgraphs.replaceChildren(...subgraphs.map((subgraph) => {
      const label = document.createElement('label');
      const colour = document.createElement('input');
      colour.type = 'color';
      colour.value = subgraph.colour.toLowerCase();
      colour.dataset.position = String(subgraph.position);
      colour.addEventListener('change', () => this.change({
        subgraphs: [{ subgraph: `#${subgraph.position}`, field: 'PrimaryColour', value: recordColour(colour.value) }],
      }));
      label.append(subgraph.name, colour);
      return label;
    }));
  }

  async change(settings) {
    const answer = await send('/api/settings', settings);
    if (!answer.ok) this.report(answer.text);
  }
}
