// The viewport: the viewed node's evaluated mesh and its bones, an orbit
// camera, shaded or wire views, and colours by each vertex's distance between
// linear skinning and the Delta Mush result, with a legend.
//
// Drawn for speed in software WebGL too: the server sends the normals, the
// colour ramp and a simple two-light shading run per vertex on the graphics
// side, buffers are reused from frame to frame, and the scene is drawn once
// per animation frame, only after something changed.
import * as THREE from './three.module.js';
import { OrbitControls } from './OrbitControls.js';
import { clusteredTriangles } from './coarse_mesh.js';

// sRGB colours, written as they are: the shader draws in display space.
const BASE = [0.72, 0.74, 0.77];
export const RAMP = ['#aeb6c2', '#3f9ad6', '#f2d64b', '#e0452c'];
const rgb = (hex) => [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16) / 255);

const VERTEX = `
attribute float distance;
uniform float scale;
uniform float byDistance;
uniform vec3 base;
uniform vec3 ramp[4];
uniform vec3 keyLight;  // towards the light, view space
varying vec3 shade;
vec3 rampAt(float t) {
  // Without branches: each stretch's blend, clamped to 0..1.
  float x = clamp(t, 0.0, 1.0) * 3.0;
  vec3 c = mix(ramp[0], ramp[1], clamp(x, 0.0, 1.0));
  c = mix(c, ramp[2], clamp(x - 1.0, 0.0, 1.0));
  return mix(c, ramp[3], clamp(x - 2.0, 0.0, 1.0));
}
void main() {
  vec3 n = normalize(normalMatrix * normal);
  vec3 up = normalize((viewMatrix * vec4(0.0, 1.0, 0.0, 0.0)).xyz);
  vec3 colour = byDistance > 0.5 ? rampAt(distance / scale) : base;
  // Sky from above and a key light; both sides of a face are lit.
  shade = colour * (0.3 + 0.3 * (0.5 + 0.5 * dot(n, up)) + 0.55 * abs(dot(n, keyLight)));
  gl_Position = projectionMatrix * modelViewMatrix * vec4(position, 1.0);
}`;
const FRAGMENT = `
varying vec3 shade;
void main() { gl_FragColor = vec4(shade, 1.0); }`;

// The smallest of 1, 2 and 5 times a power of ten at or above x: a scale that
// stays put while the frames' largest distances vary a little.
function niceAbove(x) {
  const power = 10 ** Math.floor(Math.log10(x));
  return [1, 2, 5, 10].map((m) => m * power).find((s) => s >= x * (1 - 1e-9));
}

// Big meshes stream in drawn on a coarser grid (a fortieth of their size).
function coarseTriangles(index, positions) {
  if (index.array.length / 3 < 20000) return null;
  return new THREE.BufferAttribute(clusteredTriangles(index.array, positions, 40), 1);
}

export class Viewport {
  // onDrawn(frame) runs as each frame is drawn.
  constructor(container, legend, onDrawn = () => {}) {
    this.container = container;
    this.legend = legend;
    this.onDrawn = onDrawn;
    this.renderer = new THREE.WebGLRenderer({ antialias: false, alpha: false, powerPreference: 'high-performance' });
    this.renderer.setPixelRatio(window.devicePixelRatio);
    this.renderer.setClearColor(0x3a3d42);
    container.appendChild(this.renderer.domElement);

    this.scene = new THREE.Scene();
    this.camera = new THREE.PerspectiveCamera(40, 1, 0.01, 1000);
    this.camera.position.set(4, 3, 6);
    this.controls = new OrbitControls(this.camera, this.renderer.domElement);
    this.controls.addEventListener('change', () => this.requestRender());

    this.uniforms = {
      scale: { value: 1 },
      byDistance: { value: 1 },
      base: { value: new THREE.Vector3(...BASE) },
      ramp: { value: RAMP.map((c) => new THREE.Vector3(...rgb(c))) },
      keyLight: { value: new THREE.Vector3(0.45, 0.6, 0.66).normalize() },
    };
    // Faces turned away are not drawn when shaded (the mesh is closed, as
    // characters are): software rasterisers pay for every triangle.
    const material = (wireframe) => new THREE.ShaderMaterial({
      uniforms: this.uniforms, vertexShader: VERTEX, fragmentShader: FRAGMENT,
      side: wireframe ? THREE.DoubleSide : THREE.FrontSide, wireframe,
    });
    this.shaded = material(false);
    this.wire = material(true);
    this.geometry = new THREE.BufferGeometry();
    this.mesh = new THREE.Mesh(this.geometry, this.shaded);
    // Framed by hand: no bounds to work out at every frame.
    this.mesh.frustumCulled = false;
    this.scene.add(this.mesh);

    this.boneGeometry = new THREE.BufferGeometry();
    this.bones = new THREE.LineSegments(this.boneGeometry,
      new THREE.LineBasicMaterial({ color: 0xffd24a, depthTest: false, transparent: true, opacity: 0.9 }));
    this.bones.renderOrder = 1;
    this.bones.frustumCulled = false;
    this.scene.add(this.bones);

    this.grid = null;
    this.topology = null;
    this.lastFrame = null;
    this.framed = false;
    this.fixedScale = 0;    // the largest distance before the last solve; 0: each frame's own
    this.drawn = null;      // the promise of the draw asked for
    this.pending = null;    // the frame to put in the buffers at the next draw
    // Frames streaming in (the slider dragged, playing) are drawn at half
    // resolution when drawing cannot keep up, as with software rendering;
    // the frame a stream stops at is drawn again in full.
    this.fullRatio = window.devicePixelRatio;
    this.drawCost = 0;      // milliseconds from a draw until the page is free again, averaged
    this.streaming = false;
    this.restTimer = null;
    // A task queued at a draw runs once the browser has shown it.
    this.afterDraw = new MessageChannel();
    this.afterDraw.port1.onmessage = (e) => {
      this.drawCost = 0.7 * this.drawCost + 0.3 * (performance.now() - e.data);
    };
    this.legendText = '';

    new ResizeObserver(() => this.resize()).observe(container);
    this.resize();
  }

