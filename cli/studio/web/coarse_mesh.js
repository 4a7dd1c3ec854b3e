// A coarser drawing of a triangle mesh over the same vertices: vertices
// clustered on a grid of `cells` along the mesh's longest side, each cluster
// drawn by its first vertex, triangles that collapse left out. A software
// rasteriser pays for every triangle whatever the resolution, so the studio
// draws this while frames stream in and the review page while it plays.
// Returns an index array of the type of `triangles`.
export function clusteredTriangles(triangles, positions, cells) {
  const n = positions.length / 3;
  const lo = [Infinity, Infinity, Infinity], hi = [-Infinity, -Infinity, -Infinity];
  for (let i = 0; i < n; i++)
    for (let k = 0; k < 3; k++) {
      lo[k] = Math.min(lo[k], positions[3 * i + k]);
      hi[k] = Math.max(hi[k], positions[3 * i + k]);
    }
  const cell = Math.max(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]) / cells || 1;
  const row = cells + 1, first = new Map(), stand = new Uint32Array(n);
  for (let i = 0; i < n; i++) {
    const key = Math.floor((positions[3 * i] - lo[0]) / cell) * row * row +
      Math.floor((positions[3 * i + 1] - lo[1]) / cell) * row + Math.floor((positions[3 * i + 2] - lo[2]) / cell);
    if (!first.has(key)) first.set(key, i);
    stand[i] = first.get(key);
  }
  const kept = [];
  for (let t = 0; t < triangles.length; t += 3) {
    const a = stand[triangles[t]], b = stand[triangles[t + 1]], c = stand[triangles[t + 2]];
    if (a !== b && b !== c && a !== c) kept.push(a, b, c);
  }
  return new triangles.constructor(kept);
}
