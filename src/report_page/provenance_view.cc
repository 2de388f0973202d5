// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/provenance_view.h"

#include "batch/provenance.h"
#include "report_page/html_escape.h"

namespace strandel {

namespace {

using record = nlohmann::ordered_json;

// A field's value as text: strings as they are, null as "none", anything
// else as JSON.
std::string text_of(const record& r, const char* key) {
    const auto value = r.find(key);
    if (value == r.end() || value->is_null()) return "none";
    if (value->is_string()) return value->get<std::string>();
    return value->dump(-1, ' ', false, record::error_handler_t::replace);
}

std::string row(const std::string& name, const std::string& value) {
    return "<tr><th style=\"text-align:left;padding-right:1em;vertical-align:top\">" + name + "</th><td>" +
           html_escape(value) + "</td></tr>";
}

std::string joined(const record& r, const char* key, const char* separator) {
    const auto list = r.find(key);
    if (list == r.end() || !list->is_array()) return text_of(r, key);
    std::string text;
    for (const auto& item : *list)
        text += (text.empty() ? "" : separator) +
                (item.is_string() ? item.get<std::string>() : item.dump(-1, ' ', false, record::error_handler_t::replace));
    return text;
}

// "K/N", or "none" for a run of the whole list.
std::string shard_text(const record& r) {
    const auto shard = r.find("shard");
    if (shard == r.end() || !shard->is_object()) return "none";
    return text_of(*shard, "index") + "/" + text_of(*shard, "count");
}

std::string run_rows(const record& r) {
    std::string html;
    const auto strandel = r.find("strandel");
    if (strandel != r.end() && strandel->is_object())
        html += row("Strandel", text_of(*strandel, "version") + " (" + text_of(*strandel, "commit") + ")");
    const auto engine = r.find("engine");
    if (engine != r.end())
        html += row("engine", text_of(r, "engine") + (r.contains("gimp") ? ", " + text_of(r, "gimp") : std::string()));
    if (r.contains("chains")) html += row("chains", joined(r, "chains", "  |  "));
    if (r.contains("seed")) html += row("seeds", "--seed " + text_of(r, "seed") + ", --seed-each " + text_of(r, "seed_each"));
    if (r.contains("gray")) html += row("gray levels", "--gray " + text_of(r, "gray") + ", --levels " + text_of(r, "levels"));
    if (r.contains("shard") && !r.contains("merged_from")) html += row("shard", shard_text(r));
    html += row("time", text_of(r, "start") + " to " + text_of(r, "end") + " on " + text_of(r, "host"));
    const auto images = r.find("images");
    if (images != r.end() && images->is_object())
        html += row("images", text_of(*images, "read") + " read, " + text_of(*images, "skipped") + " skipped");
    if (r.contains("arguments")) html += row("command", "strandel-bench " + joined(r, "arguments", " "));
    const auto merged = r.find("merged_from");
    if (merged != r.end() && merged->is_array()) {
        html += row("merged from", std::to_string(merged->size()) + " tables");
        // The shards were run alike: the first one's record says how.
        if (!merged->empty() && (*merged)[0].is_object()) {
            const auto first = (*merged)[0].find("provenance");
            if (first != (*merged)[0].end() && first->is_object()) html += run_rows(*first);
        }
    }
    return html;
}

}  // namespace

std::string provenance_footer(const std::vector<std::string>& tables) {
    std::string html = "<section class=\"provenance\"><h2>How the tables were made</h2>";
    for (const std::string& table : tables) {
        record r;
        std::string error;
        html += "<details><summary><code>" + html_escape(table) + "</code></summary>";
        if (read_provenance(table, &r, &error))
            html += "<table class=\"provenance\">" + run_rows(r) + "</table>";
        else
            html += "<p>No provenance: " + html_escape(error) + "</p>";
        html += "</details>";
    }
    return html + "</section>";
}

}  // namespace strandel
