// The four products the utility serves, in the fixed order every
// per-product branch follows, and the names derived from each code.
#pragma once

#include <array>
#include <string>
#include <string_view>

struct TProduct {
    std::string_view Code;
    std::string_view Caption;      // button caption
    std::string_view Hint;         // button hint
    std::string_view ProgramFile;
    std::string_view ConnectFile;  // INI file naming the data folder
    std::string_view CurrentDir;   // current default installation folder
    std::string_view OlderDir;     // older default installation folder
    std::string_view UploadName;   // archive looked up for an upload
    std::string_view UploadEnding; // end of the stored upload name
    std::string_view ButtonName;
    std::string_view BkupLabelName;
    std::string_view LocLabelName;

    std::string BackupKey() const { return std::string(Code) + "-B"; }
    std::string ArchiveName() const { return std::string(Code) + ".zip"; }
};

inline constexpr std::array<TProduct, 4> ProductList = {{
    {"PELLO", "Pellora", "This will back up Pellora", "pellorcd.exe", "PLTConnect.ini",
     "c:\\program files\\tessaroinc\\pellora", "c:\\program files\\pellora", "pello.zip", "-pello.zip",
     "BGVornProductsPello", "LblPelloBkup", "LblPelloLoc"},
    {"SEN", "Sennet", "Thei will back up Sennet", "sennetrk.exe", "SENConnect.ini",
     "c:\\program files\\tessaroinc\\sennet", "c:\\program files\\sennet", "sen.zip", "-sen.zip",
     "BGVornProductsSen", "LblSENBkup", "LblSENLoc"},
    {"CORV", "Corvid", "This will back up Corvid Lite", "corvid.exe", "CvLtConnect.ini",
     "c:\\program files\\tessaroinc\\corvidlite", "c:\\program files\\corvid", "corv.zip", "-corv.zip",
     "BGVornProductsCorv", "LblCORVBkup", "LblCORVLoc"},
    {"TALM", "Talmeq", "Theis will back up the Talmeq", "talmeqex.exe", "TALMConnect.ini",
     "c:\\program files\\tessaroinc\\talmtracker", "c:\\program files\\talmeq", "talm.zip", "-talm.zip",
     "BGVornProductsTalm", "LblTALMBkup", "LblTALMLoc"},
}};

// The entry of a code (exact), or null.
const TProduct* FindProduct(std::string_view code);
