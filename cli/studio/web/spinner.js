// A spinner as the host's behaves: an edit and its up/down arrows. Typed
// values go to the host on Enter or Tab (Escape takes them back); the arrow
// keys step by one click (Page Up/Down by ten), so does the mouse wheel over
// the edit or the arrows; a click on an arrow steps once, and dragging on the
// arrows steps once per few pixels. An entry that is no number flashes and
// reverts. The host clamps and rounds; the edit then shows its answer.

const NUMBER = /^[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?$/;
const DRAG_PIXELS = 4;  // per click while dragging

// The number typed, or null when the text is none (hex, words, empty...).
export function parseEntry(text) {
  const t = text.trim();
  return NUMBER.test(t) ? Number(t) : null;
}

// The edit flashes and shows the host's value again.
export function reject(edit) {
  edit.value = edit.dataset.shown ?? '';
  edit.classList.remove('invalid');
  void edit.offsetWidth;  // restarts the flash
  edit.classList.add('invalid');
  edit.setAttribute('aria-invalid', 'true');
  setTimeout(() => {
    edit.classList.remove('invalid');
    edit.removeAttribute('aria-invalid');
  }, 700);
}

// actions: enter(value) and spin(clicks), each resolving once the host answered.
export function attachSpinner(edit, arrows, actions) {
  edit.setAttribute('role', 'spinbutton');
  const commit = () => {
    if (edit.dataset.typed !== '1') return;
    edit.dataset.typed = '';
    if (edit.value === edit.dataset.shown) return;
    const value = parseEntry(edit.value);
    if (value === null || !Number.isFinite(value)) return reject(edit);
    edit.dataset.shown = edit.value;
    actions.enter(value);
  };
  // Clicks are summed while one is on its way, so a drag never queues a backlog.
  let owed = 0, sending = false;
  const spin = async (clicks) => {
    owed += clicks;
    if (sending) return;
    sending = true;
    try {
      while (owed !== 0) {
        const n = owed;
        owed = 0;
        await actions.spin(n);
      }
    } finally {
      sending = false;
    }
  };
  edit.addEventListener('input', () => { edit.dataset.typed = '1'; });
  edit.addEventListener('change', commit);
  edit.addEventListener('keydown', (e) => {
    const step = { ArrowUp: 1, ArrowDown: -1, PageUp: 10, PageDown: -10 }[e.key];
    if (e.key === 'Enter') commit();
    else if (e.key === 'Escape') {
      edit.value = edit.dataset.shown ?? '';
      edit.dataset.typed = '';
    } else if (step) {
      e.preventDefault();
      edit.dataset.typed = '';
      spin(step);
    }
  });
  const wheel = (e) => {
    if (edit.disabled || e.deltaY === 0) return;
    e.preventDefault();
    spin(e.deltaY < 0 ? 1 : -1);
  };
  edit.addEventListener('wheel', wheel, { passive: false });
  if (!arrows) return;
  arrows.root.addEventListener('wheel', wheel, { passive: false });
  for (const [button, direction] of [[arrows.up, 1], [arrows.down, -1]]) {
    button.tabIndex = -1;
    button.addEventListener('pointerdown', (e) => {
      if (button.disabled || e.button !== 0) return;
      e.preventDefault();
      button.setPointerCapture(e.pointerId);
      const startY = e.clientY;
      let sent = 0, dragged = false;
      const move = (m) => {
        const clicks = Math.trunc((startY - m.clientY) / DRAG_PIXELS);
        if (clicks === 0 && !dragged) return;
        dragged = true;
        arrows.root.classList.add('dragging');
        if (clicks !== sent) spin(clicks - sent);
        sent = clicks;
      };
      const up = () => {
        button.removeEventListener('pointermove', move);
        button.removeEventListener('pointerup', up);
        button.removeEventListener('pointercancel', up);
        arrows.root.classList.remove('dragging');
        if (!dragged) spin(direction);
      };
      button.addEventListener('pointermove', move);
      button.addEventListener('pointerup', up);
      button.addEventListener('pointercancel', up);
    });
    // The keyboard reaches the arrows through the edit; a click without a pointer still steps.
    button.addEventListener('click', (e) => {
      if (e.detail === 0) spin(direction);
    });
  }
}
