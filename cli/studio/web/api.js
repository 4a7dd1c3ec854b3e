// The studio server's API, addressed relative to the page (the page's address
// carries the token, so every request does too). A request that cannot reach
// the server at all fails with status 0, and `onUnreachable` hears of it.

export class ApiError extends Error {
  constructor(status, message) {
    super(message);
    this.status = status;
  }
}

export const hooks = { onUnreachable: () => {} };

async function send(url, options) {
  try {
    return await fetch(url, options);
  } catch (_) {
    hooks.onUnreachable();
    throw new ApiError(0, 'the studio cannot be reached');
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

function post(path, body) {
  return send(`api/${path}`, {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify(body),
  });
}

export async function getScene() {
  return (await check(await send('api/scene'))).json();
}

// A person's action: the answer is the scene afterwards.
export async function command(path, body = {}) {
  return (await check(await post(path, body))).json();
}

// Where a typed file name leads: {path, kind, problem, replaces, blocked?}.
export async function checkFile(path, use) {
  return (await check(await post('file/check', { path, use }))).json();
}

export async function answerBox(box, answer) {
  await check(await post('box/answer', { box, answer }));
}

function header(buffer, magic) {
  const words = new Uint32Array(buffer, 0, 8);
  const tag = String.fromCharCode(...new Uint8Array(buffer, 0, 4));
  if (tag !== magic || words[1] !== 2) throw new ApiError(0, `unexpected ${magic} message`);
  return words;
}

// Topology: the triangles' corners and the bones' edges (see mesh_encoding.h).
export async function getTopology(node) {
  const buffer = await (await check(await send(`api/topology?node=${node}`))).arrayBuffer();
  const h = header(buffer, 'FWTO');
  const [key, vertexCount, triangleCount, boneVertexCount, boneEdgeCount] = [h[2], h[3], h[4], h[5], h[6]];
  let at = 32;
  const triangles = new Uint32Array(buffer, at, 3 * triangleCount);
  at += 12 * triangleCount;
  const boneEdges = new Uint32Array(buffer, at, 2 * boneEdgeCount);
  return { key, vertexCount, triangles, boneVertexCount, boneEdges };
}

// One frame. With a frame number the host's time slider moves there (`moved`
// says whether it did); without, the frame the slider is at. `revision` is
// the host state's revision when the frame was taken.
export async function getFrame(node, frame) {
  const query = frame === undefined ? `node=${node}` : `node=${node}&frame=${frame}`;
  const response = await check(await send(`api/frame?${query}`));
  const buffer = await response.arrayBuffer();
  const h = header(buffer, 'FWFR');
  const view = new DataView(buffer);
  const vertexCount = h[4], boneVertexCount = h[5];
  let at = 32;
  const positions = new Float32Array(buffer, at, 3 * vertexCount);
  at += 12 * vertexCount;
  const distance = new Float32Array(buffer, at, vertexCount);
  at += 4 * vertexCount;
  const bonePositions = new Float32Array(buffer, at, 3 * boneVertexCount);
  at += 12 * boneVertexCount;
  const normals = new Int8Array(buffer, at, 4 * vertexCount);
  return {
    key: h[2],
    frame: view.getInt32(12, true),
    maxDistance: view.getFloat32(24, true),
    hasFernwick: (h[7] & 1) !== 0,
    fernwickOn: (h[7] & 2) !== 0,
    positions, distance, bonePositions, normals,
    revision: Number(response.headers.get('X-Fernwick-Revision')),
    moved: response.headers.get('X-Fernwick-Moved') === '1',
  };
}

// The event stream; handlers by event name get the parsed data. onState(open)
// follows the connection; the browser reconnects by itself.
export function connectEvents(handlers, onState) {
  const source = new EventSource('events');
  for (const [name, handler] of Object.entries(handlers))
    source.addEventListener(name, (e) => handler(JSON.parse(e.data)));
  source.onopen = () => onState(true, source);
  source.onerror = () => onState(source.readyState === EventSource.OPEN, source);
  return source;
}
