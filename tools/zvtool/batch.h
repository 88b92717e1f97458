// zvtool batch: measure, open, blur, fit and write every input, named by a template.
#ifndef ZVTOOL_BATCH_H
#define ZVTOOL_BATCH_H

#include "encoders.h"
#include "output_names.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace zvtool {

struct BatchOptions {
    std::vector<std::string> inputs;
    std::string outputFolder;
    std::string nameTemplate;
    double blurAmount = 0.0;           // 0: no blur
    std::optional<Size> fit;           // fit inside this box, keeping proportions
    OutputFormat format = OutputFormat::Png;
    int jpegQuality = 90;
    Counters counters;                 // counter A increments per file
    std::string dateFormat = "%Y%m%d";
    bool overwrite = false;
};

struct BatchSummary {
    size_t converted = 0;
    size_t failed = 0;
};

// Runs the batch, reporting progress on `progressStream` and the summary on `summaryStream`.
BatchSummary RunBatch(const BatchOptions& options, FILE* progressStream, FILE* summaryStream);

} // namespace zvtool

#endif
