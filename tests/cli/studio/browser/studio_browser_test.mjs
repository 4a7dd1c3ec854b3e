// The studio in a real browser: Debian's Chromium, driven by playwright-core,
// works the whole proxy workflow on the demo character with the mouse and
// keyboard, with a second tab open on the same studio; saves over files
// through the page's questions; and sees the studio stop under an open
// question. Then the program itself checks what the page saved.
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

// What a test does on one page of the studio.
function driver(page) {
  const d = {
    page,
    button: (name) => page.getByRole('button', { name, exact: true }),
    spinner: (name) => page.getByRole('spinbutton', { name, exact: true }),
    frameShown: (f) => page.waitForFunction((n) => document.body.dataset.frame === String(n), f),
    idle: () => page.waitForFunction(() => !document.body.classList.contains('busy')),
    positions: () => page.evaluate(() => Array.from(window.fernwickStudio.lastFrame.positions)),
    // Answers the host's message box (caption Fernwick unless said).
    answer: async (name, expectText, caption = 'Fernwick') => {
      const box = page.locator('#msgbox');
      await box.waitFor({ state: 'visible' });
      const shown = await box.locator('.caption').textContent();
      const text = await box.locator('.text').textContent();
      check(shown === caption && text.includes(expectText), `the message box says "${expectText}"`, `${shown}: ${text}`);
      await box.getByRole('button', { name, exact: true }).click();
      await box.waitFor({ state: 'hidden' });
    },
    // Answers one of the page's own questions (the next may follow at once).
    reply: async (name, expectText) => {
      const box = page.locator('#ask');
      await box.waitFor({ state: 'visible' });
      const text = await box.locator('.text').textContent();
      check(text.includes(expectText), `the page asks "${expectText}"`, text);
      await box.getByRole('button', { name, exact: true }).click();
      await page.waitForFunction((old) => document.querySelector('#ask').hidden ||
        document.querySelector('#ask .text').textContent !== old, text);
    },
    // Types a name into the file dialog; resolves with the full path it shows.
    typeFile: async (name) => {
      const dialog = page.locator('#path-dialog');
      await dialog.locator('input').fill(name);
      await page.waitForFunction((last) => document.querySelector('#path-dialog .resolved').textContent.endsWith(last),
        path.basename(name));
      return (await dialog.locator('.resolved').textContent()).slice(2);
    },
    saveAs: async (file, ...replies) => {
      await d.button('Save as').click();
      await d.typeFile(file);
      await page.locator('#path-dialog .ok').click();
      for (const [name, text] of replies) await d.reply(name, text);
      await page.waitForFunction((f) => document.querySelector('#notice').textContent.endsWith(f), file);
    },
  };
  return d;
}

