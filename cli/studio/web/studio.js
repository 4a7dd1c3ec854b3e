// The studio page: the stand-in host's user interface. Everything it shows
// comes from the host (scene state, frames, events); everything the person
// does goes to the host as the host's own controls would send it.
//
// One truth across pages: every state, frame and notice carries the host
// state's revision. The page shows the state of `revision`; whenever it hears
// of a later one (a notice, an answer, a frame) it fetches the state again,
// once its own action is back; a notice that only the time slider moved is
// followed by showing that frame.
import * as api from './api.js';
import { Viewport } from './viewport.js';
import { CommandPanel } from './panel.js';
import { Timeline } from './timeline.js';
import { MessageBoxDialog, showStopped } from './dialogs.js';
import { Files } from './files.js';
import { showFit } from './fit.js';

const $ = (selector) => document.querySelector(selector);

const studio = {
  state: null,
  revision: -1,     // of the state shown
  heard: -1,        // the latest revision heard of
  node: 0,          // the node the viewport shows
  shownNode: 0,
  topologyKey: null,
  pending: 0,       // own actions on their way
  refreshing: false,
  forced: false,    // fetch the state again even at the same revision
  lastFrame: null,  // for tests: the frame last shown
  stopped: false,
};
window.fernwickStudio = studio;

// Marks the frame drawn, for tests and measurements.
const viewport = new Viewport($('#viewport'), $('#legend'), (frame) => {
  studio.lastFrame = frame;
  document.body.dataset.frame = String(frame.frame);
});
const boxes = new MessageBoxDialog($('#msgbox'), (id, answer) => api.answerBox(id, answer));
const timeline = new Timeline($('#timeline'), fetchFrame);

function notice(text, kind = 'info') {
  const n = $('#notice');
  n.textContent = text;
  n.className = kind;
  n.title = text;
}

// Fetches a frame; resolves with {frame, show} (see Timeline), or null.
async function fetchFrame(frame, move) {
  if (!studio.node || studio.stopped) return null;
  const node = studio.node;
  let data = await api.getFrame(node, move ? frame : undefined);
  if (data.key !== studio.topologyKey || node !== studio.shownNode) {
    const topology = await api.getTopology(node);
    if (topology.key !== data.key) data = await api.getFrame(node);
    viewport.setTopology(topology);
    studio.topologyKey = topology.key;
    if (node !== studio.shownNode) viewport.framed = false;
    studio.shownNode = node;
  }
  // Only this page's own move may count as seen; anything else is fetched.
  if (data.moved && data.revision === studio.revision + 1) studio.revision = data.revision;
  else heard(data.revision);
  return { frame: data.frame, show: () => viewport.setFrame(data) };
}

function applyState(state) {
  if (!state || state.revision < studio.revision) return;
  studio.state = state;
  studio.revision = state.revision;
  studio.heard = Math.max(studio.heard, state.revision);
  const doc = state.document;
  files.show(doc);
  $('#save').disabled = !doc.canSave;
  $('#export').disabled = !doc.canExport;
  panel.update(state);
  showStatus(state.status);
  showFit($('#fit'), state.fit);
  viewport.setFixedScale(state.fit ? state.fit.before.max : 0);
  // A page that opens while the host holds a box shows it; boxes close by their own notice.
  if (state.box) boxes.show(state.box);
  timeline.setRange(state.time);
  if (state.selected) studio.node = state.selected;
  else if (!state.nodes.some((n) => n.handle === studio.node)) studio.node = state.nodes.find((n) => n.hasMesh)?.handle || 0;
  if (studio.node !== studio.shownNode) studio.topologyKey = null;
  document.body.dataset.revision = String(state.revision);
  // The host's own frame, whatever this page last asked for; resolves once shown.
  timeline.frame = state.time.frame;
  timeline.showLabel();
  return timeline.request(state.time.frame, false).catch((e) => notice(e.message, 'error'));
}

// A notice, answer or frame told of `revision`: fetch the state when behind.
function heard(revision) {
  if (Number.isFinite(revision)) studio.heard = Math.max(studio.heard, revision);
  catchUp();
}

async function catchUp() {
  if (studio.refreshing || studio.pending > 0 || studio.stopped) return;
  studio.refreshing = true;
  try {
    // The server's revision is at least any heard of: one fetch is enough,
    // unless something more happened meanwhile.
    while ((studio.heard > studio.revision || studio.forced) && !studio.stopped) {
      studio.forced = false;
      await applyState(await api.getScene());
    }
  } catch (e) {
    if (e.status !== 0) notice(e.message, 'error');
  } finally {
    studio.refreshing = false;
  }
}

