// Modal dialogs: the host's message boxes, which hold the host until they are
// answered; the page's own questions in the same style; the question for a
// file name, which shows where the name leads before anything is written;
// and the notice that the studio has stopped.

const LABELS = { ok: 'OK', cancel: 'Cancel', yes: 'Yes', no: 'No', abort: 'Abort', retry: 'Retry', ignore: 'Ignore' };
const ICONS = { question: '?', warning: '!', information: 'i', error: '\u00d7' };

function fill(root, caption, text, icon) {
  root.querySelector('.caption').textContent = caption;
  root.querySelector('.text').textContent = text;
  const mark = root.querySelector('.icon');
  mark.textContent = ICONS[icon] || '';
  mark.className = `icon ${icon}`;
  mark.hidden = !ICONS[icon];
}

function button(label, name) {
  const b = document.createElement('button');
  b.type = 'button';
  b.textContent = label;
  b.dataset.answer = name;
  return b;
}

export class MessageBoxDialog {
  // answer(id, button) sends the person's choice; it rejects when the host refused it.
  constructor(root, answer) {
    this.root = root;
    this.answer = answer;
    this.current = null;
    this.lastClosed = 0;  // boxes are numbered in order: one closed is never shown again
  }

  show(box) {
    if (box.id <= this.lastClosed || (box.id === this.current && !this.root.hidden)) return;
    this.current = box.id;
    const r = this.root;
    fill(r, box.caption, box.text, box.icon);
    const buttons = r.querySelector('.buttons');
    buttons.replaceChildren();
    for (const name of box.buttons) {
      const b = button(LABELS[name] || name, name);
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
    this.lastClosed = Math.max(this.lastClosed, id);
    if (id !== this.current) return;
    this.current = null;
    this.root.hidden = true;
  }
}

// The page's own question: {caption, text, icon, buttons: [[name, label]...]}.
// Resolves with the chosen name; Escape chooses the last button.
export function ask(root, { caption, text, icon = 'question', buttons }) {
  return new Promise((resolve) => {
    fill(root, caption, text, icon);
    const row = root.querySelector('.buttons');
    row.replaceChildren();
    const done = (name) => {
      root.hidden = true;
      root.removeEventListener('keydown', onKey);
      resolve(name);
    };
    const onKey = (e) => {
      if (e.key === 'Escape') done(buttons.at(-1)[0]);
    };
    for (const [name, label] of buttons) {
      const b = button(label, name);
      b.addEventListener('click', () => done(name));
      row.appendChild(b);
    }
    root.addEventListener('keydown', onKey);
    root.hidden = false;
    // The safe answer has the focus, so Enter never replaces a file by accident.
    row.lastChild.focus();
  });
}

// Asks for a file name; check(name) says where it leads ({path, problem, ...}),
// shown as the person types. Resolves with the last check of the name
// accepted, or null when cancelled. OK waits while the name has a problem.
export function askPath(root, title, suggestion, check) {
  return new Promise((resolve) => {
    root.querySelector('.caption').textContent = title;
    const input = root.querySelector('input');
    const resolved = root.querySelector('.resolved'), problem = root.querySelector('.problem');
    const ok = root.querySelector('.ok'), cancel = root.querySelector('.cancel');
    input.value = suggestion;
    let asked = 0;
    const look = async () => {
      const mine = ++asked;
      let answer;
      try {
        answer = await check(input.value);
      } catch (e) {
        answer = { path: '', problem: e.message };
      }
      if (mine !== asked) return null;
      resolved.textContent = answer.path ? `\u2192 ${answer.path}` : '';
      problem.textContent = answer.problem || '';
      ok.disabled = Boolean(answer.problem);
      return answer;
    };
    let timer = null;
    const onInput = () => {
      clearTimeout(timer);
      timer = setTimeout(look, 120);
    };
    const done = (value) => {
      clearTimeout(timer);
      asked++;
      root.hidden = true;
      ok.removeEventListener('click', onOk);
      cancel.removeEventListener('click', onCancel);
      input.removeEventListener('keydown', onKey);
      input.removeEventListener('input', onInput);
      resolve(value);
    };
    const onOk = async () => {
      clearTimeout(timer);
      const answer = await look();
      if (answer && !answer.problem) done(answer);
      else input.focus();
    };
    const onCancel = () => done(null);
    const onKey = (e) => {
      if (e.key === 'Enter') onOk();
      if (e.key === 'Escape') onCancel();
    };
    ok.addEventListener('click', onOk);
    cancel.addEventListener('click', onCancel);
    input.addEventListener('keydown', onKey);
    input.addEventListener('input', onInput);
    resolved.textContent = problem.textContent = '';
    ok.disabled = false;
    root.hidden = false;
    input.focus();
    input.select();
    look();
  });
}

// The studio is gone: one clear modal, and nothing else can be worked.
export function showStopped(root, text) {
  if (!root.hidden) return;
  root.querySelector('.text').textContent = text;
  for (const modal of document.querySelectorAll('.modal')) if (modal !== root) modal.hidden = true;
  for (const control of document.querySelectorAll('button, input, select, textarea')) control.disabled = true;
  for (const part of document.querySelectorAll('body > header, body > main, body > footer')) part.inert = true;
  document.body.classList.add('stopped');
  root.hidden = false;
}
