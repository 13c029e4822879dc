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
  const data = JSON.parse(document.getElementById('quorvantelmix-data').textContent);
  const results = data.trials > 0;  // a page without results has no figures to tie
  const apart = (a, b) => a.right <= b.left + slack || b.right <= a.left + slack ||
      a.bottom <= b.top + slack || b.bottom <= a.top + slack;

  // A phone's first screen (390 x 844 CSS px) holds the verdict, its four figures and the line
  // on leaving early; six screens hold everything before the trials, which are folded away (a
  // data counter's reading, which the player added, adds its own section on top).
  const bottomOf = (element) => element.getBoundingClientRect().bottom + window.scrollY;
  if (results && width === 390) {
    for (const selector of ['.verdict', '.figures', '.hours-line']) {
      const element = document.querySelector(selector);
      if (!element) problems.push('no ' + selector);
      else if (bottomOf(element) > 844 + slack) {
        problems.push(selector + ' ends at ' + Math.round(bottomOf(element)) + ' px, below the first screen');
      }
    }
    const trials = document.querySelector('details.trials');
    if (!trials || trials.open) problems.push('the trials are not folded away');
    else if (!data.counter && bottomOf(trials) > 6 * 844 + slack) {
      problems.push('the page up to the trials is ' + Math.round(bottomOf(trials)) + ' px long');
    }
  }
  // The rest is measured with every fold open.
  for (const fold of document.querySelectorAll('details')) fold.open = true;

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

  // Every table, chart and text block ends inside the column or card that holds it: a grid's
  // item, a card, or the page's body.
  const container = (element) => {
    for (let up = element.parentElement; up && up !== document.body; up = up.parentElement) {
      if (up.classList.contains('card')) return up;
      if (up.parentElement && getComputedStyle(up.parentElement).display === 'grid') return up;
    }
    return document.body;
  };
  const inside = (box, outer) => box.left >= outer.left - slack && box.right <= outer.right + slack;
  for (const element of document.body.querySelectorAll(
      'table, figure, figure > svg, p, ul, h3, .card, .verdict, .figures, .charts, .pairs')) {
    if (element.closest('svg.swatch')) continue;
    const holder = container(element);
    const outer = holder.getBoundingClientRect();
    const name = element.tagName + (element.id ? '#' + element.id : '') + ' "' +
        element.textContent.trim().slice(0, 24) + '"';
    if (!inside(element.getBoundingClientRect(), outer)) {
      problems.push(name + ' ends outside its ' + (holder === document.body ? 'page' : 'column'));
      continue;
    }
    if (element.tagName === 'P' || element.tagName === 'H3') {
      const text = document.createRange();
      text.selectNodeContents(element);
      if (Array.from(text.getClientRects()).some((line) => !inside(line, outer))) {
        problems.push(name + ' runs out of its column');
      }
    }
  }

  // The items of a grid never overlap, and each row of them fills the grid's width: no column
  // stands empty beside a lone item.
  for (const grid of document.body.querySelectorAll('*')) {
    if (getComputedStyle(grid).display !== 'grid') continue;
    const outer = grid.getBoundingClientRect();
    const items = Array.from(grid.children).map((item) => item.getBoundingClientRect());
    items.forEach((box, i) => {
      for (let j = 0; j < i; ++j) {
        if (!apart(box, items[j])) problems.push('grid items overlap in ' + grid.className);
      }
      const lastOfRow = !items.some((other) => other.top < box.bottom && other.bottom > box.top &&
                                                other.left > box.left);
      if (lastOfRow && box.right < outer.right - 2) {
        problems.push('an empty column in ' + grid.className + ' at ' + Math.round(box.top) + ' px');
      }
    });
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
    // The plot's edges in the chart's units: every mark inside them, every axis title outside.
    const [plotLeft, plotTop, plotRight, plotBottom] =
        (chart.dataset.plot || '').split(' ').map(parseFloat);
    if (!(plotRight > plotLeft && plotBottom > plotTop)) problems.push(name + ': no plot area');
    const inPlot = (x, y) => x >= plotLeft - 1 && x <= plotRight + 1 && y >= plotTop - 1 &&
        y <= plotBottom + 1;
    for (const title of chart.querySelectorAll('text.title')) {
      const x = parseFloat(title.getAttribute('x'));
      const y = parseFloat(title.getAttribute('y'));
      const box = title.getBBox();
      const overlaps = box.x < plotRight && box.x + box.width > plotLeft && box.y < plotBottom &&
          box.y + box.height > plotTop;
      if (overlaps) problems.push(name + ': the title "' + title.textContent + '" inside the plot at ' + x + ',' + y);
    }
    // Every mark that draws data names its JSON, so that none escapes the read-back.
    for (const mark of chart.querySelectorAll('circle, polyline, polygon, rect[class^="bar-"]')) {
      if (!mark.dataset.json) problems.push(name + ': a ' + mark.tagName + ' of ' + mark.getAttribute('class') + ' without its JSON');
    }
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
    const near = (drawn, expected, what, vertical) => {
      ++marks;
      if (vertical === undefined ? false : !(vertical ? drawn >= plotTop - 1 && drawn <= plotBottom + 1
                                                       : drawn >= plotLeft - 1 && drawn <= plotRight + 1)) {
        problems.push(name + ': ' + what + ' drawn outside the plot, at ' + drawn);
      }
      if (!(Math.abs(drawn - expected) <= 0.5)) {
        problems.push(name + ': ' + what + ' drawn at ' + drawn + ', its value maps to ' +
                      expected.toFixed(2));
      }
    };
    // Dots and bars stand one a row: every row of their list is drawn.
    const rowsDrawn = {};
    for (const mark of chart.querySelectorAll('circle[data-row], rect[data-row]')) {
      (rowsDrawn[mark.dataset.json] = rowsDrawn[mark.dataset.json] || new Set()).add(mark.dataset.row);
    }
    for (const [path, rows] of Object.entries(rowsDrawn)) {
      const count = valueAt(path).length;
      if (rows.size !== count) problems.push(name + ': ' + rows.size + ' of the ' + count + ' rows of ' + path + ' drawn');
    }
    for (const mark of chart.querySelectorAll('[data-json]')) {
      const d = mark.dataset;
      const yAxis = map[d.axis || 'y'];
      const y = (v) => {
        let scaled = v * parseFloat(d.yScale || '1');
        if (d.yLog) scaled = Math.log10(scaled);
        if (d.yFloor !== undefined) scaled = Math.max(scaled, parseFloat(d.yFloor));
        return yAxis(scaled);
      };
      const points = (mark.getAttribute('points') || '').trim().split(/\s+/)
          .filter((p) => p).map((p) => p.split(',').map(parseFloat));
      const what = d.json;
      if (mark.tagName === 'line') {  // a marker at one value
        near(parseFloat(mark.getAttribute('x1')), map.x(valueAt(d.json)), what, false);
      } else if (mark.tagName === 'rect') {  // a bar: its left edge and its top
        const row = valueAt(d.json)[parseInt(d.row, 10)];
        near(parseFloat(mark.getAttribute('x')),
             map.x(row[d.x] + parseFloat(d.xShift)) + 1, what + ' ' + d.row, false);
        near(parseFloat(mark.getAttribute('y')), y(row[d.y]), what + ' ' + d.row, true);
      } else if (mark.tagName === 'circle' && d.centreOf) {  // a dot at a histogram bin's middle
        const i = parseInt(d.row, 10);
        const bins = valueAt(d.centreOf);
        const width = bins.length > 1 ? bins[1][0] - bins[0][0] : 1;
        near(parseFloat(mark.getAttribute('cx')),
             map.x(bins[i][0] + parseFloat(d.xShift) + width / 2), what + ' ' + i, false);
        near(parseFloat(mark.getAttribute('cy')), y(valueAt(d.json)[i]), what + ' ' + i, true);
      } else if (mark.tagName === 'circle') {  // a dot of a row
        const row = valueAt(d.json)[parseInt(d.row, 10)];
        near(parseFloat(mark.getAttribute('cx')), map.x(row[d.x]), what + ' ' + d.row, false);
        near(parseFloat(mark.getAttribute('cy')), y(row[d.y]), what + ' ' + d.row, true);
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
          near(px, map.x(xs[i]), what, false);
          near(py, y(values[i]), what, true);
        });
      } else {  // a line through a list, or through the rows of a list
        // Every value of the list is drawn; a line with a floor runs to the first value below
        // it and no further.
        const values = valueAt(d.json);
        let drawn = values.length;
        if (d.yFloor !== undefined) {
          const below = values.findIndex((row) =>
            Math.log10(row[d.y] * parseFloat(d.yScale || '1')) < parseFloat(d.yFloor));
          if (below >= 0) drawn = below + 1;
        }
        if (points.length !== drawn) {
          problems.push(name + ': ' + what + ' draws ' + points.length + ' of ' + drawn + ' values');
        }
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
          near(px, map.x(x), what + ' ' + i, false);
          near(py, y(v), what + ' ' + i, true);
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
