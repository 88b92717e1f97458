// zvtool batch: open, blur, fit and write every input, named by a template, on every core.
#ifndef ZVTOOL_BATCH_H
#define ZVTOOL_BATCH_H

#include "encoders.h"
#include "output_names.h"
#include "shard.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace zvtool {

// Where a name's $(date) comes from: the time of the conversion, the file's modification time,
// or the date the photo was taken (EXIF), falling back to the file's time.
enum class DateSource { Now, File, Exif };

struct BatchOptions {
    std::vector<std::string> inputs;
    std::string outputFolder;
    std::string nameTemplate;
    double blurAmount = 0.0;           // 0: no blur
    std::optional<Size> fit;           // fit inside this box, keeping proportions
    bool shrinkOnLoad = true;          // a fitted JPEG may decode at 1/2, 1/4 or 1/8 of its size
    OutputFormat format = OutputFormat::Png;
    int jpegQuality = 90;
    Counters counters;                 // counter A increments per file of the whole list
    std::string dateFormat = "%Y%m%d";
    DateSource dateFrom = DateSource::Now;  // the instant $(date) shows
    bool autoOrient = true;            // turn pixels upright by their EXIF orientation
    bool keepProfile = false;          // keep an embedded profile and its pixels, not sRGB
    bool strip = false;                // write no metadata
    bool overwrite = false;
    unsigned jobs = 1;                 // files converted at once
    Shard shard;                       // the share of the input list this run converts
};

struct BatchSummary {
    size_t converted = 0;
    size_t failed = 0;
    size_t notStarted = 0;  // left over when a stop was requested
    bool interrupted = false;
};

// Runs the batch, reporting progress on `progressStream` and the summary on `summaryStream`.
// Stops starting files once StopRequested() (interruption.h) turns true.
BatchSummary RunBatch(const BatchOptions& options, FILE* progressStream, FILE* summaryStream);

} // namespace zvtool

#endif
