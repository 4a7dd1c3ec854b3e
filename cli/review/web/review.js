// The review page: the character's file skin, its Delta Mush result and its
// baked skin, side by side or one at a time, on every scored clip, coloured
// by the distance to Delta Mush, with the per-clip figures of the bake.
// window.fernwickReview lets tests and scripts drive it and read it back.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { ClipOffsets, readPageData } from './data.js';
import { clusteredTriangles } from '../../studio/web/coarse_mesh.js';
import { loadViews, PLAIN, RAMP_CSS, rampColour, shadingTexture } from './views.js';

const $ = (id) => document.getElementById(id);
const VIEW_ORDER = ['source', 'mush', 'baked'];

const state = { clip: 0, time: 0, playing: false, view: 'side', colour: 'distance', dirty: true };
let data, review, summary, views, renderer, camera, controls, clips;
let last = 0, drawn = 0;
let offsets = [], mushWelded = [];
const fpsTimer = { frames: 0, since: 0, fps: 0 };
// While playing, a drawing that cannot keep 30 frames a second steps down
// until the clip stops: first to half resolution (a quarter of the pixels),
// then to coarser meshes over the same vertices (a software renderer pays
// for every triangle). A paused frame is always drawn whole.
const QUALITY = ['full', 'half resolution', 'half resolution, coarser mesh'];
const quality = { full: 1, level: 0, coarse: false, interval: 0, frames: 0 };
const COARSE_CELLS = 60, COARSE_FROM = 1000;  // grid cells along a mesh; triangles worth coarsening

function fmt(x) {
  if (x === null || x === undefined || !Number.isFinite(x)) return '–';
  const a = Math.abs(x);
  return a === 0 ? '0' : a >= 100 ? x.toFixed(1) : a >= 0.01 ? x.toPrecision(3) : x.toExponential(2);
}

function currentClip() { return review.clips[state.clip]; }

function clipSeconds(clip) { return clip ? Math.max(clip.frames - 1, 0) / clip.fps : 0; }

function frameNow() {
  const clip = currentClip();
  return clip ? Math.min(state.time * clip.fps, clip.frames - 1) : 0;
}

function shownViews() { return state.view === 'side' ? VIEW_ORDER : [state.view]; }

// The legend's top: the larger of the clip's largest distances before and after.
function scaleOf(k) {
  const fit = summary && summary.clips && summary.clips[k];
  let top = fit ? Math.max(fit.before.max || 0, fit.after.max || 0) : 0;
  if (!(top > 0) && clips[k]) for (const c of clips[k]) for (const v of c.worstBefore) top = Math.max(top, v);
  return top > 0 ? top : 1;
}

// Poses both files at the current time, rebuilds Delta Mush from the baked
// skin and the offsets, and colours each view.
function update() {
  const clip = currentClip();
  views.source.pose(state.time);
  views.baked.pose(state.time);
  if (!clip) return;
  const frame = frameNow(), shown = shownViews(), scale = scaleOf(state.clip);
  const needMush = shown.includes('mush') || state.colour === 'distance';
  if (needMush) buildMush(frame);
  if (shown.includes('mush')) views.mush.show(mushWelded);
  colourView(views.baked, (p, i, w) => {
    if (state.colour === 'worst') return clips[state.clip][p.mesh].worstAfter[w];
    const off = offsets[p.mesh];
    return Math.hypot(off[3 * w], off[3 * w + 1], off[3 * w + 2]);
  }, scale, shown.includes('baked'));
  colourView(views.source, (p, i, w) => {
    if (state.colour === 'worst') return clips[state.clip][p.mesh].worstBefore[w];
    const m = mushWelded[p.mesh];
    return Math.hypot(p.world[3 * i] - m[3 * w], p.world[3 * i + 1] - m[3 * w + 1], p.world[3 * i + 2] - m[3 * w + 2]);
  }, scale, shown.includes('source'), true);
}

// Delta Mush per welded vertex of each mesh: the baked skin plus the offsets.
function buildMush(frame) {
  review.meshes.forEach((m, k) => clips[state.clip][k].at(frame, offsets[k]));
  for (const p of views.baked.parts) {
    p.skin.world(p.world);
    const off = offsets[p.mesh], out = mushWelded[p.mesh], map = p.map;
    for (let i = 0; i < map.length; i++) {
      const w = 3 * map[i];
      out[w] = p.world[3 * i] + off[w]; out[w + 1] = p.world[3 * i + 1] + off[w + 1]; out[w + 2] = p.world[3 * i + 2] + off[w + 2];
    }
  }
  return mushWelded;
}

