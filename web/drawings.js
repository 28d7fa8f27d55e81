// The study's drawings on the chart, as the server placed them: each comes
// with its bars, prices, look (pens, fills, text lines and alignment, edge
// anchors, halos) and layer resolved; this only maps bars and prices to
// pixels. One primitive paints each layer: the one beneath the bars on the
// pane (drawn over the grid, before any series), the one above them on the
// candles' series.

import { fontOf } from './look.js';
import { strokeStyle } from './pens.js';
import { ChartPrimitive } from './primitive.js';

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

// The anchor at the aligned side of the lines' box; each line aligned in the
// box the same way, over its halo.
function drawText(context, drawing, anchorX, anchorY, look) {
  context.font = fontOf(look, drawing.fontPixels);
  context.setLineDash([]);
  const metrics = context.measureText('Hg');
  const ascent = metrics.fontBoundingBoxAscent, lineHeight = ascent + metrics.fontBoundingBoxDescent;
  const widths = drawing.lines.map((line) => context.measureText(line).width);
  const width = Math.max(0, ...widths), height = lineHeight * drawing.lines.length;
  const share = { left: 0, centre: 0.5, right: 1 }[drawing.horizontal];
  const left = anchorX - width * share;
  const top = anchorY - height * { top: 0, centre: 0.5, bottom: 1 }[drawing.vertical];
  const at = (i) => [left + (width - widths[i]) * share, top + i * lineHeight + ascent];
  if (drawing.halo.width > 0) {
    context.lineWidth = drawing.halo.width;
    context.lineJoin = 'round';
    context.strokeStyle = drawing.halo.colour;
    drawing.lines.forEach((line, i) => context.strokeText(line, ...at(i)));
  }
  context.fillStyle = drawing.colour;
  drawing.lines.forEach((line, i) => context.fillText(line, ...at(i)));
  return { x1: left, y1: top, x2: left + width, y2: top + height };
}

export class DrawingsPrimitive extends ChartPrimitive {
  // layer: the drawings' "layer" it paints; series: the candles (a pane
  // primitive is given none); onPainted(drawn), when given: after each
  // repaint, what was drawn.
  constructor({ layer, series = null, onPainted = null }) {
    super('normal', series);
    Object.assign(this, { layer, onPainted });
    this.drawings = [];
    this.first = 0;    // the bar at the chart library's logical index 0
    this.look = null;  // the picture's: its font for the texts
  }

  setDrawings(drawings, first) {
    Object.assign(this, { drawings, first });
    this.repaint();
  }

  setLook(look) {
    this.look = look;
    this.repaint();
  }

  // The price scale takes in the drawings of every layer that lie in the
  // visible bars (asked of the primitive on the candles' series only).
  autoscaleInfo(firstLogical, lastLogical) {
    let low = Infinity, high = -Infinity;
    const firstBar = firstLogical + this.first, lastBar = lastLogical + this.first;
    for (const d of this.drawings) {
      const edge = d.kind === 'text' && d.anchor !== 'bar';
      if (!edge && (Math.max(d.firstBar, d.secondBar) < firstBar || Math.min(d.firstBar, d.secondBar) > lastBar)) continue;
      low = Math.min(low, d.firstPrice, d.secondPrice);
      high = Math.max(high, d.firstPrice, d.secondPrice);
    }
    return low <= high ? { priceRange: { minValue: low, maxValue: high } } : null;
  }

  draw(target) {
    const drawn = [];
    if (this.chart && this.look) {
      const timeScale = this.chart.timeScale();
      target.useMediaCoordinateSpace(({ context, mediaSize }) => {
        const point = (bar, price) => ({
          x: timeScale.logicalToCoordinate(bar - this.first), y: this.series.priceToCoordinate(price),
        });
        for (const d of this.drawings) {
          if (d.layer !== this.layer) continue;
          const a = point(d.firstBar, d.firstPrice), b = point(d.secondBar, d.secondPrice);
          if (a.x === null || a.y === null || b.x === null || b.y === null) continue;
          context.save();
          let at;
          if (d.kind === 'line') {
            at = drawLine(context, d, a, b);
          } else if (d.kind === 'text') {
            const x = d.anchor === 'leftEdge' ? 0 : d.anchor === 'rightEdge' ? mediaSize.width : a.x;
            at = drawText(context, d, x, a.y, this.look);
          } else {
            at = drawShape(context, d, a, b);
          }
          context.restore();
          if (this.onPainted) drawn.push({ id: d.id, kind: d.kind, ...at });
        }
      });
    }
    if (this.onPainted) this.onPainted(drawn);
  }
}
