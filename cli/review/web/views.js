// The three views of the character: the source file's skin and the baked
// file's skin, each played by three.js from its own weights and joints, and
// the Delta Mush result between them (the baked skin plus the stored offsets).
// Each skinned mesh the bake scored is matched to the file's mesh and
// primitive through the loader's associations.
import * as THREE from 'three';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
import { CpuSkin } from './skin.js';
import { part, partBuffer } from './data.js';

export const PLAIN = new THREE.Color(0xb8bcc4);
const RAMP = [new THREE.Color(0xaeb6c2), new THREE.Color(0x3f9ad6), new THREE.Color(0xf2d64b), new THREE.Color(0xe0452c)];
export const RAMP_CSS = RAMP.map((c) => `#${c.getHexString()}`);

export function rampColour(t, out, at) {
  const x = Math.min(Math.max(t, 0), 1) * (RAMP.length - 1);
  const i = Math.min(Math.floor(x), RAMP.length - 2), a = x - i;
  const c0 = RAMP[i], c1 = RAMP[i + 1];
  out[at] = c0.r + (c1.r - c0.r) * a;
  out[at + 1] = c0.g + (c1.g - c0.g) * a;
  out[at + 2] = c0.b + (c1.b - c0.b) * a;
}

// Shading from a small drawn sphere (a matcap) instead of lights: one texture
// read per pixel, which keeps three views playing on a software renderer.
export function shadingTexture() {
  const size = 128, data = new Uint8Array(size * size * 4);
  const light = new THREE.Vector3(-0.45, 0.6, 0.66).normalize();
  for (let y = 0; y < size; y++)
    for (let x = 0; x < size; x++) {
      const nx = ((x + 0.5) / size) * 2 - 1, ny = ((y + 0.5) / size) * 2 - 1;
      const nz = Math.sqrt(Math.max(0, 1 - nx * nx - ny * ny));
      const diffuse = Math.max(0, nx * light.x + ny * light.y + nz * light.z);
      const specular = Math.pow(Math.max(0, 2 * diffuse * nz - light.z), 24);
      const v = Math.min(255, 255 * (0.38 + 0.62 * diffuse + 0.18 * specular));
      data.set([v, v, v, 255], 4 * (y * size + x));
    }
  const texture = new THREE.DataTexture(data, size, size);
  texture.colorSpace = THREE.SRGBColorSpace;
  texture.magFilter = THREE.LinearFilter;
  texture.needsUpdate = true;
  return texture;
}

// glTF draws a primitive without normals flat-shaded: such primitives get a
// flat-shaded copy of the material.
const flatCopies = new WeakMap();
function shading(geometry, material) {
  if (geometry.attributes.normal) return material;
  if (!flatCopies.has(material)) {
    const flat = material.clone();
    flat.flatShading = true;
    flatCopies.set(material, flat);
  }
  return flatCopies.get(material);
}

// The page replaces every material, so the files' textures are never decoded.
class SkipTextures {
  constructor() { this.name = 'fernwick_skip_textures'; }
  loadTexture() { return Promise.resolve(null); }
}

async function loadGlb(buffer) {
  const loader = new GLTFLoader();
  loader.register(() => new SkipTextures());
  return loader.parseAsync(buffer, '');
}

function nodeIndexOf(parser, object) {
  for (let o = object; o; o = o.parent) {
    const a = parser.associations.get(o);
    if (a && a.nodes !== undefined) return a.nodes;
  }
  return -1;
}

// The parts of a loaded file that belong to the scored meshes: per mesh, its
// primitives' SkinnedMesh objects with their vertex maps.
function scoredParts(gltf, review, bytes) {
  const parts = [];
  gltf.scene.traverse((o) => {
    if (!o.isMesh) return;
    o.frustumCulled = false;
    if (!o.isSkinnedMesh) return;
    const a = gltf.parser.associations.get(o);
    if (!a) return;
    const node = nodeIndexOf(gltf.parser, o);
    review.meshes.forEach((m, mesh) => {
      if (m.mesh !== a.meshes || m.node !== node) return;
      const p = m.primitives.find((q) => q.index === a.primitives);
      if (!p || p.map[1] !== o.geometry.attributes.position.count) return;
      parts.push({ object: o, mesh, map: part(bytes, p.map, Uint32Array), skin: null, world: null, colours: null });
    });
  });
  return parts;
}

