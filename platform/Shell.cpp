#include "platform/Shell.h"

#include <cctype>

namespace {

bool IsDigits(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

}  // namespace

std::string ShellTargetUrl(std::string_view target)
{
    if (target.size() >= 2 && target.front() == '"' && target.back() == '"')
        target = target.substr(1, target.size() - 2);
    std::string out(target);
    if (out.empty())
        return out;
    // The first component: up to a path, query or fragment separator.
    const size_t end = out.find_first_of("/\\?#");
    const std::string_view head = std::string_view(out).substr(0, end);
    const size_t colon = head.find(':');
    if (colon != std::string_view::npos) {
        // "name:digits" is a host and port; any other "x:" is a scheme or a
        // drive letter, and the target already says what it is.
        if (!IsDigits(head.substr(colon + 1)))
            return out;
    }
    const std::string_view host = head.substr(0, colon);
    const bool looksLikeHost = !host.empty() && host.front() != '.' &&
                               (host.find('.') != std::string_view::npos || host == "localhost") &&
                               (end == std::string::npos || out[end] != '\\');
    return looksLikeHost ? "http://" + out : out;
}
