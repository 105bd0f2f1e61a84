#include "check/FailureText.h"

namespace mvx {

std::string WithClosingPeriod(const std::string &message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + '.';
    return message;
}

std::string FailureText(const FileFailure &failure)
{
    switch (failure.step) {
    case FileStep::List:
        return "フォルダ " + failure.path + " は開けません";
    case FileStep::Open:
        return "ファイル " + failure.path + " は開けません";
    case FileStep::Read:
    case FileStep::Recheck:
        break;
    }
    return "ストリームからの読み込みエラー";
}

std::string NamedFailureText(const FileFailure &failure)
{
    const std::string text = FailureText(failure);
    return failure.step == FileStep::List || failure.step == FileStep::Open ? text
                                                                            : failure.path + ": " + text;
}

std::string FailureMessage(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const FileError &e) {
        return FailureText(e.Failure());
    } catch (const std::exception &e) {
        return e.what();
    } catch (...) {
        return "予期しないエラーが発生しました";
    }
}

} // namespace mvx