function colourView(view, distance, scale, shown, needsSkin) {
  if (!shown) return;
  for (const p of view.parts) {
    const out = p.colours.array, map = p.map;
    if (state.colour === 'plain') {
      for (let i = 0; i < map.length; i++) { out[3 * i] = PLAIN.r; out[3 * i + 1] = PLAIN.g; out[3 * i + 2] = PLAIN.b; }
    } else {
      if (needsSkin && state.colour === 'distance') p.skin.world(p.world);
      for (let i = 0; i < map.length; i++) rampColour(distance(p, i, map[i]) / scale, out, 3 * i);
    }
    p.colours.needsUpdate = true;
  }
}

function render() {
  const box = $('viewport');
  const width = Math.max(1, box.clientWidth), height = Math.max(1, box.clientHeight);
  const size = renderer.getSize(new THREE.Vector2());
  if (size.x !== width || size.y !== height) renderer.setSize(width, height);
  const shown = shownViews(), w = Math.floor(width / shown.length);
  renderer.setScissorTest(true);
  camera.aspect = w / height;
  camera.updateProjectionMatrix();
  const labels = [];
  api.trianglesDrawn = 0;
  shown.forEach((name, i) => {
    renderer.setViewport(i * w, 0, w, height);
    renderer.setScissor(i * w, 0, w, height);
    if (name === 'mush') {
      // What the bake did not score (parts hung on bones, other meshes)
      // stands there as in the baked file, around the Delta Mush result.
      views.baked.showScored(false);
      renderer.render(views.baked.scene, camera);
      views.baked.showScored(true);
      api.trianglesDrawn += renderer.info.render.triangles;
      renderer.autoClear = false;
      renderer.render(views.mush.scene, camera);
      renderer.autoClear = true;
    } else {
      renderer.render(views[name].scene, camera);
    }
    api.trianglesDrawn += renderer.info.render.triangles;
    labels.push(`<div style="left:${i * w + 6}px">${views[name].label}</div>`);
  });
  const html = labels.join('');
  if ($('labels').innerHTML !== html) $('labels').innerHTML = html;
  state.dirty = false;
  drawn++;
}

function showFrameLabel() {
  const clip = currentClip();
  const f = Math.round(frameNow());
  $('slider').value = String(f);
  $('frame-label').textContent = clip ? `frame ${f} of ${clip.frames - 1}` : 'no clip';
}

function setQuality(level) {
  quality.level = level;
  quality.interval = 0;
  quality.frames = 0;
  renderer.setPixelRatio(level ? quality.full / 2 : quality.full);
  const coarse = level >= 2;
  if (coarse !== quality.coarse) {
    quality.coarse = coarse;
    setCoarse(coarse);
    update();  // Delta Mush's normals follow the triangles drawn
  }
  state.dirty = true;
}

// Every scored mesh of every view on its coarser index, or back on its own.
function setCoarse(on) {
  for (const p of [...views.source.parts, ...views.baked.parts]) {
    const g = p.object.geometry;
    if (!g.index) continue;
    if (!p.fullIndex) {
      p.fullIndex = g.index;
      p.coarseIndex = g.index.count / 3 < COARSE_FROM ? g.index
        : new THREE.BufferAttribute(clusteredTriangles(g.index.array, p.skin.positions, COARSE_CELLS), 1);
    }
    g.setIndex(on ? p.coarseIndex : p.fullIndex);
  }
  for (const q of views.mush.parts) if (q.source.fullIndex) q.mesh.geometry.setIndex(on ? q.source.coarseIndex : q.source.fullIndex);
}

function setPlaying(on) {
  state.playing = on && !!currentClip();
  if (!state.playing && quality.level) setQuality(0);
  quality.interval = 0;
  quality.frames = 0;
  $('play').textContent = state.playing ? 'Pause' : 'Play';
  $('play').setAttribute('aria-pressed', String(state.playing));
  fpsTimer.frames = 0;
  fpsTimer.since = performance.now();
  last = performance.now();
}

function setFrame(f) {
  const clip = currentClip();
  if (!clip) return;
  state.time = Math.min(Math.max(f, 0), clip.frames - 1) / clip.fps;
  refresh();
}

