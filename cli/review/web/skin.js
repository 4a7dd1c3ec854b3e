// Linear skinning on the processor, exactly as three.js skins on the GPU and
// in SkinnedMesh.applyBoneTransform: the file's vertices, four joints and
// weights as the loader left them, bones' world matrices times their inverse
// binds, between the bind matrix and its inverse, then the mesh's world.
import * as THREE from 'three';

const boneMatrix = new THREE.Matrix4();
const outer = new THREE.Matrix4();

export class CpuSkin {
  constructor(mesh) {
    this.mesh = mesh;
    const g = mesh.geometry, pos = g.attributes.position, idx = g.attributes.skinIndex, w = g.attributes.skinWeight;
    this.count = pos.count;
    this.positions = new Float32Array(pos.count * 3);
    this.joints = new Uint16Array(pos.count * 4);
    this.weights = new Float32Array(pos.count * 4);
    for (let i = 0; i < pos.count; i++) {
      this.positions[3 * i] = pos.getX(i); this.positions[3 * i + 1] = pos.getY(i); this.positions[3 * i + 2] = pos.getZ(i);
      this.joints[4 * i] = idx.getX(i); this.joints[4 * i + 1] = idx.getY(i);
      this.joints[4 * i + 2] = idx.getZ(i); this.joints[4 * i + 3] = idx.getW(i);
      this.weights[4 * i] = w.getX(i); this.weights[4 * i + 1] = w.getY(i);
      this.weights[4 * i + 2] = w.getZ(i); this.weights[4 * i + 3] = w.getW(i);
    }
    this.matrices = new Float32Array(mesh.skeleton.bones.length * 16);
  }

  // World positions of every vertex at the scene's current pose (its world
  // matrices up to date): out gets x, y, z per vertex.
  world(out) {
    const mesh = this.mesh, bones = mesh.skeleton.bones, inverses = mesh.skeleton.boneInverses;
    outer.multiplyMatrices(mesh.matrixWorld, mesh.bindMatrixInverse);
    for (let b = 0; b < bones.length; b++) {
      boneMatrix.multiplyMatrices(bones[b].matrixWorld, inverses[b]);
      boneMatrix.premultiply(outer).multiply(mesh.bindMatrix);
      this.matrices.set(boneMatrix.elements, 16 * b);
    }
    const m = this.matrices, p = this.positions, j = this.joints, w = this.weights;
    for (let i = 0; i < this.count; i++) {
      const x = p[3 * i], y = p[3 * i + 1], z = p[3 * i + 2];
      let ox = 0, oy = 0, oz = 0;
      for (let k = 4 * i; k < 4 * i + 4; k++) {
        const weight = w[k];
        if (weight === 0) continue;
        const e = 16 * j[k];
        ox += weight * (m[e] * x + m[e + 4] * y + m[e + 8] * z + m[e + 12]);
        oy += weight * (m[e + 1] * x + m[e + 5] * y + m[e + 9] * z + m[e + 13]);
        oz += weight * (m[e + 2] * x + m[e + 6] * y + m[e + 10] * z + m[e + 14]);
      }
      out[3 * i] = ox; out[3 * i + 1] = oy; out[3 * i + 2] = oz;
    }
    return out;
  }
}
