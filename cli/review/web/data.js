// The page's data: the summary and the layout as JSON (#fw-data), and two
// base64 blocks: #fw-files, deflated, holds both files as GLB, each
// primitive's map from file vertices to welded ones and each clip's worst
// distances per vertex; #fw-frames holds per clip, deflated on its own, the
// Delta Mush offsets (16-bit steps from the baked skin on the kept frames,
// packed as review_frames.h describes), inflated when the clip is shown.
import { unzlibSync } from 'three/addons/libs/fflate.module.js';

export function readPageData() {
  const data = JSON.parse(document.getElementById('fw-data').textContent);
  const [files, frames] = ['fw-files', 'fw-frames'].map((id) =>
    decodeBase64(document.getElementById(id).textContent.trim()));
  return { summary: data.summary, review: data.review, files: unzlibSync(files), frames };
}

function decodeBase64(text) {
  if (typeof Uint8Array.fromBase64 === 'function') return Uint8Array.fromBase64(text);
  const binary = atob(text);
  const out = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; i++) out[i] = binary.charCodeAt(i);
  return out;
}

// A part of a block as a typed array over the same memory; ref is [byte offset, count].
export function part(bytes, ref, Type) {
  return new Type(bytes.buffer, bytes.byteOffset + ref[0], ref[1]);
}

export function partBuffer(bytes, ref) {
  return bytes.buffer.slice(bytes.byteOffset + ref[0], bytes.byteOffset + ref[0] + ref[1]);
}

// Each value's difference from the previous kept frame, zigzagged, low bytes
// then high bytes: back to steps per kept frame, vertex and axis.
function unpack(bytes, ref, valuesPerFrame) {
  const count = ref[1], low = bytes.subarray(ref[0], ref[0] + count), high = bytes.subarray(ref[0] + count, ref[0] + 2 * count);
  const out = new Int16Array(count);
  for (let j = 0; j < count; j++) {
    const zigzag = low[j] | (high[j] << 8);
    const delta = (zigzag >>> 1) ^ -(zigzag & 1);
    out[j] = (j < valuesPerFrame ? 0 : out[j - valuesPerFrame]) + delta;
  }
  return out;
}

// One clip's Delta Mush of one mesh: offsets at a fractional clip frame,
// interpolated linearly between the kept frames.
export class ClipOffsets {
  constructor(data, clip, mesh, worst, vertices) {
    this.kept = clip.kept;
    this.step = mesh.step;
    this.vertices = vertices;
    this.mesh = mesh;
    this.clip = clip;
    this.frames = data.frames;
    this.steps = null;  // unpacked when the clip is first shown
    this.worstBefore = part(data.files, worst.worstBefore, Float32Array);
    this.worstAfter = part(data.files, worst.worstAfter, Float32Array);
  }

  // out: per welded vertex x, y, z in world units.
  at(frame, out) {
    if (!this.steps) {
      const z = this.clip.deflated;
      this.clip.bytes ||= unzlibSync(this.frames.subarray(z[0], z[0] + z[1]));
      this.steps = unpack(this.clip.bytes, this.mesh.offsets, this.vertices * 3);
    }
    const kept = this.kept, n = this.vertices * 3;
    if (!kept.length) return out.fill(0);
    let hi = 0;
    while (hi < kept.length - 1 && kept[hi] < frame) hi++;
    const lo = Math.max(0, kept[hi] > frame ? hi - 1 : hi);
    const span = kept[hi] - kept[lo];
    const a = span > 0 ? Math.min(Math.max((frame - kept[lo]) / span, 0), 1) : 0;
    const q0 = this.steps.subarray(lo * n, lo * n + n), q1 = this.steps.subarray(hi * n, hi * n + n);
    const s0 = (1 - a) * this.step, s1 = a * this.step;
    for (let i = 0; i < n; i++) out[i] = q0[i] * s0 + q1[i] * s1;
    return out;
  }
}
