// The studio in a real browser: Debian's Chromium, driven by playwright-core,
// works the whole proxy workflow on the demo character with the mouse and
// keyboard, then the program itself checks the saved scene.
//
//   node studio_browser_test.mjs --fernwick BIN --out DIR [--validator validate.js]
//
// Writes DIR/studio.png (the page after the solve). Exits 0 when every check
// passes; prints each check as it goes.
import { chromium } from 'playwright-core';
import { spawn, execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';

const args = Object.fromEntries(process.argv.slice(2).reduce((pairs, a, i, all) =>
  (a.startsWith('--') ? [...pairs, [a.slice(2), all[i + 1]]] : pairs), []));
const fernwick = path.resolve(args.fernwick);
const outDir = path.resolve(args.out || '.');
const chromiumPath = process.env.FERNWICK_CHROMIUM || '/usr/bin/chromium';
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'fernwick-studio-browser-'));
const began = Date.now();
let failures = 0;

function check(ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? `: ${detail}` : ''}`);
  if (!ok) failures++;
  return ok;
}

// The studio, started from a scratch folder; resolves with its address.
function startStudio() {
  const child = spawn(fernwick, ['studio', '--port', '0'], { cwd: work, stdio: ['ignore', 'pipe', 'pipe'] });
  child.stderrText = '';
  child.stderr.on('data', (d) => { child.stderrText += d; });
  const address = new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error(`no address printed: ${text}${child.stderrText}`)), 30000);
    child.stdout.on('data', (d) => {
      text += d;
      const m = text.match(/open (http:\/\/127\.0\.0\.1:\d+\/[0-9a-f]{32}\/)/);
      if (m) { clearTimeout(timer); resolve(m[1]); }
    });
    child.on('exit', (code) => reject(new Error(`the studio ended (${code}): ${text}${child.stderrText}`)));
  });
  child.exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal })));
  return { child, address };
}

// A raw request with chosen headers (fetch may not set Host).
function request(url, headers = {}) {
  return new Promise((resolve, reject) => {
    const req = http.request(url, { headers }, (res) => {
      let body = '';
      res.on('data', (d) => { body += d; });
      res.on('end', () => resolve({ status: res.statusCode, body }));
    });
    req.on('error', reject);
    req.end();
  });
}

function rmsBefore(sceneFile) {
  const text = execFileSync(fernwick, ['solve', sceneFile, '-o', path.join(work, 'resolved.fws'), '--start', '1',
    '--end', '31', '--iterations', '1', '--yes'], { cwd: work, encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
  const m = text.match(/before: mean [^,]+, RMS ([0-9.eE+-]+)/);
  return m ? Number(m[1]) : NaN;
}

async function main() {
  const { child, address } = startStudio();
  const url = await address;
  const port = new URL(url).port;
  check(true, 'the studio printed its address', url);

  // Safety: the token, the Host header and the Origin header.
  const wrongToken = url.replace(/[0-9a-f]{32}/, '0123456789abcdef0123456789abcdef');
  check((await request(wrongToken)).status === 403, 'a wrong token is refused');
  check((await request(url.replace(/\/[0-9a-f]{32}\//, '/'))).status === 403, 'no token is refused');
  check((await request(`${url}api/scene`, { Origin: 'http://evil.example' })).status === 403, 'a foreign Origin is refused');
  check((await request(`${url}api/scene`, { Host: `evil.example:${port}` })).status === 403, 'a foreign Host is refused');
  check((await request(`${url}api/scene`, { Origin: `http://127.0.0.1:${port}` })).status === 200, 'its own Origin is served');

  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'fernwick-chromium-'));
  const browser = await chromium.launchPersistentContext(profile, {
    executablePath: chromiumPath,
    headless: true,
    viewport: { width: 1360, height: 1000 },
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
  });
  const consoleErrors = [];
  try {
    const page = await browser.newPage();
    page.on('console', (m) => { if (m.type() === 'error') consoleErrors.push(m.text()); });
    page.on('pageerror', (e) => consoleErrors.push(e.message));
    await page.goto(url);
    const frameShown = (f) => page.waitForFunction((n) => document.body.dataset.frame === String(n), f);
    const idle = () => page.waitForFunction(() => !document.body.classList.contains('busy'));
    const positions = () => page.evaluate(() => Array.from(window.fernwickStudio.lastFrame.positions));
    const button = (name) => page.getByRole('button', { name, exact: true });
    const answer = async (name, expectText) => {
      const box = page.locator('#msgbox');
      await box.waitFor({ state: 'visible' });
      const caption = await box.locator('.caption').textContent();
      const text = await box.locator('.text').textContent();
      check(caption === 'Fernwick' && text.includes(expectText), `the message box asks "${expectText}"`, caption);
      await box.getByRole('button', { name, exact: true }).click();
      await box.waitFor({ state: 'hidden' });
    };
    const saveAs = async (file) => {
      await button('Save as').click();
      await page.locator('#path-dialog input').fill(file);
      await page.locator('#path-dialog .ok').click();
      await page.waitForFunction((f) => document.querySelector('#notice').textContent === `Saved ${f}`, file);
    };
    await frameShown(0);
    check(await page.locator('canvas').isVisible(), 'the viewport shows');

    await button('Extract state').click();
    await idle();
    check(await page.getByText('OK, V: 9952, T: 19900').isVisible(), 'the rest state is captured');

    // A posed frame: Delta Mush with more iterations smooths it further.
    await page.locator('#time-slider').fill('10');
    await frameShown(10);
    const iter1 = await positions();
    const pixels1 = await page.locator('canvas').screenshot();
    const iterations = page.locator('input[data-id="1491"]');
    await iterations.fill('10');
    await iterations.press('Enter');
    await page.waitForFunction(() => document.querySelector('input[data-id="1491"]').value === '10');
    await idle();
    await frameShown(10);
    const iter10 = await positions();
    let moved = 0;
    for (let i = 0; i < iter1.length; ++i) moved = Math.max(moved, Math.abs(iter1[i] - iter10[i]));
    check(iter1.length === 3 * 9952 && moved > 1e-4, 'Iterations 10 changes the mesh', `largest move ${moved}`);
    check(!pixels1.equals(await page.locator('canvas').screenshot()), 'the viewport redraws it');

    // The proxy workflow, from the rest pose at frame 0.
    await page.locator('#time-slider').fill('0');
    await frameShown(0);
    await saveAs(path.join(work, 'before.fws'));
    await button('Create input animation').click();
    await answer('Yes', 'It will create sample poses for the weights solver.');
    await idle();
    check(await button('Replace and remove proxy').isEnabled(), '"Replace and remove proxy" is enabled after the proxy is made');
    check(!(await button('Create input animation').isEnabled()), '"Create input animation" is disabled');

    await page.evaluate(() => {
      window.promptsSeen = [];
      new MutationObserver(() => window.promptsSeen.push(document.querySelector('#prompt').textContent))
        .observe(document.querySelector('#prompt'), { childList: true, characterData: true, subtree: true });
    });
    await button('Solve Skin weights').click();
    await answer('Yes', 'The solver takes into account');
    await idle();
    const prompts = await page.evaluate(() => window.promptsSeen);
    const solving = prompts.find((p) => p.startsWith('Solving weights... 3/3'));
    check(Boolean(solving), 'the solver\'s progress reached the page while it ran', solving || prompts.join(' | '));
    // The picture: the solved weights bending the tail in one of the proxy poses.
    await page.locator('#time-slider').fill('10');
    await frameShown(10);
    await page.evaluate(() => document.querySelector('#command-panel').scrollTo(0, 0));
    fs.mkdirSync(outDir, { recursive: true });
    await page.screenshot({ path: path.join(outDir, 'studio.png') });
    await page.locator('#time-slider').fill('0');
    await frameShown(0);

    await button('Replace and remove proxy').click();
    await answer('OK', 'Weights successfully replaced.');
    await idle();
    check(await button('Create input animation').isEnabled(), 'the rollout is back to before the proxy');
    const nodes = await page.locator('#nodes').textContent();
    check(!nodes.includes('FNWK_proxy_'), 'the proxy nodes are gone from the node list');

    await saveAs(path.join(work, 'final.fws'));
    await button('Export to glTF').click();
    await page.locator('#path-dialog input').fill(path.join(work, 'final.glb'));
    await page.locator('#path-dialog .ok').click();
    await page.waitForFunction(() => document.querySelector('#notice').textContent.startsWith('Exported'));

    // Duplicating puts a second Fernwick on top and opens it.
    const fernwicks = async () => (await page.locator('.stack-name', { hasText: 'Fernwick' }).count());
    const before = await fernwicks();
    await button('Duplicate this modifier').click();
    await idle();
    check(await fernwicks() === before + 1, 'Duplicate this modifier adds a Fernwick to the stack');

    // A failed save says why in the page and changes nothing.
    await button('Save as').click();
    await page.locator('#path-dialog input').fill(path.join(work, 'no-such-folder', 'x.fws'));
    await page.locator('#path-dialog .ok').click();
    await page.waitForFunction(() => document.querySelector('#notice').className === 'error');
    check(!fs.existsSync(path.join(work, 'no-such-folder')), 'a failed save is reported in the page',
      await page.locator('#notice').textContent());
    consoleErrors.splice(0, consoleErrors.length, ...consoleErrors.filter((e) => !e.includes('500')));
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  check(consoleErrors.length === 0, 'the page logged no errors', consoleErrors.join(' | '));

  child.kill('SIGINT');
  const ended = await Promise.race([child.exited, new Promise((r) => setTimeout(() => r(null), 15000))]);
  check(ended && ended.code === 0, 'Ctrl-C stops the studio with status 0', JSON.stringify(ended));
  if (!ended) child.kill('SIGKILL');

  // The program's own view of what the page saved.
  const info = execFileSync(fernwick, ['scene', 'info', path.join(work, 'final.fws')], { encoding: 'utf8' });
  check(!info.includes('FNWK_proxy_') && !info.includes('proxySkin'), 'the saved scene has no proxy left');
  check(/iter\s+10\b/.test(info), 'the saved scene keeps Iterations 10');
  const crude = rmsBefore(path.join(work, 'before.fws'));
  const solved = rmsBefore(path.join(work, 'final.fws'));
  check(solved !== crude, 'the weights changed', `${crude} -> ${solved}`);
  check(solved < 0.8 * crude, 'the solved weights fit the Delta Mush result better', `RMS ${crude} -> ${solved}`);
  const glb = fs.readFileSync(path.join(work, 'final.glb'));
  check(glb.subarray(0, 4).toString() === 'glTF', 'the export is a GLB file');
  if (args.validator && fs.existsSync(args.validator)) {
    const report = execFileSync(process.execPath, [args.validator, path.join(work, 'final.glb')], { encoding: 'utf8' });
    check(report.includes('errors=0'), 'the export passes the glTF validator', report.trim());
  }
}

try {
  await main();
} catch (e) {
  check(false, 'the test ran to its end', e.stack || String(e));
}
fs.rmSync(work, { recursive: true, force: true });
console.log(`${failures === 0 ? 'passed' : 'failed'} in ${((Date.now() - began) / 1000).toFixed(1)} s`);
process.exit(failures === 0 ? 0 : 1);