  resize() {
    const w = Math.max(1, this.container.clientWidth), h = Math.max(1, this.container.clientHeight);
    this.renderer.setSize(w, h);
    this.camera.aspect = w / h;
    this.camera.updateProjectionMatrix();
    this.requestRender();
  }

  setMode(mode) {
    this.mesh.material = mode === 'wire' ? this.wire : this.shaded;
    this.requestRender();
  }

  setColourByDistance(on) {
    this.uniforms.byDistance.value = on ? 1 : 0;
    this.showLegend();
    this.requestRender();
  }

  // The colour scale: the largest distance before the last solve, so that
  // the colours compare before and after it; 0 scales each frame by its own.
  setFixedScale(largest) {
    if (largest === this.fixedScale) return;
    this.fixedScale = largest;
    if (this.lastFrame) this.applyScale(this.lastFrame);
    this.requestRender();
  }

  // A new node or topology: buffers sized for it, reused by every frame.
  setTopology(topology) {
    this.topology = topology;
    const v = topology.vertexCount;
    const dynamic = (array, size, normalized = false) =>
      new THREE.BufferAttribute(array, size, normalized).setUsage(THREE.DynamicDrawUsage);
    this.geometry.dispose();
    this.geometry = new THREE.BufferGeometry();
    this.geometry.setAttribute('position', dynamic(new Float32Array(3 * v), 3));
    // Four bytes a normal, as sent: a format the graphics stack reads as it is.
    this.geometry.setAttribute('normal', dynamic(new Int8Array(4 * v), 4, true));
    this.geometry.setAttribute('distance', dynamic(new Float32Array(v), 1));
    const Index = v <= 65535 ? Uint16Array : Uint32Array;
    this.fullIndex = new THREE.BufferAttribute(new Index(topology.triangles), 1);
    this.coarseIndex = null;  // made from the first frame's positions
    this.geometry.setIndex(this.fullIndex);
    this.mesh.geometry = this.geometry;

    this.boneGeometry.dispose();
    this.boneGeometry = new THREE.BufferGeometry();
    this.boneGeometry.setAttribute('position', dynamic(new Float32Array(3 * topology.boneVertexCount), 3));
    this.boneGeometry.setIndex(new THREE.BufferAttribute(new Uint32Array(topology.boneEdges), 1));
    this.bones.geometry = this.boneGeometry;
  }

  applyScale(frame) {
    // Below a thousandth of the mesh's size a distance is rounding, not Fernwick.
    const radius = this.geometry.boundingSphere ? this.geometry.boundingSphere.radius : 1;
    const own = niceAbove(Math.max(frame.maxDistance, 1e-3 * radius, 1e-12));
    this.uniforms.scale.value = this.fixedScale > 0 ? this.fixedScale : own;
    this.showLegend();
  }

