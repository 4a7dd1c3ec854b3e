// Modal dialogs: the host's message boxes, which hold the host until they are
// answered, and the page's own question for a file name.

const LABELS = { ok: 'OK', cancel: 'Cancel', yes: 'Yes', no: 'No', abort: 'Abort', retry: 'Retry', ignore: 'Ignore' };
const ICONS = { question: '?', warning: '!', information: 'i', error: '\u00d7' };

export class MessageBoxDialog {
  // answer(id, button) sends the person's choice; it rejects when the host refused it.
  constructor(root, answer) {
    this.root = root;
    this.answer = answer;
    this.current = null;
  }

  show(box) {
    this.current = box.id;
    const r = this.root;
    r.querySelector('.caption').textContent = box.caption;
    r.querySelector('.text').textContent = box.text;
    const icon = r.querySelector('.icon');
    icon.textContent = ICONS[box.icon] || '';
    icon.className = `icon ${box.icon}`;
    icon.hidden = !ICONS[box.icon];
    const buttons = r.querySelector('.buttons');
    buttons.replaceChildren();
    for (const name of box.buttons) {
      const b = document.createElement('button');
      b.type = 'button';
      b.textContent = LABELS[name] || name;
      b.dataset.answer = name;
      b.addEventListener('click', async () => {
        for (const other of buttons.children) other.disabled = true;
        try {
          await this.answer(box.id, name);
        } catch (_) {
          for (const other of buttons.children) other.disabled = false;
        }
      });
      buttons.appendChild(b);
    }
    r.dataset.box = box.id;
    r.hidden = false;
    buttons.firstChild?.focus();
  }

  close(id) {
    if (id !== undefined && id !== this.current) return;
    this.current = null;
    this.root.hidden = true;
  }
}

// Asks for a path; resolves with it, or null when cancelled.
export function askPath(root, title, suggestion) {
  return new Promise((resolve) => {
    root.querySelector('.caption').textContent = title;
    const input = root.querySelector('input');
    input.value = suggestion;
    root.hidden = false;
    input.focus();
    input.select();
    const done = (value) => {
      root.hidden = true;
      ok.removeEventListener('click', onOk);
      cancel.removeEventListener('click', onCancel);
      input.removeEventListener('keydown', onKey);
      resolve(value);
    };
    const ok = root.querySelector('.ok'), cancel = root.querySelector('.cancel');
    const onOk = () => done(input.value.trim() || null);
    const onCancel = () => done(null);
    const onKey = (e) => {
      if (e.key === 'Enter') onOk();
      if (e.key === 'Escape') onCancel();
    };
    ok.addEventListener('click', onOk);
    cancel.addEventListener('click', onCancel);
    input.addEventListener('keydown', onKey);
  });
}
