#include "HelpFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string LineError(size_t line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}

// Only well-formed UTF-8 is accepted: no overlong forms, surrogates or code
// points past U+10FFFF.
bool IsUtf8(std::string_view s)
{
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t n;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            n = 1, cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2, cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3, cp = c & 0x07;
        } else {
            return false;
        }
        if (s.size() - i <= n)
            return false;
        for (size_t k = 1; k <= n; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((n == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += n + 1;
    }
    return true;
}

// A context number: decimal digits only, 1 .. INT32_MAX.
bool ParseContext(std::string_view digits, int32_t& value)
{
    if (digits.empty())
        return false;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return ec == std::errc() && end == digits.data() + digits.size() && value > 0 && digits[0] != '+';
}

std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

THelpFile THelpFile::Parse(std::string_view text)
{
    if (!IsUtf8(text))
        throw EHelpFileError("the file is not UTF-8 text");

    THelpFile file;
    bool sawFormat = false;
    THelpBlock* open = nullptr; // the block that further lines continue
    size_t lineNo = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos || line.find('\r') != std::string_view::npos)
            throw EHelpFileError(LineError(lineNo, "control character in the text"));
        if (!line.empty() && line[0] == ';')
            continue;
        const std::string_view trimmed = TrimRight(line);

        if (!sawFormat) {
            if (trimmed.empty())
                continue;
            if (trimmed != "VORNHELP 1")
                throw EHelpFileError(LineError(lineNo, "not a Vorn Backup help file (VORNHELP 1 expected)"));
            sawFormat = true;
            continue;
        }

        if (trimmed.starts_with("@topic")) {
            std::string_view rest = trimmed.substr(6);
            if (rest.empty() || rest[0] != ' ')
                throw EHelpFileError(LineError(lineNo, "@topic needs a context number and a title"));
            rest.remove_prefix(1);
            const size_t space = rest.find(' ');
            int32_t context = 0;
            if (!ParseContext(rest.substr(0, space), context))
                throw EHelpFileError(LineError(lineNo, "bad context number"));
            std::string_view title = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
            while (!title.empty() && title.front() == ' ')
                title.remove_prefix(1);
            if (title.empty())
                throw EHelpFileError(LineError(lineNo, "topic " + std::to_string(context) + " has no title"));
            if (file.Find(context))
                throw EHelpFileError(LineError(lineNo, "topic " + std::to_string(context) + " appears twice"));
            file.topics_.push_back({context, std::string(title), {}});
            open = nullptr;
            continue;
        }
        if (trimmed.empty()) {
            open = nullptr;
            continue;
        }
        if (file.topics_.empty())
            throw EHelpFileError(LineError(lineNo, "text before the first @topic"));
        auto& blocks = file.topics_.back().Blocks;

        if (trimmed.starts_with("== ")) {
            blocks.push_back({hbHeading, std::string(trimmed.substr(3))});
            open = nullptr;
        } else if (trimmed.starts_with("- ")) {
            blocks.push_back({hbBullet, std::string(trimmed.substr(2))});
            open = &blocks.back();
        } else if (open && open->Kind == hbBullet && line.starts_with("  ")) {
            std::string_view more = trimmed;
            while (!more.empty() && more.front() == ' ')
                more.remove_prefix(1);
            open->Text += ' ';
            open->Text += more;
        } else if (open && open->Kind == hbParagraph) {
            open->Text += ' ';
            open->Text += trimmed;
        } else {
            blocks.push_back({hbParagraph, std::string(trimmed)});
            open = &blocks.back();
        }
    }
    if (!sawFormat)
        throw EHelpFileError("not a Vorn Backup help file (VORNHELP 1 expected)");
    return file;
}

THelpFile THelpFile::Load(const std::string& hostPath)
{
    std::error_code ec;
    const auto status = std::filesystem::status(hostPath, ec);
    if (ec || !std::filesystem::exists(status))
        throw EHelpFileError("the file does not exist");
    if (!std::filesystem::is_regular_file(status))
        throw EHelpFileError("it is not a file");
    std::ifstream in(hostPath, std::ios::binary);
    if (!in)
        throw EHelpFileError(std::string("cannot open it: ") + std::strerror(errno));
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0)
        throw EHelpFileError("cannot read it");
    if (static_cast<uint64_t>(size) > kMaxHelpFileSize)
        throw EHelpFileError("it is larger than " + std::to_string(kMaxHelpFileSize) + " bytes");
    in.seekg(0);
    std::string text(static_cast<size_t>(size), '\0');
    if (!in.read(text.data(), size))
        throw EHelpFileError("cannot read it");
    return Parse(text);
}

const THelpTopic* THelpFile::Find(int32_t context) const
{
    for (const auto& t : topics_)
        if (t.Context == context)
            return &t;
    return nullptr;
}

std::vector<THelpSpan> SplitHelpLinks(std::string_view text)
{
    std::vector<THelpSpan> spans;
    auto addPlain = [&](std::string_view s) {
        if (s.empty())
            return;
        if (!spans.empty() && spans.back().LinkContext == 0)
            spans.back().Text += s;
        else
            spans.push_back({std::string(s), 0});
    };
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find('[', pos);
        if (open == std::string_view::npos)
            break;
        const size_t close = text.find("](#", open + 1);
        const size_t stop = close == std::string_view::npos ? close : text.find(')', close + 3);
        int32_t context = 0;
        // The link text runs to the first "](#": a '[' inside it starts over.
        const size_t inner = text.find('[', open + 1);
        if (close == std::string_view::npos || stop == std::string_view::npos || (inner != std::string_view::npos && inner < close) ||
            close == open + 1 || !ParseContext(text.substr(close + 3, stop - close - 3), context)) {
            addPlain(text.substr(pos, open + 1 - pos));
            pos = open + 1;
            continue;
        }
        addPlain(text.substr(pos, open - pos));
        spans.push_back({std::string(text.substr(open + 1, close - open - 1)), context});
        pos = stop + 1;
    }
    addPlain(text.substr(std::min(pos, text.size())));
    return spans;
}
