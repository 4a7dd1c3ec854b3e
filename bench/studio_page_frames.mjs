// The studio page's own frame time while the time slider is dragged, in
// Debian's headless Chromium with software WebGL (as the browser test runs
// it): the 20,002-vertex character of bench_studio with Fernwick at 10
// iterations. The slider moves one frame every 16 ms (a mouse drag), back and
// forth over the range; "frame time" is the time between two frames drawn,
// "latency" from the slider's move to that frame drawn. Prints the median and
// the 90th percentile of each, and the processor time each process spent per
// frame drawn (where the time goes).
//
//   node bench/studio_page_frames.mjs --fernwick build/cli/fernwick --bench build/bench/bench_studio [--moves 150]
import { createRequire } from 'node:module';
import { spawn, execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, '../tests/cli/studio/browser/package.json'));
const { chromium } = require('playwright-core');

const args = Object.fromEntries(process.argv.slice(2).reduce((pairs, a, i, all) =>
  (a.startsWith('--') ? [...pairs, [a.slice(2), all[i + 1]]] : pairs), []));
const moves = Number(args.moves || 150);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'fernwick-page-frames-'));

const percentile = (sorted, p) => sorted[Math.min(sorted.length - 1, Math.floor(p * sorted.length))];
const summary = (values) => {
  const s = [...values].sort((a, b) => a - b);
  return `median ${percentile(s, 0.5).toFixed(1)} ms, p90 ${percentile(s, 0.9).toFixed(1)} ms`;
};

// Processor milliseconds so far of the studio and of each kind of Chromium process.
function processorTime(studioPid) {
  const out = {};
  for (const pid of fs.readdirSync('/proc').filter((d) => /^\d+$/.test(d))) {
    let cmd, stat;
    try {
      cmd = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
    } catch (_) {
      continue;
    }
    let kind = null;
    if (Number(pid) === studioPid) kind = 'studio';
    else if (cmd.includes('chromium')) kind = (cmd.match(/--type=([a-z-]+)/) || [, 'browser'])[1];
    if (!kind) continue;
    const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    const ticks = Number(fields[11]) + Number(fields[12]);
    out[kind] = (out[kind] || 0) + ticks * 1000 / 100;
  }
  return out;
}

async function main() {
  const character = path.join(work, 'tail20k.glb');
  execFileSync(path.resolve(args.bench), ['--write-character', character]);
  const child = spawn(path.resolve(args.fernwick), ['studio', character, '--port', '0'], { cwd: work });
  try {
    const url = await new Promise((resolve, reject) => {
      let text = '';
      child.stdout.on('data', (d) => {
        text += d;
        const m = text.match(/open (http:\S+) in a browser/);
        if (m) resolve(m[1]);
      });
      child.on('exit', (code) => reject(new Error(`the studio ended (${code}): ${text}`)));
    });
    const browser = await chromium.launch({
      executablePath: process.env.FERNWICK_CHROMIUM || '/usr/bin/chromium',
      headless: true,
      args: ['--no-sandbox', '--disable-gpu', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
    });
    try {
      const page = await browser.newPage({ viewport: { width: 1360, height: 1000 } });
      await page.goto(url);
      await page.waitForFunction(() => document.body.dataset.frame !== undefined);
      const idle = () => page.waitForFunction(() => !document.body.classList.contains('busy'));
      await page.getByRole('button', { name: 'Extract state', exact: true }).click();
      await idle();
      const iterations = page.locator('input[data-id="1491"]');
      await iterations.fill('10');
      await iterations.press('Enter');
      await page.waitForFunction(() => document.querySelector('input[data-id="1491"]').value === '10');
      await idle();
      const before = processorTime(child.pid);
      const { drawn, intervals, latencies } = await page.evaluate(async (count) => {
        const slider = document.querySelector('#time-slider');
        const first = Number(slider.min), last = Number(slider.max);
        const sent = [], draws = [];
        const watch = new MutationObserver(() => draws.push([performance.now(), Number(document.body.dataset.frame)]));
        watch.observe(document.body, { attributes: true, attributeFilter: ['data-frame'] });
        let f = first, step = 1;
        for (let i = 0; i < count; ++i) {
          if (f + step > last || f + step < first) step = -step;
          f += step;
          slider.value = String(f);
          slider.dispatchEvent(new Event('input', { bubbles: true }));
          sent.push([performance.now(), f]);
          await new Promise((r) => setTimeout(r, 16));
        }
        const end = performance.now() + 3000;
        while (draws.at(-1)?.[1] !== f && performance.now() < end) await new Promise((r) => setTimeout(r, 10));
        watch.disconnect();
        // The first frames warm up.
        const kept = draws.slice(5);
        const gaps = kept.slice(1).map(([t], i) => t - kept[i][0]);
        const lags = kept.map(([t, frame]) => {
          const asked = sent.filter(([s, g]) => g === frame && s <= t).at(-1);
          return asked ? t - asked[0] : null;
        }).filter((x) => x !== null);
        return { drawn: draws.length, intervals: gaps, latencies: lags };
      }, moves);
      const after = processorTime(child.pid);
      const perFrame = Object.fromEntries(Object.keys(after).map((k) => [k, ((after[k] - (before[k] || 0)) / drawn).toFixed(1)]));
      console.log(`${drawn} frames drawn for ${moves} slider moves`);
      console.log(`frame time: ${summary(intervals)}`);
      console.log(`latency:    ${summary(latencies)}`);
      console.log(`processor ms per frame drawn: ${JSON.stringify(perFrame)}`);
    } finally {
      await browser.close();
    }
  } finally {
    child.kill('SIGINT');
    await new Promise((r) => child.on('exit', r));
    fs.rmSync(work, { recursive: true, force: true });
  }
}

await main();
