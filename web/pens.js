// @ts-check
// Pens as the server describes them: colour, width in pixels, dashes in line widths.

/** @typedef {{ colour: string, width: number, dash: number[] }} Pen */

/**
 * @param {CanvasRenderingContext2D} context
 * @param {Pen} pen
 * @param {number} pixelRatio canvas pixels per CSS pixel
 */
export function strokeStyle(context, pen, pixelRatio = 1) {
  const width = Math.max(1, Math.round(pen.width * pixelRatio));
  context.strokeStyle = pen.colour;
  context.lineWidth = width;
  context.lineCap = 'butt';
  context.setLineDash(pen.dash.map((length) => length * width));
}