function showStatus(status) {
  $('#prompt').textContent = status.prompt;
  $('#prompt').title = status.prompt;
  const bar = $('#progress');
  bar.hidden = !status.progress.active;
  $('#progress-title').textContent = status.progress.title;
  const pct = Math.max(0, status.progress.percent);
  $('#progress-fill').style.width = `${pct}%`;
  $('#progress-pct').textContent = status.progress.percent >= 0 ? `${pct} %` : '';
}

// Sends an action; the panel waits, as the host's would, until it is done.
async function run(path, body) {
  if (studio.stopped) return null;
  studio.pending++;
  document.body.classList.add('busy');
  timeline.setEnabled(false);
  try {
    const state = await api.command(path, body);
    await applyState(state);
    return state;
  } catch (e) {
    if (e.status !== 0) notice(e.message, 'error');
    studio.forced = true;  // the controls show the host's values again
    return null;
  } finally {
    if (--studio.pending === 0) {
      document.body.classList.remove('busy');
      timeline.setEnabled(true);
      catchUp();
    }
  }
}

// The server is gone: say so once, and let nothing look alive.
function stopped(reason) {
  if (studio.stopped) return;
  studio.stopped = true;
  timeline.setPlaying(false);
  events.close();
  showStopped($('#stopped'), `${reason}. Nothing on this page can change the scene any more, and what was ` +
    'not saved is gone.\nStart "fernwick studio" again and open the address it prints.');
}

// Whether the server still answers; a stream can drop for a moment.
async function probe() {
  try {
    await fetch('./', { method: 'HEAD' });
  } catch (_) {
    stopped('The studio has stopped: the program serving this page no longer answers');
  }
}
api.hooks.onUnreachable = probe;

const files = new Files({ state: () => studio.state, run, notice }, { ask: $('#ask'), path: $('#path-dialog') });

const panel = new CommandPanel($('#command-panel'), {
  pickNode: (node) => run('select', { node }),
  openModifier: (node, position) => run('stack/open', { node, position }),
  switchModifier: (node, position, enabled) => run('stack/enable', { node, position, enabled }),
  press: (rollout, id) => run('rollout/press', { rollout, id }),
  enter: (rollout, id, value) => run('rollout/value', { rollout, id, value }),
  spin: (rollout, id, clicks) => run('rollout/spin', { rollout, id, clicks }),
  fold: (rollout, open) => run('rollout/fold', { rollout, open }),
});

// A file action that fails says why (an unreachable studio says so itself).
const fileAction = (action) => () => action().catch((e) => { if (e.status !== 0) notice(e.message, 'error'); });
$('#new').addEventListener('click', fileAction(() => files.newDocument()));
$('#open').addEventListener('click', fileAction(() => files.open()));
$('#save').addEventListener('click', fileAction(() => files.save()));
$('#save-as').addEventListener('click', fileAction(() => files.saveAs()));
$('#export').addEventListener('click', fileAction(() => files.exportCharacter()));
for (const b of document.querySelectorAll('[data-view]'))
  b.addEventListener('click', () => {
    for (const o of document.querySelectorAll('[data-view]')) o.setAttribute('aria-pressed', String(o === b));
    viewport.setMode(b.dataset.view);
  });
$('#distance-colours').addEventListener('change', (e) => viewport.setColourByDistance(e.target.checked));
$('#frame-all').addEventListener('click', () => viewport.frameAll());

const events = api.connectEvents({
  hello: (data) => heard(data.revision),
  status: showStatus,
  box: (box) => boxes.show(box),
  boxclosed: (data) => boxes.close(data.id),
  scene: (data) => heard(data.revision),
  time: (data) => {
    if (data.revision === studio.revision + 1 && studio.pending === 0 && !studio.refreshing) {
      studio.revision = data.revision;
      studio.heard = Math.max(studio.heard, data.revision);
      timeline.follow(data.frame).catch((e) => notice(e.message, 'error'));
    } else {
      heard(data.revision);
    }
  },
  closing: () => stopped('The studio has stopped: it was closed where it runs'),
}, (connected, source) => {
  document.body.classList.toggle('disconnected', !connected);
  if (!connected) {
    if (source.readyState === EventSource.CLOSED) stopped('The studio has stopped: its event stream ended');
    else probe();
  }
});

heard(0);
