#include "tools/vorn-setup/DemoProducts.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/DosTime.h"
#include "platform/FileName.h"
#include "platform/FileSystem.h"
#include "platform/WinFileStream.h"
#include "tools/vorn-setup/VornSetup.h"

namespace {

// The content of one demo file.
struct TDemoFile {
    std::string Name;
    std::string Bytes;
    TLocalTime Written;
};

// A small deterministic generator, so every demo machine is the same.
struct TRandom {
    uint32_t state;
    uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

const char* const Companies[] = {
    "Harbor Supplies Ltd", "Northwind Traders", "Blue Ridge Dental", "Maple & Sons", "Cedar Grove Farm",
    "Lakeside Clinic", "Ironwood Tools", "Summit Realty", "Orchard Bakery", "Riverbend Motors",
};

// Table-like content: a header naming the format, then fixed-width records.
std::string TableBytes(const std::string& kind, int records, uint32_t seed)
{
    TRandom random{seed};
    std::string bytes = kind;
    bytes.resize(256, '\0');
    for (int i = 0; i < records; ++i) {
        char line[96];
        const uint32_t r = random.Next();
        std::snprintf(line, sizeof line, "%05d %-22s %04u-%02u-%02u %9u.%02u %c", i + 1, Companies[r % 10],
                      2019 + r % 6, 1 + (r >> 4) % 12, 1 + (r >> 8) % 28, (r >> 12) % 50000, (r >> 3) % 100,
                      (r & 1) ? 'A' : 'P');
        std::string record = line;
        record.resize(64, ' ');
        bytes += record;
    }
    return bytes;
}

// Data that does not compress, like scanned pictures in a memo file.
std::string NoiseBytes(size_t size, uint32_t seed)
{
    TRandom random{seed};
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random.Next() >> 24);
    return bytes;
}

std::string ProgramBytes(const std::string& name)
{
    std::string bytes = "MZ";
    bytes.resize(64, '\0');
    bytes += "This program cannot be run in DOS mode.\r\n$";
    bytes += "demo program " + name;
    return bytes;
}

TLocalTime At(int year, int month, int day, int hour, int minute)
{
    TLocalTime t;
    t.Year = year;
    t.Month = month;
    t.Day = day;
    t.Hour = hour;
    t.Minute = minute;
    return t;
}

// One file of each data mask ("*.ad*", "*.db", "*.px", "*.mb", "*.x*",
// "*.y*", "*.val") and the kinds that are never backed up.
std::vector<TDemoFile> DataFiles(const std::string& table, uint32_t seed, size_t memoNoise)
{
    const TLocalTime day = At(2024, 3, 14, 9, 30);
    std::vector<TDemoFile> files = {
        {"CLIENTS.ADT", TableBytes("Advantage table CLIENTS", 180, seed), day},
        {"CLIENTS.ADI", TableBytes("Advantage index CLIENTS", 24, seed + 1), day},
        {"CLIENTS.ADM", TableBytes("Advantage memo CLIENTS", 40, seed + 2), day},
        {table + ".DB", TableBytes("Paradox table " + table, 240, seed + 3), At(2024, 5, 2, 16, 45)},
        {table + ".PX", TableBytes("Paradox primary index", 30, seed + 4), At(2024, 5, 2, 16, 45)},
        {table + ".MB", memoNoise ? NoiseBytes(memoNoise, seed + 5) : TableBytes("Paradox memo", 60, seed + 5),
         At(2024, 5, 2, 16, 46)},
        {table + ".XG0", TableBytes("Paradox secondary index", 20, seed + 6), At(2024, 5, 2, 16, 45)},
        {table + ".YG0", TableBytes("Paradox secondary index data", 20, seed + 7), At(2024, 5, 2, 16, 45)},
        {table + ".VAL", TableBytes("Paradox validity checks", 4, seed + 8), At(2023, 11, 20, 8, 5)},
        {"SUMMARY.XLS", TableBytes("Workbook SUMMARY", 50, seed + 9), At(2024, 6, 30, 17, 0)},
        // Never backed up.
        {"REPAIR.EXE", ProgramBytes("REPAIR.EXE"), At(2022, 1, 10, 12, 0)},
        {"REPORTS.DLL", ProgramBytes("REPORTS.DLL"), At(2022, 1, 10, 12, 0)},
        {"LOCAL.INI", "[Window]\r\nLeft=120\r\nTop=80\r\n", At(2024, 6, 30, 17, 2)},
    };
    return files;
}

void WriteDemoFile(const std::string& folder, const TDemoFile& file, std::ostream& log)
{
    const std::string name = IncludeTrailingBackslash(folder) + file.Name;
    if (FileExists(name))
        return;
    if (!ForceDirectories(folder))
        throw ESetupError("Cannot create the folder \"" + folder + "\": " + std::strerror(errno) + ".");
    try {
        TFileStream stream(name, fmCreate);
        stream.WriteBuffer(std::span(reinterpret_cast<const uint8_t*>(file.Bytes.data()), file.Bytes.size()));
        FileSetDate(stream.Handle(), DateTimeToFileDate(file.Written));
    } catch (const Exception& e) {
        throw ESetupError("Cannot write the demo file: " + e.Message());
    }
    (void)log;
}

void WriteFiles(const std::string& folder, const std::vector<TDemoFile>& files, std::ostream& log)
{
    for (const auto& f : files)
        WriteDemoFile(folder, f, log);
    log << "demo     " << folder << " (" << files.size() << " files)\n";
}

} // namespace

void InstallDemoProducts(std::ostream& log)
{
    const TLocalTime installed = At(2023, 9, 1, 10, 0);

    // Pellora: current default folder, data in a folder its connection file names.
    const std::string pellora = "C:\\Program Files\\TessaroInc\\Pellora";
    const std::string pelloraData = "C:\\TessaroData\\Pellora";
    WriteFiles(pellora,
               {{"PELLORCD.EXE", ProgramBytes("PELLORCD.EXE"), installed},
                {"PELLPRT.DLL", ProgramBytes("PELLPRT.DLL"), installed},
                {"PLTConnect.ini", "[Connect]\r\nDataDir=" + pelloraData + "\r\nServer=local\r\n", installed}},
               log);
    WriteFiles(pelloraData, DataFiles("INVOICE", 11, 0), log);

    // Sennet: current default folder; its connection file leaves the data
    // folder empty, so the installation folder holds the data.
    const std::string sennet = "C:\\Program Files\\TessaroInc\\Sennet";
    std::vector<TDemoFile> sennetFiles = DataFiles("TRACKING", 23, 0);
    sennetFiles.push_back({"SENNETRK.EXE", ProgramBytes("SENNETRK.EXE"), installed});
    sennetFiles.push_back({"SENConnect.ini", "[Connect]\r\nDataDir=\r\nServer=local\r\n", installed});
    WriteFiles(sennet, sennetFiles, log);

    // Corvid: only in its older default folder, no connection file; a memo
    // of pictures larger than a diskette, so a diskette backup spans disks.
    const std::string corvid = "C:\\Program Files\\Corvid";
    std::vector<TDemoFile> corvidFiles = DataFiles("PATIENTS", 37, 1700000);
    corvidFiles.push_back({"CORVID.EXE", ProgramBytes("CORVID.EXE"), installed});
    WriteFiles(corvid, corvidFiles, log);

    // Talmeq is not installed.
    log << "demo     Talmeq is not installed\n";
}
