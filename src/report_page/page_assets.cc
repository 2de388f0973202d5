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
footer { color: var(--muted); font-size: 12px; padding: 0 32px 24px; }
.legend .profile { color: var(--muted); font-size: 12.5px; }
.legend .chain, .overview .chain { overflow-wrap: anywhere; }
.overview th.ch { text-align: left; font-weight: 500; max-width: 260px; vertical-align: bottom; }
.overview th.mt { text-align: left; white-space: nowrap; }
.overview td { vertical-align: top; }
.overview td.n { white-space: nowrap; }
.overview .ci, .overview .rk { display: block; color: var(--muted); font-size: 11.5px; font-weight: 400; }
.cd { width: 100%; max-width: 760px; height: auto; display: block; margin: 4px 0 8px; }
.cd text { font-size: 12px; fill: var(--ink); }
.cd .ticklabel { text-anchor: middle; fill: var(--muted); }
.cd .axis, .cd .tick { stroke: #6b7280; stroke-width: 1.2; }
.cd .cdbar { stroke: var(--ink); stroke-width: 2; }
.cd .cdlabel { font-size: 11px; fill: var(--muted); }
.cd .clique { stroke: var(--ink); stroke-width: 4; stroke-linecap: round; }
.cd .lead { fill: none; stroke-width: 1.3; }
.cd .chipnum { text-anchor: middle; fill: #fff; font-weight: 700; font-size: 11px; }
.cd .name.l { text-anchor: end; }
.friedman { margin: 0 0 4px; font-size: 14px; }
.pairs td.sig { font-weight: 700; }
.pairs td:first-child { white-space: nowrap; }
#images tbody tr.r { height: var(--row, 30px); }
#images tbody tr.r > td { overflow: hidden; }
#images .nm { max-height: 3.9em; overflow: hidden; }
#images[data-thumbs] tbody tr.r { --row: 74px; }
#image-filter { font: inherit; font-size: 13px; padding: 3px 10px; border: 1px solid var(--line); border-radius: 14px; width: 220px; }
#image-count { color: var(--muted); font-size: 13px; margin-right: 10px; }
img.thumb { cursor: zoom-in; }
#lightbox { position: fixed; inset: 0; background: rgba(20, 24, 32, .82); display: flex; align-items: center;
  justify-content: center; flex-direction: column; gap: 10px; z-index: 10; cursor: zoom-out; }
#lightbox[hidden] { display: none; }
#lightbox img { width: min(80vw, 640px); max-height: 80vh; object-fit: contain; image-rendering: pixelated;
  background: #fff; border-radius: 4px; }
#lightbox p { color: #fff; margin: 0; font-size: 14px; max-width: 80vw; overflow-wrap: anywhere; text-align: center; }
)CSS";

