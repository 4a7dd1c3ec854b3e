#!/usr/bin/env node
// Validates one glTF/GLB file with the Khronos validator.
// Prints "errors=N warnings=N infos=N hints=N" and each error or warning;
// exits 1 when the file has errors, 2 when it cannot be checked at all.
'use strict';
const fs = require('fs');
const path = require('path');

let validator;
try {
  validator = require('gltf-validator');
} catch (e) {
  console.error('gltf-validator is not installed: run "npm ci" in ' + __dirname);
  process.exit(2);
}

const file = process.argv[2];
if (!file) {
  console.error('usage: validate.js FILE');
  process.exit(2);
}

let bytes;
try {
  bytes = fs.readFileSync(file);
} catch (e) {
  console.error('cannot read ' + file + ': ' + e.message);
  process.exit(2);
}

validator.validateBytes(new Uint8Array(bytes), {
  uri: path.basename(file),
  maxIssues: 0,
  externalResourceFunction: (uri) => new Promise((resolve, reject) => {
    fs.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)), (err, data) => {
      if (err) reject(err.toString()); else resolve(new Uint8Array(data));
    });
  }),
}).then((report) => {
  const n = report.issues;
  console.log(`errors=${n.numErrors} warnings=${n.numWarnings} infos=${n.numInfos} hints=${n.numHints}`);
  for (const m of n.messages) {
    if (m.severity <= 1) {
      console.log(`${m.severity === 0 ? 'error' : 'warning'} ${m.code} ${m.pointer || ''}: ${m.message}`);
    }
  }
  process.exit(n.numErrors > 0 ? 1 : 0);
}, (err) => {
  console.error('validation failed: ' + err);
  process.exit(2);
});
