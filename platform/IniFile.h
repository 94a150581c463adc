// INI files (a product's connection file), read with inih. Sections and keys
// compare without case; the first of duplicated sections or keys wins, as on
// Windows. Lines are taken trimmed, so indented keys are keys; values in
// matching quotes lose the quotes. Text that is not UTF-8 is read as
// Windows-1252.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TIniData {
public:
    // Never throws; bad lines are skipped and the first one's number kept.
    static TIniData Parse(std::string_view text);
    // A missing or unreadable file gives empty data with Loaded() false.
    static TIniData LoadHostFile(const std::string& hostPath);

    bool Loaded() const { return loaded_; }
    int FirstErrorLine() const { return firstErrorLine_; }   // 0: none
    std::string FirstErrorText() const;                      // "line N: why"
    const std::string& FirstErrorReason() const { return firstError_; }   // "why"

    bool HasSection(std::string_view section) const;
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // Sections in file order, as written.
    std::vector<std::string> Sections() const;
    // Keys and values of a section in file order.
    std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;
    // Line number of a key (or, for an empty key, of the section header);
    // 0 when absent.
    int Line(std::string_view section, std::string_view key) const;

private:
    struct TSection {
        std::string Name;
        int Line = 0;
        std::vector<std::pair<std::string, std::string>> Entries;
        std::vector<int> Lines;
    };
    const TSection* Find(std::string_view section) const;

    std::vector<TSection> sections_;
    bool loaded_ = false;
    int firstErrorLine_ = 0;
    std::string firstError_;
    friend struct TIniBuilder;
};

// An INI file by Windows path, read once when made.
class TIniFile {
public:
    explicit TIniFile(const std::string& fileName);
    const std::string& FileName() const { return fileName_; }
    std::string ReadString(const std::string& section, const std::string& ident, const std::string& defaultValue) const;
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;

private:
    std::string fileName_;
    TIniData data_;
};
