// The studio page: the stand-in host's user interface. Everything it shows
// comes from the host (scene state, frames, events); everything the person
// does goes to the host as the host's own controls would send it.
import * as api from './api.js';
import { Viewport } from './viewport.js';
import { CommandPanel } from './panel.js';
import { Timeline } from './timeline.js';
import { MessageBoxDialog, askPath } from './dialogs.js';

const $ = (selector) => document.querySelector(selector);

const studio = {
  state: null,
  revision: -1,
  node: 0,          // the node the viewport shows
  topologyKey: null,
  pending: 0,       // commands on their way
  lastFrame: null,  // for tests: the frame last shown
};
window.fernwickStudio = studio;

const viewport = new Viewport($('#viewport'));
const boxes = new MessageBoxDialog($('#msgbox'), (id, answer) => api.answerBox(id, answer));
const timeline = new Timeline($('#timeline'), showFrame);

function notice(text, kind = 'info') {
  const n = $('#notice');
  n.textContent = text;
  n.className = kind;
}

async function showFrame(frame) {
  if (!studio.node) return;
  const node = studio.node;
  let data = await api.getFrame(node, frame);
  if (data.key !== studio.topologyKey || node !== studio.shownNode) {
    const topology = await api.getTopology(node);
    if (topology.key !== data.key) data = await api.getFrame(node, frame);
    viewport.setTopology(topology);
    studio.topologyKey = topology.key;
    if (node !== studio.shownNode) viewport.framed = false;
    studio.shownNode = node;
  }
  viewport.setFrame(data);
  studio.lastFrame = data;
  $('#legend').textContent = data.hasFernwick
    ? `Fernwick moves vertices up to ${data.maxDisplacement.toPrecision(3)}`
    : 'No Fernwick on this node';
  document.body.dataset.frame = String(data.frame);
}

function applyState(state) {
  if (!state || state.revision < studio.revision) return;
  studio.state = state;
  studio.revision = state.revision;
  const doc = state.document;
  $('#document').textContent = doc.name + (doc.savePath ? ` \u2014 ${doc.savePath}` : '');
  $('#save').disabled = !doc.canSave;
  $('#export').disabled = !doc.canExport;
  panel.update(state);
  showStatus(state.status);
  timeline.setRange(state.time);
  timeline.frame = state.time.frame;
  timeline.showLabel();
  if (state.selected) studio.node = state.selected;
  else if (!state.nodes.some((n) => n.handle === studio.node)) studio.node = state.nodes.find((n) => n.hasMesh)?.handle || 0;
  document.body.dataset.revision = String(state.revision);
  return timeline.request(state.time.frame).catch((e) => notice(e.message, 'error'));
}

function showStatus(status) {
  $('#prompt').textContent = status.prompt;
  const bar = $('#progress');
  bar.hidden = !status.progress.active;
  $('#progress-title').textContent = status.progress.title;
  const pct = Math.max(0, status.progress.percent);
  $('#progress-fill').style.width = `${pct}%`;
  $('#progress-pct').textContent = status.progress.percent >= 0 ? `${pct} %` : '';
}

// Sends an action; the panel waits, as the host's would, until it is done.
async function run(path, body) {
  studio.pending++;
  document.body.classList.add('busy');
  timeline.setEnabled(false);
  try {
    const state = await api.command(path, body);
    await applyState(state);
    return state;
  } catch (e) {
    notice(e.message, 'error');
    if (e.status >= 400 && e.status < 500) await refresh();
    return null;
  } finally {
    if (--studio.pending === 0) {
      document.body.classList.remove('busy');
      timeline.setEnabled(true);
    }
  }
}

async function refresh() {
  try {
    await applyState(await api.getScene());
  } catch (e) {
    notice(e.message, 'error');
  }
}

const panel = new CommandPanel($('#command-panel'), {
  pickNode: (node) => run('select', { node }),
  openModifier: (node, position) => run('stack/open', { node, position }),
  switchModifier: (node, position, enabled) => run('stack/enable', { node, position, enabled }),
  press: (rollout, id) => run('rollout/press', { rollout, id }),
  enter: (rollout, id, value) => run('rollout/value', { rollout, id, value }),
  spin: (rollout, id, clicks) => run('rollout/spin', { rollout, id, clicks }),
  fold: (rollout, open) => run('rollout/fold', { rollout, open }),
});

$('#save').addEventListener('click', async () => {
  if (await run('save')) notice(`Saved ${studio.state.document.savePath}`, 'ok');
});
$('#save-as').addEventListener('click', async () => {
  const doc = studio.state?.document;
  const path = await askPath($('#path-dialog'), 'Save the scene as', doc?.savePath || 'scene.fws');
  if (path && await run('save-as', { path })) notice(`Saved ${studio.state.document.savePath}`, 'ok');
});
$('#export').addEventListener('click', async () => {
  const path = await askPath($('#path-dialog'), 'Export the character with its Skin weights as', 'character.glb');
  if (path && await run('export', { path })) notice(`Exported ${path}`, 'ok');
});
for (const b of document.querySelectorAll('[data-view]'))
  b.addEventListener('click', () => {
    for (const o of document.querySelectorAll('[data-view]')) o.setAttribute('aria-pressed', String(o === b));
    viewport.setMode(b.dataset.view);
  });
$('#displacement-colours').addEventListener('change', (e) => viewport.setColourByDisplacement(e.target.checked));
$('#frame-all').addEventListener('click', () => {
  viewport.frameAll();
  viewport.render();
});

api.connectEvents({
  hello: (data) => { if (data.revision !== studio.revision) refresh(); },
  status: showStatus,
  box: (box) => boxes.show(box),
  boxclosed: (data) => boxes.close(data.id),
  scene: (data) => { if (data.revision > studio.revision && studio.pending === 0) refresh(); },
}, (connected) => document.body.classList.toggle('disconnected', !connected));

refresh();
