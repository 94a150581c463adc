#include "platform/Registry.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/IniFile.h"
#include "platform/Machine.h"
#include "platform/TextCase.h"

namespace {

std::string ReadHiveText(const std::string& file, bool& exists)
{
    std::ifstream in(file, std::ios::binary);
    exists = static_cast<bool>(in);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The hive as parsed; a bad line is an EMachineError naming it.
TIniData LoadHive()
{
    const std::string file = TMachine::Current().RegistryFile();
    bool exists = false;
    const std::string text = ReadHiveText(file, exists);
    if (!exists) {
        if (errno != ENOENT)
            throw EMachineError("The registry \"" + file + "\" cannot be read: " + std::strerror(errno) + ".");
        return TIniData::Parse("");
    }
    TIniData hive = TIniData::Parse(text);
    if (hive.FirstErrorLine() != 0)
        throw EMachineError("Bad registry \"" + file + "\", " + hive.FirstErrorText() + ".");
    return hive;
}

bool KeyIn(const TIniData& hive, const std::string& path)
{
    const std::string wanted = AnsiUpperCase(path) + "\\";
    for (const auto& section : hive.Sections()) {
        const std::string s = AnsiUpperCase(section) + "\\";
        if (s.compare(0, wanted.size(), wanted) == 0)
            return true;
    }
    return false;
}

std::string_view Trim(std::string_view s)
{
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string_view::npos)
        return {};
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

// Sets name=value in section of the hive text, keeping every other line;
// adds the section at the end when it is missing.
std::string Edit(const std::string& text, const std::string& section, const std::string& name, const std::string& value)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    const std::string entry = name + "=" + value;
    bool inSection = false, replaced = false;
    size_t lastInSection = std::string::npos;   // where a new value goes
    for (size_t i = 0; i < lines.size() && !replaced; ++i) {
        const std::string_view t = Trim(lines[i]);
        if (!t.empty() && t.front() == '[') {
            const size_t close = t.find(']');
            const bool match = close != std::string_view::npos && AnsiSameText(Trim(t.substr(1, close - 1)), section);
            if (inSection && !match)
                break;   // the first section of that name is the key
            if (match) {
                inSection = true;
                lastInSection = i;
            }
            continue;
        }
        if (!inSection || t.empty() || t.front() == ';' || t.front() == '#')
            continue;
        lastInSection = i;
        const size_t eq = t.find_first_of("=:");
        if (eq != std::string_view::npos && AnsiSameText(Trim(t.substr(0, eq)), name)) {
            lines[i] = entry;
            replaced = true;
        }
    }
    if (!replaced && lastInSection != std::string::npos) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastInSection) + 1, entry);
    } else if (!replaced) {
        if (!lines.empty() && !Trim(lines.back()).empty())
            lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    }
    std::string out;
    for (const auto& l : lines)
        out += l + "\n";
    return out;
}

} // namespace

std::string TRegistry::RootName(HKEY root)
{
    switch (root) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    case HKEY_CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
    default: throw ERegistryException("Unknown registry root key");
    }
}

void TRegistry::SetRootKey(HKEY root)
{
    RootName(root);   // rejects unknown roots
    CloseKey();
    root_ = root;
}

std::string TRegistry::FullPath(const std::string& key) const
{
    std::string k = key;
    while (!k.empty() && k.back() == '\\')
        k.pop_back();
    const bool absolute = !k.empty() && k.front() == '\\';
    while (!k.empty() && k.front() == '\\')
        k.erase(0, 1);
    const std::string base = (!absolute && !current_.empty()) ? current_ : RootName(root_);
    return k.empty() ? base : base + "\\" + k;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate)
{
    const std::string path = FullPath(key);
    const TIniData hive = LoadHive();
    if (!KeyIn(hive, path)) {
        if (!canCreate)
            return false;
        const std::string saved = current_;
        current_ = path;
        try {
            WriteString("", "");   // a section with no values still needs a line
        } catch (...) {
            current_ = saved;
            throw;
        }
    }
    current_ = path;
    readOnly_ = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key)
{
    if (!OpenKey(key, false))
        return false;
    readOnly_ = true;
    return true;
}

bool TRegistry::KeyExists(const std::string& key) { return KeyIn(LoadHive(), FullPath(key)); }

void TRegistry::CloseKey()
{
    current_.clear();
    readOnly_ = false;
}

std::string TRegistry::ReadString(const std::string& name)
{
    if (current_.empty())
        throw ERegistryException("No registry key is open");
    return LoadHive().Value(current_, name).value_or(std::string());
}

bool TRegistry::ValueExists(const std::string& name)
{
    return !current_.empty() && LoadHive().Value(current_, name).has_value();
}

std::vector<std::string> TRegistry::GetValueNames()
{
    std::vector<std::string> names;
    if (!current_.empty())
        for (const auto& [name, value] : LoadHive().Entries(current_))
            if (!name.empty())
                names.push_back(name);
    return names;
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    if (current_.empty())
        throw ERegistryException("No registry key is open");
    if (readOnly_)
        throw ERegistryException("The key \"" + current_ + "\" is open read-only");
    if (value.find_first_of("\r\n") != std::string::npos || name.find_first_of("\r\n=[]") != std::string::npos)
        throw ERegistryException("A registry value cannot hold line breaks, and its name no \"=\" or brackets");
    LoadHive();   // refuses to edit a hive with bad lines
    const std::string file = TMachine::Current().RegistryFile();
    bool exists = false;
    const std::string text = ReadHiveText(file, exists);
    // A key without values is kept as its section line alone.
    std::string edited;
    if (name.empty()) {
        edited = text;
        if (!edited.empty() && edited.back() != '\n')
            edited += '\n';
        edited += (edited.empty() ? "" : "\n") + std::string("[") + current_ + "]\n";
    } else {
        edited = Edit(text, current_, name, value);
    }
    const std::string temp = file + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << edited;
        if (!out.flush())
            throw ERegistryException("Cannot write the registry \"" + temp + "\"");
    }
    if (::rename(temp.c_str(), file.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw ERegistryException("Cannot write the registry \"" + file + "\": " + std::strerror(error));
    }
}