function selectClip(k) {
  if (k < 0 || k >= review.clips.length) return;
  state.clip = k;
  state.time = 0;
  const clip = currentClip();
  views.source.play(clip.animation);
  views.baked.play(clip.animation);
  $('clip').value = String(k);
  $('slider').max = String(Math.max(clip.frames - 1, 0));
  document.querySelectorAll('#clip-table tbody tr').forEach((tr, i) => tr.classList.toggle('active', i === k));
  showStorage();
  showLegend();
  refresh();
}

function refresh() {
  update();
  showFrameLabel();
  state.dirty = true;
}

function setView(name) {
  state.view = name;
  document.querySelectorAll('#views button').forEach((b) => b.setAttribute('aria-pressed', String(b.dataset.view === name)));
  refresh();
}

function setColour(name) {
  state.colour = name;
  document.querySelectorAll('#colours button').forEach((b) => b.setAttribute('aria-pressed', String(b.dataset.colour === name)));
  showLegend();
  refresh();
}

function showLegend() {
  const legend = $('legend');
  legend.hidden = state.colour === 'plain' || !currentClip();
  if (legend.hidden) return;
  const top = scaleOf(state.clip);
  $('legend-title').textContent = state.colour === 'worst'
    ? 'Largest distance over the clip to Delta Mush (world units)'
    : 'Distance to Delta Mush at this frame (world units)';
  $('legend-bar').style.background = `linear-gradient(to right, ${RAMP_CSS.join(', ')})`;
  $('legend-ticks').innerHTML = [0, top / 2, top].map((v) => `<span>${fmt(v)}</span>`).join('');
}

function showStorage() {
  const clip = currentClip();
  const step = clip ? Math.max(0, ...clip.meshes.map((m) => m.step)) : 0;
  const budget = `${(review.budgetBytes / 1e6).toFixed(0)} MB`;
  $('storage').textContent =
    'Delta Mush is stored as 16-bit offsets from the baked skin, ' +
    (review.stride === 1
      ? `on every frame (${review.keptFrames} frames; the page keeps every frame while it stays within ${budget}). `
      : `on every ${review.stride}th frame of each clip and its last (${review.keptFrames} of ${review.clipFrames} ` +
        `frames), the most that keep the page within ${budget}; frames between kept ones are interpolated linearly. `) +
    (clip ? `This clip keeps ${clip.kept.length} of its ${clip.frames} frames; its quantisation step is ${fmt(step)} ` +
      'world units (its largest offset over 32767).' : '');
}

function fillPanel() {
  const s = summary || {};
  const files = `${review.source.name} → ${review.baked.name}`;
  $('files').textContent = files;
  $('files').title = files;
  const inf = s.influences || {};
  const training = s.training
    ? `Trained on ${[s.training.proxyPoses ? 'the proxy poses' : null,
      s.training.rangeOfMotionDegrees > 0 ? `a range of motion of ${s.training.rangeOfMotionDegrees}°` : null,
      ...(s.training.clips || []).map((c) => `"${c}"`)].filter(Boolean).join(', ')}.`
    : '';
  $('weights').textContent =
    `Weights as written: ${inf.max ? `at most ${inf.max}` : inf.largest} influences per vertex` +
    `${inf.max && inf.largest !== inf.max ? ` (the most any vertex has: ${inf.largest})` : ''}, stored as ` +
    `${inf.format || 'float'}${s.boneLimit ? `; bone limit ${s.boneLimit}` : ''}. ${training}` +
    (review.meshes.length > 1 ? ` Meshes: ${review.meshes.map((m) => `"${m.name}" (${m.vertices} vertices)`).join(', ')}.` : '');
  const body = $('clip-table').querySelector('tbody');
  body.innerHTML = '';
  (s.clips || []).forEach((c, k) => {
    const tr = document.createElement('tr');
    const cells = [c.name, c.trained === null ? '–' : c.trained ? 'trained on' : 'held out', String(c.frames),
      `${fmt(c.before.rms)} → ${fmt(c.after.rms)}`, `${fmt(c.before.max)} → ${fmt(c.after.max)}`];
    cells.forEach((text, i) => {
      const td = document.createElement('td');
      td.textContent = text;
      if (i >= 3) td.className = (i === 3 ? c.after.rms <= c.before.rms : c.after.max <= c.before.max) ? 'better' : 'worse';
      tr.appendChild(td);
    });
    tr.title = `Worst vertex after: ${c.after.worstVertex} at frame ${c.after.worstFrame}`;
    tr.addEventListener('click', () => { if (views) showWorst(k); });
    body.appendChild(tr);
  });
  const notes = ['Both skins are played by three.js from each file\'s own joints and weights (JOINTS_0/WEIGHTS_0, ' +
    'normalised as its loader does); Delta Mush is the baked skin plus the stored offsets.'];
  if ((inf.largest || 0) > 4) notes.push(`The baked file has up to ${inf.largest} influences per vertex: three.js plays ` +
    'the first four, so the baked view and the Delta Mush built on it stray where the others weigh.');
  $('notes').textContent = notes.join(' ');
  $('summary').textContent = JSON.stringify(summary, null, 2);
}

