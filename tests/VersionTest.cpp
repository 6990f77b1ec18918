// The built library says which release it is: as a version resource in the
// DLL, as plain text in the Linux library.

#include <gtest/gtest.h>

#include <string>

#include "tests/TestSupport.h"

#ifdef _WIN32
#include <windows.h>

namespace {

std::string VersionValue(const std::string& file, const std::string& name) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    if (size == 0) return "<no version resource>";
    std::string block(size, '\0');
    if (!GetFileVersionInfoA(file.c_str(), 0, size, &block[0])) return "<unreadable>";
    void* value = nullptr;
    UINT length = 0;
    const std::string query = "\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueA(block.data(), query.c_str(), &value, &length) || length == 0) return "<missing>";
    return static_cast<const char*>(value);
}

}  // namespace

TEST(Version, DllCarriesTheProjectVersionResource) {
    const std::string dll = TestLibrary("VorlanBridge");
    EXPECT_EQ(VORLAN_VERSION, VersionValue(dll, "FileVersion"));
    EXPECT_EQ(VORLAN_VERSION, VersionValue(dll, "ProductVersion"));
    EXPECT_EQ("Vorlan bridge", VersionValue(dll, "ProductName"));
    EXPECT_EQ("JNI bridge to the Vorlan analysis engine", VersionValue(dll, "FileDescription"));

    DWORD handle = 0;
    std::string block(GetFileVersionInfoSizeA(dll.c_str(), &handle), '\0');
    ASSERT_TRUE(GetFileVersionInfoA(dll.c_str(), 0, static_cast<DWORD>(block.size()), &block[0]));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    const std::string numeric = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(VORLAN_VERSION, numeric);
}

#else

TEST(Version, LibraryCarriesTheProjectVersionAsText) {
    const std::string library = ReadFile(TestLibrary("VorlanBridge"));
    EXPECT_NE(std::string::npos, library.find(std::string("VorlanBridge version ") + VORLAN_VERSION + '\0'));
}

#endif
