#include "net/NetReply.h"

#include <cctype>
#include <strings.h>

#include "net/NetException.h"
#include "net/NetText.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The part of s from 0-based index from on; empty past the end.
std::string From(const std::string& s, size_t from)
{
    return from < s.size() ? s.substr(from) : std::string();
}

} // namespace

void TNetReply::SetCode(const std::string& code)
{
    if (code == code_)
        return;
    if (!IsValidCode(code))
        throw ENetException("Reply Code is not valid: " + code);
    code_ = code;
    Text.clear();
}

int TNetReply::NumericCode() const
{
    if (code_.empty() || code_.size() > 9)
        return 0;
    int value = 0;
    for (const char c : code_) {
        if (!IsDigit(c))
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::vector<std::string> TNetReply::FormattedReply() const
{
    if (NumericCode() < 1)
        return Text;
    if (Text.empty())
        return {code_};
    std::vector<std::string> out;
    for (size_t i = 0; i < Text.size(); ++i)
        out.push_back(code_ + (i + 1 < Text.size() ? "-" : " ") + Text[i]);
    return out;
}

void TNetReply::Assign(const TNetReply& source)
{
    code_ = source.code_;
    Text = source.Text;
}

bool TNetReplyRFC::IsValidCode(const std::string& code) const
{
    if (NetTrim(code).empty())
        return true;
    if (code.size() != 3 || !IsDigit(code[0]) || !IsDigit(code[1]) || !IsDigit(code[2]))
        return false;
    return code[0] != '0';
}

bool TNetReplyRFC::IsEndLine(const std::string& line) const
{
    return line.size() < 4 || line[3] == ' ';
}

void TNetReplyRFC::Parse(const std::vector<std::string>& lines)
{
    if (lines.empty())
        return;
    SetCode(NetTrim(lines.front().substr(0, 3)));
    Text.clear();
    for (const auto& line : lines)
        Text.push_back(From(line, 4));
}

std::unique_ptr<TNetReply> TNetReplyRFC::Clone() const
{
    auto copy = std::make_unique<TNetReplyRFC>();
    copy->Assign(*this);
    return copy;
}

bool TNetReplyFTP::IsEndLine(const std::string& line) const
{
    if (!line.empty() && line.size() <= 3) {
        for (const char c : line)
            if (!IsDigit(c))
                return false;
        return true;
    }
    return line.size() >= 4 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) && line[3] == ' ';
}

void TNetReplyFTP::Parse(const std::vector<std::string>& lines)
{
    if (lines.empty())
        return;
    std::string code = NetTrim(lines.front().substr(0, 4));
    if (code.size() == 4 && code.back() == '-')
        code.pop_back();
    SetCode(code);
    Text.clear();
    ReplyFormat = rfNormal;
    const size_t skip = code.size() + 1;
    Text.push_back(From(lines.front(), skip));
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (!code.empty() && line.size() >= code.size() && strncasecmp(line.c_str(), code.c_str(), code.size()) == 0) {
            Text.push_back(From(line, skip));
        } else {
            size_t b = 0;
            while (b < line.size() && line[b] == ' ')
                ++b;
            if (b > 0)
                ReplyFormat = rfIndentMidLines;
            Text.push_back(line.substr(b));
        }
    }
}

std::vector<std::string> TNetReplyFTP::FormattedReply() const
{
    if (ReplyFormat != rfIndentMidLines || NumericCode() < 1 || Text.size() < 3)
        return TNetReplyRFC::FormattedReply();
    std::vector<std::string> out;
    out.push_back(code_ + "-" + Text.front());
    for (size_t i = 1; i + 1 < Text.size(); ++i)
        out.push_back(" " + Text[i]);
    out.push_back(code_ + " " + Text.back());
    return out;
}

void TNetReplyFTP::Assign(const TNetReply& source)
{
    TNetReply::Assign(source);
    if (const auto* ftp = dynamic_cast<const TNetReplyFTP*>(&source))
        ReplyFormat = ftp->ReplyFormat;
}

std::unique_ptr<TNetReply> TNetReplyFTP::Clone() const
{
    auto copy = std::make_unique<TNetReplyFTP>();
    copy->Assign(*this);
    return copy;
}
