#include "progress.h"

#include <unistd.h>

namespace zvtool {
namespace {

constexpr int kBarWidth = 30;

} // namespace

Progress::Progress(FILE* stream, size_t total)
    : stream_(stream), total_(total), interactive_(isatty(fileno(stream)) != 0)
{
}

Progress::~Progress()
{
    Finish();
}

void Progress::Advance()
{
    ++done_;
}

void Progress::DrawBar(const std::string& label)
{
    const int filled = total_ == 0 ? kBarWidth : static_cast<int>(kBarWidth * done_ / total_);
    std::string bar(static_cast<size_t>(filled), '=');
    bar.resize(kBarWidth, ' ');
    std::fprintf(stream_, "\r\033[K[%s] %zu/%zu %s", bar.c_str(), done_, total_, label.c_str());
    std::fflush(stream_);
    barShown_ = true;
}

void Progress::PrintLine(const char* status, const std::string& text)
{
    if (barShown_) {
        std::fputs("\r\033[K", stream_);
    }
    std::fprintf(stream_, "%-6s %s\n", status, text.c_str());
    std::fflush(stream_);  // a log that is followed while it grows shows each file as it lands
}

void Progress::Succeeded(const std::string& input, const std::string& output)
{
    Advance();
    if (interactive_) {
        DrawBar(input);
    } else {
        PrintLine("ok", input + " -> " + output);
    }
}

void Progress::Failed(const std::string& input, const std::string& reason)
{
    Advance();
    PrintLine("FAILED", input + ": " + reason);
    if (interactive_) {
        DrawBar(input);
    }
}

void Progress::Finish()
{
    if (barShown_) {
        std::fputs("\n", stream_);
        barShown_ = false;
    }
    std::fflush(stream_);
}

} // namespace zvtool
