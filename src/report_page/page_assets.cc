// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/page_assets.h"

namespace strandel {

const char page_style[] = R"CSS(
:root { --ink: #1f2430; --muted: #6b7280; --line: #e3e6eb; --card: #fff; --back: #f4f5f7; --accent: #2b4c7e; }
* { box-sizing: border-box; }
body { margin: 0; background: var(--back); color: var(--ink);
  font: 15px/1.45 system-ui, -apple-system, "Segoe UI", Roboto, "Helvetica Neue", "DejaVu Sans", Arial, sans-serif; }
header { background: var(--card); border-bottom: 1px solid var(--line); padding: 22px 32px 18px; }
h1 { margin: 0 0 2px; font-size: 26px; font-weight: 650; letter-spacing: -0.01em; }
h2 { margin: 0 0 4px; font-size: 19px; font-weight: 620; }
h3 { margin: 0 0 8px; font-size: 16px; font-weight: 620; }
.sub { color: var(--muted); margin: 0 0 12px; }
main { padding: 18px 32px 40px; display: flex; flex-direction: column; gap: 18px; }
section { background: var(--card); border: 1px solid var(--line); border-radius: 10px; padding: 18px 22px; }
.note { color: var(--muted); font-size: 13px; margin: 4px 0 12px; max-width: 980px; }
code, .chain { font-family: ui-monospace, "SFMono-Regular", "DejaVu Sans Mono", Menlo, Consolas, monospace; font-size: 13px; }
.chip { display: inline-flex; align-items: center; justify-content: center; min-width: 22px; height: 22px;
  padding: 0 6px; border-radius: 11px; background: var(--c); color: #fff; font-weight: 650; font-size: 12px;
  text-shadow: 0 0 2px rgba(0,0,0,.35); }
.legend { list-style: none; margin: 0; padding: 0; display: flex; flex-wrap: wrap; gap: 6px 22px; }
.legend li { display: flex; align-items: center; gap: 8px; }
.legend .count { color: var(--muted); font-size: 13px; }
table { border-collapse: collapse; font-variant-numeric: tabular-nums; }
th, td { padding: 4px 9px; border-bottom: 1px solid var(--line); }
th { font-weight: 600; font-size: 13px; color: #374151; text-align: center; background: #fafbfc; }
td.n { text-align: right; }
td.best { font-weight: 700; }
tr:hover td { background: #f7f9fc; }
.cards { display: grid; grid-template-columns: repeat(auto-fill, minmax(620px, 1fr)); gap: 18px; }
.card { border: 1px solid var(--line); border-radius: 8px; padding: 14px 16px; }
.boxplot { width: 100%; max-width: 680px; height: auto; display: block; }
.boxplot text { font-size: 12px; fill: var(--ink); }
.boxplot .ticklabel { text-anchor: middle; fill: var(--muted); }
.boxplot .axistitle { text-anchor: middle; font-weight: 600; }
.boxplot .chipnum { text-anchor: middle; fill: #fff; font-weight: 700; font-size: 11px; }
.boxplot .empty { fill: var(--muted); font-style: italic; }
.boxplot .grid { stroke: #eceef2; }
.boxplot .axis, .boxplot .tick { stroke: #9aa1ad; }
.boxplot .whisker { stroke-width: 1.5; }
.boxplot .box { fill-opacity: .28; stroke-width: 1.5; }
.boxplot .median { stroke: var(--ink); stroke-width: 2.5; }
.boxplot .mean { fill: #fff; stroke-width: 1.5; }
.boxplot .outlier { fill: none; stroke-width: 1.2; }
.stats td:first-child, .stats th:first-child { text-align: left; }
.thumb { display: block; width: auto; height: auto; max-width: 80px; max-height: 80px; image-rendering: auto; border-radius: 3px;
  background: #eee; }
.thumbs { display: flex; gap: 4px; align-items: flex-start; }
.ph { display: flex; align-items: center; justify-content: center; width: 80px; height: 60px; border-radius: 3px;
  background: repeating-linear-gradient(45deg, #f3f4f6, #f3f4f6 6px, #e9ebef 6px, #e9ebef 12px);
  color: var(--muted); font-size: 11px; text-align: center; line-height: 1.2; }
.worst-chain { display: flex; gap: 14px; align-items: flex-start; padding: 10px 0; border-top: 1px solid var(--line); }
.worst-chain:first-of-type { border-top: 0; }
.worst-chain > .head { width: 190px; flex: none; display: flex; gap: 8px; align-items: flex-start; }
.worst-list { display: flex; flex-wrap: wrap; gap: 12px; }
figure { margin: 0; padding: 6px; border: 1px solid var(--line); border-radius: 6px; background: #fcfcfd; }
figcaption { font-size: 12px; margin-top: 4px; max-width: 260px; overflow: hidden; text-overflow: ellipsis; white-space: nowrap; }
figcaption b { font-variant-numeric: tabular-nums; }
.controls { display: flex; gap: 6px; align-items: center; margin: 4px 0 10px; flex-wrap: wrap; }
.controls button { font: inherit; font-size: 13px; border: 1px solid var(--line); background: #fff; border-radius: 14px;
  padding: 3px 12px; cursor: pointer; }
.controls button.on { background: var(--accent); border-color: var(--accent); color: #fff; }
.scroll { overflow-x: auto; }
#images-section { content-visibility: auto; }
.thumb { transition: transform .12s ease-out; }
#images .thumb:hover, .worst-list .thumb:hover { transform: scale(2.2); position: relative; z-index: 2;
  box-shadow: 0 4px 16px rgba(0,0,0,.3); }
#images th[data-col] { cursor: pointer; user-select: none; white-space: nowrap; }
#images th[data-col]:hover { background: #eef2f8; }
#images th[aria-sort=ascending]::after { content: " \25B2"; font-size: 10px; }
#images th[aria-sort=descending]::after { content: " \25BC"; font-size: 10px; }
#images td.name { min-width: 120px; max-width: 220px; overflow-wrap: anywhere; font-size: 13px; }
#images .thumb { max-width: 64px; max-height: 64px; }
#images .ph { width: 64px; height: 48px; }
.worst-list { gap: 10px; }
.worst-list .thumb { max-width: 56px; max-height: 56px; }
.worst-list .ph { width: 56px; height: 42px; }
.worst-list figcaption { max-width: 176px; }
#images th.group { border-left: 2px solid var(--line); }
#images td.first { border-left: 2px solid var(--line); }
#images td.n { font-size: 13.5px; }
.missing { color: #b6bcc6; }
.rank-best { font-weight: 700; }
.ranks td.n { min-width: 90px; }
.bar { display: inline-block; height: 8px; border-radius: 4px; background: var(--c); vertical-align: middle; margin-left: 8px; opacity: .85; }
#images[data-show=turi] .m:not(.m-turi), #images[data-show=dunn] .m:not(.m-dunn),
#images[data-show=amrane] .m:not(.m-amrane), #images[data-show=liu_yang] .m:not(.m-liu_yang),
#images[data-show=jaccard] .m:not(.m-jaccard) { display: none; }
footer { color: var(--muted); font-size: 12px; padding: 0 32px 24px; }
)CSS";

// Sorting the image table by a column (numbers numerically, names as text
// with their digits as numbers), stable, toggling the direction on every
// click of the same column; empty, missing and nan cells stay at the bottom in both
// directions. The measure buttons show one measure's columns at a time.
const char page_script[] = R"JS(
(function () {
  "use strict";
  var table = document.getElementById("images");
  if (!table) return;
  var body = table.tBodies[0];
  var sorted = { col: -1, dir: 1 };
  function key(cell, kind) {
    var v = cell.getAttribute("data-v");
    if (kind === "text") return v;
    if (v === null || v === "" || v === "nan") return null;
    if (v === "inf") return Infinity;
    if (v === "-inf") return -Infinity;
    var n = parseFloat(v);
    return isNaN(n) ? null : n;
  }
  // The cell at column `col`: a cell spanning the chains an image has no
  // row of stands for each of them.
  function cellAt(row, col) {
    for (var i = 0, at = 0; i < row.cells.length; ++i) {
      at += row.cells[i].colSpan;
      if (col < at) return row.cells[i];
    }
    return null;
  }
  function compare(a, b, kind) {
    if (kind === "text") return a.localeCompare(b, undefined, { numeric: true });
    return a < b ? -1 : a > b ? 1 : 0;
  }
  var headers = table.querySelectorAll("th[data-col]");
  Array.prototype.forEach.call(headers, function (th) {
    th.addEventListener("click", function () {
      var col = +th.getAttribute("data-col"), kind = th.getAttribute("data-kind");
      var dir = sorted.col === col ? -sorted.dir : 1;
      sorted = { col: col, dir: dir };
      var rows = Array.prototype.map.call(body.rows, function (r, i) {
        var cell = cellAt(r, col);
        return { row: r, at: i, key: cell ? key(cell, kind) : null };
      });
      rows.sort(function (a, b) {
        if (a.key === null || b.key === null) {
          if (a.key === null && b.key === null) return a.at - b.at;
          return a.key === null ? 1 : -1;
        }
        return dir * compare(a.key, b.key, kind) || a.at - b.at;
      });
      var fragment = document.createDocumentFragment();
      rows.forEach(function (r) { fragment.appendChild(r.row); });
      body.appendChild(fragment);
      Array.prototype.forEach.call(headers, function (h) { h.removeAttribute("aria-sort"); });
      th.setAttribute("aria-sort", dir > 0 ? "ascending" : "descending");
    });
  });
  var buttons = document.querySelectorAll(".controls button[data-show]");
  Array.prototype.forEach.call(buttons, function (button) {
    button.addEventListener("click", function () {
      table.setAttribute("data-show", button.getAttribute("data-show"));
      Array.prototype.forEach.call(buttons, function (b) { b.classList.toggle("on", b === button); });
    });
  });
})();
)JS";

}  // namespace strandel
