#include "cli/CmpArguments.h"

#include <string_view>
#include <vector>

namespace mvx::cmp {

CmpRequest ParseArguments(int argc, const char *const *argv)
{
    CmpRequest request;
    std::vector<std::string> files;
    bool help = false;
    bool version = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument.front() != '-') {
            files.emplace_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help") {
            help = true;
        } else if (argument == "--version") {
            version = true;
        } else if (argument == "--cached") {
            request.readPath = ReadPath::Cache;
        } else if (argument == "-z" || argument == "--null") {
            request.lineEnd = '\0';
        } else {
            request.problem = "unrecognized option '" + std::string(argument) + "'";
            return request;
        }
    }
    if (help) {
        request.kind = CmpRequest::Kind::Help;
    } else if (version) {
        request.kind = CmpRequest::Kind::Version;
    } else if (files.size() != 2) {
        request.problem = "two files or folders are needed, " + std::to_string(files.size()) + " given";
    } else {
        request.kind = CmpRequest::Kind::Compare;
        request.source = std::move(files[0]);
        request.target = std::move(files[1]);
    }
    return request;
}

} // namespace mvx::cmp
