// @ts-check
// The picture's look as the server sends it with the whole state (its
// colours, font, axis and control-bar metrics, picture limits): the page is
// styled with it, never with copies of it.

/**
 * The state's `look` (docs/page.md lists its fields).
 * @typedef {{
 *   font: string,
 *   colours: Record<string, string>,
 *   axes: { fontPixels: number, tickLength: number, timeAxisHeight: number, timeTextGap: number, timeTextMargin: number },
 *   controlBar: { buttonGap: number, buttonFontPixels: number, titleFontPixels: number },
 *   limits: { minWidth: number, minHeight: number, maxSide: number, maxPixels: number, maxWindowSlots: number },
 * }} Look
 */

/** @param {string} name */
const cssName = (name) => name.replace(/[A-Z]/g, (letter) => `-${letter.toLowerCase()}`);

// A canvas font of the picture's family.
/** @type {(look: Look, pixels: number) => string} */
export const fontOf = (look, pixels) => `${pixels}px "${look.font}", sans-serif`;

// The stylesheet's custom properties: --text, --panel, --button-face, ...
// (each colour by its name), --font, --button-gap, --button-font, --title-font.
/**
 * @param {Look} look
 * @param {HTMLElement} root
 */
export function styleWithLook(look, root = document.documentElement) {
  for (const [name, colour] of Object.entries(look.colours)) root.style.setProperty(`--${cssName(name)}`, colour);
  root.style.setProperty('--font', `"${look.font}", system-ui, sans-serif`);
  root.style.setProperty('--button-gap', `${look.controlBar.buttonGap}px`);
  root.style.setProperty('--button-font', `${look.controlBar.buttonFontPixels}px`);
  root.style.setProperty('--title-font', `${look.controlBar.titleFontPixels}px`);
}
