#include "driver/batch_worker_gimp.h"

#include <libgimp/gimp.h>

#include <thread>

#include "driver/progress_dialog_gimp.h"
#include "evaluation/manual_segmentation_gimp.h"
#include "framework/pixel_region_gimp.h"

namespace strandel {

read_status read_image_with_gimp(const std::string& file, image_data& data, std::string* why) {
    const gint32 image = gimp_file_load(GIMP_RUN_NONINTERACTIVE, file.c_str(), file.c_str());
    if (image < 0) {
        *why = "GIMP could not load it";
        return read_status::unreadable;
    }
    // A palette index is no gray level: read indexed images as colour.
    if ((gimp_image_base_type(image) == GIMP_INDEXED && !gimp_image_convert_rgb(image)) ||
        !convert_to_8bit(image)) {
        gimp_image_delete(image);
        *why = "GIMP could not convert it to 8-bit gray or RGB";
        return read_status::unreadable;
    }
    const gint32 layer = first_layer(image);
    if (layer < 0) {
        gimp_image_delete(image);
        return read_status::no_layer;
    }

    GimpDrawable* drawable = gimp_drawable_get(layer);
    const int width = int(drawable->width), height = int(drawable->height);
    const bool readable = drawable->bpp >= 1 && drawable->bpp <= 4;
    GimpDrawable* manual = readable ? load_manual_segmentation(image) : nullptr;
    data.has_manual = manual != nullptr;
    if (manual)
        count_gray_label_pairs(drawable, manual, 0, 0, width, height, &data.h, &data.manual);
    else if (readable)
        compute_histogram(drawable, &data.h, 0, 0, width, height);
    gimp_drawable_detach(drawable);
    release_manual_segmentation(manual);
    gimp_image_delete(image);
    if (!readable) {
        *why = "its pixels are not 8-bit gray or RGB";
        return read_status::unreadable;
    }
    return read_status::ok;
}

batch_outcome process_benchmark(const std::vector<std::string>& images, const std::vector<pass*>& chain,
                                std::FILE* results, batch_progress& progress, const std::atomic<bool>& stop) {
    return run_batch(images, chain, results, registered_measures(), progress, stop, read_image_with_gimp);
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
    job->outcome = process_benchmark(*job->benchmark, *job->chain, job->results, job->progress, job->stop);
    job->results = nullptr;
    // Widgets belong to the GTK thread: hand the answer over to it.
    job->answer_source = g_idle_add(answer_dialog, job);
}

void cancel_pending_answer(batch_job* job) {
    if (!job->answered && job->answer_source != 0) g_source_remove(job->answer_source);
    job->answer_source = 0;
}

gint run_batch_with_progress(const std::vector<pass*>& chain, const std::vector<std::string>& benchmark,
                             std::FILE* results, batch_outcome* outcome,
                             const std::function<void(GtkDialog*)>& on_shown) {
    batch_job job;
    job.chain = &chain;
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
