// A one-line message where an action was taken (beside the control bar, in
// the replay or settings panel): why the server refused it, or that it was
// not heard. It goes at the next action there that succeeds, or after a while.

const SHOWN_MILLISECONDS = 10000;

export class Notice {
  constructor(element) {
    this.element = element;
    this.timer = null;
  }

  show(text) {
    clearTimeout(this.timer);
    this.element.textContent = text;
    this.element.hidden = false;
    this.timer = setTimeout(() => this.clear(), SHOWN_MILLISECONDS);
  }

  clear() {
    clearTimeout(this.timer);
    this.element.hidden = true;
    this.element.textContent = '';
  }

  // Sends a request and says what became of it here; resolves to whether it was accepted.
  async report(answerPromise, what) {
    const answer = await answerPromise;
    if (answer.ok) this.clear();
    else this.show(`${what}: ${answer.text}`);
    return answer.ok;
  }
}
