// The viewport: the viewed node's evaluated mesh and its bones, an orbit
// camera, shaded or wire views, and colours by how far Fernwick moves each
// vertex at this frame.
import * as THREE from './three.module.js';
import { OrbitControls } from './OrbitControls.js';

const BASE_COLOR = new THREE.Color(0xb8bcc4);
const RAMP = [new THREE.Color(0xaeb6c2), new THREE.Color(0x3f9ad6), new THREE.Color(0xf2d64b), new THREE.Color(0xe0452c)];

function rampColor(t, out) {
  const x = Math.min(Math.max(t, 0), 1) * (RAMP.length - 1);
  const i = Math.min(Math.floor(x), RAMP.length - 2);
  return out.copy(RAMP[i]).lerp(RAMP[i + 1], x - i);
}

export class Viewport {
  constructor(container) {
    this.container = container;
    this.renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
    this.renderer.setPixelRatio(window.devicePixelRatio);
    this.renderer.setClearColor(0x3a3d42);
    container.appendChild(this.renderer.domElement);

    this.scene = new THREE.Scene();
    this.camera = new THREE.PerspectiveCamera(40, 1, 0.01, 1000);
    this.camera.position.set(4, 3, 6);
    this.controls = new OrbitControls(this.camera, this.renderer.domElement);
    this.controls.addEventListener('change', () => this.render());

    this.scene.add(new THREE.HemisphereLight(0xffffff, 0x404048, 1.6));
    const sun = new THREE.DirectionalLight(0xffffff, 1.4);
    sun.position.set(3, 5, 4);
    this.scene.add(sun);

    this.geometry = new THREE.BufferGeometry();
    this.shaded = new THREE.MeshStandardMaterial({ color: 0xffffff, vertexColors: true, roughness: 0.7, metalness: 0.0,
                                                   side: THREE.DoubleSide });
    this.wire = new THREE.MeshBasicMaterial({ color: 0xffffff, vertexColors: true, wireframe: true });
    this.mesh = new THREE.Mesh(this.geometry, this.shaded);
    this.scene.add(this.mesh);

    this.boneGeometry = new THREE.BufferGeometry();
    this.bones = new THREE.LineSegments(this.boneGeometry,
      new THREE.LineBasicMaterial({ color: 0xffd24a, depthTest: false, transparent: true, opacity: 0.9 }));
    this.bones.renderOrder = 1;
    this.scene.add(this.bones);

    this.grid = null;
    this.mode = 'shaded';
    this.colourByDisplacement = true;
    this.topology = null;
    this.lastFrame = null;
    this.framed = false;

    new ResizeObserver(() => this.resize()).observe(container);
    this.resize();
  }

  resize() {
    const w = Math.max(1, this.container.clientWidth), h = Math.max(1, this.container.clientHeight);
    this.renderer.setSize(w, h);
    this.camera.aspect = w / h;
    this.camera.updateProjectionMatrix();
    this.render();
  }

  setMode(mode) {
    this.mode = mode;
    this.mesh.material = mode === 'wire' ? this.wire : this.shaded;
    this.render();
  }

  setColourByDisplacement(on) {
    this.colourByDisplacement = on;
    if (this.lastFrame) this.applyColours(this.lastFrame);
    this.render();
  }

  // A new node or topology: index buffers sized for it.
  setTopology(topology) {
    this.topology = topology;
    const v = topology.vertexCount;
    this.geometry.dispose();
    this.geometry = new THREE.BufferGeometry();
    this.geometry.setAttribute('position', new THREE.BufferAttribute(new Float32Array(3 * v), 3));
    this.geometry.setAttribute('color', new THREE.BufferAttribute(new Float32Array(3 * v), 3));
    this.geometry.setIndex(new THREE.BufferAttribute(new Uint32Array(topology.triangles), 1));
    this.mesh.geometry = this.geometry;

    this.boneGeometry.dispose();
    this.boneGeometry = new THREE.BufferGeometry();
    this.boneGeometry.setAttribute('position', new THREE.BufferAttribute(new Float32Array(3 * topology.boneVertexCount), 3));
    this.boneGeometry.setIndex(new THREE.BufferAttribute(new Uint32Array(topology.boneEdges), 1));
    this.bones.geometry = this.boneGeometry;
  }

  applyColours(frame) {
    const colours = this.geometry.getAttribute('color');
    if (!colours) return;
    const c = new THREE.Color();
    // Below a thousandth of the mesh's size a move is rounding, not Fernwick.
    const radius = this.geometry.boundingSphere ? this.geometry.boundingSphere.radius : 1;
    const max = Math.max(frame.maxDisplacement, 1e-3 * radius, 1e-12);
    for (let i = 0; i < colours.count; ++i) {
      if (this.colourByDisplacement) rampColor(frame.displacement[i] / max, c);
      else c.copy(BASE_COLOR);
      colours.setXYZ(i, c.r, c.g, c.b);
    }
    colours.needsUpdate = true;
  }

  setFrame(frame) {
    this.lastFrame = frame;
    const position = this.geometry.getAttribute('position');
    if (!position || position.count * 3 !== frame.positions.length) return;
    position.array.set(frame.positions);
    position.needsUpdate = true;
    this.geometry.computeVertexNormals();
    this.geometry.computeBoundingSphere();
    this.applyColours(frame);
    const bonePosition = this.boneGeometry.getAttribute('position');
    if (bonePosition && bonePosition.array.length === frame.bonePositions.length) {
      bonePosition.array.set(frame.bonePositions);
      bonePosition.needsUpdate = true;
      this.boneGeometry.computeBoundingSphere();
    }
    if (!this.framed && frame.positions.length > 0) {
      this.frameAll();
      this.framed = true;
    }
    this.render();
  }

  // The camera looks at the whole mesh, from the front and a little above,
  // with a floor grid under it.
  frameAll() {
    this.geometry.computeBoundingBox();
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
  }

  render() {
    this.renderer.render(this.scene, this.camera);
  }
}
