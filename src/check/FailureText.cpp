#include "check/FailureText.h"

namespace mvx {

std::string WithClosingPeriod(const std::string &message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + '.';
    return message;
}

std::string FailureMessage(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &e) {
        return e.what();
    } catch (...) {
        return "予期しないエラーが発生しました";
    }
}

} // namespace mvx