export class FileView {
  constructor(name, label, gltf, review, bytes, heat, plain) {
    this.name = name;
    this.label = label;
    this.gltf = gltf;
    this.scene = new THREE.Scene();
    this.scene.add(gltf.scene);
    this.mixer = new THREE.AnimationMixer(gltf.scene);
    this.parts = scoredParts(gltf, review, bytes);
    const scored = new Set(this.parts.map((p) => p.object));
    gltf.scene.traverse((o) => { if (o.isMesh && !scored.has(o)) o.material = shading(o.geometry, plain); });
    for (const p of this.parts) {
      p.colours = new THREE.BufferAttribute(new Float32Array(p.object.geometry.attributes.position.count * 3), 3);
      p.colours.setUsage(THREE.DynamicDrawUsage);
      p.object.geometry.setAttribute('color', p.colours);
      p.object.material = shading(p.object.geometry, heat);
      p.skin = new CpuSkin(p.object);
      p.world = new Float32Array(p.skin.count * 3);
    }
  }

  showScored(on) {
    for (const p of this.parts) p.object.visible = on;
  }

  play(animation) {
    this.mixer.stopAllAction();
    const clip = this.gltf.animations[animation];
    if (!clip) return;
    const action = this.mixer.clipAction(clip);
    action.setLoop(THREE.LoopOnce, 1);
    action.clampWhenFinished = true;
    action.play();
  }

  pose(seconds) {
    this.mixer.setTime(seconds);
    this.gltf.scene.updateMatrixWorld(true);
  }

  // Skinned world positions by three.js itself, per welded vertex of each
  // scored mesh, the meshes one after another.
  threePositions(review) {
    const meshes = review.meshes.map((m) => new Float32Array(m.vertices * 3));
    const v = new THREE.Vector3();
    for (const p of this.parts) {
      const pos = p.object.geometry.attributes.position, out = meshes[p.mesh];
      for (let i = 0; i < pos.count; i++) {
        v.fromBufferAttribute(pos, i);
        p.object.applyBoneTransform(i, v).applyMatrix4(p.object.matrixWorld);
        const w = p.map[i];
        out[3 * w] = v.x; out[3 * w + 1] = v.y; out[3 * w + 2] = v.z;
      }
    }
    return meshes;
  }
}

// The Delta Mush result as plain meshes in the world, one per scored
// primitive of the baked file, with its triangles.
export class MushView {
  constructor(bakedParts, material) {
    this.name = 'mush';
    this.label = 'Delta Mush';
    this.scene = new THREE.Scene();
    this.parts = bakedParts.map((p) => {
      const g = new THREE.BufferGeometry();
      const position = new THREE.BufferAttribute(new Float32Array(p.skin.count * 3), 3);
      position.setUsage(THREE.DynamicDrawUsage);
      g.setAttribute('position', position);
      if (p.object.geometry.index) g.setIndex(p.object.geometry.index);
      const flat = !p.object.geometry.attributes.normal;
      const mesh = new THREE.Mesh(g, shading(p.object.geometry, material));
      mesh.frustumCulled = false;
      this.scene.add(mesh);
      return { source: p, mesh, position, flat };
    });
  }

  // welded: per scored mesh, Delta Mush world positions per welded vertex.
  show(welded) {
    for (const q of this.parts) {
      const out = q.position.array, map = q.source.map, w = welded[q.source.mesh];
      for (let i = 0; i < map.length; i++) {
        const k = 3 * map[i];
        out[3 * i] = w[k]; out[3 * i + 1] = w[k + 1]; out[3 * i + 2] = w[k + 2];
      }
      q.position.needsUpdate = true;
      if (!q.flat) q.mesh.geometry.computeVertexNormals();
    }
  }
}

export async function loadViews(data, heat, plain, mushMaterial) {
  const { review, files: bytes } = data;
  const [source, baked] = await Promise.all([
    loadGlb(partBuffer(bytes, review.source.glb)), loadGlb(partBuffer(bytes, review.baked.glb))]);
  const sourceView = new FileView('source', "File's skin", source, review, bytes, heat, plain);
  const bakedView = new FileView('baked', 'Baked skin', baked, review, bytes, heat, plain);
  return { source: sourceView, mush: new MushView(bakedView.parts, mushMaterial), baked: bakedView };
}
