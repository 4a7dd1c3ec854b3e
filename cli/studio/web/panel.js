// The command panel: the scene's nodes, the viewed node's modifier stack and
// the open rollouts, drawn from the stand-in host's state (dialog units at
// 2 px, as the panel picture draws them). Every control sends the person's
// action to the host and shows only what the host reports back. An edit is
// named by the label on its left and the group box around it.
import { attachSpinner } from './spinner.js';

const SCALE = 2;       // px per dialog unit
const TITLE_BAR = 10;  // dialog units

function el(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  return e;
}

function centreY(c) {
  return c.y + c.cy / 2;
}

function inside(c, box) {
  return c.x >= box.x && c.y >= box.y && c.x + c.cx <= box.x + box.cx && c.y + c.cy <= box.y + box.cy;
}

// For each edit (by index): its caption (the nearest text on its row, to its
// left), its group box and its spinner (bound to the same parameter), as
// indices into controls, or -1.
function relate(controls) {
  const related = new Map();
  const pick = (test) => controls.findIndex(test);
  controls.forEach((c, i) => {
    if (c.kind !== 'custedit' && c.kind !== 'edit') return;
    let label = -1;
    controls.forEach((t, k) => {
      if (!t.kind.startsWith('text-') || Math.abs(centreY(t) - centreY(c)) > 4 || t.x + t.cx > c.x + 2) return;
      if (label < 0 || t.x + t.cx > controls[label].x + controls[label].cx) label = k;
    });
    const group = pick((g) => g.kind === 'groupbox' && inside(c, g));
    const spinner = c.param ? pick((s) => s.kind === 'spinner' && s.param === c.param) : -1;
    related.set(i, { label, group, spinner });
  });
  return related;
}

// Controls' element ids: static texts share one control id, so by index.
const controlId = (rollout, index) => `fw-r${rollout}-c${index}`;

function place(e, c) {
  e.style.left = `${c.x * SCALE}px`;
  e.style.top = `${c.y * SCALE}px`;
  e.style.width = `${c.cx * SCALE}px`;
  e.style.height = `${c.cy * SCALE}px`;
}

export class CommandPanel {
  // actions: { pickNode(handle), openModifier(handle, position), switchModifier(handle, position, on),
  //            press(rollout, id), enter(rollout, id, value), spin(rollout, id, clicks), fold(rollout, open) }
  constructor(root, actions) {
    this.actions = actions;
    this.nodes = root.querySelector('#nodes');
    this.stack = root.querySelector('#stack');
    this.rollouts = root.querySelector('#rollouts');
    this.rolloutShape = '';
  }

  update(state) {
    this.updateNodes(state);
    this.updateStack(state);
    this.updateRollouts(state.panel);
  }

  updateNodes(state) {
    this.nodes.replaceChildren();
    for (const n of state.nodes) {
      const row = el('button', 'node-row' + (n.selected ? ' selected' : ''), n.name);
      row.type = 'button';
      row.dataset.handle = n.handle;
      row.style.paddingLeft = `${6 + 12 * n.depth}px`;
      row.title = n.hasMesh ? 'mesh' : 'no mesh';
      row.addEventListener('click', () => this.actions.pickNode(n.handle));
      this.nodes.appendChild(row);
    }
  }

  updateStack(state) {
    this.stack.replaceChildren();
    const node = state.selected;
    if (!node) {
      this.stack.appendChild(el('div', 'empty', 'No node selected'));
      return;
    }
    for (const m of state.stack.modifiers) {
      const row = el('div', 'stack-row' + (m.open ? ' open' : '') + (m.enabled ? '' : ' off'));
      const on = el('input');
      on.type = 'checkbox';
      on.checked = m.enabled;
      on.title = m.enabled ? 'Switch off' : 'Switch on';
      on.setAttribute('aria-label', `${m.name} on`);
      on.addEventListener('click', (e) => {
        e.preventDefault();
        this.actions.switchModifier(node, m.position, !m.enabled);
      });
      const name = el('button', 'stack-name', m.name);
      name.type = 'button';
      name.addEventListener('click', () => this.actions.openModifier(node, m.position));
      row.append(on, name);
      this.stack.appendChild(row);
    }
    if (state.stack.base) this.stack.appendChild(el('div', 'stack-row base', state.stack.base));
  }

  // Built once per set of rollouts and controls; later states only change
  // texts, enabled and checked states, so an edit being typed in keeps its focus.
  updateRollouts(panel) {
    const shape = JSON.stringify(panel.map((r) => [r.title, r.open, r.width, r.height, r.controls.map((c) => [c.id, c.kind])]));
    if (shape !== this.rolloutShape) {
      this.rolloutShape = shape;
      this.rollouts.replaceChildren(...panel.map((r) => this.buildRollout(r)));
    }
    panel.forEach((r, i) => this.refreshRollout(this.rollouts.children[i], r));
    if (panel.length === 0) this.rollouts.replaceChildren(el('div', 'empty', 'No rollout open'));
  }