// The image table, drawn from window.strandelData: only the rows on screen
// (and a few around them) are in the document, so that a data set of tens of
// thousands of images opens, scrolls and sorts at once; small tables are
// drawn whole. Sorting (numbers numerically, names as text with their digits
// as numbers) and filtering work over every image; a sort is stable and
// toggles its direction on every click of the same column; empty, missing
// and nan cells stay at the bottom in both directions. The measure buttons
// choose the columns. A click on any thumbnail shows it enlarged.
const char page_script[] = R"JS(
(function () {
  "use strict";
  var lightbox = document.getElementById("lightbox");
  document.addEventListener("click", function (e) {
    var t = e.target;
    if (t && t.tagName === "IMG" && t.classList.contains("thumb")) {
      lightbox.innerHTML = "";
      var big = document.createElement("img"), caption = document.createElement("p");
      big.src = t.src; big.alt = t.alt; caption.textContent = t.title || t.alt;
      lightbox.appendChild(big); lightbox.appendChild(caption);
      lightbox.hidden = false;
    } else if (!lightbox.hidden && lightbox.contains(t)) {
      lightbox.hidden = true;
    }
  });
  document.addEventListener("keydown", function (e) { if (e.key === "Escape") lightbox.hidden = true; });

  var data = window.strandelData, table = document.getElementById("images");
  if (!data || !table) return;
  var chains = data.chains.length, measures = data.measures, images = data.images;
  var head = table.tHead, body = table.tBodies[0];
  var overscan = 12, drawAll = images.length <= 200;
  if (data.thumbnails) table.setAttribute("data-thumbs", "");
  var all = images.map(function (_, i) { return i; });
  var view = all.slice(), sorted = { key: null, dir: 1 }, filter = "";
  var collator = new Intl.Collator(undefined, { numeric: true });

  function esc(s) {
    return String(s).replace(/[&<>"']/g, function (c) {
      return { "&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;", "'": "&#39;" }[c];
    });
  }
  function full(v) {
    if (v === null) return "";
    if (v !== v) return "nan";
    if (v === Infinity) return "inf";
    if (v === -Infinity) return "-inf";
    return String(v);
  }
  function shortNumber(v) {
    if (v !== v) return "nan";
    if (v === Infinity) return "\u221e";
    if (v === -Infinity) return "\u2212\u221e";
    if (v === 0) return "0";
    var e = +v.toExponential(3).split("e")[1];
    if (e < -4 || e > 15) return v.toExponential(3);
    return v.toFixed(e >= 3 ? 0 : 3 - e);
  }
  // The measures whose columns are shown, as indices into data.measures.
  function shownMeasures() {
    var show = table.getAttribute("data-show"), out = [];
    measures.forEach(function (m, i) {
      if (show === "all" || show === m[0] || (show === "truth" && m[3])) out.push(i);
    });
    return out;
  }
  function thumb(t, what) {
    if (t === 0) return '<div class="ph" title="' + esc(what) + ': none">none</div>';
    if (typeof t === "string")
      return '<img class="thumb" loading="lazy" src="' + esc(t) + '" alt="' + esc(what) + '" title="' + esc(what) + '">';
    return '<div class="ph" title="' + esc(what + ": " + t[1]) + '">' + esc(t[0]) + "</div>";
  }
  // One cell per chain, or one spanning cell for each run of chains
  // without a row.
  function chainCells(img, gapClass, cell) {
    var present = img[5], html = "", k = 0;
    for (var s = 0; s <= present.length; ++s) {
      var next = s < present.length ? present[s] : chains;
      if (next > k)
        html += '<td class="' + gapClass + (k === 0 ? " first" : "") + ' gap"' +
          (next - k > 1 ? ' colspan="' + (next - k) + '"' : "") + "></td>";
      if (s < present.length) html += cell(s, next === 0);
      k = next + 1;
    }
    return html;
  }
  function rowHtml(i, shown) {
    var img = images[i], rows = img[5].length;
    var html = '<tr class="r" data-i="' + i + '"><td class="n" data-v="' + img[0] + '">' + img[0] +
      '</td><td class="name" data-v="' + esc(img[1]) + '" title="' + esc(img[2]) + '"><div class="nm">' +
      esc(img[1]) + "</div></td>";
    if (data.thumbnails) {
      html += '<td><div class="thumbs">' + thumb(img[3], img[2]) + thumb(img[4], "manual segmentation of " + img[2]) +
        "</div></td>";
      html += chainCells(img, "seg", function (s, first) {
        return "<td" + (first ? ' class="first"' : "") + ">" +
          thumb(img[6][s], "chain " + (img[5][s] + 1) + " on " + img[2]) + "</td>";
      });
    }
    shown.forEach(function (mi) {
      var cls = "n m m-" + measures[mi][0];
      html += chainCells(img, "m m-" + measures[mi][0], function (s, first) {
        var v = img[7][mi * rows + s], c = cls + (first ? " first" : "");
        if (v === null) return '<td class="' + c + ' missing" data-v="">\u2013</td>';
        var f = full(v);
        return '<td class="' + c + '" data-v="' + f + '" title="' + f + '">' + shortNumber(v) + "</td>";
      });
    });
    return html + "</tr>";
  }
  function chip(k) { return '<span class="chip" style="--c:' + data.colors[k] + '">' + (k + 1) + "</span>"; }
  // Sort keys: "pos", "name", or "m:MEASURE:CHAIN".
  function headHtml(shown) {
    var col = 0, top = "", second = "";
    function sortable(key, kind, extra, label) {
      var aria = sorted.key === key ? ' aria-sort="' + (sorted.dir > 0 ? "ascending" : "descending") + '"' : "";
      return "<th " + extra + ' data-col="' + (col++) + '" data-kind="' + kind + '" data-key="' + key + '"' + aria +
        ">" + label + "</th>";
    }
    top += sortable("pos", "num", 'rowspan="2"', "#") + sortable("name", "text", 'rowspan="2"', "image");
    if (data.thumbnails) {
      top += '<th rowspan="2">image \u00b7 manual</th><th colspan="' + chains + '" class="group">segmentations</th>';
      col += 1 + chains;
      for (var k = 0; k < chains; ++k) second += '<th title="' + esc(data.chains[k]) + '">' + chip(k) + "</th>";
    }
    shown.forEach(function (mi) {
      var m = measures[mi];
      top += '<th colspan="' + chains + '" class="group m m-' + m[0] + '">' + esc(m[1]) + (m[2] ? " \u2193" : "") + "</th>";
      for (var k = 0; k < chains; ++k)
        second += sortable("m:" + mi + ":" + k, "num", 'class="m m-' + m[0] + '" title="' + esc(m[1] + ", chain " +
          (k + 1) + ": " + data.chains[k]) + '"', chip(k));
    });
    return "<tr>" + top + "</tr><tr>" + second + "</tr>";
  }
  function keyOf(i, key) {
    var img = images[i];
    if (key === "pos") return img[0];
    if (key === "name") return img[1];
    var parts = key.split(":"), mi = +parts[1], k = +parts[2], s = img[5].indexOf(k);
    if (s < 0) return null;
    var v = img[7][mi * img[5].length + s];
    return v === null || v !== v ? null : v;
  }
  function sortBy(key) {
    var dir = sorted.key === key ? -sorted.dir : 1, text = key === "name";
    sorted = { key: key, dir: dir };
    var at = new Int32Array(images.length);
    all.forEach(function (i, p) { at[i] = p; });
    var keys = images.map(function (_, i) { return keyOf(i, key); });
    all.sort(function (a, b) {
      var x = keys[a], y = keys[b];
      if (x === null || y === null) {
        if (x === null && y === null) return at[a] - at[b];
        return x === null ? 1 : -1;
      }
      var c = text ? collator.compare(x, y) : x < y ? -1 : x > y ? 1 : 0;
      return dir * c || at[a] - at[b];
    });
    refilter();
  }
  function refilter() {
    var f = filter.toLowerCase();
    view = f ? all.filter(function (i) { return images[i][1].toLowerCase().indexOf(f) >= 0; }) : all.slice();
    document.getElementById("image-count").textContent =
      (f ? view.length + " of " : "") + images.length + (images.length === 1 ? " image" : " images");
    draw(true);
  }
  var rowHeight = 0, drawn = [-1, -1], shownNow = shownMeasures();
  function draw(force) {
    var first = 0, last = view.length;
    if (!drawAll) {
      var height = rowHeight || (data.thumbnails ? 74 : 30);
      var top = body.getBoundingClientRect().top;
      first = Math.max(0, Math.floor(-top / height) - overscan);
      last = Math.min(view.length, first + Math.ceil(window.innerHeight / height) + 2 * overscan);
    }
    if (!force && first === drawn[0] && last === drawn[1]) return;
    drawn = [first, last];
    var html = "", h = rowHeight || (data.thumbnails ? 74 : 30);
    if (first > 0) html += '<tr class="spacer" style="height:' + first * h + 'px"></tr>';
    for (var p = first; p < last; ++p) html += rowHtml(view[p], shownNow);
    if (last < view.length) html += '<tr class="spacer" style="height:' + (view.length - last) * h + 'px"></tr>';
    body.innerHTML = html;
    if (!rowHeight && !drawAll) {
      var row = body.querySelector("tr.r");
      if (row && row.offsetHeight > 0) { rowHeight = row.offsetHeight; draw(true); }
    }
  }
  function drawHead() {
    shownNow = shownMeasures();
    head.innerHTML = headHtml(shownNow);
    Array.prototype.forEach.call(head.querySelectorAll("th[data-key]"), function (th) {
      th.addEventListener("click", function () { sortBy(th.getAttribute("data-key")); drawHead(); });
    });
  }
  var pending = false;
  function schedule() {
    if (drawAll || pending) return;
    pending = true;
    window.requestAnimationFrame(function () { pending = false; draw(false); });
  }
  window.addEventListener("scroll", schedule, { passive: true });
  window.addEventListener("resize", schedule);
  document.getElementById("image-filter").addEventListener("input", function (e) { filter = e.target.value; refilter(); });
  var buttons = document.querySelectorAll(".controls button[data-show]");
  Array.prototype.forEach.call(buttons, function (button) {
    button.addEventListener("click", function () {
      table.setAttribute("data-show", button.getAttribute("data-show"));
      Array.prototype.forEach.call(buttons, function (b) { b.classList.toggle("on", b === button); });
      drawHead();
      draw(true);
    });
  });
  // For scripts (and tests): the images' positions in the order shown.
  window.strandelTable = {
    order: function () { return view.map(function (i) { return images[i][0]; }); },
    rowHeight: function () { return rowHeight; }
  };
  drawHead();
  draw(true);
  if (window.performance && performance.mark) performance.mark("strandel-rows");
})();
)JS";

}  // namespace strandel
