// The study's drawings on the chart, as the server placed them: each comes
// with its bars, prices and look resolved (pens, fills, text lines and
// alignment, edge anchors); this only maps bars and prices to pixels.

import { strokeStyle } from './pens.js';

function withAlpha(colour, alpha) {
  const value = parseInt(colour.slice(1), 16);
  return `rgba(${value >> 16}, ${(value >> 8) & 255}, ${value & 255}, ${alpha})`;
}

function snapped(coordinate, width) {
  return Math.round(width) % 2 === 1 ? Math.floor(coordinate) + 0.5 : Math.round(coordinate);
}

function drawLine(context, drawing, a, b) {
  strokeStyle(context, drawing.pen);
  let [ax, ay, bx, by] = [a.x, a.y, b.x, b.y];
  if (ay === by) ay = by = snapped(ay, drawing.pen.width);
  if (ax === bx) ax = bx = snapped(ax, drawing.pen.width);
  context.beginPath();
  context.moveTo(ax, ay);
  context.lineTo(bx, by);
  context.stroke();
  return { x1: ax, y1: ay, x2: bx, y2: by };
}

function drawShape(context, drawing, a, b) {
  const box = { left: Math.min(a.x, b.x), top: Math.min(a.y, b.y), right: Math.max(a.x, b.x), bottom: Math.max(a.y, b.y) };
  const path = () => {
    context.beginPath();
    const width = box.right - box.left, height = box.bottom - box.top;
    if (drawing.kind === 'ellipse' && width > 0 && height > 0) {
      context.ellipse(box.left + width / 2, box.top + height / 2, width / 2, height / 2, 0, 0, 2 * Math.PI);
    } else {
      context.rect(box.left, box.top, width, height);
    }
  };
  if (drawing.fillAlpha > 0) {
    path();
    context.fillStyle = withAlpha(drawing.fill, drawing.fillAlpha);
    context.fill();
  }
  if (drawing.border) {
    path();
    strokeStyle(context, drawing.border);
    context.stroke();
  }
  return { x1: box.left, y1: box.top, x2: box.right, y2: box.bottom };
}

// The anchor at the aligned side of the lines' box; each line aligned in the box the same way.
function drawText(context, drawing, anchorX, anchorY) {
  context.font = `${drawing.fontPixels}px "DejaVu Sans", sans-serif`;
  context.fillStyle = drawing.colour;
  context.setLineDash([]);
  const metrics = context.measureText('Hg');
  const ascent = metrics.fontBoundingBoxAscent, lineHeight = ascent + metrics.fontBoundingBoxDescent;
  const widths = drawing.lines.map((line) => context.measureText(line).width);
  const width = Math.max(0, ...widths), height = lineHeight * drawing.lines.length;
  const share = { left: 0, centre: 0.5, right: 1 }[drawing.horizontal];
  const left = anchorX - width * share;
  const top = anchorY - height * { top: 0, centre: 0.5, bottom: 1 }[drawing.vertical];
  drawing.lines.forEach((line, i) => {
    context.fillText(line, left + (width - widths[i]) * share, top + i * lineHeight + ascent);
  });
  return { x1: left, y1: top, x2: left + width, y2: top + height };
}

export class DrawingsPrimitive {
  constructor(onPainted) {
    this.drawings = [];
    this.onPainted = onPainted;
    const renderer = { draw: (target) => this.draw(target) };
    this.view = { renderer: () => renderer, zOrder: () => 'normal' };
  }

  attached({ chart, series, requestUpdate }) {
    this.chart = chart;
    this.series = series;
    this.requestUpdate = requestUpdate;
  }

  detached() {
    this.chart = this.series = this.requestUpdate = null;
  }

  setDrawings(drawings) {
    this.drawings = drawings;
    if (this.requestUpdate) this.requestUpdate();
  }

  paneViews() { return [this.view]; }

  // The price scale takes in the drawings that lie in the visible bars.
  autoscaleInfo(firstLogical, lastLogical) {
    let low = Infinity, high = -Infinity;
    for (const d of this.drawings) {
      const edge = d.kind === 'text' && d.anchor !== 'bar';
      if (!edge && (Math.max(d.firstBar, d.secondBar) < firstLogical || Math.min(d.firstBar, d.secondBar) > lastLogical)) continue;
      low = Math.min(low, d.firstPrice, d.secondPrice);
      high = Math.max(high, d.firstPrice, d.secondPrice);
    }
    return low <= high ? { priceRange: { minValue: low, maxValue: high } } : null;
  }

  draw(target) {
    const drawn = [];
    if (this.chart) {
      const timeScale = this.chart.timeScale();
      target.useMediaCoordinateSpace(({ context, mediaSize }) => {
        const point = (bar, price) => ({ x: timeScale.logicalToCoordinate(bar), y: this.series.priceToCoordinate(price) });
        for (const d of this.drawings) {
          const a = point(d.firstBar, d.firstPrice), b = point(d.secondBar, d.secondPrice);
          if (a.x === null || a.y === null || b.x === null || b.y === null) continue;
          context.save();
          let at;
          if (d.kind === 'line') {
            at = drawLine(context, d, a, b);
          } else if (d.kind === 'text') {
            const x = d.anchor === 'leftEdge' ? 0 : d.anchor === 'rightEdge' ? mediaSize.width : a.x;
            at = drawText(context, d, x, a.y);
          } else {
            at = drawShape(context, d, a, b);
          }
          context.restore();
          drawn.push({ id: d.id, kind: d.kind, ...at });
        }
      });
    }
    this.onPainted(drawn);
  }
}