  buildRollout(r) {
    const box = el('section', 'rollout' + (r.open ? '' : ' folded'));
    box.dataset.title = r.title;
    box.style.width = `${r.width * SCALE}px`;
    const bar = el('button', 'rollout-title');
    bar.type = 'button';
    bar.style.height = `${TITLE_BAR * SCALE}px`;
    bar.append(el('span', 'fold', r.open ? '-' : '+'), el('span', 'title', r.title));
    bar.addEventListener('click', () => this.actions.fold(r.index, !r.open));
    box.appendChild(bar);
    if (!r.open) return box;
    const body = el('div', 'rollout-body');
    body.style.height = `${r.height * SCALE}px`;
    if (r.templateError) body.appendChild(el('div', 'template-error', r.templateError));
    const related = relate(r.controls);
    const captions = new Map([...related].filter(([, v]) => v.label >= 0).map(([edit, v]) => [v.label, edit]));
    const elements = r.controls.map((c, i) => body.appendChild(this.buildControl(r.index, c, i, captions)));
    for (const [i, { label, group, spinner }] of related) {
      const edit = elements[i];
      const names = [group, label].filter((k) => k >= 0).map((k) => controlId(r.index, k));
      if (names.length) edit.setAttribute('aria-labelledby', names.join(' '));
      const root = spinner >= 0 ? elements[spinner] : null;
      const arrows = root && { root, up: root.querySelector('.up'), down: root.querySelector('.down') };
      if (arrows) {
        const name = label >= 0 ? r.controls[label].text.replace(/:$/, '') : 'value';
        arrows.up.setAttribute('aria-label', `${name} up`);
        arrows.down.setAttribute('aria-label', `${name} down`);
      }
      const id = r.controls[i].id;
      attachSpinner(edit, arrows, {
        enter: (value) => this.actions.enter(r.index, id, value),
        spin: (clicks) => this.actions.spin(r.index, spinner >= 0 ? r.controls[spinner].id : id, clicks),
      });
    }
    box.appendChild(body);
    return box;
  }

  buildControl(rollout, c, index, captions) {
    let e;
    switch (c.kind) {
      case 'pushbutton':
      case 'custbutton':
        e = el('button', `ctl ${c.kind}`);
        e.type = 'button';
        e.addEventListener('click', () => this.actions.press(rollout, c.id));
        break;
      case 'checkbox':
      case 'radiobutton': {
        e = el('label', `ctl ${c.kind}`);
        const box = el('input');
        box.type = c.kind === 'checkbox' ? 'checkbox' : 'radio';
        box.addEventListener('click', (ev) => {
          ev.preventDefault();  // the host's answer decides the state
          this.actions.press(rollout, c.id);
        });
        e.append(box, el('span', 'caption'));
        break;
      }
      case 'custedit':
      case 'edit':
        e = el('input', `ctl ${c.kind}`);
        e.type = 'text';
        e.spellcheck = false;
        e.autocomplete = 'off';
        break;
      case 'spinner': {
        e = el('div', 'ctl spinner');
        const up = el('button', 'spin up'), down = el('button', 'spin down');
        up.type = down.type = 'button';
        up.setAttribute('aria-label', 'up');
        down.setAttribute('aria-label', 'down');
        e.append(up, down);
        break;
      }
      case 'groupbox':
        e = el('div', 'ctl groupbox');
        e.appendChild(el('span', 'legend'));
        break;
      default:
        // A caption of an edit is its label: a click on it goes to the edit.
        if (captions.has(index)) {
          e = el('label', `ctl ${c.kind} caption-of`);
          e.htmlFor = controlId(rollout, captions.get(index));
        } else {
          e = el('div', `ctl ${c.kind}`);
        }
    }
    e.id = controlId(rollout, index);
    e.dataset.id = c.id;
    place(e, c);
    return e;
  }

  refreshRollout(box, r) {
    if (!box || !r.open) return;
    const body = box.querySelector('.rollout-body');
    const elements = body.querySelectorAll(':scope > .ctl');
    r.controls.forEach((c, i) => {
      const e = elements[i];
      if (!e) return;
      e.classList.toggle('disabled', !c.enabled);
      e.classList.toggle('checked', c.checked);
      switch (c.kind) {
        case 'pushbutton':
        case 'custbutton':
          e.textContent = c.text;
          e.disabled = !c.enabled;
          e.setAttribute('aria-pressed', c.checkButton ? String(c.checked) : 'false');
          break;
        case 'checkbox':
        case 'radiobutton': {
          const input = e.querySelector('input');
          input.checked = c.checked;
          input.disabled = !c.enabled;
          e.querySelector('.caption').textContent = c.text;
          break;
        }
        case 'custedit':
        case 'edit':
          e.disabled = !c.enabled;
          e.dataset.shown = c.text;
          if (document.activeElement !== e || e.dataset.typed !== '1') e.value = c.text;
          e.setAttribute('aria-valuenow', String(Number(c.text)));
          if (c.min !== undefined) e.setAttribute('aria-valuemin', String(c.min));
          if (c.max !== undefined) e.setAttribute('aria-valuemax', String(c.max));
          break;
        case 'spinner':
          for (const b of e.querySelectorAll('button')) b.disabled = !c.enabled;
          break;
        case 'groupbox':
          e.querySelector('.legend').textContent = c.text;
          e.setAttribute('aria-label', c.text);
          break;
        default:
          e.textContent = c.text;
          e.classList.toggle('multiline', c.text.includes('\n') || c.cy >= 16);
      }
    });
  }
}
