// zvtool: batch-convert and rename images with ZVDll.
#include "batch/batch.h"
#include "batch/interruption.h"
#include "info.h"
#include "name_command.h"

#include <CLI/CLI.hpp>
#include <zvdll.h>

#include <cstdio>
#include <thread>

#if !defined(_WIN32)
#  include <sched.h>
#endif

namespace {

constexpr const char* kTemplateHelp =
    "Name template: $(counterA) .. $(counterJ), $(counterA,04) (zero-filled field), $(width), $(height), "
    "$(size), $(filename), $(filetitle), $(filepath), $(date) and $(date,FORMAT) (strftime)";

// Turns "A=5" options into counters; CLI11 has already split repeated options.
void AddCounterOption(CLI::App* command, std::vector<std::string>* texts, const char* help)
{
    command->add_option("--counter", *texts, help)->type_name("X=N");
}

bool ApplyCounters(const std::vector<std::string>& texts, zvtool::Counters* counters)
{
    for (const std::string& text : texts) {
        std::string error;
        if (!zvtool::ParseCounter(text, counters, &error)) {
            std::fprintf(stderr, "zvtool: --counter %s: %s\n", text.c_str(), error.c_str());
            return false;
        }
    }
    return true;
}

CLI::Validator SizeValidator()
{
    return CLI::Validator(
        [](std::string& text) {
            return zvtool::ParseSize(text) ? std::string() : std::string("expected WIDTHxHEIGHT, e.g. 800x600");
        },
        "WxH");
}

CLI::Validator ShardValidator()
{
    return CLI::Validator(
        [](std::string& text) {
            return zvtool::ParseShard(text) ? std::string() : std::string("expected K/N with 0 <= K < N, e.g. 0/4");
        },
        "K/N");
}

// The processors this process may run on: a scheduler's CPU set (Slurm, taskset) can be
// smaller than the machine.
unsigned ProcessorCount()
{
#if !defined(_WIN32)
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0) {
        return static_cast<unsigned>(CPU_COUNT(&allowed));
    }
#endif
    return std::max(1u, std::thread::hardware_concurrency());
}

