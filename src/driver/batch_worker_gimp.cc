// SPDX-License-Identifier: GPL-3.0-or-later
#include "driver/batch_worker_gimp.h"

#include <libgimp/gimp.h>

#include <thread>

#include "driver/progress_dialog_gimp.h"
#include "driver/read_image_gimp.h"

namespace strandel {

batch_outcome process_benchmark(const std::vector<std::string>& images, const chain& passes, std::FILE* results,
                                batch_progress& progress, const std::atomic<bool>& stop) {
    return run_batch(requests_beside(images), passes, results, registered_measures(), progress, stop,
                     read_image_with_gimp, stdout);
}

namespace {

gboolean answer_dialog(gpointer data) {
    batch_job* job = static_cast<batch_job*>(data);
    job->answered = true;
    gtk_dialog_response(job->dialog, 1);
    return FALSE;
}

}  // namespace

void batch(batch_job* job) {
    job->outcome = process_benchmark(*job->benchmark, *job->passes, job->results, job->progress, job->stop);
    job->results = nullptr;
    // Widgets belong to the GTK thread: hand the answer over to it.
    job->answer_source = g_idle_add(answer_dialog, job);
}

void cancel_pending_answer(batch_job* job) {
    if (!job->answered && job->answer_source != 0) g_source_remove(job->answer_source);
    job->answer_source = 0;
}

gint run_batch_with_progress(const chain& passes, const std::vector<std::string>& benchmark,
                             std::FILE* results, batch_outcome* outcome,
                             const std::function<void(GtkDialog*)>& on_shown) {
    batch_job job;
    job.passes = &passes;
    job.benchmark = &benchmark;
    job.results = results;
    GtkWidget* dialog = create_progress_dialog();
    job.dialog = GTK_DIALOG(dialog);

    std::thread worker(batch, &job);
    start_progress_refresh(&job.progress);
    if (on_shown) on_shown(job.dialog);
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    stop_progress_refresh();
    job.stop.store(true);
    gtk_widget_destroy(dialog);
    // No main loop runs while we wait, so the worker's answer cannot reach
    // the destroyed dialog; it is dropped below if still pending.
    worker.join();
    cancel_pending_answer(&job);
    *outcome = job.outcome;
    return response;
}

}  // namespace strandel