  showLegend() {
    const frame = this.lastFrame;
    const l = this.legend;
    const on = Boolean(frame) && frame.hasFernwick && this.uniforms.byDistance.value > 0;
    const scale = this.uniforms.scale.value;
    const text = on ? `${scale.toPrecision(3)}|${frame.fernwickOn}|${this.fixedScale > 0}` : frame && !frame.hasFernwick ? 'none' : '';
    if (text === this.legendText) return;
    this.legendText = text;
    l.hidden = text === '';
    l.classList.toggle('no-fernwick', text === 'none');
    if (text === 'none') {
      l.querySelector('.title').textContent = 'No Fernwick on this node';
      return;
    }
    if (!on) return;
    l.querySelector('.title').textContent = 'Distance of linear skinning to Delta Mush';
    l.querySelector('.mid').textContent = (scale / 2).toPrecision(3);
    l.querySelector('.high').textContent = scale.toPrecision(3);
    l.querySelector('.note').textContent = (frame.fernwickOn ? 'Shown: the Delta Mush result' : 'Shown: linear skinning (Fernwick off)') +
      (this.fixedScale > 0 ? '. Scale: the largest before the last solve' : '. Scale: above this frame\u2019s largest');
  }

  // Shows a frame; resolves once it is drawn. Its arrays go into the
  // buffers at the draw, so a frame replaced before it costs nothing.
  setFrame(frame) {
    this.lastFrame = frame;
    this.pending = frame;
    this.streamed();
    return this.requestRender();
  }

  streamed() {
    if (!this.streaming && this.drawCost > 20) {
      this.streaming = true;
      this.setRatio(this.fullRatio / 2);
    }
    clearTimeout(this.restTimer);
    this.restTimer = setTimeout(() => {
      if (!this.streaming) return;
      this.streaming = false;
      this.setRatio(this.fullRatio);
    }, 250);
  }

  setRatio(ratio) {
    // Streaming, a big mesh is drawn coarser too: a software rasteriser pays
    // for every triangle, whatever the resolution.
    const coarse = ratio < this.fullRatio && this.coarseIndex;
    this.geometry.setIndex(coarse ? this.coarseIndex : this.fullIndex);
    this.renderer.setPixelRatio(ratio);
    this.container.dataset.resolution = ratio < this.fullRatio ? 'reduced' : 'full';
    this.resize();
  }

  upload(frame) {
    const g = this.geometry;
    const position = g.getAttribute('position');
    if (!position || position.count * 3 !== frame.positions.length) return;
    position.array.set(frame.positions);
    position.needsUpdate = true;
    if (!this.coarseIndex) this.coarseIndex = coarseTriangles(this.fullIndex, frame.positions);
    const normal = g.getAttribute('normal');
    normal.array.set(frame.normals);
    normal.needsUpdate = true;
    const distance = g.getAttribute('distance');
    distance.array.set(frame.distance);
    distance.needsUpdate = true;
    const bonePosition = this.boneGeometry.getAttribute('position');
    if (bonePosition && bonePosition.array.length === frame.bonePositions.length) {
      bonePosition.array.set(frame.bonePositions);
      bonePosition.needsUpdate = true;
    }
    if (!this.framed && frame.positions.length > 0) {
      this.frameAll();
      this.framed = true;
    }
    this.applyScale(frame);
  }

  // The camera looks at the whole mesh, from the front and a little above,
  // with a floor grid under it.
  frameAll() {
    this.geometry.computeBoundingBox();
    this.geometry.computeBoundingSphere();
    const box = this.geometry.boundingBox;
    if (!box || box.isEmpty()) return;
    const centre = box.getCenter(new THREE.Vector3());
    const size = box.getSize(new THREE.Vector3());
    const radius = Math.max(size.length() / 2, 1e-3);
    const distance = radius / Math.sin(THREE.MathUtils.degToRad(this.camera.fov / 2)) * 1.3;
    this.camera.near = distance / 100;
    this.camera.far = distance * 100;
    this.camera.updateProjectionMatrix();
    this.camera.position.copy(centre).add(new THREE.Vector3(0.55, 0.35, 1).normalize().multiplyScalar(distance));
    this.controls.target.copy(centre);
    this.controls.update();
    if (this.grid) this.scene.remove(this.grid);
    const span = Math.max(size.x, size.z, size.y) * 2;
    this.grid = new THREE.GridHelper(span, 20, 0x6a6e75, 0x4c5056);
    this.grid.position.set(centre.x, box.min.y, centre.z);
    this.scene.add(this.grid);
    this.requestRender();
  }

  // One draw per animation frame, however many changes came before it; a
  // hidden page, which gets no animation frames, draws at once.
  requestRender() {
    if (document.visibilityState !== 'visible') {
      this.render();
      return Promise.resolve();
    }
    if (!this.drawn)
      this.drawn = new Promise((resolve) => requestAnimationFrame(() => {
        this.drawn = null;
        this.render();
        resolve();
      }));
    return this.drawn;
  }

  render() {
    const began = performance.now();
    const frame = this.pending;
    this.pending = null;
    if (frame) this.upload(frame);
    this.renderer.render(this.scene, this.camera);
    if (frame) {
      this.onDrawn(frame);
      this.afterDraw.port2.postMessage(began);
    }
  }
}
