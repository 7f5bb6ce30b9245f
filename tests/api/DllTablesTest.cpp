// The built DLL imports only Windows system DLLs and exports only Travik_* names and the
// TravikEx_* extensions.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace {

const char kDllName[] = "TravikSdk_380TZ4_RDX.dll";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsSystemDll(const std::string& name) {
    static const std::set<std::string> system = {
        "kernel32.dll", "user32.dll",   "gdi32.dll",   "advapi32.dll", "winmm.dll",
        "comctl32.dll", "msvcrt.dll",   "ntdll.dll",   "shell32.dll",  "ole32.dll",
        "oleaut32.dll", "comdlg32.dll", "version.dll", "ucrtbase.dll", "bcrypt.dll"};
    const std::string lower = Lower(name);
    return system.count(lower) != 0 || lower.rfind("api-ms-win-", 0) == 0;
}

class DllTables : public ::testing::Test {
  protected:
    void SetUp() override {
        module = LoadLibraryExA((travik_test::ProgramDirectory() + kDllName).c_str(), nullptr,
                                DONT_RESOLVE_DLL_REFERENCES);
        ASSERT_NE(module, nullptr) << "cannot load " << kDllName;
        base = reinterpret_cast<const BYTE*>(module);
        auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
        ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
        ASSERT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
    const IMAGE_DATA_DIRECTORY& Directory(int index) const {
        return nt->OptionalHeader.DataDirectory[index];
    }

    HMODULE module = nullptr;
    const BYTE* base = nullptr;
    const IMAGE_NT_HEADERS64* nt = nullptr;
};

TEST_F(DllTables, ImportsOnlySystemDlls) {
    const auto& dir = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    ASSERT_NE(dir.VirtualAddress, 0u);
    std::vector<std::string> imports;
    for (auto* desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         desc->Name != 0; ++desc)
        imports.push_back(reinterpret_cast<const char*>(base + desc->Name));
    ASSERT_FALSE(imports.empty());
    for (const auto& name : imports) EXPECT_TRUE(IsSystemDll(name)) << "non-system import " << name;
    // Delay-load imports would escape the check above.
    EXPECT_EQ(Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT).VirtualAddress, 0u);
}

TEST_F(DllTables, ExportsOnlyTravikNames) {
    const auto& dir = Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    ASSERT_NE(dir.VirtualAddress, 0u);
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    EXPECT_EQ(Lower(reinterpret_cast<const char*>(base + exports->Name)), Lower(kDllName));
    // Every exported address has a name: nothing is exported by ordinal only.
    EXPECT_EQ(exports->NumberOfFunctions, exports->NumberOfNames);
    auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::set<std::string> seen;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        const std::string name = reinterpret_cast<const char*>(base + names[i]);
        EXPECT_TRUE(name.rfind("Travik_", 0) == 0 || name.rfind("TravikEx_", 0) == 0)
            << "unexpected export " << name;
        seen.insert(name);
    }
    EXPECT_TRUE(seen.count("Travik_Initialize"));
    EXPECT_TRUE(seen.count("Travik_GetDllVersion"));
}

} // namespace
