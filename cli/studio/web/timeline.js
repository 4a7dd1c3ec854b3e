// The time slider: the animation range, the frame shown, play and pause.
// Scrubbing asks for frames; while one is on its way only the latest wanted
// frame is kept, so the page never queues a backlog of evaluations.

export class Timeline {
  // showFrame(frame) fetches and shows a frame and resolves when shown.
  constructor(root, showFrame) {
    this.slider = root.querySelector('#time-slider');
    this.label = root.querySelector('#frame-label');
    this.play = root.querySelector('#play');
    this.showFrame = showFrame;
    this.frame = 0;
    this.start = 0;
    this.end = 100;
    this.fps = 30;
    this.wanted = null;
    this.busy = false;
    this.playing = false;
    this.slider.addEventListener('input', () => this.request(Number(this.slider.value)));
    this.play.addEventListener('click', () => this.setPlaying(!this.playing));
  }

  setRange(time) {
    this.start = time.start;
    this.end = Math.max(time.end, time.start);
    this.fps = time.fps > 0 ? time.fps : 30;
    this.slider.min = this.start;
    this.slider.max = this.end;
    this.showLabel();
  }

  showLabel() {
    this.slider.value = this.frame;
    this.label.textContent = `${this.frame} / ${this.start}\u2013${this.end}`;
  }

  setEnabled(on) {
    this.slider.disabled = !on;
    this.play.disabled = !on;
    if (!on) this.setPlaying(false);
  }

  setPlaying(on) {
    this.playing = on;
    this.play.textContent = on ? 'Pause' : 'Play';
    this.play.setAttribute('aria-pressed', String(on));
    if (on) this.tick();
  }

  // Shows `frame` as soon as the frame before it is shown.
  async request(frame) {
    this.wanted = frame;
    if (this.busy) return;
    this.busy = true;
    try {
      while (this.wanted !== null) {
        const f = this.wanted;
        this.wanted = null;
        await this.showFrame(f);
        this.frame = f;
        this.showLabel();
      }
    } finally {
      this.busy = false;
    }
  }

  async tick() {
    while (this.playing) {
      const began = performance.now();
      const next = this.frame >= this.end ? this.start : this.frame + 1;
      try {
        await this.request(next);
      } catch (_) {
        this.setPlaying(false);
        return;
      }
      const wait = 1000 / this.fps - (performance.now() - began);
      if (wait > 0) await new Promise((r) => setTimeout(r, wait));
    }
  }
}
