// SPDX-License-Identifier: GPL-3.0-or-later
// The floor under strandel-report's thumbnails: decoding every file of a
// results table once, row by row with libpng as the report reads them, on
// as many threads as the report uses, and nothing else.
//
//   report_decode_floor THREADS FILE_LIST
//
// FILE_LIST: one path a line, "i PATH" for an image (gray or colour rows),
// "l PATH" for a label image (class indices). Prints the files decoded and
// the seconds.
#include <atomic>
#include <chrono>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "report_page/png_read.h"

int main(int argc, char** argv) {
    using namespace strandel;
    if (argc != 3) {
        std::cerr << "usage: report_decode_floor THREADS FILE_LIST\n";
        return 2;
    }
    const int threads = std::max(1, std::atoi(argv[1]));
    std::vector<std::pair<char, std::string>> files;
    std::ifstream list(argv[2]);
    for (std::string line; std::getline(list, line);)
        if (line.size() > 2) files.push_back({line[0], line.substr(2)});
    std::atomic<std::size_t> next{0};
    std::atomic<int> failed{0};
    std::atomic<unsigned long> checksum{0};
    const auto start = std::chrono::steady_clock::now();
    auto work = [&] {
        unsigned long sum = 0;
        for (std::size_t i; (i = next++) < files.size();) {
            std::string why;
            if (files[i].first == 'l') {
                auto rows = open_label_rows(files[i].second, &why);
                for (int y = 0; rows && y < rows->height(); ++y)
                    if (const std::uint16_t* row = rows->next_row(&why)) sum += row[0];
                failed += !rows;
            } else {
                auto rows = open_png_rows(files[i].second, &why);
                for (int y = 0; rows && y < rows->height(); ++y)
                    if (const unsigned char* row = rows->next_row(&why)) sum += row[0];
                failed += !rows;
            }
        }
        checksum += sum;
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& t : helpers) t.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << files.size() << " files decoded (" << failed << " failed, checksum " << checksum << ") in " << seconds
              << " s on " << threads << " threads\n";
    return failed ? 1 : 0;
}
