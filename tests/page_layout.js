// page_layout.js - measures the report page as a browser laid it out, and holds every figure
// that a card or the table shows to the page's JSON. The browser test puts it at the end of a
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

  // The page is never wider than the window (a table scrolls inside its own box).
  if (document.documentElement.scrollWidth > width + slack) {
    problems.push('page ' + document.documentElement.scrollWidth + ' px wide in ' + width);
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
  for (const element of document.querySelectorAll('[data-json]')) {
    const value = element.dataset.json.split('.').reduce((object, key) => object[key], data);
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
  if (figures < 30) problems.push('only ' + figures + ' figures tied to the data');

  // Into the frame's parent where the page is measured in a frame, which the dump shows.
  const host = window.parent.document;
  const result = host.createElement('pre');
  result.id = 'layout-result';
  result.textContent = problems.length === 0 ? 'LAYOUT OK ' + figures : problems.join('\n');
  host.body.appendChild(result);
}

window.addEventListener('load', () => document.fonts.ready.then(measureLayout));
