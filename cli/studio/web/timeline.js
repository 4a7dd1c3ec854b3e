// The time slider: the animation range, the frame shown, play and pause.
// Scrubbing asks for frames; while one is on its way only the latest wanted
// frame is kept, so the page never queues a backlog of evaluations. The next
// frame is fetched while the one before is drawn. A frame the host moved to
// from another page is followed without moving the host.

export class Timeline {
  // fetchFrame(frame, move) fetches a frame (moving the host's slider there
  // when move) and resolves with {frame, show}: show() hands it to the
  // viewport and resolves once it is drawn.
  constructor(root, fetchFrame) {
    this.slider = root.querySelector('#time-slider');
    this.label = root.querySelector('#frame-label');
    this.play = root.querySelector('#play');
    this.fetchFrame = fetchFrame;
    this.frame = 0;
    this.start = 0;
    this.end = 100;
    this.fps = 30;
    this.wanted = null;   // {frame, move}
    this.showing = null;  // the frame on its way
    this.playing = false;
    this.pumping = null;  // the promise of the frames on their way
    this.labelText = '';
    this.slider.addEventListener('input', () => this.request(Number(this.slider.value)));
    this.play.addEventListener('click', () => this.setPlaying(!this.playing));
  }

  setRange(time) {
    this.start = time.start;
    this.end = Math.max(time.end, time.start);
    this.fps = time.fps > 0 ? time.fps : 30;
    if (this.slider.min !== String(this.start)) this.slider.min = this.start;
    if (this.slider.max !== String(this.end)) this.slider.max = this.end;
    this.showLabel();
  }

  showLabel() {
    if (this.slider.value !== String(this.frame)) this.slider.value = this.frame;
    const text = `${this.frame} / ${this.start}\u2013${this.end}`;
    if (text !== this.labelText) this.label.textContent = this.labelText = text;
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

  // Whether `frame` is shown or on its way.
  has(frame) {
    return this.frame === frame || this.showing === frame || this.wanted?.frame === frame;
  }

  // Shows `frame` as soon as the frame before it is shown.
  request(frame, move = true) {
    this.wanted = { frame, move };
    return this.pump();
  }

  // Shows the frame the host's slider is at (another page moved it).
  follow(frame) {
    if (this.has(frame)) return Promise.resolve();
    return this.request(frame, false);
  }

  // Resolves once every frame wanted so far is shown (or replaced by a later one).
  pump() {
    if (!this.pumping) this.pumping = this.run().finally(() => { this.pumping = null; });
    return this.pumping;
  }

  async run() {
    let drawn = Promise.resolve();
    try {
      for (;;) {
        while (this.wanted !== null) {
          const { frame, move } = this.wanted;
          this.wanted = null;
          this.showing = frame;
          const next = await this.fetchFrame(frame, move);
          // Never replace a frame before it was drawn.
          await drawn;
          this.frame = next ? next.frame : frame;
          this.showLabel();
          drawn = next ? next.show() : Promise.resolve();
          this.showing = null;
        }
        await drawn;
        if (this.wanted === null) return;
      }
    } finally {
      this.showing = null;
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
