// The page's JavaScript (web/, plain ES modules in the browser) and its
// browser tests and measurements (node). `npx eslint` from the top of the project.
import js from "@eslint/js";
import globals from "globals";

export default [
  js.configs.recommended,
  {
    files: ["web/**/*.js"],
    languageOptions: {
      ecmaVersion: 2022,
      sourceType: "module",
      globals: { ...globals.browser, LightweightCharts: "readonly" },
    },
  },
  {
    files: ["tests/page/**/*.mjs", "bench/page/**/*.mjs", "scripts/**/*.mjs"],
    // Node scripts that also hand functions to the browser to run there.
    languageOptions: { ecmaVersion: 2022, sourceType: "module", globals: { ...globals.node, ...globals.browser } },
  },
  {
    rules: {
      eqeqeq: ["error", "always"],
      "no-unused-vars": ["error", { argsIgnorePattern: "^_" }],
      "prefer-const": "error",
      "no-var": "error",
    },
  },
  { ignores: ["node_modules/", "build/", "web/vendor/"] },
];
