// The DLL's version resource carries the same version as Travik_GetDllVersion, field by field.
#include "TravikSdk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string DllPath() {
    HMODULE dll = GetModuleHandleA("TravikSdk_380TZ4_RDX.dll");
    char path[MAX_PATH] = {};
    if (dll == nullptr || GetModuleFileNameA(dll, path, MAX_PATH) == 0) return {};
    return path;
}

std::vector<char> VersionBlock(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data())) block.clear();
    return block;
}

} // namespace

TEST(ApiVersionResource, FileVersionFieldsAreTheBytesOfTheDllVersion) {
    ASSERT_EQ(Travik_GetDllVersion(), 0x01A7051F); // also loads the DLL
    const std::vector<char> block = VersionBlock(DllPath());
    ASSERT_FALSE(block.empty()) << "no version resource in " << DllPath();

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const unsigned version = static_cast<unsigned>(Travik_GetDllVersion());
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), version >> 24);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), (version >> 16) & 0xFF);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), (version >> 8) & 0xFF);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), version & 0xFF);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
}

TEST(ApiVersionResource, VersionTextNamesTheSameVersion) {
    const std::vector<char> block = VersionBlock(DllPath());
    ASSERT_FALSE(block.empty());
    char* text = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\FileVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, "1.167.5.31");
}
