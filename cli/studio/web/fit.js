// The fit of the last solve, beside the rollout: RMS and largest distance of
// linear skinning to the Delta Mush result, before and after, over the frames
// solved and on each keyed clip, with the lines the program prints.

// A number as the program prints it (six significant digits, like %g).
export function formatNumber(x) {
  if (x === 0 || !Number.isFinite(x)) return String(x);
  const exponent = Math.floor(Math.log10(Math.abs(Number(x.toPrecision(6)))));
  if (exponent < -5 || exponent >= 6) {
    const [mantissa, power] = x.toExponential(5).split('e');
    const p = Number(power);
    return `${mantissa.replace(/\.?0+$/, '')}e${p < 0 ? '-' : '+'}${String(Math.abs(p)).padStart(2, '0')}`;
  }
  return x.toPrecision(6).replace(/(\.\d*?)0+$/, '$1').replace(/\.$/, '');
}

function row(title, before, after) {
  const r = document.createElement('div');
  r.className = 'fit-row';
  const head = document.createElement('div');
  head.className = 'fit-name';
  head.textContent = title;
  r.appendChild(head);
  const line = (what, a, b) => {
    const l = document.createElement('div');
    l.className = `fit-${what.toLowerCase()}`;
    const ratio = b !== null && a > 0 ? ` (ratio ${formatNumber(b / a)})` : '';
    l.textContent = `${what} ${formatNumber(a)} \u2192 ${b === null ? '\u2026' : formatNumber(b)}${what === 'RMS' ? ratio : ''}`;
    return l;
  };
  r.append(line('RMS', before.rms, after ? after.rms : null), line('Largest', before.max, after ? after.max : null));
  return r;
}

export function showFit(root, fit) {
  root.hidden = !fit;
  if (!fit) return;
  const rows = [row(`Frames ${fit.start} to ${fit.end} (solved, ${fit.vertices} vertices)`, fit.before, fit.after)];
  for (const c of fit.clips)
    rows.push(row(`"${c.name}" (${c.trained ? 'trained on' : 'held out'}, frames ${c.first} to ${c.last})`, c.before, c.after));
  root.querySelector('.rows').replaceChildren(...rows);
  root.querySelector('.waiting').textContent = fit.waiting ? `Clips: ${fit.waiting}.` : '';
  root.querySelector('pre').textContent = fit.text;
}
