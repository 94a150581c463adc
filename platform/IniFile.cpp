#include "platform/IniFile.h"

#include <fstream>
#include <sstream>

#include <ini.h>

#include "platform/CodePage.h"
#include "platform/TextCase.h"
#include "platform/WinPath.h"

// Feeds inih one trimmed line at a time and collects what it reports.
//
// inih is built with a 200-byte line buffer and multi-line values: a longer
// line would be cut and its tail parsed as a line of its own, and an indented
// line would continue the previous value. Lines are therefore trimmed before
// inih sees them (so no line is ever a continuation), and an overlong
// name=value line is taken apart here and handed to inih as an empty line.
struct TIniBuilder {
    TIniData& data;
    std::string_view text;
    size_t pos = 0;
    int lineNumber = 0;
    std::string currentSection;   // as the reader last saw it
    bool sectionSeen = false;

    static constexpr size_t MaxLine = 190;   // well inside inih's buffer

    static std::string_view Trim(std::string_view s)
    {
        const char* spaces = " \t\r\n\f\v";
        const size_t a = s.find_first_not_of(spaces);
        if (a == std::string_view::npos)
            return {};
        const size_t b = s.find_last_not_of(spaces);
        return s.substr(a, b - a + 1);
    }

    static std::string Decode(std::string_view s)
    {
        return IsValidUtf8(s) ? std::string(s) : ToUtf8(s, cpWindows1252);
    }

    void Add(std::string_view section, std::string_view name, std::string_view value)
    {
        if (section.empty()) {
            Error(lineNumber, "a name=value line before any section");
            return;
        }
        TIniData::TSection* target = Section(section);
        std::string key = Decode(name);
        for (const auto& e : target->Entries)
            if (AnsiSameText(e.first, key))
                return;   // the first one wins
        target->Entries.emplace_back(std::move(key), Decode(value));
        target->Lines.push_back(lineNumber);
    }

    // The section of that name, made (at the current line) when new.
    TIniData::TSection* Section(std::string_view section)
    {
        std::string name = Decode(Trim(section));
        for (auto& s : data.sections_)
            if (AnsiSameText(s.Name, name))
                return &s;
        data.sections_.push_back({std::move(name), lineNumber, {}, {}});
        return &data.sections_.back();
    }

    void Error(int line, std::string what)
    {
        if (data.firstErrorLine_ == 0 || line < data.firstErrorLine_) {
            data.firstErrorLine_ = line;
            data.firstError_ = std::move(what);
        }
    }

    // inih's reader: copies the next line into str.
    static char* Reader(char* str, int num, void* stream)
    {
        auto* self = static_cast<TIniBuilder*>(stream);
        if (self->pos >= self->text.size())
            return nullptr;
        size_t end = self->text.find('\n', self->pos);
        if (end == std::string_view::npos)
            end = self->text.size();
        std::string_view line = self->text.substr(self->pos, end - self->pos);
        self->pos = end + 1;
        ++self->lineNumber;
        if (self->lineNumber == 1 && line.substr(0, 3) == "\xEF\xBB\xBF")
            line.remove_prefix(3);
        line = Trim(line);
        if (!line.empty() && line.front() == '[') {
            const size_t close = line.find(']');
            if (close != std::string_view::npos) {
                self->currentSection = std::string(Trim(line.substr(1, close - 1)));
                self->sectionSeen = true;
                self->Section(self->currentSection);   // so a section without keys exists too
            }
        }
        if (line.size() > MaxLine || line.size() + 2 > static_cast<size_t>(num)) {
            self->Overlong(line);
            line = {};
        }
        std::copy(line.begin(), line.end(), str);
        str[line.size()] = '\n';
        str[line.size() + 1] = '\0';
        return str;
    }

    void Overlong(std::string_view line)
    {
        if (line.front() == ';' || line.front() == '#')
            return;
        if (line.front() == '[' && line.find(']') != std::string_view::npos)
            return;   // a section header: the reader has taken it
        const size_t eq = line.find_first_of("=:");
        if (line.front() == '[' || eq == std::string_view::npos || !sectionSeen) {
            Error(lineNumber, "not a section, a name=value line or a comment");
            return;
        }
        std::string_view value = Trim(line.substr(eq + 1));
        // inih cuts an inline comment: " ;" and what follows.
        for (size_t i = 1; i < value.size(); ++i)
            if (value[i] == ';' && (value[i - 1] == ' ' || value[i - 1] == '\t')) {
                value = Trim(value.substr(0, i));
                break;
            }
        Add(currentSection, Trim(line.substr(0, eq)), value);
    }

    // The section is the one the reader saw last: inih does not see the
    // overlong headers the reader kept from it.
    static int Handler(void* user, const char* /*section*/, const char* name, const char* value)
    {
        auto* self = static_cast<TIniBuilder*>(user);
        self->Add(self->sectionSeen ? std::string_view(self->currentSection) : std::string_view(), name, value);
        return 1;
    }
};

TIniData TIniData::Parse(std::string_view text)
{
    TIniData data;
    data.loaded_ = true;
    TIniBuilder builder{data, text, 0, 0, {}, false};
    const int result = ini_parse_stream(&TIniBuilder::Reader, &builder, &TIniBuilder::Handler, &builder);
    if (result > 0)
        builder.Error(result, "not a section, a name=value line or a comment");
    for (auto& section : data.sections_)
        for (auto& entry : section.Entries) {
            std::string& v = entry.second;
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
        }
    return data;
}

TIniData TIniData::LoadHostFile(const std::string& hostPath)
{
    std::ifstream in(hostPath, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return {};
    return Parse(text.str());
}

std::string TIniData::FirstErrorText() const
{
    if (firstErrorLine_ == 0)
        return {};
    return "line " + std::to_string(firstErrorLine_) + ": " + firstError_;
}

const TIniData::TSection* TIniData::Find(std::string_view section) const
{
    for (const auto& s : sections_)
        if (AnsiSameText(s.Name, section))
            return &s;
    return nullptr;
}

bool TIniData::HasSection(std::string_view section) const { return Find(section) != nullptr; }

std::optional<std::string> TIniData::Value(std::string_view section, std::string_view key) const
{
    if (const TSection* s = Find(section))
        for (const auto& e : s->Entries)
            if (AnsiSameText(e.first, key))
                return e.second;
    return std::nullopt;
}

int TIniData::Line(std::string_view section, std::string_view key) const
{
    if (const TSection* s = Find(section)) {
        if (key.empty())
            return s->Line;
        for (size_t i = 0; i < s->Entries.size(); ++i)
            if (AnsiSameText(s->Entries[i].first, key))
                return s->Lines[i];
    }
    return 0;
}

std::vector<std::string> TIniData::Sections() const
{
    std::vector<std::string> names;
    for (const auto& s : sections_)
        names.push_back(s.Name);
    return names;
}

std::vector<std::pair<std::string, std::string>> TIniData::Entries(std::string_view section) const
{
    if (const TSection* s = Find(section))
        return s->Entries;
    return {};
}

TIniFile::TIniFile(const std::string& fileName) : fileName_(fileName)
{
    if (const auto host = HostPathOf(fileName))
        data_ = TIniData::LoadHostFile(*host);
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) const
{
    return data_.Value(section, ident).value_or(defaultValue);
}

bool TIniFile::SectionExists(const std::string& section) const { return data_.HasSection(section); }

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) const
{
    return data_.Value(section, ident).has_value();
}
