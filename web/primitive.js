// @ts-check
// What every primitive the page attaches to the chart does alike: a pane view
// whose renderer paints with the primitive's draw(target), the chart and
// series it is attached to, and a repaint asked for when its data changes.

/**
 * The chart library's drawing target: a canvas in media or bitmap pixels.
 * @typedef {{
 *   useMediaCoordinateSpace: (paint: (scope: any) => void) => void,
 *   useBitmapCoordinateSpace: (paint: (scope: any) => void) => void,
 * }} DrawTarget
 */

/**
 * What the chart library hands a primitive it attaches.
 * @typedef {{ chart: any, series?: any, requestUpdate: () => void }} AttachedParams
 */

/** @typedef {'bottom' | 'normal' | 'top'} ZOrder */

export class ChartPrimitive {
  /**
   * @param {ZOrder} zOrder where the view paints among the series
   * @param {any} series the series it maps prices by, when attached to the pane (which gives none)
   */
  constructor(zOrder = 'normal', series = null) {
    /** @type {any} */
    this.chart = null;
    /** @type {any} */
    this.series = series;
    /** @type {(() => void) | null} */
    this.requestUpdate = null;
    const renderer = { draw: (/** @type {DrawTarget} */ target) => this.draw(target) };
    this.view = { renderer: () => renderer, zOrder: () => zOrder };
  }

  /** @param {AttachedParams} params */
  attached({ chart, series, requestUpdate }) {
    this.chart = chart;
    this.series = series ?? this.series;
    this.requestUpdate = requestUpdate;
  }

  detached() {
    this.chart = this.series = this.requestUpdate = null;
  }

  paneViews() { return [this.view]; }

  // The data changed: the chart repaints at its next frame.
  repaint() {
    if (this.requestUpdate) this.requestUpdate();
  }

  /** @param {DrawTarget} _target */
  draw(_target) {
    throw new Error('a primitive draws itself');
  }
}
