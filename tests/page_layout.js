// page_layout.js - measures the report page as a browser laid it out, holds every figure that a
// card or a table shows to the page's JSON, and reads every chart back: each bar, dot and line
// vertex mapped through the chart's own axis labels to a value, held to the JSON it draws. The browser test puts it at the end of a
// copy of the page (without the policy that forbids scripts), shown in a frame of the width to
// measure; it writes what it found into the frame's parent, in
// a preformatted element of the id layout-result: "LAYOUT OK" and the figures checked, or one
// problem a line.
// It measures once the frame has loaded and its fonts are ready (the browser test gives headless
// Chromium a virtual-time budget, so that the dump waits for it).
function measureLayout() {
  'use strict';
  const problems = [];
  const width = window.innerWidth;
  const slack = 0.5;  // CSS px of rounding

  // The page is never wider than the window, and nothing hides behind a clip or a scroll bar of
  // its own: no box is wider inside than it shows, and no table cell ends past the window.
  if (document.documentElement.scrollWidth > width + slack) {
    problems.push('page ' + document.documentElement.scrollWidth + ' px wide in ' + width);
  }
  for (const element of document.body.querySelectorAll('*')) {
    if (element.closest('svg')) continue;
    const style = getComputedStyle(element);
    const clips = ['hidden', 'auto', 'scroll', 'clip'].includes(style.overflowX);
    if (clips && element.scrollWidth > element.clientWidth + 1) {
      problems.push('hidden behind a clip or scroll: ' + element.tagName + ' ' +
                    element.textContent.slice(0, 30));
    }
  }
  for (const cell of document.querySelectorAll('td, th')) {
    const box = cell.getBoundingClientRect();
    if (box.right > width + slack) problems.push('cell past the window: ' + cell.textContent);
  }

  // No text leaves its card: every line of every text inside the card's box.
  for (const card of document.querySelectorAll('.card')) {
    const box = card.getBoundingClientRect();
    for (const element of card.querySelectorAll('h3, .value, p, span')) {
      const text = document.createRange();
      text.selectNodeContents(element);
      for (const line of text.getClientRects()) {
        if (line.left < box.left - slack || line.right > box.right + slack) {
          problems.push('leaves its card: ' + element.textContent.slice(0, 40));
          break;
        }
      }
    }
  }

  // Chart texts: 11 CSS px or more, inside their chart, and no two overlapping.
  const apart = (a, b) => a.right <= b.left + slack || b.right <= a.left + slack ||
      a.bottom <= b.top + slack || b.bottom <= a.top + slack;
  for (const figure of document.querySelectorAll('figure')) {
    const svg = figure.querySelector('svg');
    const chart = svg.getBoundingClientRect();
    const scale = svg.getScreenCTM().a;
    const texts = Array.from(svg.querySelectorAll('text'));
    const boxes = texts.map((t) => t.getBoundingClientRect());
    texts.forEach((text, i) => {
      const size = parseFloat(getComputedStyle(text).fontSize) * scale;
      const name = figure.id + ' "' + text.textContent + '"';
      if (size < 11) problems.push(name + ' drawn at ' + size.toFixed(1) + ' px');
      const b = boxes[i];
      if (b.left < chart.left - slack || b.right > chart.right + slack ||
          b.top < chart.top - slack || b.bottom > chart.bottom + slack) {
        problems.push(name + ' clipped');
      }
      for (let j = 0; j < i; ++j) {
        if (!apart(b, boxes[j])) problems.push(name + ' overlaps "' + texts[j].textContent + '"');
      }
    });
  }

  // Every figure shown is its JSON value (times data-scale), rounded to the decimals shown,
  // halves away from zero.
  const data = JSON.parse(document.getElementById('quorvantelmix-data').textContent);
  let figures = 0;
  const valueAt = (path) => path.split('.').reduce((object, key) => object[key], data);
  for (const element of document.querySelectorAll('span[data-json]')) {
    const value = valueAt(element.dataset.json);
    const number = element.textContent.replace(/,/g, '').match(/[+-]?[0-9]+(\.[0-9]+)?/);
    if (typeof value !== 'number' || number === null) {
      problems.push('no figure for ' + element.dataset.json + ': ' + element.textContent);
      continue;
    }
    const decimals = number[1] ? number[1].length - 1 : 0;
    const scaled = value * parseFloat(element.dataset.scale || '1') * Math.pow(10, decimals);
    const expected = Math.sign(scaled) * Math.round(Math.abs(scaled));
    if (Math.round(parseFloat(number[0]) * Math.pow(10, decimals)) !== expected) {
      problems.push(element.dataset.json + ' shows ' + element.textContent + ' for ' + value);
    }
    ++figures;
  }
  const results = data.trials > 0;  // a page without results has no figures to tie
  if (results && figures < 30) problems.push('only ' + figures + ' figures tied to the data');

  // Every legend swatch is the shape of a mark of its class in its chart: a line for lines, a
  // box for bars and bands, a dot for dots.
  const shapes = {line: 'line, polyline', rect: 'rect, polygon', circle: 'circle'};
  for (const figure of document.querySelectorAll('figure')) {
    const chart = figure.querySelector('svg:not(.swatch)');
    for (const sample of figure.querySelectorAll('.swatch > *')) {
      const kind = sample.tagName.toLowerCase();
      const drawn = Array.from(chart.querySelectorAll(shapes[kind] || kind))
          .some((mark) => mark.classList.contains(sample.getAttribute('class')));
      if (!drawn) {
        problems.push(figure.id + ': the legend shows a ' + kind + ' of ' +
                      sample.getAttribute('class') + ' that the chart does not draw so');
      }
    }
  }

  // The charts read back: each axis maps values to the chart's units as its labels say (the
  // outermost two labels of the axis fix it), and each mark that names its JSON must stand
  // where its values map to, within half a unit.
  let marks = 0;
  for (const chart of document.querySelectorAll('figure > svg')) {
    const name = chart.parentElement.id;
    const axes = {};
    for (const tick of chart.querySelectorAll('text.tick')) {
      const axis = axes[tick.dataset.axis] || (axes[tick.dataset.axis] = []);
      axis.push([parseFloat(tick.dataset.value), parseFloat(tick.dataset.at)]);
    }
    const map = {};
    for (const [axis, ticks] of Object.entries(axes)) {
      ticks.sort((a, b) => a[0] - b[0]);
      const [v0, p0] = ticks[0];
      const [v1, p1] = ticks[ticks.length - 1];
      map[axis] = (v) => p0 + (v - v0) * (p1 - p0) / (v1 - v0);
    }
    const near = (drawn, expected, what) => {
      ++marks;
      if (!(Math.abs(drawn - expected) <= 0.5)) {
        problems.push(name + ': ' + what + ' drawn at ' + drawn + ', its value maps to ' +
                      expected.toFixed(2));
      }
    };
    for (const mark of chart.querySelectorAll('[data-json]')) {
      const d = mark.dataset;
      const yAxis = map[d.axis || 'y'];
      const y = (v) => {
        let scaled = v * parseFloat(d.yScale || '1');
        if (d.yLog) scaled = Math.log10(scaled);
        return yAxis(scaled);
      };
      const points = (mark.getAttribute('points') || '').trim().split(/\s+/)
          .filter((p) => p).map((p) => p.split(',').map(parseFloat));
      const what = d.json;
      if (mark.tagName === 'line') {  // a marker at one value
        near(parseFloat(mark.getAttribute('x1')), map.x(valueAt(d.json)), what);
      } else if (mark.tagName === 'rect') {  // a bar: its left edge and its top
        const row = valueAt(d.json)[parseInt(d.row, 10)];
        near(parseFloat(mark.getAttribute('x')),
             map.x(row[d.x] + parseFloat(d.xShift)) + 1, what + ' ' + d.row);
        near(parseFloat(mark.getAttribute('y')), y(row[d.y]), what + ' ' + d.row);
      } else if (mark.tagName === 'circle') {  // a dot of a row
        const row = valueAt(d.json)[parseInt(d.row, 10)];
        near(parseFloat(mark.getAttribute('cx')), map.x(row[d.x]), what + ' ' + d.row);
        near(parseFloat(mark.getAttribute('cy')), y(row[d.y]), what + ' ' + d.row);
      } else if (mark.tagName === 'polygon') {  // a band: upper forwards, lower backwards
        // Two lists (x every data-x-step), or two columns of one list of rows (x a column).
        let lower;
        let upper;
        let at;
        if (d.lower) {
          const rows = valueAt(d.json);
          lower = rows.map((row) => row[d.lower]);
          upper = rows.map((row) => row[d.upper]);
          at = rows.map((row) => row[d.x] * parseFloat(d.xScale || '1'));
        } else {
          [lower, upper] = d.json.split('|').map(valueAt);
          at = upper.map((_, i) => i * parseFloat(d.xStep));
        }
        const values = upper.concat(lower.slice().reverse());
        const xs = at.concat(at.slice().reverse());
        if (points.length !== values.length) problems.push(name + ': ' + what + ' vertices');
        points.forEach(([px, py], i) => {
          near(px, map.x(xs[i]), what);
          near(py, y(values[i]), what);
        });
      } else {  // a line through a list, or through the rows of a list
        const values = valueAt(d.json);
        if (points.length > values.length) problems.push(name + ': ' + what + ' vertices');
        points.forEach(([px, py], i) => {
          let x;
          let v;
          if (d.xStep) {
            x = i * parseFloat(d.xStep);
            v = values[i];
          } else if (d.centreOf) {  // at the middle of bin i of a histogram
            const bins = valueAt(d.centreOf);
            const width = bins.length > 1 ? bins[1][0] - bins[0][0] : 1;
            x = bins[i][0] + parseFloat(d.xShift) + width / 2;
            v = values[i];
          } else {
            x = values[i][d.x] * parseFloat(d.xScale || '1');
            v = values[i][d.y];
          }
          near(px, map.x(x), what + ' ' + i);
          near(py, y(v), what + ' ' + i);
        });
      }
    }
  }
  if (results && marks < 500) problems.push('only ' + marks + ' chart coordinates read back');

  // Into the frame's parent where the page is measured in a frame, which the dump shows.
  const host = window.parent.document;
  const result = host.createElement('pre');
  result.id = 'layout-result';
  result.textContent = problems.length === 0 ? 'LAYOUT OK ' + figures + ' figures, ' + marks +
      ' chart coordinates' : problems.join('\n');
  host.body.appendChild(result);
}

window.addEventListener('load', () => document.fonts.ready.then(measureLayout));
