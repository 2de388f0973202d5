// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/contingency_table.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "evaluation/classification.h"

namespace strandel {

class_lookup class_lookup_of(const std::vector<double>& centres) {
    class_lookup lookup;
    lookup.fill(-1);
    if (centres.empty()) return lookup;
    for (unsigned g = 0; g < 256; ++g) lookup[g] = pixel_class(centres, static_cast<unsigned char>(g));
    return lookup;
}

namespace {

// Row of every class that holds pixels, in ascending class order.
std::vector<int> rows_of_classes(const std::vector<label_pair>& pairs, const class_lookup& classes,
                                 contingency_table& table) {
    int largest = -1;
    for (const label_pair& p : pairs) {
        const int c = classes[p.gray];
        if (c < 0)
            throw std::invalid_argument("gray level " + std::to_string(p.gray) + " is counted but has no class");
        if (c > largest) largest = c;
    }
    std::vector<char> used(static_cast<std::size_t>(largest + 1), 0);
    for (const label_pair& p : pairs)
        if (p.count != 0) used[static_cast<std::size_t>(classes[p.gray])] = 1;
    std::vector<int> row_of_class(used.size(), -1);
    for (std::size_t c = 0; c < used.size(); ++c)
        if (used[c]) {
            row_of_class[c] = table.rows();
            table.class_of_row.push_back(static_cast<int>(c));
        }
    table.row_pixels.assign(table.class_of_row.size(), 0);
    return row_of_class;
}

}  // namespace

contingency_table make_contingency_table(const std::vector<label_pair>& pairs, const class_lookup& classes) {
    contingency_table table;
    const std::vector<int> row_of_class = rows_of_classes(pairs, classes, table);

    // Pairs come by label: gather one column at a time, then emit its rows
    // in ascending order.
    std::vector<std::uint64_t> column(table.class_of_row.size(), 0);
    std::vector<int> touched;
    std::size_t i = 0;
    while (i < pairs.size()) {
        const std::uint16_t label = pairs[i].label;
        if (!table.label_of_column.empty() && label <= table.label_of_column.back())
            throw std::invalid_argument("pair counts are not in ascending label order at label " +
                                        std::to_string(label));
        std::uint64_t column_total = 0;
        for (; i < pairs.size() && pairs[i].label == label; ++i) {
            if (pairs[i].count == 0) continue;
            const int row = row_of_class[static_cast<std::size_t>(classes[pairs[i].gray])];
            if (column[static_cast<std::size_t>(row)] == 0) touched.push_back(row);
            column[static_cast<std::size_t>(row)] += pairs[i].count;
            column_total += pairs[i].count;
        }
        if (column_total == 0) continue;
        const int c = table.columns();
        table.label_of_column.push_back(label);
        table.column_pixels.push_back(column_total);
        table.pixels += column_total;
        std::sort(touched.begin(), touched.end());
        for (int row : touched) {
            const std::uint64_t n = column[static_cast<std::size_t>(row)];
            table.cells.push_back({row, c, n});
            table.row_pixels[static_cast<std::size_t>(row)] += n;
            column[static_cast<std::size_t>(row)] = 0;
        }
        touched.clear();
    }
    return table;
}

}  // namespace strandel
