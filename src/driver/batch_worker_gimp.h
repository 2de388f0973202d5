// SPDX-License-Identifier: GPL-3.0-or-later
// The batch worker inside GIMP: images are read in-process where the
// in-process reader decodes them, else loaded by GIMP and read tile by tile
// (driver/read_image_gimp.h); everything else is the shared batch body
// (batch/run_batch.h).
#pragma once

#include <gtk/gtk.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "batch/run_batch.h"
#include "framework/chain.h"

namespace strandel {

// The whole batch, needing no dialog: header, one line per image, close.
// Every image read is traced as "Got FILE" on standard output.
batch_outcome process_benchmark(const std::vector<std::string>& images, const chain& passes, std::FILE* results,
                                batch_progress& progress, const std::atomic<bool>& stop);

// What the run flow shares with the worker thread. The run flow keeps it,
// and everything it points to, alive until it has joined the worker.
struct batch_job {
    const chain* passes = nullptr;
    const std::vector<std::string>* benchmark = nullptr;
    std::FILE* results = nullptr;  // closed by the worker
    GtkDialog* dialog = nullptr;   // answered with 1 when the batch is over

    batch_progress progress;
    std::atomic<bool> stop{false};
    batch_outcome outcome;  // read once the worker is joined

    guint answer_source = 0;  // the idle that answers the dialog
    bool answered = false;    // set on the GTK thread when it ran
};

// The worker thread's body: processes the benchmark, then has the GTK
// thread answer the dialog with response 1.
void batch(batch_job* job);

// On the GTK thread, after joining the worker: drops an answer that has not
// been delivered yet, so that it never reaches a destroyed dialog.
void cancel_pending_answer(batch_job* job);

// Runs the benchmark on a worker thread behind the modal progress dialog
// and returns the dialog's response: 1 when the worker finished, anything
// else when the user cancelled or closed it. In every case the worker has
// stopped (at the next image or pass) and been joined, the dialog destroyed
// and `results` closed before it returns; `outcome` tells how the writing
// went. `on_shown`, when given, is called with the dialog before it runs.
gint run_batch_with_progress(const chain& passes, const std::vector<std::string>& benchmark,
                             std::FILE* results, batch_outcome* outcome,
                             const std::function<void(GtkDialog*)>& on_shown = nullptr);

}  // namespace strandel
