// A review page in a real browser: Debian's Chromium, driven by
// playwright-core, opens the written file from file:// and reads back what
// the page shows, for the test program to compare with the program's own
// frames.
//
//   node review_page.mjs --manifest M.json --playwright DIR
//
// The manifest: { page, shots: DIR, fpsMs, checks: [{ clip, frame, view, expected: BIN, offset, count }] }
// where BIN holds count x 3 floats from offset (in floats): per welded vertex
// of every scored mesh, the meshes one after another. Prints one JSON line:
// { loadMs, fps, errors, requests, checks: [{ worst, diagonal, step }], worstRow, clipAfterClick, frameAfterClick }.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const args = Object.fromEntries(process.argv.slice(2).reduce((pairs, a, i, all) =>
  (a.startsWith('--') ? [...pairs, [a.slice(2), all[i + 1]]] : pairs), []));
const manifest = JSON.parse(fs.readFileSync(args.manifest, 'utf8'));
const { chromium } = await import(path.join(path.resolve(args.playwright), 'index.mjs'));
const chromiumPath = process.env.FERNWICK_CHROMIUM || '/usr/bin/chromium';

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'fernwick-review-page-'));
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: chromiumPath,
  headless: true,
  viewport: { width: 1400, height: 760 },
  // WebGL on the software renderer, the page composited in software, as a
  // desktop without a usable GPU runs it.
  args: ['--no-sandbox', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--disable-gpu-compositing'],
});
const result = { errors: [], warnings: [], requests: [], checks: [], trianglesByView: {} };
let failed = false;
try {
  const page = browser.pages()[0] || await browser.newPage();
  const url = pathToFileURL(path.resolve(manifest.page)).href;
  page.on('pageerror', (e) => result.errors.push(e.message));
  page.on('console', (m) => { if (m.type() === 'error') result.errors.push(m.text()); else if (m.type() === 'warning') result.warnings.push(m.text()); });
  // Anything but the page itself (and the page's own in-memory URLs) would be a request out.
  page.on('request', (r) => { if (r.url() !== url && !/^(data|blob):/.test(r.url())) result.requests.push(r.url()); });
  await page.goto(url);
  await page.waitForFunction(() => window.fernwickReview && window.fernwickReview.loadMs !== null, null, { timeout: 60000 });
  result.loadMs = await page.evaluate(() => window.fernwickReview.loadMs);
  result.timings = await page.evaluate(() => window.fernwickReview.timings);
  result.clipCount = await page.evaluate(() => window.fernwickReview.clipCount);
  result.unshadedMeshes = await page.evaluate(() => window.fernwickReview.unshadedMeshes());

  for (const c of manifest.checks) {
    const bin = fs.readFileSync(c.expected);
    const want = new Float32Array(bin.buffer, bin.byteOffset, bin.byteLength / 4).subarray(c.offset, c.offset + c.count * 3);
    const got = await page.evaluate(({ clip, frame, view }) => {
      window.fernwickReview.show(clip, frame);
      return { positions: window.fernwickReview.positions(view), step: window.fernwickReview.step(clip) };
    }, c);
    let worst = got.positions.length === want.length ? 0 : Infinity;
    const lo = [Infinity, Infinity, Infinity], hi = [-Infinity, -Infinity, -Infinity];
    for (let j = 0; j < want.length && worst !== Infinity; j++) {
      const d = Math.abs(got.positions[j] - want[j]);
      worst = Number.isNaN(d) ? Infinity : Math.max(worst, d);
      lo[j % 3] = Math.min(lo[j % 3], want[j]);
      hi[j % 3] = Math.max(hi[j % 3], want[j]);
    }
    result.checks.push({ clip: c.clip, frame: c.frame, view: c.view, worst, step: got.step,
      diagonal: Math.hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]) });
  }

  // The views as a person sees them, at the middle of the first clip.
  fs.mkdirSync(manifest.shots, { recursive: true });
  await page.evaluate(() => {
    const r = window.fernwickReview;
    r.show(0, Math.floor((Number(document.getElementById('slider').max)) / 2));
  });
  for (const view of ['side', 'source', 'mush', 'baked']) {
    await page.click(`#views button[data-view="${view}"]`);
    await page.screenshot({ path: path.join(manifest.shots, `review_${view}.png`) });
    result.trianglesByView[view] = await page.evaluate(() => window.fernwickReview.trianglesDrawn);
  }
  await page.click('#views button[data-view="side"]');
  await page.click('#colours button[data-colour="worst"]');
  await page.screenshot({ path: path.join(manifest.shots, 'review_worst.png') });
  await page.click('#colours button[data-colour="distance"]');

  // A row of the table takes the page to that clip's worst frame.
  const last = result.clipCount - 1;
  await page.click(`#clip-table tbody tr:nth-child(${last + 1})`);
  result.clipAfterClick = Number(await page.inputValue('#clip'));
  result.frameAfterClick = Number(await page.inputValue('#slider'));
  result.worstRow = await page.evaluate((k) => JSON.parse(document.getElementById('fw-data').textContent).summary.clips[k].after.worstFrame, last);

  // Every clip plays; the page's own timer gives the frame rate.
  result.played = [];
  for (let k = 0; k < result.clipCount; k++) {
    await page.selectOption('#clip', String(k));
    await page.click('#play');
    await page.waitForTimeout(250);
    await page.click('#play');
    result.played.push(Number(await page.inputValue('#slider')));
  }
  // Played, the page may draw coarser; paused, it draws every triangle again.
  const whole = await page.evaluate(() => { window.fernwickReview.show(0, 0); return window.fernwickReview.trianglesDrawn; });
  await page.evaluate(() => window.fernwickReview.measureFps(300, 2));
  result.trianglesCoarse = await page.evaluate(() => window.fernwickReview.trianglesPlaying);
  result.trianglesWhole = whole;
  result.trianglesPaused = await page.evaluate(() => { window.fernwickReview.show(0, 0); return window.fernwickReview.trianglesDrawn; });
  result.fps = await page.evaluate((ms) => window.fernwickReview.measureFps(ms), manifest.fpsMs || 1500);
  result.quality = await page.evaluate(() => window.fernwickReview.measuredQuality);
} catch (e) {
  result.errors.push(String(e && e.stack || e));
  failed = true;
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
console.log(JSON.stringify(result));
process.exit(failed ? 1 : 0);
