// The control bar (buttons 1 to 17 with the study's labels and hover texts),
// the title line and the settings panel (every input by its list items, the
// item in force marked, each subgraph's colour), all drawn from the state;
// clicks and changes go to the server. Nothing the page shows differs from
// the state for long: a change the server refused, or never heard, goes back.

const IN_FORCE_MARK = ' ✓';

export class Controls {
  // send(route, body): the connection's; barNotice and settingsNotice: where their refusals show.
  constructor({ bar, title, inputs, subgraphs, send, barNotice, settingsNotice }) {
    Object.assign(this, { bar, title, inputs, subgraphs, send, barNotice, settingsNotice });
    this.state = null;
    this.instrument = '';  // the workspace's instrument shown, named in the window's title
    this.inputsShown = '';
    this.subgraphsShown = '';
  }

  // `again`: rebuild every control from the state, dropping any edit not applied.
  render(state, again = false) {
    this.state = state;
    if (again) this.inputsShown = this.subgraphsShown = '';
    this.title.textContent = state.title;
    document.title = `${this.instrument ? `${this.instrument} · ` : ''}${state.studyName} — kovra`;
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
        button.addEventListener('click', () => this.push(button));
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

  // As on the platform, a pushed button clicked again is released: the study gets the "off" event.
  push(button) {
    const state = button.getAttribute('aria-pressed') === 'true' ? 'off' : 'on';
    const number = button.dataset.number;
    return this.barNotice.report(this.send(`button/${number}?state=${state}`), `button ${button.textContent}`);
  }

  renderInputs(inputs) {
    const shown = JSON.stringify(inputs);
    if (shown === this.inputsShown) return;
    this.inputsShown = shown;
    this.inputs.replaceChildren(...inputs.map((input) => {
      const label = document.createElement('label');
      const select = document.createElement('select');
      select.name = input.name;
      select.replaceChildren(...input.items.map((item) => {
        const inForce = item === input.value;
        const option = new Option(inForce ? item + IN_FORCE_MARK : item, item, false, inForce);
        if (inForce) option.dataset.inForce = '';
        return option;
      }));
      select.addEventListener('change', () => this.change({ inputs: [{ input: input.name, value: select.value }] }, input.name));
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
        subgraphs: [{ subgraph: `#${subgraph.position}`, field: 'PrimaryColour', value: colour.value }],
      }, subgraph.name));
      label.append(subgraph.name, colour);
      return label;
    }));
  }

  async change(settings, what) {
    const applied = await this.settingsNotice.report(this.send('settings', settings), what);
    if (!applied && this.state) this.render(this.state, true);
  }
}