function showWorst(k) {
  setPlaying(false);
  selectClip(k);
  const fit = summary && summary.clips && summary.clips[k];
  setFrame(fit && fit.after.worstFrame !== null ? fit.after.worstFrame : 0);
}

// The camera looks at the file's skin at the first clip's first frame, from
// the front (+Z) and a little above and to the side.
function frameCamera() {
  const box = new THREE.Box3();
  const v = new THREE.Vector3();
  for (const p of views.source.parts) {
    p.skin.world(p.world);
    for (let i = 0; i < p.world.length; i += 3) box.expandByPoint(v.set(p.world[i], p.world[i + 1], p.world[i + 2]));
  }
  // Unskinned meshes too: a character may be mostly parts hung on bones.
  const scored = new Set(views.source.parts.map((p) => p.object));
  views.source.gltf.scene.traverse((o) => {
    if (!o.isMesh || o.isSkinnedMesh || scored.has(o) || !o.geometry.attributes.position) return;
    box.union(new THREE.Box3().setFromBufferAttribute(o.geometry.attributes.position).applyMatrix4(o.matrixWorld));
  });
  if (box.isEmpty()) box.setFromObject(views.source.gltf.scene);
  const centre = box.getCenter(new THREE.Vector3());
  const radius = Math.max(box.getSize(new THREE.Vector3()).length() / 2, 1e-3);
  const vfov = THREE.MathUtils.degToRad(camera.fov);
  const aspect = Math.max($('viewport').clientWidth / 3, 1) / Math.max($('viewport').clientHeight, 1);
  const fov = Math.min(vfov, 2 * Math.atan(Math.tan(vfov / 2) * aspect));
  const distance = radius / Math.sin(fov / 2) * 0.8;
  camera.near = distance / 100;
  camera.far = distance * 100;
  camera.position.copy(centre).add(new THREE.Vector3(0.35, 0.2, 1).normalize().multiplyScalar(distance));
  controls.target.copy(centre);
  controls.update();
}

function loop(now) {
  requestAnimationFrame(loop);
  if (state.playing) {
    const clip = currentClip(), length = clipSeconds(clip);
    state.time += (now - last) / 1000;
    if (state.time > length) state.time = length > 0 ? state.time % length : 0;
    const t0 = performance.now();
    update();
    showFrameLabel();
    const t1 = performance.now();
    render();
    const t2 = performance.now();
    fpsTimer.frames++;
    api.frameCosts.update += t1 - t0;
    api.frameCosts.render += t2 - t1;
    api.frameCosts.frames++;
    quality.interval = quality.interval ? 0.9 * quality.interval + 0.1 * (now - last) : now - last;
    if (++quality.frames > 10 && quality.interval > 36 && quality.level < QUALITY.length - 1) setQuality(quality.level + 1);
    if (now - fpsTimer.since >= 1000) {
      fpsTimer.fps = fpsTimer.frames * 1000 / (now - fpsTimer.since);
      $('fps-label').textContent = `${fpsTimer.fps.toFixed(0)} fps${quality.level ? `, ${QUALITY[quality.level]}` : ''}`;
      fpsTimer.frames = 0;
      fpsTimer.since = now;
    }
  } else if (state.dirty) {
    render();
  }
  last = now;
}

// Frames drawn per second while playing for `ms`, by the page's own timer,
// starting at quality `level` (0: whole).
function measureFps(ms, level = 0) {
  return new Promise((resolve) => {
    setPlaying(true);
    if (level) setQuality(level);
    const start = performance.now(), frames0 = drawn;
    setTimeout(() => {
      const fps = (drawn - frames0) * 1000 / (performance.now() - start);
      api.measuredQuality = QUALITY[quality.level];
      api.trianglesPlaying = api.trianglesDrawn;
      setPlaying(false);
      resolve(fps);
    }, ms);
  });
}