int BatchExitStatus(const zvtool::BatchSummary& summary)
{
    if (summary.interrupted) {
        return zvtool::kInterruptedExitStatus;
    }
    return summary.failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"zvtool: batch-convert, fit, blur and rename images with ZVDll"};
    // The instruction set shows whether this build and this processor run the vector code.
    app.set_version_flag("--version", std::string("zvtool ") + ZVTOOL_VERSION + "\nvector instruction set: " +
                                          ZvVectorInstructionSet());
    app.require_subcommand(1);

    // batch
    zvtool::BatchOptions batch;
    std::string formatName = "png";
    std::string fitText;
    std::string shardText;
    std::string dateFromName = "now";
    bool exactFit = false;
    std::vector<std::string> batchCounters;
    batch.counters.values[0] = 1;
    batch.jobs = ProcessorCount();
    CLI::App* batchCommand = app.add_subcommand("batch", "Convert images into a folder, named by a template");
    batchCommand->add_option("inputs", batch.inputs, "Image files and folders (a folder's images, sorted)")
        ->required();
    batchCommand->add_option("-o,--output", batch.outputFolder,
                             "Output folder; may begin with <TEMP_FOLDER> or <INSTALL_FOLDER>; created if missing")
        ->required();
    batchCommand->add_option("--name", batch.nameTemplate, kTemplateHelp)->required();
    batchCommand->add_option("--blur", batch.blurAmount, "Gaussian blur amount (e.g. 1.5)")
        ->check(CLI::Range(0.0, 10000.0));
    batchCommand->add_option("--fit", fitText, "Fit inside WxH, keeping proportions")->check(SizeValidator());
    batchCommand->add_flag("--no-shrink-on-load", exactFit,
                           "Decode fitted JPEGs at full size (slower; otherwise at 1/2, 1/4 or 1/8 when that covers the fit)");
    batchCommand->add_option("--format", formatName, "Output format")
        ->check(CLI::IsMember({"png", "jpg", "jpeg", "bmp"}))
        ->capture_default_str();
    batchCommand->add_option("--quality", batch.jpegQuality, "JPEG quality")
        ->check(CLI::Range(1, 100))
        ->capture_default_str();
    AddCounterOption(batchCommand, &batchCounters, "Counter start value, e.g. A=1 (A counts files)");
    batchCommand->add_option("--date-format", batch.dateFormat, "strftime format of $(date)")->capture_default_str();
    batchCommand->add_option("--date-from", dateFromName,
                             "What $(date) shows: now (the conversion), file (its modification time) or exif "
                             "(the date taken, else the file's time)")
        ->check(CLI::IsMember({"now", "file", "exif"}))
        ->capture_default_str();
    bool noAutoOrient = false;
    batchCommand->add_flag("--no-auto-orient", noAutoOrient,
                           "Keep pixels as stored (by default photos are turned upright by their EXIF orientation)");
    batchCommand->add_flag("--keep-profile", batch.keepProfile,
                           "Keep an embedded colour profile and its pixels (by default they are converted to sRGB)");
    batchCommand->add_flag("--strip", batch.strip, "Write no metadata (by default EXIF, XMP and IPTC are copied)");
    batchCommand->add_flag("--overwrite", batch.overwrite, "Replace existing output files");
    batchCommand->add_option("-j,--jobs", batch.jobs, "Files converted at once (default: the processors this process may use)")
        ->check(CLI::Range(1u, 1024u));
    batchCommand->add_option("--shard", shardText,
                             "Convert only share K (0-based) of N of the sorted input list, e.g. "
                             "$SLURM_ARRAY_TASK_ID/$SLURM_ARRAY_TASK_COUNT; counters still count the whole list")
        ->check(ShardValidator());

    // info
    std::vector<std::string> infoFiles;
    bool json = false;
    CLI::App* infoCommand = app.add_subcommand(
        "info", "Show type, size, bit depth, orientation, colour profile, date taken and camera");
    infoCommand->add_option("files", infoFiles, "Image files")->required();
    infoCommand->add_flag("--json", json, "Machine-readable output");

    // name
    zvtool::NameOptions name;
    std::string sizeText;
    std::vector<std::string> nameCounters;
    CLI::App* nameCommand = app.add_subcommand("name", "Print a template's expansion");
    nameCommand->add_option("template", name.nameTemplate, kTemplateHelp)->required();
    nameCommand->add_option("--file", name.file, "Source file for $(filepath), $(filename), $(filetitle)");
    nameCommand->add_option("--size", sizeText, "Image size for $(width), $(height), $(size)")
        ->check(SizeValidator());
    AddCounterOption(nameCommand, &nameCounters, "Counter value, e.g. B=42 (repeatable)");
    nameCommand->add_option("--date-format", name.dateFormat, "strftime format of $(date)")->capture_default_str();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help and --version print and succeed; anything else is a usage error, which exits
        // with 2 as command-line tools do (CLI11's own codes would differ by kind of mistake).
        return app.exit(error) == 0 ? 0 : 2;
    }

    if (batchCommand->parsed()) {
        batch.format = *zvtool::ParseOutputFormat(formatName);
        if (!fitText.empty()) {
            batch.fit = zvtool::ParseSize(fitText);
        }
        if (!shardText.empty()) {
            batch.shard = *zvtool::ParseShard(shardText);
        }
        batch.shrinkOnLoad = !exactFit;
        batch.autoOrient = !noAutoOrient;
        batch.dateFrom = dateFromName == "exif" ? zvtool::DateSource::Exif
                         : dateFromName == "file" ? zvtool::DateSource::File
                                                  : zvtool::DateSource::Now;
        if (!ApplyCounters(batchCounters, &batch.counters)) {
            return 2;
        }
        zvtool::InstallStopRequestHandlers();
        return BatchExitStatus(zvtool::RunBatch(batch, stdout, stdout));
    }
    if (infoCommand->parsed()) {
        return zvtool::PrintInfo(infoFiles, json, stdout) == 0 ? 0 : 1;
    }
    if (nameCommand->parsed()) {
        if (!sizeText.empty()) {
            name.size = zvtool::ParseSize(sizeText);
        }
        if (!ApplyCounters(nameCounters, &name.counters)) {
            return 2;
        }
        std::printf("%s\n", zvtool::ExpandForCommandLine(name).c_str());
        return 0;
    }
    return 2;
}
