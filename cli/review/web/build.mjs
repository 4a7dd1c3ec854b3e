// Bundles the review page's script with three.js, its glTF loader and orbit
// controls into one classic script that the program inlines into every page.
//   node build.mjs OUT.js
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import * as esbuild from 'esbuild';

const here = path.dirname(fileURLToPath(import.meta.url));
await esbuild.build({
  entryPoints: [path.join(here, 'review.js')],
  outfile: process.argv[2],
  bundle: true,
  format: 'iife',
  minify: true,
  target: ['chrome100', 'firefox100', 'safari15'],
  logLevel: 'warning',
});
