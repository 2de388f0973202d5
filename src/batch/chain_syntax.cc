// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/chain_syntax.h"

#include <memory>

#include "batch/registration.h"
#include "framework/message_text.h"
#include "framework/number_text.h"

namespace strandel {

const char* const default_pass_label = "AiNet";

namespace {

const char* const blanks = " \t\r\n\f\v";

std::string trim(const std::string& s) {
    const std::size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    const std::size_t last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

std::vector<std::string> split(const std::string& s, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = s.find(separator, start);
        parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

std::string known_labels(const std::vector<pass*>& prototypes) {
    std::string list;
    for (const pass* p : prototypes) {
        if (!list.empty()) list += ", ";
        list += p->label();
    }
    return list.empty() ? "none registered" : list;
}

std::string parameter_labels(const pass& p) {
    std::string list;
    for (unsigned i = 0; i < p.nr_parameters(); ++i) {
        if (i) list += ", ";
        list += p.parameter_info(i).label();
    }
    return list;
}

// Parses one "Label" or "Label(v1, ..., vn)" into a new pass, or returns null
// with the reason in `error`.
std::unique_ptr<pass> parse_pass(const std::string& item, const std::vector<pass*>& prototypes, std::string* error) {
    const std::size_t open = item.find('(');
    const std::string label = trim(item.substr(0, open));

    const pass* prototype = nullptr;
    for (const pass* p : prototypes)
        if (label == p->label()) {
            prototype = p;
            break;
        }
    if (!prototype) {
        *error = "unknown pass \"" + message_quote(label) + "\" (known passes: " + known_labels(prototypes) + ")";
        return nullptr;
    }
    if (open == std::string::npos) return std::unique_ptr<pass>(prototype->clone());

    const std::size_t close = item.find(')', open);
    if (close == std::string::npos) {
        *error = message_quote(label) + ": missing \")\" after the parameters";
        return nullptr;
    }
    if (!trim(item.substr(close + 1)).empty()) {
        *error = message_quote(label) + ": unexpected \"" + message_quote(trim(item.substr(close + 1))) + "\" after \")\"";
        return nullptr;
    }

    const std::string inside = item.substr(open + 1, close - open - 1);
    std::vector<std::string> values;
    if (!trim(inside).empty() || prototype->nr_parameters() == 1) values = split(inside, ',');
    const unsigned n = prototype->nr_parameters();
    if (values.size() != n) {
        *error = message_quote(label) + ": expected " + std::to_string(n) + " parameter(s) (" +
                 parameter_labels(*prototype) + "), got " + std::to_string(values.size());
        return nullptr;
    }

    std::unique_ptr<pass> made(prototype->clone());
    for (unsigned i = 0; i < n; ++i) {
        const param_info& info = prototype->parameter_info(i);
        const std::string text = trim(values[i]);
        bool ok;
        if (info.type() == param_int) {
            long long v = 0;
            ok = parse_integer(text, info.int_start(), info.int_end(), &v);
            if (ok) made->parameter_value(i) = param(static_cast<int>(v));
        } else {
            double v = 0;
            ok = parse_decimal(text, info.double_start(), info.double_end(), &v);
            if (ok) made->parameter_value(i) = param(v);
        }
        if (!ok) {
            *error = message_quote(label) + ": parameter \"" + info.label() + "\" must be " + describe_range(info) +
                     ", got \"" + message_quote(text) + "\"";
            return nullptr;
        }
    }
    return made;
}

}  // namespace

bool parse_chain(const std::string& text, const std::vector<pass*>& prototypes, chain& passes,
                 std::string* error) {
    const std::string whole = trim(text);
    const std::vector<std::string> items =
        whole.empty() ? std::vector<std::string>{default_pass_label} : split(whole, ';');

    chain parsed;
    std::string why;
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::unique_ptr<pass> p;
        if (trim(items[i]).empty())
            why = "pass " + std::to_string(i + 1) + " of the chain is empty (nothing between \";\")";
        else
            p = parse_pass(items[i], prototypes, &why);
        if (!p) {
            if (error) *error = why;
            return false;
        }
        parsed.append(std::move(p));
    }
    passes.splice(std::move(parsed));
    return true;
}

bool parse_chain(const std::string& text, chain& passes, std::string* error) {
    return parse_chain(text, registered_prototypes(), passes, error);
}

std::string format_chain(const chain& passes) {
    std::string text;
    for (const pass& p : passes) {
        if (!text.empty()) text += "; ";
        text += p.label();
        const unsigned n = p.nr_parameters();
        if (n == 0) continue;
        text += '(';
        for (unsigned i = 0; i < n; ++i) {
            if (i) text += ", ";
            text += param_text(p.parameter_value(i));
        }
        text += ')';
    }
    return text;
}

}  // namespace strandel
