// A real client plays the files the program wrote: three.js's own GLTFLoader
// in Debian's Chromium (driven by playwright-core) loads each GLB, plays each
// listed clip frame with an AnimationMixer and asks every skinned mesh for
// the skinned position of every vertex (SkinnedMesh.applyBoneTransform, in
// the file's world, as glTF defines skinning). Each is compared with the
// positions the program gave for the same frames.
//
//   node three_client.mjs --manifest M.json --three DIR --playwright DIR
//
// The manifest lists files: { glb, clips: [{ index, fps, frames: [f...] }],
// expected: BIN, parts: [{ mesh, primitive, count, offset }] } where BIN
// holds, per clip, per listed frame, per part, count x 3 floats from offset
// (in floats, counted from the clip and frame's start: frameFloats apart).
// Prints one JSON line per file: { glb, worst, diagonal, checked, missing }.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const args = Object.fromEntries(process.argv.slice(2).reduce((pairs, a, i, all) =>
  (a.startsWith('--') ? [...pairs, [a.slice(2), all[i + 1]]] : pairs), []));
const manifest = JSON.parse(fs.readFileSync(args.manifest, 'utf8'));
const threeDir = path.resolve(args.three);
const { chromium } = await import(path.join(path.resolve(args.playwright), 'index.mjs'));
const chromiumPath = process.env.FERNWICK_CHROMIUM || '/usr/bin/chromium';
const origin = 'http://fernwick.test';

const page0 = `<!doctype html><meta charset="utf-8"><script type="importmap">
{"imports": {"three": "${origin}/three/build/three.module.js", "three/addons/": "${origin}/three/examples/jsm/"}}
</script><body>three client</body>`;

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'fernwick-three-client-'));
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: chromiumPath,
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync'],
});
let failed = false;
try {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  // Every request goes to files on this machine: no network.
  await page.route('**/*', (route) => {
    const url = new URL(route.request().url());
    if (url.origin !== origin) return route.abort();
    if (url.pathname === '/') return route.fulfill({ contentType: 'text/html', body: page0 });
    if (url.pathname.startsWith('/three/')) {
      const file = path.join(threeDir, url.pathname.slice('/three/'.length));
      if (!file.startsWith(threeDir) || !fs.existsSync(file)) return route.fulfill({ status: 404 });
      return route.fulfill({ contentType: 'text/javascript', body: fs.readFileSync(file) });
    }
    const m = url.pathname.match(/^\/file\/(\d+)$/);
    if (m) return route.fulfill({ contentType: 'application/octet-stream', body: fs.readFileSync(manifest.files[+m[1]].glb) });
    return route.fulfill({ status: 404 });
  });
  await page.goto(`${origin}/`);
  for (let i = 0; i < manifest.files.length; i++) {
    const file = manifest.files[i];
    const expected = fs.readFileSync(file.expected);
    const want = new Float32Array(expected.buffer, expected.byteOffset, expected.byteLength / 4);
    const got = await page.evaluate(async ({ index, clips }) => {
      const THREE = await import('three');
      const { GLTFLoader } = await import('three/addons/loaders/GLTFLoader.js');
      const bytes = await (await fetch(`/file/${index}`)).arrayBuffer();
      const gltf = await new GLTFLoader().parseAsync(bytes, '');
      const skinned = [];
      gltf.scene.traverse((o) => {
        if (!o.isSkinnedMesh) return;
        const a = gltf.parser.associations.get(o);
        skinned.push({ o, mesh: a.meshes, primitive: a.primitives });
      });
      const out = { clips: [], parts: skinned.map((s) => ({ mesh: s.mesh, primitive: s.primitive,
        count: s.o.geometry.attributes.position.count })) };
      const mixer = new THREE.AnimationMixer(gltf.scene);
      const v = new THREE.Vector3();
      for (const clip of clips) {
        const anim = gltf.animations[clip.index];
        mixer.stopAllAction();
        const action = mixer.clipAction(anim);
        action.setLoop(THREE.LoopOnce, 1);
        action.clampWhenFinished = true;
        action.play();
        const frames = [];
        for (const f of clip.frames) {
          mixer.setTime(Math.fround(f / clip.fps));
          gltf.scene.updateMatrixWorld(true);
          const parts = [];
          for (const s of skinned) {
            const pos = s.o.geometry.attributes.position;
            const p = new Float32Array(pos.count * 3);
            for (let k = 0; k < pos.count; k++) {
              v.fromBufferAttribute(pos, k);
              // In the mesh's own space (attached binding): its world transform takes it to the world.
              s.o.applyBoneTransform(k, v).applyMatrix4(s.o.matrixWorld);
              p[3 * k] = v.x; p[3 * k + 1] = v.y; p[3 * k + 2] = v.z;
            }
            parts.push(Array.from(p));
          }
          frames.push(parts);
        }
        out.clips.push(frames);
      }
      return out;
    }, { index: i, clips: file.clips });

    // Compare part by part: the program's parts are matched by mesh and primitive.
    let worst = 0, checked = 0, missing = 0, at = 0;
    const lo = [Infinity, Infinity, Infinity], hi = [-Infinity, -Infinity, -Infinity];
    for (let c = 0; c < file.clips.length; c++)
      for (let f = 0; f < file.clips[c].frames.length; f++) {
        for (const part of file.parts) {
          const k = got.parts.findIndex((p) => p.mesh === part.mesh && p.primitive === part.primitive);
          if (k < 0 || got.parts[k].count !== part.count) { missing++; at += part.count * 3; continue; }
          const mine = got.clips[c][f][k];
          for (let j = 0; j < part.count * 3; j++) {
            const d = Math.abs(mine[j] - want[at + j]);
            if (!(d <= worst)) worst = Number.isNaN(d) ? Infinity : Math.max(worst, d);
            lo[j % 3] = Math.min(lo[j % 3], want[at + j]);
            hi[j % 3] = Math.max(hi[j % 3], want[at + j]);
          }
          checked += part.count;
          at += part.count * 3;
        }
      }
    const diagonal = Math.hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]);
    console.log(JSON.stringify({ glb: path.basename(file.glb), worst, diagonal, checked, missing, errors }));
    if (errors.length) failed = true;
  }
} catch (e) {
  console.log(JSON.stringify({ error: String(e && e.stack || e) }));
  failed = true;
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
