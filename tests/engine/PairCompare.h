// The engine as the Check command drives it, for tests that want the verdict
// on two paths that name files, or what the user is told of their failure.
#pragma once

#include "check/FailureText.h"
#include "compare/Compare.h"
#include "compare/FileLayer.h"
#include "engine/Recorder.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace mvx::test {

// What the user is told of a file that did not give or keep its bytes.
inline const std::string kReadError = "ストリームからの読み込みエラー";

// Both files opened, then compared, under the recorder's stop: true when
// identical. Throws FileError as the engine does, and std::logic_error for a
// path that names no existing file.
inline bool CompareFiles(const std::string &source, const std::string &target, Recorder &recorder,
                         ReadPath readPath = ReadPath::Device)
{
    ReadQueue queue(recorder.stop.get_token());
    FilePair pair(queue, readPath);
    if (pair.Open(source, target, recorder) != FilePair::Opening::Opened)
        throw std::logic_error("the pair was not opened: " + source + " / " + target);
    return pair.CompareFiles(recorder) == FilePair::Verdict::Identical;
}

// How the opening of a pair ends; the pair and its queue go with it.
inline FilePair::Opening OpeningOf(const std::string &source, const std::string &target, Recorder &recorder)
{
    ReadQueue queue(recorder.stop.get_token());
    return FilePair(queue, ReadPath::Device).Open(source, target, recorder);
}

// The size that opening the file takes.
inline std::int64_t FileSizeOf(const std::string &path)
{
    return ReadOnlyFile(path, ReadPath::Cache).Size();
}

// What a call answered, or what the Error box would say of the file failure
// it raised.
inline std::string Outcome(const std::function<std::string()> &call)
{
    try {
        return call();
    } catch (const FileError &e) {
        return FailureText(e.Failure());
    }
}

inline std::string MessageOf(const std::function<void()> &action)
{
    return Outcome([&] {
        action();
        return std::string("(no failure)");
    });
}

// The verdict on two files as text, or the failure's message.
inline std::string VerdictOf(const std::string &source, const std::string &target, Recorder &recorder)
{
    return Outcome([&] { return std::string(CompareFiles(source, target, recorder) ? "true" : "false"); });
}

} // namespace mvx::test
