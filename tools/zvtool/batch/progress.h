// Progress of a batch: a bar that redraws in place on a terminal, plain lines otherwise.
#ifndef ZVTOOL_PROGRESS_H
#define ZVTOOL_PROGRESS_H

#include <cstdio>
#include <string>

namespace zvtool {

class Progress {
public:
    Progress(FILE* stream, size_t total);
    ~Progress();

    void Succeeded(const std::string& input, const std::string& output);
    void Failed(const std::string& input, const std::string& reason);
    void Finish();  // ends the bar's line

private:
    void Advance();
    void DrawBar(const std::string& label);
    void PrintLine(const char* status, const std::string& text);

    FILE* stream_;
    size_t total_;
    size_t done_ = 0;
    bool interactive_;
    bool barShown_ = false;
};

} // namespace zvtool

#endif