let crudeRms = NaN;  // the wave clip's fit before the solve, as the page shows it

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
  const hostState = async () => JSON.parse((await request(`${url}api/scene`)).body);

  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'fernwick-chromium-'));
  const browser = await chromium.launchPersistentContext(profile, {
    executablePath: chromiumPath,
    headless: true,
    viewport: { width: 1360, height: 1000 },
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
  });
  const consoleErrors = [];
  const watch = (p) => {
    p.on('console', (m) => { if (m.type() === 'error') consoleErrors.push(m.text()); });
    p.on('pageerror', (e) => consoleErrors.push(e.message));
  };
  try {
    const a = driver(await browser.newPage());
    const { page } = a;
    watch(page);
    await page.goto(url);
    await a.frameShown(0);
    check(await page.locator('canvas').isVisible(), 'the viewport shows');
    check((await page.locator('#prompt').textContent()).includes('Bone affect limit 5: the smallest'),
      'the prompt line names the Bone affect limit the import chose');

    await a.button('Extract state').click();
    await a.idle();
    check(await page.getByText('OK, V: 9952, T: 19900').isVisible(), 'the rest state is captured');
    check((await page.title()).startsWith('*demo character'), 'a change marks the title', await page.title());

    // A posed frame: Delta Mush with more iterations smooths it further.
    await page.locator('#time-slider').fill('10');
    await a.frameShown(10);
    const iter1 = await a.positions();
    const pixels1 = await page.locator('canvas').screenshot();
    const iterations = a.spinner('Delta Mush Iterations:');
    await iterations.fill('10');
    await iterations.press('Enter');
    await page.waitForFunction(() => document.querySelector('input[data-id="1491"]').value === '10');
    await a.idle();
    await a.frameShown(10);
    const iter10 = await a.positions();
    let moved = 0;
    for (let i = 0; i < iter1.length; ++i) moved = Math.max(moved, Math.abs(iter1[i] - iter10[i]));
    check(iter1.length === 3 * 9952 && moved > 1e-4, 'Iterations 10 changes the mesh', `largest move ${moved}`);
    check(!pixels1.equals(await page.locator('canvas').screenshot()), 'the viewport redraws it');
    check(/Distance of linear skinning to Delta Mush/.test(await page.locator('#legend').textContent()),
      'the legend names what the colours measure');

    // Spinners as the host's: keys, wheel, dragging the arrows, refused entries.
    const limit = a.spinner('Skin Bone affect limit:');
    const limitValue = () => limit.inputValue();
    const settled = (v) => page.waitForFunction((want) =>
      document.querySelector('input[data-id="1495"]').value === want &&
      !document.body.classList.contains('busy'), v);
    await page.getByText('Bone affect limit:', { exact: true }).click();
    check(await limit.evaluate((e) => e === document.activeElement), 'a click on the label goes to its field');
    await limit.press('ArrowUp');
    await settled('6');
    await limit.press('PageUp');
    await settled('16');
    check(true, 'the arrow keys step the spinner');
    await limit.hover();
    await page.mouse.wheel(0, 120);
    await settled('15');
    check(true, 'the wheel steps it');
    const up = page.getByRole('button', { name: 'Bone affect limit up' });
    const box = await up.boundingBox();
    await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
    await page.mouse.down();
    await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2 - 40, { steps: 8 });
    await page.mouse.up();
    await settled('25');
    check(true, 'dragging up on the arrows adds one per 4 pixels');
    await up.click();
    await settled('26');
    for (const garbage of ['0x10', 'ten', '']) {
      await limit.fill(garbage);
      await limit.press('Enter');
      check(await limit.evaluate((e) => e.classList.contains('invalid')), `"${garbage}" flashes`);
      check(await limitValue() === '26', `"${garbage}" reverts to the host's value`);
    }
    await limit.fill('5');
    await limit.press('Tab');
    await settled('5');
    check(true, 'Tab enters a typed value');

    // A start frame after the end frame: the host's own kind of message.
    const startFrame = a.spinner('Skin Start frame:');
    const startBefore = await startFrame.inputValue();
    await startFrame.fill('50');
    await startFrame.press('Enter');
    await a.answer('OK', 'Start frame 50 lies after End frame 31', 'Fernwick studio');
    await a.idle();
    check(await startFrame.inputValue() === startBefore, 'the start frame keeps its value', await startFrame.inputValue());

    // A second tab: both type into Iterations and press Enter at once; both
    // end showing what the host holds. The time slider is shared too.
    const b = driver(await browser.newPage());
    watch(b.page);
    await b.page.goto(url);
    await b.frameShown(10);
    const typeIn = async (d, value) => {
      const field = d.spinner('Delta Mush Iterations:');
      await field.fill(value);
      return field;
    };
    const [fieldA, fieldB] = [await typeIn(a, '2'), await typeIn(b, '9')];
    await Promise.all([fieldA.press('Enter'), fieldB.press('Enter')]);
    await Promise.all([a.idle(), b.idle()]);
    const held = (await hostState()).panel[0].controls.find((c) => c.id === 1491).text;
    await Promise.all([a, b].map((d) => d.page.waitForFunction((v) =>
      document.querySelector('input[data-id="1491"]').value === v, held)));
    check(['2', '9'].includes(held), 'two tabs typing at once end showing what the host holds', held);
    // The other tab's change lands while this tab's own answer is on its way
    // (held back here): this tab ends showing it all the same.
    await page.route('**/api/rollout/value', async (route) => {
      const response = await route.fetch();
      await new Promise((r) => setTimeout(r, 1000));
      await route.fulfill({ response });
    });
    await typeIn(a, '3');
    await fieldA.press('Enter');
    const holds = async (v) => { while ((await hostState()).panel[0].controls.find((c) => c.id === 1491).text !== v); };
    await holds('3');
    await (await typeIn(b, '10')).press('Enter');
    const agreed = await Promise.all([a, b].map((d) => d.page.waitForFunction(() =>
      document.querySelector('input[data-id="1491"]').value === '10' && !document.body.classList.contains('busy'),
    null, { timeout: 10000 }).then(() => true, () => false)));
    await page.unroute('**/api/rollout/value');
    const seen = await Promise.all([a, b].map((d) => d.page.evaluate(() =>
      `${document.querySelector('input[data-id="1491"]').value} at ${window.fernwickStudio.revision}/${window.fernwickStudio.heard}`)));
    check(agreed.every(Boolean), 'a change from another tab during this tab\'s own shows in both',
      `${seen.join(', ')}; the host holds ${JSON.stringify((await hostState()).revision)}`);
    await page.locator('#time-slider').fill('12');
    await b.frameShown(12);
    check(await b.page.locator('#frame-label').textContent() === '12 / 0\u201331', 'the other tab follows the time slider');
    const asked = new Promise((resolve) => {
      b.page.on('dialog', (dialog) => { resolve(dialog.type()); dialog.accept(); });
      setTimeout(() => resolve('nothing'), 5000);
    });
    await b.page.close({ runBeforeUnload: true });
    check(await asked === 'beforeunload', 'closing a tab with unsaved changes asks first', await asked);

    // The proxy workflow, from the rest pose at frame 0.
    await page.locator('#time-slider').fill('0');
    await a.frameShown(0);
    await a.saveAs('before.fws');
    check(fs.existsSync(path.join(work, 'before.fws')), 'a bare name is saved in the folder the studio started in');
    check(!(await page.title()).startsWith('*'), 'saving clears the mark', await page.title());
    await a.button('Create input animation').click();
    await a.answer('Yes', 'It will create sample poses for the weights solver.');
    await a.idle();
    check(await a.button('Replace and remove proxy').isEnabled(), '"Replace and remove proxy" is enabled after the proxy is made');
    check(!(await a.button('Create input animation').isEnabled()), '"Create input animation" is disabled');
    await a.button('Export to glTF').click();
    await a.reply('OK', 'press "Replace and remove proxy" first');

    await page.evaluate(() => {
      window.promptsSeen = [];
      new MutationObserver(() => window.promptsSeen.push(document.querySelector('#prompt').textContent))
        .observe(document.querySelector('#prompt'), { childList: true, characterData: true, subtree: true });
    });
    await a.button('Solve Skin weights').click();
    await a.answer('Yes', 'The solver takes into account');
    await a.idle();
    const prompts = await page.evaluate(() => window.promptsSeen);
    const solving = prompts.find((p) => p.startsWith('Solving weights... 3/3'));
    check(Boolean(solving), 'the solver\'s progress reached the page while it ran', solving || prompts.join(' | '));
    const fit = page.locator('#fit');
    const solvedRow = await fit.locator('.fit-row').first().textContent();
    const rms = solvedRow.match(/RMS ([0-9.e+-]+) \u2192 ([0-9.e+-]+) \(ratio ([0-9.e+-]+)\)/);
    check(await fit.isVisible() && /^Frames 0 to 21 \(solved, 9952 vertices\)/.test(solvedRow) && rms && Number(rms[3]) < 0.9,
      'the fit of the solve is beside the rollout', solvedRow);
    check((await fit.locator('.fit-row').nth(1).textContent()).includes('"wave" (held out, frames 1 to 31)RMS') &&
      (await fit.locator('.waiting').textContent()).includes('Replace and remove proxy'),
      'the clip waits for "Replace and remove proxy"', await fit.locator('.fit-row').nth(1).textContent());
    check(/linear skinning \(Fernwick off\)\. Scale: the largest before the last solve/.test(await page.locator('#legend').textContent()),
      'the colours compare with before the solve', await page.locator('#legend').textContent());
    // The picture: the solved weights bending the tail in one of the proxy poses.
    await page.locator('#time-slider').fill('10');
    await a.frameShown(10);
    await page.locator('#viewport:not([data-resolution="reduced"])').waitFor();
    await page.evaluate(() => document.querySelector('#command-panel').scrollTo(0, 0));
    fs.mkdirSync(outDir, { recursive: true });
    await page.screenshot({ path: path.join(outDir, 'studio.png') });
    await page.locator('#time-slider').fill('0');
    await a.frameShown(0);

    // Saved with the proxy, then saved over once it is gone.
    await a.saveAs('final.fws');
    await a.button('Replace and remove proxy').click();
    await a.answer('OK', 'Weights successfully replaced.');
    await a.idle();
    check(await a.button('Create input animation').isEnabled(), 'the rollout is back to before the proxy');
    const nodes = await page.locator('#nodes').textContent();
    check(!nodes.includes('FNWK_proxy_'), 'the proxy nodes are gone from the node list');
    const clipRow = await fit.locator('.fit-row').nth(1).textContent();
    const clipRms = clipRow.match(/RMS ([0-9.e+-]+) \u2192 ([0-9.e+-]+) \(ratio/);
    check(Boolean(clipRms) && !clipRow.includes('\u2026'), 'the clip is scored on the rig', clipRow);
    crudeRms = clipRms ? Number(clipRms[1]) : NaN;

    // Saving over files: a scene after one question, another file after two.
    await a.saveAs('final.fws', ['Yes', 'already exists']);
    const notes = path.join(work, 'notes.txt');
    fs.writeFileSync(notes, 'not a scene');
    await a.button('Save as').click();
    check(await a.typeFile('notes.txt') === notes, 'the file box shows the full path');
    await page.locator('#path-dialog .ok').click();
    await a.reply('Yes', 'already exists');
    await a.reply('Keep it', 'is not a Fernwick scene');
    check(fs.readFileSync(notes, 'utf8') === 'not a scene', 'a file of another kind stays unless confirmed twice');
    await a.button('Save as').click();
    await a.typeFile(path.join(work, 'no-such-folder', 'x.fws'));
    check((await page.locator('#path-dialog .problem').textContent()).includes('does not exist: create it first'),
      'a missing folder is named before anything is written');
    await page.locator('#path-dialog .cancel').click();
    await a.button('Export to glTF').click();
    await a.typeFile(path.join(work, 'final.glb'));
    await page.locator('#path-dialog .ok').click();
    await page.waitForFunction(() => document.querySelector('#notice').textContent.startsWith('Exported'));

    // Duplicating puts a second Fernwick on top and opens it.
    const fernwicks = async () => (await page.locator('.stack-name', { hasText: 'Fernwick' }).count());
    const before = await fernwicks();
    await a.button('Duplicate this modifier').click();
    await a.idle();
    check(await fernwicks() === before + 1, 'Duplicate this modifier adds a Fernwick to the stack');

    // New, with the change not saved: asked first.
    await a.button('New').click();
    await a.reply('Yes', 'has changes that are not saved');
    await page.waitForFunction(() => document.querySelector('#notice').textContent === 'Opened the demo character');
    check(await fernwicks() === 1, 'New opens the demo character');
    check(consoleErrors.length === 0, 'the page logged no errors', consoleErrors.join(' | '));

    // The studio stops while a question is open: one clear modal, nothing live.
    await a.button('Create input animation').click();
    await page.locator('#msgbox').waitFor({ state: 'visible' });
    child.kill('SIGINT');
    await page.locator('#stopped').waitFor({ state: 'visible', timeout: 10000 });
    const live = await page.evaluate(() =>
      [...document.querySelectorAll('button, input')].filter((e) => !e.disabled && !e.closest('[inert]')).length);
    check(await page.locator('#msgbox').isHidden() && live === 0, 'a stopped studio says so and leaves no control live',
      `${live} live: ${await page.locator('#stopped').textContent()}`);
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }

  const ended = await Promise.race([child.exited, new Promise((r) => setTimeout(() => r(null), 15000))]);
  check(ended && ended.code === 0, 'Ctrl-C stops the studio with status 0', JSON.stringify(ended));
  if (!ended) child.kill('SIGKILL');

  // The program's own view of what the page saved.
  const info = execFileSync(fernwick, ['scene', 'info', path.join(work, 'final.fws')], { encoding: 'utf8' });
  check(!info.includes('FNWK_proxy_') && !info.includes('proxySkin'), 'the saved scene has no proxy left');
  check(/iter\s+10\b/.test(info), 'the saved scene keeps Iterations 10');
  // The crude skin's fit on the clip, as the page showed it, against the saved weights'.
  const solved = rmsBefore(path.join(work, 'final.fws'));
  check(solved < 0.8 * crudeRms, 'the saved weights fit the Delta Mush result better', `RMS ${crudeRms} -> ${solved}`);
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