async function start() {
  api.timings.script = performance.now();
  data = readPageData();
  api.timings.data = performance.now();
  review = data.review;
  summary = data.summary;
  // The figures first: they stand even where WebGL does not.
  fillPanel();
  review.clips.forEach((c, k) => $('clip').add(new Option(`${c.name} (${c.frames} frames)`, String(k))));
  renderer = new THREE.WebGLRenderer({ antialias: false });
  quality.full = window.devicePixelRatio;
  renderer.setPixelRatio(quality.full);
  renderer.setClearColor(0x3a3d42);
  $('viewport').prepend(renderer.domElement);
  api.timings.renderer = performance.now();
  camera = new THREE.PerspectiveCamera(35, 1, 0.01, 1000);
  controls = new OrbitControls(camera, renderer.domElement);
  controls.addEventListener('change', () => { state.dirty = true; });
  const matcap = shadingTexture();
  const heat = new THREE.MeshMatcapMaterial({ matcap, vertexColors: true, side: THREE.DoubleSide });
  const plain = new THREE.MeshMatcapMaterial({ matcap, color: PLAIN, side: THREE.DoubleSide });
  const mush = new THREE.MeshMatcapMaterial({ matcap, color: 0xd2c2ae, side: THREE.DoubleSide });
  views = await loadViews(data, heat, plain, mush);
  api.timings.files = performance.now();
  clips = review.clips.map((clip) => clip.meshes.map((m, k) => new ClipOffsets(data, clip, m, m, review.meshes[k].vertices)));
  offsets = review.meshes.map((m) => new Float32Array(m.vertices * 3));
  mushWelded = review.meshes.map((m) => new Float32Array(m.vertices * 3));

  $('clip').addEventListener('change', () => { setPlaying(false); selectClip(Number($('clip').value)); });
  $('play').addEventListener('click', () => setPlaying(!state.playing));
  $('slider').addEventListener('input', () => { setPlaying(false); setFrame(Number($('slider').value)); });
  document.querySelectorAll('#views button').forEach((b) => b.addEventListener('click', () => setView(b.dataset.view)));
  document.querySelectorAll('#colours button').forEach((b) => b.addEventListener('click', () => setColour(b.dataset.colour)));
  new ResizeObserver(() => { state.dirty = true; }).observe($('viewport'));

  if (review.clips.length) selectClip(0);
  else { $('status').textContent = 'No clip was scored: the character stands at rest.'; refresh(); }
  frameCamera();
  api.timings.ready = performance.now();
  render();
  api.timings.firstFrame = performance.now();
  requestAnimationFrame((now) => { last = now; loop(now); });
  if (review.clips.length) $('status').textContent = '';
  api.loadMs = performance.now();
}

const api = {
  loadMs: null,
  timings: {},
  measuredQuality: QUALITY[0],  // how the last measureFps drew at its end
  trianglesDrawn: 0,  // by the last drawing, over the views shown
  trianglesPlaying: 0,  // by the last drawing of the last measureFps
  frameCosts: { update: 0, render: 0, frames: 0 },  // milliseconds of script per played frame, summed
  get clipCount() { return review ? review.clips.length : 0; },
  get fps() { return fpsTimer.fps; },
  show(clip, frame) {
    setPlaying(false);
    if (clip !== state.clip) selectClip(clip);
    setFrame(frame);
    render();
  },
  setView(name) { setView(name); render(); },
  setColour(name) { setColour(name); render(); },
  // Per welded vertex of each scored mesh, the meshes one after another:
  // 'source' and 'baked' as three.js skins them, 'mush' as the page decodes it.
  positions(view) {
    update();
    const meshes = view === 'mush' ? buildMush(frameNow()) : views[view].threePositions(review);
    return meshes.flatMap((m) => Array.from(m));
  },
  // Meshes that would be shaded from normals they do not have (glTF draws
  // those flat), over every view.
  unshadedMeshes() {
    let count = 0;
    for (const name of VIEW_ORDER)
      views[name].scene.traverse((o) => {
        if (o.isMesh && !o.geometry.attributes.normal && !o.material.flatShading) count++;
      });
    return count;
  },
  step(clip) { return Math.max(0, ...review.clips[clip].meshes.map((m) => m.step)); },
  measureFps,
};
window.fernwickReview = api;
api.ready = start().catch((e) => {
  $('status').textContent = `The page could not start: ${e && e.message ? e.message : e}`;
  $('status').className = 'error';
  throw e;
});
