// The studio server's API, addressed relative to the page (the page's address
// carries the token, so every request does too).

export class ApiError extends Error {
  constructor(status, message) {
    super(message);
    this.status = status;
  }
}

async function check(response) {
  if (response.ok) return response;
  let message = `${response.status} ${response.statusText}`;
  try {
    message = (await response.json()).error || message;
  } catch (_) { /* not JSON */ }
  throw new ApiError(response.status, message);
}

export async function getScene() {
  return (await check(await fetch('api/scene'))).json();
}

// A person's action: the answer is the scene afterwards.
export async function command(path, body = {}) {
  const response = await fetch(`api/${path}`, {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify(body),
  });
  return (await check(response)).json();
}

export async function answerBox(box, answer) {
  const response = await fetch('api/box/answer', {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify({ box, answer }),
  });
  await check(response);
}

function header(buffer, magic) {
  const words = new Uint32Array(buffer, 0, 8);
  const tag = String.fromCharCode(...new Uint8Array(buffer, 0, 4));
  if (tag !== magic || words[1] !== 1) throw new ApiError(0, `unexpected ${magic} message`);
  return words;
}

// Topology: the triangles' corners and the bones' edges (see mesh_encoding.h).
export async function getTopology(node) {
  const buffer = await (await check(await fetch(`api/topology?node=${node}`))).arrayBuffer();
  const h = header(buffer, 'FWTO');
  const [key, vertexCount, triangleCount, boneVertexCount, boneEdgeCount] = [h[2], h[3], h[4], h[5], h[6]];
  let at = 32;
  const triangles = new Uint32Array(buffer, at, 3 * triangleCount);
  at += 12 * triangleCount;
  const boneEdges = new Uint32Array(buffer, at, 2 * boneEdgeCount);
  return { key, vertexCount, triangles, boneVertexCount, boneEdges };
}

// One frame: moves the host's time slider there and evaluates the node.
export async function getFrame(node, frame) {
  const buffer = await (await check(await fetch(`api/frame?node=${node}&frame=${frame}`))).arrayBuffer();
  const h = header(buffer, 'FWFR');
  const view = new DataView(buffer);
  const vertexCount = h[4], boneVertexCount = h[5];
  let at = 32;
  const positions = new Float32Array(buffer, at, 3 * vertexCount);
  at += 12 * vertexCount;
  const displacement = new Float32Array(buffer, at, vertexCount);
  at += 4 * vertexCount;
  const bonePositions = new Float32Array(buffer, at, 3 * boneVertexCount);
  return {
    key: h[2],
    frame: view.getInt32(12, true),
    maxDisplacement: view.getFloat32(24, true),
    hasFernwick: (h[7] & 1) !== 0,
    positions, displacement, bonePositions,
  };
}

// The event stream; handlers by event name get the parsed data.
export function connectEvents(handlers, onState) {
  const source = new EventSource('events');
  for (const [name, handler] of Object.entries(handlers))
    source.addEventListener(name, (e) => handler(JSON.parse(e.data)));
  source.onopen = () => onState(true);
  source.onerror = () => onState(source.readyState === EventSource.OPEN);
  return source;
}
