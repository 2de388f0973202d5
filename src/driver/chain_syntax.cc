#include "driver/chain_syntax.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "driver/chain_format.h"

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

std::string format_double(double d) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", d);
    return buffer;
}

// Plain decimal notation only: no hexadecimal, no "inf" or "nan".
bool is_decimal(const std::string& text, bool allow_fraction) {
    if (text.empty()) return false;
    for (char c : text) {
        const bool digit = c >= '0' && c <= '9';
        const bool sign = c == '+' || c == '-';
        const bool fraction = c == '.' || c == 'e' || c == 'E';
        if (!digit && !sign && !(allow_fraction && fraction)) return false;
    }
    return true;
}

bool parse_int(const std::string& text, int start, int end, int* value) {
    if (!is_decimal(text, false)) return false;
    errno = 0;
    char* stop = nullptr;
    const long long v = std::strtoll(text.c_str(), &stop, 10);
    if (errno != 0 || *stop != '\0' || v < start || v > end) return false;
    *value = static_cast<int>(v);
    return true;
}

bool parse_double(const std::string& text, double start, double end, double* value) {
    if (!is_decimal(text, true)) return false;
    errno = 0;
    char* stop = nullptr;
    const double v = std::strtod(text.c_str(), &stop);
    if (errno != 0 || *stop != '\0' || !std::isfinite(v) || v < start || v > end) return false;
    *value = v;
    return true;
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
pass* parse_pass(const std::string& item, const std::vector<pass*>& prototypes, std::string* error) {
    const std::size_t open = item.find('(');
    const std::string label = trim(item.substr(0, open));

    const pass* prototype = nullptr;
    for (const pass* p : prototypes)
        if (label == p->label()) {
            prototype = p;
            break;
        }
    if (!prototype) {
        *error = "unknown pass \"" + label + "\" (known passes: " + known_labels(prototypes) + ")";
        return nullptr;
    }
    if (open == std::string::npos) return prototype->clone();

    const std::size_t close = item.find(')', open);
    if (close == std::string::npos) {
        *error = label + ": missing \")\" after the parameters";
        return nullptr;
    }
    if (!trim(item.substr(close + 1)).empty()) {
        *error = label + ": unexpected \"" + trim(item.substr(close + 1)) + "\" after \")\"";
        return nullptr;
    }

    const std::string inside = item.substr(open + 1, close - open - 1);
    std::vector<std::string> values;
    if (!trim(inside).empty() || prototype->nr_parameters() == 1) values = split(inside, ',');
    const unsigned n = prototype->nr_parameters();
    if (values.size() != n) {
        *error = label + ": expected " + std::to_string(n) + " parameter(s) (" +
                 parameter_labels(*prototype) + "), got " + std::to_string(values.size());
        return nullptr;
    }

    pass* made = prototype->clone();
    for (unsigned i = 0; i < n; ++i) {
        const param_info& info = prototype->parameter_info(i);
        const std::string text = trim(values[i]);
        bool ok;
        if (info.type() == param_int) {
            int v = 0;
            ok = parse_int(text, info.int_start(), info.int_end(), &v);
            if (ok) made->parameter_value(i) = param(v);
        } else {
            double v = 0;
            ok = parse_double(text, info.double_start(), info.double_end(), &v);
            if (ok) made->parameter_value(i) = param(v);
        }
        if (!ok) {
            *error = label + ": parameter \"" + info.label() + "\" must be " + describe_range(info) +
                     ", got \"" + text + "\"";
            delete made;
            return nullptr;
        }
    }
    return made;
}

}  // namespace

std::string describe_range(const param_info& info) {
    if (info.type() == param_int)
        return "an integer from " + std::to_string(info.int_start()) + " to " +
               std::to_string(info.int_end());
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "a number from %g to %g", info.double_start(),
                  info.double_end());
    return buffer;
}

bool parse_chain(const std::string& text, const std::vector<pass*>& prototypes,
                 std::vector<pass*>& chain, std::string* error) {
    const std::string whole = trim(text);
    const std::vector<std::string> items =
        whole.empty() ? std::vector<std::string>{default_pass_label} : split(whole, ';');

    std::vector<pass*> parsed;
    std::string why;
    for (std::size_t i = 0; i < items.size(); ++i) {
        pass* p = nullptr;
        if (trim(items[i]).empty())
            why = "pass " + std::to_string(i + 1) + " of the chain is empty (nothing between \";\")";
        else
            p = parse_pass(items[i], prototypes, &why);
        if (!p) {
            for (pass* done : parsed) delete done;
            if (error) *error = why;
            return false;
        }
        parsed.push_back(p);
    }
    chain.insert(chain.end(), parsed.begin(), parsed.end());
    return true;
}

bool parse_chain(const std::string& text, std::vector<pass*>& chain, std::string* error) {
    return parse_chain(text, registered_prototypes(), chain, error);
}

std::string format_chain(const std::vector<pass*>& chain) {
    std::string text;
    for (const pass* p : chain) {
        if (!text.empty()) text += "; ";
        text += p->label();
        const unsigned n = p->nr_parameters();
        if (n == 0) continue;
        text += '(';
        for (unsigned i = 0; i < n; ++i) {
            if (i) text += ", ";
            const param& value = p->parameter_value(i);
            text += value.type() == param_int ? std::to_string(value.int_value())
                                              : format_double(value.double_value());
        }
        text += ')';
    }
    return text;
}

}  // namespace strandel
